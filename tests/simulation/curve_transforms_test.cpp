#include "simulation/curve_transforms.h"

#include <gtest/gtest.h>

#include "support/numeric.h"

namespace talvex {
namespace {

using testing::Near;

class TransformsTest : public ::testing::Test {
  protected:
    TransformsTest() : m(std::make_unique<Model>()) {}
    void Load(const std::vector<double>& x, const std::vector<double>& y) {
        m->NData = static_cast<int>(x.size());
        m->CurCurve = 1;
        for (std::size_t k = 0; k < x.size(); ++k) {
            m->Xdata(static_cast<int>(k + 1)) = x[k];
            m->Yplot(static_cast<int>(k + 1), 1) = y[k];
        }
    }
    double Y(int k) const { return m->Yplot(k, 1); }
    std::unique_ptr<Model> m;
};

TEST_F(TransformsTest, MatchTheReferenceImplementation) {
    const auto ref = testing::ReadCsv(testing::DataPath("reference/transforms.csv"));
    const std::size_t n = ref.rows();
    struct Case {
        const char* column;
        void (*op)(Model&, Table2<double, kMaxPoints + 1, 7>&);
    };
    const Case cases[] = {
        {"SemiDifferentiate", [](Model& mm, Table2<double, kMaxPoints + 1, 7>& y) { SemiDifferentiate(mm, y); }},
        {"Differentiate", [](Model& mm, Table2<double, kMaxPoints + 1, 7>& y) { Differentiate(mm, y); }},
        {"Integrate", [](Model& mm, Table2<double, kMaxPoints + 1, 7>& y) { Integrate(mm, y); }},
        {"SemiIntegrate", [](Model& mm, Table2<double, kMaxPoints + 1, 7>& y) { SemiIntegrate(mm, y); }},
    };
    for (const Case& c : cases) {
        Load(ref["Xdata"], ref["y"]);
        c.op(*m, m->Yplot);
        for (std::size_t k = 0; k < n; ++k)
            ASSERT_TRUE(Near(Y(static_cast<int>(k + 1)), ref[c.column][k], 1e-9, 1e-15))
                << c.column << " point " << k + 1;
    }
}

TEST_F(TransformsTest, StraightLineAndConstantCurve) {
    std::vector<double> x, line, constant;
    for (int k = 1; k <= 20; ++k) {
        x.push_back(0.3 - 0.01 * (k - 1));
        line.push_back(2 + 0.5 * k);
        constant.push_back(3);
    }
    Load(x, line);
    Differentiate(*m, m->Yplot);
    for (int k = 1; k <= 20; ++k) ASSERT_TRUE(Near(Y(k), 0.5 / 0.01, 1e-9)) << k;

    Load(x, constant);
    Integrate(*m, m->Yplot);
    for (int k = 1; k <= 20; ++k) ASSERT_TRUE(Near(Y(k), 0.01 * 3 * k, 1e-12)) << k;
}

TEST_F(TransformsTest, FewerThanFourPointsAreLeftAsTheyAre) {
    Load({0.3, 0.2, 0.1}, {1, 4, 9});
    SemiDifferentiate(*m, m->Yplot);
    Differentiate(*m, m->Yplot);
    EXPECT_EQ(Y(1), 1);
    EXPECT_EQ(Y(2), 4);
    EXPECT_EQ(Y(3), 9);
    Integrate(*m, m->Yplot);
    EXPECT_TRUE(Near(Y(3), 0.1 * 14, 1e-12));
}

TEST_F(TransformsTest, ZeroSpacingIsAnErrorNotAnInfinity) {
    Load({0.3, 0.3, 0.2, 0.1}, {1, 2, 3, 4});
    EXPECT_THROW(SemiDifferentiate(*m, m->Yplot), RunError);
    EXPECT_THROW(Differentiate(*m, m->Yplot), RunError);
    EXPECT_EQ(Y(2), 2);
}

}  // namespace
}  // namespace talvex
