#include "simulation/kernels.h"

#include <cmath>

#include "core/checked_math.h"

namespace talvex {

double ErfcScaled(double x) {
    const double x2 = x * x;
    if (std::fabs(x) >= 1.5) {
        // Continued fraction; for negative x use erfc(-x) = 2 - erfc(x).
        double s = 0;
        if (x <= 0) {
            x = -x;
            s = 2 * Exp(x2);
        }
        const int N = static_cast<int>(std::floor(32 / x)) + 2;
        double c = 1 / (1.4142136 * x);
        for (int m = N; m >= 1; --m) c = 1 / (1.4142136 * x + m * c);
        c = 1.4142136 * c / 1.7724539;
        if (s != 0) c = -c;
        return s + c;
    }
    // Alternating series of the error function, summed from the tail.
    const int N = static_cast<int>(std::floor(9 * std::fabs(x))) + 2;
    double c = N / (x2 + N);
    for (int m = N; m >= 1; --m) c = 1 + x2 * (0.5 - m) * c / (m * (m + 0.5));
    const double erfx = 2 * c * x / 1.7724539;
    return std::exp(x2) * (1 - erfx);
}

namespace {

// The quantities every kernel starts from: the reduction and oxidation rate constants at E and
// the kinetic current J = n (kfe Co - kbe Cr).
struct Kinetics {
    double kfe;
    double kbe;
    double J;
};

Kinetics RateConstants(double FoverRT, const KernelArgs& a) {
    const double nf = FoverRT * a.n;
    const double eta = nf * (a.E - a.E0);
    Kinetics k{};
    k.kfe = a.ks * Exp(-a.alpha * eta);
    k.kbe = a.ks * Exp((1 - a.alpha) * eta);
    k.J = Checked(a.n * (k.kfe * a.Co - k.kbe * a.Cr));
    return k;
}

template <typename Base>
double SquareWave(Base base, const KernelEnv& env, KernelArgs a) {
    const double I1 = base(env, a);
    a.E += a.dE;
    const double I2 = base(env, a);
    return Checked(I2 - I1);
}

template <typename Base>
double DiffPulse(Base base, const KernelEnv& env, KernelArgs a) {
    const double E = a.E;
    const double pulseTime = a.t1;
    const double dropTime = a.t2;
    const double I1 = base(env, a);
    a.E = E + a.dE;
    const double I2 = base(env, a);
    a.E = E;
    a.t1 = dropTime;
    const double I3 = base(env, a);
    a.t1 = dropTime - pulseTime;  // the moment the pulse begins
    const double I4 = base(env, a);
    return Checked((I2 - I1) + I3 - I4);
}

double SphericalBase(const KernelEnv& env, const KernelArgs& a) {
    return SphericalStepCurrent(env, a);
}
double PlanarBase(const KernelEnv& env, const KernelArgs& a) {
    return StepCurrent(env.FoverRT, a);
}

}  // namespace

double StepCurrent(double FoverRT, const KernelArgs& a) {
    const Kinetics k = RateConstants(FoverRT, a);
    const double H = Div(k.kfe, a.Do) + Div(k.kbe, a.Dr);
    const double lambda = H * Sqrt(a.t1);
    return Checked(k.J * ErfcScaled(lambda));
}

namespace {

// J, the steady-state share q = g/H and the transient's ErfcScaled(H sqrt(t1)) of a step at a
// sphere: the current is J (q + (1 - q) ErfcScaled).
struct SphereTerms {
    double J;
    double q;
    double decay;
};

SphereTerms Sphere(const KernelEnv& env, const KernelArgs& a) {
    const Kinetics k = RateConstants(env.FoverRT, a);
    const double g = Div(a.Do, env.Radius);
    const double H = Checked(Div(k.kfe, a.Do) + Div(k.kbe, a.Dr) + g);
    const double q = Div(g, H);
    const double lambda = H * Sqrt(a.t1);
    return {k.J, q, ErfcScaled(lambda)};
}

}  // namespace

SphericalStep SphericalStepParts(const KernelEnv& env, const KernelArgs& a) {
    const SphereTerms s = Sphere(env, a);
    return {Checked(s.J * s.q), Checked(s.J * ((1 - s.q) * s.decay))};
}

double SphericalStepCurrent(const KernelEnv& env, const KernelArgs& a) {
    const SphereTerms s = Sphere(env, a);
    return Checked(s.J * (s.q + (1 - s.q) * s.decay));
}

double RotatingDiskCurrent(const KernelEnv& env, const KernelArgs& a) {
    const Kinetics k = RateConstants(env.FoverRT, a);
    const double M = 0.62 * Pow(env.Viscosity, -1.0 / 6.0) * Sqrt(env.Omega);
    const double K = Checked(k.kfe * Pow(a.Do, -2.0 / 3.0) + k.kbe * Pow(a.Dr, -2.0 / 3.0));
    return Div(k.J, 1 + Div(K, M));
}

double SquareWaveCurrentDisk(const KernelEnv& env, const KernelArgs& a) {
    return SquareWave(RotatingDiskCurrent, env, a);
}

double DiffPulseCurrent(const KernelEnv& env, const KernelArgs& a) {
    return DiffPulse(PlanarBase, env, a);
}
double DiffPulseCurrentSph(const KernelEnv& env, const KernelArgs& a) {
    return DiffPulse(SphericalBase, env, a);
}
double DiffPulseCurrentDisk(const KernelEnv& env, const KernelArgs& a) {
    // Steady state: the base-potential currents at the drop time and at the pulse start are equal.
    return SquareWave(RotatingDiskCurrent, env, a);
}

}  // namespace talvex
