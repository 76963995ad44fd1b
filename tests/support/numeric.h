#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace talvex::testing {

// The one tolerant comparison of the numerical tests: relative tolerance, or absolute near zero.
// On failure it prints both values and their relative difference.
inline ::testing::AssertionResult Near(double actual, double expected, double relTol, double absTol = 0.0) {
    const double diff = std::fabs(actual - expected);
    const double scale = std::fabs(expected);
    if (diff <= absTol || diff <= relTol * scale) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "actual " << actual << ", expected " << expected << " (relative difference "
                                         << (scale > 0 ? diff / scale : diff) << ", tolerance " << relTol << ")";
}

// A CSV file with a header line: columns of numbers by name.
struct CsvTable {
    std::vector<std::string> names;
    std::vector<std::vector<double>> columns;
    const std::vector<double>& operator[](const std::string& name) const;
    std::size_t rows() const { return columns.empty() ? 0 : columns[0].size(); }
};

CsvTable ReadCsv(const std::string& path);
std::string DataPath(const std::string& relative);  // under tests/data

}  // namespace talvex::testing
