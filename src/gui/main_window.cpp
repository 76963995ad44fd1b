#include "gui/main_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <exception>

#include "app/workbench.h"
#include "core/run_error.h"
#include "gui/dialog_view.h"
#include "gui/plot_widget.h"
#include "gui/qt_text.h"
#include "gui/result_view.h"
#include "plot/form_plot.h"

namespace talvex::gui {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), wb_(std::make_unique<Workbench>(platform_)) {
    setObjectName(QStringLiteral("Talvex"));
    setWindowTitle(QStringLiteral("Talvex"));
    wb_->applicationDirectory = S(QCoreApplication::applicationDirPath());

    mdi_ = new QMdiArea;
    mdi_->setBackground(palette().brush(QPalette::Dark));
    setCentralWidget(mdi_);
    // The two child windows belong to the main window: they can be moved, resized and minimised,
    // not closed.
    const Qt::WindowFlags childFlags =
        Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint;
    plot_ = new PlotWidget(wb_->display, this);
    plotWindow_ = mdi_->addSubWindow(plot_, childFlags);
    plotWindow_->setWindowTitle(Q(wb_->formPlot.caption));
    result_ = new ResultView(wb_->formResult);
    resultWindow_ = mdi_->addSubWindow(result_, childFlags);
    resultWindow_->setWindowTitle(Q(wb_->formResult.caption()));

    platform_.parent = this;
    platform_.plot = plot_;
    platform_.statusHook = [this](const std::string& text) { statusBar()->showMessage(Q(text)); };

    for (Form* form : wb_->forms()) views_[form] = new DialogView(*form, *this, this);
    BuildMenus();
    BuildToolBar();
    statusBar()->showMessage(QString());
    resize(1180, 720);

    wb_->onChanges = [this](const WorkbenchChanges& changes) { Apply(changes); };
    wb_->TakeChanges();  // building the dialogs marked them all; the views were just built from them
    UpdateMenus();
}

MainWindow::~MainWindow() {
    // The windows read the workbench until they are gone.
    wb_->onChanges = nullptr;
    platform_.plot = nullptr;
    for (auto& [form, view] : views_) delete view;
    delete mdi_;
    mdi_ = nullptr;
}

DialogView* MainWindow::View(const Form& form) const {
    const auto it = views_.find(&form);
    return it == views_.end() ? nullptr : it->second;
}

QAction* MainWindow::Action(const std::string& name) const {
    const auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* MainWindow::Menu(const std::string& name) const {
    const auto it = menus_.find(name);
    return it == menus_.end() ? nullptr : it->second;
}

void MainWindow::BuildMenus() {
    for (const MenuItem& item : wb_->menu.items()) {
        QMenu* parentMenu = item.parent.empty() ? nullptr : Menu(item.parent);
        QAction* action = nullptr;
        if (item.IsSeparator()) {
            if (!parentMenu) continue;
            action = parentMenu->addSeparator();
        } else if (item.IsSubmenu()) {
            QMenu* menu = parentMenu ? parentMenu->addMenu(Q(item.caption)) : menuBar()->addMenu(Q(item.caption));
            menu->setObjectName(Q(item.name));
            menus_[item.name] = menu;
            action = menu->menuAction();
        } else {
            action = new QAction(Q(item.caption), this);
            if (!item.shortcut.empty()) action->setShortcut(QKeySequence(Q(item.shortcut)));
            // From whichever window of the program has the focus (a dialog's too); a text field
            // keeps the keys it edits with (Copy, Home...), except Undo and Redo (FieldEdit).
            action->setShortcutContext(Qt::ApplicationShortcut);
            action->setStatusTip(Q(item.statusTip));
            const std::string name = item.name;
            connect(action, &QAction::triggered, this, [this, name] { Act([&] { wb_->RunCommand(name); }); });
            if (parentMenu)
                parentMenu->addAction(action);
            else
                menuBar()->addAction(action);
        }
        action->setObjectName(Q(item.name));
        actions_[item.name] = action;
    }
}

void MainWindow::BuildToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Plot"));
    toolBar_->setObjectName(QStringLiteral("PlotToolBar"));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolBar_->setMovable(false);
    // The menu's own actions (the tool bar shows their captions without the "&" and "..."), so that
    // they share enabled flags and shortcuts.
    auto add = [this](const char* name) {
        if (QAction* action = Action(name)) toolBar_->addAction(action);
    };
    add("mnuSimulate");
    toolBar_->addSeparator();
    add("mnuUndo");
    add("mnuRedo");
    toolBar_->addSeparator();
    add("mnuResetView");
    add("mnuZoomIn");
    add("mnuZoomOut");
    zoomFrame_ = toolBar_->addAction(QStringLiteral("Zoom Frame"));
    zoomFrame_->setObjectName(QStringLiteral("tool_zoomFrame"));
    zoomFrame_->setCheckable(true);
    zoomFrame_->setStatusTip(
        QStringLiteral("Drag on the plot to draw a frame to zoom into (off: dragging moves the plot)"));
    zoomFrame_->setToolTip(zoomFrame_->statusTip());
    connect(zoomFrame_, &QAction::toggled, this, [this](bool on) { plot_->SetZoomFrameMode(on); });
    toolBar_->addSeparator();
    add("mnuExportPlot");
}

void MainWindow::ChangeView(const std::function<bool(Display&)>& step) {
    Act([&] { wb_->ChangeView(step); });
}

void MainWindow::RunCommand(const std::string& name) {
    Act([&] { wb_->RunCommand(name); });
}

void MainWindow::ShowStatus(const QString& text) {
    statusBar()->showMessage(text);
}

void MainWindow::UpdateMenus() {
    for (const MenuItem& item : wb_->menu.items()) {
        QAction* action = Action(item.name);
        if (!action || item.IsSeparator()) continue;
        // A submenu shows its own flag; a command is available only inside enabled submenus (its
        // shortcut too).
        action->setEnabled(item.IsSubmenu() ? item.enabled : wb_->menu.IsAvailable(item.name));
    }
}

void MainWindow::Apply(const WorkbenchChanges& changes) {
    for (const Form* form : changes.forms)
        if (DialogView* view = View(*form)) view->Refresh();
    for (const Form* form : changes.activated) {
        if (DialogView* view = View(*form)) {
            frontWindow_ = view;  // its activation has run: the window system's notice is no new one
            view->BringToFront();
        }
    }
    if (changes.plot) {
        plotWindow_->setWindowTitle(Q(wb_->formPlot.caption));
        if (wb_->formPlot.visible) {
            if (plotWindow_->isMinimized()) plotWindow_->showNormal();
            plotWindow_->raise();
        }
        plot_->update();
    }
    if (changes.result && wb_->formResult.visible()) {
        if (resultWindow_->isMinimized()) resultWindow_->showNormal();
        resultWindow_->raise();
    }
    if (changes.menu) UpdateMenus();
}

template <typename F>
void MainWindow::Act(F&& action) {
    ++busy_;
    try {
        action();
    } catch (const RunError& e) {
        platform_.MessageBox(e.description());
    } catch (const std::exception& e) {
        platform_.MessageBox(std::string("Unexpected error: ") + e.what());
    } catch (...) {
        platform_.MessageBox("Unexpected error.");
    }
    --busy_;
}

void MainWindow::Type(TextBox& box, const std::string& text) {
    Act([&] { wb_->Type(box, text); });
}

void MainWindow::Click(Control& control) {
    Act([&] { wb_->Click(control); });
}

void MainWindow::Choose(ComboBox& combo, const std::string& entry) {
    Act([&] { wb_->Choose(combo, entry); });
}

void MainWindow::Close(Form& form) {
    Act([&] { wb_->Close(form); });
}

void MainWindow::Cancel(Form& form) {
    Act([&] { wb_->Cancel(form); });
}

void MainWindow::CameToFront(const QWidget* window) {
    for (auto& [form, view] : views_)
        if (view != window) view->ForgetActivationRequest();
}

void MainWindow::WindowActivated(QWidget& window, Form& form, bool requested) {
    CameToFront(&window);
    // The window system answering the program's own request: the dialog's activation has run.
    if (requested) {
        frontWindow_ = &window;
        return;
    }
    // A message box of a running action hands the focus back when it closes; that is no activation.
    if (busy() || frontWindow_ == &window) return;
    frontWindow_ = &window;
    Act([&] { wb_->Activate(form); });
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (tiled_) return;
    tiled_ = true;
    // The plot at the left, the result window beside it, both the whole height of the area.
    const QSize area = mdi_->viewport()->size();
    const int plotWidth = area.width() * 3 / 5;
    plotWindow_->setGeometry(0, 0, plotWidth, area.height());
    resultWindow_->setGeometry(plotWidth, 0, area.width() - plotWidth, area.height());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program at once, dialogs open or not; nothing is asked.
    QMainWindow::closeEvent(event);
    platform_.Exit();
}

void MainWindow::changeEvent(QEvent* event) {
    // The area behind the child windows takes the desktop's colours when they change; the plot
    // keeps its paper.
    if (mdi_ && event->type() == QEvent::PaletteChange) mdi_->setBackground(palette().brush(QPalette::Dark));
    QMainWindow::changeEvent(event);
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        CameToFront(this);
        frontWindow_ = this;
    }
    return QMainWindow::event(event);
}

}  // namespace talvex::gui
