#pragma once

// The extremes of a curve, as the analysis commands scan them.
namespace talvex {

// Largest and smallest of y[1..n] (y[0] unused), scanning from point 1 and replacing only on a
// strictly larger (smaller) value. n < 1 gives 0.
double CurveMax(const double* y, int n);
double CurveMin(const double* y, int n);

}  // namespace talvex
