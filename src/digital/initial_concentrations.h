#pragma once

#include <array>
#include <optional>

#include "core/model.h"

// The concentrations a simulation starts from: the analytical ones, brought to equilibrium
// reaction by reaction at the start potential (pre-equilibration), and the preconcentrated product
// of a preconcentration step. The Chemicals dialog shows them as its "C init" column; a fit
// recomputes them for every trial, so that a trial E0 or K starts from the solution it implies.
namespace talvex {

// The three shapes of a second-order reaction row, judged from which of its four places are filled.
enum class Chem2Form {
    OneProduct,   // A + B = C
    OneReactant,  // A = C + D
    Full,         // A + B = C + D
};

// The amount x converted from left to right that brings a second-order reaction to equilibrium
// constant K, starting from the concentrations a, b (left) and c, d (right). Of the two roots of
// the form's quadratic the first one that leaves every concentration of the form positive is taken
// (the smaller-signed root first); none when neither does.
std::optional<double> SecondOrderEquilibrium(Chem2Form form, double K, double a, double b, double c, double d);

// What the equilibrium steps read. A value that is missing (a field that holds no number) skips
// the step that needs it, as does a species number outside 1..6.
struct EquilibriumInputs {
    double FoverRT = 0;
    std::optional<double> Estart;  // V, where the couples are brought to equilibrium
    int nCharge = 0;
    struct Couple {
        std::optional<double> n, E0;
        int ox = 0, red = 0;
    };
    std::array<Couple, kMaxCharge + 1> couple{};  // 1..nCharge
    int nChem = 0, nChem2 = 0;
    // The equilibrium constants as shown: first-order reactions 1..nChem, then the second-order
    // ones nChem + 1..nChem + nChem2. 0 skips the reaction.
    std::array<std::optional<double>, kMaxChem + 1> K{};
    std::array<std::array<int, 3>, kMaxChem + 1> chem{};     // X, Y of X = Y (places 1, 2)
    std::array<std::array<int, 5>, kMaxChem + 1> chem2{};    // species of places 1..4 of row j
    std::array<std::array<bool, 5>, kMaxChem + 1> filled{};  // whether place s of row j is filled
};

// Brings c (mol/L, species 1..6) to equilibrium in the order couples, first-order reactions,
// second-order reactions. With `asShown` every value written is rounded to the four significant
// digits of the "C init" captions before the next step reads it, so the result is what the
// dialog shows and a simulation then reads. A step that fails (overflow, a root that keeps no
// concentration positive) leaves its concentrations as they were.
void Equilibrate(const EquilibriumInputs& in, std::array<double, kMaxSpecies + 1>& c, bool asShown);

// A concentration rounded as the "C init" captions show it (pattern 0.###e-#).
double AsShownConcentration(double c);
// An equilibrium constant rounded as the "Keq" labels show it (pattern #.###e-#).
double AsShownEquilibriumConstant(double K);

// The ratio of the preconcentrated species' concentration to the analytical concentration of
// species 1 after a preconcentration step at EPre for TPre seconds in a stirred cell (a
// Levich-type mass-transfer coefficient PConst D^(2/3) nu^(-1/6) sqrt(omega)).
double PreconcentrationFactor(const Model& m);

// Keq(j) = kf(j) / kb(j) as the "Keq" labels show it, for every reaction of the mechanism with kb
// above 0.
void UpdateEquilibriumConstants(Model& m);

// The model's initial concentrations C(1..6) recomputed from its analytical ones, as the Chemicals
// dialog computes its "C init" column from the same values: each as the column shows it (four
// digits), pre-equilibrated when PreEquilibration is on (with the model's E0, n, Estart and Keq),
// then preconcentrated when Preconcentration is on.
void RecomputeInitialConcentrations(Model& m);

}  // namespace talvex
