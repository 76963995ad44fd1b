#pragma once

// Dense row-major n x n matrices of the two-dimensional microdisc: LU factorisation with partial
// pivoting, its solve, and the inverse. A pivot of exactly 0 raises "Division by zero".
namespace talvex {

// In place: L (unit lower, below the diagonal) and U; pivot[i] is the row swapped into row i.
void LuFactor(double* a, int n, int* pivot);

// Solves A x = b with the factors of LuFactor; b is overwritten by x.
void LuSolve(const double* lu, int n, const int* pivot, double* b);

// In place: A becomes its inverse; `pivot` holds n ints.
void Invert(double* a, int n, int* pivot);

}  // namespace talvex
