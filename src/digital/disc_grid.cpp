#include "digital/disc_grid.h"

#include <algorithm>
#include <cmath>

#include "core/checked_math.h"

namespace talvex {
namespace {

constexpr double kHalfPi = 1.5707963267948966;

// Box widths grow by about e^kGrowth from box to box away from the disc (across) and from the
// edge (along), up to kWidestAcross and kWidestAlong; towards pi/2 they shrink again in
// proportion to the distance from it (each box e^kFarGrowth times farther out in r than the one
// before), so the far diffusion front of a long run is followed on a geometric grid.
constexpr double kGrowth = 0.3;
constexpr double kFarGrowth = 0.35;
constexpr double kWidestAcross = 0.08;
constexpr double kWidestAlong = 0.08;
// At least this many boxes each way, however coarse the time step.
constexpr int kFewestAcross = 12;
constexpr int kFewestAlong = 8;

// A coordinate x on [0, end] whose box width grows like first + growth x, is capped at widest
// and, with far > 0, shrinks like farGrowth (far - x) towards far. Boxes are uniform in
// U(x) = integral of 1 / width, so the grid is a smooth map of a uniform one and halving `refine`
// splits every box in two.
struct Grading {
    double first, growth, widest;
    double far = 0.0;  // 0: no shrinking towards the end
    double end;

    double U(double x) const {
        double u = std::log1p(growth * x / first) / growth + x / widest;
        if (far > 0.0) u += std::log(far / (far - x)) / kFarGrowth;
        return u;
    }
    double Width(double x) const {
        double inverse = 1 / (first + growth * x) + 1 / widest;
        if (far > 0.0) inverse += 1 / (kFarGrowth * (far - x));
        return 1 / inverse;
    }
    // x with U(x) = u: Newton's method kept inside a shrinking bracket (U rises monotonically),
    // to a relative precision, since the first faces may lie many decades below the end.
    double Inverse(double u) const {
        double lo = 0.0, hi = end;
        double x = end * u / U(end);
        for (int k = 0; k < 400; ++k) {
            const double f = U(x) - u;
            if (f > 0)
                hi = x;
            else
                lo = x;
            double next = x - f * Width(x);
            if (!(next > lo && next < hi)) next = lo > 0.0 ? std::sqrt(lo * hi) : hi / 16;
            if (std::fabs(next - x) <= 1e-14 * next) return next;
            x = next;
        }
        return x;
    }
    int Boxes(int fewest, double refine) const {
        const double natural = std::max<double>(fewest, std::ceil(U(end) - 1e-9));
        return std::max(1, RoundToInt(natural / refine));
    }
    // faces[0..n] and the nodes between them, at the middle of each box in U.
    void Fill(int n, std::vector<double>& faces, std::vector<double>& nodes, int nodeOffset) const {
        const double total = U(end);
        faces.assign(static_cast<std::size_t>(n + 1), 0.0);
        faces[0] = 0.0;
        faces[static_cast<std::size_t>(n)] = end;
        for (int i = 1; i < n; ++i) faces[static_cast<std::size_t>(i)] = Inverse(total * i / n);
        for (int i = 0; i < n; ++i) nodes[static_cast<std::size_t>(i + nodeOffset)] = Inverse(total * (i + 0.5) / n);
    }
};

Grading Across(const DiscGridLayout& layout) {
    const double end = std::atan(layout.farTan);
    return {std::min(layout.firstAcross, kWidestAcross), kGrowth, kWidestAcross, kHalfPi, end};
}

Grading Along(const DiscGridLayout& layout) {
    return {std::min(layout.firstAlong, kWidestAlong), kGrowth, kWidestAlong, 0.0, 1.0};
}

void CheckLayout(const DiscGridLayout& layout) {
    if (!(layout.firstAcross > 0.0) || !(layout.firstAlong > 0.0) || !(layout.farTan > 0.0) || !(layout.refine > 0.0) ||
        !std::isfinite(layout.farTan))
        Raise(ErrorCode::InvalidProcedureCall);
}

}  // namespace

void CountDiscBoxes(const DiscGridLayout& layout, int& nG, int& nE) {
    CheckLayout(layout);
    nG = Across(layout).Boxes(kFewestAcross, layout.refine);
    nE = Along(layout).Boxes(kFewestAlong, layout.refine);
}

DiscGrid BuildDiscGrid(const DiscGridLayout& layout) {
    DiscGrid g;
    CountDiscBoxes(layout, g.nG, g.nE);
    const int nG = g.nG, nE = g.nE;
    g.gNode.assign(static_cast<std::size_t>(nG + 2), 0.0);
    Across(layout).Fill(nG, g.gFace, g.gNode, 1);
    g.gNode[static_cast<std::size_t>(nG + 1)] = kHalfPi;
    g.eNode.assign(static_cast<std::size_t>(nE), 0.0);
    Along(layout).Fill(nE, g.eFace, g.eNode, 0);

    auto at = [](const std::vector<double>& v, int i) { return v[static_cast<std::size_t>(i)]; };
    std::vector<double> tanFace(static_cast<std::size_t>(nG + 1));
    for (int j = 0; j <= nG; ++j) tanFace[static_cast<std::size_t>(j)] = std::tan(at(g.gFace, j));

    g.volume.assign(static_cast<std::size_t>(nG * nE), 0.0);
    g.along.assign(static_cast<std::size_t>(nG * nE), 0.0);
    g.across.assign(static_cast<std::size_t>((nG + 1) * nE), 0.0);
    g.ring.assign(static_cast<std::size_t>(nE), 0.0);
    for (int k = 0; k < nE; ++k) {
        const double e0 = at(g.eFace, k), e1 = at(g.eFace, k + 1);
        g.ring[static_cast<std::size_t>(k)] = e1 * e1 - e0 * e0;
    }
    for (int j = 1; j <= nG; ++j) {
        const double t0 = at(tanFace, j - 1), t1 = at(tanFace, j);
        // integral of sec^2 G and of tan^2 G sec^2 G over the box's G
        const double secant = t1 - t0;
        const double tanSecant = (t1 * t1 * t1 - t0 * t0 * t0) / 3;
        for (int k = 0; k < nE; ++k) {
            const double e0 = at(g.eFace, k), e1 = at(g.eFace, k + 1);
            g.volume[static_cast<std::size_t>(g.Box(j, k))] =
                tanSecant * (e1 - e0) + secant * (e1 * e1 * e1 - e0 * e0 * e0) / 3;
            if (k > 0)
                g.along[static_cast<std::size_t>(g.Box(j, k))] =
                    (1 - e0 * e0) * secant / (at(g.eNode, k) - at(g.eNode, k - 1));
        }
    }
    for (int j = 0; j <= nG; ++j) {
        const double distance = at(g.gNode, j + 1) - at(g.gNode, j);
        for (int k = 0; k < nE; ++k)
            g.across[static_cast<std::size_t>(j * nE + k)] = (at(g.eFace, k + 1) - at(g.eFace, k)) / distance;
    }
    return g;
}

}  // namespace talvex
