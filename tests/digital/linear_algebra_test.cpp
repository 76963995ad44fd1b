#include "digital/linear_algebra.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "core/run_error.h"
#include "core/workbench.h"
#include "support/fake_platform.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::FakePlatform;
using testing::Near;

class LinearAlgebraTest : public ::testing::Test {
protected:
    LinearAlgebraTest() : wb(platform) {}
    FakePlatform platform;
    Workbench wb;
    std::mt19937 rng{20240611};

    double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }

    // Random entries with a diagonal large enough to keep the condition number modest, its
    // rows shuffled so that the pivot search has to move rows and columns.
    Matrix WellConditioned(int m) {
        Matrix A;
        A.Clear();
        for (int i = 1; i <= m; ++i) {
            for (int j = 1; j <= m; ++j) A(i, j) = Uniform(-1, 1);
            A(i, i) += (i % 2 ? 1 : -1) * (m + Uniform(0, 1));
        }
        for (int i = m; i > 1; --i) {
            const int k = 1 + static_cast<int>(rng() % static_cast<unsigned>(i));
            for (int j = 1; j <= m; ++j) SwapValues(A(i, j), A(k, j));
        }
        return A;
    }
};

TEST_F(LinearAlgebraTest, MultiplyMatricesAndColumns) {
    Matrix A, B, C;
    A.Clear();
    B.Clear();
    A(1, 1) = 1, A(1, 2) = 2, A(1, 3) = 3;
    A(2, 1) = 4, A(2, 2) = 5, A(2, 3) = 6;
    B(1, 1) = 7, B(2, 1) = 8, B(3, 1) = 9;
    B(1, 2) = 1, B(2, 2) = 0, B(3, 2) = -1;
    C(1, 1) = 99;  // cleared, not accumulated onto
    MatMultiply(A, B, 2, 3, 2, C);
    EXPECT_EQ(C(1, 1), 50);
    EXPECT_EQ(C(2, 1), 122);
    EXPECT_EQ(C(1, 2), -2);
    EXPECT_EQ(C(2, 2), -2);
    MatMultiply(A, B, 2, 3, 1, C);  // a column vector
    EXPECT_EQ(C(2, 1), 122);
}

// A A^-1 = I to 1e-12: the matrices have condition numbers of a few, so rounding stays near
// 1e-15 per entry.
TEST_F(LinearAlgebraTest, InverseOfWellConditionedMatrices) {
    for (int trial = 0; trial < 40; ++trial) {
        const int m = 1 + trial % 6;
        const Matrix A = WellConditioned(m);
        Matrix inverse = A;
        MatInverse(inverse, m, wb);
        Matrix product;
        MatMultiply(A, inverse, m, m, m, product);
        for (int i = 1; i <= m; ++i)
            for (int j = 1; j <= m; ++j) ASSERT_NEAR(product(i, j), i == j ? 1.0 : 0.0, 1e-12) << "m " << m;
    }
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(LinearAlgebraTest, DiagonalShortcutAndItsZero) {
    Matrix A;
    A.Clear();
    A(1, 1) = 4;
    A(2, 2) = -0.5;
    MatInverse(A, 2, wb);
    EXPECT_EQ(A(1, 1), 0.25);
    EXPECT_EQ(A(2, 2), -2);
    // A zero on the diagonal of an uncoupled matrix is a division error for the caller's trap,
    // not the singular-matrix message.
    A(2, 2) = 0;
    try {
        MatInverse(A, 2, wb);
        FAIL() << "no error";
    } catch (const RunError& e) {
        EXPECT_EQ(e.description(), "Division by zero");
    }
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(LinearAlgebraTest, SingularMatrixShowsMessageAndGoesOn) {
    Matrix A;
    A.Clear();
    A(1, 2) = 3;  // one off-diagonal element; row 2 is zero
    MatInverse(A, 2, wb);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0], "Error: inverse matrix D=0");
    // Left as far as it was transformed: the first pivot (1,2) was moved to (1,1) and inverted.
    EXPECT_NEAR(A(1, 1), 1.0 / 3, 1e-15);
    EXPECT_EQ(A(2, 2), 0);
}

// Two candidates of equal size: the first in row-major order is the pivot. With (1,1) the
// singular remainder stops at [[0.5, -1], [-0.5, 0]]; the tie's other candidate (1,2) would
// have swapped the columns and left -0.5 in the corner.
TEST_F(LinearAlgebraTest, PivotTieTakesTheFirstMet) {
    Matrix A;
    A.Clear();
    A(1, 1) = 2, A(1, 2) = -2;
    A(2, 1) = 1, A(2, 2) = -1;
    MatInverseGJ(A, 2, wb);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(A(1, 1), 0.5);
    EXPECT_EQ(A(1, 2), -1);
    EXPECT_EQ(A(2, 1), -0.5);
    EXPECT_EQ(A(2, 2), 0);
}

// The block-tridiagonal system written out as one dense matrix of boxes 0..N (surface rows
// Surf1 c(1) - Surf0 c(0) = 0) and solved by plain Gaussian elimination.
std::vector<double> DenseSolve(const BoxBlocks& B, const BoxField& Alow, const BoxField& Aup,
                               const Matrix& Surf0, const Matrix& Surf1, const SpeciesField& old,
                               int N, int m) {
    const int size = (N + 1) * m;
    std::vector<double> a(static_cast<std::size_t>(size * (size + 1)), 0.0);
    auto at = [&](int row, int col) -> double& { return a[static_cast<std::size_t>(row * (size + 1) + col)]; };
    auto index = [&](int j, int s) { return j * m + (s - 1); };
    for (int s = 1; s <= m; ++s)
        for (int t = 1; t <= m; ++t) {
            at(index(0, s), index(1, t)) += Surf1(s, t);
            at(index(0, s), index(0, t)) -= Surf0(s, t);
        }
    for (int j = 1; j <= N; ++j) {
        for (int s = 1; s <= m; ++s) {
            const int row = index(j, s);
            for (int t = 1; t <= m; ++t) at(row, index(j, t)) += B(s, t, j);
            at(row, index(j - 1, s)) -= Alow(j, s);
            double rhs = old(s, j);
            if (j < N)
                at(row, index(j + 1, s)) -= Aup(j, s);
            else
                rhs += Aup(j, s) * old(s, N + 1);
            at(row, size) = rhs;
        }
    }
    for (int k = 0; k < size; ++k) {
        int p = k;
        for (int i = k + 1; i < size; ++i)
            if (std::fabs(at(i, k)) > std::fabs(at(p, k))) p = i;
        for (int c = 0; c <= size; ++c) std::swap(at(k, c), at(p, c));
        for (int i = k + 1; i < size; ++i) {
            const double f = at(i, k) / at(k, k);
            for (int c = k; c <= size; ++c) at(i, c) -= f * at(k, c);
        }
    }
    std::vector<double> x(static_cast<std::size_t>(size));
    for (int k = size - 1; k >= 0; --k) {
        double sum = at(k, size);
        for (int c = k + 1; c < size; ++c) sum -= at(k, c) * x[static_cast<std::size_t>(c)];
        x[static_cast<std::size_t>(k)] = sum / at(k, k);
    }
    return x;
}

struct Fields {
    SpeciesField conc, old;
    BoxField dmod, Alow, Aup;
    BoxBlocks B;
    EliminatedBlocks E;
    Matrix Surf0, Surf1;
};

// Coupled blocks and species with different coefficients, so that an elimination that took
// one species' coefficient for another's would show; against the dense solve to 1e-11
// (the systems are diagonally dominant, rounding stays near 1e-14).
TEST_F(LinearAlgebraTest, BlockTridiagonalMatchesDenseSolve) {
    auto f = std::make_unique<Fields>();
    const int N = 6;
    const int m = 3;
    for (int j = 1; j <= N; ++j) {
        for (int s = 1; s <= m; ++s) {
            f->Alow(j, s) = Uniform(0.5, 5) * s;
            f->Aup(j, s) = Uniform(0.5, 5) / s;
        }
        f->B.b[j].Clear();
        for (int s = 1; s <= m; ++s)
            for (int t = 1; t <= m; ++t)
                f->B(s, t, j) = s == t ? 1 + f->Alow(j, s) + f->Aup(j, s) + 2 : Uniform(-1, 1);
    }
    for (int j = 0; j <= N + 1; ++j)
        for (int s = 1; s <= m; ++s) f->old(s, j) = f->conc(s, j) = Uniform(0, 1);
    f->Surf1 = WellConditioned(m);
    f->Surf0 = WellConditioned(m);

    const std::vector<double> expected = DenseSolve(f->B, f->Alow, f->Aup, f->Surf0, f->Surf1, f->old, N, m);
    BlockTridiagSolve(wb, f->conc, f->dmod, f->Alow, f->Aup, f->E, f->B, f->Surf0, f->Surf1, N, m);
    for (int j = 0; j <= N; ++j)
        for (int s = 1; s <= m; ++s)
            EXPECT_TRUE(Near(f->conc(s, j), expected[static_cast<std::size_t>(j * m + s - 1)], 1e-11, 1e-13))
                << "box " << j << " species " << s;
    EXPECT_EQ(f->conc(1, N + 1), f->old(1, N + 1));  // the bulk stays
    EXPECT_TRUE(platform.messages.empty());
}

// 2A = B in every box, A + B = C + D absent: after convergence the implicit step's residual
// -Alow c(j-1) + B c(j) - Aup c(j+1) + 2 kf c_A^2 - old must be far below the 0.1 % that ended
// the iteration (Newton converges quadratically), and the iterations are counted in MaxIter.
TEST_F(LinearAlgebraTest, NewtonStepForSecondOrderReaction) {
    auto f = std::make_unique<Fields>();
    auto work = std::make_unique<NewtonWork>();
    const int N = 5;
    const int m = 2;
    for (int j = 1; j <= N; ++j) {
        f->B.b[j].Clear();
        for (int s = 1; s <= m; ++s) {
            f->Alow(j, s) = 3.0;
            f->Aup(j, s) = 2.0;
            f->B(s, s, j) = 1 + 5.0;
        }
    }
    for (int j = 0; j <= N + 1; ++j) {
        f->conc(0, j) = 0;
        f->conc(1, j) = f->old(1, j) = 1.0;
        f->conc(2, j) = f->old(2, j) = 0.0;
    }
    f->Surf0.SetIdentity();
    f->Surf1.SetIdentity();
    const SecondOrderStep dimerisation{1, 1, 2, 0, 4.0, 0.0};
    wb.model.MaxIter = 1;
    BlockTridiagSolve2(wb, f->conc, f->dmod, f->Alow, f->Aup, f->B, f->Surf0, f->Surf1, N, m,
                       &dimerisation, 1, *work);
    EXPECT_GT(wb.model.MaxIter, 2);
    EXPECT_LT(wb.model.MaxIter, kMaxNewtonIterations);
    for (int j = 1; j <= N; ++j) {
        const double cA = f->conc(1, j);
        const double residualA = -3.0 * f->conc(1, j - 1) + 6.0 * cA - 2.0 * f->conc(1, j + 1) +
                                 2 * 4.0 * cA * cA - f->old(1, j);
        const double residualB = -3.0 * f->conc(2, j - 1) + 6.0 * f->conc(2, j) -
                                 2.0 * f->conc(2, j + 1) - 4.0 * cA * cA - f->old(2, j);
        EXPECT_LT(std::fabs(residualA), 1e-6) << "box " << j;
        EXPECT_LT(std::fabs(residualB), 1e-6) << "box " << j;
        EXPECT_GT(f->conc(2, j), 0.01);
    }

    // A step that changes nothing converges at once and records 1.
    for (int j = 0; j <= N + 1; ++j) f->conc(1, j) = f->conc(2, j) = 0.0;
    wb.model.MaxIter = 1;
    BlockTridiagSolve2(wb, f->conc, f->dmod, f->Alow, f->Aup, f->B, f->Surf0, f->Surf1, N, m,
                       &dimerisation, 1, *work);
    EXPECT_EQ(wb.model.MaxIter, 1);
}

}  // namespace
}  // namespace talvex
