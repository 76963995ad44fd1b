#pragma once

#include "api/chemical_system.h"
#include "api/experiment.h"
#include "api/simulation.h"
#include "core/model.h"
#include "core/reporter.h"
#include "digital/mechanism_setup.h"

// Where the typed inputs meet the parameter model that the engine, the files and the scripts name:
// the model's values from typed inputs, derived as the dialogs' confirmation derives them, and
// typed inputs from a confirmed model.
namespace talvex::api {

struct Inputs {
    Experiment experiment;
    ChemicalSystem chemistry;
    SimulationOptions options;
};

// Writes every value a simulation reads into `m`: the experiment's, the mechanism's tables (a
// mechanism the editor cannot hold is told through `reporter`, as the Mechanism dialog tells it),
// the chemical constants, the derived constants and the initial concentrations (from the
// analytical ones, as the Chemicals dialog shows them). The curve store is left alone.
void ToModel(const Inputs& inputs, Model& m, Reporter& reporter);

// The inputs a confirmed model describes; `choice` is what the reaction editor holds (its texts
// name the species and reactions of a typed mechanism).
Inputs FromModel(const Model& m, const MechanismChoice& choice);

// The reaction editor's texts for a chemical system's typed reactions.
MechanismChoice EditorChoice(const ChemicalSystem& chemistry, bool digital);

}  // namespace talvex::api
