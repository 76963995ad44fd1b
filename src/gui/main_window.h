#pragma once

#include <QMainWindow>
#include <map>
#include <memory>
#include <string>

#include "gui/plot_widget.h"
#include "gui/qt_platform.h"
#include "gui/view_actions.h"

class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QAction;
class QToolBar;

namespace talvex {
class Workbench;
struct WorkbenchChanges;
}  // namespace talvex

namespace talvex::gui {

class DialogView;
class PlotWidget;
class ResultView;

// The main window "Talvex": a multiple-document window holding the plot window and the result
// window, with the menu bar built from the workbench's command table (captions, separators,
// enabled flags, shortcuts, status tips) and a modeless window for each parameter dialog. It owns
// the one workbench of the program on the Qt platform services; every menu action runs the
// command of that name, and after every action the windows refresh what the workbench says
// changed.
class MainWindow : public QMainWindow, public ViewActions, public PlotActions {
  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    Workbench& workbench() { return *wb_; }
    QtPlatform& platform() { return platform_; }
    PlotWidget& plot() { return *plot_; }
    ResultView& result() { return *result_; }
    QMdiSubWindow* plotWindow() const { return plotWindow_; }
    QMdiSubWindow* resultWindow() const { return resultWindow_; }
    DialogView* View(const Form& form) const;
    // The menu bar's action for a menu item (a submenu's own action, a separator or a command).
    QAction* Action(const std::string& name) const;
    QMenu* Menu(const std::string& name) const;

    // ViewActions: the user's own edits and window events, forwarded to the workbench.
    void Type(TextBox& box, const std::string& text) override;
    void Click(Control& control) override;
    void Choose(ComboBox& combo, const std::string& entry) override;
    void Close(Form& form) override;
    void Cancel(Form& form) override;
    void WindowActivated(QWidget& window, Form& form, bool requested) override;

    // PlotActions: the plot window's zoom, pan and menu.
    void ChangeView(const std::function<bool(Display&)>& step) override;
    void RunCommand(const std::string& name) override;
    void ShowStatus(const QString& text) override;

    QToolBar* toolBar() const { return toolBar_; }
    // The tool bar's switch between panning and zooming into a frame by dragging on the plot.
    QAction* zoomFrameAction() const { return zoomFrame_; }

    // True while a user action runs (a message box it shows may bring other windows forward).
    bool busy() const { return busy_ > 0; }

  protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMenus();
    void BuildToolBar();
    void UpdateMenus();
    void Apply(const WorkbenchChanges& changes);
    // `window` is now the front window: requests of the others to come forward are past.
    void CameToFront(const QWidget* window);
    // Runs one user action; an error that escapes it is reported and the program goes on.
    template <typename F>
    void Act(F&& action);

    QtPlatform platform_;
    std::unique_ptr<Workbench> wb_;
    QMdiArea* mdi_ = nullptr;
    PlotWidget* plot_ = nullptr;
    ResultView* result_ = nullptr;
    QMdiSubWindow* plotWindow_ = nullptr;
    QMdiSubWindow* resultWindow_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QAction* zoomFrame_ = nullptr;
    std::map<const Form*, DialogView*> views_;
    std::map<std::string, QAction*> actions_;
    std::map<std::string, QMenu*> menus_;
    int busy_ = 0;
    bool tiled_ = false;
    // The last of this program's windows to come to the front: a dialog that gets the focus back
    // from a message box or from another program has not been activated again.
    const QWidget* frontWindow_ = nullptr;
};

}  // namespace talvex::gui
