#include "fitting/fit_objective.h"

#include "core/run_error.h"

namespace talvex {

void FitObjective::EvaluateMany(int count, const double* points, int np, double* curves, int m, std::string* failures) {
    for (int k = 0; k < count; ++k) {
        failures[k].clear();
        try {
            Evaluate({points + static_cast<std::size_t>(k) * np, static_cast<std::size_t>(np)},
                     {curves + static_cast<std::size_t>(k) * m, static_cast<std::size_t>(m)});
        } catch (const RunError& e) {
            failures[k] = e.what();
        }
    }
}

}  // namespace talvex
