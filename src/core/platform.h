#pragma once

#include <optional>
#include <string>
#include <utility>
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

    // A line for the status bar: what a command did, to be read in passing (the file and the
    // number of points an export wrote). A front end without one may print it or drop it.
    virtual void ShowStatus(const std::string& text) { (void)text; }

    // The size in pixels of a picture to export, `width` x `height` offered; no value when the user
    // cancels. A front end that cannot ask takes the offer.
    virtual std::optional<std::pair<int, int>> AskPictureSize(int width, int height) {
        return std::pair{width, height};
    }

    // Writes the plot window's drawing as a picture of width x height pixels in `format` ("png" or
    // "pdf"); false when this front end cannot draw such pictures or the file cannot be written.
    virtual bool WritePlotPicture(const std::string& path, const std::string& format, int width, int height) {
        (void)path;
        (void)format;
        (void)width;
        (void)height;
        return false;
    }

    // Asks what to do with work that was not saved before it is discarded ("Quit", "Open another
    // workspace"). A front end that cannot ask discards, as the program always did.
    enum class SaveChoice { Save, Discard, Cancel };
    virtual SaveChoice AskSaveChanges(const std::string& question) {
        (void)question;
        return SaveChoice::Discard;
    }

    // Lays out the plot and result windows side by side, or one over the other offset; false where
    // there are no such windows.
    enum class Arrangement { Tile, Cascade };
    virtual bool ArrangeWindows(Arrangement arrangement) {
        (void)arrangement;
        return false;
    }
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
