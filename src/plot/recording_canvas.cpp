#include "plot/recording_canvas.h"

#include <cmath>
#include <cstdio>

#include "core/text_number.h"

namespace talvex {
namespace {

std::string Coordinate(double v, double extent) {
    if (std::fabs(v) <= 1e-9 * std::fabs(extent)) v = 0.0;
    return FormatNumber(v, "0.00000E+00");
}

// The ink and pen when they are not the frame's: " #0072b2", " w1.5".
std::string Ink(const PlotPrimitive& p, bool pen) {
    std::string out;
    if (p.color != kBlack) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%06x", static_cast<unsigned>(p.color & 0xffffffu));
        out += std::string(" ") + hex;
    }
    if (pen && p.width != 1) out += " w" + GeneralFormat(p.width);
    return out;
}

// The ink and pen of a line or box, between its style and its coordinates: "#0072b2 w1.5 ".
std::string AfterStyle(const PlotPrimitive& p) {
    const std::string ink = Ink(p, true);
    return ink.empty() ? ink : ink.substr(1) + " ";
}

const char* AlignName(const PlotPrimitive& p) {
    static const char* const kNames[3][2] = {
        {"left-top", "left-middle"}, {"center-top", "center-middle"}, {"right-top", "right-middle"}};
    return kNames[static_cast<int>(p.align)][static_cast<int>(p.valign)];
}

const char* CornerName(LegendCorner c) {
    switch (c) {
        case LegendCorner::TopRight:
            return "top-right";
        case LegendCorner::TopLeft:
            return "top-left";
        case LegendCorner::BottomLeft:
            return "bottom-left";
        case LegendCorner::BottomRight:
            return "bottom-right";
    }
    return "";
}

}  // namespace

void RecordingCanvas::Emit(const PlotPrimitive& p) {
    if (p.kind == PlotPrimitive::Kind::Clear) primitives_.clear();
    primitives_.push_back(p);
    ++revision_;
}

void RecordingCanvas::Replay(Canvas& target) const {
    for (const PlotPrimitive& p : primitives_) target.Apply(p);
    target.Flush();
}

std::vector<std::string> RecordingCanvas::Lines() const {
    using Kind = PlotPrimitive::Kind;
    std::vector<std::string> lines;
    lines.reserve(primitives_.size());
    double width = 1, height = 1;
    auto xy = [&](double x, double y) { return Coordinate(x, width) + " " + Coordinate(y, height); };
    for (const PlotPrimitive& p : primitives_) {
        const std::string style = p.dashed ? "dashed " : "solid ";
        switch (p.kind) {
            case Kind::Clear:
                lines.push_back("clear");
                break;
            case Kind::Scale:
                width = p.x2 - p.x1;
                height = p.y2 - p.y1;
                lines.push_back("scale " + xy(p.x1, p.y1) + " " + xy(p.x2, p.y2));
                break;
            case Kind::Line:
                lines.push_back("line " + style + AfterStyle(p) + xy(p.x1, p.y1) + " " + xy(p.x2, p.y2));
                break;
            case Kind::Box:
                lines.push_back("box " + style + AfterStyle(p) + xy(p.x1, p.y1) + " " + xy(p.x2, p.y2));
                break;
            case Kind::Point:
                lines.push_back("point" + Ink(p, false) + " " + xy(p.x1, p.y1));
                break;
            case Kind::Text: {
                std::string head = "text";
                if (p.align != TextAlign::Left || p.valign != TextVAlign::Top) head += std::string(" ") + AlignName(p);
                if (p.group != 0) head += " g" + std::to_string(p.group);
                lines.push_back(head + Ink(p, false) + " " + xy(p.x1, p.y1) + " \"" + p.text + "\"");
                break;
            }
            case Kind::Legend: {
                std::string line =
                    std::string("legend ") + CornerName(p.corner) + " " + xy(p.x1, p.y1) + " " + xy(p.x2, p.y2);
                for (const LegendEntry& e : p.entries) {
                    PlotPrimitive ink;
                    ink.color = e.color;
                    const std::string color = Ink(ink, false);
                    line += " |" + (color.empty() ? std::string(" #000000") : color) + " " +
                            (e.style == 1   ? "points"
                             : e.style == 2 ? "squares"
                                            : "line") +
                            " \"" + e.text + "\"";
                }
                lines.push_back(line);
                break;
            }
        }
    }
    return lines;
}

std::string RecordingCanvas::Text() const {
    std::string out;
    for (const std::string& line : Lines()) out += line + "\n";
    return out;
}

}  // namespace talvex
