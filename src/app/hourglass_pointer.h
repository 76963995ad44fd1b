#pragma once

#include "core/constants.h"
#include "core/platform.h"

namespace talvex {

// The hourglass on the main window while a long command runs; the default pointer comes back
// however the command ends.
class HourglassPointer {
  public:
    explicit HourglassPointer(Platform& platform) : platform_(platform) { platform_.SetPointer(kPointerHourglass); }
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

}  // namespace talvex
