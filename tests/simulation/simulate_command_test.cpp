#include "simulation/simulate_command.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/workbench.h"
#include "support/fake_platform.h"

namespace talvex {
namespace {

using testing::FakePlatform;

TEST(Simulate, ShowsTheHourglassAndRecordsTheRunTime) {
    FakePlatform platform;
    Workbench wb(platform);
    platform.times = {100.5f, 103.25f};
    Simulate(wb);
    EXPECT_EQ(platform.pointers, (std::vector<int>{11, 0}));
    EXPECT_EQ(wb.model.RunTime, 2.75f);
}

// The clock restarts at midnight: a run from 23:59:59 to 00:00:01 took two seconds.
TEST(Simulate, RunTimeAcrossMidnight) {
    FakePlatform platform;
    Workbench wb(platform);
    platform.times = {86399.0f, 1.0f};
    Simulate(wb);
    EXPECT_EQ(wb.model.RunTime, 2.0f);
}

}  // namespace
}  // namespace talvex
