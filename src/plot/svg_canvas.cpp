#include "plot/svg_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "core/text_number.h"

namespace talvex {
namespace {

constexpr double kPointRadius = 1.2;
constexpr const char* kDash = "6,4";
constexpr const char* kLegendBorder = "#b0b0b0";

std::string N(double v) {
    return FormatNumber(v, "0.0#");
}

std::string Hex(Rgb color) {
    if (color == kBlack) return "black";
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%06x", static_cast<unsigned>(color & 0xffffffu));
    return hex;
}

// The stroke of a line or box when it is not the group's black one-unit pen.
std::string Stroke(const PlotPrimitive& p) {
    std::string out;
    if (p.color != kBlack) out += " stroke=\"" + Hex(p.color) + "\"";
    if (p.width != 1) out += " stroke-width=\"" + N(p.width) + "\"";
    return out;
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

// Characters, not bytes: a UTF-8 continuation byte starts no character.
std::size_t Characters(const std::string& text) {
    std::size_t n = 0;
    for (char ch : text) n += (static_cast<unsigned char>(ch) & 0xc0) != 0x80;
    return n;
}

}  // namespace

SvgCanvas::SvgCanvas(int width, int height) : width_(std::max(1, width)), height_(std::max(1, height)) {}

double SvgCanvas::Px(double x) const {
    return (x - ScaleLeft()) / (ScaleRight() - ScaleLeft()) * width_;
}
double SvgCanvas::Py(double y) const {
    return (y - ScaleTop()) / (ScaleBottom() - ScaleTop()) * height_;
}
double SvgCanvas::FontSize() const {
    return height_ * kTextLineShare * kFontShareOfLine;
}
double SvgCanvas::TextWidth(const std::string& text) const {
    return static_cast<double>(Characters(text)) * kCharShareOfFont * FontSize();
}

void SvgCanvas::Emit(const PlotPrimitive& p) {
    using Kind = PlotPrimitive::Kind;
    switch (p.kind) {
        case Kind::Clear:
            elements_.clear();
            lastLabel_.clear();
            break;
        case Kind::Scale:
            break;
        case Kind::Line:
            elements_.push_back("<line x1=\"" + N(Px(p.x1)) + "\" y1=\"" + N(Py(p.y1)) + "\" x2=\"" + N(Px(p.x2)) +
                                "\" y2=\"" + N(Py(p.y2)) + "\"" + Stroke(p) + Dash(p.dashed) + "/>");
            break;
        case Kind::Box: {
            const double xa = Px(p.x1), xb = Px(p.x2), ya = Py(p.y1), yb = Py(p.y2);
            elements_.push_back("<rect x=\"" + N(std::min(xa, xb)) + "\" y=\"" + N(std::min(ya, yb)) + "\" width=\"" +
                                N(std::fabs(xb - xa)) + "\" height=\"" + N(std::fabs(yb - ya)) + "\"" + Stroke(p) +
                                Dash(p.dashed) + "/>");
            break;
        }
        case Kind::Point:
            elements_.push_back("<circle cx=\"" + N(Px(p.x1)) + "\" cy=\"" + N(Py(p.y1)) + "\" r=\"" + N(kPointRadius) +
                                "\" fill=\"" + Hex(p.color) + "\" stroke=\"none\"/>");
            break;
        case Kind::Text: {
            const double font = FontSize(), w = TextWidth(p.text);
            double left = Px(p.x1), top = Py(p.y1);
            if (p.align == TextAlign::Center) left -= w / 2;
            if (p.align == TextAlign::Right) left -= w;
            if (p.valign == TextVAlign::Middle) top -= font / 2;
            if (p.group != 0) {
                // A label that would overlap the last one drawn of its group is left out.
                const auto last = lastLabel_.find(p.group);
                if (last != lastLabel_.end()) {
                    const std::vector<double>& b = last->second;
                    const double gap = 0.5 * font;
                    if (left < b[2] + gap && b[0] < left + w + gap && top < b[3] && b[1] < top + font) break;
                }
                lastLabel_[p.group] = {left, top, left + w, top + font};
            }
            // The position is the text's top-left corner (or middle); SVG places the baseline.
            elements_.push_back("<text x=\"" + N(left) + "\" y=\"" + N(top + 0.9 * font) + "\" fill=\"" + Hex(p.color) +
                                "\" stroke=\"none\" xml:space=\"preserve\">" + Escaped(p.text) + "</text>");
            break;
        }
        case Kind::Legend:
            EmitLegend(p);
            break;
    }
}

void SvgCanvas::EmitLegend(const PlotPrimitive& p) {
    if (p.entries.empty()) return;
    const double font = FontSize(), line = height_ * kTextLineShare;
    const double xa = Px(p.x1), xb = Px(p.x2), ya = Py(p.y1), yb = Py(p.y2);
    const LegendLayout l = LayOutLegend(p.entries, p.corner, std::min(xa, xb), std::min(ya, yb), std::max(xa, xb),
                                        std::max(ya, yb), line, [this](const std::string& t) { return TextWidth(t); });
    elements_.push_back("<rect x=\"" + N(l.left) + "\" y=\"" + N(l.top) + "\" width=\"" + N(l.width) + "\" height=\"" +
                        N(l.height) + "\" fill=\"white\" fill-opacity=\"0.9\" stroke=\"" + kLegendBorder + "\"/>");
    for (std::size_t i = 0; i < p.entries.size(); ++i) {
        const LegendEntry& e = p.entries[i];
        const double top = l.top + l.pad + line * static_cast<double>(i), mid = top + line / 2;
        const double x0 = l.left + l.pad, x1 = x0 + l.sampleWidth;
        const std::string color = Hex(e.color);
        if (e.style == 3) {
            elements_.push_back("<line x1=\"" + N(x0) + "\" y1=\"" + N(mid) + "\" x2=\"" + N(x1) + "\" y2=\"" + N(mid) +
                                "\" stroke=\"" + color + "\" stroke-width=\"1.5\"/>");
        } else {
            for (int k = 0; k < 3; ++k) {
                const double cx = x0 + l.sampleWidth * (0.2 + 0.3 * k);
                if (e.style == 2)
                    elements_.push_back("<rect x=\"" + N(cx - 3) + "\" y=\"" + N(mid - 3) +
                                        "\" width=\"6\" height=\"6\" stroke=\"" + color + "\"/>");
                else
                    elements_.push_back("<circle cx=\"" + N(cx) + "\" cy=\"" + N(mid) + "\" r=\"" + N(kPointRadius) +
                                        "\" fill=\"" + color + "\" stroke=\"none\"/>");
            }
        }
        elements_.push_back("<text x=\"" + N(x1 + l.pad) + "\" y=\"" + N(mid - font / 2 + 0.9 * font) +
                            "\" fill=\"black\" stroke=\"none\" xml:space=\"preserve\">" + Escaped(e.text) + "</text>");
    }
}

std::string SvgCanvas::Document() const {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string w = FormatNumber(width_, "0"), h = FormatNumber(height_, "0");
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w +
           " " + h + "\">\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    out +=
        "<g fill=\"none\" stroke=\"black\" stroke-width=\"1\" font-family=\"sans-serif\" "
        "font-size=\"" +
        N(FontSize()) + "\">\n";
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
