#include "digital/mechanism_setup.h"

#include <cstdint>
#include <string>

#include "core/codes.h"
#include "core/constants.h"

namespace talvex {
namespace {

// Species A = 1, B = 2, C = 3, D = 4; a zero pair is no reaction.
struct AnalyticalMechanism {
    std::int16_t nSpecies, nCharge, nChem;
    std::int16_t charge[kMaxCharge][2];
    std::int16_t chem[2];
};

constexpr AnalyticalMechanism kAnalytical[] = {
    {2, 1, 0, {{1, 2}, {0, 0}, {0, 0}}, {0, 0}},  // 1 A + ne = B
    {3, 2, 0, {{1, 2}, {2, 3}, {0, 0}}, {0, 0}},  // 2 A + ne = B, B + ne = C
    {4, 3, 0, {{1, 2}, {2, 3}, {3, 4}}, {0, 0}},  // 3 ... C + ne = D
    {4, 2, 0, {{1, 2}, {3, 4}, {0, 0}}, {0, 0}},  // 4 A + ne = B, C + ne = D
    {3, 1, 1, {{1, 2}, {0, 0}, {0, 0}}, {3, 1}},  // 5 C = A, A + ne = B
    {3, 1, 1, {{1, 2}, {0, 0}, {0, 0}}, {2, 3}},  // 6 A + ne = B, B = C
    {2, 1, 1, {{1, 2}, {0, 0}, {0, 0}}, {2, 1}},  // 7 A + ne = B, B = A
    // 8 C = A + pD, A + ne = B: D is a product only, known to the kernels, in no table.
    {4, 1, 1, {{1, 2}, {0, 0}, {0, 0}}, {3, 1}},
};

void ApplyAnalytical(Model& m) {
    if (m.Mechanism < 1 || m.Mechanism > mechanism::kCount) return;
    const AnalyticalMechanism& a = kAnalytical[m.Mechanism - 1];
    m.NSpecies = a.nSpecies;
    m.NCharge = a.nCharge;
    m.NChem = a.nChem;
    for (int r = 1; r <= kMaxCharge; ++r)
        for (int s = 1; s <= 2; ++s) m.ChargeSpecies(r, s) = a.charge[r - 1][s - 1];
    for (int s = 1; s <= 2; ++s) m.ChemSpecies(1, s) = a.chem[s - 1];
}

// The first species with exactly this name, 0 when there is none.
std::int16_t Lookup(const Model& m, const std::string& name) {
    for (std::int16_t s = 1; s <= m.NSpecies; ++s)
        if (m.SpeciesName(s) == name) return s;
    return 0;
}

void BuildFromEditor(Model& m, Reporter& reporter, const MechanismChoice& f) {
    m.NSpecies = 1;
    m.NCharge = 0;
    m.SpeciesName(1) = f.charge(1);

    // A row counts by its first field; reaction r is always row r.
    for (int r = 1; r <= 3; ++r) {
        if (!f.charge(2 * r - 1).empty()) m.NCharge += 1;
        if (!f.chem2(4 * r - 3).empty()) m.NChem2 += 1;
    }
    for (int r = 1; r <= 4; ++r)
        if (!f.chem(2 * r - 1).empty()) m.NChem += 1;

    // Species numbers in order of first appearance, charge-transfer rows first.
    bool tooManySpecies = false;
    auto registerName = [&](const std::string& name) {
        if (name.empty() || Lookup(m, name) != 0) return;
        if (m.NSpecies >= kMaxSpecies) {
            if (!tooManySpecies) reporter.Message("Error: Species number cannot > 6.");
            tooManySpecies = true;
            return;
        }
        m.NSpecies += 1;
        m.SpeciesName(m.NSpecies) = name;
    };
    for (int i = 2; i <= 6; ++i) registerName(f.charge(i));
    for (int i = 1; i <= 8; ++i) registerName(f.chem(i));
    for (int i = 1; i <= 12; ++i) registerName(f.chem2(i));

    // Second-order reactions follow the first-order ones, so the surplus is at their end.
    int chem2Rows = 3;
    if (m.NChem + m.NChem2 > kMaxChem) {
        reporter.Message("Error: chemical reaction number cannot > 4.");
        m.NChem2 = static_cast<std::int16_t>(kMaxChem - m.NChem);
        chem2Rows = m.NChem2;
    }

    // Every row is looked up, counted or not.
    for (int r = 1; r <= 3; ++r)
        for (int s = 1; s <= 2; ++s) m.ChargeSpecies(r, s) = Lookup(m, f.charge(2 * (r - 1) + s));
    for (int r = 1; r <= 4; ++r)
        for (int s = 1; s <= 2; ++s) m.ChemSpecies(r, s) = Lookup(m, f.chem(2 * (r - 1) + s));
    for (int r = 1; r <= chem2Rows; ++r)
        for (int s = 1; s <= 4; ++s) m.Chem2Species(r, s) = Lookup(m, f.chem2(4 * (r - 1) + s));

    for (int r = 1; r <= m.NCharge; ++r)
        m.ChargeLabel(r) = f.charge(2 * r - 1) + " +" + f.nel(r) + "e=" + f.charge(2 * r);
    for (int r = 1; r <= m.NChem; ++r) m.ChemLabel(r) = f.chem(2 * r - 1) + "=" + f.chem(2 * r);
    for (int r = 1; r <= m.NChem2; ++r)
        m.ChemLabel(m.NChem + r) =
            f.chem2(4 * r - 3) + " +" + f.chem2(4 * r - 2) + "=" + f.chem2(4 * r - 1) + " +" + f.chem2(4 * r);
}

}  // namespace

void SetupMechanism(Model& m, Reporter& reporter, const MechanismChoice& choice) {
    m.ChargeSpecies.Fill(0);
    m.ChemSpecies.Fill(0);
    m.Chem2Species.Fill(0);
    m.NChem = 0;
    m.NChem2 = 0;

    if (choice.mechanism != 0) m.Mechanism = choice.mechanism;

    if (!choice.digital) {
        ApplyAnalytical(m);
        return;
    }
    BuildFromEditor(m, reporter, choice);
}

}  // namespace talvex
