#include "analysis/curve_separation.h"

#include "core/constants.h"
#include "core/run_error.h"

namespace talvex {

void SeparateComponents(Model& m) {
    const int nCharge = m.NCharge;
    const int nData = m.NData;
    // Checked before anything changes: the store has room for three components beside two curves.
    if (nCharge < 0 || nCharge > kMaxCharge || nData < 0 || nData > kMaxPoints) Raise(ErrorCode::SubscriptOutOfRange);
    m.NCurves = 2;
    for (int c = 1; c <= nCharge; ++c) {
        m.NCurves = m.NCurves + 1;
        const int column = m.NCurves;
        for (int k = 1; k <= nData; ++k) m.Yplot(k, column) = m.Ystore(k, c);
    }
}

}  // namespace talvex
