#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "api/chemical_system.h"
#include "api/experiment.h"
#include "api/result.h"

namespace talvex {
struct Model;
}

namespace talvex::api {

// How to compute: the finite-difference ("digital") simulation of any mechanism, or the closed-form
// kernels of the eight analytical mechanisms.
struct SimulationOptions {
    bool digital = true;
    // Set from another thread to end a digital run after the point it is computing: the curve is
    // the points computed so far (Curve::computedPoints says how many), none an error.
    const std::atomic<bool>* stop = nullptr;
};

// One simulated curve.
struct Curve {
    std::vector<double> potential;                           // V, one per point
    std::vector<double> current;                             // A, total, reduction positive
    std::vector<std::vector<double>> reactionCurrents;       // A, one curve per charge transfer
    std::vector<std::vector<double>> surfaceConcentrations;  // mol/L per species (digital only)
    int computedPoints = 0;                                  // fewer than the points when a digital run failed part-way
    int maxIterations = 0;                                   // of the digital solver's second-order iterations
    // What the engine told along the way, in order (a singular block, a curve left incomplete).
    std::vector<std::string> messages;
};

// A simulation engine with its own working state: one may run on each thread at once. Running the
// same inputs again gives the same curve bit for bit.
class Simulator {
  public:
    Simulator();
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    Expected<Curve> Run(const Experiment& experiment, const ChemicalSystem& chemistry,
                        const SimulationOptions& options = {});

    // The parameter model of the last run, as the engine left it: what the desktop copies into its
    // curve store and what the model names print.
    const Model& model() const { return *model_; }

  private:
    // Gives the model back to the engine's store of used ones: the next engine starts from it
    // without asking the system for fresh memory.
    struct GiveBack {
        void operator()(Model* m) const;
    };
    std::unique_ptr<Model, GiveBack> model_;
};

// One simulation on a fresh engine.
Expected<Curve> Simulate(const Experiment& experiment, const ChemicalSystem& chemistry,
                         const SimulationOptions& options = {});

}  // namespace talvex::api
