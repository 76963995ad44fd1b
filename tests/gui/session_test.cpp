// The program between runs and around its windows: the plot and result windows follow the main
// window (Tile, Cascade), recent files, remembered window places and folders across two programs,
// files dropped on the window, nothing lost on quitting, and unsaved work restored after the program
// was killed.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <thread>

#include "app/recent_files.h"
#include "app/workspace_commands.h"
#include "files/workspace_file.h"
#include "gui/qt_text.h"
#include "gui/result_view.h"
#include "gui_fixture.h"
#include "plot/form_plot.h"

namespace talvex::gui::testing {

namespace {

const QString kCsv = QStringLiteral(TALVEX_TEST_DATA "/files/default_sweep.csv");

std::string WorkspaceNow(Workbench& wb) {
    return WorkspaceTextOf(wb);
}

// A second run of this program doing `mode` (RunChild), with the same settings and recovery
// folders; `dir` is where it writes what the test compares.
QProcess* StartChild(const QString& mode, const QString& dir) {
    auto* child = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TALVEX_TEST_CHILD"), mode);
    env.insert(QStringLiteral("TALVEX_TEST_DIR"), dir);
    child->setProcessEnvironment(env);
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(QCoreApplication::applicationFilePath(), {});
    return child;
}

// Waits for the child to say `line` on its output.
bool WaitFor(QProcess& child, const QByteArray& line) {
    QByteArray seen;
    for (int i = 0; i < 600; ++i) {
        if (!child.waitForReadyRead(100) && child.state() == QProcess::NotRunning) return false;
        seen += child.readAll();
        if (seen.contains(line)) return true;
    }
    return false;
}

QSize Area(MainWindow& window) {
    return window.findChild<QMdiArea*>()->viewport()->size();
}

}  // namespace

// The second program: "crash" simulates, types an entry, says where its work is and waits to be
// killed; "remember" imports a data file, saves a workspace, moves its window and a dialog, and
// quits properly.
int RunChild(const QString& mode) {
    const QString dir = qEnvironmentVariable("TALVEX_TEST_DIR");
    MainWindow window;
    window.platform().messageHook = [](const std::string& text) { std::cerr << "message: " << text << "\n"; };
    window.platform().saveChangesHook = [](const std::string&) { return Platform::SaveChoice::Discard; };
    Workbench& wb = window.workbench();
    wb.backgroundAfter = std::chrono::seconds(30);  // each command ends before the next, on any machine
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    if (mode == QStringLiteral("crash")) {
        window.Action("mnuSimulate")->trigger();
        wb.Type(wb.formIns.V, "0.02");
        window.Action("mnuDerivative")->trigger();  // a run: the copy is written at once
        std::ofstream(S(dir + "/expected.tvw"), std::ios::binary) << WorkspaceNow(wb);
        std::cout << "ready" << std::endl;
        for (;;) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    if (mode == QStringLiteral("remember")) {
        std::vector<std::string> answers{S(kCsv), S(dir + "/saved.tvw")};
        window.platform().fileDialogHook = [&answers](bool, const QString&) {
            std::optional<std::string> answer;
            if (!answers.empty()) {
                answer = answers.front();
                answers.erase(answers.begin());
            }
            return answer;
        };
        window.Action("mnuImport")->trigger();
        window.Action("mnuSaveWorkspace")->trigger();
        window.setGeometry(QRect(QPoint(60, 50), QSize(1000, 650)));
        window.Action("mnuInstrument")->trigger();
        QCoreApplication::processEvents();
        window.View(wb.formIns)->move(333, 222);
        QCoreApplication::processEvents();
        window.Action("mnuCascade")->trigger();
        window.close();
        return 0;
    }
    return 2;
}

namespace {

using SessionTest = GuiTest;

// Tiled at first: the plot and result windows fill the area side by side, and keep filling it as
// the main window grows or shrinks; Cascade lays them over each other, following too; moved by
// hand they keep their share of it. The result window scrolls both ways over long output.
TEST_F(SessionTest, WindowsFollowTheMainWindow) {
    auto fills = [&] {
        const QSize area = Area(window);
        const QRect plot = window.plotWindow()->geometry(), result = window.resultWindow()->geometry();
        return plot.topLeft() == QPoint(0, 0) && plot.height() == area.height() && result.right() == area.width() - 1 &&
               result.height() == area.height() && plot.right() + 1 == result.left();
    };
    EXPECT_EQ(window.layout(), MainWindow::Layout::Tiled);
    EXPECT_TRUE(fills());
    for (const QSize size : {QSize(700, 500), QSize(1400, 900)}) {
        window.resize(size);
        QCoreApplication::processEvents();
        EXPECT_TRUE(fills()) << size.width();
    }

    Menu("mnuCascade");
    EXPECT_EQ(window.layout(), MainWindow::Layout::Cascaded);
    window.resize(900, 600);
    QCoreApplication::processEvents();
    QSize area = Area(window);
    EXPECT_EQ(window.plotWindow()->geometry(), QRect(QPoint(0, 0), QSize(area.width() * 3 / 4, area.height() * 3 / 4)));
    EXPECT_EQ(window.resultWindow()->geometry().topLeft(), QPoint(area.width() / 10, area.height() / 10));
    Menu("mnuTile");
    EXPECT_TRUE(fills());

    // By hand: the result window in the lower right quarter, then the main window twice as large.
    area = Area(window);
    window.resultWindow()->setGeometry(QRect(QPoint(area.width() / 2, area.height() / 2), area / 2));
    EXPECT_EQ(window.layout(), MainWindow::Layout::Free);
    const QRect before = window.resultWindow()->geometry();
    window.resize(window.size() + area);
    QCoreApplication::processEvents();
    const QSize grown = Area(window);
    const QRect after = window.resultWindow()->geometry();
    EXPECT_NEAR(after.left(), before.left() * double(grown.width()) / area.width(), 2);
    EXPECT_NEAR(after.width(), before.width() * double(grown.width()) / area.width(), 2);

    for (int i = 0; i < 200; ++i) wb.formResult.PrintLine(std::string(300, 'x') + std::to_string(i));
    QCoreApplication::processEvents();
    EXPECT_GT(window.result().horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(window.result().verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(window.resultWindow()->geometry().intersects(QRect(QPoint(0, 0), grown)));
}

// What one program remembers, the next finds: the recent files (the saved workspace first, then
// the imported data), the main window's place and size, the arrangement, where the Instrument
// dialog was, the folder each kind of file came from. A recent file opens from the menu.
TEST_F(SessionTest, RecentFilesAndSettingsAcrossTwoPrograms) {
    QTemporaryDir dir;
    std::unique_ptr<QProcess> child(StartChild(QStringLiteral("remember"), dir.path()));
    ASSERT_TRUE(child->waitForFinished(60000));
    ASSERT_EQ(child->exitCode(), 0);
    QSettings().sync();

    MainWindow next;
    next.restoreHook = [](const QString&) { return false; };
    std::vector<std::string> shown;
    next.platform().messageHook = [&shown](const std::string& text) { shown.push_back(text); };
    next.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&next));
    Workbench& w = next.workbench();
    const std::string saved = S(QFileInfo(dir.filePath("saved.tvw")).absoluteFilePath());
    const std::string csv = S(QFileInfo(kCsv).absoluteFilePath());
    EXPECT_EQ(w.recentFiles, (std::vector<std::string>{saved, csv}));
    EXPECT_TRUE(next.Action("mnuRecent")->isEnabled());
    EXPECT_EQ(next.Action("mnuRecent1")->text(), "&1 saved.tvw");
    EXPECT_EQ(next.Action("mnuRecent2")->text(), "&2 default_sweep.csv");
    EXPECT_TRUE(next.Action("mnuRecent2")->isVisible());
    EXPECT_FALSE(next.Action("mnuRecent3")->isVisible());
    EXPECT_EQ(next.geometry().size(), QSize(1000, 650));
    EXPECT_EQ(next.layout(), MainWindow::Layout::Cascaded);
    EXPECT_EQ(next.platform().LastFolder(kWorkspaceFilter), QFileInfo(dir.path()).absoluteFilePath());
    EXPECT_EQ(next.platform().LastFolder("csv|*.csv"), QFileInfo(kCsv).absolutePath());
    next.Action("mnuInstrument")->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(next.View(w.formIns)->pos(), QPoint(333, 222));

    next.Action("mnuRecent2")->trigger();
    EXPECT_TRUE(shown.empty()) << shown.front();
    EXPECT_EQ(w.model.NData, 121);
    EXPECT_EQ(w.recentFiles.front(), csv);  // opened last, first now
    // The workspace, now second; the import is unsaved work, discarded when asked.
    int asked = 0;
    next.platform().saveChangesHook = [&asked](const std::string&) {
        ++asked;
        return Platform::SaveChoice::Discard;
    };
    next.Action("mnuRecent2")->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(w.Modified());
    EXPECT_EQ(w.recentFiles.front(), saved);
    EXPECT_EQ(S(next.plotWindow()->windowTitle()), csv);  // the workspace held the imported curve

    // At most ten, each once.
    for (int i = 0; i < 12; ++i) NoteRecentFile(w, "/nowhere/file" + std::to_string(i) + ".csv");
    EXPECT_EQ(w.recentFiles.size(), 10u);
    EXPECT_EQ(w.recentFiles.front(), "/nowhere/file11.csv");
    next.Action("mnuRecent1")->trigger();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "The recent file /nowhere/file11.csv is no longer there; it is taken off the list.");
    EXPECT_EQ(w.recentFiles.front(), "/nowhere/file10.csv");
}

// A data file dropped on the window is imported, a workspace opened (after asking about unsaved
// work: Cancel keeps everything).
TEST_F(SessionTest, DropADataFileAndAWorkspace) {
    auto drop = [&](const QString& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent event(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &event);
        return true;
    };
    ASSERT_TRUE(drop(kCsv));
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(wb.model.NData, 121);
    EXPECT_EQ(wb.formPlot.caption, S(QFileInfo(kCsv).absoluteFilePath()));
    EXPECT_TRUE(window.Action("mnuData")->isEnabled());
    EXPECT_EQ(wb.history().UndoLabel(), "Import Data");

    QTemporaryDir dir;
    const QString saved = dir.filePath("dropped.tvw");
    fileAnswers.push_back(S(saved));
    Menu("mnuSaveWorkspace");
    const std::string atSave = WorkspaceNow(wb);
    Menu("mnuSimulate");
    const std::string unsaved = WorkspaceNow(wb);
    saveAnswers.push_back(Platform::SaveChoice::Cancel);
    ASSERT_TRUE(drop(saved));
    EXPECT_EQ(saveQuestions.size(), 1u);
    EXPECT_EQ(WorkspaceNow(wb), unsaved);
    ASSERT_TRUE(drop(saved));  // Discard
    EXPECT_EQ(WorkspaceNow(wb), atSave);
    EXPECT_FALSE(wb.Modified());
}

// Quit, closing the window and Open Workspace ask before unsaved work goes: Cancel keeps the
// program and the work, Save writes the workspace first; with nothing unsaved nothing is asked.
TEST_F(SessionTest, NothingLostWithoutAsking) {
    Menu("mnuExit");
    EXPECT_TRUE(exited);  // nothing to lose
    EXPECT_TRUE(saveQuestions.empty());
    exited = false;

    Menu("mnuSimulate");
    saveAnswers.push_back(Platform::SaveChoice::Cancel);
    Menu("mnuExit");
    EXPECT_FALSE(exited);
    ASSERT_EQ(saveQuestions.size(), 1u);
    EXPECT_EQ(saveQuestions[0],
              "The dialogs' entries or the curves have changed since the workspace was last saved. Save them to a "
              "workspace file before quitting?");

    saveAnswers.push_back(Platform::SaveChoice::Cancel);
    window.close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(exited);

    saveAnswers.push_back(Platform::SaveChoice::Cancel);
    Menu("mnuOpenWorkspace");
    EXPECT_TRUE(filters.empty());  // no file was asked for

    QTemporaryDir dir;
    const QString file = dir.filePath("before_quitting.tvw");
    saveAnswers.push_back(Platform::SaveChoice::Save);
    fileAnswers.push_back(S(file));
    const std::string work = WorkspaceNow(wb);
    Menu("mnuExit");
    EXPECT_TRUE(exited);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll().toStdString(), work);

    // Save chosen but its file dialog cancelled: the program stays.
    exited = false;
    Menu("mnuDerivative");
    saveAnswers.push_back(Platform::SaveChoice::Save);
    Menu("mnuExit");
    EXPECT_FALSE(exited);
}

// The program is killed after a run: the next one offers the work it had copied, and restores the
// very same workspace (unsaved still); declined, the copy goes.
TEST_F(SessionTest, AutosaveThenKillThenRestore) {
    QTemporaryDir dir;
    std::unique_ptr<QProcess> child(StartChild(QStringLiteral("crash"), dir.path()));
    ASSERT_TRUE(WaitFor(*child, "ready"));
    child->kill();
    ASSERT_TRUE(child->waitForFinished(10000));
    QFile expected(dir.filePath("expected.tvw"));
    ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
    const std::string work = expected.readAll().toStdString();
    ASSERT_EQ(window.recovery().Orphans().size(), 1);

    QString asked;
    window.restoreHook = [&asked](const QString& question) {
        asked = question;
        return true;
    };
    EXPECT_TRUE(window.OfferRecovery());
    EXPECT_TRUE(asked.startsWith("Talvex did not end properly last time.")) << asked.toStdString();
    EXPECT_EQ(WorkspaceNow(wb), work);
    EXPECT_TRUE(wb.Modified());
    EXPECT_TRUE(window.recovery().Orphans().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(window.recovery().path()));  // this program's copy holds it now
    EXPECT_TRUE(messages.empty()) << messages.front();
}

// Typing is copied by the timer, not at every key; a workspace saved leaves nothing to copy.
TEST_F(SessionTest, TypedEntriesAreCopiedByTheTimer) {
    window.SetAutosaveInterval(50);
    const QString copy = window.recovery().path();
    wb.Type(wb.formIns.V, "0.03");
    EXPECT_FALSE(QFileInfo::exists(copy));
    QTest::qWait(200);
    ASSERT_TRUE(QFileInfo::exists(copy));
    QFile file(copy);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("{\"name\": \"V\", \"kind\": \"TextBox\", \"text\": \"0.03\""));
    QTemporaryDir dir;
    fileAnswers.push_back(S(dir.filePath("s.tvw")));
    Menu("mnuSaveWorkspace");
    window.Autosave();
    EXPECT_FALSE(QFileInfo::exists(copy));
}

}  // namespace
}  // namespace talvex::gui::testing
