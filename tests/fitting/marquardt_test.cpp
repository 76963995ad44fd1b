#include "fitting/marquardt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "core/run_error.h"
#include "fit_support.h"
#include "nist_problems.h"
#include "support/numeric.h"
#include "support/run_errors.h"
#include "support/values.h"

namespace talvex {
namespace {

using testing::ClosedFormObjective;
using testing::Near;
using testing::Values;

constexpr double kFail = -1;  // in a script: the evaluation raises "Overflow"
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// No free parameter and one point at 0: every evaluation returns the next sum of squares of the
// script, so the damping rule can be followed trial by trial.
class ScriptedObjective : public FitObjective {
  public:
    explicit ScriptedObjective(std::vector<double> script) : script_(std::move(script)) {}
    void Evaluate(std::span<const double>, std::span<double> f) override {
        const double ssq = script_.at(next_++);
        if (ssq == kFail) Raise(ErrorCode::Overflow);
        f[0] = std::sqrt(ssq);
    }

  private:
    std::vector<double> script_;
    std::size_t next_ = 0;
};

void StartScripted(Marquardt& fit, ScriptedObjective& objective, double var) {
    static const std::vector<double> y{0};
    FitProblem p;
    p.objective = &objective;
    p.y = y;
    p.var = var;
    p.dataStd = std::sqrt(var);
    fit.Start(p, {});
}

// The damping factor: 1e-4 at the first failed trial of a fit, then times SSQnew/SSQold clamped to
// 2..10 for each further failure in the same iteration (kept as it is at the first failure of a
// later iteration), divided by 2 after a success. A failed evaluation is a worse trial (factor 10).
// Without any better trial the iteration returns its entry point (SSQ 100 in the second row, not
// the last rejected trial's 200), and a later iteration that finds the entry already perfect keeps
// it when the trial is worse (0.5, not 0.8): a fit never hands back a worse point than it had.
TEST(MarquardtTest, DampingFollowsTheTrialsAndNeverReturnsAWorsePoint) {
    struct Case {
        const char* what;
        double var;
        std::vector<double> script;
        int iterations;
        std::vector<double> expected;  // flag, SSQ, NMarq, lambda, ObjCount, failed evaluations
        const char* firstFailure;
    };
    std::vector<double> exhausted{100};
    exhausted.insert(exhausted.end(), 25, 200.0);
    const Case cases[] = {
        {"damping", 1, {100, 300, 150, kFail, 50, kNaN, 49.99}, 2, Values(-2, 49.99, 4, 5e-4, 7, 2), "Overflow"},
        {"exhausted", 1, exhausted, 1, Values(-2, 100, 25, 1e-4 * (1 << 24) / 2, 26, 0), ""},
        {"perfect later", 1e10, {100, 0.5, 0.8}, 2, Values(-1, 0.5, 0, 0, 3, 0), ""},
    };
    for (const Case& c : cases) {
        ScriptedObjective objective(c.script);
        Marquardt fit;
        StartScripted(fit, objective, c.var);
        EXPECT_EQ(testing::RunIterations(fit, c.iterations), c.iterations) << c.what;
        const auto got =
            Values(fit.Flag(), fit.SSQ(), fit.NMarq(), fit.Lambda(), fit.ObjCount(), fit.FailedEvaluations());
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_TRUE(Near(got[i], c.expected[i], 1e-12)) << c.what << " " << i;
        EXPECT_TRUE(Near(fit.Curve()[0] * fit.Curve()[0], fit.SSQ(), 1e-12)) << c.what;
        EXPECT_EQ(fit.FirstFailure(), c.firstFailure);
    }
}

// y = 1 + 2x with a little scatter: the straight line of least squares in closed form.
const std::vector<double> kLineX{0, 1, 2, 3, 4, 5};
const std::vector<double> kLineY{1.1, 2.9, 5.2, 6.8, 9.1, 11.0};
struct Ols {
    double slope, intercept, seSlope, seIntercept;
};
Ols StraightLine(const std::vector<double>& x, const std::vector<double>& y) {
    const double n = static_cast<double>(x.size());
    double sx = 0, sy = 0;
    for (std::size_t k = 0; k < x.size(); ++k) sx += x[k], sy += y[k];
    double sxx = 0, sxy = 0;
    for (std::size_t k = 0; k < x.size(); ++k)
        sxx += (x[k] - sx / n) * (x[k] - sx / n), sxy += (x[k] - sx / n) * (y[k] - sy / n);
    const double slope = sxy / sxx, intercept = (sy - slope * sx) / n;
    double ssq = 0;
    for (std::size_t k = 0; k < x.size(); ++k) ssq += std::pow(y[k] - intercept - slope * x[k], 2);
    const double s = std::sqrt(ssq / (n - 2));
    return {slope, intercept, s / std::sqrt(sxx), s * std::sqrt(1 / n + (sx / n) * (sx / n) / sxx)};
}

double Line(std::span<const double> b, double x) {
    return b[0] + b[1] * x;
}

// Exact data at the start: flag -1 after the one evaluation of the starting point, no Jacobian.
// Data without spread (variance 0) fitted exactly count as perfect too, rather than dividing
// 0 by 0 later in the iteration.
TEST(MarquardtTest, PerfectFitStopsAtTheFirstCallWithoutAJacobian) {
    std::vector<double> exact;
    for (double x : kLineX) exact.push_back(1 + 2 * x);
    const std::vector<double> flat(kLineX.size(), 3.0);
    for (const auto& y : {exact, flat}) {
        ClosedFormObjective line(kLineX, Line);
        Marquardt fit;
        testing::StartFit(fit, line, y, {y[0], y[1] - y[0]});
        EXPECT_EQ(fit.Iterate(), kFlagPerfectFit);
        EXPECT_EQ(Values(fit.Evaluations(), fit.ObjCount(), fit.SSQ()), Values(1, 1, 0));
    }
}

// b[2] does not enter the model: it keeps its value exactly while the line is fitted (to the
// closed-form least-squares line, 1e-9: the step is exact Gauss-Newton on a linear model). The
// intercept starts at 0, so its difference step is the data's standard deviation; the slope's is
// 1% of its value. A slope that starts at its bound and whose step points past it stays there.
TEST(MarquardtTest, InsensitiveZeroAndBoundedParameters) {
    ClosedFormObjective model(kLineX, [](std::span<const double> b, double x) { return Line(b, x) + 0 * b[2]; });
    Marquardt fit;
    testing::StartFit(fit, model, kLineY, {0, 1.5, 3.7});
    testing::RunIterations(fit);
    const Ols ols = StraightLine(kLineX, kLineY);
    EXPECT_EQ(fit.X()[2], 3.7);
    EXPECT_TRUE(Near(fit.X()[0], ols.intercept, 1e-9));
    EXPECT_TRUE(Near(fit.X()[1], ols.slope, 1e-9));
    const double std = std::sqrt(DataVariance(kLineY));
    EXPECT_EQ(model.calls[1], (std::vector<double>{std, 1.5, 3.7}));  // the calls after the start
    EXPECT_EQ(model.calls[2], (std::vector<double>{-std, 1.5, 3.7}));
    EXPECT_EQ(model.calls[3], (std::vector<double>{0, 1.5 + 0.01 * 1.5, 3.7}));

    // The slope starts at its upper bound 1.5 and the data want about 2: it never moves, while the
    // intercept takes its part of the joint step, which is the free line's intercept. (A fit with
    // the slope held at 1.5 would go on to mean(y - 1.5x) = 2.27; dropping the component at the
    // bound does not re-solve for the others.)
    ClosedFormObjective line(kLineX, Line);
    testing::StartFit(fit, line, kLineY, {0, 1.5}, {-10, 0}, {10, 1.5});
    testing::RunIterations(fit);
    EXPECT_EQ(fit.X()[1], 1.5);
    EXPECT_TRUE(Near(fit.X()[0], ols.intercept, 1e-9));
    for (const auto& p : line.calls) ASSERT_LE(p[1], 1.5 + 0.01 * 1.5) << "only the Jacobian looks past the bound";
}

// A step that would leave the bounds stops at the bound instead of being dropped: the slope, free
// in 0..1.8 from 1 while the data want about 2, is at 1.8 after the first iteration (dropping it
// kept it at 1 for good). An ln-parameter moves at most a decade per trial: the decay rate k of
// c exp(-k x), started at 1e-6 where the curve hardly depends on it (the Gauss-Newton step is
// about 9 decades), tries 1e-5 first and still reaches the data's 0.5 within the 51 iterations.
// Its standard error, in its own unit, is the one a linear fit of the same problem gives (within
// 1e-3: both come from 1 % differences). An ln-parameter needs a lower bound above 0.
TEST(MarquardtTest, StepsStopAtBoundsAndLnParametersMoveByDecades) {
    ClosedFormObjective line(kLineX, Line);
    Marquardt fit;
    testing::StartFit(fit, line, kLineY, {0, 1}, {-10, 0}, {10, 1.8});
    fit.Iterate();
    fit.Iterate();
    EXPECT_EQ(fit.X()[1], 1.8);
    testing::RunIterations(fit);
    EXPECT_EQ(fit.X()[1], 1.8);

    auto decay = [](std::span<const double> b, double x) { return b[0] * std::exp(-b[1] * x); };
    std::vector<double> y;
    for (double x : kLineX) y.push_back(5 * std::exp(-0.5 * x) + 0.02 * std::sin(5 * x));
    const std::vector<bool> logScale{false, true};
    auto start = [&](ClosedFormObjective& objective, std::vector<double> x0, bool ln) {
        const std::vector<double> lower{0, 1e-9}, upper{100, 100};
        FitProblem p;
        p.objective = &objective;
        p.y = y;
        p.lower = lower;
        p.upper = upper;
        bool flags[2] = {false, ln};
        p.logScale = {flags, 2};
        p.var = DataVariance(y);
        p.dataStd = std::sqrt(p.var);
        fit.Start(p, x0);
    };
    ClosedFormObjective inLn(kLineX, decay), plain(kLineX, decay);
    start(inLn, {4, 1e-6}, true);
    fit.Iterate();
    const std::size_t trial = 1 + 2 * 2;  // the start, then two probes per parameter
    EXPECT_TRUE(Near(inLn.calls.at(trial)[1], 1e-5, 1e-9) || Near(inLn.calls.at(trial)[1], 1e-7, 1e-9))
        << inLn.calls.at(trial)[1];
    testing::RunIterations(fit);
    EXPECT_EQ(fit.Flag(), kFlagConverged);
    EXPECT_TRUE(Near(fit.X()[1], 0.5, 0.01)) << fit.X()[1];
    std::vector<ParameterError> ln(2), linear(2);
    fit.StandardErrors(ln);
    start(plain, {fit.X()[0], fit.X()[1]}, false);
    testing::RunIterations(fit);
    fit.StandardErrors(linear);
    ASSERT_TRUE(ln[1].determined && linear[1].determined);
    EXPECT_TRUE(Near(ln[1].standardError, linear[1].standardError, 1e-3));
    EXPECT_TRUE(Near(ln[0].standardError, linear[0].standardError, 1e-3));
    EXPECT_TRUE(Near(fit.Covariance(1, 1), linear[1].standardError * linear[1].standardError, 1e-12));

    EXPECT_EQ(testing::ErrorOf([&] { start(inLn, {4, 0}, true); }), "Invalid procedure call or argument");
}

// An iteration without a better step is damping exhausted only where the undamped step promised a
// decrease: an objective that rewards its own difference probes and nothing else (a discontinuous
// model, as a simulation that jumps can be) runs out of damping; the straight line at its minimum
// has nothing left to gain and has converged.
TEST(MarquardtTest, DampingExhaustedIsToldFromConverged) {
    class Deceptive : public FitObjective {
      public:
        void Evaluate(std::span<const double> p, std::span<double> f) override {
            const bool probe = std::fabs(std::fabs(p[0] - 1) - 0.01) < 1e-12 || p[0] == 1;
            f[0] = probe ? p[0] : 100;
        }
    } deceptive;
    Marquardt fit;
    const std::vector<double> y{0};
    const std::vector<double> lower{-10}, upper{10};
    FitProblem p;
    p.objective = &deceptive;
    p.y = y;
    p.lower = lower;
    p.upper = upper;
    p.var = 1;
    p.dataStd = 1;
    fit.Start(p, std::vector<double>{1});
    testing::RunIterations(fit);
    EXPECT_EQ(fit.Flag(), kFlagConverged);
    EXPECT_TRUE(fit.DampingExhausted());

    ClosedFormObjective line(kLineX, Line);
    const Ols ols = StraightLine(kLineX, kLineY);
    testing::StartFit(fit, line, kLineY, {ols.intercept, ols.slope});
    testing::RunIterations(fit);
    EXPECT_EQ(fit.Flag(), kFlagConverged);
    EXPECT_FALSE(fit.DampingExhausted());
}

const std::vector<double>& kMisraX = testing::kMisra1a.x;
const std::vector<double>& kMisraY = testing::kMisra1a.y;
const auto Misra = testing::Exponential;

// A fit run again on the same minimiser, after another fit, starts from its own starting vector
// and gives the same answer as on a fresh one; the step of the earlier fit is not carried over.
TEST(MarquardtTest, SameFitTwiceGivesTheSameAnswer) {
    ClosedFormObjective misra(kMisraX, Misra), line(kLineX, Line);
    Marquardt fresh, reused;
    testing::StartFit(fresh, misra, kMisraY, {500, 1e-4});
    testing::RunIterations(fresh);
    const auto first = Values(fresh.X()[0], fresh.X()[1], fresh.SSQ(), fresh.ObjCount());

    testing::StartFit(reused, line, kLineY, {0, 0.5});
    testing::RunIterations(reused);
    misra.calls.clear();
    testing::StartFit(reused, misra, kMisraY, {500, 1e-4});
    testing::RunIterations(reused);
    EXPECT_EQ(misra.calls.front(), (std::vector<double>{500, 1e-4}));
    EXPECT_EQ(Values(reused.X()[0], reused.X()[1], reused.SSQ(), reused.ObjCount()), first);
}

// Evaluations that fail (a simulation that raises an error) are counted, the first described,
// and the fit goes round them: a failed probe of the Jacobian falls back on a one-sided
// difference, a failed trial is a worse one. Certified values as in the NIST tests (1e-3).
TEST(MarquardtTest, FailedEvaluationsAreCountedAndTheFitGoesOn) {
    class Failing : public ClosedFormObjective {
      public:
        Failing() : ClosedFormObjective(kMisraX, Misra) {}
        void Evaluate(std::span<const double> p, std::span<double> f) override {
            if (failAt.count(++count)) throw RunError(ErrorCode::InvalidProcedureCall, "Analytical simulation failed");
            ClosedFormObjective::Evaluate(p, f);
        }
        int count = 0;
        std::set<int> failAt{2, 6, 9};  // a probe, the first trial, a probe
    } objective;
    Marquardt fit;
    testing::StartFit(fit, objective, kMisraY, {250, 5e-4});
    testing::RunIterations(fit);
    EXPECT_EQ(fit.Flag(), kFlagConverged);
    EXPECT_TRUE(Near(fit.X()[0], testing::kMisra1a.certified[0], 1e-3));
    EXPECT_TRUE(Near(fit.X()[1], testing::kMisra1a.certified[1], 1e-3));
    EXPECT_EQ(fit.FailedEvaluations(), 3);
    EXPECT_EQ(fit.FirstFailure(), "Analytical simulation failed");

    // The model is linear in b1, so the one-sided difference that replaces the failed probe is as
    // good as the central one: the first iteration lands where it does without the failure.
    Marquardt plain;
    ClosedFormObjective misra(kMisraX, Misra);
    testing::StartFit(plain, misra, kMisraY, {250, 5e-4});
    plain.Iterate();
    objective.count = 0;
    objective.failAt = {2};
    testing::StartFit(fit, objective, kMisraY, {250, 5e-4});
    fit.Iterate();
    EXPECT_TRUE(Near(fit.X()[0], plain.X()[0], 1e-9));
    EXPECT_TRUE(Near(fit.X()[1], plain.X()[1], 1e-9));

    // The starting point itself cannot be evaluated: nothing to improve on, the fit ends.
    objective.count = 0;
    objective.failAt = {1};
    testing::StartFit(fit, objective, kMisraY, {250, 5e-4});
    EXPECT_EQ(testing::RunIterations(fit), 1);
    EXPECT_EQ(fit.Flag(), kFlagError);
    EXPECT_EQ(fit.ErrorDescription(), "Analytical simulation failed");
}

// An error in the minimiser's own arithmetic ends the iteration with its description and the best
// point so far: a value of 0 in data without spread has no difference step; a Jacobian of 1e160
// overflows J'J.
TEST(MarquardtTest, ArithmeticErrorEndsTheFitKeepingTheBestPoint) {
    struct Case {
        std::vector<double> y, x0;
        ClosedFormObjective::Model model;
        const char* description;
    };
    const Case cases[] = {
        {{2, 2, 2}, {0}, [](std::span<const double> b, double) { return 1 + b[0]; }, "Division by zero"},
        {{0, 0}, {1e-150}, [](std::span<const double> b, double x) { return 1e160 * b[0] * x; }, "Overflow"},
    };
    for (const Case& c : cases) {
        ClosedFormObjective model({1, 2, 3}, c.model);
        Marquardt fit;
        testing::StartFit(fit, model, c.y, c.x0);
        EXPECT_EQ(testing::RunIterations(fit), 1);
        EXPECT_EQ(fit.Flag(), kFlagError);
        EXPECT_EQ(fit.ErrorDescription(), c.description);
        EXPECT_EQ(Values(fit.X()[0], fit.SSQ()), Values(c.x0[0], model.SumOfSquares(c.x0, c.y)));
        EXPECT_TRUE(fit.ReturnToSolution());
        EXPECT_EQ(model.calls.back(), c.x0);
    }
}

// 31 parameters, or more points than sixteen full curves, would not fit the work arrays.
TEST(MarquardtTest, ProblemsOfTheWrongSizeAreRefused) {
    ClosedFormObjective line(kLineX, Line);
    Marquardt fit;
    const std::vector<double> big(31, 1.0), y(kMaxFitPoints + 1, 1.0), none;
    for (const auto& [x0, data] :
         {std::pair{big, kLineY}, {std::vector<double>{1, 2}, y}, {std::vector<double>{1, 2}, none}})
        EXPECT_EQ(testing::ErrorOf([&] { testing::StartFit(fit, line, data, x0); }), "Subscript out of range");
}

// Standard errors against the closed-form least-squares line (1e-7: the differences of a linear
// model are exact up to rounding). In y = a b x + c only the product a b is determined: a and b
// are undetermined, c keeps the intercept's error of the line with m - 2 degrees of freedom, and
// d, without influence, is undetermined. In y = c exp(-(a + b) x), with a and b held by their
// bounds, only the rounding of the 1% differences tells their columns apart (an eigenvalue of J'J
// near 1e-12): still undetermined.
TEST(MarquardtTest, StandardErrors) {
    const Ols ols = StraightLine(kLineX, kLineY);
    ClosedFormObjective line(kLineX, Line);
    Marquardt fit;
    testing::StartFit(fit, line, kLineY, {0, 1});
    testing::RunIterations(fit);
    std::vector<ParameterError> se(4);
    fit.StandardErrors(se);
    EXPECT_TRUE(se[0].determined && se[1].determined);
    EXPECT_TRUE(Near(se[0].standardError, ols.seIntercept, 1e-7));
    EXPECT_TRUE(Near(se[1].standardError, ols.seSlope, 1e-7));

    ClosedFormObjective product(kLineX,
                                [](std::span<const double> b, double x) { return b[0] * b[1] * x + b[2] + 0 * b[3]; });
    testing::StartFit(fit, product, kLineY, {1, 1, 0, 5});
    testing::RunIterations(fit);
    EXPECT_TRUE(Near(fit.SSQ(), line.SumOfSquares(std::vector<double>{ols.intercept, ols.slope}, kLineY), 1e-9));
    fit.StandardErrors(se);
    EXPECT_EQ(Values(se[0].determined, se[1].determined, se[2].determined, se[3].determined), Values(0, 0, 1, 0));
    EXPECT_TRUE(Near(se[2].standardError, ols.seIntercept, 1e-6));
    EXPECT_FALSE(fit.SolutionIsLastEvaluated());
    EXPECT_TRUE(fit.ReturnToSolution());
    EXPECT_EQ(product.calls.back(), std::vector<double>(fit.X().begin(), fit.X().end()));

    ClosedFormObjective decay(kLineX,
                              [](std::span<const double> b, double x) { return b[2] * std::exp(-(b[0] + b[1]) * x); });
    std::vector<double> y;
    for (double x : kLineX) y.push_back(5 * std::exp(-0.7 * x) + 0.01 * std::sin(7 * x));
    testing::StartFit(fit, decay, y, {0.3, 0.4, 4}, {0.3, 0.4, 0}, {0.3, 0.4, 10});
    testing::RunIterations(fit);
    fit.StandardErrors(se);
    EXPECT_EQ(Values(se[0].determined, se[1].determined, se[2].determined), Values(0, 0, 1));
}

}  // namespace
}  // namespace talvex
