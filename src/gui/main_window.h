#pragma once

#include <QMainWindow>
#include <map>
#include <memory>
#include <string>

#include "gui/plot_widget.h"
#include "gui/qt_platform.h"
#include "gui/recovery_store.h"
#include "gui/view_actions.h"

class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QAction;
class QToolBar;
class QTimer;
class QProgressBar;

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
//
// The plot and result windows fill the main window side by side (Window > Tile, the first
// arrangement) or one over the other (Cascade), and follow it as it grows and shrinks; moved by hand
// they keep their share of it. Data files and workspaces dropped on the window are imported or
// opened. Between runs the program remembers (QSettings) the window's place and size, the
// arrangement, where each dialog was, the folder of each kind of file and the recent files. Unsaved
// work is copied to a recovery file after every command that changed it and every two minutes;
// closing the window asks before discarding it.
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

    // Window > Tile and Cascade; Free once the user moved a window by hand.
    enum class Layout { Tiled, Cascaded, Free };
    Layout layout() const { return layout_; }

    // The copies of unsaved work. OfferRecovery asks (once, at the start) whether to restore what
    // a program that did not end properly left, and restores it when told; true when it did.
    RecoveryStore& recovery() { return *recovery_; }
    bool OfferRecovery();
    // Writes the recovery copy now (the timer and each command do).
    void Autosave();
    // How often typed entries not yet copied are copied (two minutes).
    void SetAutosaveInterval(int milliseconds);
    // Answers the start-up question instead of a message box (tests).
    std::function<bool(const QString& question)> restoreHook;

    QToolBar* toolBar() const { return toolBar_; }
    // The tool bar's switch between panning and zooming into a frame by dragging on the plot.
    QAction* zoomFrameAction() const { return zoomFrame_; }

    // True while a user action runs (a message box it shows may bring other windows forward).
    bool busy() const { return busy_ > 0; }

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMenus();
    void BuildToolBar();
    // Lays the child windows out as the layout says, over the whole area.
    void Arrange();
    bool ArrangeWindows(Platform::Arrangement arrangement);
    void RestoreSettings();
    void SaveSettings();
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
    Layout layout_ = Layout::Tiled;
    bool arranging_ = false;
    QSize lastArea_;
    std::unique_ptr<RecoveryStore> recovery_;
    QTimer* autosave_ = nullptr;
    // While long work runs: the busy bar, and the timer that shows its progress and finishes it.
    QProgressBar* workBar_ = nullptr;
    QTimer* workTimer_ = nullptr;
    bool autosaveDue_ = false;
    bool closing_ = false;
    // The last of this program's windows to come to the front: a dialog that gets the focus back
    // from a message box or from another program has not been activated again.
    const QWidget* frontWindow_ = nullptr;
};

}  // namespace talvex::gui
