#include "plot/plot_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/checked_math.h"
#include "core/codes.h"
#include "core/text_number.h"
#include "plot/display.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
#include "plot/plot_curves.h"
#include "plot/plot_labels.h"
#include "plot/plot_quantity.h"

namespace talvex {
namespace {

// The decades 1e-15..1e7 written out, so that every L is exactly the decimal power.
constexpr double kDecade[] = {1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9, 1e-8, 1e-7, 1e-6, 1e-5, 1e-4,
                              1e-3,  1e-2,  1e-1,  1e0,   1e1,   1e2,   1e3,  1e4,  1e5,  1e6,  1e7};
constexpr int kFirstDecade = -15;
constexpr int kLastDecade = 6;
double Decade(int i) {
    return kDecade[i - kFirstDecade];
}

// Room around the frame, in text lines of the drawing's height: the Y caption and half a label
// above it; a gap, the X labels, a gap and the X caption below it. Being shares of the window and
// not of the data, they stay the same at any zoom.
constexpr double kTopLines = 2.2;
constexpr double kBottomLines = 3.4;
constexpr double kXLabelGap = 0.5;    // frame to the top of the X labels
constexpr double kXCaptionTop = 1.9;  // frame to the top of the X caption
// The Y labels end this share of the window's width left of the frame.
constexpr double kYLabelGap = 0.012;

// At most this many tick intervals: about 0.1 V apart on the usual potential ranges (0.6 to 1 V),
// whole multiples of the Y unit on the automatic ranges.
constexpr double kMostXIntervals = 10;
constexpr double kMostYIntervals = 8;

constexpr Rgb kGridColor = 0xd9d9d9;
constexpr double kCurvePen = 1.5;
constexpr int kXLabels = 1, kYLabels = 2;  // label groups

// The smallest of 1, 2 and 5 times a power of ten that divides `range` into at most `most` steps.
double NiceStep(double range, double most) {
    const double raw = range / most;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw * (1 - 1e-9)) return Checked(m * power);
    return Checked(10 * power);
}

// Decimals that tell ticks `step` apart (0.05 needs two).
int DecimalsOf(double step) {
    return std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
}

// A tick's label: as many decimals as the step needs, or in exponent form for numbers too large to
// be read in full.
std::string TickLabel(double value, int decimals, bool exponent) {
    if (exponent) {
        if (value == 0) return "0";
        std::string text = FormatNumber(value, "0.###E+0");
        const std::size_t point = text.find(".E");
        if (point != std::string::npos) text.erase(point, 1);
        return text;
    }
    std::string pattern = "0";
    if (decimals > 0) pattern.append(".").append(static_cast<std::size_t>(std::min(decimals, 15)), '#');
    std::string text = FormatNumber(value, pattern);
    if (!text.empty() && text.back() == '.') text.pop_back();
    if (text == "-0") text = "0";
    return text;
}

// The multiples of `step` from lo to hi (both inclusive, a hair of rounding allowed), as whole
// multiples so that 0 is exactly 0.
struct Ticks {
    long long first = 0, last = -1;
    double step = 1;
    double At(long long k) const { return k == 0 ? 0.0 : static_cast<double>(k) * step; }
    // Labels of six digits before the point and more are written with an exponent.
    bool Huge() const { return std::max(std::fabs(At(first)), std::fabs(At(last))) >= 1e6; }
};
Ticks TicksOver(double lo, double hi, double step) {
    Ticks t;
    t.step = step;
    // Multiples beyond what a whole number counts (typed limits far from 0 and close together):
    // the drawing ends like any other failure.
    if (!(std::fabs(lo / step) < 1e15 && std::fabs(hi / step) < 1e15)) Raise(ErrorCode::Overflow);
    t.first = static_cast<long long>(std::ceil(lo / step - 1e-9));
    t.last = static_cast<long long>(std::floor(hi / step + 1e-9));
    if (t.last - t.first > 1000) Raise(ErrorCode::Overflow);  // a step the loop cannot walk
    return t;
}

class Renderer {
  public:
    explicit Renderer(Display& display)
        : display_(display),
          m_(display.model),
          opt_(display.formOption),
          view_(display.formPlot.view),
          c_(display.formPlot.canvas()) {}

    void Draw() {
        const int first = m_.IFirst;
        const int last = m_.ILast;
        view_.framed = false;

        // 1. The dialog's settings into the model; a working copy of the curves (the store's or the
        // overlay's) as they say; a clean window.
        opt_.OK();
        curves_ = CurvesOnPlot(display_);
        display_.formPlot.Show();
        c_.Clear();
        c_.SetColor(kBlack);
        c_.SetWidth(1);

        // 2. X range: the zoomed view, else automatic, else typed. The automatic range takes in the
        // store's potentials and those of every curve (an overlay's curves have their own).
        if (view_.zoomed) {
            m_.PlotXmin = view_.xmin;
            m_.PlotXmax = view_.xmax;
        } else if (opt_.Xauto.checked()) {
            double xmax = m_.Xdata(first), xmin = m_.Xdata(last);
            for (int k = first; k <= last; ++k) {
                xmax = std::max(xmax, m_.Xdata(k));
                xmin = std::min(xmin, m_.Xdata(k));
            }
            for (const PlotCurve& c : curves_)
                for (double x : c.x) {
                    xmax = std::max(xmax, x);
                    xmin = std::min(xmin, x);
                }
            m_.PlotXmax = xmax;
            m_.PlotXmin = xmin;
        }

        // 3. Y range: the zoomed view, else automatic (always containing 0, over the curves on
        // view), else typed.
        const bool yauto = !view_.zoomed && opt_.Yauto.checked();
        if (view_.zoomed) {
            m_.PlotYmin = view_.ymin;
            m_.PlotYmax = view_.ymax;
        } else if (yauto) {
            const bool anyShown =
                std::any_of(curves_.begin(), curves_.end(), [](const PlotCurve& c) { return c.shown; });
            double ymax = 0, ymin = 0;
            for (const PlotCurve& c : curves_) {
                if (anyShown && !c.shown) continue;
                for (double y : c.y) {
                    ymax = std::max(ymax, y);
                    ymin = std::min(ymin, y);
                }
            }
            m_.PlotYmax = ymax;
            m_.PlotYmin = ymin;
        }
        // Typed limits the wrong way round show the same range.
        if (m_.PlotXmin > m_.PlotXmax) std::swap(m_.PlotXmin, m_.PlotXmax);
        if (m_.PlotYmin > m_.PlotYmax) std::swap(m_.PlotYmin, m_.PlotYmax);

        // 4. Decade L of the larger magnitude; automatic limits move outward to multiples of L.
        const double M = std::max(m_.PlotYmax.value(), std::fabs(m_.PlotYmin));
        double L = Decade(kLastDecade);
        for (int i = kFirstDecade; i <= kLastDecade; ++i) {
            if (Decade(i) <= M && M < Decade(i + 1)) {
                L = Decade(i);
                if (yauto) {
                    m_.PlotYmax = Checked(L * (std::trunc(Div(m_.PlotYmax, L)) + 1));
                    m_.PlotYmin = Checked(L * (std::trunc(Div(m_.PlotYmin, L)) - 1));
                }
                break;
            }
        }
        const double xmin = m_.PlotXmin, xmax = m_.PlotXmax, ymin = m_.PlotYmin, ymax = m_.PlotYmax;

        // 5. Ranges.
        const double yrange = Checked(ymax - ymin);
        const double xrange = Checked(xmax - xmin);
        if (yrange == 0 || xrange == 0) {
            display_.Message("Error: No data!");
            return;
        }

        // 6. Margins and user scale.
        const double height = Checked(yrange / (1 - (kTopLines + kBottomLines) * Canvas::kTextLineShare));
        const double line = height * Canvas::kTextLineShare;
        const double xleft = Checked(xmin - 0.1 * xrange);
        const double xright = Checked(xmax + 0.1 * xrange);
        const double ytop = Checked(ymax + kTopLines * line);
        const double ybottom = Checked(ymin - kBottomLines * line);
        c_.Scale(xleft, ytop, xright, ybottom);

        // 7. Y caption with the unit's multiplier: the quantity of the current curve.
        const AxisQuantity yq = YAxisQuantity(display_, curves_);
        if (!yq.caption.empty()) {
            c_.MoveTo(xleft, ytop);
            c_.Print(yq.caption + "  " + FormatNumber(L, "0E-0"));
        }

        // 8. Dashed zero line.
        if (ymin < 0 && 0 < ymax) {
            c_.SetDashed(true);
            c_.Line(xmin, 0, xmax, 0);
            c_.SetDashed(false);
        }

        // 9. X running from positive (left) to negative (right).
        const bool mirrored = opt_.CheckXdir.checked();
        if (mirrored) c_.Scale(xright, ytop, xleft, ybottom);

        // 10. Frame.
        c_.Box(xmin, ymin, xmax, ymax);
        view_.framed = true;
        view_.frameXmin = xmin;
        view_.frameXmax = xmax;
        view_.frameYmin = ymin;
        view_.frameYmax = ymax;

        const Ticks xt = TicksOver(xmin, xmax, NiceStep(xrange, kMostXIntervals));
        const double stepL = NiceStep(yrange / L, kMostYIntervals);
        const Ticks yt = TicksOver(ymin / L, ymax / L, stepL);

        // The grid under the curves, light, on the ticks inside the frame.
        if (m_.ShowGrid) {
            c_.SetColor(kGridColor);
            for (long long k = xt.first; k <= xt.last; ++k) {
                const double x = xt.At(k);
                if (x > xmin && x < xmax) c_.Line(x, ymin, x, ymax);
            }
            for (long long k = yt.first; k <= yt.last; ++k) {
                const double y = yt.At(k) * L;
                if (y > ymin && y < ymax) c_.Line(xmin, y, xmax, y);
            }
            c_.SetColor(kBlack);
        }

        // 11. Curves, each in its colour, within the frame.
        for (const PlotCurve& c : curves_)
            if (c.shown) DrawCurve(c, xmin, xmax, ymin, ymax);
        c_.SetColor(kBlack);
        c_.SetWidth(1);

        // 12. X ticks and their labels centred below them.
        const int xDecimals = DecimalsOf(xt.step);
        for (long long k = xt.first; k <= xt.last; ++k) {
            const double x = xt.At(k);
            c_.Line(x, ymin, x, ymin + 0.02 * yrange);
            c_.MoveTo(x, ymin - kXLabelGap * line);
            c_.Print(TickLabel(x, xDecimals, xt.Huge()), TextAlign::Center, TextVAlign::Top, kXLabels);
        }

        // 13. Y ticks in units of L on the frame's left edge as it appears, the labels' middles on
        // their ticks and their ends short of the frame.
        const double edge = mirrored ? xmax : xmin;
        const double inward = mirrored ? -0.01 * xrange : 0.01 * xrange;
        const double labelAt = mirrored ? xmax + kYLabelGap * (xright - xleft) : xmin - kYLabelGap * (xright - xleft);
        const int yDecimals = DecimalsOf(stepL);
        for (long long k = yt.first; k <= yt.last; ++k) {
            const double y = yt.At(k) * L;
            c_.Line(edge, y, edge + inward, y);
            c_.MoveTo(labelAt, y);
            c_.Print(TickLabel(yt.At(k), yDecimals, yt.Huge()), TextAlign::Right, TextVAlign::Middle, kYLabels);
        }

        // 14. X caption, centred under the labels.
        c_.MoveTo((xmin + xmax) / 2, ymin - kXCaptionTop * line);
        c_.Print(XQuantity(m_).caption, TextAlign::Center, TextVAlign::Top);

        // 15. Legend: each curve on view by name, in the corner of the frame its data leave freest.
        DrawLegend(yq, xmin, xmax, ymin, ymax);
    }

  private:
    void DrawCurve(const PlotCurve& c, double xmin, double xmax, double ymin, double ymax) {
        const double xrange = xmax - xmin, yrange = ymax - ymin;
        auto inside = [&](double x, double y) { return x >= xmin && x <= xmax && y >= ymin && y <= ymax; };
        const std::size_t n = c.x.size();
        c_.SetColor(c.color);
        switch (c.style) {
            case 1:
                for (std::size_t k = 0; k < n; ++k)
                    if (inside(c.x[k], c.y[k])) c_.Point(c.x[k], c.y[k]);
                break;
            case 2: {
                c_.SetWidth(1);
                const double w = 0.01 * xrange, h = 0.01 * yrange;
                for (std::size_t k = 0; k < n; ++k) {
                    if (!inside(c.x[k], c.y[k])) continue;
                    const double x = c.x[k] - 0.005 * xrange, y = c.y[k] - 0.005 * yrange;
                    c_.Box(x, y, x + w, y + h);
                }
                break;
            }
            case 3:
                c_.SetWidth(kCurvePen);
                if (n == 0) break;
                if (n == 1) {
                    if (inside(c.x[0], c.y[0])) c_.Point(c.x[0], c.y[0]);
                    break;
                }
                for (std::size_t k = 1; k < n; ++k)
                    Segment(c.x[k - 1], c.y[k - 1], c.x[k], c.y[k], xmin, xmax, ymin, ymax);
                break;
            default:
                break;
        }
    }

    // The part of a segment inside the frame (Liang-Barsky), so that a zoomed view draws nothing
    // over the margins; consecutive parts inside join up where they meet.
    void Segment(double x1, double y1, double x2, double y2, double xmin, double xmax, double ymin, double ymax) {
        double t0 = 0, t1 = 1;
        const double dx = x2 - x1, dy = y2 - y1;
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {x1 - xmin, xmax - x1, y1 - ymin, ymax - y1};
        for (int i = 0; i < 4; ++i) {
            if (p[i] == 0) {
                if (q[i] < 0) return;
                continue;
            }
            const double r = q[i] / p[i];
            if (p[i] < 0)
                t0 = std::max(t0, r);
            else
                t1 = std::min(t1, r);
        }
        if (t0 > t1) return;
        const double ax = t0 == 0 ? x1 : x1 + t0 * dx, ay = t0 == 0 ? y1 : y1 + t0 * dy;
        const double bx = t1 == 1 ? x2 : x1 + t1 * dx, by = t1 == 1 ? y2 : y1 + t1 * dy;
        c_.Line(ax, ay, bx, by);
    }

    void DrawLegend(const AxisQuantity& axis, double xmin, double xmax, double ymin, double ymax) {
        std::vector<LegendEntry> entries;
        std::size_t longest = 0;
        for (const PlotCurve& c : curves_) {
            if (!c.shown) continue;
            std::string text = c.name;
            if (!(c.quantity == axis)) text += " (" + c.quantity.caption + ")";
            longest = std::max(longest, text.size());
            entries.push_back({text, c.color, c.style});
        }
        if (entries.empty()) return;
        // The legend's size as a share of the frame, for a window of the usual 4:3 shape (each
        // canvas lays it out with its own font; this only picks the corner).
        const double frameShareOfHeight = 1 - (kTopLines + kBottomLines) * Canvas::kTextLineShare;
        const double lines = static_cast<double>(entries.size()) + 1.8;
        const double h = lines * Canvas::kTextLineShare / frameShareOfHeight;
        const double charShareOfWidth =
            Canvas::kTextLineShare * Canvas::kFontShareOfLine * Canvas::kCharShareOfFont * 0.75 * 1.2;
        const double w = (static_cast<double>(longest) + 5) * charShareOfWidth;
        const bool mirrored = opt_.CheckXdir.checked();
        // Corners as they appear, the top right first; the one with the fewest points wins.
        const LegendCorner corners[] = {LegendCorner::TopRight, LegendCorner::TopLeft, LegendCorner::BottomRight,
                                        LegendCorner::BottomLeft};
        LegendCorner best = LegendCorner::TopRight;
        long bestCount = -1;
        for (LegendCorner corner : corners) {
            const bool right = corner == LegendCorner::TopRight || corner == LegendCorner::BottomRight;
            const bool top = corner == LegendCorner::TopRight || corner == LegendCorner::TopLeft;
            // Shares of the frame from its left and bottom edges as they appear.
            const double sx0 = right ? 1 - w : 0, sx1 = right ? 1 : w;
            const double sy0 = top ? 1 - h : 0, sy1 = top ? 1 : h;
            long count = 0;
            for (const PlotCurve& c : curves_) {
                if (!c.shown) continue;
                for (std::size_t k = 0; k < c.x.size(); ++k) {
                    double sx = (c.x[k] - xmin) / (xmax - xmin);
                    if (mirrored) sx = 1 - sx;
                    const double sy = (c.y[k] - ymin) / (ymax - ymin);
                    count += sx >= sx0 && sx <= sx1 && sy >= sy0 && sy <= sy1;
                }
            }
            if (bestCount < 0 || count < bestCount) {
                bestCount = count;
                best = corner;
            }
        }
        c_.Legend(xmin, ymax, xmax, ymin, best, std::move(entries));
    }

    Display& display_;
    Model& m_;
    FormOption& opt_;
    PlotView& view_;
    Canvas& c_;
    std::vector<PlotCurve> curves_;
};

}  // namespace

void RenderPlot(Display& display) {
    try {
        Renderer(display).Draw();
    } catch (const RunError&) {
        // The drawing ends here; what was drawn stays on the window.
    }
}

void TransformAndRender(Display& display) {
    if (!display.model.Fitting) {
        try {
            TransformPlotQuantity(display);
        } catch (const RunError& e) {
            display.Message(e.description());
        }
    }
    RenderPlot(display);
}

}  // namespace talvex
