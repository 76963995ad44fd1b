#pragma once

#include <string>
#include <vector>

#include "plot/canvas.h"

namespace talvex {

// Keeps every primitive since the last Clear: the plot window's drawing, which any other canvas
// can replay, and the tests' view of what was drawn.
class RecordingCanvas : public Canvas {
  public:
    const std::vector<PlotPrimitive>& primitives() const { return primitives_; }
    // No drawing at all, as before anything was drawn.
    void Reset() {
        primitives_.clear();
        ++revision_;
    }
    void Replay(Canvas& target) const;

    // One normalised line per primitive, stable across compilers and rounding noise:
    //   clear | scale L T R B | line solid|dashed [#rrggbb] [wW] X1 Y1 X2 Y2 |
    //   box solid|dashed [#rrggbb] [wW] X1 Y1 X2 Y2 | point [#rrggbb] X Y |
    //   text [ALIGN] [gN] [#rrggbb] X Y "TEXT" |
    //   legend CORNER X1 Y1 X2 Y2 | #rrggbb points|squares|line "TEXT" | ...
    // The ink is written when it is not black, the pen when it is not the frame's (w1), the
    // alignment (right-middle...) when it is not left-top, the label group when there is one.
    // Numbers have six significant digits in a fixed layout (1.50000E-06); a coordinate smaller
    // than 1e-9 of its axis' extent is written as 0, so -0 and rounding residue never show.
    std::vector<std::string> Lines() const;
    std::string Text() const;  // the lines, each ended by a newline

    // Counts every primitive drawn and every clear, so a window can tell that the drawing changed.
    unsigned long revision() const { return revision_; }

  protected:
    void Emit(const PlotPrimitive& p) override;

  private:
    std::vector<PlotPrimitive> primitives_;
    unsigned long revision_ = 0;
};

}  // namespace talvex
