#include "digital/run_tables.h"

#include <algorithm>
#include <cmath>

#include "core/run_error.h"

namespace talvex {
namespace {

void CheckSpecies(int s, int ns) {
    if (s < 0 || s > ns) Raise(ErrorCode::SubscriptOutOfRange);  // 0: no species
}

}  // namespace

void RunTables::ReadTables(const Model& m) {
    ns_ = m.NSpecies;
    nCharge_ = m.NCharge;
    nChem_ = m.NChem;
    nChem2_ = m.NChem2;
    if (ns_ < 1 || ns_ > kMaxSpecies || nCharge_ < 0 || nCharge_ > kMaxCharge || nChem_ < 0 || nChem2_ < 0 ||
        nChem_ + nChem2_ > kMaxChem)
        Raise(ErrorCode::SubscriptOutOfRange);
    for (int s = 1; s <= ns_; ++s) {
        C_[s] = m.C(s);
        D_[s] = m.D(s);
    }
    for (int r = 1; r <= nCharge_; ++r) {
        ox_[r] = m.ChargeSpecies(r, 1);
        red_[r] = m.ChargeSpecies(r, 2);
        CheckSpecies(ox_[r], ns_);
        CheckSpecies(red_[r], ns_);
        ks_[r] = m.ks(r);
        alpha_[r] = m.Alpha(r);
        n_[r] = m.n(r);
        e0_[r] = m.E0(r);
    }
    for (int r = 1; r <= nChem_; ++r) {
        chemLeft_[r] = m.ChemSpecies(r, 1);
        chemRight_[r] = m.ChemSpecies(r, 2);
        CheckSpecies(chemLeft_[r], ns_);
        CheckSpecies(chemRight_[r], ns_);
    }
    for (int r = 1; r <= nChem2_; ++r) {
        for (int k = 0; k < 4; ++k) {
            chem2_[r][k] = m.Chem2Species(r, k + 1);
            CheckSpecies(chem2_[r][k], ns_);
        }
    }
    for (int r = 1; r <= nChem_ + nChem2_; ++r) {
        kf_[r] = m.kf(r);
        kb_[r] = m.kb(r);
    }
}

void RunTables::ChooseTiming(const Model& m, int split) {
    double nMax = 1.0;
    for (int r = 1; r <= nCharge_; ++r) nMax = std::max(nMax, std::fabs(n_[r]));
    const TimePlan plan = PlanTimeSteps(m, nMax, split);
    technique_ = plan.technique;
    dt_ = plan.dt;
    phases_[0] = plan.phases[0];
    phases_[1] = plan.phases[1];
    nPhases_ = plan.nPhases;
    freshLayer_ = plan.freshLayer;
    for (int l = 0; l < kMaxLevels; ++l) levelDt_[l] = plan.levelDt[l];
    nLevels_ = plan.nLevels;
    steps_ = plan.steps;
    runTime_ = plan.runTime;
    bdf_ = plan.bdf;
}

}  // namespace talvex
