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
class PlotWidget : public QWidget {
  public:
    PlotWidget(const FormPlot& plot, QWidget* parent = nullptr);

    // Paints the drawing into a rectangle of any paint device (widget, image, printed page).
    void Paint(QPainter& painter, const QRectF& target) const;
    // The drawing at the widget's size, as the clipboard and PNG export take it.
    QImage Image() const;

    QSize sizeHint() const override { return {640, 480}; }

    // Told after every finished paint (the benchmarks wait for it).
    std::function<void()> onPainted;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const FormPlot& plot_;
};

}  // namespace talvex::gui
