// Every technique at every electrode, closed-form and digital, with extreme values put straight into
// the model (past the checks a command makes, as a fit's trial values are): a run never crashes,
// never leaves a NaN or an infinity in a curve, and where theory gives the answer it gives that:
// ks 1e30 is the reversible curve of ks 1e4 (0.5 % of the peak), a radius of 1e30 cm is the planar
// curve of the same area (1e-6 of the peak), and a catalytic current grows no faster than its
// reaction layer thins.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/workbench.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/form_tech.h"
#include "simulation/simulation_driver.h"
#include "support/fake_platform.h"

namespace talvex {
namespace {

// A workbench on the dialogs' defaults, the digital simulation on or off.
struct Bench {
    explicit Bench(bool digital) : wb(platform) {
        if (!digital) wb.Click(wb.formMech.CheckDigital);
    }
    testing::FakePlatform platform;
    Workbench wb;
    Model& m = wb.model;
};

// The technique and electrode, with pulse timings every technique accepts.
void Select(Model& m, int tech, int electrode) {
    m.Technique = tech, m.Electrode = electrode, m.CaseCode = 10 * tech + electrode;
    if (tech >= 3) m.tdrop = 0.5, m.tpulse = 0.05;
    if (tech == 5) m.tdrop = 0.05;
}

struct Extreme {
    std::string name;
    void (*apply)(Model&);
};

const Extreme kExtremes[] = {
    {"radius 1e-30", [](Model& m) { m.Radius = 1e-30; }},
    {"radius 1e30", [](Model& m) { m.Radius = 1e30; }},
    {"D 1e-30", [](Model& m) { m.D(1) = m.D(2) = 1e-30; }},
    {"ks 1e-12", [](Model& m) { m.ks(1) = 1e-12; }},
    {"ks 1e30", [](Model& m) { m.ks(1) = 1e30; }},
    {"scan rate 1e9",
     [](Model& m) {
         m.ScanRate = 1e9;
         m.tdrop = m.Estep / m.ScanRate;
         if (m.Technique == 3 || m.Technique == 4) m.tpulse = m.tdrop / 4;
     }},
    {"10000 cycles", [](Model& m) { m.ScanCycles = 10000; }},
};

struct Outcome {
    SimulationOutcome run;
    std::vector<double> current;  // per unit area, points IFirst..ILast of a run that wrote its curve
    std::vector<std::string> messages;
    bool finite = true;
    bool Clean() const { return run.Complete() && messages.empty(); }
};

Outcome Simulate(bool digital, int tech, int electrode, void (*extreme)(Model&)) {
    Bench b(digital);
    b.wb.formExpr.OK();
    Model& m = b.m;
    Select(m, tech, electrode);
    m.Radius = 0.01, m.ElectrodeLength = 0.1, m.Omega = 100 * 3.141592654 / 30;
    if (extreme) extreme(m);
    Outcome r;
    r.run = RunSimulation(m, b.wb.reporter(), false);
    r.messages = b.platform.messages;
    for (int i = 0; i <= kMaxPoints; ++i)
        for (int c = 0; c < 7; ++c) r.finite = r.finite && std::isfinite(m.Yplot(i, c));
    if (r.run.curveWritten)
        for (int i = m.IFirst; i <= m.ILast; ++i) r.current.push_back(m.Yplot(i, 1) / m.Area);
    return r;
}

double Peak(const std::vector<double>& y) {
    double p = 0;
    for (double v : y) p = std::max(p, std::fabs(v));
    return p;
}

// Largest difference relative to the reference's peak; infinite when the curves cannot be compared.
double Departure(const std::vector<double>& y, const std::vector<double>& ref) {
    if (y.size() != ref.size() || ref.empty() || Peak(ref) == 0) return INFINITY;
    double d = 0;
    for (std::size_t i = 0; i < y.size(); ++i) d = std::max(d, std::fabs(y[i] - ref[i]));
    return d / Peak(ref);
}

// Every code has a kernel, except the thin film in the digital simulation, which refuses it with a
// message.
TEST(ExtremesGrid, EveryTechniqueElectrodeAndModeStaysFiniteAndTendsToItsLimits) {
    for (bool digital : {false, true})
        for (int tech = 1; tech <= 5; ++tech)
            for (int electrode = 1; electrode <= 9; ++electrode) {
                SCOPED_TRACE(::testing::Message()
                             << (digital ? "digital" : "closed form") << " T" << tech << " E" << electrode);
                const Outcome plain = Simulate(digital, tech, electrode, nullptr);
                EXPECT_TRUE(plain.finite);
                if (electrode != 9 || !digital) {
                    EXPECT_TRUE(plain.Clean()) << (plain.messages.empty() ? "" : plain.messages.front());
                    EXPECT_GT(Peak(plain.current), 0);
                }
                const Outcome planar = Simulate(digital, tech, 1, nullptr);
                for (const Extreme& x : kExtremes) {
                    SCOPED_TRACE(x.name);
                    const Outcome r = Simulate(digital, tech, electrode, x.apply);
                    EXPECT_TRUE(r.finite);
                    if (x.name == "10000 cycles") {  // more than 4000 points: refused before anything runs
                        EXPECT_FALSE(r.messages.empty());
                        EXPECT_FALSE(r.run.curveWritten);
                        continue;
                    }
                    if (!plain.Clean()) continue;
                    EXPECT_TRUE(r.Clean()) << r.run.computed << " of " << r.run.points << " points"
                                           << (r.messages.empty() ? "" : ", message: " + r.messages.front());
                    if (!r.Clean()) continue;
                    if (x.name == "ks 1e30") {
                        EXPECT_LE(
                            Departure(r.current,
                                      Simulate(digital, tech, electrode, [](Model& m) { m.ks(1) = 1e4; }).current),
                            0.005);
                    }
                    if (x.name == "radius 1e30" && electrode >= 2 && electrode <= 7 && planar.run.Complete()) {
                        EXPECT_LE(Departure(r.current, planar.current), 1e-6);
                    }
                }
            }
}

// Homogeneous rate constants of 1e30 /s: the catalytic current of EC' (B = A after A + e = B) grows
// at most as sqrt(kf + kb), the thinning of its reaction layer (Saveant and Vianello), so from kf =
// 1e2 to 1e30 by at most 1e14 (10 % margin for the diffusion share, which does not grow). One clear
// message instead of a curve is an answer too.
TEST(ExtremesGrid, CatalyticCurrentGrowsNoFasterThanItsReactionLayerThins) {
    for (bool digital : {false, true})
        for (int tech = 1; tech <= 5; ++tech) {
            double slowPeak = 0;
            for (double kf : {1e2, 1e30}) {
                SCOPED_TRACE(::testing::Message()
                             << (digital ? "digital" : "closed form") << " T" << tech << " kf " << kf);
                Bench b(digital);
                b.wb.Click(b.wb.formTech.optTech(tech));
                if (digital) {
                    b.wb.Type(b.wb.formMech.chem(1), "Fe2+");
                    b.wb.Type(b.wb.formMech.chem(2), "Fe3+");
                } else {
                    b.wb.Click(b.wb.formMech.mech(7));
                }
                b.wb.formExpr.OK();
                b.m.kf(1) = kf, b.m.kb(1) = 0.01;
                const SimulationOutcome outcome = RunSimulation(b.m, b.wb.reporter(), false);
                double peak = 0;
                for (int i = 1; i <= b.m.NData; ++i) {
                    ASSERT_TRUE(std::isfinite(b.m.Yplot(i, 1))) << i;
                    peak = std::max(peak, std::fabs(b.m.Yplot(i, 1)));
                }
                if (kf == 1e2) {
                    slowPeak = peak;
                } else if (b.platform.messages.size() != 1 || outcome.curveWritten) {
                    EXPECT_LE(peak, 1.1 * slowPeak * std::sqrt((kf + 0.01) / (1e2 + 0.01)));
                }
            }
        }
}

// Homogeneous rate constants of 1e30 /s in every technique, digital, with first- and second-order
// reactions in either direction: B = A regenerating the oxidant (kf) or A = B taking it away (kb,
// a fast preceding equilibrium), and B + Z = A + Z with a catalyst Z. A digital grid whose boxes
// would have to be 1e-19 cm thin cannot resolve such a reaction layer in double precision, so the
// answer is one message naming the rate and the limit, no curve and nothing left behind.
TEST(ExtremesGrid, FastHomogeneousReactionsGiveOneClearMessage) {
    struct Reaction {
        const char* what;
        bool second;
        double kf, kb;
    };
    const Reaction reactions[] = {{"B = A, kf 1e30", false, 1e30, 0.01},
                                  {"B = A, kb 1e30", false, 0.01, 1e30},
                                  {"B + Z = A + Z, kf 1e30", true, 1e30, 0},
                                  {"B + Z = A + Z, kb 1e30", true, 0, 1e30}};
    for (const Reaction& r : reactions)
        for (int tech = 1; tech <= 5; ++tech) {
            SCOPED_TRACE(::testing::Message() << r.what << ", technique " << tech);
            Bench b(true);
            Model& m = b.m;
            b.wb.formExpr.OK();
            Select(m, tech, 1);
            if (r.second) {
                m.NSpecies = 3, m.C(3) = 1e-3, m.D(3) = 1e-5, m.NChem = 0, m.NChem2 = 1;
                const std::int16_t species[] = {2, 3, 1, 3};
                for (int k = 1; k <= 4; ++k) m.Chem2Species(1, k) = species[k - 1];
            } else {
                m.NChem = 1, m.NChem2 = 0, m.ChemSpecies(1, 1) = 2, m.ChemSpecies(1, 2) = 1;
            }
            m.kf(1) = r.kf, m.kb(1) = r.kb;
            const SimulationOutcome outcome = RunSimulation(m, b.wb.reporter(), false);
            ASSERT_EQ(b.platform.messages.size(), 1u);
            EXPECT_EQ(b.platform.messages[0].rfind("CV Error: The chemical reaction is too fast for the digital "
                                                   "simulation (kf + kb = 1E+30 /s; at this time step it resolves "
                                                   "at most ",
                                                   0),
                      0u)
                << b.platform.messages[0];
            EXPECT_FALSE(outcome.curveWritten);
            for (int i = 1; i <= m.NData; ++i) ASSERT_EQ(m.Ystore(i, m.StoreCol), 0) << i;
        }
}

// Differential pulse with a drop time only a little longer than the pulse (0.0556 s and 0.05 s, a
// scan at 0.09 V/s) is allowed, and its current cannot exceed the Cottrell current nFAC
// sqrt(D / (pi t)) at the shorter of the pulse and the wait before it: each point starts from a
// fresh layer, and a difference of two diffusion currents is smaller than the larger of them.
TEST(ExtremesGrid, DifferentialPulseWithAShortWaitBeforeThePulse) {
    for (bool digital : {false, true}) {
        SCOPED_TRACE(digital ? "digital" : "closed form");
        Bench b(digital);
        b.wb.Click(b.wb.formTech.optTech(4));
        b.wb.Type(b.wb.formIns.V, "0.09");
        b.wb.RunCommand("mnuSimulate");
        const Model& m = b.m;
        const double shortest = std::min<double>(m.tpulse, m.tdrop - m.tpulse);
        const double cottrell = 96484.6 * m.Area * m.C(1) * 1e-3 * std::sqrt(m.D(1) / (3.141592654 * shortest));
        EXPECT_TRUE(b.platform.messages.empty());
        for (int i = 1; i <= m.NData; ++i) ASSERT_LE(std::fabs(m.Yplot(i, 1)), cottrell) << i;
    }
}

}  // namespace
}  // namespace talvex
