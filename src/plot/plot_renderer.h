#pragma once

namespace talvex {

class Workbench;

// Draws the curves IFirst..ILast of the store into the plot window.
void RenderPlot(Workbench& wb);
// Runs the quantity transform (unless a fit is running), then RenderPlot.
void TransformAndRender(Workbench& wb);

}  // namespace talvex
