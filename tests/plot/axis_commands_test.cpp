#include "plot/axis_commands.h"

#include <gtest/gtest.h>

#include "plot/plot_fixture.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::Near;

class AxisCommandsTest : public testing::PlotTest {
  protected:
    AxisCommandsTest() {
        // Curve 2 is the current one; curve 1 must never change.
        SetCurve(1, xs, {1, 2, 3, 4, 5});
        SetCurve(2, xs, y2);
    }
    std::vector<double> X() const {
        return Column([&](int k) { return m.Xdata(k); });
    }
    std::vector<double> Y(int j) const {
        return Column([&](int k) { return m.Yplot(k, j); });
    }
    template <typename F>
    std::vector<double> Column(F f) const {
        std::vector<double> v;
        for (int k = 1; k <= m.NData; ++k) v.push_back(f(k));
        return v;
    }
    const std::vector<double> xs{0.3, 0.1, -0.05, -0.2, -0.3};
    const std::vector<double> y2{1.1e-6, -3.3e-7, 0.0, 7.7e-6, 2.9e-6};
};

TEST_F(AxisCommandsTest, ScalingTouchesOnlyItsAxisAndRedraws) {
    mnu1000X(wb);
    EXPECT_EQ(X(), (std::vector<double>{300, 100, -50, -200, -300}));
    EXPECT_EQ(Y(2), y2);
    EXPECT_EQ(wb.formPlot.drawing().size() > 1, true);
    EXPECT_EQ(m.PlotXmax, 300);  // redrawn with the new potentials

    mnu1000Y(wb);
    mnu0001Y(wb);
    mnu10X(wb);
    mnu01X(wb);
    mnu0001X(wb);
    EXPECT_EQ(Y(1), (std::vector<double>{1, 2, 3, 4, 5}));
    // Each factor is one rounding: 1000 * 0.001 and 10 * 0.1 come back within two ulps.
    for (int k = 1; k <= 5; ++k) {
        EXPECT_TRUE(Near(m.Xdata(k), xs[static_cast<std::size_t>(k - 1)], 5e-16));
        EXPECT_TRUE(Near(m.Yplot(k, 2), y2[static_cast<std::size_t>(k - 1)], 5e-16));
    }
}

// -Y twice is exact; 10Y then 0.1Y within the two roundings of the products.
TEST_F(AxisCommandsTest, NegateTwiceExactTenthAfterTenWithinRounding) {
    mnuMinusY(wb);
    EXPECT_EQ(m.Yplot(1, 2), -1.1e-6);
    mnuMinusY(wb);
    EXPECT_EQ(Y(2), y2);

    mnu10Y(wb);
    EXPECT_EQ(m.Yplot(4, 2), 10 * 7.7e-6);
    mnu01Y(wb);
    for (int k = 1; k <= 5; ++k)
        EXPECT_TRUE(Near(m.Yplot(k, 2), y2[static_cast<std::size_t>(k - 1)], 5e-16));
}

TEST_F(AxisCommandsTest, ReverseTwiceRestoresOrder) {
    mnuMinusX(wb);
    EXPECT_EQ(X(), (std::vector<double>{-0.3, -0.2, -0.05, 0.1, 0.3}));
    EXPECT_EQ(Y(2), (std::vector<double>{2.9e-6, 7.7e-6, 0.0, -3.3e-7, 1.1e-6}));
    EXPECT_EQ(Y(1), (std::vector<double>{1, 2, 3, 4, 5}));
    mnuMinusX(wb);
    EXPECT_EQ(X(), xs);
    EXPECT_EQ(Y(2), y2);

    // An even count swaps every pair, including the middle one.
    m.NData = 4;
    mnuMinusX(wb);
    EXPECT_EQ(X(), (std::vector<double>{-0.2, -0.05, 0.1, 0.3}));
}

// A product beyond the double range raises "Overflow" before anything is written.
TEST_F(AxisCommandsTest, OverflowChangesNothing) {
    m.Xdata(5) = 1e306;
    EXPECT_THROW(mnu1000X(wb), RunError);
    EXPECT_EQ(m.Xdata(1), 0.3);
    EXPECT_EQ(m.Xdata(5), 1e306);
}

}  // namespace
}  // namespace talvex
