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
    double t1;     // step or pulse time (s)
    double t2;     // drop time (s), differential pulse only
    double Cr;     // bulk concentration of the reduced partner (M)
    double Dr;
    double dE;     // pulse increment (V), differential pulse and square wave only
};

// exp(x^2) * erfc(x); x is taken by value (the caller's value is never changed).
double ErfcScaled(double x);

// Potential step to E at a planar electrode, current after time t1 (quasi-reversible couple).
double StepCurrent(double FoverRT, const KernelArgs& a);

}  // namespace talvex
