#pragma once

#include <QApplication>
#include <functional>
#include <string>

namespace talvex::gui {

// The application "Electrochemical simulation". Its event dispatch is the last resort for errors:
// one that escapes an event handler is reported in a message box and the program goes on.
class TalvexApplication : public QApplication {
  public:
    TalvexApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Where an escaped error is reported, once the event that raised it has been left; a message
    // box when unset.
    std::function<void(const std::string& text)> reportError;

  private:
    void Report(const std::string& text);
};

}  // namespace talvex::gui
