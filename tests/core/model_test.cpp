#include "core/model.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/checked_math.h"
#include "core/result_window.h"
#include "support/run_errors.h"

namespace talvex {
namespace {

using testing::ErrorOf;

TEST(Model, TablesRejectIndexesOutsideTheirSize) {
    auto m = std::make_unique<Model>();
    EXPECT_NO_THROW(m->Xdata(4000) = 1);
    EXPECT_THROW(m->Xdata(4001), RunError);
    EXPECT_THROW(m->Xdata(-1), RunError);
    EXPECT_THROW(m->Yplot(1, 7), RunError);
    EXPECT_THROW(m->Ystore(4001, 1), RunError);
    EXPECT_EQ(ErrorOf([&] { m->Csurf(1, 8); }), "Subscript out of range");
}

// Items follow each other or move to the next 14-character print zone (the printed numbers and
// unassigned values are pinned by the command tests); every line is echoed as it ends.
TEST(ResultWindow, JoinsItemsOrMovesToTheNextZone) {
    ResultWindow w;
    std::vector<std::string> echoed;
    w.onLine = [&](const std::string& l) { echoed.push_back(l); };
    w.Print().Zone().Text("Curve ").Num(2).Text(":").End();
    w.Print().Text("Number of data point = ").Zone().Num(121).End();
    w.Print().Text("12345678901234").Zone().Text("x").End();
    EXPECT_EQ(w.lines(), (std::vector<std::string>{"              Curve  2 :", "Number of data point =       121 ",
                                                   "12345678901234              x"}));
    EXPECT_EQ(echoed, w.lines());
    w.Clear();
    EXPECT_TRUE(w.lines().empty());
}

TEST(CheckedMath, RaisesTheUsersErrorInsteadOfInfinities) {
    EXPECT_EQ(ErrorOf([] { Div(1, 0); }), "Division by zero");
    EXPECT_EQ(ErrorOf([] { Exp(1000); }), "Overflow");
    EXPECT_EQ(Exp(-1000), 0.0);
    EXPECT_EQ(ErrorOf([] { Log(0); }), "Invalid procedure call or argument");
    EXPECT_THROW(Sqrt(-1e-300), RunError);
    EXPECT_THROW(Pow(-2, 0.5), RunError);
    EXPECT_THROW(Pow(0, -1), RunError);
    EXPECT_THROW(RoundToInt<std::int16_t>(40000), RunError);
    EXPECT_THROW(AddInt16(32767, 1), RunError);
    EXPECT_EQ(RoundToInt(2.5), 2);  // halves to even
    EXPECT_EQ(RoundToInt(3.5), 4);
    EXPECT_EQ(RoundToInt(-2.5), -2);
}

}  // namespace
}  // namespace talvex
