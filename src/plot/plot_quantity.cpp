#include "plot/plot_quantity.h"

#include "core/workbench.h"
#include "plot/form_option.h"

namespace talvex {

void TransformPlotQuantity(Workbench& wb) {
    Model& m = wb.model;
    if (wb.formOption.ComboY.text() == "current I") {
        m.NCurves = m.NCurvesSaved.value();
        for (int k = m.IFirst; k <= m.ILast; ++k) m.Yplot(k, m.CurCurve) = m.Ystore(k, m.StoreCol);
    }
}

}  // namespace talvex
