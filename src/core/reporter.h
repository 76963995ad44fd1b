#pragma once

#include <string>

namespace talvex {

// Where an engine routine shows the text of a message box. The workbench passes one that goes to
// the desktop; a fit passes one that collects the messages of its trial simulations.
class Reporter {
  public:
    virtual ~Reporter() = default;
    virtual void Message(const std::string& text) = 0;
};

}  // namespace talvex
