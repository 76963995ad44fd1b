#include "api/fit.h"

#include <exception>
#include <memory>
#include <string>

#include "api/model_bridge.h"
#include "core/constants.h"
#include "core/model.h"
#include "core/model_pool.h"
#include "core/run_error.h"
#include "fitting/worker_team.h"

namespace talvex::api {
namespace {

class Quiet : public Reporter {
  public:
    void Message(const std::string&) override {}
};

std::string Named(const MeasuredCurve& c, std::size_t k) {
    return c.label.empty() ? "curve " + std::to_string(k + 1) : "\"" + c.label + "\"";
}

}  // namespace

Expected<FitSummary> Fit(const std::vector<MeasuredCurve>& curves, const ChemicalSystem& chemistry,
                         const std::vector<FitParameter>& free, const FitSettings& settings) {
    if (curves.empty()) return Error{"Fit Error: No measured curve to fit: import one first", {}};
    std::vector<FreeParameter> parameters;
    for (const FitParameter& p : free) {
        const int index = PoolIndex(p.name);
        if (index == 0)
            return Error{"Fit Error: \"" + p.name +
                             "\" is not a value that can be fitted (C(1..6), ks(1..3), Alpha(1..3), E0(1..3), "
                             "kf(1..4), kb(1..4), D(1..6))",
                         {}};
        parameters.push_back({index, p.lower, p.upper});
    }

    for (std::size_t k = 0; k < curves.size(); ++k) {
        const MeasuredCurve& c = curves[k];
        if (c.current.empty() && c.experiment.potentials.empty())
            return Error{"Fit Error: No measured curve to fit: import one first", {}};
        if (c.experiment.potentials.size() != c.current.size())
            return Error{"Fit Error: " + Named(c, k) + " holds " + std::to_string(c.experiment.potentials.size()) +
                             " potentials and " + std::to_string(c.current.size()) + " currents",
                         {}};
        if (c.current.size() > static_cast<std::size_t>(kMaxPoints))
            return Error{"Fit Error: " + Named(c, k) + " has more than " + std::to_string(kMaxPoints) + " points", {}};
    }

    // Each curve's model, and a first simulation at the starting values, the curves side by side
    // on the fit's threads: a curve whose settings cannot be simulated is named before anything
    // runs (the first such curve, whichever thread met it).
    std::vector<PooledModel> models(curves.size());
    std::vector<std::string> failures(curves.size());
    std::vector<std::exception_ptr> thrown(curves.size());
    {
        const TeamLease team = LeaseTeam(settings.fit.threads);
        std::vector<std::unique_ptr<Simulator>> trials(static_cast<std::size_t>(team->size()));
        for (auto& t : trials) t = std::make_unique<Simulator>();
        team->Run(static_cast<int>(curves.size()), [&](int task, int w) {
            const auto k = static_cast<std::size_t>(task);
            try {
                Simulator& trial = *trials[static_cast<std::size_t>(w)];
                const Expected<Curve> run = trial.Run(curves[k].experiment, chemistry, settings.simulation);
                if (run)
                    models[k] = AcquireModel(trial.model());
                else
                    failures[k] = run.error().message;
            } catch (...) {  // out of memory
                thrown[k] = std::current_exception();
            }
        });
    }
    std::vector<FitInputCurve> inputs;
    for (std::size_t k = 0; k < curves.size(); ++k) {
        if (thrown[k]) std::rethrow_exception(thrown[k]);
        if (!failures[k].empty())
            return Error{"Fit Error: " + Named(curves[k], k) + " cannot be simulated: " + failures[k], {}};
        inputs.push_back({models[k].get(), curves[k].current, curves[k].label});
    }
    FitDriver driver;
    try {
        return driver.Fit(inputs, parameters, settings.fit);
    } catch (const RunError& e) {
        return Error{"Fit Error: " + e.description(), {}};
    }
}

ChemicalSystem WithFittedValues(const ChemicalSystem& chemistry, const FitSummary& summary,
                                const SimulationOptions& options) {
    ChemicalSystem c = chemistry;
    // The chemical rows split as the mechanism splits them: first-order, then second-order.
    auto m = std::make_unique<Model>();
    Quiet quiet;
    ToModel({Experiment{}, chemistry, options}, *m, quiet);
    const int nChem = m->NChem;
    auto row = [](auto& rows, int k) -> auto* {
        return k >= 1 && k <= static_cast<int>(rows.size()) ? &rows[static_cast<std::size_t>(k - 1)] : nullptr;
    };
    for (std::size_t j = 0; j < summary.values.size(); ++j) {
        const int index = summary.index[j];
        const double v = summary.values[j];
        if (index <= fit::ks) {
            if (auto* s = row(c.species, index - fit::C)) s->concentration = v;
            if (auto* ci = row(c.initialConcentrations, index - fit::C)) *ci = v;
        } else if (index <= fit::Alpha) {
            if (auto* t = row(c.chargeTransfers, index - fit::ks)) t->ks = v;
        } else if (index <= fit::E0) {
            if (auto* t = row(c.chargeTransfers, index - fit::Alpha)) t->alpha = v;
        } else if (index <= fit::kf) {
            if (auto* t = row(c.chargeTransfers, index - fit::E0)) t->E0 = v;
        } else if (index <= fit::D) {
            const bool forward = index <= fit::kb;
            const int k = index - (forward ? fit::kf : fit::kb);
            ChemicalReaction* x = k <= nChem ? row(c.firstOrder, k) : row(c.secondOrder, k - nChem);
            if (x) (forward ? x->kf : x->kb) = v;
        } else if (auto* s = row(c.species, index - fit::D)) {
            s->diffusion = v;
        }
    }
    return c;
}

}  // namespace talvex::api
