#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "api/fit.h"
#include "support/numeric.h"
#include "support/reference_cv.h"

// Fits of a series of curves, each simulated with its own experiment, sharing one chemistry. The
// data come from a way other than the one fitted: the independent integral-equation solver for
// cyclic voltammograms, Talvex's closed form for a square wave fitted digitally.
namespace talvex {
namespace {

using testing::Near;

constexpr double kE0 = 0.12, kKs = 0.05, kAlpha = 0.5;

api::MeasuredCurve ReferenceCurve(double v, unsigned seed) {
    testing::ReferenceCv p;
    p.E0 = kE0, p.ks = kKs, p.alpha = kAlpha, p.v = v;
    const testing::ReferenceCurve c = testing::ReferenceCycle(p);
    api::MeasuredCurve m;
    m.experiment.scanRate = v;
    m.experiment.cycles = 1;
    m.experiment.potentials = c.E;
    m.current = c.I;
    const double peak = *std::max_element(m.current.begin(), m.current.end());
    std::mt19937 random(seed);
    std::normal_distribution<double> z;
    for (double& i : m.current) i += 0.01 * peak * z(random);  // 1 % of the peak
    m.label = std::to_string(v) + " V/s";
    return m;
}

api::ChemicalSystem StartingChemistry() {
    api::ChemicalSystem c = api::ChemicalSystem::Default();
    c.preEquilibration = false;
    c.chargeTransfers[0].E0 = kE0 + 0.02;
    c.chargeTransfers[0].ks = 3 * kKs;
    c.chargeTransfers[0].alpha = 0.6;
    return c;
}

const std::vector<api::FitParameter> kFree{{"E0(1)", -0.2, 0.4}, {"ks(1)", 1e-6, 10}, {"Alpha(1)", 0.2, 0.8}};

// A couple with ks 0.05 cm/s at 10, 100, 1000 and 10000 mV/s with 1 % noise: nearly reversible at
// the slow scans, where one curve alone hardly fixes ks. Fitted together they give E0 within 1 mV,
// ks within 10 % and alpha within 0.03, and a standard error of ks below that of the fit of any one
// of the curves alone; the report names every curve with its weight (the inverse of its largest
// current, so the fast scans do not drown the slow ones).
TEST(GlobalFit, ScanRateSeriesFixesWhatNoSingleCurveDoes) {
    std::vector<api::MeasuredCurve> series;
    unsigned seed = 1;
    for (double v : {0.01, 0.1, 1.0, 10.0}) series.push_back(ReferenceCurve(v, seed++));
    const auto fit = api::Fit(series, StartingChemistry(), kFree);
    ASSERT_TRUE(fit.ok()) << fit.error().message;
    const api::FitSummary& s = fit.value();
    EXPECT_TRUE(Near(s.values[0], kE0, 0, 1e-3));
    EXPECT_TRUE(Near(s.values[1], kKs, 0.10));
    EXPECT_TRUE(Near(s.values[2], kAlpha, 0, 0.03));
    ASSERT_TRUE(s.determined[1]);
    ASSERT_EQ(s.curves.size(), 4u);
    for (std::size_t c = 0; c < 4; ++c) {
        const double peak = *std::max_element(series[c].current.begin(), series[c].current.end());
        EXPECT_TRUE(Near(s.curves[c].weight, 1 / peak, 1e-12));
        EXPECT_EQ(s.curves[c].points, 242);
    }
    EXPECT_GT(s.curves[3].weight * 30, s.curves[0].weight);  // sqrt(1000): the fast scan's peak
    for (const api::MeasuredCurve& one : series) {
        const auto alone = api::Fit({one}, StartingChemistry(), kFree);
        ASSERT_TRUE(alone.ok()) << alone.error().message;
        const double error = alone->determined[1] ? alone->standardErrors[1] : HUGE_VAL;
        EXPECT_LT(s.standardErrors[1], error) << one.label;
    }
    RecordProperty("ks", std::to_string(s.values[1]));
    RecordProperty("simulations", std::to_string(s.simulations));
}

// Two cyclic voltammograms and a square wave (made by the closed form) fitted together, digitally.
TEST(GlobalFit, MixedSeriesOfTechniques) {
    std::vector<api::MeasuredCurve> series{ReferenceCurve(0.1, 7), ReferenceCurve(1.0, 8)};
    api::Experiment sw;
    sw.technique = api::Technique::SquareWave;
    sw.pulseTime = 0.01;  // 50 Hz
    sw.pulsePotential = -0.025;
    sw.potentialStep = 0.005;
    api::ChemicalSystem truth = api::ChemicalSystem::Default();
    truth.preEquilibration = false;
    truth.chargeTransfers[0].E0 = kE0, truth.chargeTransfers[0].ks = kKs, truth.chargeTransfers[0].alpha = kAlpha;
    const auto made = api::Simulate(sw, truth, {false});
    ASSERT_TRUE(made.ok()) << made.error().message;
    sw.potentials = made->potential;
    series.push_back({sw, made->current, "square wave"});

    const auto fit = api::Fit(series, StartingChemistry(), kFree);
    ASSERT_TRUE(fit.ok()) << fit.error().message;
    EXPECT_TRUE(Near(fit->values[0], kE0, 0, 1e-3));
    EXPECT_TRUE(Near(fit->values[1], kKs, 0.10));
    EXPECT_TRUE(Near(fit->values[2], kAlpha, 0, 0.03));
}

// One thread or many: the same fit bit for bit (every simulation runs on its own copy of what it
// reads, and the results are gathered in a fixed order).
TEST(GlobalFit, ThreadsDoNotChangeTheResult) {
    std::vector<api::MeasuredCurve> series{ReferenceCurve(0.05, 3), ReferenceCurve(0.5, 4), ReferenceCurve(5, 5)};
    api::FitSettings one, many;
    one.fit.threads = 1;
    many.fit.threads = 4;
    const auto a = api::Fit(series, StartingChemistry(), kFree, one);
    const auto b = api::Fit(series, StartingChemistry(), kFree, many);
    ASSERT_TRUE(a.ok() && b.ok());
    EXPECT_EQ(b->threads, 4);
    EXPECT_EQ(a->values, b->values);
    EXPECT_EQ(a->standardErrors, b->standardErrors);
    EXPECT_EQ(a->history, b->history);
    EXPECT_EQ(a->simulations, b->simulations);
}

// A curve whose settings cannot be simulated is named in the one message, and nothing is fitted;
// an unknown parameter name is refused the same way.
TEST(GlobalFit, BadCurvesAreNamedAndNothingRuns) {
    std::vector<api::MeasuredCurve> series{ReferenceCurve(0.1, 1), ReferenceCurve(1.0, 2)};
    series[1].label = "cv_1000.csv";
    series[1].experiment.temperature = 0;  // F/RT divides by it
    auto fit = api::Fit(series, StartingChemistry(), kFree);
    ASSERT_FALSE(fit.ok());
    EXPECT_EQ(fit.error().message.rfind("Fit Error: \"cv_1000.csv\" cannot be simulated: ", 0), 0u)
        << fit.error().message;
    series.pop_back();
    series[0].current.pop_back();
    fit = api::Fit(series, StartingChemistry(), kFree);
    ASSERT_FALSE(fit.ok());
    EXPECT_NE(fit.error().message.find("holds 242 potentials and 241 currents"), std::string::npos);
    fit = api::Fit({ReferenceCurve(0.1, 1)}, StartingChemistry(), {{"E0(4)", 0, 1}});
    ASSERT_FALSE(fit.ok());
    EXPECT_NE(fit.error().message.find("\"E0(4)\" is not a value that can be fitted"), std::string::npos);
}

}  // namespace
}  // namespace talvex
