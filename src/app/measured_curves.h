#pragma once

#include <array>
#include <string>
#include <vector>

#include "api/experiment.h"

namespace talvex {

class Workbench;
struct Model;

// The most curves a series (and so a global fit) takes: sixteen full curves stacked.
inline constexpr std::size_t kMaxSeriesCurves = 16;

// A measured curve as it was imported: how the report names it (the file's name), the experiment
// in force when it was imported (technique, scan rate, step, pulses, scan; the potentials are the
// file's) and the currents. A global fit simulates each with its own experiment. Import Data with
// overlap on adds one to the series; with overlap off the series starts again with it.
struct MeasuredRecord {
    std::string label;
    api::Experiment experiment;
    std::vector<double> current;
};

// The series of measured curves and which column of the curve store shows which (0: none).
struct MeasuredSeries {
    std::vector<MeasuredRecord> records;
    std::array<int, 7> recordOfColumn{};  // record index + 1, by store column

    // The record behind store column c, when that column still holds it; nullptr otherwise.
    MeasuredRecord* OfColumn(const Model& m, int c);
};

// A one-line description of a record's experiment: "cyclic voltammetry at 0.05 V/s, 242 points".
std::string DescribeRecord(const MeasuredRecord& r);

// Run > Global Fit: fits every measured curve of the series at once, each simulated with its own
// experiment, all sharing the chemistry of the Chemicals dialog and its ticked values; prints the
// report with one line per curve, the standard errors and the correlation matrix, shows the fitted
// values beside their boxes and draws every measured curve with its fit.
void GlobalFit(Workbench& wb);

// Run > Curve Settings: the experiment the current measured curve was recorded with, shown in the
// Techniques and Instrument dialogs and printed.
void ShowCurveSettings(Workbench& wb);
// Run > Keep As Curve Settings: the Techniques and Instrument dialogs' settings become the current
// measured curve's experiment (its potentials stay the measured ones).
void KeepCurveSettings(Workbench& wb);

}  // namespace talvex
