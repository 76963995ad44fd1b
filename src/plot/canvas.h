#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace talvex {

// Colours as 0xRRGGBB.
using Rgb = std::uint32_t;
inline constexpr Rgb kBlack = 0x000000;

// Where a text stands against its position, as it reads on the screen (whichever way the user
// scale runs): its left edge, middle or right edge; its top or its middle.
enum class TextAlign { Left, Center, Right };
enum class TextVAlign { Top, Middle };

// One line of a legend: a sample drawn in the curve's colour and style, then its name.
struct LegendEntry {
    std::string text;
    Rgb color = kBlack;
    int style = 3;  // as the line styles: 1 points, 2 squares, 3 line
    bool operator==(const LegendEntry&) const = default;
};

// The corner of the frame a legend sits in, as it appears on the screen.
enum class LegendCorner { TopRight, TopLeft, BottomLeft, BottomRight };

// One drawing operation, in the user coordinates of the scale that was current when it was
// drawn. A line, box or point is stored with every coordinate resolved (a line drawn "from the
// current position" carries its start), so a list of primitives replays on any canvas.
struct PlotPrimitive {
    enum class Kind { Clear, Scale, Line, Point, Box, Text, Legend };
    Kind kind = Kind::Clear;
    // Scale: left, top, right, bottom. Line and Box: two corners. Point and Text: x1, y1. Legend:
    // two corners of the frame it is placed in.
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool dashed = false;  // Line and Box
    std::string text;     // Text
    Rgb color = kBlack;   // the ink of a line, box, point or text
    double width = 1;     // Line and Box: the pen, in widths of the frame's pen
    TextAlign align = TextAlign::Left;
    TextVAlign valign = TextVAlign::Top;
    // Text: labels of one group (tick labels of one axis, numbered from 1) are spaced by the
    // drawing; where a small window would still make one overlap the last one drawn of its group,
    // the canvas leaves it out. 0: always drawn.
    int group = 0;
    LegendCorner corner = LegendCorner::TopRight;  // Legend
    std::vector<LegendEntry> entries;              // Legend
};

// The drawing surface of the plot: a user coordinate system set by two corners (either axis may
// run either way), clear, line, point, rectangle outline, text printed at a current position,
// solid or dashed lines, the ink's colour and a legend. The base keeps the state (scale, current
// position, line style, colour) and hands each resolved primitive to the implementation.
class Canvas {
  public:
    virtual ~Canvas() = default;

    // (left, top) becomes the top-left corner and (right, bottom) the bottom-right corner. Equal
    // coordinates on an axis leave no scale: "Invalid procedure call or argument".
    void Scale(double left, double top, double right, double bottom);
    void Clear();
    void Line(double x1, double y1, double x2, double y2);  // then at (x2, y2)
    void LineTo(double x, double y);                        // from the current position
    void Point(double x, double y);                         // then at (x, y)
    void Box(double x1, double y1, double x2, double y2);   // outline; then at (x2, y2)
    // The text's top-left corner is the current position; afterwards the position is at the
    // start of the next text line (left edge of the scale, one line lower).
    void Print(const std::string& text);
    // The same, with the text standing against the current position as `align` and `valign` say.
    void Print(const std::string& text, TextAlign align, TextVAlign valign, int group = 0);
    // A legend inside the frame (x1, y1)-(x2, y2), in the corner given; each canvas lays it out
    // with its own font: a box on white, one line per entry.
    void Legend(double x1, double y1, double x2, double y2, LegendCorner corner, std::vector<LegendEntry> entries);
    void MoveTo(double x, double y);
    void SetDashed(bool dashed) { dashed_ = dashed; }
    void SetColor(Rgb color) { color_ = color; }
    void SetWidth(double width) { width_ = width; }

    double CurrentX() const { return curX_; }
    double CurrentY() const { return curY_; }
    bool dashed() const { return dashed_; }
    Rgb color() const { return color_; }
    double ScaleLeft() const { return left_; }
    double ScaleTop() const { return top_; }
    double ScaleRight() const { return right_; }
    double ScaleBottom() const { return bottom_; }

    // Draws a recorded primitive as it was drawn (state follows as for the operation itself).
    void Apply(const PlotPrimitive& p);
    // The drawing is complete (a canvas that batches its output draws the rest now).
    virtual void Flush() {}

    // Height of one text line as a share of the scale's height; the front ends choose their
    // font so that a line takes this share of the window.
    static constexpr double kTextLineShare = 1.0 / 35.0;
    // The font's size against a text line, and the width of an average character of a label
    // against the font's size: what a canvas that cannot measure text assumes.
    static constexpr double kFontShareOfLine = 1 / 1.2;
    static constexpr double kCharShareOfFont = 0.6;

  protected:
    virtual void Emit(const PlotPrimitive& p) = 0;

  private:
    PlotPrimitive Drawn(PlotPrimitive::Kind kind, double x1, double y1, double x2, double y2) const;

    double left_ = 0, top_ = 0, right_ = 1, bottom_ = 1;
    double curX_ = 0, curY_ = 0;
    bool dashed_ = false;
    Rgb color_ = kBlack;
    double width_ = 1;
};

// Where a legend of `entries` lands on a canvas of `width` x `height` units (any unit, y down) whose
// frame is `frame` (left, top, right, bottom in the same units), with a text line `line` high and
// text `charWidth(text)` wide: the box and the top-left of each entry's line. The canvases share it
// so that they agree on the layout; each measures its own text.
struct LegendLayout {
    double left = 0, top = 0, width = 0, height = 0;  // the box
    double sampleWidth = 0;                           // the sample before each text
    double pad = 0;
};
template <typename TextWidth>
LegendLayout LayOutLegend(const std::vector<LegendEntry>& entries, LegendCorner corner, double frameLeft,
                          double frameTop, double frameRight, double frameBottom, double line, TextWidth textWidth) {
    LegendLayout l;
    l.pad = 0.4 * line;
    l.sampleWidth = 2.2 * line;
    double widest = 0;
    for (const LegendEntry& e : entries) {
        const double w = textWidth(e.text);
        if (w > widest) widest = w;
    }
    l.width = l.pad + l.sampleWidth + l.pad + widest + l.pad;
    l.height = l.pad + line * static_cast<double>(entries.size()) + l.pad;
    const double inset = 0.5 * line;
    const bool right = corner == LegendCorner::TopRight || corner == LegendCorner::BottomRight;
    const bool top = corner == LegendCorner::TopRight || corner == LegendCorner::TopLeft;
    l.left = right ? frameRight - inset - l.width : frameLeft + inset;
    l.top = top ? frameTop + inset : frameBottom - inset - l.height;
    return l;
}

}  // namespace talvex
