#include "analysis/theoretical_peak.h"

#include <cmath>
#include <vector>

#include "core/checked_math.h"
#include "core/constants.h"
#include "core/text_number.h"
#include "simulation/diffusion_field.h"

namespace talvex {
namespace {

// Diffusion-limited current of a potential step after time t at electrodes 2 to 7: a sphere's
// exactly; a disc's own transient (Mahon and Oldham), from 4 nFDCr, the steady state of a disc
// of radius r = Radius; a band's, whose Radius holds a quarter of its width w (nFDCl 1/sqrt(pi
// D t/w^2) + 1 at short times, the hemicylinder of radius w/4 at long ones); a cylinder's from its
// Laplace transform (the interpolation of Szabo et al. 1987 is up to 7 % high at tau 500).
double StepLimit(const Model& m, double B, double D, double t) {
    const int electrode = m.Electrode;
    const double R = m.Radius;
    if (electrode == 4) return Div(4 * B * D * R, m.Area) * DiscStepCurrent(Div(4 * D * t, R * R));
    if (electrode == 7) return Div(B * D, 4 * R) * BandStepCurrent(Div(D * t, 16 * R * R));
    if (electrode >= 5 && electrode <= 6) return Div(B * D, R) * CylinderStepCurrent(Div(D * t, R * R));
    return B * D * (Div(1.0, Sqrt(kPi * D * t)) + Div(1.0, R));
}

// The factor (1 - s)/(1 + s), s = exp(nf dE/2): the peak of the difference of two reversible
// step currents dE apart, relative to their limiting current (Parry and Osteryoung).
double PulseFactor(double nf, double dE) {
    const double s = Exp(nf * dE / 2);
    return (1 - s) / (1 + s);
}

// |Ep - Ep/2| of that difference: the half-height points lie at x and 1/x in exp(nf(E - Ep)),
// where x is the larger root of x^2 - (s + 1/s + 4) x + 1 = 0; 1.76/nf when dE is small.
double PulseHalfWidth(double nf, double dE) {
    const double s = Exp(nf * dE / 2);
    const double c = s + Div(1.0, s) + 4;
    return Div(Log((c + Sqrt(c * c - 4)) / 2), nf);
}

// Net peak current of reversible square-wave voltammetry at a plane, in units of
// nFAC sqrt(D/(pi tp)) (Osteryoung): a staircase of steps `step` = nf dEs, each a forward
// half-period at the stair - `amplitude` (= nf Esw) and a reverse one at the stair + `amplitude`,
// every half-period tp long, the current sampled at its end and built by superposing the steps
// of surface concentration. Osteryoung's waveform starts each stair with the forward half; the
// technique here starts with E - Epulse/2, which is the reverse half when the pulse points the way
// of the sweep (`reverseFirst`), and the peak then differs. The stairs run from well before the
// wave to past the peak; at most kMaxStairs of them, which only coarsens steps far below a
// millivolt.
double SquareWaveNetPeak(double amplitude, double step, bool reverseFirst) {
    constexpr int kMaxStairs = 4000;
    const double last = -(5 + amplitude);
    step = std::fmax(step, (15 + 2 * amplitude) / kMaxStairs);
    // One stair falls on E1/2, as in the tabulated peaks.
    const double first = step * std::ceil((10 + amplitude) / step);
    const int stairs = static_cast<int>(Floor((first - last) / step)) + 1;
    const int halves = 2 * stairs;
    std::vector<double> dQ(static_cast<std::size_t>(halves) + 1);
    std::vector<double> weight(static_cast<std::size_t>(halves) + 1);
    double previous = 0;
    for (int i = 1; i <= halves; ++i) {
        const double stair = first - step * ((i - 1) / 2);
        const bool forward = (i % 2 == 1) != reverseFirst;
        const double xi = forward ? stair - amplitude : stair + amplitude;
        const double Q = 1 / (1 + std::exp(xi));  // depletion of the oxidant at the surface
        dQ[static_cast<std::size_t>(i)] = Q - previous;
        previous = Q;
        weight[static_cast<std::size_t>(i)] = 1 / std::sqrt(static_cast<double>(i));
    }
    auto psi = [&](int mm) {
        double s = 0;
        for (int i = 1; i <= mm; ++i)
            s += dQ[static_cast<std::size_t>(i)] * weight[static_cast<std::size_t>(mm - i + 1)];
        return s;
    };
    double peak = 0;
    for (int k = 1; k <= stairs; ++k)
        peak = std::fmax(peak, reverseFirst ? psi(2 * k) - psi(2 * k - 1) : psi(2 * k - 1) - psi(2 * k));
    return peak;
}

// Mechanisms 1 to 4: electron transfers without chemical steps.
void ChargeTransferOnly(const Model& m, int r, TheoryValues& v) {
    const int s1 = m.ChargeSpecies(r, 1);
    const double nr = m.n(r), nf = nr * m.FoverRT;
    const double D = m.D(s1), a = m.Alpha(r), ks = m.ks(r), rate = m.ScanRate;
    const double B = v.B, Ehalf = v.Ehalf, E0 = m.E0(r);
    const int electrode = m.Electrode;
    switch (static_cast<int>(m.Technique)) {
        case 1:
            switch (electrode) {
                case 1: {
                    v.Irev = 0.4463 * B * Sqrt(nf * rate * D);
                    v.Erev = Ehalf - Div(1.109, nf);
                    v.Wrev = Div(2.2, nf);
                    // An irreversible wave does not see the product's diffusion: E0, not E1/2.
                    const double root = Sqrt(a * nf * rate * D);
                    v.Iirr = 0.4958 * B * root;
                    v.Eirr = E0 - Div(0.78 + Log(Div(root, ks)), a * nf);
                    v.Wirr = Div(1.857, a * nf);
                    break;
                }
                case 2:
                case 3:
                    v.Irev = Div(B * D, m.Radius);
                    break;
                case 4:
                    v.Irev = Div(4 * B * D * m.Radius, m.Area);
                    break;
                case 5:
                case 6:
                case 7:
                    v.Irev = StepLimit(m, B, D, m.tdrop);
                    break;
                case 8:  // the Levich plateau of a slow sweep
                    v.Irev = 0.62 * B * Pow(D, 2.0 / 3.0) * Sqrt(m.Omega) * Pow(m.Viscosity, -1.0 / 6.0);
                    break;
                case 9: {
                    // A thin layer in equilibrium with the electrode: the peak at E0, whatever the
                    // diffusion coefficients, on both sweeps.
                    const double L = m.ElectrodeLength;
                    v.Irev = B * nf * L * rate / 4;
                    v.Erev = E0;
                    break;
                }
                default:
                    break;
            }
            break;
        case 2:
        case 3: {
            const bool dc = m.Technique == 2;
            const double t = dc ? m.tdrop : m.tpulse;
            // Normal pulse is plotted against the base potential, Epulse before the pulse.
            const double shift = dc ? 0.0 : m.Epulse.value();
            v.Erev = Ehalf - shift;
            switch (electrode) {
                case 1:
                    v.Irev = B * Sqrt(Div(D, kPi * t));
                    v.Iirr = v.Irev;
                    // Sampled current at a stationary plane: half height where
                    // sqrt(pi) L exp(L^2) erfc(L) = 1/2, L = kf sqrt(t/D) = 1/2.31.
                    if (ks < 0.01) v.Eirr = E0 - shift + Div(Log(2.31 * ks * Sqrt(Div(t, D))), a * nf);
                    break;
                case 2:
                case 3:
                case 4:
                case 5:
                case 6:
                case 7:
                    v.Irev = StepLimit(m, B, D, t);
                    break;
                case 8:
                    v.Irev = 0.62 * B * Pow(D, 2.0 / 3.0) * Sqrt(m.Omega) * Pow(m.Viscosity, -1.0 / 6.0);
                    break;
                default:
                    break;
            }
            break;
        }
        case 4: {
            const double tp = m.tpulse;
            v.Erev = Ehalf - m.Epulse / 2;
            v.Wrev = PulseHalfWidth(nf, m.Epulse);
            // The pulse difference of a reversible couple scales with the step current at tp.
            if (electrode == 1)
                v.Irev = B * Sqrt(Div(D, kPi * tp)) * PulseFactor(nf, m.Epulse);
            else if (electrode >= 2 && electrode <= 7)
                v.Irev = StepLimit(m, B, D, tp) * PulseFactor(nf, m.Epulse);
            break;
        }
        case 5: {
            const double tp = m.tpulse;
            const double factor = PulseFactor(nf, m.Epulse);
            const double scanDir = m.Eend > m.Estart ? 1 : -1;
            const bool reverseFirst = m.Epulse * scanDir > 0;
            const double net = std::copysign(
                SquareWaveNetPeak(nf * std::fabs(m.Epulse) / 2, nf * std::fabs(m.Estep), reverseFirst), factor);
            v.Erev = Ehalf;
            v.Irev = B * Sqrt(Div(D, kPi * tp)) * net;
            // At a sphere the steady-state flux follows the surface concentration at once.
            if (electrode >= 2 && electrode <= 4)
                v.Irev += (StepLimit(m, B, D, tp) - B * Sqrt(Div(D, kPi * tp))) * factor;
            v.Wrev = PulseHalfWidth(nf, m.Epulse);
            break;
        }
        default:
            break;
    }
}

}  // namespace

TheoryValues TheoryFor(const Model& m, int r) {
    TheoryValues v;
    const int s1 = m.ChargeSpecies(r, 1), s2 = m.ChargeSpecies(r, 2);
    const double nr = m.n(r), f = m.FoverRT;
    const int mechanism = m.Mechanism;
    v.Ehalf = m.E0(r) + Div(Log(Div(m.D(s2), m.D(s1))), 2 * nr * f);
    // In the chains A -> B -> C (-> D) every step also reduces what the steps before it deliver.
    double oxidant = m.C(s1);
    if (mechanism == 2 || mechanism == 3) {
        oxidant = 0;
        for (int k = 1; k <= r; ++k) oxidant += m.C(m.ChargeSpecies(k, 1));
    }
    v.B = nr * kFaraday * m.Area * 0.001 * (oxidant + m.C(s2));
    if (mechanism >= 1 && mechanism <= 4) {
        ChargeTransferOnly(m, r, v);
    } else if (mechanism == 7 && m.Technique >= 1 && m.Technique <= 3) {
        const double k = m.kf(r) + m.kb(r), D = m.D(s1);
        v.Erev = m.Technique == 3 ? v.Ehalf - m.Epulse : v.Ehalf;
        if (m.Technique == 1) {
            v.Irev = v.B * Sqrt(D * k);
        } else {
            // Catalytic step current after time t: Cottrell at short times, nFAC sqrt(Dk) once
            // kt is large.
            const double t = m.Technique == 2 ? m.tdrop : m.tpulse;
            v.Irev = v.B * Sqrt(D) * (Div(Exp(-k * t), Sqrt(kPi * t)) + Sqrt(k) * std::erf(Sqrt(k * t)));
        }
    }
    return v;
}

void TheoreticalPeaks(const Model& m, ResultWindow& out) {
    out.Print().Text("Theoretical limiting current of mechanism ").Num(m.Mechanism).Text(":").End();
    const int technique = m.Technique;
    const bool sigmoidal = technique == 2 || technique == 3;
    auto potential = [](double x) { return FormatNumber(x, "0.####"); };
    auto current = [](double x) { return FormatNumber(x, "0.####E-0"); };
    for (int r = 1; r <= m.NCharge; ++r) {
        const TheoryValues v = TheoryFor(m, r);
        const double nf = m.n(r) * m.FoverRT;
        auto rev = out.Print();
        rev.Text("Reversible Peak ").Num(r).Text(":   ");
        rev.Text(sigmoidal ? "E1/2= " : "Ep= ").Text(potential(v.Erev)).Text("V").Zone();
        rev.Text(sigmoidal ? "Id = " : "Ip= ").Text(current(v.Irev)).Text("A").Zone();
        rev.Text(sigmoidal ? "" : "|Ep - Ep/2| = ").Text(potential(v.Wrev)).Text("V").Zone();
        // A thin layer's two peaks coincide.
        if (m.ScanCycles == 1 && technique == 1)
            rev.Text("|Epc-Epa|=").Text(potential(m.Electrode == 9 ? 0.0 : Div(2.3, nf)));
        rev.End();
        auto irr = out.Print();
        irr.Text("Irreverisble Peak ").Num(r).Text(":  ");
        irr.Text(sigmoidal ? "E1/2= " : "Ep= ").Text(potential(v.Eirr)).Text("V").Zone();
        irr.Text(sigmoidal ? "Id = " : "Ip= ").Text(current(v.Iirr)).Text("A").Zone();
        irr.Text(sigmoidal ? "" : "|Ep - Ep/2| = ").Text(potential(v.Wirr)).Text("V");
        irr.End();
    }
}

}  // namespace talvex
