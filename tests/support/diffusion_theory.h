#pragma once

#include <functional>
#include <vector>

// Reference solutions of diffusion to electrodes of several shapes, written independently of the
// simulation code (their own formulas, series and solvers), for the theory tables.
namespace talvex::testing {

// The diffusion-limited step current at a cylinder of radius r over n F A D C / r, at tau = D t / r^2:
// the plane's 1/sqrt(pi tau) plus the inverse Laplace transform of (K1(sqrt s)/K0(sqrt s) - 1)/sqrt(s),
// by Stehfest's formula with 14 terms (about 1e-6).
double CylinderStepTheory(double tau);

// The diffusion-limited step current at a disc of radius a over 4 n F D C a, at tau = 4 D t / a^2: the
// Aoki-Osteryoung series, the short-time one up to tau = 1.1 and the long-time one beyond, where each
// is best (they meet within 0.1 % there and stay within 0.4 % of the exact transient).
double DiscStepTheory(double tau);
// Its integral over tau.
double DiscStepTheoryIntegral(double tau);

// The diffusion-limited step current at a band of width w and length l over n F D C l, at
// theta = D t / w^2: Aoki's short-time expression 1/sqrt(pi theta) + 1 up to theta = 0.4, beyond it
// Szabo's hemicylinder of radius w/4 (pi times the cylinder's current above at tau = 16 theta).
double BandStepTheory(double theta);

// The flux (mol/cm2/s) into an electrode after a unit jump of the surface concentration deficit
// (1 mol/cm3) at time 0, and the charge (mol/cm2) it has passed by the time u: the response that
// Duhamel's superposition builds reversible currents from.
struct StepResponse {
    std::function<double(double)> flux, charge;
};
StepResponse PlaneResponse(double D);
StepResponse SphereResponse(double D, double r);
StepResponse DiscResponse(double D, double a);  // from the Aoki-Osteryoung series above

// Duhamel's superposition of a reversible couple O + ne = R (equal D, no R in the bulk): the current
// density over n F C (cm/s) at the times `at` (ascending, >= times[1]) when the surface deficit
// share follows 1/(1 + exp(nf (E - E0))) along the potential E(t), known at the ascending `times`
// (times[0] = 0) and linear in between, starting from its value at times[0].
std::vector<double> DuhamelCurrents(const StepResponse& response, const std::vector<double>& times,
                                    const std::vector<double>& potentials, double nf, double E0,
                                    const std::vector<double>& at);

// A planar finite-difference solver of O + ne = R (Butler-Volmer kinetics, n = 1) on a uniform grid,
// semi-infinite (closed at six diffusion lengths of `span`, where the solution stays bulk) or closed
// by a wall at `wall` cm that nothing crosses. Implicit steps, each result the Richardson
// extrapolation of runs in steps of dt and dt/2 and of grids of dx and dx/2.
struct PlanarCell {
    double D = 1e-5, Co = 1e-6, Cr = 0;  // cm2/s; mol/cm3
    double ks = 1e4, alpha = 0.5, E0 = 0.1, f = 0;
    double wall = 0;  // cm; 0: semi-infinite
    double span = 0;  // s: the longest time the solution runs from the bulk (semi-infinite only)
    double dx = 0;    // cm
};
// A potential programme: segments of `duration` s, each from Estart to Eend linearly (equal for a
// held potential), taken in `steps` implicit steps; the current density over nF (mol/cm2/s) at the
// end of every step is recorded when `record` is set, else only at the segment's end.
struct Segment {
    double duration, Estart, Eend;
    int steps;
    bool record = false;
};
// The currents at the end of each segment, and of each step of the recorded ones, in order.
std::vector<double> SolvePlanarCell(const PlanarCell& cell, const std::vector<Segment>& programme);

}  // namespace talvex::testing
