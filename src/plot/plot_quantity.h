#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace talvex {

class Display;

// What the quantity transform remembers between calls.
//
// The curve store keeps one simulation result (Ystore) but up to six plotted curves, some of them
// measured or rescaled. The "current I" quantity may only refill the curve that still holds
// exactly what the last simulation copied into it, and only while the store still holds that
// simulation; a plotted quantity other than the current replaces curves, so the replaced curves
// are kept here and put back when the current is plotted again.
struct QuantityRecord {
    // The column the last simulation wrote, its point range and a fingerprint of its values.
    struct Simulated {
        int column = 0;  // 0: no simulation yet
        int first = 0, last = 0;
        std::uint64_t stamp = 0;
        bool operator==(const Simulated&) const = default;
    } simulated;

    // A column that a quantity replaced: its former values, and a fingerprint of what the
    // quantity wrote (when that no longer matches, someone else wrote the column since).
    struct Displaced {
        bool held = false;
        int first = 0, last = 0;  // range of the saved values
        std::vector<double> values;
        int writtenFirst = 0, writtenLast = 0;
        std::uint64_t written = 0;
        bool operator==(const Displaced&) const = default;
    };
    std::array<Displaced, 7> displaced;  // by Yplot column, 1..6
    bool operator==(const QuantityRecord&) const = default;
};

// Fills the plotted curves from the simulation results according to the display options' Y
// quantity (current, resistance, conductance, surface concentration). Does nothing while a fit
// runs: the fit's trial values must not be replaced by the dialogs' values, nor the measured and
// fitted curves by another quantity. A failure (such as "Division by zero" for a distance of 0)
// raises before any curve is written.
void TransformPlotQuantity(Display& display);

// The transform without the transfer of the dialogs' values: the plotted curves and NCurves from
// the model as it stands.
void FillPlotQuantity(Display& display);

// Called by the simulation driver after it copied the total current into the current curve.
void NoteSimulatedCurrent(Display& display);

// True when the current curve holds the last simulation's current, untouched, over IFirst..ILast
// and the store still holds that simulation.
bool HoldsLastSimulatedCurrent(const Display& display);

}  // namespace talvex
