#pragma once

#include <string>

#include "core/run_error.h"

namespace talvex::testing {

// The description of the RunError that f() raises, or "no error".
template <typename F>
std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const RunError& e) {
        return e.description();
    }
    return "no error";
}

}  // namespace talvex::testing
