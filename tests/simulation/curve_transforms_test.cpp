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

// The independent implementation's transforms of one curve; rounding only, hence 1e-9.
TEST_F(TransformsTest, MatchTheReferenceImplementation) {
    const auto ref = testing::ReadCsv(testing::DataPath("reference/transforms.csv"));
    const std::size_t n = ref.rows();
    using Column = decltype(Model::Yplot);
    struct Case {
        const char* column;
        void (*op)(Model&, Column&);
    };
    const Case cases[] = {{"SemiDifferentiate", SemiDifferentiate<Column>},
                          {"Differentiate", Differentiate<Column>},
                          {"Integrate", Integrate<Column>},
                          {"SemiIntegrate", SemiIntegrate<Column>}};
    for (const Case& c : cases) {
        Load(ref["Xdata"], ref["y"]);
        c.op(*m, m->Yplot);
        for (std::size_t k = 0; k < n; ++k)
            ASSERT_TRUE(Near(Y(static_cast<int>(k + 1)), ref[c.column][k], 1e-9, 1e-15))
                << c.column << " point " << k + 1;
    }
}

// Below four points the derivatives leave the curve; the integral still runs, its sum including the
// first point (which the reference curve, starting at zero, cannot show).
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
