#pragma once

#include <QPlainTextEdit>
#include <string>

namespace talvex {
class ResultWindow;
}

namespace talvex::gui {

// The result window: a read-only, scrolling text view in a font whose characters are all equally
// wide (ResultFont), so the 14-character print zones line up as columns. It shows the print
// model's lines and follows it line by line.
class ResultView : public QPlainTextEdit {
  public:
    explicit ResultView(ResultWindow& window, QWidget* parent = nullptr);
    ~ResultView() override;
    void AppendLine(const std::string& line);
    QSize sizeHint() const override { return {460, 480}; }

  private:
    ResultWindow& window_;
};

}  // namespace talvex::gui
