#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "core/assignable.h"
#include "core/constants.h"
#include "core/tables.h"

namespace talvex {

using Real = Assignable<double>;
using Int16 = Assignable<std::int16_t>;
using Int = Assignable<int>;

// What a column of the curve store holds beyond its kind: the name it goes by in the plot's legend
// (the file of a measured curve, technique and mechanism of a simulated one), the derivative order
// the Analyze transforms took of it, and the factor the Y Data commands multiplied it by, so that
// the axis caption and the legend say what is plotted.
struct CurveLabel {
    std::string name;
    int order = 0;        // half orders of d/dE: 2 Differentiate, 1 Semi-differentiate, -1, -2 the integrals
    double factor = 1.0;  // product of the Y Data factors (-1 for -Y)
    bool operator==(const CurveLabel&) const = default;
};

// The parameters of the model: experiment settings, species and reaction tables, derived
// constants, display settings and run state. Every value starts unassigned (reads 0, prints as
// nothing) unless an initial value is given here.
struct ModelParameters {
    // Selectors
    Int Technique;
    Int Mechanism;
    Int Electrode = 1;
    bool DigitalSim = true;
    Int CaseCode;

    // Potential programme and instrument
    Real Estart, Eend, Estep, ScanRate;
    Real tpulse, tdrop, Epulse;
    Real ScanCycles;
    Real Noise, Cdl, Ru, TempK;
    // The baseline's start and end currents (A), confirmed from the Instrument dialog.
    Real BackgroundI0, BackgroundI1;

    // Electrode geometry and hydrodynamics
    Real Area, Radius, ElectrodeLength, Volume, Omega, Viscosity;
    // Distance between the electrodes (cm), for the resistance and conductance quantities.
    Real ElectrodeDistance;

    // Derived constants
    Real FoverRT, RToverF;

    // Species (1..6)
    Int16 NSpecies;
    Table1<Real, 7> D, C, Cond, LigandOrder;
    Table1<std::string, 7> SpeciesName;

    // Charge-transfer reactions (1..3; the numeric tables share the species tables' size)
    Int16 NCharge;
    Table1<Real, 7> ks, Alpha, n, E0;
    Table2<std::int16_t, 7, 3> ChargeSpecies;
    Table1<std::string, 4> ChargeLabel;

    // Chemical reactions (1..4)
    Int16 NChem, NChem2;
    Table1<Real, 7> kf, kb, Keq;
    Table2<std::int16_t, 7, 3> ChemSpecies;
    Table2<std::int16_t, 7, 5> Chem2Species;
    Table1<std::string, 5> ChemLabel;

    // Supporting electrolyte
    Real ElectrolyteC, ElectrolyteCond;

    // What the initial concentrations C are computed from: the analytical concentrations, the
    // pre-equilibration box, and the preconcentration step (potential, time, electrode constant,
    // stirring rate in rpm). A fit recomputes C from them for every trial.
    Table1<Real, 7> CAnalytical;
    bool PreEquilibration = false;
    bool Preconcentration = false;
    Real EPre, TPre, PConst, RStir;

    // Display settings
    Real PlotXmin, PlotXmax, PlotYmin, PlotYmax;
    bool ShowGrid = false;
    bool OverlapPlot = false;
    Table1<Int, 6> LineStyle;

    // Run state
    bool Fitting = false;
    // Set from another thread to end a digital run after the point it is computing (nullptr: none).
    const std::atomic<bool>* Stop = nullptr;
    Assignable<float> RunTime;
    Int MaxIter;
    Int ScanDir;
    Real PointsPerSweep;  // while fitting, the measured first sweep's points (up to the vertex)

    // Work tables of the digital simulation that the second-order solver also reads
    Table1<double, 7> kfDt, kbDt;
};

// The curve store (a few hundred kB): what a confirmation of the dialogs never touches.
struct CurveStore {
    // Curve store: one potential axis, up to five plotted curves (six columns for the surface
    // concentration quantity), the simulation's working store and the surface concentrations.
    Table1<double, kMaxPoints + 1> Xdata;
    Table2<double, kMaxPoints + 1, 7> Yplot;
    Table2<double, kMaxPoints + 1, 9> Ystore;
    Int16 StoreCol;
    Table2<double, kMaxPoints + 1, 8> Csurf;
    Int NData;
    Int IFirst, ILast;
    Int NCurves, CurCurve, NCurvesSaved;
    // What each column holds (curve::Simulated, Measured, Fitted).
    Table1<std::int16_t, 7> CurveKind;
    Table1<CurveLabel, 7> CurveLabels;
    // Product of the X Data factors since the potentials were last built or read (1000 for mV).
    double XFactor = 1.0;
};

// The one parameter model of a running program: its parameters and its curve store. A dialog's
// confirmation that must be undone needs a copy of the parameters only.
struct Model : ModelParameters, CurveStore {};

// Whether a run was asked to end early (Stop set by another thread).
inline bool StopRequested(const ModelParameters& m) {
    return m.Stop != nullptr && m.Stop->load(std::memory_order_relaxed);
}

}  // namespace talvex
