#include "plot/plot_curves.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/codes.h"
#include "plot/display.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"

namespace talvex {
namespace {

// FNV-1a over whole 64-bit words: each step is a bijection of the state for a given word, so a
// change of any one value always changes the fingerprint.
class Fingerprint {
  public:
    void Add(std::uint64_t word) { hash_ = (hash_ ^ word) * 0x100000001b3ULL; }
    void Add(double value) {
        std::uint64_t word = 0;
        std::memcpy(&word, &value, sizeof word);
        Add(word);
    }
    void Add(int value) { Add(static_cast<std::uint64_t>(static_cast<std::int64_t>(value))); }
    std::uint64_t value() const { return hash_; }

  private:
    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

int StoreCurves(const Model& m) {
    return std::clamp<int>(m.NCurves, 0, 6);
}

// The store's column j drawn in the style chosen for curves 1..5 (a sixth curve, six species'
// surface concentrations, has no entry); "by kind" (0) draws a measured curve as markers and any
// other as a line.
int StyleOf(const Model& m, int j) {
    const int chosen = j < Table1<Int, 6>::kSize ? m.LineStyle(j).value() : 0;
    if (chosen != 0) return chosen;
    const bool measured = m.CurveKind.InRange(j) && m.CurveKind(j) == curve::Measured;
    return measured ? 2 : 3;
}

}  // namespace

std::uint64_t StoreStamp(const Model& m) {
    Fingerprint f;
    const int n = std::clamp<int>(m.NData, 0, kMaxPoints), curves = StoreCurves(m);
    f.Add(n);
    f.Add(curves);
    f.Add(m.IFirst.value());
    f.Add(m.ILast.value());
    for (int k = 1; k <= n; ++k) f.Add(m.Xdata(k));
    for (int j = 1; j <= curves; ++j) {
        f.Add(static_cast<int>(m.CurveKind(j)));
        for (int k = 1; k <= n; ++k) f.Add(m.Yplot(k, j));
    }
    return f.value();
}

void SetOverlay(Display& display, std::vector<OverlayCurve> curves) {
    display.overlay.curves = std::move(curves);
    display.overlay.stamp = StoreStamp(display.model);
}

bool OverlayActive(const Display& display) {
    return !display.overlay.curves.empty() && display.overlay.stamp == StoreStamp(display.model);
}

std::vector<PlotCurve> CurvesOnPlot(const Display& display) {
    const Model& m = display.model;
    const std::string quantity = display.formOption.ComboY.text();
    std::vector<PlotCurve> curves;
    if (OverlayActive(display)) {
        // The overlay holds currents, as the store's first column did when it was set.
        const AxisQuantity current = CurveQuantity(m, quantity, 1);
        int id = 0;
        for (const OverlayCurve& o : display.overlay.curves) {
            PlotCurve c;
            c.id = ++id;
            c.name = o.name;
            c.quantity = current;
            c.color = CurveColor(o.pair);
            // Past the palette the colours come round again: the later pairs' markers are points.
            c.style = o.measured ? (o.pair <= 6 ? 2 : 1) : 3;
            c.shown = !o.hidden;
            c.x = o.x;
            c.y = o.y;
            c.y.resize(c.x.size());
            curves.push_back(std::move(c));
        }
        return curves;
    }
    const int first = std::max<int>(m.IFirst, 1), last = std::min<int>(m.ILast, kMaxPoints);
    const PlotView& view = display.formPlot.view;
    for (int j = 1; j <= StoreCurves(m); ++j) {
        PlotCurve c;
        c.id = c.column = j;
        c.name = CurveName(m, quantity, j);
        c.quantity = CurveQuantity(m, quantity, j);
        c.color = CurveColor(j);
        c.style = StyleOf(m, j);
        c.shown = view.Shown(j);
        c.firstPoint = first;
        c.x.reserve(static_cast<std::size_t>(std::max(0, last - first + 1)));
        c.y.reserve(c.x.capacity());
        for (int k = first; k <= last; ++k) {
            c.x.push_back(m.Xdata(k));
            c.y.push_back(m.Yplot(k, j));
        }
        curves.push_back(std::move(c));
    }
    return curves;
}

AxisQuantity YAxisQuantity(const Display& display, const std::vector<PlotCurve>& curves) {
    const PlotCurve* axis = nullptr;
    for (const PlotCurve& c : curves) {
        if (!c.shown) continue;
        if (c.column != 0 && c.column == display.model.CurCurve) return c.quantity;
        if (!axis) axis = &c;
    }
    return axis ? axis->quantity : CurveQuantity(display.model, display.formOption.ComboY.text(), 1);
}

}  // namespace talvex
