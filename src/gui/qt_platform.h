#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/platform.h"

class QWidget;
class QPrinter;
class QUrl;

namespace talvex::gui {

class PlotWidget;

// The "desc|pattern|desc|pattern" filter of the common file dialogs as Qt writes it:
// "desc (pattern);;desc (pattern)". Patterns joined by ';' become blank-separated.
QString QtFileFilter(const std::string& filter);

// The desktop's services for the engine, on Qt: message boxes, file dialogs, the wait cursor, the
// clock, clipboard, printing and the manual. Every interactive service has a hook, so tests (and
// the screenshot tool) answer instead of a user without blocking on a modal window.
class QtPlatform : public Platform {
  public:
    void MessageBox(const std::string& text) override;
    std::optional<std::string> OpenFileDialog(const std::string& filter) override;
    std::optional<std::string> SaveFileDialog(const std::string& filter) override;
    std::optional<int> Choose(const std::string& question, const std::vector<std::string>& options,
                              int preselected) override;
    void SetPointer(int code) override;
    float Timer() override;
    bool CopyPlotToClipboard() override;
    bool PrintPlot() override;
    bool OpenManual(const std::string& path) override;
    void Exit() override;
    void ShowStatus(const std::string& text) override;
    std::optional<std::pair<int, int>> AskPictureSize(int width, int height) override;
    bool WritePlotPicture(const std::string& path, const std::string& format, int width, int height) override;
    SaveChoice AskSaveChanges(const std::string& question) override;
    bool ArrangeWindows(Arrangement arrangement) override;

    // Parent of the modal windows (the main window) and the plot they copy and print.
    QWidget* parent = nullptr;
    PlotWidget* plot = nullptr;

    // When set, called instead of showing the modal window.
    std::function<void(const std::string& text)> messageHook;
    std::function<std::optional<std::string>(bool save, const QString& qtFilter)> fileDialogHook;
    std::function<std::optional<int>(const std::string& question, const std::vector<std::string>& options,
                                     int preselected)>
        chooseHook;
    // Replaces the print dialog: configures the printer, false to cancel.
    std::function<bool(QPrinter& printer)> printDialogHook;
    // Opens a URL in the desktop's browser; QDesktopServices by default.
    std::function<bool(const QUrl& url)> urlOpener;
    std::function<void()> exitHook;
    std::function<std::optional<std::pair<int, int>>(int width, int height)> pictureSizeHook;
    std::function<SaveChoice(const std::string& question)> saveChangesHook;
    // Where the window shows status lines and lays out its child windows.
    std::function<void(const std::string& text)> statusHook;
    std::function<bool(Arrangement arrangement)> arrangeHook;

    bool waitCursorShown() const { return waitCursor_; }
    // The folder where the last file of the filter's kind was chosen (remembered between runs).
    QString LastFolder(const std::string& filter) const;

  private:
    std::optional<std::string> FileDialog(bool save, const std::string& filter);
    bool waitCursor_ = false;
};

}  // namespace talvex::gui
