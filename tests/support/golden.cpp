#include "support/golden.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "support/numeric.h"

namespace talvex::testing {

::testing::AssertionResult MatchesGolden(const std::string& relative, const std::string& actual) {
    const std::string path = DataPath(relative);
    if (const char* update = std::getenv("TALVEX_UPDATE_GOLDEN"); update && *update == '1') {
        std::ofstream(path, std::ios::binary) << actual;
        return ::testing::AssertionSuccess();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return ::testing::AssertionFailure() << "no golden file " << path;
    const std::string golden{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (golden == actual) return ::testing::AssertionSuccess();
    std::istringstream want(golden), got(actual);
    std::string w, g;
    for (int line = 1;; ++line) {
        const bool hasW = !!std::getline(want, w), hasG = !!std::getline(got, g);
        if (!hasW && !hasG) return ::testing::AssertionFailure() << relative << ": line ends differ";
        if (!hasW || !hasG || w != g)
            return ::testing::AssertionFailure()
                   << relative << " line " << line << ":\n  golden: " << (hasW ? w : "<end>")
                   << "\n  actual: " << (hasG ? g : "<end>");
    }
}

std::string ResultText(const ResultWindow& window) {
    std::string text;
    for (const std::string& line : window.lines()) text += line + "\n";
    return text;
}

}  // namespace talvex::testing
