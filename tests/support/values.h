#pragma once

#include <vector>

namespace talvex::testing {

// Several values of any numeric type as one list, so that one assertion compares and prints them all.
template <typename... T>
std::vector<double> Values(T... v) {
    return {static_cast<double>(v)...};
}

}  // namespace talvex::testing
