// Fuzzes the data import: any bytes must end in pairs or in a RunError ("ReadData Error: ..."),
// never in a crash, a hang or undefined behaviour; what is read must be 1 to 4000 finite pairs; and
// what Export Data writes for those pairs must import again to the same text.
//
// Build and run (scripts/fuzz.sh does both; new inputs go to the scratch folder named first, the
// seeds in the repository stay as they are):
//
//   scripts/fuzz.sh build
//   build-fuzz/data_import_fuzz -max_total_time=60 build-fuzz/corpus/data_import fuzz/corpus/data_import
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <utility>

#include "core/constants.h"
#include "core/model.h"
#include "core/run_error.h"
#include "files/data_export.h"
#include "files/data_import.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace talvex;
    // One store for every input: the export reads the pairs from it, as the command does.
    static const auto model = std::make_unique<Model>();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    DataPairs d;
    try {
        d = ParseDataPairs(bytes);
    } catch (const RunError& e) {
        Require(!e.description().empty());
        return 0;
    }
    const std::size_t k = d.x.size();
    Require(k >= 1 && k <= static_cast<std::size_t>(kMaxPoints) && d.y.size() == k);
    for (std::size_t i = 0; i < k; ++i) Require(std::isfinite(d.x[i]) && std::isfinite(d.y[i]));
    try {
        ProposeInstrument(*model, d);
    } catch (const RunError&) {
        // a step beyond the double range (1e308 to -1e308) is reported, not proposed
    }

    // Export, import, export again: the second import gives the same numbers back exactly (the
    // first may move a subnormal value, which holds fewer than 15 digits, to its printed neighbour).
    Model& m = *model;
    const int n = static_cast<int>(k);
    const auto Store = [&](const DataPairs& p) {
        for (int i = 1; i <= n; ++i) {
            m.Xdata(i) = p.x[static_cast<std::size_t>(i - 1)];
            m.Yplot(i, 1) = p.y[static_cast<std::size_t>(i - 1)];
        }
    };
    const auto Reimport = [&]() {
        try {
            return ParseDataPairs(ExportText(m, 1, n, 1));
        } catch (const RunError&) {
            std::abort();  // an exported file that does not import again
        }
    };
    Store(d);
    const DataPairs once = Reimport();
    Require(once.x.size() == k);
    for (std::size_t i = 0; i < k; ++i) {
        for (const auto& [a, b] : {std::pair{d.x[i], once.x[i]}, std::pair{d.y[i], once.y[i]}})
            Require(std::fabs(a - b) <= 1e-14 * std::fabs(a) || std::fabs(a) < 1e-300);
    }
    Store(once);
    const DataPairs twice = Reimport();
    Require(twice.x == once.x && twice.y == once.y);
    return 0;
}
