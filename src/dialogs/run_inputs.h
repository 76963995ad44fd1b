#pragma once

#include <optional>
#include <string>

#include "core/model.h"

namespace talvex {

class ParameterDialogs;
class TextBox;

// Why a run is refused: the dialog and field at fault, the text found there and what is allowed.
struct InputRefusal {
    std::string dialog;            // "Instrument", "Chemicals"
    std::string field;             // the field as the user sees it: "E start (V)", "D (cm ²/s) of species B"
    std::string text;              // the text the field holds
    std::string allowed;           // what the field may hold, in words
    const TextBox* box = nullptr;  // the box at fault; none for a computed value (a label)
    // One line for the message box, naming all four.
    std::string Message() const;
};

// What the run will do with the potentials: a simulation builds them from the Instrument dialog;
// a fit keeps the measured ones, so their number and range are not the dialog's business.
enum class RunKind { Simulate, Fit };

// Checks every dialog entry that a run of `kind` would use, for the technique the Techniques
// dialog shows, the model's electrode and the mechanism tables in `model`: each text must read as
// a number under the leading-number rule (leading blanks and a trailing unit are fine; text that
// does not begin with a number, a decimal comma and a number beyond the double range are not),
// and each value must be physically possible (D > 0, C >= 0, T above absolute zero, v > 0,
// E step > 0 and not longer than the range, radius/length > 0 where the electrode has them,
// ks > 0, 0 < alpha < 1, kf, kb >= 0, pulse and drop times > 0 with the pulse shorter than the
// drop, f > 0, at most 4000 points). The first entry at fault is returned; nothing is written.
// The Instrument dialog's entries do not depend on the mechanism; the Chemicals dialog's rows are
// those of the mechanism tables, so the confirmation chain should have run before for them.
std::optional<InputRefusal> CheckRunInputs(const ParameterDialogs& dialogs, const Model& model, RunKind kind);

// What Simulate, Manual Fit and Auto Fit run before anything else, in place of the Chemicals
// dialog's OK: checks the Instrument dialog, runs the confirmation chain (the Chemicals dialog's
// OK) and checks the rest. On a refusal the model is put back as it was before the chain, the
// refusal's message is shown once, the box at fault shows again the text the last run accepted
// (what the model still holds), and false is returned: the command must then run nothing.
bool ConfirmForRun(ParameterDialogs& dialogs, RunKind kind);

}  // namespace talvex
