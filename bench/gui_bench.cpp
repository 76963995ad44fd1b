// The desktop application's responsiveness, offscreen: from choosing Run > Simulate to the plot
// window's finished repaint, a zoom or pan step of five curves of 4000 points to the repainted plot
// (the budget of a smooth drag is one frame, 16 ms), and from starting the program to its first
// painted window.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "app/workbench.h"
#include "core/codes.h"
#include "dialogs/form_ins.h"
#include "gui/main_window.h"
#include "gui/plot_widget.h"
#include "gui/talvex_application.h"
#include "plot/display.h"
#include "plot/form_plot.h"
#include "plot/plot_renderer.h"
#include "plot/plot_view.h"

namespace talvex::gui {
namespace {

// The default digital cyclic voltammogram: the dialogs as they open, with the scan set to "cycle".
void BM_MenuSimulateToRepaint(benchmark::State& state) {
    MainWindow window;
    std::string message;
    window.platform().messageHook = [&message](const std::string& text) { message = text; };
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    window.workbench().Choose(window.workbench().formIns.ComboScan, "cycle");
    QAction* simulate = window.Action("mnuSimulate");
    for (auto _ : state) {
        simulate->trigger();
        window.plot().repaint();  // paints at once, as the window does at its next frame
    }
    if (!message.empty()) state.SkipWithError(message.c_str());
}
BENCHMARK(BM_MenuSimulateToRepaint)->Unit(benchmark::kMillisecond);

// The plot window's repaint alone (the drawing replayed through QPainter).
void BM_PlotRepaint(benchmark::State& state) {
    MainWindow window;
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    window.workbench().Choose(window.workbench().formIns.ComboScan, "cycle");
    window.Action("mnuSimulate")->trigger();
    for (auto _ : state) window.plot().repaint();
}
BENCHMARK(BM_PlotRepaint)->Unit(benchmark::kMillisecond);

// Five curves of 4000 points in the store: a measured one (drawn as 4000 markers) and four
// simulated ones (lines), the plot window at its usual size, drawn once.
void FiveLongCurves(MainWindow& window) {
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    Model& m = window.workbench().model;
    m.NData = kMaxPoints;
    m.IFirst = 1;
    m.ILast = kMaxPoints;
    for (int k = 1; k <= kMaxPoints; ++k) {
        const double x = 0.5 - 1.0 * (k - 1) / (kMaxPoints - 1);
        m.Xdata(k) = x;
        for (int j = 1; j <= 5; ++j)
            m.Yplot(k, j) = 1e-5 * j / (1 + std::exp(38.9 * (x - 0.05 * j))) + 1e-7 * std::sin(k);
    }
    m.NCurves = 5;
    m.NCurvesSaved = 5;
    m.CurCurve = 1;
    m.CurveKind(1) = curve::Measured;
    window.workbench().ChangeView([](Display& d) {
        RenderPlot(d);
        return true;
    });
    window.plot().repaint();
}

// One notch of the wheel in, then out (the range stays the same over the run), each step redrawn
// and repainted.
void BM_ZoomStepRepaint(benchmark::State& state) {
    MainWindow window;
    FiveLongCurves(window);
    const double x = 0.1, y = 2e-5;
    bool in = true;
    for (auto _ : state) {
        const double factor = in ? 0.8 : 1.25;
        window.ChangeView([&](Display& d) { return ZoomAbout(d, x, y, factor, factor); });
        window.plot().repaint();
        in = !in;
    }
}
BENCHMARK(BM_ZoomStepRepaint)->Unit(benchmark::kMillisecond);

// A drag step of the zoomed plot (a twentieth of the range), back and forth.
void BM_PanStepRepaint(benchmark::State& state) {
    MainWindow window;
    FiveLongCurves(window);
    window.ChangeView([](Display& d) { return ZoomAbout(d, 0.1, 2e-5, 0.5, 0.5); });
    const PlotView& v = window.workbench().formPlot.view;
    const double dx = (v.frameXmax - v.frameXmin) / 20;
    bool right = true;
    for (auto _ : state) {
        const double step = right ? dx : -dx;
        window.ChangeView([step](Display& d) { return Pan(d, step, 0); });
        window.plot().repaint();
        right = !right;
    }
}
BENCHMARK(BM_PanStepRepaint)->Unit(benchmark::kMillisecond);

// A whole program run: process start, main window built and shown, first paint, quit.
void BM_StartupToFirstPaint(benchmark::State& state) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TALVEX_QUIT_AFTER_FIRST_PAINT"), QStringLiteral("1"));
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM"))) env.insert(QStringLiteral("QT_QPA_PLATFORM"), "offscreen");
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TALVEX_EXECUTABLE), {});
        if (!process.waitForFinished(30000) || process.exitCode() != 0) {
            state.SkipWithError("talvex did not start and quit");
            break;
        }
    }
}
BENCHMARK(BM_StartupToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace
}  // namespace talvex::gui

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The windows measured here (and the programs started) remember nothing in the user's settings
    // and leave no recovery copies there.
    QTemporaryDir home;
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(variable, home.path().toLocal8Bit());
    talvex::gui::TalvexApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
