#include "api/model_bridge.h"

#include <algorithm>
#include <cmath>

#include "core/checked_math.h"
#include "core/codes.h"
#include "core/constants.h"
#include "core/text_number.h"
#include "digital/initial_concentrations.h"

namespace talvex::api {
namespace {

template <typename T>
const T* Row(const std::vector<T>& rows, int k) {  // k from 1
    return k >= 1 && k <= static_cast<int>(rows.size()) ? &rows[static_cast<std::size_t>(k - 1)] : nullptr;
}

// The typed species for model species i: the one of that name where the reactions name it, else the
// i-th.
const Species* SpeciesFor(const ChemicalSystem& c, const Model& m, int i) {
    if (i <= m.NSpecies && !m.SpeciesName(i).empty())
        for (const Species& s : c.species)
            if (s.name == m.SpeciesName(i)) return &s;
    return Row(c.species, i);
}

}  // namespace

ChemicalSystem ChemicalSystem::Default() {
    ChemicalSystem c;
    c.mechanism = 1;
    c.species = {{"Fe3+", 1e-5, 1e-3, 0}, {"Fe2+", 1e-5, 0, 0}, {"", 1e-5, 0, 0},
                 {"", 1e-5, 0, 0},        {"", 1e-5, 0, 0},     {"", 1e-5, 0, 0}};
    c.chargeTransfers = {{"Fe3+", "Fe2+", 1, 0.1, 0.5, 1e4}, {"", "", 1, -0.1, 0.5, 1e4}, {"", "", 1, -0.2, 0.5, 1e4}};
    c.firstOrder.assign(kMaxChem, ChemicalReaction{});
    c.secondOrder.assign(3, ChemicalReaction{});
    return c;
}

MechanismChoice EditorChoice(const ChemicalSystem& c, bool digital) {
    MechanismChoice choice;
    choice.mechanism = c.mechanism;
    choice.digital = digital;
    for (int r = 1; r <= 3; ++r) {
        const ChargeTransfer* t = Row(c.chargeTransfers, r);
        choice.nel(r) = t ? GeneralFormat(t->electrons) : "1";
        if (!t) continue;
        choice.charge(2 * r - 1) = t->oxidised;
        choice.charge(2 * r) = t->reduced;
    }
    for (int j = 1; j <= 4; ++j) {
        if (const ChemicalReaction* x = Row(c.firstOrder, j)) {
            choice.chem(2 * j - 1) = x->a;
            choice.chem(2 * j) = x->c;
        }
    }
    for (int j = 1; j <= 3; ++j) {
        if (const ChemicalReaction* x = Row(c.secondOrder, j)) {
            choice.chem2(4 * j - 3) = x->a;
            choice.chem2(4 * j - 2) = x->b;
            choice.chem2(4 * j - 1) = x->c;
            choice.chem2(4 * j) = x->d;
        }
    }
    return choice;
}

void ToModel(const Inputs& in, Model& m, Reporter& reporter) {
    const Experiment& e = in.experiment;
    const ChemicalSystem& c = in.chemistry;

    // The Techniques, Mechanism and Instrument dialogs' confirmation.
    m.Technique = static_cast<int>(e.technique);
    m.DigitalSim = in.options.digital;
    m.Stop = in.options.stop;
    m.Electrode = static_cast<int>(e.electrode);
    m.Estart = e.startPotential;
    m.Eend = e.endPotential;
    m.Estep = std::fabs(e.potentialStep);
    m.ScanRate = std::fabs(e.scanRate);
    m.tdrop = e.dropTime > 0 ? e.dropTime : std::fabs(Div(e.potentialStep, e.scanRate));
    m.tpulse = e.pulseTime;
    m.Epulse = e.pulsePotential;
    m.ScanCycles = e.cycles;
    m.TempK = e.temperature;
    m.Noise = e.noise;
    m.Area = e.area;
    m.Radius = e.radius;
    m.ElectrodeLength = e.length;
    m.Volume = e.volume;
    m.Omega = e.rotation;
    m.ElectrodeDistance = e.electrodeDistance;
    m.BackgroundI0 = e.baselineStart;
    m.BackgroundI1 = e.baselineEnd;
    m.Cdl = e.doubleLayerCapacitance;
    m.Ru = e.resistance;
    m.Preconcentration = e.preconcentration;
    m.EPre = e.preconcentrationPotential;
    m.TPre = e.preconcentrationTime;
    m.PConst = e.electrodeConstant;
    m.RStir = e.stirringRate;
    SetupMechanism(m, reporter, EditorChoice(c, in.options.digital));

    // The Chemicals dialog's confirmation: every row, the ones beyond the mechanism included.
    m.Viscosity = c.viscosity;
    m.ElectrolyteC = c.electrolyteConcentration;
    m.ElectrolyteCond = c.electrolyteConductivity;
    for (int r = 1; r <= kMaxCharge; ++r) {
        const ChargeTransfer* t = Row(c.chargeTransfers, r);
        m.Alpha(r) = t ? t->alpha : 0.0;
        m.E0(r) = t ? t->E0 : 0.0;
        m.ks(r) = t ? t->ks : 0.0;
        m.n(r) = t ? t->electrons : 0.0;
    }
    // The chemical rows: the first-order reactions, then the second-order ones; a row the mechanism
    // does not use keeps the first-order list's value of that row.
    const int nChem = std::clamp<int>(m.NChem, 0, kMaxChem);
    const int nChem2 = std::clamp<int>(m.NChem2, 0, kMaxChem - nChem);
    for (int j = 1; j <= kMaxChem; ++j) {
        const bool second = j > nChem && j <= nChem + nChem2;
        const ChemicalReaction* x = second ? Row(c.secondOrder, j - nChem) : Row(c.firstOrder, j);
        m.kf(j) = x ? x->kf : 0.0;
        m.kb(j) = x ? x->kb : 0.0;
        m.Keq(j) = x ? x->K : 0.0;
    }
    UpdateEquilibriumConstants(m);
    for (int i = 1; i <= kMaxSpecies; ++i) {
        const Species* s = SpeciesFor(c, m, i);
        m.D(i) = s ? s->diffusion : 0.0;
        m.CAnalytical(i) = s ? s->concentration : 0.0;
        m.Cond(i) = s ? s->conductivity : 0.0;
    }
    m.LigandOrder(1) = c.ligandOrder;
    m.PreEquilibration = c.preEquilibration;
    if (!m.DigitalSim) m.CaseCode = m.Electrode + 10 * m.Technique;
    m.FoverRT = Div(kFaraday / kGasConstant, m.TempK);
    m.RToverF = Div(1, m.FoverRT);
    if (c.initialConcentrations.empty()) {
        RecomputeInitialConcentrations(m);
    } else {
        for (int i = 1; i <= kMaxSpecies; ++i) {
            const double* ci = Row(c.initialConcentrations, i);
            m.C(i) = ci ? *ci : 0.0;
        }
    }
}

Inputs FromModel(const Model& m, const MechanismChoice& choice) {
    Inputs in;
    Experiment& e = in.experiment;
    e.technique = static_cast<Technique>(m.Technique.value());
    e.electrode = static_cast<Electrode>(m.Electrode.value());
    e.startPotential = m.Estart;
    e.endPotential = m.Eend;
    e.potentialStep = m.Estep;
    e.scanRate = m.ScanRate;
    e.dropTime = m.tdrop;
    e.pulseTime = m.tpulse;
    e.pulsePotential = m.Epulse;
    e.cycles = m.ScanCycles;
    e.temperature = m.TempK;
    e.noise = m.Noise;
    e.area = m.Area;
    e.radius = m.Radius;
    e.length = m.ElectrodeLength;
    e.volume = m.Volume;
    e.rotation = m.Omega;
    e.electrodeDistance = m.ElectrodeDistance;
    e.baselineStart = m.BackgroundI0;
    e.baselineEnd = m.BackgroundI1;
    e.doubleLayerCapacitance = m.Cdl;
    e.resistance = m.Ru;
    e.preconcentration = m.Preconcentration;
    e.preconcentrationPotential = m.EPre;
    e.preconcentrationTime = m.TPre;
    e.electrodeConstant = m.PConst;
    e.stirringRate = m.RStir;
    in.options.digital = m.DigitalSim;

    ChemicalSystem& c = in.chemistry;
    c.mechanism = m.Mechanism;
    for (int i = 1; i <= kMaxSpecies; ++i)
        c.species.push_back({i <= m.NSpecies ? m.SpeciesName(i) : std::string(), m.D(i), m.CAnalytical(i), m.Cond(i)});
    for (int r = 1; r <= kMaxCharge; ++r)
        c.chargeTransfers.push_back(
            {choice.charge(2 * r - 1), choice.charge(2 * r), m.n(r), m.E0(r), m.Alpha(r), m.ks(r)});
    const int nChem = std::clamp<int>(m.NChem, 0, kMaxChem);
    for (int j = 1; j <= kMaxChem; ++j)
        c.firstOrder.push_back({choice.chem(2 * j - 1), "", choice.chem(2 * j), "", m.kf(j), m.kb(j), m.Keq(j)});
    for (int j = 1; j <= 3; ++j) {
        const int row = nChem + j <= kMaxChem ? nChem + j : 0;
        c.secondOrder.push_back({choice.chem2(4 * j - 3), choice.chem2(4 * j - 2), choice.chem2(4 * j - 1),
                                 choice.chem2(4 * j), row ? m.kf(row).value() : 0.0, row ? m.kb(row).value() : 0.0,
                                 row ? m.Keq(row).value() : 0.0});
    }
    c.electrolyteConcentration = m.ElectrolyteC;
    c.electrolyteConductivity = m.ElectrolyteCond;
    c.viscosity = m.Viscosity;
    c.preEquilibration = m.PreEquilibration;
    c.ligandOrder = m.LigandOrder(1);
    for (int i = 1; i <= kMaxSpecies; ++i) c.initialConcentrations.push_back(m.C(i));
    return in;
}

}  // namespace talvex::api
