#pragma once

#include <string>
#include <vector>

#include "core/reporter.h"

namespace talvex::testing {

// Keeps every message an engine routine shows, for tests that run it without a workbench.
class RecordingReporter : public Reporter {
  public:
    void Message(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

}  // namespace talvex::testing
