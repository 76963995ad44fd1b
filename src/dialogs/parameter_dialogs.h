#pragma once

#include <map>
#include <string>

#include "core/model.h"
#include "core/reporter.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/form_tech.h"

namespace talvex {

// The four parameter dialogs, created once and afterwards only shown and hidden. Their OK
// operations form one chain (Chemicals -> transfer -> Instrument -> Mechanism -> Techniques),
// so each reaches the others through this set; all of them write the one model.
class ParameterDialogs {
  public:
    ParameterDialogs(Model& model, Reporter& reporter);
    ParameterDialogs(const ParameterDialogs&) = delete;
    ParameterDialogs& operator=(const ParameterDialogs&) = delete;

    Model& model;
    Reporter& reporter;

    FormTech formTech;
    FormMech formMech;
    FormIns formIns;
    FormExpr formExpr;

    void Message(const std::string& text) { reporter.Message(text); }

    // The texts of every text box as a run last accepted them (at first, as the dialogs open).
    void NoteAcceptedTexts();
    // A refused box shows the text it had when a run last accepted it, so that it shows the value
    // the model actually kept (its handlers follow, as after typing).
    void ShowKeptText(const TextBox* box);

  private:
    std::map<const TextBox*, std::string> acceptedTexts_;
};

}  // namespace talvex
