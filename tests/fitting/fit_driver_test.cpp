#include "fitting/fit_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/run_error.h"
#include "simulation/simulation_driver.h"
#include "support/experiments.h"
#include "support/fake_platform.h"
#include "support/numeric.h"
#include "support/recording_reporter.h"

namespace talvex {
namespace {

using testing::Near;

// Every pool index reaches its own table row and no other: write a distinct value through each
// index, read the tables back. 0 and 30 are not parameters.
TEST(FitPool, EachIndexIsItsOwnModelQuantity) {
    auto m = std::make_unique<Model>();
    for (int i = 1; i <= fit::kCount; ++i) SetPoolValue(*m, i, 100 + i);
    struct Row {
        int first;
        const Table1<Real, 7>& table;
        int rows;
    };
    const Row rows[] = {{1, m->C, 6},   {7, m->ks, 3},  {10, m->Alpha, 3}, {13, m->E0, 3},
                        {16, m->kf, 4}, {20, m->kb, 4}, {24, m->D, 6}};
    int expectedIndex = 1;
    for (const Row& r : rows) {
        EXPECT_EQ(r.first, expectedIndex);
        for (int k = 1; k <= r.rows; ++k, ++expectedIndex) {
            EXPECT_EQ(r.table(k), 100 + expectedIndex) << "index " << expectedIndex;
            EXPECT_EQ(PoolValue(*m, expectedIndex), 100 + expectedIndex);
        }
    }
    EXPECT_EQ(expectedIndex, fit::kCount + 1);
    for (int bad : {0, 30, -1}) {
        EXPECT_THROW(PoolValue(*m, bad), RunError);
        EXPECT_THROW(SetPoolValue(*m, bad, 1), RunError);
    }
}

// The pool holds the rows the mechanism uses, second-order chemical reactions included (their
// rate constants follow the first-order ones in kf and kb); the rest reads 0.
TEST(FitPool, FilledForTheRowsOfTheMechanismOnly) {
    auto m = std::make_unique<Model>();
    for (int i = 1; i <= fit::kCount; ++i) SetPoolValue(*m, i, i);
    m->NSpecies = 3;
    m->NCharge = 1;
    m->NChem = 1;
    m->NChem2 = 1;
    FitPool pool;
    FillPool(*m, pool);
    for (int i = 1; i <= fit::kCount; ++i) {
        const bool used = (i <= 3) || i == 7 || i == 10 || i == 13 || (i >= 16 && i <= 17) || (i >= 20 && i <= 21) ||
                          (i >= 24 && i <= 26);
        EXPECT_EQ(pool[static_cast<std::size_t>(i)], used ? i : 0) << "index " << i;
    }
}

TEST(ResetToSingleCurve, KeepsTheCurrentCurveAsCurveOneUnlessOverlapIsOn) {
    auto m = std::make_unique<Model>();
    m->NData = 3;
    for (int k = 1; k <= 3; ++k)
        for (int c = 1; c <= 3; ++c) m->Yplot(k, c) = 10 * c + k;
    m->NCurves = 3, m->NCurvesSaved = 3, m->CurCurve = 2;
    m->OverlapPlot = true;
    ResetToSingleCurve(*m);
    EXPECT_EQ(m->NCurves, 3);
    EXPECT_EQ(m->Yplot(1, 1), 11);
    m->OverlapPlot = false;
    ResetToSingleCurve(*m);
    EXPECT_EQ(m->NCurves, 1);
    EXPECT_EQ(m->NCurvesSaved, 1);
    EXPECT_EQ(m->CurCurve, 1);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(m->Yplot(k, 1), 20 + k);
}

// A fit of the default experiment (closed-form planar sweep) to a curve the same simulation made.
class FitDriverTest : public ::testing::Test {
  protected:
    FitDriverTest() : m(*model) { testing::DefaultExperiment(m); }

    // Simulates the "measured" curve into y at the model's values.
    void Measure() {
        RunSimulation(m, reporter, false);
        ASSERT_TRUE(reporter.messages.empty()) << reporter.messages.front();
        y.assign(static_cast<std::size_t>(m.NData.value()), 0.0);
        for (int k = 1; k <= m.NData; ++k) y[static_cast<std::size_t>(k - 1)] = m.Yplot(k, 1);
    }

    void Fit(const std::vector<FreeParameter>& free) {
        m.Fitting = true;
        FitServices services{result, reporter, platform, {}};
        driver->Run(m, y, free, services);
    }

    std::unique_ptr<Model> model = std::make_unique<Model>();
    Model& m;
    std::unique_ptr<FitDriver> driver = std::make_unique<FitDriver>();
    testing::FakePlatform platform;
    testing::RecordingReporter reporter;
    ResultWindow result;
    std::vector<double> y;
};

// A start outside its bounds is clamped before the first evaluation, while the report keeps the
// value the user had; the fit then finds the point that made the data (E0 = 0.1 V, same
// simulation: exact up to the convergence test).
TEST_F(FitDriverTest, StartOutsideItsBoundsIsClampedButReportedAsGiven) {
    Measure();
    m.E0(1) = 0.35;
    Fit({{fit::E0 + 1, -0.2, 0.2}});
    EXPECT_EQ(driver->Initial()[0], 0.35);
    EXPECT_TRUE(Near(driver->Fitted()[0], 0.1, 0, 1e-6));
    const auto& lines = result.lines();
    const auto header = std::find(lines.begin(), lines.end(), "No.           Initial value               Fitted value");
    ASSERT_NE(header, lines.end());
    EXPECT_EQ(header[1].substr(0, 28), " 1             .35          ");
    EXPECT_EQ(m.E0(1), driver->Fitted()[0]);  // the model holds the reported point
}

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
    std::vector<double> curve2(y.size());
    for (int k = 1; k <= m.NData; ++k) curve2[static_cast<std::size_t>(k - 1)] = m.Yplot(k, 2);
    RunSimulation(m, reporter, false);
    for (int k = 1; k <= m.NData; ++k) ASSERT_EQ(m.Yplot(k, 2), curve2[static_cast<std::size_t>(k - 1)]) << k;
    double ssq = 0;
    for (int k = 1; k <= m.NData; ++k) ssq += std::pow(curve2[static_cast<std::size_t>(k - 1)] - y[k - 1], 2);
    EXPECT_TRUE(Near(ssq, driver->minimiser().SSQ(), 1e-12));
}

// No free parameter: flag 0 before the loop still makes one iteration, whose trials cannot lower
// the sum of squares, so the damping runs to its limit and the fit ends with -2; no parameter
// lines and no standard errors.
TEST_F(FitDriverTest, NoFreeParameterEndsWithFlagMinusTwo) {
    Measure();
    m.E0(1) = 0.12;
    Fit({});
    EXPECT_EQ(driver->minimiser().Flag(), kFlagConverged);
    EXPECT_EQ(driver->Iterations(), 1);
    const auto& lines = result.lines();
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[1], "No.           Initial value               Fitted value");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines.back().substr(0, 22), "Computation time (s) =");
    EXPECT_TRUE(reporter.messages.empty());
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

// The clock runs across midnight during the fit: the run time is still the elapsed time.
TEST_F(FitDriverTest, RunTimeAcrossMidnight) {
    Measure();
    platform.times = {86399.5f, 0.25f};
    Fit({{fit::E0 + 1, -0.2, 0.2}});
    EXPECT_FLOAT_EQ(m.RunTime, 0.75f);
}

TEST_F(FitDriverTest, AFitNeedsTheMeasuredPoints) {
    m.NData = 0;
    y.clear();
    EXPECT_THROW(Fit({}), RunError);
    std::vector<FreeParameter> tooMany(31, FreeParameter{fit::E0 + 1, -1, 1});
    Measure();
    EXPECT_THROW(Fit(tooMany), RunError);
}

}  // namespace
}  // namespace talvex
