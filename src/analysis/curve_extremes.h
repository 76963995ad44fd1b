#pragma once

// Extremes used by the analysis commands and the fit.
namespace talvex {

// The larger and the smaller of two numbers.
inline double VMax(double a, double b) {
    return a > b ? a : b;
}
inline double VMin(double a, double b) {
    return a < b ? a : b;
}

// Largest and smallest of y[1..n] (y[0] unused), scanning from point 1 and replacing only on a
// strictly larger (smaller) value. n < 1 gives 0.
double CurveMax(const double* y, int n);
double CurveMin(const double* y, int n);

}  // namespace talvex
