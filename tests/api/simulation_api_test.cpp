#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "api/model_bridge.h"
#include "api/simulation.h"
#include "app/workbench.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/form_tech.h"
#include "support/fake_platform.h"
#include "support/model_values.h"
#include "support/numeric.h"

namespace talvex {
namespace {

// The typed defaults are the untouched dialogs: Simulate on them draws, bit for bit, the curve the
// window's Simulate draws on a fresh workbench (both ways of computing, a cycle and a pulse
// technique), and the typed inputs read back from the confirmed model give the same curve again.
TEST(SimulationApi, DefaultsAreTheUntouchedDialogs) {
    struct Case {
        const char* what;
        int technique;
        bool cycle, digital;
    };
    for (const Case& c : {Case{"default", 1, false, true}, Case{"closed-form cycle", 1, true, false},
                          Case{"digital normal pulse", 3, false, true}}) {
        testing::FakePlatform platform;
        Workbench wb(platform);
        api::Experiment e;
        api::ChemicalSystem chem = api::ChemicalSystem::Default();
        api::SimulationOptions options;
        wb.Click(wb.formTech.optTech(c.technique));
        e.technique = static_cast<api::Technique>(c.technique);
        if (c.cycle) {
            wb.Choose(wb.formIns.ComboScan, "cycle");
            e.cycles = 1;
        }
        if (!c.digital) {
            wb.Click(wb.formMech.CheckDigital);
            options.digital = false;
        }
        ASSERT_TRUE(wb.RunCommand("mnuSimulate"));
        ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
        const std::vector<double> window = testing::Curve(wb.model, wb.model.CurCurve);

        const api::Expected<api::Curve> typed = api::Simulate(e, chem, options);
        ASSERT_TRUE(typed.ok()) << typed.error().message;
        EXPECT_EQ(typed->current, window) << c.what;
        EXPECT_EQ(typed->potential.size(), window.size());
        EXPECT_EQ(typed->reactionCurrents.size(), 1u);
        EXPECT_EQ(typed->surfaceConcentrations.size(), c.digital ? 2u : 0u);

        const api::Inputs read = api::FromModel(wb.model, wb.formMech.Choice());
        const api::Expected<api::Curve> again = api::Simulate(read.experiment, read.chemistry, read.options);
        ASSERT_TRUE(again.ok());
        EXPECT_EQ(again->current, window) << c.what;
    }
}

// Eight different experiments at once on eight threads, each on its own engine, give each the
// curve it gives alone, bit for bit (under ThreadSanitizer in CI: nothing is shared).
TEST(SimulationApi, EightThreadsGiveWhatEachGivesAlone) {
    std::vector<api::Experiment> experiments;
    std::vector<api::SimulationOptions> options;
    for (int k = 0; k < 8; ++k) {
        api::Experiment e;
        e.technique = static_cast<api::Technique>(1 + k % 5);
        e.scanRate = 0.01 * (k + 1);
        e.cycles = k % 2 ? 1 : 0.5;
        if (k == 6) e.electrode = api::Electrode::Sphere, e.radius = 1e-3, e.area = 4 * 3.141592654 * 1e-6;
        experiments.push_back(e);
        options.push_back({k % 3 != 0});
    }
    const api::ChemicalSystem chem = api::ChemicalSystem::Default();
    std::vector<std::vector<double>> alone, together(8);
    for (int k = 0; k < 8; ++k) {
        const auto curve = api::Simulate(experiments[k], chem, options[k]);
        ASSERT_TRUE(curve.ok()) << k << ": " << curve.error().message;
        alone.push_back(curve->current);
    }
    std::vector<std::thread> threads;
    for (int k = 0; k < 8; ++k)
        threads.emplace_back([&, k] {
            api::Simulator simulator;
            for (int repeat = 0; repeat < 3; ++repeat) {
                const auto curve = simulator.Run(experiments[k], chem, options[k]);
                if (curve.ok()) together[k] = curve->current;
            }
        });
    for (std::thread& t : threads) t.join();
    for (int k = 0; k < 8; ++k) EXPECT_EQ(together[k], alone[k]) << "experiment " << k;
}

// Engines reuse the working memory of engines that ended: a new one after runs of other
// techniques, electrodes and a failed run gives the first curve again, bit for bit.
TEST(SimulationApi, ANewEngineStartsAsTheFirstDid) {
    const api::ChemicalSystem chem = api::ChemicalSystem::Default();
    const auto first = api::Simulate(api::Experiment{}, chem);
    ASSERT_TRUE(first.ok()) << first.error().message;
    for (int k = 0; k < 6; ++k) {
        api::Experiment e;
        e.technique = static_cast<api::Technique>(1 + k % 5);
        e.scanRate = 0.3;
        e.noise = 2;
        if (k == 2) e.electrode = api::Electrode::Sphere, e.radius = 1e-3;
        if (k == 5) e.temperature = 0;  // fails part-way through the setup
        api::Simulator other;
        (void)other.Run(e, chem, {k % 2 == 0});
    }
    api::Simulator fresh;
    const auto again = fresh.Run(api::Experiment{}, chem);
    ASSERT_TRUE(again.ok()) << again.error().message;
    EXPECT_EQ(again->current, first->current);
    EXPECT_EQ(again->surfaceConcentrations, first->surfaceConcentrations);
}

// A run that cannot give a curve is an error value with the text the window shows; what the
// engine told before is kept; measured potentials are simulated as given, without noise.
TEST(SimulationApi, ErrorsAreValuesAndMeasuredPotentialsAreKept) {
    api::Experiment e;
    e.potentialStep = 0;  // no staircase
    const auto failed = api::Simulate(e, api::ChemicalSystem::Default(), {false});
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().message,
              "Analytical simulation Error: Division by zero! Please try again by other initial values.");

    api::Experiment measured;
    measured.noise = 5;
    measured.potentials = {0.3, 0.2, 0.1, 0.05, 0.0, -0.1};
    const auto curve = api::Simulate(measured, api::ChemicalSystem::Default(), {false});
    ASSERT_TRUE(curve.ok()) << curve.error().message;
    EXPECT_EQ(curve->potential, measured.potentials);
    const auto again = api::Simulate(measured, api::ChemicalSystem::Default(), {false});
    EXPECT_EQ(curve->current, again->current);  // no noise: the same curve

    measured.potentials.assign(4001, 0.1);
    EXPECT_FALSE(api::Simulate(measured, api::ChemicalSystem::Default()).ok());
}

// Initial concentrations given (as the dialog's "C init" gives them) are the ones the run starts
// from, not equilibrated again; without them the analytical ones are (as the dialog shows them).
// Half the oxidant gives half the reversible peak (the problem is linear in C; 1e-12 is rounding).
TEST(SimulationApi, GivenInitialConcentrationsAreUsed) {
    const api::Experiment e;
    api::ChemicalSystem c = api::ChemicalSystem::Default();
    c.preEquilibration = false;
    const auto computed = api::Simulate(e, c, {false});
    c.preEquilibration = true;  // given concentrations are not equilibrated again
    c.initialConcentrations = {0.5e-3, 0};
    const auto given = api::Simulate(e, c, {false});
    c.initialConcentrations = {};
    c.species[0].concentration = 0.5e-3;
    c.preEquilibration = false;
    const auto analytical = api::Simulate(e, c, {false});
    ASSERT_TRUE(computed.ok() && given.ok() && analytical.ok());
    EXPECT_EQ(given->current, analytical->current);
    const double full = *std::max_element(computed->current.begin(), computed->current.end());
    const double half = *std::max_element(given->current.begin(), given->current.end());
    EXPECT_TRUE(testing::Near(half, full / 2, 1e-12));
}

}  // namespace
}  // namespace talvex
