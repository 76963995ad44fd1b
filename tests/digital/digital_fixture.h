#pragma once

#include <gtest/gtest.h>

#include <cmath>

#include "core/workbench.h"
#include "digital/simulate_digital.h"
#include "simulation/simulation_driver.h"
#include "support/experiments.h"
#include "support/fake_platform.h"

namespace talvex::testing {

// The default experiment run through the driver with the digital simulation.
class DigitalTest : public ::testing::Test {
protected:
    DigitalTest() : wb(platform), m(wb.model) {
        DefaultExperiment(m);
        m.DigitalSim = true;
    }

    void Run() { RunSimulation(wb); }
    double I(int i) const { return m.Ystore(i, m.StoreCol); }
    double Last() const { return I(m.NData); }

    struct Peak {
        double E, I;
    };
    // The extreme of points first..last (sign +1 largest, -1 most negative), refined by the
    // parabola through it and its neighbours.
    Peak PeakOf(int first, int last, int sign = 1) const {
        int best = first;
        for (int i = first; i <= last; ++i)
            if (sign * I(i) > sign * I(best)) best = i;
        if (best == first || best == last) return {m.Xdata(best), I(best)};
        const double y0 = I(best - 1), y1 = I(best), y2 = I(best + 1);
        const double offset = (y0 - y2) / (2 * (y0 - 2 * y1 + y2));
        return {m.Xdata(best) + offset * (m.Xdata(best + 1) - m.Xdata(best)), y1 - (y0 - y2) * offset / 4};
    }

    double F() const { return 96484.6; }
    double f() const { return m.FoverRT; }  // F/RT

    FakePlatform platform;
    Workbench wb;
    Model& m;
};

}  // namespace talvex::testing
