#include "digital/initial_concentrations.h"

#include <algorithm>
#include <cmath>

#include "core/checked_math.h"
#include "core/constants.h"
#include "core/run_error.h"
#include "core/text_number.h"

namespace talvex {
namespace {

bool IsSpecies(int s) {
    return s >= 1 && s <= kMaxSpecies;
}

// One equilibrium step: a failure leaves what it would have written as it was.
template <typename F>
void Step(F&& step) {
    try {
        step();
    } catch (const RunError&) {
    }
}

}  // namespace

std::optional<double> SecondOrderEquilibrium(Chem2Form form, double K, double a, double b, double c, double d) {
    double p = 1, q = 0, s = 0;
    switch (form) {
        case Chem2Form::OneProduct:
            q = -(a + b + 1 / K);
            s = a * b - c / K;
            break;
        case Chem2Form::OneReactant:
            q = c + d + K;
            s = c * d - K * a;
            break;
        case Chem2Form::Full:
            p = 1 - K;
            q = c + d + K * (a + b);
            s = c * d - K * a * b;
            break;
    }
    const double disc = q * q - 4 * p * s;
    if (!std::isfinite(disc) || disc < 0) return std::nullopt;
    // x1 = (-q - sqrt)/(2p), x2 = (-q + sqrt)/(2p), computed without cancellation: one of them is
    // t/p, the other s/t. With p = 0 (the full form at K = 1) the t/p root is at infinity and s/t
    // is the root of the remaining linear equation.
    const double t = -(q + std::copysign(std::sqrt(disc), q)) / 2;
    std::optional<double> big, small;
    if (p != 0) big = t / p;
    if (t != 0)
        small = s / t;
    else
        small = big;  // q = 0 and a double root
    const std::optional<double> x1 = q >= 0 ? big : small;
    const std::optional<double> x2 = q >= 0 ? small : big;
    const auto passes = [&](const std::optional<double>& x) {
        if (!x || !std::isfinite(*x)) return false;
        switch (form) {
            case Chem2Form::OneProduct:
                return a - *x > 0 && b - *x > 0 && c + *x > 0;
            case Chem2Form::OneReactant:
                return a - *x > 0 && c + *x > 0 && d + *x > 0;
            case Chem2Form::Full:
                return a - *x > 0 && b - *x > 0 && c + *x > 0 && d + *x > 0;
        }
        return false;
    };
    if (passes(x1)) return x1;
    if (passes(x2)) return x2;
    return std::nullopt;
}

double AsShownConcentration(double c) {
    return StrictNumber(FormatNumber(Checked(c), "0.###e-#"));
}

double AsShownEquilibriumConstant(double K) {
    return StrictNumber(FormatNumber(Checked(K), "#.###e-#"));
}

void Equilibrate(const EquilibriumInputs& in, std::array<double, kMaxSpecies + 1>& c, bool asShown) {
    auto shown = [asShown](double x) { return asShown ? AsShownConcentration(x) : Checked(x); };

    // Nernst equilibrium of ox + ne = red at the start potential.
    for (int r = 1; r <= std::min(in.nCharge, kMaxCharge); ++r) {
        Step([&] {
            const EquilibriumInputs::Couple& k = in.couple[r];
            if (!in.Estart || !k.n || !k.E0 || !IsSpecies(k.ox) || !IsSpecies(k.red)) return;
            const double cOx = c[k.ox], cRed = c[k.red];
            const double theta = Exp(Checked(*k.n * in.FoverRT * (*k.E0 - *in.Estart)));
            const double delta = Div(Checked(theta * cOx - cRed), Checked(1 + theta));
            const double newOx = shown(cOx - delta), newRed = shown(cRed + delta);
            c[k.ox] = newOx;
            c[k.red] = newRed;
        });
    }

    // X = Y with K = [Y]/[X].
    const int nChem = std::clamp(in.nChem, 0, kMaxChem);
    for (int j = 1; j <= nChem; ++j) {
        Step([&] {
            const int X = in.chem[j][1], Y = in.chem[j][2];
            if (!in.K[j] || *in.K[j] == 0 || !IsSpecies(X) || !IsSpecies(Y)) return;
            const double K = *in.K[j], cX = c[X], cY = c[Y];
            const double delta = Div(Checked(K * cX - cY), 1 + K);
            const double newX = shown(std::max(cX - delta, 0.0)), newY = shown(cY + delta);
            c[X] = newX;
            c[Y] = newY;
        });
    }

    // A + B = C + D, or one of its shorter forms. A place that is not filled takes no part: it
    // holds no concentration and is not written. A row with fewer species than its form needs, or
    // with no root that keeps every concentration positive, is left as it is.
    for (int j = 1; j <= std::clamp(in.nChem2, 0, kMaxChem - nChem); ++j) {
        Step([&] {
            const std::optional<double>& Kj = in.K[nChem + j];
            if (!Kj || *Kj == 0) return;
            const auto& filled = in.filled[j];
            const auto& species = in.chem2[j];
            double conc[5] = {};
            for (int s = 1; s <= 4; ++s) {
                if (!filled[s]) continue;
                if (!IsSpecies(species[s])) return;
                conc[s] = c[species[s]];
            }
            const int leftCount = filled[1] + filled[2];
            const int rightCount = filled[3] + filled[4];
            Chem2Form form = Chem2Form::Full;
            double a = conc[1], b = conc[2], cc = conc[3], d = conc[4];
            if (!filled[3] || !filled[4]) {
                if (leftCount < 2 || rightCount < 1) return;
                form = Chem2Form::OneProduct;
                cc = conc[3] + conc[4];  // the one product, in whichever place it was typed
                d = 0;
            } else if (!filled[1] || !filled[2]) {
                if (leftCount < 1) return;
                form = Chem2Form::OneReactant;
                a = conc[1] + conc[2];
                b = 0;
            }
            const std::optional<double> x = SecondOrderEquilibrium(form, *Kj, a, b, cc, d);
            if (!x) return;
            double next[5] = {};
            for (int s = 1; s <= 4; ++s)
                if (filled[s]) next[s] = shown(s <= 2 ? std::max(conc[s] - *x, 0.0) : conc[s] + *x);
            for (int s = 1; s <= 4; ++s)
                if (filled[s]) c[species[s]] = next[s];
        });
    }
}

double PreconcentrationFactor(const Model& m) {
    const double theta = Exp(Div(m.n(1) * kFaraday * (m.EPre - m.E0(1)), kGasConstant * m.TempK));
    const double omega = 2 * kPi * m.RStir / 60;
    // Levich-type mass-transfer coefficient (cm/s).
    const double k = Checked(m.PConst * Pow(m.D(1), 2.0 / 3.0) * Pow(m.Viscosity, -1.0 / 6.0) * Sqrt(omega));
    return Div(Checked(m.TPre * k * m.Area), Checked(m.Volume * (1 + theta)));
}

void UpdateEquilibriumConstants(Model& m) {
    for (int j = 1; j <= std::clamp(m.NChem + m.NChem2, 0, kMaxChem); ++j)
        if (m.kb(j) > 0) Step([&] { m.Keq(j) = AsShownEquilibriumConstant(Div(m.kf(j), m.kb(j))); });
}

void RecomputeInitialConcentrations(Model& m) {
    std::array<double, kMaxSpecies + 1> c{};
    for (int i = 1; i <= kMaxSpecies; ++i) {
        c[i] = m.C(i);
        Step([&] { c[i] = AsShownConcentration(m.CAnalytical(i)); });
    }
    if (m.PreEquilibration) {
        EquilibriumInputs in;
        Step([&] { in.FoverRT = Div(kFaraday, Checked(m.TempK * kGasConstant)); });
        in.Estart = m.Estart.value();
        in.nCharge = m.NCharge;
        for (int r = 1; r <= kMaxCharge; ++r)
            in.couple[r] = {m.n(r).value(), m.E0(r).value(), m.ChargeSpecies(r, 1), m.ChargeSpecies(r, 2)};
        in.nChem = m.NChem;
        in.nChem2 = m.NChem2;
        for (int j = 1; j <= kMaxChem; ++j) {
            in.K[j] = m.Keq(j).value();
            in.chem[j] = {0, m.ChemSpecies(j, 1), m.ChemSpecies(j, 2)};
        }
        for (int j = 1; j <= kMaxChem; ++j) {
            for (int s = 1; s <= 4; ++s) {
                in.chem2[j][s] = m.Chem2Species(j, s);
                in.filled[j][s] = m.Chem2Species(j, s) != 0;
            }
        }
        Equilibrate(in, c, true);
    }
    if (m.Preconcentration) Step([&] { c[2] = AsShownConcentration(m.CAnalytical(1) * PreconcentrationFactor(m)); });
    for (int i = 1; i <= kMaxSpecies; ++i) m.C(i) = c[i];
}

}  // namespace talvex
