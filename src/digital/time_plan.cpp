#include "digital/time_plan.h"

#include <algorithm>
#include <cmath>

#include "core/checked_math.h"
#include "core/codes.h"
#include "core/run_error.h"
#include "digital/simulate_digital.h"

namespace talvex {
namespace {

constexpr double kSweepStepPotential = 0.2;
constexpr int kHoldSteps = 24;
constexpr int kHalfPeriodSteps = 16;
constexpr int kPulseSteps = 8;

}  // namespace

TimePlan PlanTimeSteps(const Model& m, double nMax, int split) {
    TimePlan p;
    p.technique = m.Technique;
    const double tdrop = m.tdrop;
    const double tpulse = m.tpulse;
    if (split < 1) Raise(ErrorCode::InvalidProcedureCall);
    switch (p.technique) {
        case technique::Sweep:  // the field carries over; the potential follows the ramp
            if (!(tdrop > 0.0)) Raise(ErrorCode::InvalidProcedureCall);
            {
                const double span = nMax * m.FoverRT * std::fabs(m.Estep) / kSweepStepPotential;
                p.steps = static_cast<int>(std::min(std::ceil(std::max(span, 1.0) - 1e-9), 64.0)) * split;
            }
            p.dt = tdrop / p.steps;
            p.runTime = tdrop * (m.NData + 1);
            break;
        case technique::DC:  // a fresh layer at every point, sampled at the drop time
            if (!(tdrop > 0.0)) Raise(ErrorCode::InvalidProcedureCall);
            p.steps = kHoldSteps * split;
            p.dt = tdrop / p.steps;
            p.runTime = tdrop;
            p.freshLayer = true;
            break;
        case technique::NormalPulse:  // a fresh layer at every point, the pulse sampled at its end
            if (!(tpulse > 0.0)) Raise(ErrorCode::InvalidProcedureCall);
            p.steps = kHoldSteps * split;
            p.dt = tpulse / p.steps;
            p.runTime = tpulse;
            p.freshLayer = true;
            break;
        case technique::DifferentialPulse: {
            // The base potential until tdrop - tpulse, then the pulse for exactly tpulse. The base
            // current is a decaying transient too, so the shorter of the two intervals sets the
            // step (and the grid), and the base interval takes at least four steps: sampled
            // straight from the fresh layer it would be the kinetic current of the bulk solution.
            if (!(tpulse > 0.0)) Raise(ErrorCode::InvalidProcedureCall);
            const double preTime = tdrop - tpulse;
            if (!(preTime > 0.0)) throw PulseNotShorterThanDrop(tpulse, tdrop);
            p.dt = std::min(tpulse, preTime) / 4;
            const int npre = RoundToInt(Div(preTime, p.dt));
            p.nLevels = 3;
            p.levelDt[0] = preTime / npre;
            p.levelDt[1] = tpulse / kPulseSteps;
            p.levelDt[2] = tpulse / (2 * kPulseSteps);
            p.phases[0] = {0, npre, false, Sample::Base, false};
            p.phases[1] = {1, kPulseSteps, true, Sample::Final, true};
            p.nPhases = 2;
            p.freshLayer = true;
            p.runTime = tdrop;
            for (int l = 0; l < p.nLevels; ++l) p.levelDt[l] /= split;
            for (int k = 0; k < p.nPhases; ++k) p.phases[k].steps *= split;
            break;
        }
        case technique::SquareWave:  // both halves of every period in steps; the field carries over
            if (!(tpulse > 0.0)) Raise(ErrorCode::InvalidProcedureCall);
            p.steps = kHalfPeriodSteps * split;
            p.dt = tpulse / p.steps;
            p.runTime = 2 * tpulse * m.NData;
            break;
        default:
            Raise(ErrorCode::InvalidProcedureCall);
    }
    if (!(p.dt > 0.0)) Raise(ErrorCode::InvalidProcedureCall);
    if (p.technique != technique::DifferentialPulse) {
        // Level 0: the implicit Euler step; level 1: the backward formula's step, whose matrix is
        // that of an Euler step two thirds as long.
        p.bdf = true;
        p.nLevels = 2;
        p.levelDt[0] = p.dt;
        p.levelDt[1] = 2 * p.dt / 3;
    }
    return p;
}

}  // namespace talvex
