#pragma once

#include <string>
#include <vector>

#include "core/model.h"

namespace talvex::testing {

// The model values named in `names` ("Estep TempK LineStyle(5) Yplot(3,1)"), each as the batch
// print command shows it (general format, True/False, nothing when unassigned, "?" for a name the
// model does not have), joined by single spaces: one comparison for a group of fields.
std::string ModelValues(const Model& m, const std::string& names);

// Points 1..NData of curve `column`.
std::vector<double> Curve(const Model& m, int column);

}  // namespace talvex::testing
