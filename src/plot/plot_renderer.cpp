#include "plot/plot_renderer.h"

#include "core/workbench.h"

namespace talvex {

void RenderPlot(Workbench&) {}
void TransformAndRender(Workbench&) {}

}  // namespace talvex
