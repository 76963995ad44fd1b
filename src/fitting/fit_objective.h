#pragma once

#include <span>

namespace talvex {

// What a least-squares fit adjusts: the model's curve at the measured points for one vector of
// free parameters. The fit of a voltammogram writes the parameters into the model and runs the
// simulation; tests use closed-form models.
class FitObjective {
  public:
    virtual ~FitObjective() = default;

    // Fills f (one value per measured point) for the parameters p. A failure raises RunError;
    // the fit then treats the point as one that cannot be an improvement and does not read f.
    virtual void Evaluate(std::span<const double> p, std::span<double> f) = 0;
};

}  // namespace talvex
