// The desktop application's responsiveness, offscreen: from choosing Run > Simulate to the plot
// window's finished repaint, a zoom or pan step of five curves of 4000 points to the repainted plot
// (the budget of a smooth drag is one frame, 16 ms), the wait of an event while a fit runs, and
// from starting the program to its first painted window.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "app/workbench.h"
#include "core/codes.h"
#include "dialogs/form_expr.h"
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

// How long the window takes to handle an event while Auto Fit runs: another thread posts an event
// every 5 ms, stamped with its time, from before the fit is chosen to after it ended; the counters
// are the largest and the 99th-percentile wait (target: under 50 ms) and the events handled. The
// fit: E0, D and ks of a two-dimensional microdisc cyclic voltammogram (radius 10 um, 602 points),
// from E0 20 mV, D 50 % and ks two decades away, about eighty simulations. Argument 0 runs the fit
// inside the command, as the window did before fits ran on a thread of their own.
void BM_EventsHandledWhileFitting(benchmark::State& state) {
    MainWindow window;
    Workbench& wb = window.workbench();
    wb.workInBackground = state.range(0) != 0;
    std::string message;
    window.platform().messageHook = [&message](const std::string& text) { message = text; };
    QTemporaryDir folder;
    const std::string csv = (folder.path() + "/measured.csv").toStdString();
    window.platform().fileDialogHook = [&csv](bool, const QString&) { return std::optional<std::string>(csv); };
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    wb.Choose(wb.formIns.ComboScan, "cycle");
    wb.Type(wb.formIns.Estep, "0.002");
    wb.Click(wb.formIns.optElectrode(electrode::Microdisc));
    wb.Type(wb.formIns.radius, "1e-3");
    wb.Type(wb.formExpr.ks(1), "0.01");
    window.Action("mnuSimulate")->trigger();
    while (wb.Busy()) QTest::qWait(5);  // a long run goes on beside the window
    window.Action("mnuExport")->trigger();
    window.Action("mnuImport")->trigger();
    wb.Type(wb.formExpr.Eze(1), "0.12");
    wb.Type(wb.formExpr.D(1), "1.5e-5");
    wb.Type(wb.formExpr.ks(1), "1");
    auto tick = [&wb](int index, const char* lower, const char* upper) {
        wb.Click(wb.formExpr.CheckFitted(index));
        wb.Type(wb.formExpr.TextCmin(index), lower);
        wb.Type(wb.formExpr.TextCmax(index), upper);
    };
    tick(fit::E0 + 1, "-0.2", "0.2");
    tick(fit::D + 1, "1e-6", "1e-4");
    tick(fit::ks + 1, "1e-4", "10");
    if (!message.empty()) {
        state.SkipWithError(message.c_str());
        return;
    }

    using Clock = std::chrono::steady_clock;
    std::vector<double> waits;  // ms, handled on the window's thread only
    for (auto _ : state) {
        std::atomic<bool> posting{true};
        std::thread poster([&] {
            while (posting.load()) {
                const Clock::time_point stamp = Clock::now();
                QMetaObject::invokeMethod(
                    &window,
                    [stamp, &waits] {
                        waits.push_back(std::chrono::duration<double, std::milli>(Clock::now() - stamp).count());
                    },
                    Qt::QueuedConnection);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        QEventLoop loop;
        bool chosen = false;
        QTimer::singleShot(20, &window, [&] {
            window.Action("mnuAutoFit")->trigger();
            chosen = true;
        });
        QTimer ended;
        QObject::connect(&ended, &QTimer::timeout, &loop, [&] {
            if (chosen && !wb.Busy()) loop.quit();
        });
        ended.start(5);
        loop.exec();
        posting = false;
        poster.join();
        QCoreApplication::processEvents();
    }
    if (!message.empty()) state.SkipWithError(message.c_str());
    if (!wb.lastFit) state.SkipWithError("the fit did not run");
    std::sort(waits.begin(), waits.end());
    if (!waits.empty()) {
        state.counters["max_ms"] = waits.back();
        state.counters["p99_ms"] = waits[static_cast<std::size_t>(0.99 * static_cast<double>(waits.size() - 1))];
        state.counters["events"] = static_cast<double>(waits.size());
        state.counters["simulations"] = wb.lastFit ? wb.lastFit->simulations : 0;
    }
}
BENCHMARK(BM_EventsHandledWhileFitting)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

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
