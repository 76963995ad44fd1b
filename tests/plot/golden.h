#pragma once

#include <gtest/gtest.h>

#include <string>

namespace talvex::testing {

// Compares a recording with the golden file tests/data/plot/<name>. With TALVEX_UPDATE_GOLDEN=1
// in the environment the file is rewritten from `actual` instead (see tests/data/plot/README.md).
::testing::AssertionResult MatchesGolden(const std::string& name, const std::string& actual);

}  // namespace talvex::testing
