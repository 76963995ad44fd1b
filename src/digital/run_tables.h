#pragma once

#include "core/constants.h"
#include "core/model.h"
#include "digital/time_plan.h"

namespace talvex {

// What a digital run (the one-dimensional grids and the two-dimensional disc alike) reads of the
// model before it starts: the mechanism's tables and the time plan of the technique.
struct RunTables {
    // Copies the species and reaction tables; tables that do not fit the work arrays, or name a
    // species the mechanism does not have, raise "Subscript out of range" before anything is written.
    void ReadTables(const Model& m);
    // The time plan of the model's technique (nMax: the largest electron number of the couples).
    void ChooseTiming(const Model& m, int split);
    // The surface rows from each species' own coefficient base[s] (its flux into the first box per
    // unit of concentration difference; s from 1): see the rows below.
    void BuildSurfaceRows(const double* base);

    // Mechanism, copied from the model's tables (species numbered from 1; 0 stands for none)
    int ns_ = 0, nCharge_ = 0, nChem_ = 0, nChem2_ = 0;
    int ox_[kMaxCharge + 1] = {}, red_[kMaxCharge + 1] = {};
    double ks_[kMaxCharge + 1] = {}, alpha_[kMaxCharge + 1] = {}, n_[kMaxCharge + 1] = {}, e0_[kMaxCharge + 1] = {};
    int chemLeft_[kMaxChem + 1] = {}, chemRight_[kMaxChem + 1] = {};
    int chem2_[kMaxChem + 1][4] = {};
    double kf_[kMaxChem + 1] = {}, kb_[kMaxChem + 1] = {};
    double C_[kMaxSpecies + 1] = {}, D_[kMaxSpecies + 1] = {};

    // Timing (TimePlan)
    int technique_ = 1;
    double dt_ = 0.0;
    Phase phases_[2];
    int nPhases_ = 1;
    bool freshLayer_ = false;
    double levelDt_[kMaxLevels] = {};
    int nLevels_ = 1;
    int steps_ = 1;         // time steps per point (per half-period of a square wave)
    double runTime_ = 0.0;  // the time the grid must reach into (s)
    bool bdf_ = false;      // second-order steps after the first

    // Surface rows: each species' flux into the first box is what the charge transfers consume or
    // make of it, row i: sum_s base(i, s) (c1(s) - c0(s)) = sum_r rate(i, r) (the rate of transfer r),
    // recombined so that each rate stands in one row only.
    double rowBase_[kMaxSpecies + 1][kMaxSpecies + 1] = {};
    double rowRate_[kMaxSpecies + 1][kMaxCharge + 1] = {};
    double rowSize_[kMaxSpecies + 1] = {};  // the largest |base(i, s)|
    int ownRow_[kMaxCharge + 1] = {};       // the row that holds transfer r's rate alone, or 0
};

}  // namespace talvex
