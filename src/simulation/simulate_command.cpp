#include "simulation/simulate_command.h"

#include "core/command_table.h"
#include "core/constants.h"
#include "core/workbench.h"
#include "dialogs/form_expr.h"
#include "plot/plot_renderer.h"
#include "simulation/simulation_driver.h"

namespace talvex {
namespace {

constexpr float kSecondsPerDay = 86400.0f;

// Puts the default pointer back however the command ends.
class HourglassPointer {
  public:
    explicit HourglassPointer(Platform& platform) : platform_(platform) {
        platform_.SetPointer(kPointerHourglass);
    }
    ~HourglassPointer() {
        if (!restored_) platform_.SetPointer(kPointerDefault);
    }
    HourglassPointer(const HourglassPointer&) = delete;
    HourglassPointer& operator=(const HourglassPointer&) = delete;
    void Restore() {
        platform_.SetPointer(kPointerDefault);
        restored_ = true;
    }

  private:
    Platform& platform_;
    bool restored_ = false;
};

}  // namespace

void Simulate(Workbench& wb) {
    Model& m = wb.model;
    m.RunTime = wb.platform.Timer();
    HourglassPointer pointer(wb.platform);
    wb.formExpr.OK();
    RunSimulation(wb);
    TransformAndRender(wb);
    EnableAfterNewDataSet(wb);
    pointer.Restore();
    float elapsed = wb.platform.Timer() - m.RunTime;
    // The clock counts seconds since midnight: a run across midnight would otherwise come out
    // negative.
    if (elapsed < 0) elapsed += kSecondsPerDay;
    m.RunTime = elapsed;
}

}  // namespace talvex
