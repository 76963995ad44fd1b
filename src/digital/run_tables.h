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
};

}  // namespace talvex
