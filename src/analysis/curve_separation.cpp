#include "analysis/curve_separation.h"

#include "core/codes.h"
#include "core/constants.h"
#include "core/run_error.h"

namespace talvex {

void SeparateComponents(Model& m) {
    const int nCharge = m.NCharge;
    const int nData = m.NData;
    // Checked before anything changes: the store has room for three components beside two curves.
    if (nCharge < 0 || nCharge > kMaxCharge || nData < 0 || nData > kMaxPoints) Raise(ErrorCode::SubscriptOutOfRange);
    // The components follow the fitted curve (curve 2 beside the measured curve 1 with overlap off)
    // and never take a measured curve's column.
    const int fitted = m.CurCurve;
    if (fitted < 1 || fitted + nCharge > Table2<double, kMaxPoints + 1, 7>::kCols - 1)
        throw RunError(ErrorCode::SubscriptOutOfRange,
                       "there is no room for the reaction currents after the fitted curve; turn the overlap off");
    for (int c = fitted + 1; c <= fitted + nCharge; ++c)
        if (m.CurveKind(c) == curve::Measured)
            throw RunError(ErrorCode::SubscriptOutOfRange,
                           "the reaction currents would replace a measured curve; turn the overlap off");
    m.NCurves = fitted;
    for (int c = 1; c <= nCharge; ++c) {
        m.NCurves = m.NCurves + 1;
        const int column = m.NCurves;
        for (int k = 1; k <= nData; ++k) m.Yplot(k, column) = m.Ystore(k, c);
        m.CurveKind(column) = curve::Simulated;
        m.CurveLabels(column) = {"current of " + m.ChargeLabel(c), 0, 1.0};
    }
}

}  // namespace talvex
