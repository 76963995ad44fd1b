#include "app/workspace_commands.h"

#include <fstream>
#include <map>

#include "app/commands.h"
#include "app/measured_curves.h"
#include "app/recent_files.h"
#include "app/workbench.h"
#include "dialogs/control_state.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/parameter_dialogs.h"
#include "files/data_import.h"
#include "files/file_replace.h"
#include "plot/display.h"
#include "plot/plot_renderer.h"

namespace talvex {
namespace {

constexpr std::size_t kLargestWorkspace = 64 << 20;  // far above 4000 points of six curves

const char* KindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::TextBox:
            return "TextBox";
        case ControlKind::Label:
            return "Label";
        case ControlKind::CheckBox:
            return "CheckBox";
        case ControlKind::OptionButton:
            return "OptionButton";
        case ControlKind::ComboBox:
            return "ComboBox";
        case ControlKind::Frame:
            return "Frame";
        case ControlKind::CommandButton:
            return "CommandButton";
    }
    return "";
}

WorkspaceControl Capture(const Control& c) {
    // The state Undo keeps, with the file's own choices: a combo box's entry also by its text, the
    // lock only of a text box.
    const ControlState s = CaptureControl(c);
    WorkspaceControl w;
    w.name = c.FullName();
    w.kind = KindName(c.kind());
    w.visible = s.visible;
    w.enabled = s.enabled;
    w.text = s.text;
    w.caption = s.caption;
    w.state = s.state;
    w.listIndex = s.listIndex;
    if (c.kind() == ControlKind::TextBox) {
        w.locked = s.locked;
        w.captionVisible = s.captionVisible;
    }
    if (c.kind() == ControlKind::ComboBox) w.text = static_cast<const ComboBox&>(c).text();
    return w;
}

[[noreturn]] void DoesNotFit(const std::string& what) {
    throw RunError(ErrorCode::InvalidProcedureCall, what + " (it was not written by this version of Talvex)");
}

// Every saved form and control matched to the running program's, before anything changes. Controls
// are matched by name: one the file lacks (a workspace saved before it was added) keeps its state.
std::vector<std::pair<Control*, const WorkspaceControl*>> Match(const Workbench& wb, const Workspace& w) {
    if (w.forms.size() != wb.forms().size()) DoesNotFit("the file holds a different set of dialogs");
    std::vector<std::pair<Control*, const WorkspaceControl*>> pairs;
    for (std::size_t f = 0; f < w.forms.size(); ++f) {
        const WorkspaceForm& saved = w.forms[f];
        const Form* form = wb.forms()[f];
        if (saved.name != form->name()) DoesNotFit("dialog " + saved.name + " is not where " + form->name() + " is");
        std::map<std::string, Control*> byName;
        for (Control* control : form->controls()) byName[control->FullName()] = control;
        for (const WorkspaceControl& c : saved.controls) {
            const auto found = byName.find(c.name);
            if (found == byName.end()) DoesNotFit("dialog " + saved.name + " has no control " + c.name);
            Control* control = found->second;
            if (!control) DoesNotFit("control " + saved.name + "." + c.name + " appears twice");
            found->second = nullptr;
            if (c.kind != KindName(control->kind()))
                DoesNotFit("control " + saved.name + "." + c.name + " is a " + c.kind + " in the file but a " +
                           KindName(control->kind()) + " here");
            if (control->kind() == ControlKind::ComboBox) {
                const auto& combo = static_cast<const ComboBox&>(*control);
                if (c.listIndex < -1 || c.listIndex >= static_cast<int>(combo.list.size()))
                    DoesNotFit(saved.name + "." + c.name + " selects an entry it does not have");
            }
            pairs.emplace_back(control, &c);
        }
    }
    return pairs;
}

void Restore(Control& control, const WorkspaceControl& c) {
    control.visible = c.visible;
    control.enabled = c.enabled;
    switch (control.kind()) {
        case ControlKind::TextBox: {
            auto& t = static_cast<TextBox&>(control);
            t.Restore(c.text);
            t.caption = c.caption;
            t.locked = c.locked;
            t.captionVisible = c.captionVisible;
            break;
        }
        case ControlKind::Label:
            static_cast<Label&>(control).RestoreCaption(c.text);
            break;
        case ControlKind::CheckBox: {
            auto& b = static_cast<CheckBox&>(control);
            b.caption = c.caption;
            b.RestoreChecked(c.state);
            break;
        }
        case ControlKind::OptionButton: {
            auto& b = static_cast<OptionButton&>(control);
            b.caption = c.caption;
            b.RestoreSelected(c.state);
            break;
        }
        case ControlKind::ComboBox: {
            auto& b = static_cast<ComboBox&>(control);
            b.caption = c.caption;
            b.RestoreSelection(c.listIndex);
            break;
        }
        case ControlKind::Frame:
            static_cast<Frame&>(control).caption = c.caption;
            break;
        case ControlKind::CommandButton:
            static_cast<CommandButton&>(control).caption = c.caption;
            break;
    }
}

template <typename T>
std::optional<int> CountOf(const Assignable<T>& v) {
    return v.assigned() ? std::optional<int>(static_cast<int>(v.value())) : std::nullopt;
}

template <typename T>
void SetCount(Assignable<T>& target, const std::optional<int>& v) {
    if (v)
        target = static_cast<T>(*v);
    else
        target.Unassign();
}

}  // namespace

void FollowRestoredControls(Workbench& wb) {
    Model& m = wb.model;
    for (int k = 1; k <= wb.formIns.optElectrode.last(); ++k)
        if (wb.formIns.optElectrode(k).selected()) m.Electrode = k;
    m.DigitalSim = wb.formMech.CheckDigital.checked();
}

Workspace CaptureWorkspace(const Workbench& wb) {
    Workspace w;
    for (const Form* form : wb.forms()) {
        WorkspaceForm f;
        f.name = form->name();
        f.shown = form->visible();
        for (const Control* c : form->controls()) f.controls.push_back(Capture(*c));
        w.forms.push_back(std::move(f));
    }
    w.plotCaption = wb.formPlot.caption;
    const Model& m = wb.model;
    WorkspaceCurves& c = w.curves;
    c.NData = CountOf(m.NData);
    c.IFirst = CountOf(m.IFirst);
    c.ILast = CountOf(m.ILast);
    c.NCurves = CountOf(m.NCurves);
    c.CurCurve = CountOf(m.CurCurve);
    c.NCurvesSaved = CountOf(m.NCurvesSaved);
    const int n = m.NData;
    for (int k = 1; k <= kWorkspaceCurves; ++k) {
        c.kinds.push_back(m.CurveKind(k));
        c.names.push_back(m.CurveLabels(k).name);
        c.orders.push_back(m.CurveLabels(k).order);
        c.factors.push_back(m.CurveLabels(k).factor);
    }
    c.XFactor = m.XFactor;
    for (const MeasuredRecord& r : wb.measured.records)
        w.measured.push_back({r.label, api::ExperimentValues(r.experiment), r.experiment.potentials, r.current});
    for (int k = 1; k <= kWorkspaceCurves; ++k)
        w.measuredOfColumn.push_back(wb.measured.recordOfColumn[static_cast<std::size_t>(k)]);
    c.Yplot.assign(kWorkspaceCurves, {});
    for (int i = 1; i <= n; ++i) {
        c.Xdata.push_back(m.Xdata(i));
        for (int k = 1; k <= kWorkspaceCurves; ++k) c.Yplot[static_cast<std::size_t>(k - 1)].push_back(m.Yplot(i, k));
    }
    return w;
}

void RestoreWorkspace(Workbench& wb, const Workspace& w) {
    const auto pairs = Match(wb, w);
    const WorkspaceCurves& c = w.curves;
    const int n = c.NData.value_or(0);
    if (c.IFirst.value_or(1) > n + 1 || c.ILast.value_or(0) > n)
        DoesNotFit("the file's first and last points lie outside its data");

    // Everything fits: from here on nothing can fail.
    for (const auto& [control, saved] : pairs) Restore(*control, *saved);
    for (std::size_t f = 0; f < w.forms.size(); ++f) wb.forms()[f]->RestoreShown(w.forms[f].shown);

    FollowRestoredControls(wb);
    Model& m = wb.model;

    for (int i = 1; i <= n; ++i) {
        m.Xdata(i) = c.Xdata[static_cast<std::size_t>(i - 1)];
        for (int k = 1; k <= kWorkspaceCurves; ++k)
            m.Yplot(i, k) = c.Yplot[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(i - 1)];
    }
    SetCount(m.NData, c.NData);
    SetCount(m.IFirst, c.IFirst);
    SetCount(m.ILast, c.ILast);
    SetCount(m.NCurves, c.NCurves);
    SetCount(m.CurCurve, c.CurCurve);
    SetCount(m.NCurvesSaved, c.NCurvesSaved);
    for (int k = 1; k <= kWorkspaceCurves; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        m.CurveKind(k) = static_cast<std::int16_t>(i < c.kinds.size() ? c.kinds[i] : curve::Simulated);
        m.CurveLabels(k) = {i < c.names.size() ? c.names[i] : std::string(), i < c.orders.size() ? c.orders[i] : 0,
                            i < c.factors.size() ? c.factors[i] : 1.0};
    }
    m.XFactor = c.XFactor;
    wb.formPlot.caption = w.plotCaption;
    MeasuredSeries& series = wb.measured;
    series.records.clear();
    for (const WorkspaceMeasured& saved : w.measured) {
        MeasuredRecord r{saved.label, api::ExperimentFromValues(saved.settings), saved.currents};
        r.experiment.potentials = saved.potentials;
        series.records.push_back(std::move(r));
    }
    series.recordOfColumn.fill(0);
    for (int k = 1; k <= kWorkspaceCurves && k <= static_cast<int>(w.measuredOfColumn.size()); ++k)
        series.recordOfColumn[static_cast<std::size_t>(k)] = w.measuredOfColumn[static_cast<std::size_t>(k - 1)];

    if (n > 0) {
        RenderPlot(wb.display);
        EnableAfterNewDataSet(wb);
    } else {
        wb.formPlot.canvas().Clear();
    }
}

bool SaveWorkspaceAs(Workbench& wb) {
    const auto path = wb.platform.SaveFileDialog(kWorkspaceFilter);
    if (!path || path->empty()) return false;  // cancelled
    try {
        ReplaceFileContents(*path, WorkspaceText(CaptureWorkspace(wb)));
        wb.MarkSaved();
        NoteRecentFile(wb, FullPath(*path));
        wb.platform.ShowStatus("Workspace saved to " + FullPath(*path));
        return true;
    } catch (const RunError& e) {
        wb.Message("Save Workspace Error: " + e.description());
        return false;
    }
}

std::string WorkspaceTextOf(const Workbench& wb) {
    return WorkspaceText(CaptureWorkspace(wb));
}

void RestoreWorkspaceText(Workbench& wb, const std::string& text) {
    RestoreWorkspace(wb, ParseWorkspace(text));
}

void LoadWorkspace(Workbench& wb, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Raise(ErrorCode::FileNotFound);
    std::string text;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kLargestWorkspace)
            throw RunError(ErrorCode::InvalidProcedureCall, "the file is far larger than any workspace");
    }
    RestoreWorkspace(wb, ParseWorkspace(text));
}

void SaveWorkspaceCommand(Workbench& wb) {
    SaveWorkspaceAs(wb);
}

bool AllowDiscard(Workbench& wb, const std::string& doing) {
    if (!wb.Modified()) return true;
    switch (
        wb.platform.AskSaveChanges("The dialogs' entries or the curves have changed since the workspace was last "
                                   "saved. Save them to a workspace file before " +
                                   doing + "?")) {
        case Platform::SaveChoice::Save:
            return SaveWorkspaceAs(wb);
        case Platform::SaveChoice::Discard:
            return true;
        case Platform::SaveChoice::Cancel:
            break;
    }
    return false;
}

void OpenWorkspaceCommand(Workbench& wb) {
    if (!AllowDiscard(wb, "opening another workspace")) return;
    const auto path = wb.platform.OpenFileDialog(kWorkspaceFilter);
    if (!path || path->empty()) return;  // cancelled
    OpenWorkspaceFile(wb, *path);
}

bool OpenWorkspaceFile(Workbench& wb, const std::string& path) {
    try {
        // A new data set: shown whole.
        wb.formPlot.view.zoomed = false;
        LoadWorkspace(wb, path);
        wb.MarkSaved();
        NoteRecentFile(wb, FullPath(path));
        return true;
    } catch (const RunError& e) {
        wb.Message("Open Workspace Error: " + e.description() + ". Nothing was changed.");
        return false;
    }
}

}  // namespace talvex
