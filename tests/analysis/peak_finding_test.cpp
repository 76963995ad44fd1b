#include "analysis/peak_finding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/text_number.h"
#include "plot/plot_renderer.h"
#include "support/golden.h"
#include "support/simulation_fixture.h"

namespace talvex {
namespace {

using testing::Near;

// Synthetic curves on 0.3 V downwards in 5 mV steps, drawn from -1e-5 to 1e-5 A (threshold 4e-7).
class PeakShapeTest : public ::testing::Test {
  protected:
    PeakShapeTest() : m(std::make_unique<Model>()) {}
    void Load(const std::vector<double>& y) {
        const int n = static_cast<int>(y.size());
        m->NData = m->ILast = n;
        m->IFirst = 1;
        m->NCurves = 1;
        m->PlotYmax = 1e-5;
        m->PlotYmin = -1e-5;
        for (int k = 1; k <= n; ++k) {
            m->Xdata(k) = 0.3 - 0.005 * (k - 1);
            m->Yplot(k, 1) = y[static_cast<std::size_t>(k - 1)];
        }
    }
    // Gaussian peaks of height h (A) centred on point c, 4 points wide, on a small slope.
    static std::vector<double> Peaks(int n, const std::vector<std::pair<int, double>>& peaks) {
        std::vector<double> y(static_cast<std::size_t>(n));
        for (int k = 1; k <= n; ++k) {
            double v = 1e-9 * k;
            for (auto [c, h] : peaks) v += h * std::exp(-0.5 * std::pow((k - c) / 4.0, 2));
            y[static_cast<std::size_t>(k - 1)] = v;
        }
        return y;
    }
    std::vector<double> FoundAt() {
        FindPeaks(*m, tables, out);
        std::vector<double> e;
        for (int p = 1; p <= tables.NPeaks; ++p) e.push_back(tables.PeakE(p, 1));
        return e;
    }
    std::unique_ptr<Model> m;
    PeakTables tables;
    ResultWindow out;
};

double At(int k) {
    return 0.3 - 0.005 * (k - 1);
}

// The shape test works on magnitudes over +-2 and +-4 points, above 2 % of the drawn range (4e-7 A;
// the slope adds 5e-8 at point 50), and only inside IFirst + 6 .. ILast - 6.
TEST_F(PeakShapeTest, ShapeThresholdAndRange) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, double>> peaks;
        std::vector<std::pair<int, double>> raised;  // single points raised by so much (A)
        std::vector<double> expected;
    };
    const Case cases[] = {
        {"one wave", {{50, 5e-6}}, {}, {At(50)}},
        {"a spike one point wide is no peak", {{50, 5e-6}}, {{70, 3e-6}}, {At(50)}},
        // Points 56 and 57 of the falling flank raised to 3.5 and 3.6 uA: 56 stands above 54 and 55
        // but not above 53 (3.8 uA), so the rise towards 57 does not span four points.
        {"a blip two points wide on a flank is no peak", {{50, 5e-6}}, {{56, 1.88e-6}, {57, 2.52e-6}}, {At(50)}},
        {"anodic peaks count by magnitude", {{30, 5e-6}, {70, -4e-6}}, {}, {At(30), At(70)}},
        {"1.75 % of the drawn range is below the threshold", {{50, 3e-7}}, {}, {}},
        {"2.25 % of the drawn range is above it", {{50, 4e-7}}, {}, {At(50)}},
        {"peaks six points from either end are found", {{7, 5e-6}, {94, 5e-6}}, {}, {At(7), At(94)}},
        {"peaks five points from either end are not", {{6, 5e-6}, {95, 5e-6}}, {}, {}},
    };
    for (const Case& c : cases) {
        std::vector<double> y = Peaks(100, c.peaks);
        for (auto [k, dy] : c.raised) y[static_cast<std::size_t>(k - 1)] += dy;
        Load(y);
        const std::vector<double> found = FoundAt();
        ASSERT_EQ(found.size(), c.expected.size()) << c.what;
        // The parabola through the top lands on the centre; the slope moves it a few uV, and 0.2 mV
        // under the smallest peak.
        for (std::size_t p = 0; p < found.size(); ++p) EXPECT_NEAR(found[p], c.expected[p], 3e-4) << c.what;
    }
}

// Only 20 peaks per curve fit the tables: the scan stops there and says so.
TEST_F(PeakShapeTest, MoreThanTwentyPeaksAreCutWithANote) {
    std::vector<std::pair<int, double>> many;
    for (int c = 10; c <= 250; c += 10) many.push_back({c, 5e-6});  // 25 peaks
    Load(Peaks(260, many));
    const std::vector<double> found = FoundAt();
    ASSERT_EQ(found.size(), 20u);
    EXPECT_NEAR(found.back(), At(200), 1e-4);
    EXPECT_EQ(out.lines().size(), 22u);  // header, 20 peaks, the note
    EXPECT_EQ(out.lines().back(), "More than  20 peaks: the further peaks of this curve are not listed");
}

// Simulated reversible voltammograms (analytical path).
class FindPeakTest : public testing::SimulationTest {
  protected:
    void RunCycle(double cycles, double step) {
        m.ScanCycles = cycles;
        m.Estep = step;
        m.tdrop = step / m.ScanRate;
        Run(1, 1);
        RenderPlot(wb.display);  // Find Peak takes its threshold from the last drawing
        FindPeaks(m, tables, wb.formResult);
    }
    double PrintedRatio() const {
        for (const std::string& line : wb.formResult.lines())
            if (line.rfind("Ipa/Ipc = ", 0) == 0) return LeadingNumber(line.substr(10));
        return 0;
    }
    PeakTables tables;
};

TEST_F(FindPeakTest, ReportsMatchGoldenTexts) {
    RunCycle(1, 0.005);
    EXPECT_TRUE(testing::MatchesGolden("analysis/find_peak_cycle.txt", testing::ResultText(wb.formResult)));
    wb.formResult.Clear();
    RunCycle(0.5, 0.005);
    EXPECT_TRUE(testing::MatchesGolden("analysis/find_peak_sweep.txt", testing::ResultText(wb.formResult)));
    EXPECT_EQ(tables.NPeaks, 1);
}

// A reversible cycle, E0 0.1 V, switched 400 mV past it. References: Ep = E1/2 - 1.109 RT/F and
// |Ep - Ep/2| = 2.20 RT/F (56.5 mV); dEp 57.4 mV (Nicholson 1965, and an independent solution of
// the integral equation here: 57.5 mV); ipa/ipc = 1. Read off the samples, Ep - Ep/2 came out
// 59.0 mV at 1 mV steps and the peaks half a step off; the interpolated readings are held to
// 0.5 mV (a tenth of the coarse step), the separation to 1 mV, the ratio to 2 %.
TEST_F(FindPeakTest, ReadsAReversibleCycleAsTheoryDoes) {
    const double f = testing::FoverRT25();
    for (double step : {0.001, 0.005}) {
        SCOPED_TRACE(::testing::Message() << "step " << step);
        wb.formResult.Clear();
        RunCycle(1, step);
        ASSERT_EQ(tables.NPeaks, 2);
        EXPECT_NEAR(tables.PeakE(1, 1), 0.1 - 1.109 / f, 5e-4);
        EXPECT_NEAR(tables.PeakE(1, 1) - tables.PeakHalfE(1, 1), -2.20 / f, 5e-4);
        EXPECT_NEAR(tables.PeakE(2, 1) - tables.PeakE(1, 1), 0.0574, 1e-3);
        EXPECT_TRUE(Near(PrintedRatio(), 1.0, 0.02));
    }
    // Half a cycle has one peak and no separation lines.
    wb.formResult.Clear();
    RunCycle(0.5, 0.005);
    EXPECT_EQ(tables.NPeaks, 1);
    for (const std::string& line : wb.formResult.lines()) EXPECT_EQ(line.find("Ep2 - Ep1"), std::string::npos);
}

}  // namespace
}  // namespace talvex
