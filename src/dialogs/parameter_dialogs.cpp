#include "dialogs/parameter_dialogs.h"

namespace talvex {

// Built in this order: the Mechanism dialog's start-up state decides what the Instrument dialog
// offers, and the Chemicals dialog reads both.
ParameterDialogs::ParameterDialogs(Model& m, Reporter& r)
    : model(m), reporter(r), formTech(*this), formMech(*this), formIns(*this), formExpr(*this) {
    NoteAcceptedTexts();
}

void ParameterDialogs::NoteAcceptedTexts() {
    for (const Form* form : {static_cast<const Form*>(&formTech), static_cast<const Form*>(&formMech),
                             static_cast<const Form*>(&formIns), static_cast<const Form*>(&formExpr)})
        for (const Control* c : form->controls())
            if (c->kind() == ControlKind::TextBox) {
                const auto* box = static_cast<const TextBox*>(c);
                acceptedTexts_[box] = box->text();
            }
}

void ParameterDialogs::ShowKeptText(const TextBox* refused) {
    if (!refused) return;
    const auto kept = acceptedTexts_.find(refused);
    if (kept == acceptedTexts_.end() || kept->second == refused->text()) return;
    // The dialogs own their boxes; the refusal only names one.
    Form* form = refused->form();
    Control* box = form ? form->FindByFullName(refused->FullName()) : nullptr;
    if (!box || box->kind() != ControlKind::TextBox) return;
    IgnoringErrors([&] { static_cast<TextBox*>(box)->SetText(kept->second); });
}

}  // namespace talvex
