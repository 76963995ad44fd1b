// The main window as a user runs it: menus from the command table, Simulate through the menu, the
// plot and result windows, clipboard, printing, the manual and the last-resort error handler.
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QTemporaryDir>
#include <QUrl>
#include <cmath>
#include <stdexcept>

#include "gui/qt_platform.h"
#include "gui/qt_text.h"
#include "gui/result_view.h"
#include "gui/talvex_application.h"
#include "gui_fixture.h"
#include "plot/form_plot.h"

namespace talvex::gui::testing {
namespace {

// Every item of the command table is in the menu bar, in its place and order, with its caption,
// initial enabled state, shortcut and status tip; the six menus are those a user knows.
TEST_F(GuiTest, MenuBarIsTheCommandTable) {
    EXPECT_EQ(window.windowTitle(), "Talvex");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "Electrochemical simulation");
    std::map<std::string, QList<QAction*>> shown;  // each menu's actions, in order
    for (const MenuItem& item : wb.menu.items()) {
        QAction* action = window.Action(item.name);
        ASSERT_NE(action, nullptr) << item.name;
        shown[item.parent].append(action);
        if (item.IsSeparator()) {
            EXPECT_TRUE(action->isSeparator()) << item.name;
            continue;
        }
        EXPECT_EQ(action->text(), Q(item.caption)) << item.name;
        // A command inside a disabled menu is disabled with it, shortcut and all.
        EXPECT_EQ(action->isEnabled(), item.IsSubmenu() ? item.enabled : wb.menu.IsAvailable(item.name)) << item.name;
        EXPECT_EQ(action->shortcut(), QKeySequence(Q(item.shortcut))) << item.name;
        if (item.handler) {
            EXPECT_EQ(action->statusTip(), Q(item.statusTip)) << item.name;
        }
    }
    for (const auto& [parent, actions] : shown) {
        const QList<QAction*> inPlace = parent.empty() ? window.menuBar()->actions() : window.Menu(parent)->actions();
        EXPECT_EQ(inPlace, actions) << parent;
    }
    QStringList bar;
    for (QAction* a : window.menuBar()->actions()) bar << a->text() + (a->isEnabled() ? "" : " (disabled)");
    EXPECT_EQ(bar, QStringList({"&File", "&Edit", "&Input", "&Run", "&Display (disabled)", "&Analyze (disabled)",
                                "&Window", "&Help"}));
    EXPECT_EQ(window.Action("mnuMinusX")->text(), "Reverse");
    EXPECT_EQ(window.plotWindow()->windowTitle(), "Plot");
    EXPECT_EQ(window.resultWindow()->windowTitle(), "Result");
}

// The device pixel where the plot's user coordinates (x, y) land, under the scale of the drawing,
// in a picture of the plot window's logical size taken at `ratio` device pixels per logical pixel.
QPointF Pixel(const PlotPrimitive& scale, double x, double y, QSize size, double ratio) {
    return {(x - scale.x1) / (scale.x2 - scale.x1) * size.width() * ratio,
            (y - scale.y1) / (scale.y2 - scale.y1) * size.height() * ratio};
}

// Run > Simulate by its shortcut: Display and Analyze become available and the plot window shows
// the default voltammogram as a line in its colour, where the recorded drawing puts it. On a screen
// of any device pixel ratio (QT_SCALE_FACTOR) the window is painted with all the screen's pixels,
// the frame's top edge sharp (whole device pixels of ink, no grey), and the recorded drawing is the
// one a workbench without any window records: user coordinates, nothing of the screen in it.
TEST_F(GuiTest, SimulateDrawsTheRecordedCurve) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F5);
    ASSERT_TRUE(messages.empty()) << messages.front();
    EXPECT_TRUE(window.Action("mnuDisplay")->isEnabled());
    EXPECT_TRUE(window.Action("mnuData")->isEnabled());
    EXPECT_TRUE(window.Action("mnuManualFit")->isEnabled());

    const double ratio = window.plot().devicePixelRatioF();
    const QSize size = window.plot().size();
    const QImage image = window.plot().grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), (QSizeF(size) * ratio).toSize());
    EXPECT_GT(DarkIn(image, image.rect()), 1000 * ratio * ratio);

    const PlotPrimitive* scale = nullptr;
    int frames = 0, segments = 0;
    for (const PlotPrimitive& p : wb.formPlot.drawing()) {
        if (p.kind == PlotPrimitive::Kind::Scale) scale = &p;
        if (!scale) continue;
        if (p.kind == PlotPrimitive::Kind::Box) {
            ++frames;
            // The frame's top edge, crossed downwards in the middle of the frame.
            const QPointF a = Pixel(*scale, p.x1, p.y2, size, ratio), b = Pixel(*scale, p.x2, p.y2, size, ratio);
            const int x = static_cast<int>((a.x() + b.x()) / 2), top = static_cast<int>(a.y());
            int ink = 0, grey = 0;
            for (int y = top - 5; y <= top + 5; ++y) {
                const int g = qGray(image.pixel(x, y));
                ink += g <= 40;
                grey += g > 40 && g < 215;
            }
            EXPECT_EQ(ink, std::max(1L, std::lround(ratio)));
            EXPECT_EQ(grey, 0);
        }
        if (p.kind != PlotPrimitive::Kind::Line || p.color == kBlack) continue;
        // The middle of each segment of the curve is in the curve's blue.
        ++segments;
        const QPointF mid = Pixel(*scale, (p.x1 + p.x2) / 2, (p.y1 + p.y2) / 2, size, ratio);
        EXPECT_TRUE(DarkNear(image, mid)) << segments;
        EXPECT_EQ(p.color, 0x0072b2u);
    }
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(segments, wb.model.NData - 1);

    QtPlatform headless;
    Workbench alone(headless);
    ASSERT_TRUE(alone.RunCommand("mnuSimulate"));
    EXPECT_EQ(wb.formPlot.canvas().Text(), alone.formPlot.canvas().Text());
}

// A run that fails is told in a message box; the plot window keeps the curve of the run before.
TEST_F(GuiTest, FailedSimulationKeepsThePlot) {
    Menu("mnuSimulate");
    ASSERT_TRUE(messages.empty());
    const QImage before = window.plot().Image();
    // A catalytic reaction far too fast for the digital grid's time step.
    Menu("mnuMechamism");
    TypeInto(wb.formMech.chem(1), "Fe2+");
    TypeInto(wb.formMech.chem(2), "Fe3+");
    Menu("mnuExperimental");
    TypeInto(wb.formExpr.kf(1), "1e85");
    Menu("mnuSimulate");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "CV Error: The chemical reaction is too fast for the digital simulation (kf + kb = 1E+85 /s; at this "
              "time step it resolves at most 2E+20 /s)! Please try again by other initial values.");
    QCoreApplication::processEvents();
    EXPECT_EQ(window.plot().Image(), before);
}

// The plot is redrawn at the window's new size: the same drawing, scaled. The plot's own picture
// is what the window shows, pixel for pixel, at the screen's device pixel ratio.
TEST_F(GuiTest, PlotFollowsTheWindowSize) {
    Menu("mnuSimulate");
    window.plotWindow()->resize(421, 301);
    QCoreApplication::processEvents();
    const double ratio = window.plot().devicePixelRatioF();
    const QImage small = window.plot().grab().toImage();
    EXPECT_EQ(small.size(), (QSizeF(window.plot().size()) * ratio).toSize());
    EXPECT_LT(window.plot().width(), 421);
    const QImage picture = window.plot().Image();
    EXPECT_EQ(picture.devicePixelRatio(), ratio);
    EXPECT_EQ(small.convertToFormat(QImage::Format_RGB32), picture);
}

// Copy to Clipboard puts the plot on the clipboard as the window shows it: every device pixel of
// the plot window at the screen's ratio, its resolution that ratio times the screen's logical dpi
// (so a document it is pasted into shows it at the window's size), also before anything has been
// drawn (the empty plot area).
TEST_F(GuiTest, CopyPutsThePlotOnTheClipboard) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const double ratio = window.plot().devicePixelRatioF();
    const QSize pixels = (QSizeF(window.plot().size()) * ratio).toSize();
    clipboard->clear();
    Menu("mnuCopyto");
    EXPECT_EQ(clipboard->image().size(), pixels);
    Menu("mnuSimulate");
    Menu("mnuCopyto");
    const QImage copied = clipboard->image();
    EXPECT_EQ(copied.size(), pixels);
    EXPECT_NEAR(copied.dotsPerMeterX() * 0.0254, window.plot().logicalDpiX() * ratio, 0.1);
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32), window.plot().Image());
    EXPECT_TRUE(messages.empty());
}

// Print sends the plot to the printer the print dialog chose (here a PDF file): drawn for the
// printer, as lines and text at its resolution, not a picture of the screen (a PDF holds no
// image); a cancelled dialog prints nothing and says nothing.
TEST_F(GuiTest, PrintPrintsThePlot) {
    QTemporaryDir folder;
    const QString pdf = folder.filePath("plot.pdf");
    bool accept = false;
    window.platform().printDialogHook = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return accept;
    };
    Menu("mnuPrint");
    EXPECT_FALSE(QFileInfo::exists(pdf));
    accept = true;
    Menu("mnuSimulate");
    Menu("mnuPrint");
    EXPECT_GT(QFileInfo(pdf).size(), 1000);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("/Subtype /Image"));
    EXPECT_TRUE(messages.empty());
}

// Manual opens talvex.html beside the program in the browser; without a browser the message names
// the page so that the user can open it.
TEST_F(GuiTest, ManualOpensThePageBesideTheProgram) {
    QUrl opened;
    bool browser = true;
    window.platform().urlOpener = [&](const QUrl& url) {
        opened = url;
        return browser;
    };
    const QString page = QCoreApplication::applicationDirPath() + "/talvex.html";
    ASSERT_TRUE(QFileInfo::exists(page)) << page.toStdString();
    Menu("mnuManual");
    EXPECT_EQ(opened, QUrl::fromLocalFile(page));
    EXPECT_TRUE(messages.empty());
    browser = false;
    Menu("mnuManual");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(S(page)), std::string::npos) << messages[0];
}

// The manual describes every menu command and every dialog by the names the window shows.
TEST_F(GuiTest, ManualNamesEveryCommandAndDialog) {
    QFile file(QCoreApplication::applicationDirPath() + "/talvex.html");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString manual = QString::fromUtf8(file.readAll());
    for (const MenuItem& item : wb.menu.items()) {
        // Unused recent-file entries are not shown; their list is named as "Recent Files".
        if (item.IsSeparator() || !item.visible) continue;
        QString caption = Q(item.caption).remove('&');
        caption.replace("...", "");
        EXPECT_TRUE(manual.contains(caption.toHtmlEscaped())) << item.caption;
    }
    for (const Form* form : wb.forms()) EXPECT_TRUE(manual.contains(Q(form->caption))) << form->caption;
    EXPECT_TRUE(manual.contains("talvex-batch"));
}

// File dialogs get the "desc|pattern" filters in Qt's form; Exit ends the program.
TEST_F(GuiTest, FileDialogsAndExit) {
    EXPECT_EQ(QtFileFilter("csv|*.csv|all|*.*"), "csv (*.csv);;all (*.*)");
    EXPECT_EQ(QtFileFilter("parameter (*.par)|*.par|all|*.*"), "parameter (*.par);;all (*.*)");
    EXPECT_EQ(QtFileFilter("data|*.csv;*.txt"), "data (*.csv *.txt)");
    Menu("mnuSimulate");
    QTemporaryDir folder;
    const std::string csv = S(folder.filePath("curve.csv"));
    fileAnswers.push_back(csv);
    Menu("mnuExport");
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0], "csv (*.csv);;all (*.*)");
    EXPECT_GT(QFileInfo(Q(csv)).size(), 100);
    Menu("mnuExit");
    EXPECT_TRUE(exited);
    exited = false;
    Menu("mnuOption");  // a dialog open does not keep the program alive
    window.close();
    EXPECT_TRUE(exited);
}

// The result window prints the print model's lines in a font whose characters are all equally
// wide, as measured (a zone of 14 narrow characters is as wide as one of 14 wide ones, and as the
// zone a printed line starts with), zones intact, and follows Clear.
TEST_F(GuiTest, ResultWindowShowsThePrintedLines) {
    Menu("mnuSimulate");
    Menu("mnuTime");
    Menu("mnuNextCurve");
    ResultView& result = window.result();
    EXPECT_TRUE(result.isReadOnly());
    const QFontMetricsF metrics(result.font());
    const double zone = metrics.horizontalAdvance(QString(14, QLatin1Char('0')));
    EXPECT_GT(zone, 14 * 3.0);
    for (const QString& text : {QString(14, QLatin1Char('i')), QString(14, QLatin1Char('W')),
                                QStringLiteral("E start =     "), QStringLiteral(" 1.5E-05     .")})
        EXPECT_NEAR(metrics.horizontalAdvance(text), zone, 0.01) << text.toStdString();
    const QStringList lines = result.toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("time = ")) << lines[0].toStdString();
    EXPECT_EQ(lines[2], "Curve Number is  1 ");
    wb.formResult.Print().Text("E start = ").Zone().Text("0.3").End();
    EXPECT_TRUE(result.toPlainText().endsWith("E start =     0.3"));
    Menu("mnuClear");
    EXPECT_TRUE(result.toPlainText().isEmpty());
}

// Nothing escapes the event loop: an error thrown while handling an event is reported once the
// event has been left, and the program carries on.
TEST_F(GuiTest, LastResortHandlerReportsAndGoesOn) {
    class Failing : public QObject {
      public:
        bool event(QEvent* e) override {
            if (e->type() == QEvent::User) throw std::runtime_error("the sky fell");
            return QObject::event(e);
        }
    } failing;
    auto& app = static_cast<TalvexApplication&>(*QCoreApplication::instance());
    std::vector<std::string> reported;
    app.reportError = [&](const std::string& text) { reported.push_back(text); };
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&failing, &event);
    QCoreApplication::processEvents();
    app.reportError = nullptr;
    EXPECT_EQ(reported, std::vector<std::string>{"Unexpected error: the sky fell"});
    Menu("mnuSimulate");
    EXPECT_TRUE(window.Action("mnuDisplay")->isEnabled());
}

// The wait cursor is up while a command runs and gone afterwards.
TEST_F(GuiTest, WaitCursorOnlyWhileACommandRuns) {
    bool waiting = false;
    window.platform().messageHook = [&](const std::string&) { waiting = window.platform().waitCursorShown(); };
    Menu("mnuExperimental");
    TypeInto(wb.formExpr.D(1), "0");
    Menu("mnuSimulate");  // its error message comes while the command runs
    EXPECT_TRUE(waiting);
    EXPECT_FALSE(window.platform().waitCursorShown());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace talvex::gui::testing
