#include "gui/plot_image.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

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

}  // namespace

void PaintPlot(const FormPlot& plot, QPainter& painter, const QRectF& target) {
    painter.save();
    painter.setClipRect(target);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    // With nothing drawn yet the window shows the empty plot area.
    painter.fillRect(target, Qt::white);
    QtCanvas canvas(painter, target);
    try {
        plot.Replay(canvas);
    } catch (const RunError&) {
        // The recorded primitives were checked when they were drawn; a failure here leaves what
        // was painted, as a failing drawing does.
    }
    painter.restore();
}

bool WritePlotPng(const FormPlot& plot, const std::string& path, int width, int height) {
    EnsureApplication();
    QImage image(width, height, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        PaintPlot(plot, painter, QRectF(image.rect()));
    }
    return image.save(Q(path), "PNG");
}

}  // namespace talvex::gui
