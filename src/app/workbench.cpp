#include "app/workbench.h"

#include <algorithm>

#include "app/commands.h"
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

Workbench::~Workbench() = default;

FitDriver& Workbench::fitDriver() {
    if (!fitDriver_) fitDriver_ = std::make_unique<FitDriver>();
    return *fitDriver_;
}

Form* Workbench::FindForm(const std::string& name) const {
    for (Form* f : forms_)
        if (f->name() == name) return f;
    return nullptr;
}

bool Workbench::RunCommand(const std::string& name) {
    return Action([&] {
        const MenuItem* item = menu.Find(name);
        if (!item || !item->handler || !menu.IsAvailable(name)) return false;
        const auto handler = item->handler;  // the table may change while the command runs
        handler(*this);
        return true;
    });
}

bool Workbench::Type(TextBox& box, const std::string& text) {
    return Action([&] { return box.Type(text); });
}

bool Workbench::Click(Control& control) {
    return Action([&] {
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
    });
}

bool Workbench::Choose(ComboBox& combo, const std::string& entry) {
    return Action([&] { return combo.SelectText(entry); });
}

void Workbench::Activate(Form& form) {
    Action([&] {
        // A dialog already on view is not "changed" by coming to the front, yet its window must rise.
        if (std::find(activated_.begin(), activated_.end(), &form) == activated_.end()) activated_.push_back(&form);
        form.Show();
        return true;
    });
}

void Workbench::Close(Form& form) {
    Action([&] {
        form.Close();
        return true;
    });
}

bool Workbench::ChangeView(const std::function<bool(Display&)>& step) {
    return Action([&] { return step(display); });
}

bool Workbench::Action(const std::function<bool()>& action) {
    OneMessageEach once(*this);
    ++actionDepth_;
    bool result = false;
    try {
        result = action();
    } catch (...) {
        if (--actionDepth_ == 0) Announce();
        throw;
    }
    if (--actionDepth_ == 0) Announce();
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

}  // namespace talvex
