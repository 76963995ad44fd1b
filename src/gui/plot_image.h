#pragma once

#include <string>

class QPainter;
class QRectF;

namespace talvex {
class FormPlot;
}

namespace talvex::gui {

// Paints the plot window's drawing into a rectangle of any paint device (widget, image, printed
// page): white ground, then every primitive through the Qt canvas.
void PaintPlot(const FormPlot& plot, QPainter& painter, const QRectF& target);

// The plot window's drawing as a PNG picture of the given size, drawn through the window's own
// canvas (so it matches the screen and the SVG export). Works without a window: a program that
// has no Qt application gets an offscreen one. False when the file cannot be written.
bool WritePlotPng(const FormPlot& plot, const std::string& path, int width = 800, int height = 600);

}  // namespace talvex::gui
