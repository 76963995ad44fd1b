#pragma once

#include <string>

#include "core/model.h"
#include "core/reporter.h"
#include "core/tables.h"

namespace talvex {

// What the mechanism setup reads of the Mechanism dialog: the chosen analytical mechanism and,
// in digital mode, the texts of the reaction editor, indexed as the editor's control arrays.
struct MechanismChoice {
    int mechanism = 0;  // the first selected analytical option; 0 when none is selected
    bool digital = false;
    Table1<std::string, 7> charge;  // charge(1..6)
    Table1<std::string, 4> nel;     // NEL(1..3), the electron numbers as shown
    Table1<std::string, 9> chem;    // chem(1..8)
    Table1<std::string, 13> chem2;  // chem2(1..12)
};

// Turns the Mechanism dialog's choice into the species and reaction tables of the model: a fixed
// table for the analytical mechanisms 1..8, or the rows of the reaction editor in digital mode.
// More than 6 species or 4 chemical reactions is reported through `reporter`; the surplus is left
// out of the tables.
void SetupMechanism(Model& m, Reporter& reporter, const MechanismChoice& choice);

}  // namespace talvex
