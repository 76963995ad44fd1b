#include "plot/canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "core/run_error.h"
#include "plot/recording_canvas.h"
#include "plot/svg_canvas.h"

namespace talvex {
namespace {

using Strings = std::vector<std::string>;

// A small drawing that uses every operation, on a mirrored X axis with Y growing upward.
void Sketch(Canvas& c) {
    c.Clear();
    c.Scale(10, 5, 0, -5);
    c.SetDashed(true);
    c.Line(10, 0, 0, 0);
    c.SetDashed(false);
    c.Box(8, -4, 2, 4);
    c.Point(5, 1);
    c.LineTo(4, 2);
    c.MoveTo(9, 3);
    c.Print("a<b & \"c\"");
}

TEST(CanvasTest, CurrentPositionFollowsTheDrawing) {
    RecordingCanvas c;
    c.Scale(0, 10, 100, -10);
    c.Line(1, 2, 3, 4);
    EXPECT_EQ(c.CurrentX(), 3);
    EXPECT_EQ(c.CurrentY(), 4);
    c.LineTo(5, 6);  // starts where the last line ended
    EXPECT_EQ(c.primitives().back().x1, 3);
    EXPECT_EQ(c.primitives().back().y1, 4);
    c.Point(7, 8);
    c.Box(1, 1, 2, 2);
    EXPECT_EQ(c.CurrentX(), 2);
    c.MoveTo(50, 5);
    c.Print("x");
    // The next text line: back to the left edge, one line (1/35 of the height) further down.
    EXPECT_EQ(c.CurrentX(), 0);
    EXPECT_DOUBLE_EQ(c.CurrentY(), 5 - 20.0 / 35.0);
    EXPECT_EQ(c.primitives().back().x1, 50);
    EXPECT_EQ(c.primitives().back().y1, 5);
}

// A scale without extent, or a coordinate that is not a finite number, is refused before anything
// reaches the drawing.
TEST(CanvasTest, RefusesDegenerateScaleAndNonFiniteCoordinates) {
    RecordingCanvas c;
    c.Clear();
    try {
        c.Scale(1, 0, 1, 5);
        FAIL() << "zero width accepted";
    } catch (const RunError& e) {
        EXPECT_EQ(e.description(), "Invalid procedure call or argument");
    }
    EXPECT_THROW(c.Scale(0, 2, 1, 2), RunError);
    EXPECT_THROW(c.Line(0, 0, std::numeric_limits<double>::quiet_NaN(), 1), RunError);
    EXPECT_THROW(c.Point(std::numeric_limits<double>::infinity(), 1), RunError);
    EXPECT_THROW(c.MoveTo(0, std::numeric_limits<double>::infinity()), RunError);
    EXPECT_EQ(c.primitives().size(), 1u);
    EXPECT_EQ(c.ScaleRight(), 1);  // the default scale stays
}

// One normalised line per primitive: six significant digits, residue below 1e-9 of the axis'
// extent and -0 written as 0, so golden files do not depend on the last bits of a sum.
TEST(CanvasTest, RecordingIsNormalised) {
    RecordingCanvas c;
    Sketch(c);
    c.Line(-0.0, 1e-12, 3.0000000000000004, -1.5e-6);
    EXPECT_EQ(c.Lines(), (Strings{
                             "clear",
                             "scale 1.00000E+01 5.00000E+00 0.00000E+00 -5.00000E+00",
                             "line dashed 1.00000E+01 0.00000E+00 0.00000E+00 0.00000E+00",
                             "box solid 8.00000E+00 -4.00000E+00 2.00000E+00 4.00000E+00",
                             "point 5.00000E+00 1.00000E+00",
                             "line solid 5.00000E+00 1.00000E+00 4.00000E+00 2.00000E+00",
                             "text 9.00000E+00 3.00000E+00 \"a<b & \"c\"\"",
                             "line solid 0.00000E+00 0.00000E+00 3.00000E+00 -1.50000E-06",
                         }));
    // Clear starts a new drawing.
    c.Clear();
    EXPECT_EQ(c.Lines(), (Strings{"clear"}));
}

// A recorded drawing replays into any canvas exactly as it was drawn.
TEST(CanvasTest, ReplayReproducesTheDrawing) {
    RecordingCanvas recorded, replayed;
    Sketch(recorded);
    recorded.Replay(replayed);
    EXPECT_EQ(replayed.Lines(), recorded.Lines());

    SvgCanvas direct, fromRecording;
    Sketch(direct);
    recorded.Replay(fromRecording);
    EXPECT_EQ(fromRecording.Document(), direct.Document());
}

// The user scale covers the whole 800 x 600 picture, whichever way its axes run; outlines are
// normalised to a positive width and height; dashed lines carry a dash pattern; text is escaped
// and placed by its top-left corner.
TEST(CanvasTest, SvgMapsUserScaleOntoPicture) {
    SvgCanvas svg;
    Sketch(svg);
    const std::string doc = svg.Document();
    EXPECT_EQ(
        doc.rfind(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "width=\"800\" height=\"600\"",
            0),
        0u);
    EXPECT_NE(
        doc.find(
            "<line x1=\"0.0\" y1=\"300.0\" x2=\"800.0\" y2=\"300.0\" stroke-dasharray=\"6,4\"/>"),
        std::string::npos);
    EXPECT_NE(doc.find("<rect x=\"160.0\" y=\"60.0\" width=\"480.0\" height=\"480.0\"/>"),
              std::string::npos);
    EXPECT_NE(doc.find("<circle cx=\"400.0\" cy=\"240.0\""), std::string::npos);
    EXPECT_NE(doc.find("<line x1=\"400.0\" y1=\"240.0\" x2=\"480.0\" y2=\"180.0\"/>"),
              std::string::npos);
    EXPECT_NE(doc.find(">a&lt;b &amp; &quot;c&quot;</text>"), std::string::npos);
    EXPECT_NE(doc.find("<text x=\"80.0\" y=\""), std::string::npos);
    EXPECT_TRUE(doc.ends_with("</g>\n</svg>\n"));

    svg.Clear();
    EXPECT_EQ(svg.Document().find("<line"), std::string::npos);
}

TEST(CanvasTest, SvgWritesFile) {
    SvgCanvas svg;
    Sketch(svg);
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "talvex_canvas_test.svg";
    ASSERT_TRUE(svg.Write(path.string()));
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), svg.Document());
    std::filesystem::remove(path);
    EXPECT_FALSE(
        svg.Write((std::filesystem::temp_directory_path() / "no_such_dir" / "x.svg").string()));
}

}  // namespace
}  // namespace talvex
