#include "gui/plot_image.h"

#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

#include "core/run_error.h"
#include "gui/qt_canvas.h"
#include "gui/qt_text.h"
#include "plot/form_plot.h"

namespace talvex::gui {
namespace {

// Text needs the font database of an application object; a headless program gets one that never
// shows a window and lives until the program ends.
void EnsureApplication() {
    if (QCoreApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "talvex-batch";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
}

constexpr double kMetresPerInch = 0.0254;

}  // namespace

void PaintPlot(const FormPlot& plot, QPainter& painter, const QRectF& target) {
    painter.save();
    // At a fractional ratio the target may end inside a device pixel (651 logical pixels are
    // 976.5 at 1.5); the paper covers every device pixel the target touches, so that no pixel is
    // left half painted over whatever was there.
    QRectF paper = target;
    bool invertible = false;
    const QTransform toDevice = painter.deviceTransform();
    const QTransform fromDevice = toDevice.inverted(&invertible);
    if (invertible && toDevice.type() <= QTransform::TxScale) {
        const QRectF device = toDevice.mapRect(target);
        const QPointF topLeft(std::floor(device.left()), std::floor(device.top()));
        const QPointF bottomRight(std::ceil(device.right()), std::ceil(device.bottom()));
        paper = fromDevice.mapRect(QRectF(topLeft, bottomRight));
    }
    painter.setClipRect(paper);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    // With nothing drawn yet the window shows the empty plot area.
    painter.fillRect(paper, Qt::white);
    QtCanvas canvas(painter, target);
    try {
        plot.Replay(canvas);
    } catch (const RunError&) {
        // The recorded primitives were checked when they were drawn; a failure here leaves what
        // was painted, as a failing drawing does.
    }
    painter.restore();
}

QImage PlotPicture(const FormPlot& plot, const QSize& size, double ratio, double logicalDpi) {
    EnsureApplication();
    if (!(ratio > 0) || !std::isfinite(ratio)) ratio = 1.0;
    // Rounded as Qt rounds a widget's size on a screen of this ratio, so the picture of the window
    // has exactly the window's device pixels.
    QImage image((QSizeF(size) * ratio).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    const int dotsPerMetre = static_cast<int>(std::lround(logicalDpi * ratio / kMetresPerInch));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    if (image.isNull()) return image;  // an empty size has nothing to paint
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintPlot(plot, painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

bool WritePlotPdf(const FormPlot& plot, const std::string& path, int width, int height) {
    EnsureApplication();
    if (width < 1 || height < 1) return false;
    // Four device units per pixel: the canvas draws its one-pixel pens as a quarter of a point.
    constexpr int kUnitsPerPixel = 4;
    {
        // The writer creates the file; see that it can before it reports nothing.
        QFile probe(Q(path));
        if (!probe.open(QIODevice::WriteOnly)) return false;
    }
    QPdfWriter writer(Q(path));
    writer.setResolution(96 * kUnitsPerPixel);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(
        QPageSize(QSizeF(width * 0.75, height * 0.75), QPageSize::Point, QString(), QPageSize::ExactMatch));
    writer.setTitle(QStringLiteral("Talvex plot"));
    writer.setCreator(QStringLiteral("Talvex"));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    PaintPlot(plot, painter, QRectF(0, 0, width * kUnitsPerPixel, height * kUnitsPerPixel));
    return painter.end();
}

bool WritePlotPng(const FormPlot& plot, const std::string& path, int width, int height, double ratio) {
    return PlotPicture(plot, QSize(width, height), ratio).save(Q(path), "PNG");
}

}  // namespace talvex::gui
