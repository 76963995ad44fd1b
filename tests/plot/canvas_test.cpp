#include "plot/canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "plot/recording_canvas.h"
#include "plot/svg_canvas.h"
#include "support/run_errors.h"

namespace talvex {
namespace {

// Every operation, on a mirrored X axis with Y growing upward.
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

// Recorded lines are normalised (six significant digits, residue below 1e-9 of the axis' extent
// and -0 written as 0); after a text the position is at the left edge, 1/35 of the height lower.
// The SVG, direct or replayed, is well formed (text escaped); Write stores it or reports false.
TEST(CanvasTest, RecordingAndSvg) {
    RecordingCanvas c;
    SvgCanvas svg, replayed;
    Sketch(c);
    Sketch(svg);
    c.Replay(replayed);
    EXPECT_TRUE(c.CurrentX() == 10 && c.CurrentY() == 3 - 10.0 / 35.0);
    c.Line(-0.0, 1e-12, 3.0000000000000004, -1.5e-6);
    EXPECT_TRUE(
        c.Text().ends_with("\nline solid 0.00000E+00 0.00000E+00 3.00000E+00 -1.50000E-06\n"));

    const std::string doc = replayed.Document();
    EXPECT_EQ(svg.Document(), doc);
    EXPECT_TRUE(doc.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ") &&
                doc.ends_with("</g>\n</svg>\n"));
    EXPECT_EQ(std::ranges::count(doc, '<'), std::ranges::count(doc, '>'));
    for (const char* part : {"<line x1=\"400.0\" y1=\"240.0\" x2=\"480.0\" y2=\"180.0\"/>",
                             ">a&lt;b &amp; &quot;c&quot;</text>"})
        EXPECT_NE(doc.find(part), std::string::npos) << part;
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "talvex_test.svg";
    ASSERT_TRUE(svg.Write(path.string()));
    std::stringstream written;
    written << std::ifstream(path).rdbuf();
    EXPECT_EQ(written.str(), doc);
    std::filesystem::remove(path);
    EXPECT_FALSE(svg.Write((path.parent_path() / "no_such_dir" / "x.svg").string()));
}

// A scale without extent, or a coordinate that is not finite, is refused before anything is drawn.
TEST(CanvasTest, RefusesDegenerateScaleAndNonFiniteCoordinates) {
    RecordingCanvas c;
    c.Clear();
    const std::function<void()> refused[] = {
        [&] { c.Scale(1, 0, 1, 5); }, [&] { c.Scale(0, 2, 1, 2); },
        [&] { c.Line(0, 0, std::nan(""), 1); }, [&] { c.Point(HUGE_VAL, 1); },
        [&] { c.MoveTo(0, -HUGE_VAL); }};
    std::string errors;
    for (const auto& draw : refused) errors += testing::ErrorOf(draw) + "|";
    const std::string invalid = "Invalid procedure call or argument|";
    EXPECT_EQ(errors + c.Text(), invalid + invalid + invalid + "Overflow|Overflow|clear\n");
    EXPECT_EQ(c.ScaleRight(), 1);
}

}  // namespace
}  // namespace talvex
