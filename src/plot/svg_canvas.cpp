#include "plot/svg_canvas.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "core/text_number.h"

namespace talvex {
namespace {

constexpr double kFontSize = SvgCanvas::kHeight * Canvas::kTextLineShare / 1.2;
constexpr double kPointRadius = 1.2;
constexpr const char* kDash = "6,4";

std::string N(double v) {
    return FormatNumber(v, "0.0#");
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (char ch : text) {
        switch (ch) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                // Control characters are not allowed in XML text.
                if (static_cast<unsigned char>(ch) >= 0x20 || ch == '\t') out += ch;
        }
    }
    return out;
}

std::string Dash(bool dashed) {
    return dashed ? std::string(" stroke-dasharray=\"") + kDash + "\"" : "";
}

}  // namespace

double SvgCanvas::Px(double x) const {
    return (x - ScaleLeft()) / (ScaleRight() - ScaleLeft()) * kWidth;
}
double SvgCanvas::Py(double y) const {
    return (y - ScaleTop()) / (ScaleBottom() - ScaleTop()) * kHeight;
}

void SvgCanvas::Emit(const PlotPrimitive& p) {
    using Kind = PlotPrimitive::Kind;
    switch (p.kind) {
        case Kind::Clear:
            elements_.clear();
            break;
        case Kind::Scale:
            break;
        case Kind::Line:
            elements_.push_back("<line x1=\"" + N(Px(p.x1)) + "\" y1=\"" + N(Py(p.y1)) + "\" x2=\"" + N(Px(p.x2)) +
                                "\" y2=\"" + N(Py(p.y2)) + "\"" + Dash(p.dashed) + "/>");
            break;
        case Kind::Box: {
            const double xa = Px(p.x1), xb = Px(p.x2), ya = Py(p.y1), yb = Py(p.y2);
            elements_.push_back("<rect x=\"" + N(std::min(xa, xb)) + "\" y=\"" + N(std::min(ya, yb)) + "\" width=\"" +
                                N(std::fabs(xb - xa)) + "\" height=\"" + N(std::fabs(yb - ya)) + "\"" + Dash(p.dashed) +
                                "/>");
            break;
        }
        case Kind::Point:
            elements_.push_back("<circle cx=\"" + N(Px(p.x1)) + "\" cy=\"" + N(Py(p.y1)) + "\" r=\"" + N(kPointRadius) +
                                "\" fill=\"black\" stroke=\"none\"/>");
            break;
        case Kind::Text:
            // The position is the text's top-left corner; SVG places the baseline.
            elements_.push_back("<text x=\"" + N(Px(p.x1)) + "\" y=\"" + N(Py(p.y1) + 0.9 * kFontSize) +
                                "\" fill=\"black\" stroke=\"none\" xml:space=\"preserve\">" + Escaped(p.text) +
                                "</text>");
            break;
    }
}

std::string SvgCanvas::Document() const {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string w = FormatNumber(kWidth, "0"), h = FormatNumber(kHeight, "0");
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w +
           " " + h + "\">\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    out +=
        "<g fill=\"none\" stroke=\"black\" stroke-width=\"1\" font-family=\"sans-serif\" "
        "font-size=\"" +
        N(kFontSize) + "\">\n";
    for (const std::string& e : elements_) out += e + "\n";
    out += "</g>\n</svg>\n";
    return out;
}

bool SvgCanvas::Write(const std::string& path) const {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file << Document();
    file.close();
    return static_cast<bool>(file);
}

}  // namespace talvex
