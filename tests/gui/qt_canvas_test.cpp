// The Qt canvas draws each primitive where the user scale puts it, as the SVG export does.
#include "gui/qt_canvas.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/workbench.h"
#include "gui/plot_image.h"
#include "gui/qt_platform.h"
#include "gui/qt_text.h"
#include "gui_fixture.h"
#include "plot/display.h"
#include "plot/form_plot.h"
#include "plot/svg_canvas.h"

namespace talvex::gui {
namespace {

using testing::DarkIn;
bool Dark(const QImage& image, double x, double y) {
    return testing::DarkNear(image, {x, y});
}

// A 400 x 300 picture under the scale (-1, 2)-(1, -2): x = -1 at the left edge, y = 2 at the top, so
// (0, 0) is the centre (200, 150) and one unit is 200 px across and 75 px down.
struct Case {
    const char* what;
    std::function<void(Canvas&)> draw;
    std::function<void(const QImage&)> check;
};

TEST(QtCanvas, DrawsEachPrimitiveWhereTheScalePutsIt) {
    const Case cases[] = {
        {"solid line", [](Canvas& c) { c.Line(-0.5, 0, 0.5, 0); },
         [](const QImage& im) {
             EXPECT_TRUE(Dark(im, 200, 150));
             EXPECT_TRUE(Dark(im, 110, 150));
             EXPECT_EQ(DarkIn(im, QRect(90, 140, 220, 6)), 0);  // nothing above it
             EXPECT_EQ(DarkIn(im, QRect(310, 148, 40, 5)), 0);  // nor past its end
         }},
        {"dashed line",
         [](Canvas& c) {
             c.SetDashed(true);
             c.Line(-1, 1, 1, 1);
         },
         [](const QImage& im) {
             const int dark = DarkIn(im, QRect(0, 75, 400, 1));
             EXPECT_GT(dark, 150);
             EXPECT_LT(dark, 340);  // with gaps
         }},
        {"box", [](Canvas& c) { c.Box(-0.5, 1, 0.5, -1); },
         [](const QImage& im) {
             EXPECT_TRUE(Dark(im, 100, 110));                     // left edge
             EXPECT_TRUE(Dark(im, 300, 190));                     // right edge
             EXPECT_TRUE(Dark(im, 200, 75));                      // top edge
             EXPECT_EQ(DarkIn(im, QRect(110, 85, 180, 130)), 0);  // an outline only
         }},
        {"point", [](Canvas& c) { c.Point(0.5, -1); },
         [](const QImage& im) {
             EXPECT_TRUE(Dark(im, 300, 225));
             EXPECT_EQ(DarkIn(im, QRect(0, 0, 400, 300)) < 20, true);
         }},
        {"text at the current position",
         [](Canvas& c) {
             c.MoveTo(0, 0);
             c.Print("E /V");
         },
         [](const QImage& im) {
             EXPECT_GT(DarkIn(im, QRect(200, 150, 30, 10)), 5);  // below and right of the position
             EXPECT_EQ(DarkIn(im, QRect(150, 130, 48, 18)), 0);
         }},
        {"a curve in its colour, its segments joined",
         [](Canvas& c) {
             c.SetColor(0xd55e00);
             c.SetWidth(1.5);
             c.Line(-0.5, -1, 0, 1);
             c.LineTo(0.5, -1);
         },
         [](const QImage& im) {
             for (const QPoint at : {QPoint(150, 150), QPoint(250, 150), QPoint(200, 76)}) {
                 EXPECT_TRUE(Dark(im, at.x(), at.y())) << at.x() << "," << at.y();
                 bool reddish = false;
                 for (int dx = -1; dx <= 1; ++dx)
                     for (int dy = -1; dy <= 1; ++dy) {
                         const QColor c = im.pixelColor(at + QPoint(dx, dy));
                         reddish = reddish || (c.red() > 150 && c.blue() < 80);
                     }
                 EXPECT_TRUE(reddish) << at.x() << "," << at.y();
             }
         }},
        {"text ending at its position, its middle level with it",
         [](Canvas& c) {
             c.MoveTo(0, 0);
             c.Print("E /V", TextAlign::Right, TextVAlign::Middle);
         },
         [](const QImage& im) {
             EXPECT_GT(DarkIn(im, QRect(170, 144, 30, 12)), 5);
             EXPECT_EQ(DarkIn(im, QRect(201, 130, 60, 40)), 0);  // nothing right of it
             EXPECT_EQ(DarkIn(im, QRect(150, 158, 60, 20)), 0);  // nor below its line
         }},
        {"a label overlapping the last of its group is left out",
         [](Canvas& c) {
             c.MoveTo(0, 0);
             c.Print("0.125", TextAlign::Center, TextVAlign::Top, 1);
             c.MoveTo(0.02, 0);
             c.Print("0.375", TextAlign::Center, TextVAlign::Top, 1);
             c.MoveTo(0.6, 0);
             c.Print("0.625", TextAlign::Center, TextVAlign::Top, 1);
         },
         [](const QImage& im) {
             QImage alone(im.size(), QImage::Format_RGB32);
             alone.fill(Qt::white);
             {
                 QPainter painter(&alone);
                 QtCanvas c(painter, QRectF(alone.rect()));
                 c.Scale(-1, 2, 1, -2);
                 c.MoveTo(0, 0);
                 c.Print("0.125", TextAlign::Center, TextVAlign::Top, 1);
             }
             EXPECT_EQ(DarkIn(im, QRect(150, 140, 100, 30)), DarkIn(alone, QRect(150, 140, 100, 30)));
             EXPECT_GT(DarkIn(im, QRect(290, 150, 40, 20)), 5);  // the third, clear of the first
         }},
        {"legend in the top right corner of its frame",
         [](Canvas& c) {
             c.Box(-0.8, 1.6, 0.8, -1.6);
             c.Legend(-0.8, 1.6, 0.8, -1.6, LegendCorner::TopRight, {{"curve", 0x0072b2, 3}});
         },
         [](const QImage& im) {
             // The frame runs from (40, 30) to (360, 270): the legend's ink is in its top right.
             EXPECT_GT(DarkIn(im, QRect(240, 32, 118, 30)), 20);
             EXPECT_EQ(DarkIn(im, QRect(45, 35, 150, 230)), 0);
             EXPECT_EQ(DarkIn(im, QRect(200, 80, 155, 180)), 0);
         }},
        {"clear",
         [](Canvas& c) {
             c.Box(-0.5, 1, 0.5, -1);
             c.Clear();
         },
         [](const QImage& im) { EXPECT_EQ(DarkIn(im, im.rect()), 0); }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QtCanvas canvas(painter, QRectF(image.rect()));
        canvas.Scale(-1, 2, 1, -2);
        test.draw(canvas);
        canvas.Flush();
        painter.end();
        test.check(image);
    }
}

// The default simulation (its X axis mirrored) drawn at the SVG export's size: every line and box of
// the SVG document has ink under it in the Qt picture, and so has every text's first letter.
TEST(QtCanvas, MatchesTheSvgExport) {
    QtPlatform platform;
    platform.messageHook = [](const std::string& text) { FAIL() << text; };
    Workbench wb(platform);
    ASSERT_TRUE(wb.RunCommand("mnuSimulate"));
    const std::string svg = wb.formPlot.Svg();

    QImage image(SvgCanvas::kWidth, SvgCanvas::kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), Qt::white);
    {
        QtCanvas canvas(painter, QRectF(image.rect()));
        wb.formPlot.Replay(canvas);
    }
    painter.end();
    // The legend is laid out by each canvas with its own font metrics; the rest must agree.
    const std::string drawing = svg.substr(0, svg.rfind("<rect", svg.find("fill=\"white\" fill-opacity")));

    const QRegularExpression line(R"re(<line x1="([-\d.]+)" y1="([-\d.]+)" x2="([-\d.]+)" y2="([-\d.]+)"(.*)/>)re");
    int lines = 0;
    for (auto it = line.globalMatch(QString::fromStdString(drawing)); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(5).contains("dasharray")) continue;  // the middle may fall in a gap
        const double x = (m.captured(1).toDouble() + m.captured(3).toDouble()) / 2;
        const double y = (m.captured(2).toDouble() + m.captured(4).toDouble()) / 2;
        EXPECT_TRUE(Dark(image, x, y)) << m.captured(0).toStdString();
        ++lines;
    }
    EXPECT_GT(lines, 15);
    const QRegularExpression rect(R"re(<rect x="([-\d.]+)" y="([-\d.]+)" width="([-\d.]+)" height="([-\d.]+)")re");
    int boxes = 0;
    for (auto it = rect.globalMatch(QString::fromStdString(drawing)); it.hasNext(); ++boxes) {
        const auto m = it.next();
        const double x = m.captured(1).toDouble(), y = m.captured(2).toDouble(), h = m.captured(4).toDouble();
        EXPECT_TRUE(Dark(image, x, y + h / 2)) << m.captured(0).toStdString();
        EXPECT_TRUE(Dark(image, x + m.captured(3).toDouble(), y + h / 2)) << m.captured(0).toStdString();
    }
    EXPECT_EQ(boxes, 1);  // the frame; the simulated curve is a line
    const QRegularExpression text(R"re(<text x="([-\d.]+)" y="([-\d.]+)")re");
    int texts = 0;
    for (auto it = text.globalMatch(QString::fromStdString(drawing)); it.hasNext(); ++texts) {
        const auto m = it.next();
        const int x = static_cast<int>(m.captured(1).toDouble()), baseline = static_cast<int>(m.captured(2).toDouble());
        EXPECT_GT(DarkIn(image, QRect(x, baseline - 12, 14, 14)), 3) << m.captured(0).toStdString();
    }
    EXPECT_GT(texts, 10);
}

// Sharp lines on a screen of any device pixel ratio: a picture of 401 x 301 logical pixels taken at
// ratio r has round(401 r) x round(301 r) pixels; each straight edge is round(r) device pixels of
// full ink (never fewer than one) with paper right beside it, no grey smear, within a pixel of
// where the logical coordinates times r put it. Fractional ratios and the odd logical size put the
// exact edges between device pixels, where an unaligned line of 1.25 or 1.5 pixels would leave
// two grey columns.
class SharpAtRatio : public ::testing::TestWithParam<double> {};

// Ink, paper or the grey between them.
enum class Tone { Ink, Paper, Grey };
Tone ToneOf(const QImage& image, int x, int y) {
    const int g = qGray(image.pixel(x, y));
    return g <= 40 ? Tone::Ink : g >= 215 ? Tone::Paper : Tone::Grey;
}

// Walks across an edge (dx, dy one step) from `from` for `steps` pixels: the length of its one ink
// run, its first pixel, and how many grey pixels there were.
struct Crossing {
    int ink = 0, first = -1, grey = 0, runs = 0;
};
Crossing Cross(const QImage& image, QPoint from, QPoint step, int steps) {
    Crossing c;
    bool inRun = false;
    for (int i = 0; i < steps; ++i) {
        const QPoint p = from + step * i;
        const Tone t = ToneOf(image, p.x(), p.y());
        c.grey += t == Tone::Grey;
        if (t == Tone::Ink) {
            if (!inRun) {
                ++c.runs;
                if (c.first < 0) c.first = i;
            }
            ++c.ink;
        }
        inRun = t == Tone::Ink;
    }
    return c;
}

TEST_P(SharpAtRatio, EdgesCoverWholeDevicePixels) {
    const double r = GetParam();
    FormPlot plot;
    Canvas& c = plot.canvas();
    c.Scale(0, 1, 1, 0);                    // y up: (0, 1) is the top-left corner
    c.Box(0.1234, 0.8765, 0.8713, 0.2113);  // a frame
    c.Line(0.5037, 0.3, 0.5037, 0.75);      // a tick, upright
    c.SetDashed(true);
    c.Line(0.2, 0.4321, 0.8, 0.4321);  // a zero line, dashed
    const QSize logical(401, 301);
    const QImage image = PlotPicture(plot, logical, r);
    ASSERT_EQ(image.size(), QSize(static_cast<int>(std::lround(401 * r)), static_cast<int>(std::lround(301 * r))));
    EXPECT_EQ(image.devicePixelRatio(), r);
    const int pen = std::max(1, static_cast<int>(std::lround(r)));

    // Device position of a logical x or y of the scale above.
    auto devX = [&](double x) { return x * logical.width() * r; };
    auto devY = [&](double y) { return (1 - y) * logical.height() * r; };
    struct Edge {
        const char* what;
        double at;     // exact device position of the edge's middle
        QPoint start;  // where the walk across it starts, 6 device pixels before
        QPoint step;
    };
    const int midY = static_cast<int>(devY(0.6)), midX = static_cast<int>(devX(0.3));
    const Edge edges[] = {
        {"frame left", devX(0.1234), QPoint(static_cast<int>(devX(0.1234)) - 6, midY), QPoint(1, 0)},
        {"frame right", devX(0.8713), QPoint(static_cast<int>(devX(0.8713)) - 6, midY), QPoint(1, 0)},
        {"frame top", devY(0.8765), QPoint(midX, static_cast<int>(devY(0.8765)) - 6), QPoint(0, 1)},
        {"frame bottom", devY(0.2113), QPoint(midX, static_cast<int>(devY(0.2113)) - 6), QPoint(0, 1)},
        {"tick", devX(0.5037), QPoint(static_cast<int>(devX(0.5037)) - 6, midY), QPoint(1, 0)},
    };
    for (const Edge& e : edges) {
        SCOPED_TRACE(e.what);
        const Crossing across = Cross(image, e.start, e.step, 13);
        EXPECT_EQ(across.runs, 1);
        EXPECT_EQ(across.ink, pen);
        EXPECT_EQ(across.grey, 0);
        const double first = (e.step.x() ? e.start.x() : e.start.y()) + across.first;
        EXPECT_NEAR(first + pen / 2.0, e.at, 1.0);
    }
    // The dashed line: dashes of full ink and gaps of paper, nothing between, across its whole
    // length; the gaps are there.
    int ink = 0, paper = 0, grey = 0;
    const int y = static_cast<int>(std::floor(devY(0.4321) - pen / 2.0 + 0.5));
    for (int x = static_cast<int>(devX(0.25)); x < devX(0.75); ++x) {
        for (int row = y - 2; row <= y + pen + 1; ++row) {
            const Tone t = ToneOf(image, x, row);
            if (t == Tone::Grey) ++grey;
        }
        const Tone t = ToneOf(image, x, y + pen / 2);
        ink += t == Tone::Ink;
        paper += t == Tone::Paper;
    }
    EXPECT_GT(ink, 0);
    EXPECT_GT(paper, 0);
    EXPECT_EQ(grey, 0);
}

// Marker squares of one size in user units are one size on the screen, wherever their corners
// fall between device pixels, and sharp.
TEST_P(SharpAtRatio, MarkersOfOneSizeStayOneSize) {
    const double r = GetParam();
    FormPlot plot;
    Canvas& c = plot.canvas();
    c.Scale(0, 1, 1, 0);
    for (int i = 0; i < 9; ++i) {
        const double x = 0.031 + 0.0917 * i, y = 0.4 + 0.0131 * i;
        c.Box(x, y, x + 0.0123, y + 0.0171);
    }
    const QImage image = PlotPicture(plot, QSize(401, 301), r);
    std::vector<int> widths;
    for (int i = 0; i < 9; ++i) {
        const double x = 0.031 + 0.0917 * i, y = 0.4 + 0.0131 * i + 0.0171 / 2;
        const int row = static_cast<int>((1 - y) * 301 * r);
        const Crossing across = Cross(image, QPoint(static_cast<int>((x - 0.01) * 401 * r), row), QPoint(1, 0),
                                      static_cast<int>(0.0323 * 401 * r));
        EXPECT_EQ(across.runs, 2) << i;
        EXPECT_EQ(across.grey, 0) << i;
        // From the left edge's first ink pixel to past the right edge's last.
        int last = -1;
        for (int k = 0; k < static_cast<int>(0.0323 * 401 * r); ++k)
            if (ToneOf(image, static_cast<int>((x - 0.01) * 401 * r) + k, row) == Tone::Ink) last = k;
        widths.push_back(last - across.first);
    }
    for (int w : widths) EXPECT_EQ(w, widths.front());
}

INSTANTIATE_TEST_SUITE_P(ScreenRatios, SharpAtRatio, ::testing::Values(1.0, 1.25, 1.5, 2.0, 3.0));

// The PNG export at a chosen ratio: the picture at ratio 2 has twice the pixels each way and says
// 192 dpi (so it prints as large as the 96 dpi one); the same drawing, each edge twice as far
// from the corner, lines twice as wide and as sharp.
TEST(PlotPicture, ExportAtTheRequestedResolution) {
    QtPlatform platform;
    platform.messageHook = [](const std::string& text) { FAIL() << text; };
    Workbench wb(platform);
    ASSERT_TRUE(wb.RunCommand("mnuSimulate"));
    QTemporaryDir folder;
    const std::string one = S(folder.filePath("one.png")), two = S(folder.filePath("two.png"));
    ASSERT_TRUE(WritePlotPng(wb.formPlot, one, 800, 600));
    ASSERT_TRUE(WritePlotPng(wb.formPlot, two, 800, 600, 2.0));
    const QImage a(Q(one)), b(Q(two));
    ASSERT_EQ(a.size(), QSize(800, 600));
    ASSERT_EQ(b.size(), QSize(1600, 1200));
    EXPECT_NEAR(a.dotsPerMeterX() * 0.0254, 96, 0.1);
    EXPECT_NEAR(b.dotsPerMeterX() * 0.0254, 192, 0.1);
    EXPECT_NEAR(b.dotsPerMeterY() * 0.0254, 192, 0.1);

    // The frame (the first box) in logical pixels of the 800 x 600 picture.
    const PlotPrimitive* scale = nullptr;
    QRectF frame;
    for (const PlotPrimitive& p : wb.formPlot.drawing()) {
        if (p.kind == PlotPrimitive::Kind::Scale) scale = &p;
        if (p.kind != PlotPrimitive::Kind::Box || !scale) continue;
        auto map = [&](double x, double y) {
            return QPointF((x - scale->x1) / (scale->x2 - scale->x1) * 800,
                           (y - scale->y1) / (scale->y2 - scale->y1) * 600);
        };
        frame = QRectF(map(p.x1, p.y1), map(p.x2, p.y2)).normalized();
        break;
    }
    ASSERT_FALSE(frame.isEmpty());
    // Across the frame's left edge, row by row: one run of 1 (2) pixels of full ink where the edge
    // is, nothing grey. A few rows meet a tick or a marker at the edge; nearly all are plain.
    for (const auto& [image, ratio] : {std::pair{a, 1}, std::pair{b, 2}}) {
        SCOPED_TRACE(ratio);
        const int x = static_cast<int>(frame.left() * ratio);
        int rows = 0, clean = 0;
        for (int y = static_cast<int>(frame.top() * ratio) + 6; y < frame.bottom() * ratio - 6; ++y, ++rows) {
            const Crossing c = Cross(image, QPoint(x - 4, y), QPoint(1, 0), 9);
            clean +=
                c.runs == 1 && c.ink == ratio && c.grey == 0 && std::abs(x - 4 + c.first - frame.left() * ratio) <= 1.5;
        }
        EXPECT_GT(rows, 300 * ratio);
        EXPECT_GT(clean, rows * 9 / 10) << clean << " of " << rows;
    }
}

}  // namespace
}  // namespace talvex::gui
