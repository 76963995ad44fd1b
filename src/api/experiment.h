#pragma once

#include <string>
#include <utility>
#include <vector>

// The typed inputs of a simulation: what the instrument does (Experiment) and what is in the cell
// (ChemicalSystem). Values are in the units the parameter model holds: V, s, K, cm, cm2, cm3,
// rad/s, A, F/cm2, ohm, mol/L, cm2/s, cm/s. The defaults are what the untouched dialogs give.
namespace talvex::api {

// The voltammetric techniques, numbered as the Techniques dialog numbers them.
enum class Technique : int {
    Sweep = 1,  // linear sweep and cyclic voltammetry
    DC = 2,
    NormalPulse = 3,
    DifferentialPulse = 4,
    SquareWave = 5,
};

// The electrode geometries, numbered as the Instrument dialog numbers them.
enum class Electrode : int {
    Planar = 1,
    Sphere = 2,
    Hemisphere = 3,
    Microdisc = 4,
    Cylinder = 5,
    Hemicylinder = 6,
    Band = 7,
    RotatingDisk = 8,
    ThinFilm = 9,
};

// One experiment: the technique, its potential programme, the electrode and the instrument's
// corrections.
struct Experiment {
    Technique technique = Technique::Sweep;
    double startPotential = 0.3;    // V
    double endPotential = -0.3;     // V
    double potentialStep = 0.005;   // V
    double scanRate = 0.01;         // V/s
    double dropTime = 0;            // s; 0: the potential step over the scan rate, as the dialog has it
    double pulseTime = 0.05;        // s (a square wave's half period)
    double pulsePotential = -0.05;  // V
    double cycles = 0.5;            // 0.5 a single sweep, 1 a cycle, 2 two cycles
    double temperature = 298.14;    // K (25 C)
    double noise = 0;               // % of the largest current

    Electrode electrode = Electrode::Planar;
    double area = 1;                           // cm2
    double radius = 0.2821;                    // cm; for a band, a quarter of its width
    double length = 0.01;                      // cm: a cylinder's or band's length, a film's thickness
    double volume = 0;                         // cm3 of the electrode or its film, where it matters
    double rotation = 100 * 3.141592654 / 30;  // rad/s (100 rpm)
    double electrodeDistance = 1;              // cm, for the resistance and conductance quantities

    double baselineStart = 0;           // A, background at the start potential
    double baselineEnd = 0;             // A, background at the vertex
    double doubleLayerCapacitance = 0;  // F/cm2
    double resistance = 0;              // ohm, uncompensated

    bool preconcentration = false;
    double preconcentrationPotential = -0.3;  // V
    double preconcentrationTime = 600;        // s
    double electrodeConstant = 10;
    double stirringRate = 100;  // rpm

    // The potentials to simulate at (a measured curve's); empty: the staircase from the start to
    // the end potential. At measured potentials no noise is added.
    std::vector<double> potentials;
};

// The experiment's values by name ("scanRate", "pulseTime"...; the technique, the electrode and the
// preconcentration box as numbers), the potentials left out: how a workspace writes them.
std::vector<std::pair<std::string, double>> ExperimentValues(const Experiment& e);
// The experiment with each named value set; a name it does not know is passed over.
Experiment ExperimentFromValues(const std::vector<std::pair<std::string, double>>& values);

}  // namespace talvex::api
