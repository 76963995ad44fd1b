#include <gtest/gtest.h>

#include "core/curve_slot.h"
#include "core/model.h"
#include "core/result_window.h"
#include "core/checked_math.h"

namespace talvex {
namespace {

TEST(Model, StartsUnassignedExceptElectrodeAndDigitalSim) {
    auto m = std::make_unique<Model>();
    EXPECT_EQ(m->Electrode, 1);
    EXPECT_TRUE(m->Electrode.assigned());
    EXPECT_TRUE(m->DigitalSim);
    EXPECT_FALSE(m->Technique.assigned());
    EXPECT_EQ(m->Technique, 0);
    EXPECT_FALSE(m->D(3).assigned());
    EXPECT_FALSE(m->RunTime.assigned());
    EXPECT_EQ(m->NData, 0);
}

TEST(Model, TablesRejectIndexesOutsideTheirSize) {
    auto m = std::make_unique<Model>();
    EXPECT_NO_THROW(m->Xdata(4000) = 1);
    EXPECT_THROW(m->Xdata(4001), RunError);
    EXPECT_THROW(m->Xdata(-1), RunError);
    EXPECT_THROW(m->Yplot(1, 7), RunError);
    EXPECT_THROW(m->Ystore(4001, 1), RunError);
    EXPECT_THROW(m->D(7), RunError);
    EXPECT_THROW(m->ChargeSpecies(1, 3), RunError);
    EXPECT_THROW(m->ChemLabel(5), RunError);
    try {
        m->Csurf(1, 8);
    } catch (const RunError& e) {
        EXPECT_EQ(e.description(), "Subscript out of range");
    }
}

TEST(OpenCurveSlot, FittingAlwaysUsesColumnTwo) {
    auto m = std::make_unique<Model>();
    m->Fitting = true;
    for (bool overlap : {false, true}) {
        OpenCurveSlot(*m, overlap);
        EXPECT_EQ(m->NCurves, 2);
        EXPECT_EQ(m->CurCurve, 2);
        EXPECT_EQ(m->NCurvesSaved, 2);
    }
}

TEST(ResultWindow, JoinsItemsOrMovesToTheNextZone) {
    ResultWindow w;
    std::vector<std::string> echoed;
    w.onLine = [&](const std::string& l) { echoed.push_back(l); };
    Assignable<float> runTime;
    Assignable<int> maxIter;
    w.Print().Text("time = ").Num(runTime).Text("s").End();
    w.Print().Text("max iteration in simulation = ").Num(maxIter).End();
    w.Print().Text("Curve Number is ").Num(1).End();
    w.Print().Zone().Text("Curve ").Num(2).Text(":").End();
    w.Print().Text("Number of data point = ").Zone().Num(121).End();
    w.Print().Text("12345678901234").Zone().Text("x").End();
    runTime = 1.25f;
    w.Print().Text("time = ").Num(runTime).Text("s").End();
    ASSERT_EQ(w.lines().size(), 7u);
    EXPECT_EQ(w.lines()[0], "time = s");
    EXPECT_EQ(w.lines()[1], "max iteration in simulation = ");
    EXPECT_EQ(w.lines()[2], "Curve Number is  1 ");
    EXPECT_EQ(w.lines()[3], "              Curve  2 :");
    EXPECT_EQ(w.lines()[4], "Number of data point =       121 ");
    EXPECT_EQ(w.lines()[5], std::string("12345678901234") + std::string(14, ' ') + "x");
    EXPECT_EQ(w.lines()[6], "time =  1.25 s");
    EXPECT_EQ(echoed, w.lines());
    w.Clear();
    EXPECT_TRUE(w.lines().empty());
}

TEST(CheckedMath, RaisesTheUsersErrorInsteadOfInfinities) {
    EXPECT_THROW(Div(1, 0), RunError);
    EXPECT_THROW(Exp(1000), RunError);
    EXPECT_EQ(Exp(-1000), 0.0);
    EXPECT_THROW(Log(0), RunError);
    EXPECT_THROW(Log(-1), RunError);
    EXPECT_THROW(Sqrt(-1e-300), RunError);
    EXPECT_THROW(Pow(-2, 0.5), RunError);
    EXPECT_THROW(Pow(0, -1), RunError);
    EXPECT_THROW(RoundToInt<std::int16_t>(40000), RunError);
    EXPECT_THROW(AddInt16(32767, 1), RunError);
    EXPECT_EQ(RoundToInt(2.5), 2);
    EXPECT_EQ(RoundToInt(3.5), 4);
    EXPECT_EQ(RoundToInt(-2.5), -2);
}

}  // namespace
}  // namespace talvex
