// The desktop application's responsiveness, offscreen: from choosing Run > Simulate to the plot
// window's finished repaint, and from starting the program to its first painted window.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include "app/workbench.h"
#include "dialogs/form_ins.h"
#include "gui/main_window.h"
#include "gui/plot_widget.h"
#include "gui/talvex_application.h"

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
    talvex::gui::TalvexApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
