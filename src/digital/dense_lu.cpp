#include "digital/dense_lu.h"

#include <cmath>
#include <cstddef>
#include <utility>

#include "core/run_error.h"

namespace talvex {
namespace {

// Partial pivoting at column k: the row with the largest magnitude there (from row k down) is
// swapped into row k and recorded in pivot[k]; a column of zeros is a singular matrix.
void PivotRow(double* a, std::ptrdiff_t N, std::ptrdiff_t k, int* pivot) {
    std::ptrdiff_t p = k;
    double largest = std::fabs(a[k * N + k]);
    for (std::ptrdiff_t i = k + 1; i < N; ++i) {
        const double v = std::fabs(a[i * N + k]);
        if (v > largest) largest = v, p = i;
    }
    if (largest == 0.0) Raise(ErrorCode::DivisionByZero);
    pivot[k] = static_cast<int>(p);
    if (p != k)
        for (std::ptrdiff_t j = 0; j < N; ++j) std::swap(a[k * N + j], a[p * N + j]);
}

}  // namespace

void LuFactor(double* a, int n, int* pivot) {
    const auto N = static_cast<std::ptrdiff_t>(n);
    for (std::ptrdiff_t k = 0; k < N; ++k) {
        PivotRow(a, N, k, pivot);
        const double inverse = 1.0 / a[k * N + k];
        const double* rowK = a + k * N;
        for (std::ptrdiff_t i = k + 1; i < N; ++i) {
            double* rowI = a + i * N;
            const double factor = rowI[k] * inverse;
            rowI[k] = factor;
            if (factor == 0.0) continue;
            for (std::ptrdiff_t j = k + 1; j < N; ++j) rowI[j] -= factor * rowK[j];
        }
    }
}

void LuSolve(const double* lu, int n, const int* pivot, double* b) {
    const auto N = static_cast<std::ptrdiff_t>(n);
    for (std::ptrdiff_t k = 0; k < N; ++k)
        if (pivot[k] != k) std::swap(b[k], b[pivot[k]]);
    for (std::ptrdiff_t i = 1; i < N; ++i) {
        const double* row = lu + i * N;
        double sum = b[i];
        for (std::ptrdiff_t j = 0; j < i; ++j) sum -= row[j] * b[j];
        b[i] = sum;
    }
    for (std::ptrdiff_t i = N - 1; i >= 0; --i) {
        const double* row = lu + i * N;
        double sum = b[i];
        for (std::ptrdiff_t j = i + 1; j < N; ++j) sum -= row[j] * b[j];
        b[i] = sum / row[i];
    }
}

// Gauss-Jordan elimination with partial pivoting, in place: each pivot row is scaled and taken out
// of every other row (whole rows at a time, which the compiler vectorises), and the column
// interchanges that the row swaps leave behind are undone at the end.
void Invert(double* a, int n, int* pivot) {
    const auto N = static_cast<std::ptrdiff_t>(n);
    for (std::ptrdiff_t k = 0; k < N; ++k) {
        PivotRow(a, N, k, pivot);
        double* rowK = a + k * N;
        const double inverse = 1.0 / rowK[k];
        rowK[k] = 1.0;
        for (std::ptrdiff_t j = 0; j < N; ++j) rowK[j] *= inverse;
        for (std::ptrdiff_t i = 0; i < N; ++i) {
            if (i == k) continue;
            double* rowI = a + i * N;
            const double factor = rowI[k];
            if (factor == 0.0) continue;
            rowI[k] = 0.0;
            for (std::ptrdiff_t j = 0; j < N; ++j) rowI[j] -= factor * rowK[j];
        }
    }
    for (std::ptrdiff_t k = N - 1; k >= 0; --k) {
        const std::ptrdiff_t p = pivot[k];
        if (p != k)
            for (std::ptrdiff_t i = 0; i < N; ++i) std::swap(a[i * N + k], a[i * N + p]);
    }
}

}  // namespace talvex
