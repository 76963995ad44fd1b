#pragma once

#include <string>

namespace talvex {

// One drawing operation, in the user coordinates of the scale that was current when it was
// drawn. A line, box or point is stored with every coordinate resolved (a line drawn "from the
// current position" carries its start), so a list of primitives replays on any canvas.
struct PlotPrimitive {
    enum class Kind { Clear, Scale, Line, Point, Box, Text };
    Kind kind = Kind::Clear;
    // Scale: left, top, right, bottom. Line and Box: two corners. Point and Text: x1, y1.
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool dashed = false;  // Line and Box
    std::string text;     // Text
};

// The drawing surface of the plot: a user coordinate system set by two corners (either axis may
// run either way), clear, line, point, rectangle outline, text printed at a current position,
// solid or dashed lines. The base keeps the state (scale, current position, line style) and
// hands each resolved primitive to the implementation.
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
    void MoveTo(double x, double y);
    void SetDashed(bool dashed) { dashed_ = dashed; }

    double CurrentX() const { return curX_; }
    double CurrentY() const { return curY_; }
    bool dashed() const { return dashed_; }
    double ScaleLeft() const { return left_; }
    double ScaleTop() const { return top_; }
    double ScaleRight() const { return right_; }
    double ScaleBottom() const { return bottom_; }

    // Draws a recorded primitive as it was drawn (state follows as for the operation itself).
    void Apply(const PlotPrimitive& p);

    // Height of one text line as a share of the scale's height; the front ends choose their
    // font so that a line takes this share of the window.
    static constexpr double kTextLineShare = 1.0 / 35.0;

  protected:
    virtual void Emit(const PlotPrimitive& p) = 0;

  private:
    double left_ = 0, top_ = 0, right_ = 1, bottom_ = 1;
    double curX_ = 0, curY_ = 0;
    bool dashed_ = false;
};

}  // namespace talvex
