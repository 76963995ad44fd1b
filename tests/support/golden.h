#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/result_window.h"

namespace talvex::testing {

// Compares `actual` with the file tests/data/<relative>, naming the first line that differs. With
// TALVEX_UPDATE_GOLDEN=1 in the environment the file is rewritten from `actual` instead: review
// the difference (git diff tests/data) before committing it.
::testing::AssertionResult MatchesGolden(const std::string& relative, const std::string& actual);

// The result window's lines, each ended by a newline: what a golden report holds.
std::string ResultText(const ResultWindow& window);

}  // namespace talvex::testing
