#pragma once

#include "core/constants.h"
#include "core/model.h"
#include "core/reporter.h"

// Small dense matrices and the block-tridiagonal solvers of the digital simulation. Rows and
// columns are numbered from 1 as the system numbers species; index 0 exists and stays unused
// (box 0 is the electrode surface). Every array has a fixed size, so a solve never allocates.
namespace talvex {

inline constexpr int kMatDim = kMaxSpecies + 1;  // rows and columns 0..6
inline constexpr int kBoxArray = 101;            // boxes 0..100
inline constexpr int kMaxBoxes = kBoxArray - 2;  // interior boxes 1..N, N <= 99

struct Matrix {
    double a[kMatDim][kMatDim];
    double& operator()(int i, int j) { return a[i][j]; }
    double operator()(int i, int j) const { return a[i][j]; }
    void Clear();
    void SetIdentity();
};

// One value per box and species. Conc is addressed (species, box), Alow, Aup and Dmod
// (box, species); both keep a box's species together in memory.
struct SpeciesField {
    double v[kBoxArray][kMatDim];
    double& operator()(int s, int j) { return v[j][s]; }
    double operator()(int s, int j) const { return v[j][s]; }
};
struct BoxField {
    double v[kBoxArray][kMatDim];
    double& operator()(int j, int s) { return v[j][s]; }
    double operator()(int j, int s) const { return v[j][s]; }
};

// One m x m block per box: B(s, t, j).
struct BoxBlocks {
    Matrix b[kBoxArray];
    double& operator()(int s, int t, int j) { return b[j].a[s][t]; }
    double operator()(int s, int t, int j) const { return b[j].a[s][t]; }
};

// C = A . B for an l x k matrix A and a k x p matrix B (p = 1: a column vector). C must not be
// A or B.
void MatMultiply(const Matrix& A, const Matrix& B, int l, int k, int p, Matrix& C);

// In-place inverse of an m x m matrix; a diagonal matrix costs one division per row.
void MatInverse(Matrix& A, int m, Reporter& reporter);

// In-place Gauss-Jordan inverse with full pivoting. A zero pivot shows "Error: inverse matrix
// D=0" and leaves the matrix as far as it was transformed; the caller goes on with it.
void MatInverseGJ(Matrix& A, int m, Reporter& reporter);

void SwapValues(double& a, double& b);

// The eliminated diagonal blocks of a block-tridiagonal system, kept as their inverses. They do
// not depend on the right-hand side, so a run whose blocks stay fixed eliminates once and then
// solves every time step with SolveEliminated.
struct EliminatedBlocks {
    int N = 0;
    int m = 0;
    bool diagonal = false;  // no block couples species: every inverse is diagonal
    BoxBlocks W;            // W(j) = inverse of the eliminated block of box j, j = 1..N
};

// One implicit step of the block-tridiagonal system of N interior boxes and m species:
//   -Alow(j) c(j-1) + B(j) c(j) - Aup(j) c(j+1) = old c(j),  j = 1..N,
// closed at the surface by Surf1 . c(1) = Surf0 . c(0) and outside by the fixed bulk c(N+1).
// On entry Conc(., 1..N) holds the old values and Conc(., N+1) the bulk; on return Conc(., 0..N)
// holds the new ones. Dmod and E are work arrays.
void BlockTridiagSolve(Reporter& reporter, SpeciesField& Conc, BoxField& Dmod, const BoxField& Alow,
                       const BoxField& Aup, EliminatedBlocks& E, const BoxBlocks& B, const Matrix& Surf0,
                       const Matrix& Surf1, int N, int m);

// The parts of BlockTridiagSolve: the elimination of the blocks; the surface operator for one pair
// of surface matrices, which maps Dmod(1) to the surface values; and the solve for one right-hand
// side rhs(., 1..N) with the bulk in conc(., N+1) (rhs and conc may be the same field), itself
// the elimination of the right-hand side, the surface values and the way back out.
//
// The surface operator solves (Surf0 - Surf1 W(1) Alow(1)) c(0) = Surf1 W(1) Dmod(1), which follows
// from Surf1 c(1) = Surf0 c(0) and box 1's eliminated row c(1) = W(1) (Dmod(1) + Alow(1) c(0)).
// Surf1 is never inverted, so a surface row may state a relation among the surface values alone
// (Surf1's row 0), as the Nernst condition of an infinitely fast charge transfer does.
void EliminateBlocks(Reporter& reporter, const BoxBlocks& B, const BoxField& Alow, const BoxField& Aup, int N, int m,
                     EliminatedBlocks& out);
void SurfaceInverse(Reporter& reporter, const EliminatedBlocks& el, const BoxField& Alow, const Matrix& Surf0,
                    const Matrix& Surf1, Matrix& out);
void SolveEliminated(const EliminatedBlocks& el, const BoxField& Alow, const BoxField& Aup,
                     const Matrix& surfaceInverse, const SpeciesField& rhs, SpeciesField& conc, BoxField& dmod);
void EliminateRhs(const EliminatedBlocks& el, const BoxField& Aup, const SpeciesField& rhs, const SpeciesField& conc,
                  BoxField& dmod);
// The surface values and box 1's (the back substitution's first box, which BackSubstitute repeats).
void SurfaceValues(const EliminatedBlocks& el, const BoxField& Alow, const Matrix& surfaceInverse, const BoxField& dmod,
                   SpeciesField& conc);
void BackSubstitute(const EliminatedBlocks& el, const BoxField& Alow, const BoxField& dmod, SpeciesField& conc);

// A second-order reaction p1 + p2 = q1 + q2 with its rate constants times the time step
// (kfDt, kbDt). A species number 0 stands for no species: its concentration is 0.
struct SecondOrderStep {
    int p1, p2, q1, q2;
    double kf, kb;
};

// Work fields of the Newton iteration.
struct NewtonWork {
    SpeciesField iterate, previous, rhs;
    BoxBlocks local, cross;
    EliminatedBlocks eliminated;
    Matrix surfaceInverse;
};

inline constexpr int kMaxNewtonIterations = 10;

// The implicit step with second-order reactions: Newton iteration on the rate terms about the
// previous iterate, at most 10 iterations, each solved like BlockTridiagSolve. B holds the
// linear part of the blocks. Raises the model's MaxIter to the iterations used. Conc(., 0..N+1)
// gets the result.
void BlockTridiagSolve2(Reporter& reporter, Int& maxIter, SpeciesField& Conc, BoxField& Dmod, const BoxField& Alow,
                        const BoxField& Aup, const BoxBlocks& B, const Matrix& Surf0, const Matrix& Surf1, int N, int m,
                        const SecondOrderStep* reactions, int count, NewtonWork& work);

}  // namespace talvex
