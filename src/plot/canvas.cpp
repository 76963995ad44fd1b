#include "plot/canvas.h"

#include "core/checked_math.h"

namespace talvex {

void Canvas::Scale(double left, double top, double right, double bottom) {
    PlotPrimitive p;
    p.kind = PlotPrimitive::Kind::Scale;
    p.x1 = left;
    p.y1 = top;
    p.x2 = right;
    p.y2 = bottom;
    Apply(p);
}

void Canvas::Clear() {
    Apply(PlotPrimitive{});
}

void Canvas::Line(double x1, double y1, double x2, double y2) {
    Apply({PlotPrimitive::Kind::Line, x1, y1, x2, y2, dashed_, {}});
}

void Canvas::LineTo(double x, double y) {
    Line(curX_, curY_, x, y);
}

void Canvas::Point(double x, double y) {
    Apply({PlotPrimitive::Kind::Point, x, y, 0, 0, false, {}});
}

void Canvas::Box(double x1, double y1, double x2, double y2) {
    Apply({PlotPrimitive::Kind::Box, x1, y1, x2, y2, dashed_, {}});
}

void Canvas::Print(const std::string& text) {
    Apply({PlotPrimitive::Kind::Text, curX_, curY_, 0, 0, false, text});
}

void Canvas::MoveTo(double x, double y) {
    curX_ = Checked(x);
    curY_ = Checked(y);
}

void Canvas::Apply(const PlotPrimitive& p) {
    using Kind = PlotPrimitive::Kind;
    // Nothing that is not a finite number reaches a drawing.
    Checked(p.x1);
    Checked(p.y1);
    Checked(p.x2);
    Checked(p.y2);
    switch (p.kind) {
        case Kind::Clear:
            curX_ = left_;
            curY_ = top_;
            break;
        case Kind::Scale:
            if (p.x1 == p.x2 || p.y1 == p.y2) Raise(ErrorCode::InvalidProcedureCall);
            Checked(p.x2 - p.x1);
            Checked(p.y2 - p.y1);
            left_ = p.x1;
            top_ = p.y1;
            right_ = p.x2;
            bottom_ = p.y2;
            break;
        case Kind::Line:
        case Kind::Box:
            curX_ = p.x2;
            curY_ = p.y2;
            break;
        case Kind::Point:
            curX_ = p.x1;
            curY_ = p.y1;
            break;
        case Kind::Text:
            curX_ = left_;
            curY_ = p.y1 + (bottom_ - top_) * kTextLineShare;
            break;
    }
    if (p.kind == Kind::Line || p.kind == Kind::Box) dashed_ = p.dashed;
    Emit(p);
}

}  // namespace talvex
