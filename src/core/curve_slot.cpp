#include "core/curve_slot.h"

#include <algorithm>

#include "core/codes.h"
#include "core/model.h"
#include "core/run_error.h"

namespace talvex {
namespace {

int CurveCount(const Model& m) {
    return std::clamp<int>(m.NCurves, 0, kMaxCurves);
}

// The last of the stored curves that is not measured; 0 when all are.
int LastReplaceable(const Model& m) {
    for (int c = CurveCount(m); c >= 1; --c)
        if (m.CurveKind(c) != curve::Measured) return c;
    return 0;
}

bool HoldsMeasured(const Model& m) {
    for (int c = 1; c <= CurveCount(m); ++c)
        if (m.CurveKind(c) == curve::Measured) return true;
    return false;
}

}  // namespace

void OpenCurveSlot(Model& m, bool overlapChecked) {
    const int stored = CurveCount(m);
    int column = 1, count = 1;  // without overlap: column 1 alone
    if (m.Fitting) {
        column = 0;
        for (int c = 1; c <= stored && column == 0; ++c)
            if (m.CurveKind(c) == curve::Fitted) column = c;
        if (column == 0) column = stored < kMaxCurves ? stored + 1 : LastReplaceable(m);
        count = std::max(column, stored);
    } else if (overlapChecked && stored < kMaxCurves) {
        column = count = stored + 1;
    } else if (overlapChecked && HoldsMeasured(m)) {
        column = LastReplaceable(m);
        count = stored;
    }
    if (column == 0)
        throw RunError(ErrorCode::SubscriptOutOfRange,
                       "the curve store holds five measured curves; turn the overlap off to start again");
    m.NCurves = count;
    m.CurCurve = column;
    m.NCurvesSaved = m.NCurves.value();
    m.CurveKind(column) = static_cast<std::int16_t>(m.Fitting ? curve::Fitted : curve::Simulated);
}

int MeasuredColumn(const Model& m) {
    const int current = m.CurCurve;
    if (current >= 1 && current <= CurveCount(m) && m.CurveKind(current) == curve::Measured) return current;
    for (int c = CurveCount(m); c >= 1; --c)
        if (m.CurveKind(c) == curve::Measured) return c;
    return 0;
}

}  // namespace talvex
