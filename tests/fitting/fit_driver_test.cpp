#include "fitting/fit_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/run_error.h"
#include "fit_support.h"
#include "support/numeric.h"
#include "support/run_errors.h"

namespace talvex {
namespace {

using testing::Near;

// Every pool index reaches its own table row and no other (0 and 30 are not parameters); the pool
// holds the rows the mechanism uses, second-order chemical reactions included (their rate
// constants follow the first-order ones in kf and kb), and 0 for the rest.
TEST(FitPool, EachIndexIsItsOwnModelQuantity) {
    auto m = std::make_unique<Model>();
    for (int i = 1; i <= fit::kCount; ++i) SetPoolValue(*m, i, 100 + i);
    const Table1<Real, 7>* tables[] = {&m->C, &m->ks, &m->Alpha, &m->E0, &m->kf, &m->kb, &m->D};
    const int rows[] = {6, 3, 3, 3, 4, 4, 6};
    int index = 1;
    for (int t = 0; t < 7; ++t)
        for (int k = 1; k <= rows[t]; ++k, ++index) EXPECT_EQ((*tables[t])(k), 100 + index) << "index " << index;
    EXPECT_THROW(PoolValue(*m, 0), RunError);
    EXPECT_THROW(SetPoolValue(*m, 30, 1), RunError);

    m->NSpecies = 3, m->NCharge = 1, m->NChem = 1, m->NChem2 = 1;
    FitPool pool;
    FillPool(*m, pool);
    for (int i = 1; i <= fit::kCount; ++i) {
        const bool used =
            i <= 3 || i == 7 || i == 10 || i == 13 || i == 16 || i == 17 || i == 20 || i == 21 || (i >= 24 && i <= 26);
        EXPECT_EQ(pool[static_cast<std::size_t>(i)], used ? 100 + i : 0) << "index " << i;
    }
}

using FitDriverTest = testing::SimulatedDataFit;

// When the fit ends, the model and curve 2 describe the reported point, although the standard
// errors evaluated the Jacobian around it last: simulating again at the model's values gives
// curve 2 bit for bit.
TEST_F(FitDriverTest, ModelAndCurveTwoShowTheReportedPoint) {
    m.ks(1) = 2e-3;
    m.Alpha(1) = 0.45;
    Measure();
    m.ks(1) = 5e-3;
    m.Alpha(1) = 0.5;
    m.E0(1) = 0.11;
    Fit({{fit::ks + 1, 1e-5, 1}, {fit::Alpha + 1, 0.3, 0.7}, {fit::E0 + 1, -0.2, 0.3}});
    ASSERT_EQ(driver->NFit(), 3);
    EXPECT_EQ(m.ks(1), driver->Fitted()[0]);
    EXPECT_EQ(m.Alpha(1), driver->Fitted()[1]);
    EXPECT_EQ(m.E0(1), driver->Fitted()[2]);
    const std::vector<double> curve2 = testing::Curve(m, 2);
    RunSimulation(m, reporter, false);
    EXPECT_EQ(testing::Curve(m, 2), curve2);
    double ssq = 0;
    for (std::size_t k = 0; k < y.size(); ++k) ssq += std::pow(curve2[k] - y[k], 2);
    EXPECT_TRUE(Near(ssq, driver->minimiser().SSQ(), 1e-12));
}

// The standard error against linear regression, where the fit is linear: the current is
// proportional to C(1) and the baseline is a line in the potential, so freeing C(1) with the
// baseline is the regression y = C g + a + b E. Its standard error of C is
// sqrt(ssq / (m - 3) [(X'X)^-1]_00) with X = [g, 1, E]: the fit must count the baseline's two
// degrees of freedom (leaving them out makes it 0.8 % too small here) and project the baseline
// out of its Jacobian. Central differences of 0.01 in ln C are h^2/6 = 1.7e-5 off; hence 1e-4.
TEST_F(FitDriverTest, StandardErrorMatchesLinearRegressionWithTheBaseline) {
    m.DigitalSim = false;
    Measure();
    const std::size_t n = y.size();
    const double peak = *std::max_element(y.begin(), y.end());
    std::vector<double> g(n), potential(n);
    for (std::size_t k = 0; k < n; ++k) {
        g[k] = y[k] / m.C(1);
        potential[k] = m.Xdata(static_cast<int>(k) + 1);
        // A sloping baseline and a deterministic scatter of 1 % of the peak.
        y[k] += 0.03 * peak + 0.05 * peak * potential[k] + 0.01 * peak * std::sin(1.7 * static_cast<double>(k));
    }
    m.C(1) = 0.7e-3;
    m.BackgroundI0 = y[0];
    m.Fitting = true;
    FitServices services{result, reporter, platform, {}};
    FitOptions options;
    options.baseline = true;
    driver->Run(m, y, std::vector<FreeParameter>{{fit::C + 1, 1e-5, 1e-2}}, services, options);
    const FitSummary& fit = driver->Summary();
    ASSERT_EQ(fit.standardErrors.size(), 1u);

    // The regression by its normal equations X'X b = X'y, and X'X v = (1, 0, 0) for the first
    // column of the inverse, by Gaussian elimination.
    double a[3][5] = {{0, 0, 0, 0, 1}, {}, {}};
    for (std::size_t k = 0; k < n; ++k) {
        const double row[3] = {g[k], 1.0, potential[k]};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) a[i][j] += row[i] * row[j];
            a[i][3] += row[i] * y[k];
        }
    }
    for (int c = 0; c < 3; ++c)
        for (int r = c + 1; r < 3; ++r) {
            const double f = a[r][c] / a[c][c];
            for (int j = c; j < 5; ++j) a[r][j] -= f * a[c][j];
        }
    double b[3], v[3];
    for (int r = 2; r >= 0; --r) {
        b[r] = a[r][3];
        v[r] = a[r][4];
        for (int j = r + 1; j < 3; ++j) {
            b[r] -= a[r][j] * b[j];
            v[r] -= a[r][j] * v[j];
        }
        b[r] /= a[r][r];
        v[r] /= a[r][r];
    }
    double ssq = 0;
    for (std::size_t k = 0; k < n; ++k) ssq += std::pow(y[k] - b[0] * g[k] - b[1] - b[2] * potential[k], 2);
    const double se = std::sqrt(ssq / static_cast<double>(n - 3) * v[0]);

    EXPECT_TRUE(Near(fit.values[0], b[0], 1e-6)) << fit.values[0] << " " << b[0];
    EXPECT_TRUE(Near(fit.ssq, ssq, 1e-6)) << fit.ssq << " " << ssq;
    EXPECT_TRUE(Near(fit.standardErrors[0], se, 1e-4)) << fit.standardErrors[0] / se - 1;
}

// Mechanism 8's shift needs ln C(4); with the ligand order 1 the curve moves by RT/F per e-fold
// of C(4). From C(4) = 1e-3 towards the data's 1e-4 the Gauss-Newton step overshoots below 0:
// those simulations fail. They count as steps that did not improve, the fit still reaches the
// data, and the user is told once, with the count and the first message, instead of a message
// box per simulation.
TEST_F(FitDriverTest, FailedSimulationsAreCountedAndToldOnce) {
    m.Mechanism = 8;
    m.NSpecies = 4;
    m.NChem = 1;
    m.Keq(1) = 1;
    m.LigandOrder(1) = 1;
    m.C(2) = 1e-3;
    m.C(4) = 1e-4;
    Measure();
    m.C(4) = 1e-3;
    Fit({{fit::C + 4, -1, 1}});
    const Marquardt& fit = driver->minimiser();
    EXPECT_GT(fit.FailedEvaluations(), 0);
    EXPECT_TRUE(Near(driver->Fitted()[0], 1e-4, 1e-6));
    ASSERT_EQ(reporter.messages.size(), 1u);
    const std::string first =
        "Analytical simulation Error: Invalid procedure call or argument! Please try again by other initial values.";
    EXPECT_EQ(reporter.messages[0], std::to_string(fit.FailedEvaluations()) + " of " +
                                        std::to_string(fit.Evaluations()) +
                                        " simulations of the fit failed and counted as steps that did not improve. "
                                        "The first: " +
                                        first);
    // A start that cannot be simulated at all ends the fit at once, said once as a fit error.
    reporter.messages.clear();
    m.C(4) = 0;
    Fit({{fit::C + 4, -1, 1}});
    EXPECT_EQ(driver->minimiser().Flag(), kFlagError);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{"Fit Error: " + first});
}

// After the report the fit says in plain words how it ended, and warns of each value it did not
// move or left at a bound. A reversible couple (ks 1e4) does not depend on ks: ks ends exactly at
// its start; E0 held below the data's 0.1 V ends at its bound. A rate constant whose bounds span more
// than two decades is first tried at each decade, and the report says so.
TEST_F(FitDriverTest, ReportEndsInPlainWordsWithWarnings) {
    Measure();
    m.E0(1) = 0.09;
    Fit({{fit::E0 + 1, -0.2, 0.095}, {fit::ks + 1, 1e3, 1e5}});
    EXPECT_EQ(driver->Status(), FitStatus::DampingExhausted);
    const std::vector<std::string> tail(result.lines().end() - 5, result.lines().end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{
                  " 2            not determined by the data", "",
                  "Stopped: no step lowered the sum of squares, not even the most damped one (damping exhausted). "
                  "Check on the plot that the curves agree.",
                  "Warning: No. 1 (E0(1)) ended at its upper bound .095.",
                  "Warning: No. 2 (ks(1)) ended exactly at its start value 10000: the fit did not move it."}));

    m.ks(1) = 2e-3;
    m.E0(1) = 0.1;
    m.Fitting = false;
    Measure();
    m.ks(1) = 1e4;
    Fit({{fit::ks + 1, 1e-5, 1e5}});
    EXPECT_EQ(driver->ScanSimulations(), 1 + 10);  // the start, then 1e-5 .. 1e5 but its own 1e4
    EXPECT_NE(std::find(result.lines().begin(), result.lines().end(),
                        "ks(1) was first tried at the 11 decades from 1E-05 to 100000; the fit started from .001."),
              result.lines().end());
    EXPECT_NE(driver->Status(), FitStatus::DampingExhausted);
    EXPECT_TRUE(Near(m.ks(1), 2e-3, 1e-6));
    EXPECT_EQ(testing::ErrorOf([&] { Fit({}); }), kNothingToFit);
}

// A fit that creeps ends after 51 iterations, still asking for more (flag 1). Mechanism 8's wave sits
// (RT/F) ln(1/C(4)) past E0: the data's C(4) = 1e-20 puts it 1.2 V past the start's 1e-3, and each
// damped step (the Gauss-Newton step would cross 0) takes C(4) only a fraction of an e-fold further.
TEST_F(FitDriverTest, StopsAfterTheFiftyFirstIteration) {
    m.Mechanism = 8, m.NSpecies = 4, m.NChem = 1, m.Keq(1) = 1, m.LigandOrder(1) = 1, m.C(2) = 1e-3;
    m.Estart = 1.5, m.Eend = -1.5, m.Estep = 0.01, m.tdrop = 1;
    m.C(4) = 1e-20;
    Measure();
    m.C(4) = 1e-3;
    Fit({{fit::C + 4, -1, 1}});
    EXPECT_EQ(driver->Iterations(), 51);
    EXPECT_EQ(driver->minimiser().Flag(), 1);
    EXPECT_GT(driver->Fitted()[0], 1e-15);
}

}  // namespace
}  // namespace talvex
