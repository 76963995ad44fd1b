#pragma once

#include <string>
#include <vector>

namespace talvex::api {

// A species: its name in the reactions, diffusion coefficient and analytical concentration.
struct Species {
    std::string name;
    double diffusion = 1e-5;   // cm2/s
    double concentration = 0;  // mol/L before pre-equilibration
    double conductivity = 0;   // S cm2/mol, for the conductance quantity
};

// ox + n e = red.
struct ChargeTransfer {
    std::string oxidised, reduced;
    double electrons = 1;
    double E0 = 0.1;  // V
    double alpha = 0.5;
    double ks = 1e4;  // cm/s
};

// X = Y (first order, `second` empty) or A + B = C + D (second order; one place of a side may stay
// empty).
struct ChemicalReaction {
    std::string a, b, c, d;
    double kf = 10;
    double kb = 0.01;
    // The equilibrium constant where kb is not above 0 (then kf / kb says nothing); otherwise it
    // is kf / kb as the Chemicals dialog shows it (four digits).
    double K = 0;
};

// What is in the cell and how it reacts: either one of the eight analytical mechanisms (species
// A, B, C, D and the rows its reactions take) or reactions typed as in the reaction editor (any
// mechanism of up to six species, three charge transfers, four first-order and three second-order
// reactions, together at most four chemical ones). Species are numbered in order of first
// appearance in the reactions, charge transfers first; `species` gives their values in that order
// (by name where a name is given).
struct ChemicalSystem {
    int mechanism = 0;  // 1..8: an analytical mechanism; 0: the reactions below
    std::vector<Species> species;
    std::vector<ChargeTransfer> chargeTransfers;
    std::vector<ChemicalReaction> firstOrder;   // a = c
    std::vector<ChemicalReaction> secondOrder;  // a + b = c + d
    double electrolyteConcentration = 0.01;     // mol/L
    double electrolyteConductivity = 100;       // S cm2/mol
    double viscosity = 0.01;                    // cm2/s, kinematic
    // The solution at equilibrium at the start potential before the run (the Chemicals dialog's
    // "pre-equilibration").
    bool preEquilibration = true;
    double ligandOrder = 0;  // p of mechanism 8, C = A + pD
    // The concentrations (mol/L, by species number) the run starts from, where something else has
    // worked them out (the Chemicals dialog's "C init"); empty: from the analytical ones,
    // pre-equilibrated when asked, as the dialog would show them (four digits).
    std::vector<double> initialConcentrations;

    // The default chemistry: Fe3+ + e = Fe2+, 1 mM of Fe3+ (the untouched dialogs).
    static ChemicalSystem Default();
};

}  // namespace talvex::api
