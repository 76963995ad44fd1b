#include "plot/golden.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/numeric.h"

namespace talvex::testing {
namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

::testing::AssertionResult MatchesGolden(const std::string& name, const std::string& actual) {
    const std::string path = DataPath("plot/" + name);
    const char* update = std::getenv("TALVEX_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << actual;
        if (!out) return ::testing::AssertionFailure() << "cannot write " << path;
        return ::testing::AssertionSuccess();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ::testing::AssertionFailure()
               << "no golden file " << path << " (run with TALVEX_UPDATE_GOLDEN=1)";
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::vector<std::string> want = SplitLines(buffer.str());
    const std::vector<std::string> got = SplitLines(actual);
    for (std::size_t i = 0; i < want.size() || i < got.size(); ++i) {
        const std::string w = i < want.size() ? want[i] : "<end of file>";
        const std::string g = i < got.size() ? got[i] : "<end of recording>";
        if (w != g)
            return ::testing::AssertionFailure()
                   << name << " line " << i + 1 << ":\n  golden:   " << w << "\n  recorded: " << g;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace talvex::testing
