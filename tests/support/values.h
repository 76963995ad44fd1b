#pragma once

#include <vector>

namespace talvex::testing {

// Several model values (of any numeric type) as one list of doubles, so one assertion can compare
// them all and print every one on failure.
template <typename... T>
std::vector<double> Values(T... v) {
    return {static_cast<double>(v)...};
}

}  // namespace talvex::testing
