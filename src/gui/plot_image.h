#pragma once

#include <QImage>
#include <string>

class QPainter;
class QRectF;
class QSize;

namespace talvex {
class FormPlot;
}

namespace talvex::gui {

// Paints the plot window's drawing into a rectangle of any paint device (widget, image, printed
// page): white paper, then every primitive through the Qt canvas in black ink, whatever the
// desktop's colours. The rectangle is in the painter's logical units; the device may have more
// pixels per unit, and gets them all.
void PaintPlot(const FormPlot& plot, QPainter& painter, const QRectF& target);

// The plot window's drawing as a picture of `size` logical pixels (the units that pens and fonts
// are measured in, as on the window) taken at `ratio` device pixels per logical pixel: size × ratio
// pixels, the image's device pixel ratio set to `ratio`, and a resolution of `logicalDpi` × ratio
// dots per inch, so that a picture taken at ratio 2 shows and prints as large as one at ratio 1,
// with twice the detail.
QImage PlotPicture(const FormPlot& plot, const QSize& size, double ratio = 1.0, double logicalDpi = 96.0);

// The plot window's drawing as a PNG picture of width × height logical pixels at `ratio`
// (PlotPicture), drawn through the window's own canvas (so it matches the screen and the SVG
// export). Works without a window: a program that has no Qt application gets an offscreen one.
// False when the file cannot be written.
bool WritePlotPng(const FormPlot& plot, const std::string& path, int width = 800, int height = 600, double ratio = 1.0);

// The drawing as a one-page PDF document of width x height pixels at 96 dpi (a page of
// width x 0.75 by height x 0.75 points), drawn as lines and text, not a picture: it prints sharp
// at any size. False when the file cannot be written.
bool WritePlotPdf(const FormPlot& plot, const std::string& path, int width = 800, int height = 600);

}  // namespace talvex::gui
