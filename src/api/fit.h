#pragma once

#include <string>
#include <vector>

#include "api/chemical_system.h"
#include "api/experiment.h"
#include "api/result.h"
#include "api/simulation.h"
#include "fitting/fit_driver.h"

namespace talvex::api {

// A measured curve with the experiment that recorded it: the experiment's potentials are the
// measured ones, `current` the currents measured at them (A, reduction positive).
struct MeasuredCurve {
    Experiment experiment;
    std::vector<double> current;
    std::string label;
};

// A value the fit may change, by its name ("E0(1)", "ks(1)", "Alpha(1)", "C(2)", "D(1)", "kf(1)",
// "kb(1)"), and its bounds.
struct FitParameter {
    std::string name;
    double lower = 0;
    double upper = 0;
};

// How to fit: the minimiser's options (baseline free, decade scan, threads, progress) and how to
// simulate.
struct FitSettings {
    talvex::FitOptions fit;
    SimulationOptions simulation;
};

using talvex::FitStatus;
using talvex::FitSummary;

// Fits the free values of `chemistry`, shared by every curve, so that each curve simulated with its
// own experiment matches its measured currents (several curves weighted by the inverse of their
// largest current). A curve that cannot be simulated at the starting values is named in the error
// and nothing is fitted.
Expected<FitSummary> Fit(const std::vector<MeasuredCurve>& curves, const ChemicalSystem& chemistry,
                         const std::vector<FitParameter>& free, const FitSettings& settings = {});

// The chemical system with the fitted values in place of the starting ones (`options` tell how its
// reactions were simulated, which decides the rows of the rate constants).
ChemicalSystem WithFittedValues(const ChemicalSystem& chemistry, const FitSummary& summary,
                                const SimulationOptions& options = {});

}  // namespace talvex::api
