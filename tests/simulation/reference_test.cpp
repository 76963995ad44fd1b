#include <gtest/gtest.h>

#include <string>

#include "core/workbench.h"
#include "simulation/simulation_driver.h"
#include "support/experiments.h"
#include "support/fake_platform.h"
#include "support/numeric.h"

namespace talvex {
namespace {

// An independent implementation of the same steps gives these curves (inputs in its README); the
// arithmetic is the same double-precision sequence, so 1e-9 relative leaves room only for
// differences in rounding.
TEST(AnalyticalReference, EveryTechniqueMatchesTheReferenceCurves) {
    struct Case {
        const char* file;
        int technique, electrode;
        double cycles, radius, area;
    };
    const Case cases[] = {
        {"analytical_dc_planar.csv", 2, 1, 0.5, 0.2821, 1},
        {"analytical_normal_pulse_planar.csv", 3, 1, 0.5, 0.2821, 1},
        {"analytical_differential_pulse_planar.csv", 4, 1, 0.5, 0.2821, 1},
        {"analytical_differential_pulse_planar_cycle.csv", 4, 1, 1, 0.2821, 1},
        {"analytical_dc_sphere_r1e-4.csv", 2, 2, 0.5, 1e-4, 1.26e-7},
        {"analytical_dc_rotating_disk_100rpm.csv", 2, 8, 0.5, 0.2821, 1},
    };
    for (const Case& c : cases) {
        testing::FakePlatform platform;
        Workbench wb(platform);
        Model& m = wb.model;
        testing::DefaultExperiment(m, true);
        m.Technique = c.technique;
        m.Electrode = c.electrode;
        m.CaseCode = 10 * c.technique + c.electrode;
        m.ScanCycles = c.cycles;
        m.Radius = c.radius;
        m.Area = c.area;
        RunSimulation(wb);
        ASSERT_TRUE(platform.messages.empty()) << c.file;
        const auto ref = testing::ReadCsv(testing::DataPath(std::string("reference/") + c.file));
        ASSERT_EQ(static_cast<int>(ref.rows()), m.NData) << c.file;
        for (int i = 1; i <= m.NData; ++i) {
            const auto k = static_cast<std::size_t>(i - 1);
            ASSERT_TRUE(testing::Near(m.Xdata(i), ref["Xdata"][k], 1e-12, 1e-15)) << c.file << " point " << i;
            ASSERT_TRUE(testing::Near(m.Yplot(i, m.CurCurve), ref["total"][k], 1e-9, 1e-25))
                << c.file << " point " << i;
        }
    }
}

}  // namespace
}  // namespace talvex
