#pragma once

#include <span>
#include <string>

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

    // Several points at once, as the Jacobian wants them: point k is points[k * np .. k * np + np)
    // and its curve goes to curves[k * m .. k * m + m). A point that cannot be evaluated leaves the
    // description of its error in failures[k] (empty for one that can). The points are independent:
    // an objective may evaluate them in any order or at once; this one does them in turn.
    virtual void EvaluateMany(int count, const double* points, int np, double* curves, int m, std::string* failures);
};

}  // namespace talvex
