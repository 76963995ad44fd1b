// The Python module `talvex`: the engine's typed interface for scripts. Experiments and chemical
// systems start from the program's defaults (the untouched dialogs) and carry the same quantities
// under readable names; curves and fit results come back as NumPy arrays; an engine error is a
// Python exception with the text the program shows.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl_bind.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "api/fit.h"
#include "api/model_bridge.h"
#include "api/simulation.h"
#include "app/file_commands.h"
#include "app/workbench.h"
#include "app/workspace_commands.h"
#include "core/constants.h"
#include "core/result_window.h"
#include "core/run_error.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_mech.h"

namespace py = pybind11;
using namespace talvex;

PYBIND11_MAKE_OPAQUE(std::vector<api::Species>);
PYBIND11_MAKE_OPAQUE(std::vector<api::ChargeTransfer>);
PYBIND11_MAKE_OPAQUE(std::vector<api::ChemicalReaction>);

namespace {

// What the engine refused, with the program's own message: talvex.TalvexError in Python.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using Array = py::array_t<double, py::array::c_style | py::array::forcecast>;

Array ToArray(const std::vector<double>& v) {
    Array a(static_cast<py::ssize_t>(v.size()));
    std::copy(v.begin(), v.end(), a.mutable_data());
    return a;
}

Array ToMatrix(const std::vector<std::vector<double>>& rows) {
    const std::size_t cols = rows.empty() ? 0 : rows[0].size();
    Array a({static_cast<py::ssize_t>(rows.size()), static_cast<py::ssize_t>(cols)});
    double* out = a.mutable_data();
    for (const auto& row : rows) out = std::copy(row.begin(), row.end(), out);
    return a;
}

std::vector<double> FromArray(const Array& a, const char* what) {
    if (a.ndim() != 1) throw py::value_error(std::string(what) + " must be a one-dimensional sequence of numbers");
    return std::vector<double>(a.data(), a.data() + a.size());
}

// A platform with nobody to ask: every question takes the answer offered first, nothing is shown.
class Unattended : public Platform {
  public:
    void MessageBox(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> OpenFileDialog(const std::string&) override { return path; }
    std::optional<std::string> SaveFileDialog(const std::string&) override { return std::nullopt; }
    void SetPointer(int) override {}
    float Timer() override { return 0.0f; }
    bool CopyPlotToClipboard() override { return false; }
    bool PrintPlot() override { return false; }
    bool OpenManual(const std::string&) override { return false; }
    void Exit() override {}
    std::optional<std::string> path;
    std::vector<std::string> messages;
};

// The workbench's report of a fit, as the result window shows it.
std::string Report(const FitSummary& s) {
    ResultWindow window;
    PrintFitReport(s, window);
    std::string text;
    for (const std::string& line : window.lines()) text += line + "\n";
    return text;
}

// A file as Import Data reads it, with the answers offered first: the experiment at the program's
// defaults but for the file's potentials (and its scan rate, where it states one).
api::MeasuredCurve ReadInstrumentFile(const std::string& path) {
    Unattended platform;
    std::optional<ImportedFile> file;
    try {
        file = ReadImportedFile(platform, path);
    } catch (const RunError& e) {
        throw Failure("ReadData Error: " + e.description());
    }
    if (!file)
        throw Failure("ReadData Error: the file holds more than " + std::to_string(kMaxPoints) +
                      " points; thin it in the program (Import Data offers every n-th point)");
    api::MeasuredCurve curve;
    curve.label = std::filesystem::path(path).filename().string();
    curve.experiment.potentials = file->pairs.x;
    curve.current = file->pairs.y;
    // What Import Data proposes in the Instrument dialog, the baseline's start current included.
    const std::vector<double>& x = curve.experiment.potentials;
    if (!x.empty()) {
        const auto [low, high] = std::minmax_element(x.begin(), x.end());
        curve.experiment.startPotential = x.front();
        curve.experiment.endPotential = x.front() == *high ? *low : *high;
        if (x.size() > 1) curve.experiment.potentialStep = std::fabs(x[1] - x[0]);
        curve.experiment.baselineStart = curve.current.front();
    }
    if (file->scanRate > 0) curve.experiment.scanRate = file->scanRate;
    return curve;
}

// What a workspace file holds, as typed inputs: the dialogs' experiment and chemistry (confirmed as
// Simulate would confirm them), the measured series and the curve store.
struct WorkspaceContents {
    api::Experiment experiment;
    api::ChemicalSystem chemistry;
    bool digital = true;
    std::vector<api::MeasuredCurve> measured;
    std::vector<double> potentials;
    std::vector<std::vector<double>> curves;
    std::vector<std::string> messages;
};

WorkspaceContents ReadWorkspace(const std::string& path) {
    Unattended platform;
    Workbench wb(platform);
    try {
        LoadWorkspace(wb, path);
    } catch (const RunError& e) {
        throw Failure("Open Workspace Error: " + e.description());
    }
    wb.formExpr.OK();
    WorkspaceContents w;
    const api::Inputs inputs = api::FromModel(wb.model, wb.formMech.Choice());
    w.experiment = inputs.experiment;
    w.chemistry = inputs.chemistry;
    w.digital = inputs.options.digital;
    for (const MeasuredRecord& r : wb.measured.records) w.measured.push_back({r.experiment, r.current, r.label});
    const Model& m = wb.model;
    for (int k = 1; k <= m.NData; ++k) w.potentials.push_back(m.Xdata(k));
    for (int c = 1; c <= m.NCurves; ++c) {
        std::vector<double> y;
        for (int k = 1; k <= m.NData; ++k) y.push_back(m.Yplot(k, c));
        w.curves.push_back(std::move(y));
    }
    w.messages = platform.messages;
    return w;
}

template <typename T>
std::string Repr(const char* name, const T& fields) {
    std::string s = std::string("talvex.") + name + "(";
    bool first = true;
    for (const auto& [key, value] : fields) {
        s += (first ? "" : ", ") + key + "=" + py::repr(py::float_(value)).template cast<std::string>();
        first = false;
    }
    return s + ")";
}

}  // namespace

PYBIND11_MODULE(talvex, mod) {
    mod.doc() =
        "Talvex: voltammograms simulated from an experiment and a chemical system, and fitted to measured "
        "curves.\n\n"
        "    e = talvex.Experiment()            # the program's defaults: a sweep 0.3 -> -0.3 V at 10 mV/s\n"
        "    c = talvex.ChemicalSystem()        # Fe3+ + e = Fe2+, 1 mM\n"
        "    curve = talvex.simulate(e, c)      # curve.potential, curve.current: NumPy arrays\n\n"
        "Units: V, s, K, cm, cm2, mol/L, cm2/s, cm/s, A. Reduction (cathodic) current is positive.";

    py::register_exception<Failure>(mod, "TalvexError");

    py::enum_<api::Technique>(mod, "Technique", "The voltammetric technique.")
        .value("SWEEP", api::Technique::Sweep, "linear sweep and cyclic voltammetry")
        .value("DC", api::Technique::DC)
        .value("NORMAL_PULSE", api::Technique::NormalPulse)
        .value("DIFFERENTIAL_PULSE", api::Technique::DifferentialPulse)
        .value("SQUARE_WAVE", api::Technique::SquareWave);
    py::enum_<api::Electrode>(mod, "Electrode", "The electrode geometry.")
        .value("PLANAR", api::Electrode::Planar)
        .value("SPHERE", api::Electrode::Sphere)
        .value("HEMISPHERE", api::Electrode::Hemisphere)
        .value("MICRODISC", api::Electrode::Microdisc)
        .value("CYLINDER", api::Electrode::Cylinder)
        .value("HEMICYLINDER", api::Electrode::Hemicylinder)
        .value("BAND", api::Electrode::Band)
        .value("ROTATING_DISK", api::Electrode::RotatingDisk)
        .value("THIN_FILM", api::Electrode::ThinFilm);

    py::class_<api::Experiment>(
        mod, "Experiment",
        "One experiment: technique, potential programme, electrode and instrument corrections, at "
        "the program's defaults (the untouched Techniques and Instrument dialogs).")
        .def(py::init<>())
        .def_readwrite("technique", &api::Experiment::technique)
        .def_readwrite("start_potential", &api::Experiment::startPotential, "V")
        .def_readwrite("end_potential", &api::Experiment::endPotential, "V")
        .def_readwrite("potential_step", &api::Experiment::potentialStep, "V")
        .def_readwrite("scan_rate", &api::Experiment::scanRate, "V/s")
        .def_readwrite("drop_time", &api::Experiment::dropTime, "s; 0: the potential step over the scan rate")
        .def_readwrite("pulse_time", &api::Experiment::pulseTime, "s (a square wave's half period)")
        .def_readwrite("pulse_potential", &api::Experiment::pulsePotential, "V")
        .def_readwrite("cycles", &api::Experiment::cycles, "0.5 a single sweep, 1 a cycle, 2 two cycles")
        .def_readwrite("temperature", &api::Experiment::temperature, "K")
        .def_readwrite("noise", &api::Experiment::noise, "% of the largest current")
        .def_readwrite("electrode", &api::Experiment::electrode)
        .def_readwrite("area", &api::Experiment::area, "cm2")
        .def_readwrite("radius", &api::Experiment::radius, "cm; for a band, a quarter of its width")
        .def_readwrite("length", &api::Experiment::length, "cm: cylinder or band length, film thickness")
        .def_readwrite("volume", &api::Experiment::volume, "cm3")
        .def_readwrite("rotation", &api::Experiment::rotation, "rad/s")
        .def_readwrite("electrode_distance", &api::Experiment::electrodeDistance, "cm")
        .def_readwrite("baseline_start", &api::Experiment::baselineStart, "A")
        .def_readwrite("baseline_end", &api::Experiment::baselineEnd, "A")
        .def_readwrite("double_layer_capacitance", &api::Experiment::doubleLayerCapacitance, "F/cm2")
        .def_readwrite("resistance", &api::Experiment::resistance, "ohm, uncompensated")
        .def_readwrite("preconcentration", &api::Experiment::preconcentration)
        .def_readwrite("preconcentration_potential", &api::Experiment::preconcentrationPotential, "V")
        .def_readwrite("preconcentration_time", &api::Experiment::preconcentrationTime, "s")
        .def_readwrite("electrode_constant", &api::Experiment::electrodeConstant)
        .def_readwrite("stirring_rate", &api::Experiment::stirringRate, "rpm")
        .def_property(
            "potentials", [](const api::Experiment& e) { return ToArray(e.potentials); },
            [](api::Experiment& e, const Array& a) { e.potentials = FromArray(a, "potentials"); },
            "the measured potentials to simulate at (V); empty: the staircase from start to end potential")
        .def("__repr__", [](const api::Experiment& e) {
            auto values = api::ExperimentValues(e);
            return Repr("Experiment", values);
        });

    py::class_<api::Species>(mod, "Species", "A species: name, diffusion coefficient, analytical concentration.")
        .def(py::init<>())
        .def(py::init([](std::string name, double diffusion, double concentration) {
                 return api::Species{std::move(name), diffusion, concentration, 0};
             }),
             py::arg("name"), py::arg("diffusion") = 1e-5, py::arg("concentration") = 0.0)
        .def_readwrite("name", &api::Species::name)
        .def_readwrite("diffusion", &api::Species::diffusion, "cm2/s")
        .def_readwrite("concentration", &api::Species::concentration, "mol/L, before pre-equilibration")
        .def_readwrite("conductivity", &api::Species::conductivity, "S cm2/mol");
    py::class_<api::ChargeTransfer>(mod, "ChargeTransfer", "ox + n e = red, with E0, alpha and ks.")
        .def(py::init<>())
        .def(py::init([](std::string ox, std::string red, double n, double E0, double alpha, double ks) {
                 return api::ChargeTransfer{std::move(ox), std::move(red), n, E0, alpha, ks};
             }),
             py::arg("oxidised"), py::arg("reduced"), py::arg("electrons") = 1.0, py::arg("E0") = 0.1,
             py::arg("alpha") = 0.5, py::arg("ks") = 1e4)
        .def_readwrite("oxidised", &api::ChargeTransfer::oxidised)
        .def_readwrite("reduced", &api::ChargeTransfer::reduced)
        .def_readwrite("electrons", &api::ChargeTransfer::electrons)
        .def_readwrite("E0", &api::ChargeTransfer::E0, "V")
        .def_readwrite("alpha", &api::ChargeTransfer::alpha)
        .def_readwrite("ks", &api::ChargeTransfer::ks, "cm/s");
    py::class_<api::ChemicalReaction>(mod, "ChemicalReaction",
                                      "a = c (first order) or a + b = c + d (second order) with kf and kb.")
        .def(py::init<>())
        .def(py::init([](std::string a, std::string b, std::string c, std::string d, double kf, double kb) {
                 return api::ChemicalReaction{std::move(a), std::move(b), std::move(c), std::move(d), kf, kb, 0};
             }),
             py::arg("a"), py::arg("b") = "", py::arg("c") = "", py::arg("d") = "", py::arg("kf") = 10.0,
             py::arg("kb") = 0.01)
        .def_readwrite("a", &api::ChemicalReaction::a)
        .def_readwrite("b", &api::ChemicalReaction::b)
        .def_readwrite("c", &api::ChemicalReaction::c)
        .def_readwrite("d", &api::ChemicalReaction::d)
        .def_readwrite("kf", &api::ChemicalReaction::kf)
        .def_readwrite("kb", &api::ChemicalReaction::kb);
    py::bind_vector<std::vector<api::Species>>(mod, "SpeciesList");
    py::bind_vector<std::vector<api::ChargeTransfer>>(mod, "ChargeTransferList");
    py::bind_vector<std::vector<api::ChemicalReaction>>(mod, "ChemicalReactionList");

    py::class_<api::ChemicalSystem>(
        mod, "ChemicalSystem",
        "What is in the cell and how it reacts, at the program's defaults (the untouched Mechanism and Chemicals "
        "dialogs: Fe3+ + e = Fe2+, 1 mM). For the digital simulation the reactions are typed as in the reaction "
        "editor (charge_transfers, first_order, second_order, species named in them); mechanism 1..8 chooses a "
        "closed-form mechanism for simulate(..., digital=False). Species are numbered in order of first "
        "appearance, and `species` gives their values in that order.")
        .def(py::init([] { return api::ChemicalSystem::Default(); }))
        .def_readwrite("mechanism", &api::ChemicalSystem::mechanism)
        .def_readwrite("species", &api::ChemicalSystem::species)
        .def_readwrite("charge_transfers", &api::ChemicalSystem::chargeTransfers)
        .def_readwrite("first_order", &api::ChemicalSystem::firstOrder)
        .def_readwrite("second_order", &api::ChemicalSystem::secondOrder)
        .def_readwrite("electrolyte_concentration", &api::ChemicalSystem::electrolyteConcentration, "mol/L")
        .def_readwrite("electrolyte_conductivity", &api::ChemicalSystem::electrolyteConductivity)
        .def_readwrite("viscosity", &api::ChemicalSystem::viscosity, "cm2/s, kinematic")
        .def_readwrite("pre_equilibration", &api::ChemicalSystem::preEquilibration)
        .def_readwrite("ligand_order", &api::ChemicalSystem::ligandOrder)
        .def_property(
            "initial_concentrations", [](const api::ChemicalSystem& c) { return ToArray(c.initialConcentrations); },
            [](api::ChemicalSystem& c, const Array& a) {
                c.initialConcentrations = FromArray(a, "initial_concentrations");
            },
            "mol/L by species; empty: from the analytical ones (pre-equilibrated when asked, four digits)");

    py::class_<api::Curve>(mod, "Curve", "One simulated curve.")
        .def_property_readonly(
            "potential", [](const api::Curve& c) { return ToArray(c.potential); }, "V")
        .def_property_readonly(
            "current", [](const api::Curve& c) { return ToArray(c.current); }, "A")
        .def_property_readonly(
            "reaction_currents", [](const api::Curve& c) { return ToMatrix(c.reactionCurrents); },
            "A, one row per charge transfer")
        .def_property_readonly(
            "surface_concentrations", [](const api::Curve& c) { return ToMatrix(c.surfaceConcentrations); },
            "mol/L, one row per species (digital simulation)")
        .def_readonly("computed_points", &api::Curve::computedPoints)
        .def_readonly("max_iterations", &api::Curve::maxIterations)
        .def_readonly("messages", &api::Curve::messages)
        .def("__repr__",
             [](const api::Curve& c) { return "<talvex.Curve of " + std::to_string(c.potential.size()) + " points>"; });

    mod.def(
        "simulate",
        [](const api::Experiment& e, const api::ChemicalSystem& c, bool digital) {
            api::Expected<api::Curve> result = [&] {
                py::gil_scoped_release release;
                // One engine per thread, kept: its working state is sized once (a fresh one costs
                // several times the default simulation); results do not depend on it.
                thread_local api::Simulator simulator;
                return simulator.Run(e, c, {digital});
            }();
            if (!result) throw Failure(result.error().message);
            return std::move(result).value();
        },
        py::arg("experiment"), py::arg("chemistry"), py::arg("digital") = true,
        "Simulates the experiment on the chemical system, by finite differences (digital=True, the default) or "
        "by the closed-form kernels; equal, bit for bit, to what Simulate gives on the same entries. Raises "
        "talvex.TalvexError with the program's message when the run gives no curve.");

    py::class_<api::MeasuredCurve>(mod, "MeasuredCurve",
                                   "A measured curve with the experiment that recorded it (its potentials the measured "
                                   "ones).")
        .def(py::init([](const api::Experiment& e, const Array& current, std::string label) {
                 api::MeasuredCurve m{e, FromArray(current, "current"), std::move(label)};
                 return m;
             }),
             py::arg("experiment"), py::arg("current"), py::arg("label") = "")
        .def_readwrite("experiment", &api::MeasuredCurve::experiment)
        .def_property(
            "current", [](const api::MeasuredCurve& m) { return ToArray(m.current); },
            [](api::MeasuredCurve& m, const Array& a) { m.current = FromArray(a, "current"); }, "A")
        .def_property_readonly("potential",
                               [](const api::MeasuredCurve& m) { return ToArray(m.experiment.potentials); })
        .def_readwrite("label", &api::MeasuredCurve::label);

    py::enum_<FitStatus>(mod, "FitStatus", "How a fit ended.")
        .value("CONVERGED", FitStatus::Converged)
        .value("PERFECT_FIT", FitStatus::PerfectFit)
        .value("DAMPING_EXHAUSTED", FitStatus::DampingExhausted)
        .value("ITERATION_LIMIT", FitStatus::IterationLimit)
        .value("FAILED", FitStatus::Failed)
        .value("CANCELLED", FitStatus::Cancelled);
    py::class_<FitCurveSummary>(mod, "CurveFit", "How a fit went for one curve.")
        .def_readonly("label", &FitCurveSummary::label)
        .def_readonly("points", &FitCurveSummary::points)
        .def_readonly("weight", &FitCurveSummary::weight, "what its residuals were multiplied by (1/A)")
        .def_readonly("ssq", &FitCurveSummary::ssq, "its own sum of squares (A2)")
        .def_property_readonly(
            "fitted", [](const FitCurveSummary& c) { return ToArray(c.fitted); }, "A")
        .def_readonly("baseline_start", &FitCurveSummary::baselineStart)
        .def_readonly("baseline_end", &FitCurveSummary::baselineEnd);
    py::class_<FitSummary>(mod, "FitSummary", "Everything a fit found, in the parameters' own units.")
        .def_readonly("status", &FitSummary::status)
        .def_property_readonly("names",
                               [](const FitSummary& s) {
                                   std::vector<std::string> names;
                                   for (int i : s.index) names.push_back(PoolName(i));
                                   return names;
                               })
        .def_property_readonly("values", [](const FitSummary& s) { return ToArray(s.values); })
        .def_property_readonly("initial", [](const FitSummary& s) { return ToArray(s.initial); })
        .def_property_readonly("start", [](const FitSummary& s) { return ToArray(s.start); })
        .def_property_readonly("standard_errors", [](const FitSummary& s) { return ToArray(s.standardErrors); })
        .def_readonly("determined", &FitSummary::determined)
        .def_property_readonly("covariance",
                               [](const FitSummary& s) {
                                   const std::size_t n = s.values.size();
                                   Array a({static_cast<py::ssize_t>(n), static_cast<py::ssize_t>(n)});
                                   std::copy(s.covariance.begin(), s.covariance.end(), a.mutable_data());
                                   return a;
                               })
        .def_property_readonly(
            "history", [](const FitSummary& s) { return ToArray(s.history); },
            "the sum of squares after each iteration")
        .def_readonly("ssq", &FitSummary::ssq)
        .def_readonly("iterations", &FitSummary::iterations)
        .def_readonly("simulations", &FitSummary::simulations)
        .def_readonly("threads", &FitSummary::threads)
        .def_readonly("run_time", &FitSummary::runTime)
        .def_readonly("curves", &FitSummary::curves)
        .def_readonly("notes", &FitSummary::notes)
        .def_readonly("error", &FitSummary::error)
        .def("report", &Report, "The report as the program's result window shows it.");

    mod.def(
        "fit",
        [](const std::vector<api::MeasuredCurve>& curves, const api::ChemicalSystem& chemistry,
           const std::vector<std::tuple<std::string, double, double>>& free, bool baseline, bool decadeScan,
           int threads, bool digital) {
            std::vector<api::FitParameter> parameters;
            for (const auto& [name, lower, upper] : free) parameters.push_back({name, lower, upper});
            api::FitSettings settings;
            settings.fit.baseline = baseline;
            settings.fit.decadeScan = decadeScan;
            settings.fit.threads = threads;
            settings.simulation.digital = digital;
            api::Expected<FitSummary> result = [&] {
                py::gil_scoped_release release;
                return api::Fit(curves, chemistry, parameters, settings);
            }();
            if (!result) throw Failure(result.error().message);
            return std::move(result).value();
        },
        py::arg("curves"), py::arg("chemistry"), py::arg("free"), py::arg("baseline") = false,
        py::arg("decade_scan") = true, py::arg("threads") = 0, py::arg("digital") = true,
        "Fits the free values of `chemistry` (a list of (name, lower, upper): 'E0(1)', 'ks(1)', 'Alpha(1)', "
        "'C(2)', 'D(1)', 'kf(1)', 'kb(1)') so that each measured curve, simulated with its own experiment, "
        "matches; several curves are weighted by the inverse of their largest current. threads=0: one per core. "
        "Raises talvex.TalvexError with the program's message when the fit cannot run.");
    mod.def(
        "with_fitted_values",
        [](const api::ChemicalSystem& c, const FitSummary& s, bool digital) {
            return api::WithFittedValues(c, s, {digital});
        },
        py::arg("chemistry"), py::arg("summary"), py::arg("digital") = true,
        "The chemical system with the fitted values in place of the starting ones.");

    mod.def("read_instrument_file", &ReadInstrumentFile, py::arg("path"),
            "The measured curve Import Data would store from a data file or a potentiostat's export (first "
            "cycle, the sign flipped to cathodic-positive where the export writes it negative), with the "
            "experiment Import Data proposes: the default one but for the file's potentials, start, end and step, "
            "the scan rate the export states, and the first current as the baseline's start (set "
            "experiment.baseline_start = 0 for a curve without baseline).");

    py::class_<WorkspaceContents>(mod, "Workspace", "What a workspace file holds.")
        .def_readonly("experiment", &WorkspaceContents::experiment)
        .def_readonly("chemistry", &WorkspaceContents::chemistry)
        .def_readonly("digital", &WorkspaceContents::digital)
        .def_readonly("measured", &WorkspaceContents::measured, "the measured series a global fit takes")
        .def_property_readonly("potentials", [](const WorkspaceContents& w) { return ToArray(w.potentials); })
        .def_property_readonly(
            "curves", [](const WorkspaceContents& w) { return ToMatrix(w.curves); },
            "the curve store's curves, one row each")
        .def_readonly("messages", &WorkspaceContents::messages);
    mod.def("read_workspace", &ReadWorkspace, py::arg("path"),
            "A workspace file (*.tvw): the dialogs' experiment and chemistry as Simulate would confirm them, the "
            "measured series and the stored curves.");
}
