#include "analysis/peak_finding.h"

#include <cmath>

#include "core/checked_math.h"
#include "core/text_number.h"

namespace talvex {
namespace {

constexpr char kCurrentPattern[] = "0.####E-0";

// The shape test on magnitudes: the two neighbours rise towards k over two and over four points,
// so a spike one point wide fails it, and k is not below either neighbour.
bool IsPeak(const Model& m, int j, int k, double threshold) {
    auto a = [&](int i) { return std::fabs(m.Yplot(i, j)); };
    return a(k - 1) > a(k - 4) && a(k + 1) > a(k + 4) && a(k - 1) > a(k - 2) && a(k + 1) > a(k + 2) &&
           a(k) >= a(k - 1) && a(k) >= a(k + 1) && a(k) > threshold;
}

struct Vertex {
    double E;
    double I;
};

// The top of the parabola through the sampled peak and its two neighbours. Read straight off the
// samples, the peak would be up to half a step from the true one, and Ep - Ep/2 would carry that
// error twice; the vertex brings both within a fraction of a millivolt at 1-5 mV steps. Where the
// parabola is undefined (repeated potentials at a vertex of the scan, a flat top) the sample
// stands.
Vertex PeakVertex(const Model& m, int j, int k) {
    const double x0 = m.Xdata(k - 1), x1 = m.Xdata(k), x2 = m.Xdata(k + 1);
    const double y0 = std::fabs(m.Yplot(k - 1, j)), y1 = std::fabs(m.Yplot(k, j)), y2 = std::fabs(m.Yplot(k + 1, j));
    const Vertex sample{x1, m.Yplot(k, j)};
    if (x0 == x1 || x1 == x2 || x0 == x2) return sample;
    const double s1 = (y1 - y0) / (x1 - x0), s2 = (y2 - y1) / (x2 - x1);
    const double curvature = (s2 - s1) / (x2 - x0);
    if (!(curvature < 0) || !std::isfinite(curvature)) return sample;
    double xv = (x0 + x1) / 2 - s1 / (2 * curvature);
    // y1 is not below its neighbours, so the vertex lies between them; guard the rounding.
    xv = std::fmin(std::fmax(xv, std::fmin(x0, x2)), std::fmax(x0, x2));
    const double yv = y0 + s1 * (xv - x0) + curvature * (xv - x0) * (xv - x1);
    if (!std::isfinite(yv) || yv < y1) return sample;
    return {xv, std::copysign(yv, m.Yplot(k, j))};
}

// Potential where the curve, scanned from `first`, first reaches half the first peak's magnitude,
// interpolated linearly between the two points around it.
double HalfPeakPotential(const Model& m, int j, int first, int last, double peakCurrent) {
    const double h = std::fabs(peakCurrent) / 2;
    for (int k = first; k <= last; ++k) {
        const double ak = std::fabs(m.Yplot(k, j));
        if (ak < h) continue;
        if (k == first) return m.Xdata(k);
        const double before = std::fabs(m.Yplot(k - 1, j));
        if (ak == before) return m.Xdata(k);
        return m.Xdata(k - 1) + (h - before) / (ak - before) * (m.Xdata(k) - m.Xdata(k - 1));
    }
    return m.Xdata(last);
}

void ReportCurve(const Model& m, int j, int first, int last, PeakTables& t, ResultWindow& out) {
    out.Print().Zone().Text("Curve ").Num(j).Text(":").End();
    for (int p = 1; p <= PeakTables::kMaxPeaks; ++p) {
        t.PeakE(p, j) = 0;
        t.PeakI(p, j) = 0;
        t.PeakHalfE(p, j) = 0;
    }
    t.NPeaks = 0;
    const double threshold = 0.02 * std::fabs(m.PlotYmax - m.PlotYmin);

    bool morePeaks = false;
    for (int k = first + 4; k <= last - 4; ++k) {
        if (!IsPeak(m, j, k, threshold)) continue;
        if (t.NPeaks == PeakTables::kMaxPeaks) {
            morePeaks = true;
            break;
        }
        t.NPeaks = t.NPeaks + 1;
        const Vertex v = PeakVertex(m, j, k);
        t.PeakE(t.NPeaks, j) = v.E;
        t.PeakI(t.NPeaks, j) = v.I;
    }
    const int nPeaks = t.NPeaks;
    if (nPeaks >= 1) t.PeakHalfE(1, j) = HalfPeakPotential(m, j, first, last, t.PeakI(1, j));

    for (int p = 1; p <= nPeaks; ++p) {
        auto line = out.Print();
        line.Text("Peak ").Num(p).Text(":").Zone();
        line.Text("Ep= ").Num(t.PeakE(p, j)).Text("V").Zone();
        line.Text("Ip= ").Text(FormatNumber(t.PeakI(p, j), kCurrentPattern)).Text("A").Zone();
        if (p == 1) line.Text("Ep - Ep/2= ").Num(t.PeakE(1, j) - t.PeakHalfE(1, j)).Text("V");
        line.End();
    }
    if (morePeaks)
        out.Print()
            .Text("More than ")
            .Num(PeakTables::kMaxPeaks)
            .Text("peaks: the further peaks of this curve are not listed")
            .End();

    if (nPeaks != 2 || m.ScanCycles != 1) return;
    const double E1 = t.PeakE(1, j), E2 = t.PeakE(2, j);
    out.Print()
        .Text("Ep2 - Ep1 = ")
        .Num(E2 - E1)
        .Text("V")
        .Zone()
        .Text("(Ep2 + Ep1)/2 = ")
        .Num((E1 + E2) / 2)
        .Text("V")
        .End();
    if (m.Technique != 1) return;

    // Nicholson's reading of the reverse peak: the anodic current measured from zero, plus the
    // share of the decaying forward current still flowing under it.
    const double Ipc = t.PeakI(1, j), Ipa0 = t.PeakI(2, j);
    const double Isp = m.Yplot(RoundToInt(m.PointsPerSweep), j);
    const double ratio = std::fabs(Div(Ipa0, Ipc)) + 0.485 * std::fabs(Div(Isp, Ipc)) + 0.08;
    out.Print().Text("Ipa/Ipc = ").Num(ratio).End();
    out.Print()
        .Text("Ipc = ")
        .Text(FormatNumber(Ipc, kCurrentPattern))
        .Text("A")
        .Zone()
        .Text("Ipa = ")
        .Text(FormatNumber(-ratio * Ipc, kCurrentPattern))
        .Text("A")
        .End();
}

}  // namespace

void FindPeaks(const Model& m, int first, int last, PeakTables& peaks, ResultWindow& out) {
    for (int j = 1; j <= m.NCurves; ++j) ReportCurve(m, j, first, last, peaks, out);
}

void FindPeaks(const Model& m, PeakTables& peaks, ResultWindow& out) {
    FindPeaks(m, m.IFirst + 2, m.ILast - 2, peaks, out);
}

}  // namespace talvex
