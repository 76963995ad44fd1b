#pragma once

#include "core/model.h"

// Differentiation, integration and semi-differentiation of one curve in place, on equally spaced
// points whose spacing is taken from the first two potentials.
namespace talvex {

// The plain-array forms: y[1..n] (y[0] unused), spacing h.
void DifferentiatePoints(double* y, int n, double h);
void IntegratePoints(double* y, int n, double h);
void SemiDifferentiatePoints(double* y, int n, double h);

// Spacing of the potential axis: |X(2) - X(1)|.
double PointSpacing(const Model& m);

// Transform column `CurCurve` of a Y table (Yplot, or Ystore when the simulation runs them) over
// points 1..NData. Fewer than 4 points: the semi-derivative and the derivative leave the curve as
// it is (their formulas need points 1..4).
template <typename YTable, typename Fn>
void TransformColumn(Model& m, YTable& Y, Fn fn) {
    const int n = m.NData;
    const int col = m.CurCurve;
    if (n <= 0) return;
    if (n > kMaxPoints) Raise(ErrorCode::SubscriptOutOfRange);
    double y[kMaxPoints + 1];
    for (int k = 1; k <= n; ++k) y[k] = Y(k, col);
    fn(y, n, PointSpacing(m));
    for (int k = 1; k <= n; ++k) Y(k, col) = y[k];
}

template <typename YTable>
void Differentiate(Model& m, YTable& Y) {
    TransformColumn(m, Y, DifferentiatePoints);
}
template <typename YTable>
void Integrate(Model& m, YTable& Y) {
    TransformColumn(m, Y, IntegratePoints);
}
template <typename YTable>
void SemiDifferentiate(Model& m, YTable& Y) {
    TransformColumn(m, Y, SemiDifferentiatePoints);
}
// Semi-integration: the semi-derivative of the running integral.
template <typename YTable>
void SemiIntegrate(Model& m, YTable& Y) {
    Integrate(m, Y);
    SemiDifferentiate(m, Y);
}

}  // namespace talvex
