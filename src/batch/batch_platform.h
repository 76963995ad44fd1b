#pragma once

#include <deque>
#include <optional>
#include <ostream>
#include <string>

#include "core/platform.h"

namespace talvex {

class FormPlot;

// The desktop as a script sees it: message boxes become output lines, file dialogs take the
// answers the script queued, the clock is the real one.
class BatchPlatform : public Platform {
  public:
    explicit BatchPlatform(std::ostream& out) : out_(out) {}

    void MessageBox(const std::string& text) override;
    std::optional<std::string> OpenFileDialog(const std::string& filter) override;
    std::optional<std::string> SaveFileDialog(const std::string& filter) override;
    // Takes the next queued answer: an option's text (any case, with or without a remark in
    // parentheses) or its number from 1; with none queued, the preselected option. The question
    // and the answer taken are printed.
    std::optional<int> Choose(const std::string& question, const std::vector<std::string>& options,
                              int preselected) override;
    void SetPointer(int) override {}
    float Timer() override;
    bool CopyPlotToClipboard() override { return false; }
    bool PrintPlot() override { return false; }
    bool OpenManual(const std::string& path) override;
    void Exit() override { exitRequested = true; }
    // PNG and PDF pictures of the plot, in the desktop build.
    bool WritePlotPicture(const std::string& path, const std::string& format, int width, int height) override;

    // The plot that pictures are drawn from.
    const FormPlot* plot = nullptr;

    // The answer to the next file dialog or question: a path (relative to the current folder), an
    // option, or no value to cancel it.
    void QueueAnswer(std::optional<std::string> answer) { answers_.push_back(std::move(answer)); }

    bool exitRequested = false;

  private:
    std::optional<std::string> NextAnswer();
    std::ostream& out_;
    std::deque<std::optional<std::string>> answers_;
};

}  // namespace talvex
