#include "plot/canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/run_error.h"
#include "plot/recording_canvas.h"
#include "plot/svg_canvas.h"

namespace talvex {
namespace {

// A small drawing that uses every operation, on a mirrored X axis with Y growing upward.
void Sketch(Canvas& c) {
    c.Clear();
    c.Scale(10, 5, 0, -5);
    c.SetDashed(true);
    c.Line(10, 0, 0, 0);
    c.SetDashed(false);
    c.Box(8, -4, 2, 4);
    c.Point(5, 1);
    c.LineTo(4, 2);  // from the point
    c.MoveTo(9, 3);
    c.Print("a<b & \"c\"");
}

// One normalised line per primitive: six significant digits, residue below 1e-9 of the axis'
// extent and -0 written as 0, so golden files do not depend on the last bits of a sum. After a
// text the position is at the next text line: the left edge, 1/35 of the height lower. A replay
// reproduces the drawing.
TEST(CanvasTest, RecordingIsNormalised) {
    RecordingCanvas c, replayed;
    Sketch(c);
    EXPECT_EQ(c.CurrentX(), 10);
    EXPECT_DOUBLE_EQ(c.CurrentY(), 3 - 10.0 / 35.0);
    c.Line(-0.0, 1e-12, 3.0000000000000004, -1.5e-6);
    EXPECT_EQ(c.Text(),
              "clear\nscale 1.00000E+01 5.00000E+00 0.00000E+00 -5.00000E+00\n"
              "line dashed 1.00000E+01 0.00000E+00 0.00000E+00 0.00000E+00\n"
              "box solid 8.00000E+00 -4.00000E+00 2.00000E+00 4.00000E+00\n"
              "point 5.00000E+00 1.00000E+00\n"
              "line solid 5.00000E+00 1.00000E+00 4.00000E+00 2.00000E+00\n"
              "text 9.00000E+00 3.00000E+00 \"a<b & \"c\"\"\n"
              "line solid 0.00000E+00 0.00000E+00 3.00000E+00 -1.50000E-06\n");
    c.Replay(replayed);
    EXPECT_EQ(replayed.Text(), c.Text());
    c.Clear();
    EXPECT_EQ(c.Text(), "clear\n");
}

// A scale without extent, or a coordinate that is not a finite number, is refused before anything
// reaches the drawing; the scale stays as it was.
TEST(CanvasTest, RefusesDegenerateScaleAndNonFiniteCoordinates) {
    RecordingCanvas c;
    c.Clear();
    try {
        c.Scale(1, 0, 1, 5);
        ADD_FAILURE() << "zero width accepted";
    } catch (const RunError& e) {
        EXPECT_EQ(e.description(), "Invalid procedure call or argument");
    }
    EXPECT_THROW(c.Scale(0, 2, 1, 2), RunError);
    EXPECT_THROW(c.Line(0, 0, std::nan(""), 1), RunError);
    EXPECT_THROW(c.Point(HUGE_VAL, 1), RunError);
    EXPECT_THROW(c.MoveTo(0, -HUGE_VAL), RunError);
    EXPECT_EQ(c.Text(), "clear\n");
    EXPECT_EQ(c.ScaleRight(), 1);
}

// The user scale covers the whole 800 x 600 picture, whichever way its axes run; outlines are
// normalised to a positive width and height; dashed lines carry a dash pattern; text is escaped
// and placed by its top-left corner. A replayed recording gives the same document; Write stores
// it or reports false.
TEST(CanvasTest, SvgMapsUserScaleOntoPicture) {
    SvgCanvas svg, replayed;
    RecordingCanvas recorded;
    Sketch(svg);
    Sketch(recorded);
    recorded.Replay(replayed);
    const std::string doc = svg.Document();
    EXPECT_EQ(replayed.Document(), doc);
    EXPECT_TRUE(
        doc.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\""
                        "http://www.w3.org/2000/svg\" width=\"800\" height=\"600\""));
    for (const char* part :
         {"<line x1=\"0.0\" y1=\"300.0\" x2=\"800.0\" y2=\"300.0\" stroke-dasharray=\"6,4\"/>",
          "<rect x=\"160.0\" y=\"60.0\" width=\"480.0\" height=\"480.0\"/>",
          "<circle cx=\"400.0\" cy=\"240.0\"",
          "<line x1=\"400.0\" y1=\"240.0\" x2=\"480.0\" y2=\"180.0\"/>",
          ">a&lt;b &amp; &quot;c&quot;</text>", "<text x=\"80.0\" y=\""})
        EXPECT_NE(doc.find(part), std::string::npos) << part;
    EXPECT_TRUE(doc.ends_with("</g>\n</svg>\n"));

    const std::filesystem::path path = std::filesystem::temp_directory_path() / "talvex_test.svg";
    ASSERT_TRUE(svg.Write(path.string()));
    std::stringstream written;
    written << std::ifstream(path).rdbuf();
    EXPECT_EQ(written.str(), doc);
    std::filesystem::remove(path);
    EXPECT_FALSE(svg.Write((path.parent_path() / "no_such_dir" / "x.svg").string()));
    svg.Clear();
    EXPECT_EQ(svg.Document().find("<line"), std::string::npos);
}

}  // namespace
}  // namespace talvex
