#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/assignable.h"

namespace talvex {

// The text output window ("Result"): a scrolling list of printed lines. A line is built from
// items that follow each other directly, or move to the next 14-character print zone.
class ResultWindow {
  public:
    static constexpr int kZoneWidth = 14;

    class Line {
      public:
        explicit Line(ResultWindow& window) : window_(window) {}
        Line& Text(std::string_view text);
        Line& Num(double x);
        Line& Num(float x);  // single precision: up to 7 significant digits
        Line& Num(int x) { return Num(static_cast<double>(x)); }
        template <typename T>
        Line& Num(const Assignable<T>& x) {
            if (!x.assigned()) return *this;  // an unassigned value prints as nothing
            return Num(x.value());
        }
        Line& Zone();  // move to the next print zone
        void End();    // ends the line and prints it
        const std::string& text() const { return text_; }

      private:
        ResultWindow& window_;
        std::string text_;
    };

    Line Print() { return Line(*this); }
    void PrintLine(const std::string& text);  // a whole line at once
    void Clear();
    void Show() {
        changed = changed || !visible_;
        visible_ = true;
    }
    void Hide() {
        changed = changed || visible_;
        visible_ = false;
    }
    bool visible() const { return visible_; }
    const std::vector<std::string>& lines() const { return lines_; }
    std::string caption() const { return "Result"; }

    // Called with every finished line (the batch front end echoes them, the Qt view appends them).
    std::function<void(const std::string&)> onLine;
    std::function<void()> onClear;

    // Set by every printed line, Clear, Show and Hide; the workbench collects and clears it.
    bool changed = false;

  private:
    std::vector<std::string> lines_;
    bool visible_ = false;
};

// Pads text with blanks up to the start of the next print zone: the smallest multiple of 14
// that is greater than the characters written so far.
void PadToNextZone(std::string& text);

}  // namespace talvex
