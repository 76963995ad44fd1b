// The Qt canvas draws each primitive where the user scale puts it, as the SVG export does.
#include "gui/qt_canvas.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <functional>
#include <string>

#include "app/workbench.h"
#include "gui/qt_platform.h"
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
    QtCanvas canvas(painter, QRectF(image.rect()));
    wb.formPlot.Replay(canvas);
    painter.end();

    const QRegularExpression line(R"re(<line x1="([-\d.]+)" y1="([-\d.]+)" x2="([-\d.]+)" y2="([-\d.]+)"(.*)/>)re");
    int lines = 0;
    for (auto it = line.globalMatch(QString::fromStdString(svg)); it.hasNext();) {
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
    for (auto it = rect.globalMatch(QString::fromStdString(svg)); it.hasNext(); ++boxes) {
        const auto m = it.next();
        const double x = m.captured(1).toDouble(), y = m.captured(2).toDouble(), h = m.captured(4).toDouble();
        EXPECT_TRUE(Dark(image, x, y + h / 2)) << m.captured(0).toStdString();
        EXPECT_TRUE(Dark(image, x + m.captured(3).toDouble(), y + h / 2)) << m.captured(0).toStdString();
    }
    EXPECT_EQ(boxes, 1 + wb.model.NData);  // the frame and one marker per point
    const QRegularExpression text(R"re(<text x="([-\d.]+)" y="([-\d.]+)")re");
    int texts = 0;
    for (auto it = text.globalMatch(QString::fromStdString(svg)); it.hasNext(); ++texts) {
        const auto m = it.next();
        const int x = static_cast<int>(m.captured(1).toDouble()), baseline = static_cast<int>(m.captured(2).toDouble());
        EXPECT_GT(DarkIn(image, QRect(x, baseline - 12, 14, 14)), 3) << m.captured(0).toStdString();
    }
    EXPECT_GT(texts, 10);
}

}  // namespace
}  // namespace talvex::gui
