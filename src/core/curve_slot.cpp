#include "core/curve_slot.h"

#include "core/model.h"

namespace talvex {

void OpenCurveSlot(Model& m, bool overlapChecked) {
    if (m.Fitting) {
        m.NCurves = 2;
    } else if (overlapChecked && m.NCurves < kMaxCurves) {
        m.NCurves = m.NCurves + 1;
    } else {
        m.NCurves = 1;
    }
    m.CurCurve = m.NCurves.value();
    m.NCurvesSaved = m.NCurves.value();
}

}  // namespace talvex
