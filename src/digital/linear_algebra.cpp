#include "digital/linear_algebra.h"

#include <cmath>
#include <cstring>
#include <type_traits>

#include "core/checked_math.h"

namespace talvex {

void Matrix::Clear() {
    std::memset(a, 0, sizeof a);
}

void Matrix::SetIdentity() {
    Clear();
    for (int i = 0; i < kMatDim; ++i) a[i][i] = 1.0;
}

void MatMultiply(const Matrix& A, const Matrix& B, int l, int k, int p, Matrix& C) {
    for (int i = 1; i <= l; ++i) {
        for (int j = 1; j <= p; ++j) {
            double sum = 0.0;
            for (int q = 1; q <= k; ++q) sum += A.a[i][q] * B.a[q][j];
            C.a[i][j] = sum;
        }
    }
}

void SwapValues(double& a, double& b) {
    const double t = a;
    a = b;
    b = t;
}

void MatInverse(Matrix& A, int m, Reporter& reporter) {
    for (int i = 1; i <= m; ++i)
        for (int j = 1; j <= m; ++j)
            if (i != j && A.a[i][j] != 0.0) return MatInverseGJ(A, m, reporter);
    // Species not coupled by chemistry: a zero on the diagonal is a division error here, not
    // the singular-matrix message.
    for (int i = 1; i <= m; ++i) A.a[i][i] = Div(1.0, A.a[i][i]);
}

namespace {

// Calls body with the species count as a compile-time constant (1..6: the pivot records and the
// work arrays hold 6 rows).
template <typename Body>
void BySize(int m, Body&& body) {
    switch (m) {
        case 1:
            return body(std::integral_constant<int, 1>{});
        case 2:
            return body(std::integral_constant<int, 2>{});
        case 3:
            return body(std::integral_constant<int, 3>{});
        case 4:
            return body(std::integral_constant<int, 4>{});
        case 5:
            return body(std::integral_constant<int, 5>{});
        case 6:
            return body(std::integral_constant<int, 6>{});
        default:
            Raise(ErrorCode::SubscriptOutOfRange);
    }
}

// Gauss-Jordan with full pivoting for a size known at compile time (the loops unroll); the
// operations and their order are those of any size.
template <int M>
void GaussJordan(Matrix& A, Reporter& reporter) {
    int ik[kMatDim] = {};
    int jk[kMatDim] = {};
    for (int k = 1; k <= M; ++k) {
        double largest = 0.0;
        ik[k] = k;
        jk[k] = k;
        for (int i = k; i <= M; ++i) {
            for (int j = k; j <= M; ++j) {
                if (std::fabs(A.a[i][j]) > largest) {  // strictly larger: the first on ties
                    largest = std::fabs(A.a[i][j]);
                    ik[k] = i;
                    jk[k] = j;
                }
            }
        }
        if (largest == 0.0) {
            reporter.Message("Error: inverse matrix D=0");
            return;
        }
        if (ik[k] != k)
            for (int j = 1; j <= M; ++j) SwapValues(A.a[k][j], A.a[ik[k]][j]);
        if (jk[k] != k)
            for (int i = 1; i <= M; ++i) SwapValues(A.a[i][k], A.a[i][jk[k]]);
        A.a[k][k] = Div(1.0, A.a[k][k]);
        const double pivot = A.a[k][k];
        for (int j = 1; j <= M; ++j)
            if (j != k) A.a[k][j] *= pivot;
        for (int i = 1; i <= M; ++i) {
            if (i == k) continue;
            const double aik = A.a[i][k];
            for (int j = 1; j <= M; ++j)
                if (j != k) A.a[i][j] -= aik * A.a[k][j];
        }
        for (int i = 1; i <= M; ++i)
            if (i != k) A.a[i][k] = -A.a[i][k] * pivot;
    }
    for (int k = M; k >= 1; --k) {
        if (jk[k] != k)
            for (int j = 1; j <= M; ++j) SwapValues(A.a[k][j], A.a[jk[k]][j]);
        if (ik[k] != k)
            for (int i = 1; i <= M; ++i) SwapValues(A.a[i][k], A.a[i][ik[k]]);
    }
}

}  // namespace

void MatInverseGJ(Matrix& A, int m, Reporter& reporter) {
    BySize(m, [&](auto size) { GaussJordan<decltype(size)::value>(A, reporter); });
}

namespace {

bool BlocksDiagonal(const BoxBlocks& B, int N, int m) {
    for (int j = 1; j <= N; ++j)
        for (int s = 1; s <= m; ++s)
            for (int t = 1; t <= m; ++t)
                if (s != t && B.b[j].a[s][t] != 0.0) return false;
    return true;
}

void CheckSize(int N, int m) {
    if (N < 1 || N > kMaxBoxes || m < 1 || m > kMaxSpecies) Raise(ErrorCode::SubscriptOutOfRange);
}

}  // namespace

void EliminateBlocks(Reporter& reporter, const BoxBlocks& B, const BoxField& Alow, const BoxField& Aup, int N, int m,
                     EliminatedBlocks& out) {
    CheckSize(N, m);
    out.N = N;
    out.m = m;
    out.diagonal = BlocksDiagonal(B, N, m);
    // Eliminated from the outer boundary inwards: E(N) = B(N),
    // E(j) = B(j) - Aup(j) . E(j+1)^-1 . Alow(j+1), both coefficients diagonal per species.
    Matrix E = B.b[N];
    for (int j = N - 1; j >= 1; --j) {
        Matrix& W = out.W.b[j + 1];
        W = E;
        MatInverse(W, m, reporter);
        E = B.b[j];
        if (out.diagonal) {
            for (int s = 1; s <= m; ++s) E.a[s][s] -= Aup.v[j][s] * W.a[s][s] * Alow.v[j + 1][s];
        } else {
            for (int s = 1; s <= m; ++s)
                for (int t = 1; t <= m; ++t) E.a[s][t] -= Aup.v[j][s] * W.a[s][t] * Alow.v[j + 1][t];
        }
    }
    out.W.b[1] = E;
    MatInverse(out.W.b[1], m, reporter);
}

namespace {

// The solve with the species count known at compile time, so the small loops unroll.
template <int M, bool Diagonal>
inline void ForwardSized(const EliminatedBlocks& el, const BoxField& Aup, const SpeciesField& rhs,
                         const SpeciesField& conc, BoxField& dmod) {
    const int N = el.N;
    for (int s = 1; s <= M; ++s) dmod.v[N][s] = rhs.v[N][s] + Aup.v[N][s] * conc.v[N + 1][s];
    for (int j = N - 1; j >= 1; --j) {
        const Matrix& W = el.W.b[j + 1];
        const double* next = dmod.v[j + 1];
        for (int s = 1; s <= M; ++s) {
            double r;
            if constexpr (Diagonal) {
                r = W.a[s][s] * next[s];
            } else {
                r = 0.0;
                for (int t = 1; t <= M; ++t) r += W.a[s][t] * next[t];
            }
            dmod.v[j][s] = rhs.v[j][s] + Aup.v[j][s] * r;
        }
    }
}

template <int M>
void SurfaceSized(const Matrix& surfaceInverse, const BoxField& dmod, SpeciesField& conc) {
    for (int s = 1; s <= M; ++s) {
        double c = 0.0;
        for (int t = 1; t <= M; ++t) c += surfaceInverse.a[s][t] * dmod.v[1][t];
        conc.v[0][s] = c;
    }
}

template <int M, bool Diagonal>
inline void BackSized(const EliminatedBlocks& el, const BoxField& Alow, const BoxField& dmod, SpeciesField& conc) {
    const int N = el.N;
    for (int j = 1; j <= N; ++j) {
        const Matrix& W = el.W.b[j];
        double V[M + 1];
        for (int s = 1; s <= M; ++s) V[s] = dmod.v[j][s] + Alow.v[j][s] * conc.v[j - 1][s];
        for (int s = 1; s <= M; ++s) {
            if constexpr (Diagonal) {
                conc.v[j][s] = W.a[s][s] * V[s];
            } else {
                double c = 0.0;
                for (int t = 1; t <= M; ++t) c += W.a[s][t] * V[t];
                conc.v[j][s] = c;
            }
        }
    }
}

template <int M>
void Forward(const EliminatedBlocks& el, const BoxField& Aup, const SpeciesField& rhs, const SpeciesField& conc,
             BoxField& dmod) {
    if (el.diagonal)
        ForwardSized<M, true>(el, Aup, rhs, conc, dmod);
    else
        ForwardSized<M, false>(el, Aup, rhs, conc, dmod);
}

template <int M>
void Back(const EliminatedBlocks& el, const BoxField& Alow, const BoxField& dmod, SpeciesField& conc) {
    if (el.diagonal)
        BackSized<M, true>(el, Alow, dmod, conc);
    else
        BackSized<M, false>(el, Alow, dmod, conc);
}

}  // namespace

void SurfaceInverse(Reporter& reporter, const EliminatedBlocks& el, const BoxField& Alow, const Matrix& Surf0,
                    const Matrix& Surf1, Matrix& out) {
    BySize(el.m, [&](auto size) {
        constexpr int M = decltype(size)::value;
        const Matrix& W = el.W.b[1];
        Matrix S1W;  // Surf1 W(1)
        MatMultiply(Surf1, W, M, M, M, S1W);
        Matrix A = Surf0;
        for (int s = 1; s <= M; ++s)
            for (int t = 1; t <= M; ++t) A.a[s][t] = Checked(A.a[s][t] - S1W.a[s][t] * Alow.v[1][t]);
        MatInverse(A, M, reporter);
        MatMultiply(A, S1W, M, M, M, out);
    });
}

void SolveEliminated(const EliminatedBlocks& el, const BoxField& Alow, const BoxField& Aup,
                     const Matrix& surfaceInverse, const SpeciesField& rhs, SpeciesField& conc, BoxField& dmod) {
    BySize(el.m, [&](auto size) {
        constexpr int M = decltype(size)::value;
        Forward<M>(el, Aup, rhs, conc, dmod);
        SurfaceSized<M>(surfaceInverse, dmod, conc);
        Back<M>(el, Alow, dmod, conc);
    });
}

void EliminateRhs(const EliminatedBlocks& el, const BoxField& Aup, const SpeciesField& rhs, const SpeciesField& conc,
                  BoxField& dmod) {
    BySize(el.m, [&](auto size) { Forward<decltype(size)::value>(el, Aup, rhs, conc, dmod); });
}

void SurfaceValues(const EliminatedBlocks& el, const BoxField& Alow, const Matrix& surfaceInverse, const BoxField& dmod,
                   SpeciesField& conc) {
    BySize(el.m, [&](auto size) {
        constexpr int M = decltype(size)::value;
        SurfaceSized<M>(surfaceInverse, dmod, conc);
        const Matrix& W = el.W.b[1];
        double V[M + 1];
        for (int s = 1; s <= M; ++s) V[s] = dmod.v[1][s] + Alow.v[1][s] * conc.v[0][s];
        for (int s = 1; s <= M; ++s) {
            double c = 0.0;
            for (int t = 1; t <= M; ++t) c += W.a[s][t] * V[t];
            conc.v[1][s] = c;
        }
    });
}

void BackSubstitute(const EliminatedBlocks& el, const BoxField& Alow, const BoxField& dmod, SpeciesField& conc) {
    BySize(el.m, [&](auto size) { Back<decltype(size)::value>(el, Alow, dmod, conc); });
}

void BlockTridiagSolve(Reporter& reporter, SpeciesField& Conc, BoxField& Dmod, const BoxField& Alow,
                       const BoxField& Aup, EliminatedBlocks& E, const BoxBlocks& B, const Matrix& Surf0,
                       const Matrix& Surf1, int N, int m) {
    // The eliminated blocks are kept as their inverses, so the way back out reuses the inverses
    // of the way in instead of inverting every block twice.
    EliminateBlocks(reporter, B, Alow, Aup, N, m, E);
    Matrix surfaceInverse;
    SurfaceInverse(reporter, E, Alow, Surf0, Surf1, surfaceInverse);
    SolveEliminated(E, Alow, Aup, surfaceInverse, Conc, Conc, Dmod);
}

void BlockTridiagSolve2(Reporter& reporter, Int& maxIter, SpeciesField& Conc, BoxField& Dmod, const BoxField& Alow,
                        const BoxField& Aup, const BoxBlocks& B, const Matrix& Surf0, const Matrix& Surf1, int N, int m,
                        const SecondOrderStep* reactions, int count, NewtonWork& work) {
    CheckSize(N, m);
    for (int j = 0; j <= N + 1; ++j) {
        for (int s = 0; s <= m; ++s) {
            const double c = s == 0 ? 0.0 : Conc.v[j][s];  // species 0: none, always 0
            work.iterate.v[j][s] = c;
            work.previous.v[j][s] = c;
        }
    }
    for (int v = 1; v <= kMaxNewtonIterations; ++v) {
        if (v > maxIter) maxIter = v;
        for (int j = 1; j <= N; ++j) {
            work.local.b[j] = B.b[j];
            work.cross.b[j].Clear();
        }
        // Newton step for the rates kf c(p1) c(p2) and kb c(q1) c(q2) about the previous
        // iterate C: the lagged parts go into the blocks, the cross derivatives into J.
        for (int r = 0; r < count; ++r) {
            const SecondOrderStep& x = reactions[r];
            const double kf = x.kf;
            const double kb = x.kb;
            for (int j = 1; j <= N; ++j) {
                const double* C = work.previous.v[j];
                Matrix& L = work.local.b[j];
                Matrix& J = work.cross.b[j];
                L.a[x.p1][x.p1] += kf * C[x.p2];
                L.a[x.p2][x.p2] += kf * C[x.p1];
                L.a[x.q1][x.q1] += kb * C[x.q2];
                L.a[x.q2][x.q2] += kb * C[x.q1];
                L.a[x.p1][x.q1] -= kb * C[x.q2];
                L.a[x.p2][x.q1] -= kb * C[x.q2];
                L.a[x.q1][x.p1] -= kf * C[x.p2];
                L.a[x.q2][x.p1] -= kf * C[x.p2];
                J.a[x.p1][x.p2] += kf * C[x.p1];
                J.a[x.p2][x.p1] += kf * C[x.p2];
                J.a[x.p1][x.q2] -= kb * C[x.q1];
                J.a[x.p2][x.q2] -= kb * C[x.q1];
                J.a[x.q1][x.q2] += kb * C[x.q1];
                J.a[x.q2][x.q1] += kb * C[x.q2];
                J.a[x.q1][x.p2] -= kf * C[x.p1];
                J.a[x.q2][x.p2] -= kf * C[x.p1];
            }
        }
        for (int j = 1; j <= N; ++j) {
            const Matrix& J = work.cross.b[j];
            Matrix& L = work.local.b[j];
            const double* C = work.previous.v[j];
            for (int s = 1; s <= m; ++s) {
                double extra = 0.0;
                for (int t = 1; t <= m; ++t) {
                    L.a[s][t] += J.a[s][t];
                    extra += J.a[s][t] * C[t];
                }
                work.rhs.v[j][s] = Conc.v[j][s] + extra;
            }
        }
        EliminateBlocks(reporter, work.local, Alow, Aup, N, m, work.eliminated);
        SurfaceInverse(reporter, work.eliminated, Alow, Surf0, Surf1, work.surfaceInverse);
        SolveEliminated(work.eliminated, Alow, Aup, work.surfaceInverse, work.rhs, work.iterate, Dmod);

        // Converged when no entry moved by 0.1 % of its new value. An entry that stayed exactly
        // where it was has not moved, also at 0 (a species not formed yet must not end the run
        // with a division by zero).
        bool converged = true;
        for (int j = 1; j <= N && converged; ++j) {
            for (int s = 1; s <= m; ++s) {
                const double now = work.iterate.v[j][s];
                const double change = std::fabs(now - work.previous.v[j][s]);
                if (change != 0.0 && !(change < 0.001 * std::fabs(now))) {
                    converged = false;
                    break;
                }
            }
        }
        if (converged) break;
        for (int j = 0; j <= N + 1; ++j) {
            for (int s = 1; s <= m; ++s) {
                double& now = work.iterate.v[j][s];
                if (now < 0.0)
                    now = 0.0;
                else
                    work.previous.v[j][s] = now;
            }
        }
    }
    for (int j = 0; j <= N + 1; ++j)
        for (int s = 1; s <= m; ++s) Conc.v[j][s] = work.iterate.v[j][s];
}

}  // namespace talvex
