#include <gtest/gtest.h>

#include "dialogs/form_mech.h"

#include <optional>

#include "core/curve_slot.h"
#include "dialogs/form_ins.h"
#include "plot/axis_commands.h"
#include "plot/plot_fixture.h"
#include "plot/plot_quantity.h"
#include "plot/plot_renderer.h"
#include "simulation/simulation_driver.h"
#include "support/experiments.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::Near;

class QuantityTest : public testing::PlotTest {
  protected:
    QuantityTest() { testing::DefaultExperiment(m); }

    std::vector<double> Column(int j) const {
        std::vector<double> v;
        for (int k = 1; k <= m.NData; ++k) v.push_back(m.Yplot(k, j));
        return v;
    }
    std::vector<double> StoreCurrent() const {
        std::vector<double> v;
        for (int k = 1; k <= m.NData; ++k) v.push_back(m.Ystore(k, m.StoreCol));
        return v;
    }
    // What an import does to the store: a new slot, then measured values into it.
    void ImportMeasured(double peak) {
        OpenCurveSlot(wb);
        for (int k = 1; k <= m.NData; ++k) m.Yplot(k, m.NCurvesSaved) = peak * k / m.NData;
        m.IFirst = 1;
        m.ILast = m.NData.value();
    }
    // Species counts come from the reaction editor whenever the dialogs are transferred, so the
    // editor gets as many species as the model.
    void SurfaceConcentrations(int nSpecies) {
        if (nSpecies > 2) {
            wb.formMech.chem(1).Type("Fe2+");
            wb.formMech.chem(2).Type("X");
        }
        m.NSpecies = static_cast<std::int16_t>(nSpecies);
        for (int k = 1; k <= m.NData; ++k)
            for (int j = 1; j <= nSpecies; ++j) m.Csurf(k, j) = 1e-3 * j / (1.0 + k);
    }
};

// Confirming the display options after an import must not put the last simulation back over the
// measured curve (it did when the "current I" transform refilled whatever the current curve held).
TEST_F(QuantityTest, CurrentRefillLeavesMeasuredCurves) {
    RunSimulation(wb);
    ASSERT_TRUE(HoldsLastSimulatedCurrent(wb));
    ImportMeasured(2.5e-6);  // overlap off: replaces curve 1
    const std::vector<double> measured = Column(1);
    EXPECT_FALSE(HoldsLastSimulatedCurrent(wb));
    opt.cmdOK.Click();
    EXPECT_EQ(Column(1), measured);
    EXPECT_EQ(m.NCurves, 1);

    // With overlap, a simulation after the import goes to curve 2; stepping back to curve 1 and
    // confirming leaves the measured curve alone, while the simulated one stays refillable.
    opt.overlap.SetChecked(true);
    RunSimulation(wb);
    EXPECT_EQ(m.CurCurve, 2);
    EXPECT_EQ(Column(2), StoreCurrent());
    m.CurCurve = 1;  // Next Curve
    opt.cmdOK.Click();
    EXPECT_EQ(Column(1), measured);
    m.CurCurve = 2;
    EXPECT_TRUE(HoldsLastSimulatedCurrent(wb));
}

// A rescaled or reversed simulated curve is the user's own now: the transform keeps it.
TEST_F(QuantityTest, TransformedSimulationIsKept) {
    RunSimulation(wb);
    mnu10Y(wb);
    const std::vector<double> scaled = Column(1);
    opt.cmdOK.Click();
    EXPECT_EQ(Column(1), scaled);

    RunSimulation(wb);
    mnuMinusX(wb);
    const std::vector<double> reversed = Column(1);
    TransformAndRender(wb);
    EXPECT_EQ(Column(1), reversed);
}

// A failed run rewrites the store but not the plotted curve; the curve no longer matches the
// store and is not refilled from it.
TEST_F(QuantityTest, StoreOfFailedRunIsNotCopied) {
    RunSimulation(wb);
    const std::vector<double> good = Column(1);
    m.Estep = 0;  // "Division by zero" while building the staircase, after the store's column moved
    m.NCharge = 2;
    RunSimulation(wb);
    ASSERT_EQ(platform.messages.size(), 1u);
    TransformPlotQuantity(wb);
    EXPECT_EQ(Column(1), good);
}

// Surface concentration of three species replaces curves 1..3 and sets NCurves = 3; back to the
// current, NCurves comes from NCurvesSaved and every replaced curve returns as it was (the
// measured curve 1 too, which the bare refill of the current curve would have lost).
TEST_F(QuantityTest, SurfaceConcentrationRoundTrip) {
    RunSimulation(wb);
    ImportMeasured(3e-6);
    opt.overlap.SetChecked(true);
    RunSimulation(wb);
    ASSERT_EQ(m.NCurvesSaved, 2);
    const std::vector<double> measured = Column(1), simulated = Column(2), third = Column(3);
    SurfaceConcentrations(3);

    opt.ComboY.SelectText("surface concentration C");
    opt.cmdOK.Click();
    EXPECT_FALSE(opt.visible());
    EXPECT_EQ(m.NCurves, 3);
    for (int j = 1; j <= 3; ++j)
        for (int k = 1; k <= m.NData; ++k) ASSERT_EQ(m.Yplot(k, j), m.Csurf(k, j));

    // Confirming again keeps the first saved curves, not the concentrations.
    opt.cmdOK.Click();
    opt.ComboY.SelectText("current I");
    opt.cmdOK.Click();
    EXPECT_EQ(m.NCurves, 2);
    EXPECT_EQ(Column(1), measured);
    EXPECT_EQ(Column(2), simulated);
    EXPECT_EQ(Column(3), third);
}

// A curve written over a plotted concentration (here a new simulation into curve 1 with overlap
// off) is not replaced by the saved older curve when the current is chosen again.
TEST_F(QuantityTest, NewerCurveWinsOverSavedOne) {
    RunSimulation(wb);
    SurfaceConcentrations(2);
    opt.ComboY.SelectText("surface concentration C");
    opt.cmdOK.Click();
    m.E0(1) = 0.0;
    opt.ComboY.SelectText("current I");
    RunSimulation(wb);
    const std::vector<double> newer = Column(1);
    opt.cmdOK.Click();
    EXPECT_EQ(Column(1), newer);
    EXPECT_EQ(Column(1), StoreCurrent());
}

// During a fit the transform writes nothing: curve 1 (measured) and curve 2 (fit) stay, whatever
// quantity is chosen, and the drawing still happens.
TEST_F(QuantityTest, NothingRewrittenWhileFitting) {
    RunSimulation(wb);
    SurfaceConcentrations(3);
    opt.ComboY.SelectText("surface concentration C");
    m.Fitting = true;
    const std::vector<double> before = Column(1);
    const int nCurves = m.NCurves;
    TransformAndRender(wb);
    TransformPlotQuantity(wb);
    EXPECT_EQ(Column(1), before);
    EXPECT_EQ(m.NCurves, nCurves);
    EXPECT_FALSE(wb.formPlot.drawing().empty());
}

// Resistance f / (s + k0) with f = d / Area and conductance (s + k0) Area / d, s = sum of
// Cond(j) Csurf(k, j), k0 = ElectrolyteC ElectrolyteCond; the values below give exact fractions.
TEST_F(QuantityTest, ResistanceAndConductance) {
    RunSimulation(wb);
    const std::vector<double> current = Column(1);
    std::optional<TextBox> own;
    TextBox* dis = dynamic_cast<TextBox*>(wb.formIns.Find("TextDis"));
    if (dis == nullptr) dis = &own.emplace(&wb.formIns, "TextDis");  // until the dialog has its own
    dis->SetText("0");
    opt.ComboY.list.push_back("conductance Cond");
    opt.ComboY.list.push_back("resistance R");

    // Distance 0: the conductance divides by it; the message names the error and no curve is
    // touched.
    opt.ComboY.SelectText("conductance Cond");
    TransformAndRender(wb);
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"Division by zero"}));
    EXPECT_EQ(Column(1), current);

    // The values below are set after the transfer of the dialogs above, and give exact fractions.
    SurfaceConcentrations(2);
    m.Area = 2;
    m.Cond(1) = 50;
    m.Cond(2) = 70;
    m.ElectrolyteC = 0.1;
    m.ElectrolyteCond = 10;
    dis->SetText("0.5");
    FillPlotQuantity(wb);
    for (int k = 1; k <= m.NData; k += 20) {
        const double s = 50 * m.Csurf(k, 1) + 70 * m.Csurf(k, 2) + 1.0;
        EXPECT_TRUE(Near(m.Yplot(k, 1), s * 2 / 0.5, 1e-14));
    }
    EXPECT_EQ(m.NCurves, 1);
    opt.ComboY.SelectText("resistance R");
    FillPlotQuantity(wb);
    for (int k = 1; k <= m.NData; k += 20) {
        const double s = 50 * m.Csurf(k, 1) + 70 * m.Csurf(k, 2) + 1.0;
        EXPECT_TRUE(Near(m.Yplot(k, 1), 0.25 / s, 1e-14));
    }
    opt.ComboY.SelectText("current I");
    FillPlotQuantity(wb);
    EXPECT_EQ(Column(1), current);
}

}  // namespace
}  // namespace talvex
