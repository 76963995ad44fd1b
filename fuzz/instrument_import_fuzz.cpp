// Fuzzes the readers of potentiostat exports: any bytes must end in data or in a RunError, never
// in a crash, a hang or an unbounded allocation, and what is read must hold together (every cycle
// with points, equal potential and current counts, finite numbers, texts a message box can show).
//
// Build and run from the repository root with clang and libFuzzer (new inputs go to the scratch
// folder named first; the seeds in the repository stay as they are):
//
//   clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
//       -Isrc fuzz/instrument_import_fuzz.cpp src/files/instrument_import.cpp \
//       src/files/file_replace.cpp src/core/text_number.cpp src/core/run_error.cpp \
//       -o build/instrument_import_fuzz
//   mkdir -p build/fuzz_corpus
//   build/instrument_import_fuzz -max_total_time=60 -dict=fuzz/instrument_import.dict \
//       build/fuzz_corpus fuzz/corpus/instrument_import
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/constants.h"
#include "core/run_error.h"
#include "files/instrument_import.h"

namespace {

bool IsUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t len = c < 0x80                 ? 1
                                : c >= 0xC2 && c < 0xE0  ? 2
                                : c >= 0xE0 && c < 0xF0  ? 3
                                : c >= 0xF0 && c <= 0xF4 ? 4
                                                         : 0;
        if (len == 0 || i + len > s.size()) return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace talvex;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)IsPlainDataLayout(bytes);
    InstrumentData d;
    try {
        d = ParseInstrumentData(bytes);
    } catch (const RunError& e) {
        Check(IsUtf8(e.description()));
        return 0;
    }
    Check(!d.cycles.empty() && d.TotalPoints() <= kMaxFilePoints && d.cycles.size() <= kMaxFileCycles);
    for (const InstrumentCycle& c : d.cycles) {
        Check(!c.potential.empty() && c.potential.size() == c.current.size() && c.firstLine > 0);
        for (std::size_t k = 0; k < c.potential.size(); ++k)
            Check(std::isfinite(c.potential[k]) && std::isfinite(c.current[k]));
    }
    for (const std::string& line : DescribeImport(d)) Check(IsUtf8(line));
    // Every choice, thinned as the import would offer, fits the store.
    for (int cycle = 0; cycle <= static_cast<int>(d.cycles.size()) && cycle < 4; ++cycle) {
        const std::size_t points = CyclePoints(d, cycle);
        try {
            const DataPairs p = SelectCycle(d, cycle, cycle % 2 == 1, ThinningStep(points));
            Check(p.x.size() == p.y.size() && !p.x.empty() && p.x.size() <= static_cast<std::size_t>(kMaxPoints));
        } catch (const RunError&) {
            Check(false);
        }
    }
    return 0;
}
