#pragma once

#include <cmath>

#include "core/checked_math.h"

namespace talvex {

// The uncompensated resistance Ru puts the electrode's interface at E = applied + Ru I(E): a
// cathodic (positive) current holds the interface back from the applied potential. The current is
// taken at the interface potential it flows at, not at the one of an earlier step: an explicit lag
// feeds the drop back with a gain Ru |dI/dE| that exceeds 1 as soon as the resistance matters and
// the steps are short, and the curve then oscillates.
//
// I(E) falls as E rises (more reduction at more negative potentials), so F(E) = E - applied - Ru I(E)
// rises with a slope of at least 1 and has exactly one root. One evaluation at any guess x brackets
// it: the root lies between x and applied + Ru I(x). Inside the bracket the Illinois variant of
// false position converges superlinearly and never leaves it. `current` is called with trial
// potentials; its last call is always at the returned potential, so a caller whose state follows
// each evaluation (surface concentrations) ends in the state of the root. Returns the interface
// potential; `I` gets the current there.
inline constexpr double kOhmicTolerance = 1e-11;  // V: a current error of a few parts in 1e10
inline constexpr int kOhmicIterations = 200;

template <typename Current>
double SolveOhmicDrop(double applied, double Ru, double guess, Current&& current, double& I) {
    const double x = guess;
    const double Ix = current(x);
    const double fx = x - applied - Ru * Ix;
    if (fx == 0.0) {
        I = Ix;
        return x;
    }
    const double y = Checked(applied + Ru * Ix);  // the other end of the bracket
    double at = y;
    double Iat = current(y);
    const double fy = y - applied - Ru * Iat;
    // F(lo) <= 0 <= F(hi); wlo and whi are the weights of false position, halved by Illinois.
    double lo = fx < 0 ? x : y, flo = fx < 0 ? fx : fy;
    double hi = fx < 0 ? y : x, fhi = fx < 0 ? fy : fx;
    if (flo > 0.0 || fhi < 0.0) {  // rounding where the current is flat: y is as good as the root
        I = Iat;
        return y;
    }
    double wlo = flo, whi = fhi;
    int side = 0;
    const double tolerance = kOhmicTolerance * (1 + std::fabs(applied));
    for (int k = 0; k < kOhmicIterations && flo != 0.0 && fhi != 0.0 && hi - lo > tolerance; ++k) {
        double z = lo - wlo * (hi - lo) / (whi - wlo);
        if (!(z > lo && z < hi)) z = lo + (hi - lo) / 2;
        at = z;
        Iat = current(z);
        const double fz = z - applied - Ru * Iat;
        if (fz <= 0.0) {
            lo = z, flo = wlo = fz;
            if (side < 0) whi /= 2;
            side = -1;
        } else {
            hi = z, fhi = whi = fz;
            if (side > 0) wlo /= 2;
            side = 1;
        }
    }
    const double root = -flo <= fhi ? lo : hi;
    if (root != at) Iat = current(root);
    I = Iat;
    return root;
}

// The same for one step of a sequence: the drop moves little from step to step, so the guess is
// the applied potential moved by `shift`, the interface less the applied potential of the step
// before, which then becomes this step's.
template <typename Current>
double SolveOhmicDropAfter(double applied, double Ru, double& shift, Current&& current, double& I) {
    const double E = SolveOhmicDrop(applied, Ru, applied + shift, current, I);
    shift = E - applied;
    return E;
}

}  // namespace talvex
