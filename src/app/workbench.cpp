#include "app/workbench.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "api/simulation.h"
#include "app/commands.h"
#include "app/workspace_commands.h"
#include "dialogs/parameter_dialogs.h"
#include "fitting/fit_driver.h"
#include "plot/display.h"

namespace talvex {

Workbench::Workbench(Platform& platformServices)
    : modelStorage_(std::make_unique<Model>()),
      platform(platformServices),
      model(*modelStorage_),
      platformReporter_(platformServices),
      dialogs_(std::make_unique<ParameterDialogs>(model, platformReporter_)),
      display_(std::make_unique<Display>(model, *dialogs_, platformReporter_)),
      dialogs(*dialogs_),
      display(*display_),
      formTech(dialogs.formTech),
      formMech(dialogs.formMech),
      formIns(dialogs.formIns),
      formExpr(dialogs.formExpr),
      formOption(display.formOption),
      formPlot(display.formPlot) {
    forms_ = {&formTech, &formMech, &formIns, &formExpr, &formOption};
    RegisterCommands(menu);
    plotSeen_ = CurrentPlotState();
}

Workbench::~Workbench() {
    // A workbench closed while its work runs (a test, the program ending) waits for the thread.
    if (worker_.joinable()) {
        if (work_) work_->Stop();
        worker_.join();
    }
}

api::Simulator& Workbench::simulator() {
    if (!simulator_) simulator_ = std::make_unique<api::Simulator>();
    return *simulator_;
}

Form* Workbench::FindForm(const std::string& name) const {
    for (Form* f : forms_)
        if (f->name() == name) return f;
    return nullptr;
}

namespace {

// A menu caption as the user reads it: "&Import Data..." is "Import Data".
std::string Plain(std::string caption) {
    caption.erase(std::remove(caption.begin(), caption.end(), '&'), caption.end());
    if (caption.ends_with("...")) caption.resize(caption.size() - 3);
    return caption;
}

// "Instrument: v (V/s)"
std::string Where(const Control& control, const std::string& what) {
    const std::string form = control.form() ? control.form()->caption : std::string();
    return form.empty() ? what : form + ": " + what;
}

}  // namespace

bool Workbench::RunCommand(const std::string& name) {
    const MenuItem* found = menu.Find(name);
    // Undo and Redo move through the history themselves.
    std::optional<Step> step;
    if (found && name != "mnuUndo" && name != "mnuRedo") step = Step{Plain(found->caption), nullptr, true};
    return Action(
        [&] {
            const MenuItem* item = menu.Find(name);
            if (!item || !item->handler || !menu.IsAvailable(name)) return false;
            const auto handler = item->handler;  // the table may change while the command runs
            handler(*this);
            return true;
        },
        step);
}

bool Workbench::Type(TextBox& box, const std::string& text) {
    if (RefusedWhileBusy("the entries")) return false;
    const std::string field = box.caption.get().empty() ? box.FullName() : box.caption.get();
    return Action([&] { return box.Type(text); }, Step{"Typing in " + Where(box, field), &box});
}

bool Workbench::Click(Control& control) {
    if (RefusedWhileBusy("the entries")) return false;
    std::string what = control.FullName();
    if (control.kind() == ControlKind::CheckBox) what = static_cast<CheckBox&>(control).caption;
    if (control.kind() == ControlKind::OptionButton) what = static_cast<OptionButton&>(control).caption;
    if (control.kind() == ControlKind::CommandButton) what = static_cast<CommandButton&>(control).caption;
    return Action(
        [&] {
            switch (control.kind()) {
                case ControlKind::CheckBox:
                    return static_cast<CheckBox&>(control).Click();
                case ControlKind::OptionButton:
                    return static_cast<OptionButton&>(control).Click();
                case ControlKind::CommandButton:
                    return static_cast<CommandButton&>(control).Click();
                default:
                    return false;
            }
        },
        Step{"Click on " + Where(control, Plain(what))});
}

bool Workbench::Choose(ComboBox& combo, const std::string& entry) {
    if (RefusedWhileBusy("the entries")) return false;
    return Action([&] { return combo.SelectText(entry); }, Step{"Choice of " + Where(combo, entry)});
}

void Workbench::Activate(Form& form) {
    Action([&] {
        // A dialog already on view is not "changed" by coming to the front, yet its window must rise.
        if (std::find(activated_.begin(), activated_.end(), &form) == activated_.end()) activated_.push_back(&form);
        const bool shown = form.visible();
        form.Show();
        // What Cancel goes back to: the entries as the dialog now shows them.
        if (!shown) shownState_[&form] = CaptureForm(form);
        return true;
    });
}

void Workbench::Cancel(Form& form) {
    if (RefusedWhileBusy("the entries")) return;
    Action(
        [&] {
            const auto it = shownState_.find(&form);
            if (it != shownState_.end()) {
                RevertForm(form, it->second);
                FollowRestoredControls(*this);
            }
            form.Hide();
            return true;
        },
        Step{"Cancel in " + form.caption});
}

bool Workbench::Undo() {
    return StepHistory(true);
}

bool Workbench::Redo() {
    return StepHistory(false);
}

bool Workbench::StepHistory(bool back) {
    if (RefusedWhileBusy(back ? "Undo" : "Redo")) return false;
    const std::string label = back ? history_.UndoLabel() : history_.RedoLabel();
    const std::optional<UndoState> state = back ? history_.Undo() : history_.Redo();
    if (!state) return false;
    RestoreUndoState(*this, *state);
    platform.ShowStatus((back ? "Undone: " : "Redone: ") + label);
    return true;
}

void Workbench::MarkSaved() {
    if (actionDepth_ > 0)
        markSaved_ = true;  // once the action's step is recorded
    else
        history_.MarkSaved();
}

void Workbench::UpdateUndoMenu() {
    if (work_) return;  // held back until the work ends
    menu.Enable("mnuUndo", history_.CanUndo());
    menu.Enable("mnuRedo", history_.CanRedo());
}

void Workbench::Close(Form& form) {
    Action([&] {
        form.Close();
        return true;
    });
}

bool Workbench::Do(const std::string& label, const std::function<bool()>& action) {
    if (RefusedWhileBusy(label)) return false;
    return Action(action, Step{label, nullptr, true});
}

bool Workbench::ChangeView(const std::function<bool(Display&)>& step) {
    return Action([&] { return step(display); });
}

bool Workbench::Action(const std::function<bool()>& action, const std::optional<Step>& step,
                       std::optional<UndoState> startedFrom) {
    OneMessageEach once(*this);
    const bool outermost = actionDepth_ == 0;
    // Only the outermost action is a step: what a command types on its way belongs to it.
    std::optional<UndoState> before;
    if (outermost && step) before = startedFrom ? std::move(startedFrom) : history_.Capture(*this);
    if (outermost) workStarted_ = false;
    ++actionDepth_;
    bool result = false;
    auto finish = [&] {
        if (--actionDepth_ != 0) return;
        bool changed = false;
        if (before && workStarted_) {
            // The command goes on on its own thread: its step ends when its work does.
            workStep_ = step;
            workBefore_ = std::move(before);
        } else if (before) {
            UndoState after = history_.Capture(*this);
            changed = !(after == *before);
            history_.Record(step->label, std::move(*before), std::move(after), step->mergeKey);
        }
        if (markSaved_) {
            markSaved_ = false;
            history_.MarkSaved();
        }
        UpdateUndoMenu();
        Announce();
        if (changed && onStateChanged) onStateChanged(step && step->command);
    };
    try {
        result = action();
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return result;
}

Workbench::PlotState Workbench::CurrentPlotState() const {
    return {formPlot.canvas().revision(), formPlot.caption, formPlot.visible};
}

WorkbenchChanges Workbench::TakeChanges() {
    WorkbenchChanges c;
    for (Form* f : forms_) {
        if (f->changed()) c.forms.push_back(f);
        f->ClearChanged();
    }
    const PlotState plot = CurrentPlotState();
    c.plot = !(plot == plotSeen_);
    plotSeen_ = plot;
    c.result = formResult.changed;
    formResult.changed = false;
    c.menu = menu.changed;
    menu.changed = false;
    c.activated = std::move(activated_);
    activated_.clear();
    return c;
}

void Workbench::Announce() {
    const WorkbenchChanges c = TakeChanges();
    if (onChanges && c.Any()) onChanges(c);
}

namespace {

// What may run while long work goes on: nothing that changes the entries or the curves.
bool RunsWhileBusy(const std::string& name) {
    static const std::set<std::string> names = {"mnuStop",         "mnuExportPlot", "mnuCopyto",    "mnuPrint",
                                                "mnuExit",         "mnuTech",       "mnuMechamism", "mnuInstrument",
                                                "mnuExperimental", "mnuResetView",  "mnuZoomIn",    "mnuZoomOut",
                                                "mnuTime",         "mnuTile",       "mnuCascade",   "mnuManual"};
    return names.count(name) > 0;
}

}  // namespace

bool Workbench::RefusedWhileBusy(const std::string& what) {
    if (!work_) return false;
    platform.ShowStatus(work_->label + " is running: " + what +
                        " wait until it ends (Run > Stop ends it at its best point).");
    return true;
}

void Workbench::StartLongWork(std::shared_ptr<LongWork> work) {
    if (work_) throw std::logic_error("long work started while other long work runs");
    auto finishHere = [this, &work] {
        work->RethrowFailure();
        if (work->finish) work->finish(*this);
    };
    if (!workInBackground) {
        work->Run();
        finishHere();
        return;
    }
    if (onWorkStarting) onWorkStarting(*work);
    worker_ = std::thread([work] { work->Run(); });
    // Work done within a moment finishes as if it had never left the command.
    if (work->WaitFor(backgroundAfter)) {
        worker_.join();
        finishHere();
        return;
    }
    work_ = std::move(work);
    workStarted_ = actionDepth_ > 0;
    heldCommands_.clear();
    for (const MenuItem& item : menu.items()) {
        if (!item.handler || RunsWhileBusy(item.name)) continue;
        heldCommands_.emplace_back(item.name, item.enabled);
        menu.Enable(item.name, false);
    }
    menu.Enable("mnuStop", true);
    platform.ShowStatus(work_->label + " is running (Run > Stop ends it at its best point).");
}

bool Workbench::PollLongWork() {
    if (!work_) return false;
    if (!work_->Done()) {
        const std::shared_ptr<LongWork> work = work_;
        if (std::optional<WorkProgress> progress = work->TakeProgress(); progress && work->show)
            Action([&] {
                work->show(*this, *progress);
                return true;
            });
        return false;
    }
    EndLongWork();
    return true;
}

bool Workbench::StopLongWork() {
    if (!work_) return false;
    work_->Stop();
    platform.ShowStatus("Stopping " + work_->label + "...");
    return true;
}

void Workbench::FinishLongWork(bool stop) {
    if (!work_) return;
    if (stop) work_->Stop();
    EndLongWork();
}

void Workbench::EndLongWork() {
    if (worker_.joinable()) worker_.join();
    const std::shared_ptr<LongWork> work = std::move(work_);
    work_.reset();
    for (const auto& [name, enabled] : heldCommands_) menu.Enable(name, enabled);
    heldCommands_.clear();
    menu.Enable("mnuStop", false);
    std::optional<Step> step = std::move(workStep_);
    std::optional<UndoState> before = std::move(workBefore_);
    workStep_.reset();
    workBefore_.reset();
    platform.ShowStatus(work->StopRequested() ? work->label + " was stopped." : work->label + " has ended.");
    Action(
        [&] {
            work->RethrowFailure();
            if (work->finish) work->finish(*this);
            return true;
        },
        step, std::move(before));
}

}  // namespace talvex
