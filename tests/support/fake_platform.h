#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/platform.h"

namespace talvex::testing {

// Records what the engine asks of the desktop, and answers from queues the test fills.
class FakePlatform : public Platform {
  public:
    void MessageBox(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> OpenFileDialog(const std::string&) override { return NextAnswer(); }
    std::optional<std::string> SaveFileDialog(const std::string&) override { return NextAnswer(); }
    std::optional<int> Choose(const std::string& question, const std::vector<std::string>& options,
                              int preselected) override {
        questions.push_back(question);
        choiceLists.push_back(options);
        if (choices.empty()) return preselected;
        const auto c = choices.front();
        choices.pop_front();
        return c;
    }
    void SetPointer(int code) override { pointers.push_back(code); }
    float Timer() override {
        if (times.empty()) return 0.0f;
        const float t = times.front();
        if (times.size() > 1) times.pop_front();
        return t;
    }
    bool CopyPlotToClipboard() override { return true; }
    bool PrintPlot() override { return true; }
    bool OpenManual(const std::string& path) override {
        manualPaths.push_back(path);
        return true;
    }
    void Exit() override {}
    void ShowStatus(const std::string& text) override { statuses.push_back(text); }

    std::vector<std::string> messages;
    std::deque<std::optional<std::string>> fileAnswers;  // nullopt = the user cancels
    std::vector<std::string> questions;
    std::vector<std::vector<std::string>> choiceLists;
    std::deque<std::optional<int>> choices;  // answers to Choose; with none left, the preselected one
    std::vector<int> pointers;
    std::deque<float> times;  // successive clock readings; the last one repeats
    std::vector<std::string> manualPaths;
    std::vector<std::string> statuses;

  private:
    std::optional<std::string> NextAnswer() {
        if (fileAnswers.empty()) return std::nullopt;
        auto a = fileAnswers.front();
        fileAnswers.pop_front();
        return a;
    }
};

}  // namespace talvex::testing
