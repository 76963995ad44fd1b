// talvex_screenshots FOLDER: pictures of the desktop application for the documentation, taken
// offscreen: the main window after a default simulation with the Chemicals dialog open, each
// dialog as it first opens (the Mechanism dialog in both its faces), the plot window with a
// measured curve, its fit and another simulation overlaid, and the main window with that plot
// zoomed, a point marked and its reading in the status line, and a scan-rate series with its global
// fit. They are taken as on a high-resolution screen at scale factor 2 (QT_SCALE_FACTOR, unless the
// environment sets another), and say 192 dpi, so that they show at the windows' own size with twice
// the detail.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <iostream>
#include <optional>
#include <tuple>
#include <utility>

#include "app/workbench.h"
#include "core/codes.h"
#include "dialogs/parameter_dialogs.h"
#include "gui/dialog_view.h"
#include "gui/main_window.h"
#include "gui/talvex_application.h"
#include "plot/display.h"
#include "plot/plot_view.h"

namespace {

using talvex::gui::DialogView;
using talvex::gui::MainWindow;

// The offscreen platform says what it cannot do (raise, setParent...) at every window; only the
// rest is worth reading.
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QStringLiteral("This plugin does not support"))) return;
    qt_message_output(type, context, message);
}

// A picture's size in logical pixels, the units windows are laid out in.
QSizeF Logical(const QImage& image) {
    return QSizeF(image.size()) / image.devicePixelRatio();
}

// An empty picture of `logical` size at `ratio` device pixels per logical pixel.
QImage Blank(QSizeF logical, double ratio, const QColor& ground) {
    QImage image((logical * ratio).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(ground);
    return image;
}

bool Save(QImage image, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    const int dotsPerMetre = static_cast<int>(std::lround(96 * image.devicePixelRatio() / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    if (!image.save(path)) {
        std::cerr << "cannot write " << path.toStdString() << "\n";
        return false;
    }
    std::cout << path.toStdString() << "\n";
    return true;
}

// A dialog's contents under a plain title bar, as a window manager would frame it; laid out in
// logical pixels and drawn with every device pixel of the grab.
QImage Framed(QWidget& window) {
    const QImage inner = window.grab().toImage();
    const double bar = 26;
    const QSizeF size = Logical(inner);
    QImage framed =
        Blank(QSizeF(size.width() + 2, size.height() + bar + 1), inner.devicePixelRatio(), QColor(0x3b, 0x4a, 0x5e));
    QPainter painter(&framed);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.drawImage(QPointF(1, bar), inner);
    painter.setPen(Qt::white);
    QFont font = window.font();
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(10, 0, size.width() - 18, bar), Qt::AlignVCenter | Qt::AlignLeft, window.windowTitle());
    return framed;
}

// A window of its own for one scene, shown as the user would see it, its messages on stderr.
void Open(MainWindow& window) {
    window.platform().messageHook = [](const std::string& text) { std::cerr << "message: " << text << "\n"; };
    window.restoreHook = [](const QString&) { return false; };
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
}

// Import Data of `path`, as if chosen in the file dialog.
void Import(MainWindow& window, const std::string& path) {
    window.platform().fileDialogHook = [path](bool, const QString&) -> std::optional<std::string> { return path; };
    window.Action("mnuImport")->trigger();
    window.platform().fileDialogHook = nullptr;
}

// Ticks E0, ks and alpha (boxes 13, 7, 10) with their bounds, after typing their starts.
void FreeE0KsAlpha(talvex::Workbench& wb, const char* e0, const char* ks, const char* alpha,
                   const std::tuple<int, const char*, const char*> (&bounds)[3]) {
    wb.Type(wb.formExpr.Eze(1), e0);
    wb.Type(wb.formExpr.ks(1), ks);
    wb.Type(wb.formExpr.alph(1), alpha);
    for (const auto& [index, lo, hi] : bounds) {
        wb.Click(wb.formExpr.CheckFitted(index));
        wb.Type(wb.formExpr.TextCmin(index), lo);
        wb.Type(wb.formExpr.TextCmax(index), hi);
    }
}
}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(QuietOffscreen);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) qputenv("QT_SCALE_FACTOR", "2");
    // The pictures show the program as it first starts: nothing remembered from the user's own
    // runs (window places, recent files), nothing left in the user's settings by this one.
    QTemporaryDir home;
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(variable, home.path().toLocal8Bit());
    talvex::gui::TalvexApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: talvex_screenshots FOLDER\n";
        return 2;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) return 1;

    MainWindow window;
    window.platform().messageHook = [](const std::string& text) { std::cerr << "message: " << text << "\n"; };
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    talvex::Workbench& wb = window.workbench();
    bool ok = true;

    // Each dialog as it first opens.
    struct Shot {
        const char* command;
        talvex::Form* form;
        const char* file;
    };
    const Shot shots[] = {{"mnuTech", &wb.formTech, "techniques.png"},
                          {"mnuMechamism", &wb.formMech, "mechanism.png"},
                          {"mnuInstrument", &wb.formIns, "instrument.png"},
                          {"mnuExperimental", &wb.formExpr, "chemicals.png"}};
    for (const Shot& shot : shots) {
        window.Action(shot.command)->trigger();
        DialogView* view = window.View(*shot.form);
        QTest::qWait(50);
        ok = Save(Framed(*view), folder, shot.file) && ok;
        wb.Close(*shot.form);
    }
    // The analytical face of the Mechanism dialog, then back to the digital one.
    window.Action("mnuMechamism")->trigger();
    QTest::mouseClick(window.View(wb.formMech)->binder().WidgetOf(wb.formMech.CheckDigital), Qt::LeftButton,
                      Qt::KeyboardModifiers(), QPoint(8, 8));
    QTest::qWait(50);
    ok = Save(Framed(*window.View(wb.formMech)), folder, "mechanism_analytical.png") && ok;
    QTest::mouseClick(window.View(wb.formMech)->binder().WidgetOf(wb.formMech.CheckDigital), Qt::LeftButton,
                      Qt::KeyboardModifiers(), QPoint(8, 8));
    wb.Close(wb.formMech);

    // The default cyclic voltammogram: one cycle, simulated from the menu, then its run time.
    window.Action("mnuInstrument")->trigger();
    wb.Choose(wb.formIns.ComboScan, "cycle");
    wb.Close(wb.formIns);
    window.Action("mnuSimulate")->trigger();
    window.Action("mnuTime")->trigger();
    window.Action("mnuOption")->trigger();
    QTest::qWait(50);
    ok = Save(Framed(*window.View(wb.formOption)), folder, "option.png") && ok;
    wb.Close(wb.formOption);

    window.Action("mnuExperimental")->trigger();
    QTest::qWait(100);
    const QImage main = Framed(window);
    ok = Save(main, folder, "main_window.png") && ok;

    // The main window with the Chemicals dialog over its lower right part.
    DialogView& chemicals = *window.View(wb.formExpr);
    const QImage dialog = Framed(chemicals);
    const double overlap = 16;
    const QSizeF mainSize = Logical(main), dialogSize = Logical(dialog);
    const QSizeF size(std::max(mainSize.width(), dialogSize.width() + 60),
                      mainSize.height() + dialogSize.height() - overlap);
    QImage composite = Blank(size, main.devicePixelRatio(), QColor(0xdd, 0xdd, 0xdd));
    QPainter painter(&composite);
    painter.drawImage(QPointF(0, 0), main);
    painter.drawImage(QPointF(size.width() - dialogSize.width() - 20, mainSize.height() - overlap), dialog);
    painter.end();
    ok = Save(composite, folder, "talvex.png") && ok;
    wb.Close(wb.formExpr);

    // A catalytic EC' reaction typed into the reaction editor: the Chemicals dialog with a chemical
    // row; then back to the default mechanism.
    wb.Type(wb.formMech.chem(1), "Fe2+");
    wb.Type(wb.formMech.chem(2), "Fe3+");
    window.Action("mnuExperimental")->trigger();
    wb.Click(wb.formExpr.CheckFitted(talvex::fit::kf + 1));
    QTest::qWait(50);
    ok = Save(Framed(*window.View(wb.formExpr)), folder, "chemicals_catalytic.png") && ok;
    wb.Click(wb.formExpr.CheckFitted(talvex::fit::kf + 1));
    wb.Close(wb.formExpr);
    wb.Type(wb.formMech.chem(1), "");
    wb.Type(wb.formMech.chem(2), "");
    wb.formMech.SetupMechanism();

    // Square wave with preconcentration: the Instrument dialog with its other fields.
    window.Action("mnuTech")->trigger();
    wb.Click(wb.formTech.optTech(talvex::technique::SquareWave));
    wb.Click(wb.formTech.cmdOK);
    window.Action("mnuInstrument")->trigger();
    wb.Click(wb.formIns.optElectrode(talvex::electrode::RotatingDisk));
    wb.Click(wb.formIns.CheckPreCon);
    QTest::qWait(50);
    ok = Save(Framed(*window.View(wb.formIns)), folder, "instrument_square_wave.png") && ok;
    wb.Click(wb.formIns.CheckPreCon);
    wb.Click(wb.formIns.optElectrode(talvex::electrode::Planar));
    wb.Close(wb.formIns);
    window.Action("mnuTech")->trigger();
    wb.Click(wb.formTech.optTech(talvex::technique::Sweep));
    wb.Click(wb.formTech.cmdOK);

    // The fitting example in a window of its own (the dialogs as they first open): its measured
    // cyclic voltammogram imported, E0, ks and alpha fitted (as examples/fit_measured_curve.tvx
    // does), then with Overlap a simulation at E0 = 0.1 V beside them: measured squares, the fit
    // and the simulation as lines, each named in the legend.
    MainWindow fitting;
    Open(fitting);
    talvex::Workbench& fw = fitting.workbench();
    Import(fitting, TALVEX_SOURCE_DIR "/examples/fit_measured_curve.csv");
    FreeE0KsAlpha(fw, "0.07", "6e-3", "0.5", {{7, "1e-4", "1"}, {10, "0.3", "0.7"}, {13, "-0.2", "0.3"}});
    fitting.Action("mnuAutoFit")->trigger();
    while (fw.Busy()) QTest::qWait(10);  // the fit goes on beside the window
    fw.Click(fw.formOption.overlap);
    fitting.Action("mnuUseFitted")->trigger();
    fw.Type(fw.formExpr.Eze(1), "0.1");
    fitting.Action("mnuSimulate")->trigger();
    QTest::qWait(50);
    ok = Save(fitting.plotWindow()->grab().toImage(), folder, "plot_overlay.png") && ok;

    // Zoomed into the peaks, the pointer on the fitted curve: the ring marks the nearest point and
    // the status line reads it.
    fw.ChangeView([](talvex::Display& d) { return talvex::ZoomTo(d, 0.15, 2e-5, -0.1, 8.5e-5); });
    fitting.plot().update();
    const talvex::Model& m = fw.model;
    int point = 1;
    for (int k = 1; k <= m.NData; ++k)
        if (std::abs(m.Xdata(k) - 0.01) < std::abs(m.Xdata(point) - 0.01)) point = k;
    if (const auto at = fitting.plot().ToPixel(m.Xdata(point), m.Yplot(point, 2))) {
        QMouseEvent move(QEvent::MouseMove, *at + QPointF(3, -2), fitting.plot().mapToGlobal(*at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&fitting.plot(), &move);
    }
    QTest::qWait(50);
    ok = Save(Framed(fitting), folder, "plot_zoomed.png") && ok;

    // The scan-rate series of examples/global_fit.tvx fitted at once: every measured curve with its
    // fit, each pair in a colour of its own.
    MainWindow series;
    Open(series);
    talvex::Workbench& sw = series.workbench();
    sw.Click(sw.formOption.overlap);
    sw.Choose(sw.formIns.ComboScan, "cycle");
    sw.Click(sw.formExpr.CheckPreEqu);
    for (const auto& [rate, file] : {std::pair{"0.01", "10"}, {"0.1", "100"}, {"1", "1000"}, {"10", "10000"}}) {
        sw.Type(sw.formIns.V, rate);
        Import(series, std::string(TALVEX_SOURCE_DIR "/examples/global_fit_") + file + ".csv");
    }
    FreeE0KsAlpha(sw, "0.14", "0.15", "0.6", {{7, "1e-6", "10"}, {10, "0.2", "0.8"}, {13, "-0.2", "0.4"}});
    series.Action("mnuGlobalFit")->trigger();
    while (sw.Busy()) QTest::qWait(10);
    QTest::qWait(50);
    ok = Save(series.plotWindow()->grab().toImage(), folder, "plot_global_fit.png") && ok;

    return ok ? 0 : 1;
}
