#include "plot/recording_canvas.h"

#include <cmath>

#include "core/text_number.h"

namespace talvex {
namespace {

std::string Coordinate(double v, double extent) {
    if (std::fabs(v) <= 1e-9 * std::fabs(extent)) v = 0.0;
    return FormatNumber(v, "0.00000E+00");
}

}  // namespace

void RecordingCanvas::Emit(const PlotPrimitive& p) {
    if (p.kind == PlotPrimitive::Kind::Clear) primitives_.clear();
    primitives_.push_back(p);
    ++revision_;
}

void RecordingCanvas::Replay(Canvas& target) const {
    for (const PlotPrimitive& p : primitives_) target.Apply(p);
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
                lines.push_back("line " + style + xy(p.x1, p.y1) + " " + xy(p.x2, p.y2));
                break;
            case Kind::Box:
                lines.push_back("box " + style + xy(p.x1, p.y1) + " " + xy(p.x2, p.y2));
                break;
            case Kind::Point:
                lines.push_back("point " + xy(p.x1, p.y1));
                break;
            case Kind::Text:
                lines.push_back("text " + xy(p.x1, p.y1) + " \"" + p.text + "\"");
                break;
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
