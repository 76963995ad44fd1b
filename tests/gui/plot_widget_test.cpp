// The plot window explored with the mouse and keyboard: wheel zoom about the pointer, panning by
// dragging, zooming into a dragged frame, resetting (double-click, Home, the tool bar), the read-out
// of the pointer's E and I and the nearest point, the right button's menu; Export Plot and Export
// Data as the user sees them.
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>
#include <cmath>

#include "core/text_number.h"
#include "gui/qt_text.h"
#include "gui_fixture.h"
#include "plot/display.h"
#include "plot/form_plot.h"
#include "plot/plot_curves.h"
#include "plot/plot_labels.h"
#include "plot/plot_renderer.h"

namespace talvex::gui::testing {
namespace {

class PlotWidgetTest : public GuiTest {
  protected:
    PlotWidgetTest() {
        Menu("mnuSimulate");
        EXPECT_TRUE(messages.empty());
        window.plotWindow()->resize(640, 480);
        QCoreApplication::processEvents();
    }
    PlotWidget& plot() { return window.plot(); }
    const PlotView& view() { return wb.formPlot.view; }
    // The last scale of the drawing, as the window maps it: user coordinates of a pixel.
    QPointF User(QPointF pixel) {
        const PlotPrimitive* s = nullptr;
        for (const PlotPrimitive& p : wb.formPlot.drawing())
            if (p.kind == PlotPrimitive::Kind::Scale) s = &p;
        EXPECT_NE(s, nullptr);
        return {s->x1 + pixel.x() / plot().width() * (s->x2 - s->x1),
                s->y1 + pixel.y() / plot().height() * (s->y2 - s->y1)};
    }
    QPointF Pixel(double x, double y) {
        const PlotPrimitive* s = nullptr;
        for (const PlotPrimitive& p : wb.formPlot.drawing())
            if (p.kind == PlotPrimitive::Kind::Scale) s = &p;
        return {(x - s->x1) / (s->x2 - s->x1) * plot().width(), (y - s->y1) / (s->y2 - s->y1) * plot().height()};
    }
    void Send(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent event(type, at, plot().mapToGlobal(at), button, buttons, modifiers);
        QApplication::sendEvent(&plot(), &event);
    }
    void Wheel(QPointF at, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWheelEvent event(at, plot().mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&plot(), &event);
    }
    void Drag(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, modifiers);
        for (int i = 1; i <= 4; ++i)
            Send(QEvent::MouseMove, from + (to - from) * i / 4.0, Qt::NoButton, Qt::LeftButton, modifiers);
        Send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, modifiers);
    }
    double Width() { return view().frameXmax - view().frameXmin; }
    double Height() { return view().frameYmax - view().frameYmin; }
    QString Status() { return window.statusBar()->currentMessage(); }
};

// One notch of the wheel shows 80 % of the range about the pointer, which stays over the same
// potential and current; Shift zooms the potential axis alone, Ctrl the Y axis alone; backwards
// zooms out.
TEST_F(PlotWidgetTest, WheelZoomsAboutThePointer) {
    const double w = Width(), h = Height();
    const QPointF at(250, 200);
    const QPointF before = User(at);
    Wheel(at, 120);
    EXPECT_TRUE(view().zoomed);
    EXPECT_NEAR(Width(), 0.8 * w, 1e-12 * w);
    EXPECT_NEAR(Height(), 0.8 * h, 1e-9 * h);
    const QPointF after = User(at);
    EXPECT_NEAR(after.x(), before.x(), 1e-9);
    EXPECT_NEAR(after.y(), before.y(), 1e-9 * h);
    Wheel(at, 120, Qt::ShiftModifier);
    EXPECT_NEAR(Width(), 0.64 * w, 1e-12 * w);
    EXPECT_NEAR(Height(), 0.8 * h, 1e-9 * h);
    Wheel(at, -240, Qt::ControlModifier);
    EXPECT_NEAR(Height(), 0.8 * h / 0.64, 1e-9 * h);
    EXPECT_NEAR(User(at).x(), before.x(), 1e-9);
}

// Dragging moves the plot with the pointer: the potential and current that were under the pointer
// when the button went down are under it where it comes up. With Shift (or the tool bar's Zoom
// Frame) the drag draws a frame, and the plot then shows just that frame.
TEST_F(PlotWidgetTest, DragPansAndAFrameZooms) {
    const QPointF from(300, 220), to(360, 180);
    const QPointF grabbed = User(from);
    const double w = Width();
    Drag(from, to);
    EXPECT_TRUE(view().zoomed);
    EXPECT_NEAR(Width(), w, 1e-12);
    const QPointF now = User(to);
    EXPECT_NEAR(now.x(), grabbed.x(), 1e-9);
    EXPECT_NEAR(now.y(), grabbed.y(), 1e-9 * Height());

    const QPointF a(200, 150), b(420, 300);
    const QPointF ua = User(a), ub = User(b);
    Drag(a, b, Qt::ShiftModifier);
    EXPECT_NEAR(view().frameXmin, std::min(ua.x(), ub.x()), 1e-12);
    EXPECT_NEAR(view().frameXmax, std::max(ua.x(), ub.x()), 1e-12);
    EXPECT_NEAR(view().frameYmin, std::min(ua.y(), ub.y()), 1e-18);
    EXPECT_NEAR(view().frameYmax, std::max(ua.y(), ub.y()), 1e-18);

    window.zoomFrameAction()->trigger();  // the tool bar's Zoom Frame: no Shift needed
    const QPointF c(250, 200), d(350, 260);
    const QPointF uc = User(c), ud = User(d);
    Drag(c, d);
    EXPECT_NEAR(view().frameXmin, std::min(uc.x(), ud.x()), 1e-12);
    EXPECT_NEAR(view().frameYmax, std::max(uc.y(), ud.y()), 1e-18);
    window.zoomFrameAction()->trigger();
    // A click is no drag: nothing moves.
    const double xmin = view().frameXmin;
    Drag(QPointF(300, 200), QPointF(301, 201));
    EXPECT_EQ(view().frameXmin, xmin);
}

// The whole plot comes back by a double-click, by Home (also while a dialog has the focus) and by
// the tool bar's Reset View.
TEST_F(PlotWidgetTest, ResetByDoubleClickHomeAndToolBar) {
    const double w = Width();
    Wheel(QPointF(300, 200), 240);
    ASSERT_TRUE(view().zoomed);
    Send(QEvent::MouseButtonDblClick, QPointF(300, 200), Qt::LeftButton, Qt::LeftButton);
    EXPECT_FALSE(view().zoomed);
    EXPECT_NEAR(Width(), w, 1e-12);

    Wheel(QPointF(300, 200), 240);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Home);
    EXPECT_FALSE(view().zoomed);

    Wheel(QPointF(300, 200), 240);
    QAction* reset = window.Action("mnuResetView");
    ASSERT_TRUE(window.toolBar()->actions().contains(reset));
    QWidget* button = window.toolBar()->widgetForAction(reset);
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(view().zoomed);
    EXPECT_NEAR(Width(), w, 1e-12);
}

// Over the plot the status bar reads the pointer's potential and current, computed from the pixel
// under the drawing's scale; on a curve's point it also names the nearest point of the nearest curve,
// which is marked. Leaving the window clears both.
TEST_F(PlotWidgetTest, ReadOutAtAKnownPixel) {
    const QPointF at(123, 234);
    const QPointF u = User(at);
    Send(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    const QString expected =
        "E = " + Q(FormatNumber(u.x(), "0.0000")) + " V   I = " + Q(FormatNumber(u.y(), "0.000E+00")) + " A";
    EXPECT_TRUE(Status().startsWith(expected)) << Status().toStdString() << " / " << expected.toStdString();

    // Point 40 of the curve, exactly under the pointer.
    const Model& m = wb.model;
    const QPointF onPoint = Pixel(m.Xdata(40), m.Yplot(40, 1));
    Send(QEvent::MouseMove, onPoint, Qt::NoButton, Qt::NoButton);
    ASSERT_TRUE(plot().marked().has_value());
    EXPECT_EQ(plot().marked()->column, 1);
    EXPECT_EQ(plot().marked()->point, 40);
    EXPECT_TRUE(
        Status().contains("nearest: LSV: Fe3+ +1e=Fe2+, point 40: E = " + Q(FormatNumber(m.Xdata(40), "0.0000")) +
                          " V, I = " + Q(FormatNumber(m.Yplot(40, 1), "0.000E+00")) + " A"))
        << Status().toStdString();

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&plot(), &leave);
    EXPECT_FALSE(plot().marked().has_value());
    EXPECT_TRUE(Status().isEmpty());
}

// The right button's menu: Copy puts the plot on the clipboard, Reset View is there once zoomed,
// each curve can be hidden and shown again (it leaves the drawing and the legend), Export Picture
// runs Export Plot.
TEST_F(PlotWidgetTest, ContextMenu) {
    wb.Click(wb.formOption.overlap);
    Menu("mnuSimulate");
    std::unique_ptr<QMenu> menu(plot().BuildContextMenu());
    QStringList texts;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) texts << a->text();
    EXPECT_EQ(texts, QStringList({"&Copy", "&Export Picture...", "&Reset View", "Curve 1: LSV: Fe3+ +1e=Fe2+",
                                  "Curve 2: LSV: Fe3+ +1e=Fe2+"}));
    auto find = [&](const char* name) { return menu->findChild<QAction*>(name); };
    EXPECT_FALSE(find("plotReset")->isEnabled());

    QGuiApplication::clipboard()->clear();
    find("plotCopy")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), plot().Image().size());

    find("plotCurve1")->trigger();  // unchecks: curve 1 hidden
    EXPECT_FALSE(view().Shown(1));
    int legendEntries = 0;
    for (const PlotPrimitive& p : wb.formPlot.drawing()) {
        EXPECT_NE(p.color, CurveColor(1));
        if (p.kind == PlotPrimitive::Kind::Legend) legendEntries = static_cast<int>(p.entries.size());
    }
    EXPECT_EQ(legendEntries, 1);
    menu.reset(plot().BuildContextMenu());
    EXPECT_FALSE(find("plotCurve1")->isChecked());
    find("plotCurve1")->trigger();
    EXPECT_TRUE(view().Shown(1));

    Wheel(QPointF(300, 200), 120);
    menu.reset(plot().BuildContextMenu());
    ASSERT_TRUE(find("plotReset")->isEnabled());
    find("plotReset")->trigger();
    EXPECT_FALSE(view().zoomed);

    QTemporaryDir folder;
    const std::string path = S(folder.filePath("from_menu.svg"));
    fileAnswers.push_back(path);
    find("plotExport")->trigger();
    EXPECT_TRUE(QFileInfo::exists(Q(path)));

    // A global fit's series on the plot: the menu lists its curves, and hides them the same way.
    const std::vector<double> x{0.3, 0.0, -0.3}, y{1e-6, 2e-6, 1e-6};
    SetOverlay(wb.display, {{"a.csv", x, y, 1, true}, {"fit of a.csv", x, y, 1, false}, {"b.csv", x, y, 2, true}});
    RenderPlot(wb.display);
    menu.reset(plot().BuildContextMenu());
    texts.clear();
    for (QAction* a : menu->actions())
        if (a->text().startsWith("Curve")) texts << a->text();
    EXPECT_EQ(texts, QStringList({"Curve 1: a.csv", "Curve 2: fit of a.csv", "Curve 3: b.csv"}));
    find("plotCurve2")->trigger();
    EXPECT_TRUE(wb.display.overlay.curves[1].hidden);
    EXPECT_TRUE(view().Shown(2));
}

// File > Export Plot... writes the drawing as PNG, SVG or PDF at the size chosen, each as large as
// asked, and says so in the status bar; a cancelled size writes nothing; Copy keeps working.
TEST_F(PlotWidgetTest, ExportPlotInThreeFormats) {
    QTemporaryDir folder;
    std::optional<std::pair<int, int>> size = std::pair{640, 400};
    window.platform().pictureSizeHook = [&](int w, int h) {
        EXPECT_EQ(w, 800);
        EXPECT_EQ(h, 600);
        return size;
    };
    const QString png = folder.filePath("plot.png"), svg = folder.filePath("plot.svg"),
                  pdf = folder.filePath("plot.pdf"), bare = folder.filePath("plot_without_extension");
    for (const QString& path : {png, svg, pdf, bare}) {
        fileAnswers.push_back(S(path));
        Menu("mnuExportPlot");
    }
    ASSERT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(filters.back(), "PNG picture (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)");
    EXPECT_EQ(QImage(png).size(), QSize(640, 400));
    EXPECT_EQ(QImage(bare + ".png").size(), QSize(640, 400));
    QFile svgFile(svg), pdfFile(pdf);
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svgFile.readAll().contains("width=\"640\" height=\"400\" viewBox=\"0 0 640 400\""));
    ASSERT_TRUE(pdfFile.open(QIODevice::ReadOnly));
    const QByteArray pdfBytes = pdfFile.readAll();
    EXPECT_TRUE(pdfBytes.startsWith("%PDF"));
    EXPECT_TRUE(pdfBytes.contains("/MediaBox [0 0 480.000000 300.000000]")) << pdfBytes.left(2000).toStdString();
    EXPECT_FALSE(pdfBytes.contains("/Subtype /Image"));  // drawn as lines and text
    EXPECT_TRUE(Status().startsWith("Exported the plot (640 x 400, png) to ")) << Status().toStdString();

    size.reset();
    const QString cancelled = folder.filePath("cancelled.png");
    fileAnswers.push_back(S(cancelled));
    Menu("mnuExportPlot");
    EXPECT_FALSE(QFileInfo::exists(cancelled));
    fileAnswers.push_back(S(folder.filePath("plot.txt")));
    size = std::pair{640, 400};
    Menu("mnuExportPlot");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "Export Plot: plot.txt is neither a PNG, an SVG nor a PDF file; name it .png, .svg or .pdf.");

    Menu("mnuCopyto");
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), plot().Image().size());
}

// Export Data names the file it wrote and its number of points in the status bar.
TEST_F(PlotWidgetTest, ExportDataReportsInTheStatusBar) {
    QTemporaryDir folder;
    const QString csv = folder.filePath("curve.csv");
    fileAnswers.push_back(S(csv));
    Menu("mnuExport");
    ASSERT_TRUE(QFileInfo::exists(csv));
    EXPECT_EQ(Status(), "Exported curve 1 (" + QString::number(wb.model.NData) + " points) to " +
                            QFileInfo(csv).absoluteFilePath());
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count('\n'), wb.model.NData);
}

// A message box shows its text as plain text: "<I>" is read, not taken for italics.
TEST_F(PlotWidgetTest, MessageBoxesArePlainText) {
    window.platform().messageHook = nullptr;
    Qt::TextFormat format = Qt::AutoText;
    QString text;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        format = box->textFormat();
        text = box->text();
        box->accept();
    });
    window.platform().MessageBox("The current <I> of curve <b>1</b> & more");
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(text, "The current <I> of curve <b>1</b> & more");
}

}  // namespace
}  // namespace talvex::gui::testing
