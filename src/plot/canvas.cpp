#include "plot/canvas.h"

#include "core/checked_math.h"

namespace talvex {

PlotPrimitive Canvas::Drawn(PlotPrimitive::Kind kind, double x1, double y1, double x2, double y2) const {
    PlotPrimitive p;
    p.kind = kind;
    p.x1 = x1;
    p.y1 = y1;
    p.x2 = x2;
    p.y2 = y2;
    p.dashed = (kind == PlotPrimitive::Kind::Line || kind == PlotPrimitive::Kind::Box) && dashed_;
    p.color = color_;
    p.width = width_;
    return p;
}

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
    Apply(Drawn(PlotPrimitive::Kind::Line, x1, y1, x2, y2));
}

void Canvas::LineTo(double x, double y) {
    Line(curX_, curY_, x, y);
}

void Canvas::Point(double x, double y) {
    Apply(Drawn(PlotPrimitive::Kind::Point, x, y, 0, 0));
}

void Canvas::Box(double x1, double y1, double x2, double y2) {
    Apply(Drawn(PlotPrimitive::Kind::Box, x1, y1, x2, y2));
}

void Canvas::Print(const std::string& text) {
    Print(text, TextAlign::Left, TextVAlign::Top);
}

void Canvas::Print(const std::string& text, TextAlign align, TextVAlign valign, int group) {
    PlotPrimitive p = Drawn(PlotPrimitive::Kind::Text, curX_, curY_, 0, 0);
    p.text = text;
    p.align = align;
    p.valign = valign;
    p.group = group;
    Apply(p);
}

void Canvas::Legend(double x1, double y1, double x2, double y2, LegendCorner corner, std::vector<LegendEntry> entries) {
    PlotPrimitive p = Drawn(PlotPrimitive::Kind::Legend, x1, y1, x2, y2);
    p.corner = corner;
    p.entries = std::move(entries);
    Apply(p);
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
    Checked(p.width);
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
        case Kind::Legend:
            break;
    }
    if (p.kind == Kind::Line || p.kind == Kind::Box) {
        dashed_ = p.dashed;
        width_ = p.width;
    }
    if (p.kind != Kind::Clear && p.kind != Kind::Scale) color_ = p.color;
    Emit(p);
}

}  // namespace talvex
