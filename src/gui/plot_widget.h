#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "plot/plot_readout.h"

class QMenu;

namespace talvex {
class Display;
class FormPlot;
}  // namespace talvex

namespace talvex::gui {

// What the plot window asks of the program: steps on its view (zoom, pan, reset, show or hide a
// curve) and menu commands (copy, export), each run as a user action, and a line for the status bar.
class PlotActions {
  public:
    virtual ~PlotActions() = default;
    virtual void ChangeView(const std::function<bool(Display&)>& step) = 0;
    virtual void RunCommand(const std::string& name) = 0;
    virtual void ShowStatus(const QString& text) = 0;
};

// The plot window's surface: paints the plot form's last drawing, scaled to whatever size the
// window has. The drawing is kept in user coordinates, so a resize repaints the same plot.
//
// It paints straight onto the window with QPainter, in logical pixels; on a high-resolution
// screen the painter's device has devicePixelRatio() pixels per logical pixel and the Qt canvas
// draws into all of them (pens of whole device pixels on the pixel grid), so nothing is drawn at
// the logical size and scaled up. What is drawn over the plot (the zoom frame, the marked point)
// paints the same way, after Paint, in the same logical coordinates.
//
// The plot can be explored with the mouse: the wheel zooms about the pointer (Shift: the potential
// axis only, Ctrl: the Y axis only), dragging pans, dragging with Shift (or in zoom-frame mode)
// draws a frame to zoom into, a double-click shows the whole plot again; the status bar reads the
// pointer's E and I and the nearest point of the nearest curve, which is marked; the right button
// opens a menu (copy, export, reset view, show or hide each curve).
class PlotWidget : public QWidget {
  public:
    explicit PlotWidget(Display& display, PlotActions* actions = nullptr, QWidget* parent = nullptr);

    // Paints the drawing into a rectangle of any paint device (widget, image, printed page).
    void Paint(QPainter& painter, const QRectF& target) const;
    // The drawing as the window shows it: the window's size at the screen's device pixel ratio
    // (the clipboard takes this).
    QImage Image() const;
    // The drawing at the window's size taken at another ratio (2 for a picture with twice the
    // detail in each direction).
    QImage Image(double ratio) const;

    QSize sizeHint() const override { return {640, 480}; }
    const FormPlot& form() const { return plot_; }

    // The user coordinates of a point of the window under the last drawing's scale; none before
    // anything is drawn. And back.
    std::optional<QPointF> ToUser(QPointF pixel) const;
    std::optional<QPointF> ToPixel(double x, double y) const;

    // In zoom-frame mode a plain drag draws the frame to zoom into (else it pans).
    void SetZoomFrameMode(bool on) { zoomFrameMode_ = on; }
    bool zoomFrameMode() const { return zoomFrameMode_; }

    // The right button's menu, built for the curves on view; the caller owns it.
    QMenu* BuildContextMenu();

    // The point the pointer is nearest to, marked on the plot; none when the pointer is away.
    const std::optional<NearestPoint>& marked() const { return marked_; }

    // Told after every finished paint (the benchmarks wait for it).
    std::function<void()> onPainted;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    enum class Drag { None, Pressed, Pan, Frame };
    void ChangeView(const std::function<bool(Display&)>& step);
    void ReadOut(QPointF at);
    // User units per pixel along each axis (negative where the axis runs against the window's).
    std::optional<QPointF> UnitsPerPixel() const;

    Display& display_;
    const FormPlot& plot_;
    PlotActions* actions_;
    bool zoomFrameMode_ = false;
    Drag drag_ = Drag::None;
    bool frameDrag_ = false;
    QPointF pressAt_, lastAt_;
    std::optional<NearestPoint> marked_;
};

}  // namespace talvex::gui
