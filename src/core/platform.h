#pragma once

#include <optional>
#include <string>
#include <vector>

namespace talvex {

// What the desktop provides to the engine. The Qt front end, the batch front end and the tests
// each have their own implementation.
class Platform {
  public:
    virtual ~Platform() = default;

    // A message box with an OK button; returns when the user has confirmed it.
    virtual void MessageBox(const std::string& text) = 0;

    // Common file dialogs; the filter alternates descriptions and patterns separated by '|'
    // ("csv|*.csv|all|*.*"). No value when the user cancelled.
    virtual std::optional<std::string> OpenFileDialog(const std::string& filter) = 0;
    virtual std::optional<std::string> SaveFileDialog(const std::string& filter) = 0;

    // Asks the user to pick one of `options`; `preselected` (an index into them) is the answer
    // offered first. No value when the user cancels. A front end that cannot ask takes the
    // preselected answer.
    virtual std::optional<int> Choose(const std::string& question, const std::vector<std::string>& options,
                                      int preselected) {
        (void)question;
        (void)options;
        return preselected;
    }

    // Mouse pointer of the main window: 0 default, 11 hourglass.
    virtual void SetPointer(int code) = 0;

    // Seconds since midnight, in single precision.
    virtual float Timer() = 0;

    // The plot window's image to the clipboard as a bitmap / to the printer. Return false with
    // nothing done when this front end has no clipboard or printer.
    virtual bool CopyPlotToClipboard() = 0;
    virtual bool PrintPlot() = 0;

    // Opens the manual page in the web browser without waiting; false when it cannot be started.
    virtual bool OpenManual(const std::string& path) = 0;

    // Ends the program at once.
    virtual void Exit() = 0;
};

// Seconds from `started`, a Timer() reading, to now. The clock restarts at midnight: a span across
// it would otherwise come out negative.
inline float SecondsSince(Platform& platform, float started) {
    constexpr float kSecondsPerDay = 86400.0f;
    float elapsed = platform.Timer() - started;
    if (elapsed < 0) elapsed += kSecondsPerDay;
    return elapsed;
}

}  // namespace talvex
