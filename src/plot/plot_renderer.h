#pragma once

namespace talvex {

class Display;

// Draws curves 1..NCurves over points IFirst..ILast of the store (Xdata, Yplot, LineStyle) into
// the plot window: ranges (automatic or from the display options), decade unit, margins, Y
// caption with its multiplier, dashed zero line, frame, X caption, curves, ticks with labels and
// the grid. A zero range shows "Error: No data!"; a tick count of 0 or any other failure while
// drawing ends the drawing silently, leaving what was drawn.
void RenderPlot(Display& display);

// Runs the quantity transform (unless a fit is running), then RenderPlot. A failure of the
// transform is reported with its description; the store is then drawn as it stands.
void TransformAndRender(Display& display);

}  // namespace talvex
