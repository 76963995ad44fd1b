#include "gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFileInfo>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <exception>
#include <fstream>
#include <iterator>

#include "app/file_commands.h"
#include "app/recent_files.h"
#include "app/workbench.h"
#include "app/workspace_commands.h"
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
    platform_.arrangeHook = [this](Platform::Arrangement a) { return ArrangeWindows(a); };
    // A dropped file is taken by the window, not by the result text.
    result_->setAcceptDrops(false);
    setAcceptDrops(true);

    for (Form* form : wb_->forms()) views_[form] = new DialogView(*form, *this, this);
    BuildMenus();
    BuildToolBar();
    statusBar()->showMessage(QString());
    RestoreSettings();

    recovery_ = std::make_unique<RecoveryStore>();
    // A command that changed the work (a run) is copied at once; typing, every two minutes.
    wb_->onStateChanged = [this](bool command) {
        if (command)
            Autosave();
        else
            autosaveDue_ = true;
    };
    autosave_ = new QTimer(this);
    autosave_->setInterval(2 * 60 * 1000);
    connect(autosave_, &QTimer::timeout, this, [this] {
        if (autosaveDue_) Autosave();
    });
    autosave_->start();
    wb_->onRecentFilesChanged = [this] {
        QStringList files;
        for (const std::string& f : wb_->recentFiles) files << Q(f);
        QSettings().setValue(QStringLiteral("recent/files"), files);
    };

    // Fits and long digital runs go on on a thread of their own: the window stays responsive, shows
    // their progress and offers Run > Stop. A busy bar in the status bar says that work is running.
    wb_->workInBackground = true;
    workBar_ = new QProgressBar;
    workBar_->setObjectName(QStringLiteral("workBar"));
    workBar_->setRange(0, 0);
    workBar_->setMaximumWidth(fontMetrics().averageCharWidth() * 16);
    workBar_->setVisible(false);
    statusBar()->addPermanentWidget(workBar_);
    workTimer_ = new QTimer(this);
    workTimer_->setInterval(50);
    connect(workTimer_, &QTimer::timeout, this, [this] { Act([&] { wb_->PollLongWork(); }); });

    wb_->onChanges = [this](const WorkbenchChanges& changes) { Apply(changes); };
    wb_->TakeChanges();  // building the dialogs marked them all; the views were just built from them
    UpdateMenus();
}

MainWindow::~MainWindow() {
    SaveSettings();
    // The program ends properly: its copy of the work goes (what was to be kept has been saved).
    recovery_->Discard();
    // The windows read the workbench until they are gone.
    wb_->onChanges = nullptr;
    wb_->onStateChanged = nullptr;
    wb_->onRecentFilesChanged = nullptr;
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
    add("mnuStop");
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
        if (action->text() != Q(item.caption)) action->setText(Q(item.caption));
        action->setVisible(item.visible);
        if (!item.IsSubmenu()) action->setStatusTip(Q(item.statusTip));
        // A submenu shows its own flag; a command is available only inside enabled submenus (its
        // shortcut too).
        action->setEnabled(item.IsSubmenu() ? item.enabled : wb_->menu.IsAvailable(item.name));
    }
    // The work's start and end change the menus: the dialogs wait while it runs.
    const bool working = wb_->Busy();
    for (const auto& [form, view] : views_) view->setEnabled(!working);
    if (workBar_) workBar_->setVisible(working);
    if (workTimer_ && working != workTimer_->isActive()) {
        if (working)
            workTimer_->start();
        else
            workTimer_->stop();
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
    Arrange();
    // From now on the child windows follow the area, and a window moved by hand frees the layout.
    lastArea_ = mdi_->viewport()->size();
    mdi_->viewport()->installEventFilter(this);
    plotWindow_->installEventFilter(this);
    resultWindow_->installEventFilter(this);
}

void MainWindow::Arrange() {
    const QSize area = mdi_->viewport()->size();
    if (area.isEmpty()) return;
    arranging_ = true;
    for (QMdiSubWindow* w : {plotWindow_, resultWindow_})
        if (w->isMaximized() || w->isMinimized()) w->showNormal();
    if (layout_ == Layout::Cascaded) {
        // Each three quarters of the area, the result window a tenth of it down and right.
        const QSize size(area.width() * 3 / 4, area.height() * 3 / 4);
        plotWindow_->setGeometry(QRect(QPoint(0, 0), size));
        resultWindow_->setGeometry(QRect(QPoint(area.width() / 10, area.height() / 10), size));
        resultWindow_->raise();
    } else {
        // The plot at the left, the result window beside it, both the whole height of the area.
        const int plotWidth = area.width() * 3 / 5;
        plotWindow_->setGeometry(0, 0, plotWidth, area.height());
        resultWindow_->setGeometry(plotWidth, 0, area.width() - plotWidth, area.height());
    }
    arranging_ = false;
}

bool MainWindow::ArrangeWindows(Platform::Arrangement arrangement) {
    layout_ = arrangement == Platform::Arrangement::Cascade ? Layout::Cascaded : Layout::Tiled;
    Arrange();
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mdi_->viewport() && event->type() == QEvent::Resize) {
        const QSize area = mdi_->viewport()->size();
        if (layout_ != Layout::Free) {
            Arrange();
        } else if (!lastArea_.isEmpty() && !area.isEmpty()) {
            // Placed by hand: each window keeps its share of the area.
            const double sx = double(area.width()) / lastArea_.width(), sy = double(area.height()) / lastArea_.height();
            arranging_ = true;
            for (QMdiSubWindow* w : {plotWindow_, resultWindow_}) {
                if (w->isMaximized() || w->isMinimized()) continue;
                const QRect g = w->geometry();
                w->setGeometry(
                    QRect(QPoint(int(g.x() * sx), int(g.y() * sy)), QSize(int(g.width() * sx), int(g.height() * sy)))
                        .intersected(QRect(QPoint(0, 0), area)));
            }
            arranging_ = false;
        }
        lastArea_ = area;
    } else if ((watched == plotWindow_ || watched == resultWindow_) &&
               (event->type() == QEvent::Move || event->type() == QEvent::Resize) && !arranging_ &&
               mdi_->viewport()->size() == lastArea_) {
        layout_ = Layout::Free;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::RestoreSettings() {
    QSettings settings;
    if (!restoreGeometry(settings.value(QStringLiteral("window/geometry")).toByteArray())) resize(1180, 720);
    const QString layout = settings.value(QStringLiteral("window/layout")).toString();
    layout_ = layout == QStringLiteral("cascade") ? Layout::Cascaded : Layout::Tiled;
    std::vector<std::string> recent;
    for (const QString& f : settings.value(QStringLiteral("recent/files")).toStringList()) recent.push_back(S(f));
    SetRecentFiles(*wb_, recent);
}

void MainWindow::SaveSettings() {
    QSettings settings;
    settings.setValue(QStringLiteral("window/geometry"), saveGeometry());
    settings.setValue(QStringLiteral("window/layout"),
                      layout_ == Layout::Cascaded ? QStringLiteral("cascade") : QStringLiteral("tile"));
    for (auto& [form, view] : views_) view->RememberPlace();
}

void MainWindow::Autosave() {
    autosaveDue_ = false;
    if (!wb_->Modified()) {
        recovery_->Clear();  // nothing unsaved (saved, or undone back to what was saved)
        return;
    }
    recovery_->Write(WorkspaceTextOf(*wb_));
}

void MainWindow::SetAutosaveInterval(int milliseconds) {
    autosave_->start(milliseconds);
}

bool MainWindow::OfferRecovery() {
    // Newest first: each is offered until one is restored; one declined goes, older ones wait.
    for (const QString& orphan : recovery_->Orphans()) {
        const QString when = QFileInfo(orphan).lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm"));
        const QString question = QStringLiteral(
                                     "Talvex did not end properly last time. Its unsaved work was kept (as of %1). "
                                     "Restore it?")
                                     .arg(when);
        bool yes = false;
        if (restoreHook) {
            yes = restoreHook(question);
        } else {
            QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), question,
                            QMessageBox::Yes | QMessageBox::No, this);
            box.setTextFormat(Qt::PlainText);
            box.setDefaultButton(QMessageBox::Yes);
            yes = box.exec() == QMessageBox::Yes;
        }
        if (!yes) {
            RecoveryStore::Remove(orphan);
            continue;
        }
        bool restored = false;
        Act([&] {
            std::ifstream in(S(orphan), std::ios::binary);
            const std::string text{std::istreambuf_iterator<char>(in), {}};
            restored = wb_->Do("Restore recovered work", [&] {
                RestoreWorkspaceText(*wb_, text);
                return true;
            });
        });
        // A copy that cannot be read stays for another try.
        if (!restored) return false;
        RecoveryStore::Remove(orphan);
        Autosave();  // this program's copy holds it now
        return true;
    }
    return false;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
    QMainWindow::dragEnterEvent(event);
}

void MainWindow::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    for (const QString& file : files) {
        const QFileInfo info(file);
        const std::string path = S(info.absoluteFilePath());
        if (info.suffix().compare(QStringLiteral("tvw"), Qt::CaseInsensitive) == 0) {
            Act([&] {
                wb_->Do("Open Workspace", [&] {
                    if (!AllowDiscard(*wb_, "opening " + S(info.fileName()))) return false;
                    return OpenWorkspaceFile(*wb_, path);
                });
            });
        } else {
            Act([&] {
                wb_->Do("Import Data", [&] {
                    ImportDataFile(*wb_, path);
                    return true;
                });
            });
        }
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program, dialogs open or not, once unsaved work was saved or
    // may go.
    bool allowed = false;
    // A fit or run still going ends at its best point first, so that what may be saved is whole.
    if (wb_->Busy()) Act([&] { wb_->FinishLongWork(true); });
    Act([&] { allowed = AllowDiscard(*wb_, "quitting"); });
    if (!allowed) {
        event->ignore();
        return;
    }
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
