#include "digital/linear_algebra.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "support/numeric.h"
#include "support/recording_reporter.h"
#include "support/run_errors.h"

namespace talvex {
namespace {

using testing::Near;

class LinearAlgebraTest : public ::testing::Test {
  protected:
    double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }

    // Random entries plus a dominant one in column i % m + 1 of row i: the pivot search must move both.
    Matrix WellConditioned(int m) {
        Matrix A;
        A.Clear();
        for (int i = 1; i <= m; ++i)
            for (int j = 1; j <= m; ++j)
                A(i, j) = Uniform(-1, 1) + (j == i % m + 1 ? (i % 2 ? 1 : -1) * (m + Uniform(0, 1)) : 0);
        return A;
    }
    static Matrix Of(const std::vector<std::vector<double>>& rows) {
        Matrix A;
        A.Clear();
        for (std::size_t i = 0; i < rows.size(); ++i)
            for (std::size_t j = 0; j < rows[i].size(); ++j) A(int(i) + 1, int(j) + 1) = rows[i][j];
        return A;
    }

    testing::RecordingReporter reporter;
    std::mt19937 rng{20240611};
};

// A A^-1 = I to 1e-12 for sizes 1..6 (condition numbers of a few). The product starts as garbage
// (MatMultiply clears, not adds); 2x3 times 3x2 checks the rectangular shapes.
TEST_F(LinearAlgebraTest, MultiplyAndInverseOfWellConditionedMatrices) {
    Matrix C = Of({{99, 99}, {99, 99}});
    MatMultiply(Of({{1, 2, 3}, {4, 5, 6}}), Of({{7, 1}, {8, 0}, {9, -1}}), 2, 3, 2, C);
    EXPECT_EQ((std::vector<double>{C(1, 1), C(1, 2), C(2, 1), C(2, 2)}), (std::vector<double>{50, -2, 122, -2}));
    for (int trial = 0; trial < 40; ++trial) {
        const int m = 1 + trial % 6;
        const Matrix A = WellConditioned(m);
        Matrix inverse = A, product = C;
        MatInverse(inverse, m, reporter);
        MatMultiply(A, inverse, m, m, m, product);
        for (int i = 1; i <= m; ++i)
            for (int j = 1; j <= m; ++j) ASSERT_NEAR(product(i, j), i == j ? 1.0 : 0.0, 1e-12) << "m " << m;
    }
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(LinearAlgebraTest, SingularMatrices) {
    // A diagonal matrix takes the shortcut: its zero is a division error, not the singular message.
    Matrix A = Of({{4, 0}, {0, 0}});
    EXPECT_EQ(testing::ErrorOf([&] { MatInverse(A, 2, reporter); }), "Division by zero");
    EXPECT_TRUE(reporter.messages.empty());

    // Row 2 zero: the message, and the pivot (1,2) moved to (1,1) and inverted.
    A = Of({{0, 3}, {0, 0}});
    MatInverse(A, 2, reporter);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{"Error: inverse matrix D=0"});
    EXPECT_NEAR(A(1, 1), 1.0 / 3, 1e-15);
}

struct Fields {
    SpeciesField conc, old;
    BoxField dmod, Alow, Aup;
    BoxBlocks B;
    EliminatedBlocks E;
    Matrix Surf0, Surf1;
};

// Coupled blocks against the dense system of boxes 0..N (surface rows Surf1 c(1) = Surf0 c(0)), 1e-11;
// also with a surface row that ties the surface values alone (Surf1's row 0, the Nernst condition of
// an infinitely fast transfer), which a solve through the inverse of Surf1 could not take.
TEST_F(LinearAlgebraTest, BlockTridiagonalMatchesDenseSolve) {
    for (bool nernstRow : {false, true}) {
        SCOPED_TRACE(nernstRow ? "a Nernst row" : "general surface rows");
        auto f = std::make_unique<Fields>();
        const int N = 6, m = 3, size = (N + 1) * m;
        for (int j = 1; j <= N; ++j) {
            f->B.b[j].Clear();
            for (int s = 1; s <= m; ++s) {
                f->Alow(j, s) = Uniform(0.5, 5) * s;
                f->Aup(j, s) = Uniform(0.5, 5) / s;
                for (int t = 1; t <= m; ++t) f->B(s, t, j) = s == t ? 3 + f->Alow(j, s) + f->Aup(j, s) : Uniform(-1, 1);
            }
        }
        for (int j = 0; j <= N + 1; ++j)
            for (int s = 1; s <= m; ++s) f->old(s, j) = f->conc(s, j) = Uniform(0, 1);
        f->Surf1 = WellConditioned(m), f->Surf0 = WellConditioned(m);
        if (nernstRow)
            for (int t = 1; t <= m; ++t) f->Surf1(1, t) = 0, f->Surf0(1, t) = t == 1 ? 2.5 : t == 2 ? -1e-3 : 0;

        std::vector<std::vector<double>> a(size, std::vector<double>(size + 1, 0.0));  // rhs last
        auto at = [&](int j, int s, int k, int t) -> double& { return a[j * m + s - 1][k * m + t - 1]; };
        for (int s = 1; s <= m; ++s) {
            for (int t = 1; t <= m; ++t) at(0, s, 1, t) = f->Surf1(s, t), at(0, s, 0, t) = -f->Surf0(s, t);
            for (int j = 1; j <= N; ++j) {
                for (int t = 1; t <= m; ++t) at(j, s, j, t) = f->B(s, t, j);
                at(j, s, j - 1, s) = -f->Alow(j, s);
                if (j < N) at(j, s, j + 1, s) = -f->Aup(j, s);
                a[j * m + s - 1][size] = f->old(s, j) + (j == N ? f->Aup(j, s) * f->old(s, N + 1) : 0);
            }
        }
        for (int k = 0; k < size; ++k) {
            for (int i = k + 1; i < size; ++i)
                if (std::fabs(a[i][k]) > std::fabs(a[k][k])) std::swap(a[i], a[k]);
            for (int i = 0; i < size; ++i)
                for (int c = size; c >= k && i != k; --c) a[i][c] -= a[i][k] / a[k][k] * a[k][c];
        }

        BlockTridiagSolve(reporter, f->conc, f->dmod, f->Alow, f->Aup, f->E, f->B, f->Surf0, f->Surf1, N, m);
        for (int j = 0; j <= N; ++j)
            for (int s = 1; s <= m; ++s)
                EXPECT_TRUE(Near(f->conc(s, j), a[j * m + s - 1][size] / a[j * m + s - 1][j * m + s - 1], 1e-11, 1e-13))
                    << "box " << j << " species " << s;
        EXPECT_TRUE(reporter.messages.empty());
    }
}

// One implicit step with a fast second-order reaction A + B -> C (kf dt 20 on concentrations of
// about 1) in boxes without a surface flux: Newton's result meets the nonlinear box equations
// B c - Alow c(j-1) - Aup c(j+1) + nu kf cA cB = c(before), nu = +1 for A and B and -1 for C, to
// 1e-6. It stops once no entry moves by 0.1 % of itself; converging quadratically, it is then
// closer still (residuals of 3e-8 here, where a stop at 10 % leaves 3e-4).
TEST_F(LinearAlgebraTest, SecondOrderStepMeetsTheNonlinearBoxEquations) {
    auto f = std::make_unique<Fields>();
    auto work = std::make_unique<NewtonWork>();
    const int N = 6, m = 3;
    const SecondOrderStep reaction{1, 2, 3, 0, 20.0, 0.0};
    for (int j = 1; j <= N; ++j) {
        f->B.b[j].Clear();
        for (int s = 1; s <= m; ++s) {
            f->Alow(j, s) = Uniform(0.5, 5);
            f->Aup(j, s) = Uniform(0.5, 5);
            f->B(s, s, j) = 1 + f->Alow(j, s) + f->Aup(j, s);
        }
    }
    for (int j = 0; j <= N + 1; ++j)
        for (int s = 1; s <= m; ++s) f->old(s, j) = f->conc(s, j) = Uniform(0.5, 1);
    f->Surf0.SetIdentity(), f->Surf1.SetIdentity();  // c(0) = c(1): no flux through the surface
    Int maxIter;
    maxIter = 1;
    BlockTridiagSolve2(reporter, maxIter, f->conc, f->dmod, f->Alow, f->Aup, f->B, f->Surf0, f->Surf1, N, m, &reaction,
                       1, *work);
    EXPECT_GE(maxIter, 3);  // a fast reaction takes Newton more than a correction or two
    for (int j = 1; j <= N; ++j) {
        const double rate = reaction.kf * f->conc(1, j) * f->conc(2, j);
        for (int s = 1; s <= m; ++s) {
            const double residual = f->B(s, s, j) * f->conc(s, j) - f->Alow(j, s) * f->conc(s, j - 1) -
                                    f->Aup(j, s) * f->conc(s, j + 1) + (s == 3 ? -rate : rate) - f->old(s, j);
            EXPECT_LT(std::fabs(residual), 1e-6) << "box " << j << " species " << s;
        }
    }
}

}  // namespace
}  // namespace talvex
