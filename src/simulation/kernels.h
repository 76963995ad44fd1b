#pragma once

// Closed-form current kernels. Every kernel takes the same argument list (the driver passes one
// list to whichever kernel the technique and electrode select) and returns the current per unit
// of Scale = 0.001 * F * Area. Do and Dr are the square roots of the diffusion coefficients,
// except for the rotating disk, which takes the coefficients themselves.
namespace talvex {

struct KernelArgs {
    double E;      // electrode potential, ohmic drop included (V)
    double ks;     // standard heterogeneous rate constant (cm/s)
    double alpha;  // transfer coefficient
    double n;      // electron number
    double E0;     // formal potential argument, already shifted where the dispatch says so (V)
    double Co;     // bulk concentration of the oxidised partner (M)
    double Do;
    double t1;  // step or pulse time (s)
    double t2;  // drop time (s), differential pulse only
    double Cr;  // bulk concentration of the reduced partner (M)
    double Dr;
    double dE;  // pulse increment (V), differential pulse and square wave only
};

// The model values the kernels read besides their arguments.
struct KernelEnv {
    double FoverRT;
    double Radius;     // cm; the radius of the sphere (or hemisphere) the spherical kernels serve
    double Omega;      // rotation rate (rad/s)
    double Viscosity;  // kinematic viscosity (cm2/s)
};

// exp(x^2) * erfc(x); x is taken by value (the caller's value is never changed).
double ErfcScaled(double x);

// Potential step to E at a planar electrode, current after time t1 (quasi-reversible couple).
double StepCurrent(double FoverRT, const KernelArgs& a);
inline double StepCurrent(const KernelEnv& env, const KernelArgs& a) {
    return StepCurrent(env.FoverRT, a);
}

// Potential step at a sphere of radius env.Radius, split into the steady-state current J g/H that
// the sphere reaches at long times and the transient that decays towards it; the transient is the
// planar step current in the limit of a large radius.
struct SphericalStep {
    double steady;
    double transient;
};
SphericalStep SphericalStepParts(const KernelEnv& env, const KernelArgs& a);
double SphericalStepCurrent(const KernelEnv& env, const KernelArgs& a);

// Steady state at the rotating disk (Levich convection with kinetic control); Do and Dr are the
// diffusion coefficients themselves. t1, t2 and dE are not used.
double RotatingDiskCurrent(const KernelEnv& env, const KernelArgs& a);

// Square wave at the rotating disk: B(E + dE) - B(E). (At the other electrodes every half-period
// carries the layer of the ones before, which the step sequence's integral equation follows.)
double SquareWaveCurrentDisk(const KernelEnv& env, const KernelArgs& a);

// Differential pulse: (B(E + dE, t1) - B(E, t1)) + B(E, t2) - B(E, t2 - t1). At the rotating disk
// the two base-potential terms cancel (the current does not depend on time).
double DiffPulseCurrent(const KernelEnv& env, const KernelArgs& a);
double DiffPulseCurrentSph(const KernelEnv& env, const KernelArgs& a);
double DiffPulseCurrentDisk(const KernelEnv& env, const KernelArgs& a);

}  // namespace talvex
