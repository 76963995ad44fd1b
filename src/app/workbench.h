#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "analysis/peak_finding.h"
#include "app/long_work.h"
#include "app/measured_curves.h"
#include "app/undo_history.h"
#include "core/command_table.h"
#include "core/model.h"
#include "core/platform.h"
#include "core/reporter.h"
#include "core/result_window.h"
#include "dialogs/controls.h"
#include "fitting/fit_driver.h"

namespace talvex {

class FormTech;
class FormMech;
class FormIns;
class FormExpr;
class FormOption;
class FormPlot;
class ParameterDialogs;
class Display;
namespace api {
class Simulator;
}

// What changed through one user action, so a window refreshes exactly that.
struct WorkbenchChanges {
    std::vector<Form*> forms;      // dialogs with a changed control, caption or visibility
    std::vector<Form*> activated;  // dialogs brought to the front (a window raises them)
    bool plot = false;             // the plot window's drawing, caption or visibility
    bool result = false;           // the result window's lines or visibility
    bool menu = false;             // enabled flags of the menu items
    bool Any() const { return !forms.empty() || !activated.empty() || plot || result || menu; }
};

// Everything one running program owns: the parameter model, the dialogs (created once, then only
// shown and hidden), the result and plot windows, the menu and the platform services. The front
// ends act through it (type, click, select, choose a menu command) and it tells them afterwards
// what changed. Tests make as many as they like.
class Workbench {
    // Declared first: members are built in declaration order and the references below bind to it.
    std::unique_ptr<Model> modelStorage_;

    // Messages of the engine go to the desktop's message box. Within one user action a text is
    // shown once: the confirmation chain runs a dialog's OK several times, and a solver may meet
    // the same singular matrix at every step, yet the user wants to read it once.
    class PlatformReporter : public Reporter {
      public:
        explicit PlatformReporter(Platform& platform) : platform_(platform) {}
        void Message(const std::string& text) override {
            if (depth_ > 0 && !shown_.insert(text).second) return;
            platform_.MessageBox(text);
        }
        void Begin() { ++depth_; }
        void End() {
            if (--depth_ == 0) shown_.clear();
        }

      private:
        Platform& platform_;
        int depth_ = 0;
        std::set<std::string> shown_;
    };

  public:
    explicit Workbench(Platform& platform);
    ~Workbench();
    Workbench(const Workbench&) = delete;
    Workbench& operator=(const Workbench&) = delete;

    Platform& platform;
    Model& model;
    ResultWindow formResult;

  private:
    PlatformReporter platformReporter_;
    std::unique_ptr<ParameterDialogs> dialogs_;
    std::unique_ptr<Display> display_;

  public:
    ParameterDialogs& dialogs;
    Display& display;
    FormTech& formTech;
    FormMech& formMech;
    FormIns& formIns;
    FormExpr& formExpr;
    FormOption& formOption;
    FormPlot& formPlot;

    // The main window's menu tree with its enabled flags, shortcuts and status tips.
    CommandTable menu;
    // The peaks the last Find Peak found, kept for later analysis.
    PeakTables peakTables;
    // The measured curves imported for a global fit, with the settings each was recorded with.
    MeasuredSeries measured;
    // What the last Auto Fit or Global Fit found, for Use Fitted Values.
    std::optional<FitSummary> lastFit;
    // Folder of the application, where the manual page lives.
    std::string applicationDirectory = ".";
    // The files last imported or opened as workspaces, newest first (recent_files.h); told when
    // the list changes, so the desktop can remember it between runs.
    std::vector<std::string> recentFiles;
    std::function<void()> onRecentFilesChanged;

    // Every dialog, in menu order (Techniques, Mechanism, Instrument, Chemicals, Option).
    const std::vector<Form*>& forms() const { return forms_; }
    // A dialog by its name ("FormIns", "formOption"); nullptr when there is none.
    Form* FindForm(const std::string& name) const;

    // The engine the window's simulations run on, made at the first run and kept.
    api::Simulator& simulator();

    // Shows each message text once while it lives (user actions open one; commands run without a
    // user action, as tests do, can open their own). Scopes nest.
    class OneMessageEach {
      public:
        explicit OneMessageEach(Workbench& wb) : reporter_(wb.platformReporter_) { reporter_.Begin(); }
        ~OneMessageEach() { reporter_.End(); }
        OneMessageEach(const OneMessageEach&) = delete;
        OneMessageEach& operator=(const OneMessageEach&) = delete;

      private:
        PlatformReporter& reporter_;
    };

    // Where engine routines show their messages.
    Reporter& reporter() { return platformReporter_; }
    void Message(const std::string& text) { platformReporter_.Message(text); }

    // User actions. Each runs the handler the action fires and then announces what changed.
    // Runs a menu command as a user choosing it would; false (and nothing run) when the item is
    // disabled or has no command.
    bool RunCommand(const std::string& name);
    // Types into a text box; false when the box is locked or disabled.
    bool Type(TextBox& box, const std::string& text);
    // Clicks a check box, option button or command button; false when it is disabled or not
    // clickable.
    bool Click(Control& control);
    // Picks a combo box entry by its text; false when disabled or no such entry.
    bool Choose(ComboBox& combo, const std::string& entry);
    // Brings a dialog to the front (showing it), which fires its activation handler.
    void Activate(Form& form);
    // The dialog's close box: dialogs only hide, keeping their entries.
    void Close(Form& form);
    // The dialog's Cancel (Esc): its entries go back to what they were when it was shown (each
    // changed entry typed, clicked or picked back, so the other dialogs follow), then it hides.
    void Cancel(Form& form);
    // A step on the plot's view (zoom, pan, reset, show or hide a curve); it changes no entry and
    // no curve.
    bool ChangeView(const std::function<bool(Display&)>& step);
    // Any other user action that is no menu command (a file dropped on the window, a recovered
    // workspace put back), a step of the undo history called `label`.
    bool Do(const std::string& label, const std::function<bool()>& action);

    // Edit > Undo and Redo: the entries and curves before the last step, or after the step undone
    // last; false when there is nothing to undo or redo. The status bar says what was undone.
    bool Undo();
    bool Redo();
    const UndoHistory& history() const { return history_; }
    // Whether the entries or curves changed since the workspace was last saved or opened (or the
    // program started); MarkSaved (called by a command) takes the state at the end of that command.
    bool Modified() const { return history_.Modified(); }
    void MarkSaved();

    // Long work (long_work.h). With `workInBackground` (the desktop sets it) the long work a command
    // starts goes on on a thread of its own once it has taken longer than `backgroundAfter`: the
    // command returns, the entries and every command that could change them wait (the view, the
    // pictures, the windows and Run > Stop do not), and the front end calls PollLongWork until the
    // work is done. Without it (talvex-batch, tests) the work runs to its end inside the command.
    bool workInBackground = false;
    std::chrono::milliseconds backgroundAfter{30};
    // Told on this thread just before a worker starts (a test may ask the work to stop there).
    std::function<void(LongWork&)> onWorkStarting;
    // Called by a command's handler, from within the command.
    void StartLongWork(std::shared_ptr<LongWork> work);
    // Whether long work is running on its own thread.
    bool Busy() const { return static_cast<bool>(work_); }
    const LongWork* longWork() const { return work_.get(); }
    // Shows the progress posted since the last call; once the work is done, finishes it (its changes
    // and its command's are recorded as one step). True when it finished.
    bool PollLongWork();
    // Run > Stop: the running work ends at its best point so far; false when nothing runs.
    bool StopLongWork();
    // Waits for the running work to end and finishes it (the program is about to quit); `stop` asks
    // it to end first.
    void FinishLongWork(bool stop);

    // Told once after each user action, with what changed through it.
    std::function<void(const WorkbenchChanges&)> onChanges;
    // What changed since the last announcement, clearing the marks (for front ends that poll).
    WorkbenchChanges TakeChanges();

    // Told after each user action that changed the entries or the curves (the desktop keeps a
    // recovery copy of the work): `command` when it was a menu command (a run), not typing.
    std::function<void(bool command)> onStateChanged;

  private:
    // What a user action is called in the undo history; `mergeKey` joins successive typing into
    // one box. An action without one (a view change, a window coming to the front) is not a step.
    struct Step {
        std::string label;
        const void* mergeKey = nullptr;
        bool command = false;
    };
    // Runs one user action; the outermost one records it as a step (when it is one and changed
    // something) and announces the changes when it ends, however it ends.
    // `startedFrom`: the state the step began in, when it began before this action (long work).
    bool Action(const std::function<bool()>& action, const std::optional<Step>& step = std::nullopt,
                std::optional<UndoState> startedFrom = std::nullopt);
    // An action that changes entries or curves is refused while long work runs: false when it is.
    bool RefusedWhileBusy(const std::string& what);
    // Undo (back) or Redo: the state restored and the status line told which step.
    bool StepHistory(bool back);
    // Joins the finished worker and finishes its work as the end of the command that started it.
    void EndLongWork();
    void Announce();
    void UpdateUndoMenu();

    std::vector<Form*> forms_;
    std::vector<Form*> activated_;
    std::unique_ptr<api::Simulator> simulator_;
    // The long work running, its thread, the step its command began and the enabled flags of the
    // commands held back meanwhile.
    std::shared_ptr<LongWork> work_;
    std::thread worker_;
    bool workStarted_ = false;  // within the action now running
    std::optional<Step> workStep_;
    std::optional<UndoState> workBefore_;
    std::vector<std::pair<std::string, bool>> heldCommands_;
    int actionDepth_ = 0;
    UndoHistory history_;
    bool markSaved_ = false;
    // What each dialog held when it was last shown, for its Cancel.
    std::map<const Form*, FormState> shownState_;
    struct PlotState {
        unsigned long revision = 0;
        std::string caption;
        bool visible = false;
        bool operator==(const PlotState&) const = default;
    } plotSeen_;
    PlotState CurrentPlotState() const;
};

}  // namespace talvex
