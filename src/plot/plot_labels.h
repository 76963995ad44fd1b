#pragma once

#include <string>

#include "core/model.h"
#include "plot/canvas.h"

namespace talvex {

// What an axis shows: its caption ("I /A", "dI/dE /(A/V)", "E /mV"), and the symbol and unit a
// read-out of one value uses ("I", "A").
struct AxisQuantity {
    std::string caption;
    std::string symbol;
    std::string unit;
    bool operator==(const AxisQuantity&) const = default;
};

// The potential axis: "E /V", or with the X Data factors "E /mV" (1000), "E /µV", "E /kV", "10·E /V".
AxisQuantity XQuantity(const Model& m);

// Curve `column` as plotted under the display options' quantity (`quantity`, the text of ComboY):
// for "current I" the current with the derivative order and factor the curve has been given
// ("I /A", "dI/dE /(A/V)", "d½I/dE½ /(A/V½)", "∫I dE /(A·V)", "I /mA" after 1000Y, "-I /A" after
// -Y); "R /Ohm", "Cond *Ohm" and "C /M" for the other quantities; no caption for an unknown one.
AxisQuantity CurveQuantity(const Model& m, const std::string& quantity, int column);

// The name a curve goes by in the legend: the species for surface concentrations, "fit" for a fitted
// curve, the file of a measured one, technique and mechanism of a simulated one.
std::string CurveName(const Model& m, const std::string& quantity, int column);

// What a simulation with the model's technique and mechanism is called: "CV: A +1e=B".
std::string SimulatedCurveName(const Model& m);

// The colour of each curve column 1..6: the Okabe-Ito palette, told apart by the colour blind.
Rgb CurveColor(int column);

// The file name of a path, without its folders.
std::string FileNameOf(const std::string& path);

}  // namespace talvex
