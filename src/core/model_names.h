#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/model.h"

namespace talvex {

// A model value read by its system name ("NData", "Xdata(10)", "Yplot(10,1)"), for the batch
// front end's print command. Empty `text` for an unassigned number.
struct NamedValue {
    std::string text;  // in the general number format, or the string itself
};

// No value when the name is not a model value or takes another number of indexes; an index
// outside its table raises "Subscript out of range".
std::optional<NamedValue> ReadModelValue(const Model& m, const std::string& name, const std::vector<int>& indexes);

}  // namespace talvex
