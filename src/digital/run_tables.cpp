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

// Written as fluxes, a fast transfer (g kred far above 1) makes the rows of its two species nearly
// proportional and the surface matrix singular in double precision. So the rows are recombined
// once (Gauss-Jordan on the stoichiometry nu: +1 for the oxidant, -1 for the product) until each
// rate stands in one row only: the others state conservation exactly, free of any rate, and the
// rate's own row is divided by its largest term when the potential is set, which turns it into the
// Nernst condition as ks grows without bound. The same rows serve chains of transfers
// (A -> B -> C -> D) and species shared by several reactions.
void RunTables::BuildSurfaceRows(const double* base) {
    double nu[kMaxSpecies + 1][kMaxCharge + 1] = {};
    for (int r = 1; r <= nCharge_; ++r) {
        if (ox_[r] > 0) nu[ox_[r]][r] += 1;
        if (red_[r] > 0) nu[red_[r]][r] -= 1;
    }
    for (int i = 1; i <= ns_; ++i) {
        for (int s = 1; s <= ns_; ++s) rowBase_[i][s] = i == s ? base[s] : 0.0;
        for (int r = 1; r <= nCharge_; ++r) rowRate_[i][r] = nu[i][r];
    }
    bool pivotRow[kMaxSpecies + 1] = {};
    for (int r = 1; r <= nCharge_; ++r) {
        int p = 0;
        double largest = 0.5;  // the entries are whole numbers: below 1 is 0
        for (int i = 1; i <= ns_; ++i) {
            const bool better =
                std::fabs(rowRate_[i][r]) > largest || (i == ox_[r] && p != 0 && std::fabs(rowRate_[i][r]) == largest);
            if (!pivotRow[i] && better) largest = std::fabs(rowRate_[i][r]), p = i;
        }
        if (p == 0) continue;  // a transfer between the same species as an earlier one shares its row
        pivotRow[p] = true;
        for (int i = 1; i <= ns_; ++i) {
            if (i == p || rowRate_[i][r] == 0.0) continue;
            const double factor = rowRate_[i][r] / rowRate_[p][r];
            for (int s = 1; s <= ns_; ++s) rowBase_[i][s] -= factor * rowBase_[p][s];
            for (int q = 1; q <= nCharge_; ++q) rowRate_[i][q] -= factor * rowRate_[p][q];
            rowRate_[i][r] = 0.0;
        }
    }
    for (int i = 1; i <= ns_; ++i) {
        rowSize_[i] = 0.0;
        for (int s = 1; s <= ns_; ++s) rowSize_[i] = std::max(rowSize_[i], std::fabs(rowBase_[i][s]));
    }
    for (int r = 1; r <= nCharge_; ++r) {
        ownRow_[r] = 0;
        for (int i = 1; i <= ns_ && ownRow_[r] == 0; ++i) {
            if (rowRate_[i][r] == 0.0) continue;
            bool alone = true;
            for (int q = 1; q <= nCharge_; ++q) alone = alone && (q == r || rowRate_[i][q] == 0.0);
            if (alone) ownRow_[r] = i;
        }
    }
}

}  // namespace talvex
