#pragma once

#include "fitting/marquardt.h"

namespace talvex {

// Eigenvalues and eigenvectors of the symmetric n x n matrix a (n <= 30) by cyclic Jacobi
// rotations, which stay accurate for the small eigenvalues of a nearly singular matrix: on return
// values[k] is an eigenvalue and column k of v its unit eigenvector. a is overwritten.
void SymmetricEigen(double (*a)[kMaxFitParameters], int n, double (*v)[kMaxFitParameters], double* values);

}  // namespace talvex
