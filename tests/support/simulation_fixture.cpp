#include "support/simulation_fixture.h"

#include "plot/display.h"
#include "plot/form_option.h"
#include "plot/plot_quantity.h"
#include "simulation/simulation_driver.h"

namespace talvex::testing {

void SimulationTest::Run(int technique, int electrode) {
    m.Technique = technique;
    m.Electrode = electrode;
    m.CaseCode = 10 * technique + electrode;
    RunEngine(wb);
    EXPECT_TRUE(platform.messages.empty()) << platform.messages.back();
}

SimulationOutcome RunEngine(Workbench& wb) {
    Display& d = wb.display;
    return RunSimulation(wb.model, wb.reporter(), d.formOption.overlap.checked(), [&d] {
        NoteSimulatedCurrent(d);
        if (!d.model.Fitting) FillPlotQuantity(d);
    });
}

int SimulationTest::Peak(int first, int last, bool largest) const {
    int best = first;
    for (int i = first; i <= (last > 0 ? last : m.NData.value()); ++i)
        if (largest ? I(i) > I(best) : I(i) < I(best)) best = i;
    return best;
}

::testing::AssertionResult MatchesReference(const Model& m, const std::string& file, const std::string& column,
                                            double relTol, double absTol) {
    const CsvTable ref = ReadCsv(DataPath("reference/" + file));
    if (static_cast<int>(ref.rows()) != m.NData)
        return ::testing::AssertionFailure() << file << ": " << ref.rows() << " rows, NData " << m.NData;
    for (int i = 1; i <= m.NData; ++i) {
        const auto k = static_cast<std::size_t>(i - 1);
        if (auto r = Near(m.Xdata(i), ref["Xdata"][k], 1e-12, 1e-15); !r)
            return r << " (" << file << " x, point " << i << ")";
        if (auto r = Near(m.Yplot(i, m.CurCurve), ref[column][k], relTol, absTol); !r)
            return r << " (" << file << " " << column << ", point " << i << ")";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace talvex::testing
