#include "plot/canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "plot/recording_canvas.h"
#include "plot/svg_canvas.h"
#include "support/run_errors.h"

namespace talvex {
namespace {

// Lines are recorded normalised (six digits, -0 as 0); the SVG escapes text; Write may fail.
TEST(CanvasTest, RecordingAndSvg) {
    RecordingCanvas c;
    SvgCanvas svg, replayed;
    for (Canvas* canvas : {static_cast<Canvas*>(&c), static_cast<Canvas*>(&svg)}) {
        canvas->Scale(10, 5, 0, -5);
        canvas->Line(10, 0, 0, 0);
        canvas->Print("a<b & \"c\"");
    }
    c.Replay(replayed);
    c.Line(-0.0, 1e-12, 3.0000000000000004, -1.5e-6);
    EXPECT_TRUE(c.Text().ends_with(" 0.00000E+00 0.00000E+00 3.00000E+00 -1.50000E-06\n"));
    const std::string doc = replayed.Document();
    EXPECT_EQ(svg.Document(), doc);
    EXPECT_NE(doc.find(">a&lt;b &amp; &quot;c&quot;</text>"), std::string::npos);
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "talvex_test.svg";
    ASSERT_TRUE(svg.Write(path.string()));
    EXPECT_EQ((std::stringstream() << std::ifstream(path).rdbuf()).str(), doc);
    std::filesystem::remove(path);
    EXPECT_FALSE(svg.Write((path.parent_path() / "no_such_dir" / "x.svg").string()));
}

// A scale without extent, or a coordinate that is not finite, is refused before anything is drawn.
TEST(CanvasTest, RefusesDegenerateScaleAndNonFiniteCoordinates) {
    RecordingCanvas c;
    const std::string errors = testing::ErrorOf([&] { c.Scale(1, 0, 1, 5); }) + "|" +
                               testing::ErrorOf([&] { c.Line(0, 0, std::nan(""), 1); }) + "|" +
                               testing::ErrorOf([&] { c.Point(HUGE_VAL, 1); });
    EXPECT_EQ(errors + "|" + c.Text(),
              "Invalid procedure call or argument|Invalid procedure call "
              "or argument|Overflow|");
}

}  // namespace
}  // namespace talvex
