#include "analysis/theoretical_peak.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "app/simulate_command.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/parameter_transfer.h"
#include "support/golden.h"
#include "support/simulation_fixture.h"

namespace talvex {
namespace {

using testing::Near;

// As the command runs it: the dialogs into the model, then the table.
TEST(TheoreticalPeak, ReportsMatchGoldenTexts) {
    testing::FakePlatform platform;
    Workbench wb(platform);
    TransferParameters(wb.dialogs);
    TheoreticalPeaks(wb.model, wb.formResult);
    EXPECT_TRUE(testing::MatchesGolden("analysis/theoretical_peak_default.txt", testing::ResultText(wb.formResult)));

    // A + e = B, B + e = C over one full cycle: two pairs of lines with |Epc-Epa|.
    wb.formResult.Clear();
    wb.formMech.CheckDigital.Click();
    wb.formMech.mech(2).Click();
    wb.formIns.ComboScan.SelectText("cycle");
    TransferParameters(wb.dialogs);
    TheoreticalPeaks(wb.model, wb.formResult);
    EXPECT_TRUE(testing::MatchesGolden("analysis/theoretical_peak_mechanism2.txt", testing::ResultText(wb.formResult)));
    EXPECT_TRUE(platform.messages.empty());
}

// The printed values against Talvex's own simulation of the same case.
class TheoryTest : public testing::SimulationTest {
  protected:
    enum Measure { kPeak, kLast, kPeakE, kHalfWaveE, kPeakToHalf };
    double Read(Measure what) const {
        const int n = m.NData;
        int k = 1;
        for (int i = 1; i <= n; ++i)
            if (std::fabs(I(i)) > std::fabs(I(k))) k = i;
        double Ep = m.Xdata(k), Ip = I(k);
        if (k > 1 && k < n) {  // parabola through the top
            const double y0 = I(k - 1), y1 = I(k), y2 = I(k + 1);
            const double offset = (y0 - y2) / (2 * (y0 - 2 * y1 + y2));
            Ep += offset * (m.Xdata(k + 1) - m.Xdata(k));
            Ip = y1 - (y0 - y2) * offset / 4;
        }
        auto crossing = [&](double level, int last) {
            for (int i = 2; i <= last; ++i)
                if (std::fabs(I(i)) >= std::fabs(level))
                    return m.Xdata(i - 1) + (level - I(i - 1)) / (I(i) - I(i - 1)) * (m.Xdata(i) - m.Xdata(i - 1));
            return 1e9;
        };
        switch (what) {
            case kPeak:
                return Ip;
            case kLast:
                return I(n);
            case kPeakE:
                return Ep;
            case kHalfWaveE:
                return crossing(I(n) / 2, n);
            case kPeakToHalf:
                return std::fabs(Ep - crossing(Ip / 2, k));
        }
        return 0;
    }
    // Electrode of radius r with the area the Instrument dialog gives it (cylinders 0.1 cm long; a
    // band 4r wide, r the radius the model holds; a film 1 um thick, a thin layer at 10 mV/s).
    void Electrode(int e, double r) {
        const double pi = 3.141592654, L = 0.1;
        const double areas[] = {1, 1, 4 * pi * r * r, 2 * pi * r * r, pi * r * r, 2 * pi * r * L, pi * r * L, 4 * r * L,
                                1, 1};
        m.Radius = r;
        m.ElectrodeLength = e == 9 ? 1e-4 : L;
        m.Area = areas[e];
    }
};

TEST_F(TheoryTest, ValuesAgreeWithTheSimulation) {
    enum Value { Irev, Iirr, Erev, Eirr, Wrev, Wirr };
    struct Case {
        const char* what;
        int technique, electrode;
        double radius;
        bool digital;
        std::function<void(Model&)> set;
        Value value;
        Measure measure;
        double tol;  // relative for currents, volts for potentials
    };
    auto none = [](Model&) {};
    auto slow = [](Model& mm) { mm.ks(1) = 1e-5, mm.Eend = -0.6; };  // irreversible
    auto slowStep = [](Model& mm) { mm.ks(1) = 1e-4, mm.Eend = -0.6; };
    auto catalytic = [](Model& mm) {
        mm.Mechanism = 7, mm.NChem = 1, mm.ChemSpecies(1, 1) = 2, mm.ChemSpecies(1, 2) = 1, mm.kf(1) = 10, mm.kb(1) = 0;
    };
    const double R = 0.2821;
    // Tolerances: the sweep is within 0.4 % of Randles-Sevcik; the digital path within 1 % where
    // theory is exact, and the digital steps at the cylinder and the band within 0.2 % of their
    // printed step currents (0.02 % apart); potentials read off 5 mV steps hold to 1-3 mV.
    const Case cases[] = {
        {"Randles-Sevcik", 1, 1, R, false, none, Irev, kPeak, 0.005},
        {"Ep = E1/2 - 1.109 RT/F", 1, 1, R, false, none, Erev, kPeakE, 0.001},
        {"|Ep - Ep/2| = 2.2 RT/F", 1, 1, R, false, none, Wrev, kPeakToHalf, 0.001},
        {"irreversible peak 0.4958", 1, 1, R, true, slow, Iirr, kPeak, 0.01},
        {"irreversible Ep", 1, 1, R, true, slow, Eirr, kPeakE, 0.003},
        {"irreversible |Ep - Ep/2| = 1.857 RT/aF", 1, 1, R, true, slow, Wirr, kPeakToHalf, 0.003},
        {"microsphere sweep plateau nFADC/r", 1, 2, 1e-4, false, none, Irev, kLast, 0.01},
        {"microdisc sweep 4nFDCr", 1, 4, 5e-4, false, none, Irev, kLast, 0.015},
        {"rotating disk sweep: Levich plateau", 1, 8, R, false, none, Irev, kLast, 0.005},
        {"thin film peak", 1, 9, R, false, none, Irev, kPeak, 0.005},
        {"DC Cottrell", 2, 1, R, false, none, Irev, kLast, 1e-6},
        {"DC E1/2", 2, 1, R, false, none, Erev, kHalfWaveE, 0.001},
        {"DC irreversible E1/2", 2, 1, R, false, slowStep, Eirr, kHalfWaveE, 0.002},
        {"normal pulse Cottrell", 3, 1, R, false, none, Irev, kLast, 1e-6},
        {"normal pulse E1/2 - Epulse", 3, 1, R, false, none, Erev, kHalfWaveE, 0.001},
        {"normal pulse irreversible", 3, 1, R, false, slowStep, Eirr, kHalfWaveE, 0.002},
        {"DC sphere", 2, 2, 0.01, false, none, Irev, kLast, 1e-6},
        {"DC microdisc", 2, 4, 5e-4, false, none, Irev, kLast, 1e-6},
        {"DC microcylinder", 2, 5, 1e-4, true, none, Irev, kLast, 0.002},
        {"normal pulse microcylinder", 3, 5, 1e-4, true, none, Irev, kLast, 0.002},
        {"DC band", 2, 7, 1e-4, true, none, Irev, kLast, 0.002},
        {"DC rotating disk: Levich", 2, 8, R, false, none, Irev, kLast, 1e-6},
        {"differential pulse: Parry-Osteryoung", 4, 1, R, false, none, Irev, kPeak, 0.015},
        {"differential pulse Ep = E1/2 - dE/2", 4, 1, R, false, none, Erev, kPeakE, 0.001},
        {"differential pulse half width", 4, 1, R, false, none, Wrev, kPeakToHalf, 0.001},
        {"differential pulse sphere", 4, 2, 1e-3, false, none, Irev, kPeak, 0.01},
        {"differential pulse microdisc", 4, 4, 1e-3, false, none, Irev, kPeak, 0.01},
        {"differential pulse cylinder", 4, 5, 1e-3, true, none, Irev, kPeak, 0.03},
        {"differential pulse large cylinder", 4, 7, R, true, none, Irev, kPeak, 0.02},
        {"catalytic sweep plateau nFAC sqrt(Dk)", 1, 1, R, true, catalytic, Irev, kLast, 0.01},
        {"catalytic DC", 2, 1, R, true, catalytic, Irev, kLast, 0.01},
        {"catalytic normal pulse", 3, 1, R, true, catalytic, Irev, kLast, 0.03},
        {"catalytic normal pulse E1/2", 3, 1, R, true, catalytic, Erev, kHalfWaveE, 0.002},
        // Square wave, Epulse -0.05 V (the reverse half first on a cathodic sweep): the peak both
        // simulations give, within 1 %.
        {"square wave", 5, 1, R, false, none, Irev, kPeak, 0.01},
        {"square wave digital", 5, 1, R, true, none, Irev, kPeak, 0.01},
        {"square wave 10 um sphere", 5, 2, 1e-3, false, none, Irev, kPeak, 0.01},
        {"square wave 10 um sphere digital", 5, 2, 1e-3, true, none, Irev, kPeak, 0.01},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::DefaultExperiment(m);
        c.set(m);
        Electrode(c.electrode, c.radius);
        m.DigitalSim = c.digital;
        Run(c.technique, c.electrode);
        const TheoryValues v = TheoryFor(m, 1);
        const double printed[] = {v.Irev, v.Iirr, v.Erev, v.Eirr, v.Wrev, v.Wirr};
        const double theory = printed[c.value], simulated = Read(c.measure);
        if (c.value == Irev || c.value == Iirr) {
            EXPECT_TRUE(Near(theory, simulated, c.tol));
        } else {
            EXPECT_NEAR(theory, simulated, c.tol);
        }
    }
}

// Steps of a chain see what the steps before deliver: the second wave of A + e = B, B + e = C
// (E0 0.1 and -0.25 V) is as high as the first in the simulation, and so is its printed current.
TEST_F(TheoryTest, ChainStepsCarryTheFirstOxidant) {
    m.Mechanism = 2, m.NSpecies = 3, m.NCharge = 2, m.Eend = -0.6;
    m.ChargeSpecies(2, 1) = 2, m.ChargeSpecies(2, 2) = 3;
    m.n(2) = 1, m.E0(2) = -0.25, m.Alpha(2) = 0.5, m.ks(2) = 1e4, m.D(3) = 1e-5, m.C(3) = 0;
    Run(2, 1);
    const double firstWave = I(76);  // at -0.075 V, between the waves
    EXPECT_TRUE(Near(TheoryFor(m, 1).Irev, firstWave, 0.01));
    EXPECT_TRUE(Near(TheoryFor(m, 2).Irev, I(m.NData) - firstWave, 0.01));
}

// Square wave against the literature: the reversible net peak is 0.9281 nFAC sqrt(D/(pi tp)) at
// n Esw = 50 mV, n dEs = 10 mV (Osteryoung; Bard and Faulkner's table). Osteryoung's stair starts
// with the forward half, which the technique (E - Epulse/2 first) applies to a cathodic sweep when
// Epulse is +0.1 V peak to peak; net = second half - first, so the sign is negative. The half
// width follows the pulse difference (61.7 mV at 100 mV).
TEST(TheoreticalPeak, SquareWaveFollowsOsteryoung) {
    auto m = std::make_unique<Model>();
    testing::DefaultExperiment(*m);
    m->Technique = 5;
    m->Epulse = 0.1;
    m->Estep = 0.01;
    const TheoryValues v = TheoryFor(*m, 1);
    const double cottrell = 96484.6 * 1e-6 * std::sqrt(1e-5 / (3.141592654 * 0.05));
    EXPECT_TRUE(Near(v.Irev, -0.9281 * cottrell, 0.002));
    EXPECT_NEAR(v.Wrev, 0.0617, 0.0005);
    EXPECT_NEAR(v.Erev, 0.1, 1e-12);
}

}  // namespace
}  // namespace talvex
