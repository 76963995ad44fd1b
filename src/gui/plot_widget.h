#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

namespace talvex {
class FormPlot;
}

namespace talvex::gui {

// The plot window's surface: paints the plot form's last drawing, scaled to whatever size the
// window has. The drawing is kept in user coordinates, so a resize repaints the same plot.
//
// It paints straight onto the window with QPainter, in logical pixels; on a high-resolution
// screen the painter's device has devicePixelRatio() pixels per logical pixel and the Qt canvas
// draws into all of them (pens of whole device pixels on the pixel grid), so nothing is drawn at
// the logical size and scaled up. Anything drawn later over the plot (a zoom frame, a legend)
// paints the same way, after Paint, in the same logical coordinates.
class PlotWidget : public QWidget {
  public:
    PlotWidget(const FormPlot& plot, QWidget* parent = nullptr);

    // Paints the drawing into a rectangle of any paint device (widget, image, printed page).
    void Paint(QPainter& painter, const QRectF& target) const;
    // The drawing as the window shows it: the window's size at the screen's device pixel ratio
    // (the clipboard takes this).
    QImage Image() const;
    // The drawing at the window's size taken at another ratio (2 for a picture with twice the
    // detail in each direction).
    QImage Image(double ratio) const;

    QSize sizeHint() const override { return {640, 480}; }

    // Told after every finished paint (the benchmarks wait for it).
    std::function<void()> onPainted;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const FormPlot& plot_;
};

}  // namespace talvex::gui
