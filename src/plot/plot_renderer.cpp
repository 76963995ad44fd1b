#include "plot/plot_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/checked_math.h"
#include "core/text_number.h"
#include "plot/display.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
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

// Tick and grid loops step through a range; a step so small against the range that the loop would
// not end in reasonable time (possible only with typed limits) ends the drawing like any other
// failure.
constexpr double kMaxSteps = 100000;

// Steps of a loop from `from` by `step` towards `to` (inclusive); the tolerance keeps the last
// tick when rounding of the step lands it a hair beyond the limit.
int StepCount(double from, double to, double step) {
    const double steps = Div(to - from, step);
    if (steps > kMaxSteps) Raise(ErrorCode::Overflow);
    return steps < -1e-9 ? -1 : static_cast<int>(std::floor(steps + 1e-9));
}

// CInt: a 16-bit whole number, halves to even.
int CInt(double x) {
    return RoundToInt<std::int16_t>(x);
}

std::string QuantityCaption(const std::string& quantity) {
    if (quantity == "current I") return "I /A  ";
    if (quantity == "resistance R") return "R /Ohm  ";
    if (quantity == "conductance Cond") return "Cond *Ohm  ";
    if (quantity == "surface concentration C") return "C /M  ";
    return "";
}

class Renderer {
  public:
    explicit Renderer(Display& display)
        : display_(display), m_(display.model), opt_(display.formOption), c_(display.formPlot.canvas()) {}

    void Draw() {
        const int first = m_.IFirst;
        const int last = m_.ILast;
        const int nCurves = m_.NCurves;

        // 1. Working copy of the curves; the dialog's settings into the model; a clean window.
        CopyCurves(first, last, nCurves);
        opt_.OK();
        display_.formPlot.Show();
        c_.Clear();

        // 2. Automatic X range.
        if (opt_.Xauto.checked()) {
            double xmax = m_.Xdata(first), xmin = m_.Xdata(last);
            for (int k = first; k <= last; ++k) {
                xmax = std::max(xmax, m_.Xdata(k));
                xmin = std::min(xmin, m_.Xdata(k));
            }
            m_.PlotXmax = xmax;
            m_.PlotXmin = xmin;
        }

        // 3. Automatic Y range, always containing 0.
        const bool yauto = opt_.Yauto.checked();
        if (yauto) {
            double ymax = 0, ymin = 0;
            for (double y : work_) {
                ymax = std::max(ymax, y);
                ymin = std::min(ymin, y);
            }
            m_.PlotYmax = ymax;
            m_.PlotYmin = ymin;
        }

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
        const double xleft = Checked(xmin - 0.1 * xrange);
        const double xright = Checked(xmax + 0.1 * xrange);
        const double ytop = Checked(ymax + 1.5 * L);
        const double ybottom = Checked(ymin - 1.8 * L);
        c_.Scale(xleft, ytop, xright, ybottom);

        // 7. Y caption with the unit's multiplier.
        const std::string caption = QuantityCaption(opt_.ComboY.text());
        if (!caption.empty()) {
            c_.MoveTo(xleft, ytop);
            c_.Print(caption + FormatNumber(L, "0E-0"));
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

        // 10. Frame; 11. X caption.
        c_.Box(xmin, ymin, xmax, ymax);
        c_.MoveTo((xmin + xmax) / 2, ymin - L);
        c_.Print("E /V");

        // 12. Curves.
        for (int j = 1; j <= nCurves; ++j) DrawCurve(j, first, last, xrange, yrange);

        // 13. X ticks, about 0.1 V apart.
        const int nx = CInt(10 * xrange);
        const double dx = Div(xrange, nx);
        const int xsteps = StepCount(xmin, xmax, dx);
        for (int i = 0; i <= xsteps; ++i) {
            const double x = xmin + i * dx;
            c_.Line(x, ymin, x, ymin + 0.02 * yrange);
            c_.MoveTo(x, ymin);
            c_.Print(FormatNumber(x, "0.##"));
        }

        // 14./15. Y ticks in units of L, beside the left edge of the frame as it appears.
        if (!mirrored) {
            const int ny = CInt(Div(ymax, L));
            const double dy = Div(ymax, ny);
            const int ysteps = StepCount(ymin, ymax, dy);
            for (int i = 0; i <= ysteps; ++i) {
                const double y = ymin + i * dy;
                c_.Line(xmin, y, xmin + 0.01 * xrange, y);
                c_.MoveTo(xmin - 0.04 * xrange, y);
                c_.Print(FormatNumber(y / L, "0"));
            }
        } else {
            const int ny = CInt(Div(ymin, L));
            const double dy = Div(ymin, ny);
            const int ysteps = StepCount(ymin, ymax, dy);
            for (int i = 0; i <= ysteps; ++i) {
                const double y = ymax - i * dy;
                c_.Line(xmax, y, xmax - 0.01 * xrange, y);
                c_.MoveTo(xmax + 0.04 * xrange, y);
                c_.Print(FormatNumber(y / L, "0"));
            }
        }

        // 16. Grid: the lines on the frame's edges are the frame itself.
        if (m_.ShowGrid) {
            for (int i = 0; i <= xsteps; ++i) {
                const double x = xmin + i * dx;
                if (x >= xmax - 1e-9 * dx) break;
                c_.Line(x, ymin, x, ymax);
            }
            const int ny = CInt(Div(ymax, L));
            const double dy = Div(ymax, ny);
            const int ysteps = StepCount(ymin, ymax, dy);
            for (int i = 0; i <= ysteps; ++i) {
                const double y = ymin + i * dy;
                if (y >= ymax - 1e-9 * dy) break;
                c_.Line(xmin, y, xmax, y);
            }
            c_.SetDashed(false);
        }
    }

  private:
    void CopyCurves(int first, int last, int nCurves) {
        points_ = last >= first ? last - first + 1 : 0;
        work_.clear();
        for (int j = 1; j <= nCurves; ++j)
            for (int k = first; k <= last; ++k) work_.push_back(m_.Yplot(k, j));
        first_ = first;
    }

    double Y(int k, int j) const { return work_[static_cast<std::size_t>((j - 1) * points_ + (k - first_))]; }

    // Curves 1..5 take the style chosen for them; a sixth curve (six species' surface
    // concentrations) has no entry and is drawn as a solid line.
    int StyleOf(int j) const { return j < Table1<Int, 6>::kSize ? m_.LineStyle(j).value() : 3; }

    void DrawCurve(int j, int first, int last, double xrange, double yrange) {
        switch (StyleOf(j)) {
            case 1:
                for (int k = first; k <= last; ++k) c_.Point(m_.Xdata(k), Y(k, j));
                break;
            case 2: {
                const double w = 0.01 * xrange, h = 0.01 * yrange;
                for (int k = first; k <= last; ++k) {
                    const double x = m_.Xdata(k) - 0.005 * xrange, y = Y(k, j) - 0.005 * yrange;
                    c_.Box(x, y, x + w, y + h);
                }
                break;
            }
            case 3:
                if (last < first) break;
                c_.Point(m_.Xdata(first), Y(first, j));
                for (int k = first + 1; k <= last; ++k) c_.LineTo(m_.Xdata(k), Y(k, j));
                break;
            default:
                break;
        }
    }

    Display& display_;
    Model& m_;
    FormOption& opt_;
    Canvas& c_;
    std::vector<double> work_;
    int points_ = 0;
    int first_ = 0;
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
