#include "api/simulation.h"

#include <string>

#include "api/model_bridge.h"
#include "core/constants.h"
#include "core/model.h"
#include "core/model_pool.h"
#include "core/run_error.h"
#include "simulation/simulation_driver.h"

namespace talvex::api {
namespace {

// What the engine tells during one run, kept in order instead of shown.
class CollectingReporter : public Reporter {
  public:
    void Message(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

std::vector<double> Column(const Model& m, int first, int last, int column, bool surface) {
    std::vector<double> v;
    v.reserve(static_cast<std::size_t>(last - first + 1));
    for (int k = first; k <= last; ++k) v.push_back(surface ? m.Csurf(k, column) : m.Ystore(k, column));
    return v;
}

}  // namespace

Simulator::Simulator() : model_(AcquireFreshModel().release()) {}
Simulator::~Simulator() = default;

void Simulator::GiveBack::operator()(Model* m) const {
    ReturnToPool{}(m);
}

Expected<Curve> Simulator::Run(const Experiment& experiment, const ChemicalSystem& chemistry,
                               const SimulationOptions& options) {
    Model& m = *model_;
    CollectingReporter reporter;
    const std::size_t measured = experiment.potentials.size();
    if (measured > static_cast<std::size_t>(kMaxPoints))
        return Error{"At most " + std::to_string(kMaxPoints) + " potentials can be simulated; " +
                         std::to_string(measured) + " were given.",
                     {}};
    try {
        ToModel({experiment, chemistry, options}, m, reporter);
    } catch (const RunError& e) {
        // The one division there is by the temperature, as in the dialogs' confirmation.
        return Error{"Parameter transfer Error: " + e.description() + "! Please check the temperature.",
                     reporter.messages};
    }
    // At measured potentials the run keeps them (and adds no noise), as a fit's runs do.
    m.Fitting = measured > 0;
    if (m.Fitting) {
        m.NData = static_cast<int>(measured);
        for (std::size_t k = 0; k < measured; ++k) m.Xdata(static_cast<int>(k) + 1) = experiment.potentials[k];
    }
    m.NCurves = 0;
    m.CurveKind.Fill(0);

    const SimulationOutcome outcome = RunSimulation(m, reporter, false);
    m.Stop = nullptr;  // the flag belongs to this run's caller
    if (!outcome.curveWritten) {
        Error error{"The simulation gave no curve.", reporter.messages};
        if (!error.earlier.empty()) {
            error.message = error.earlier.back();
            error.earlier.pop_back();
        }
        return error;
    }

    Curve curve;
    const int n = m.NData;
    curve.computedPoints = outcome.computed;
    curve.maxIterations = m.MaxIter;
    curve.messages = std::move(reporter.messages);
    curve.potential.assign(&m.Xdata(1), &m.Xdata(1) + n);
    curve.current.reserve(static_cast<std::size_t>(n));
    for (int k = 1; k <= n; ++k) curve.current.push_back(m.Yplot(k, m.CurCurve));
    for (int r = 1; r <= m.NCharge; ++r) curve.reactionCurrents.push_back(Column(m, 1, n, r, false));
    if (m.DigitalSim)
        for (int s = 1; s <= m.NSpecies; ++s) curve.surfaceConcentrations.push_back(Column(m, 1, n, s, true));
    return curve;
}

Expected<Curve> Simulate(const Experiment& experiment, const ChemicalSystem& chemistry,
                         const SimulationOptions& options) {
    Simulator simulator;
    return simulator.Run(experiment, chemistry, options);
}

}  // namespace talvex::api
