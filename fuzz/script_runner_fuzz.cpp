// Fuzzes the batch script runner, and through it every dialog handler, menu command and the
// checks made before a run: any script must end with status 0 or 2, never in a crash, a hang or
// undefined behaviour.
//
// Lines that would touch the file system (file dialog answers, plot files) are dropped, and a
// script runs at most a few simulations so that each input stays quick.
//
// Build and run (scripts/fuzz.sh does both):
//
//   scripts/fuzz.sh build
//   build-fuzz/script_runner_fuzz -max_total_time=60 -timeout=20 build-fuzz/corpus/script_runner \
//       fuzz/corpus/script_runner
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "batch/script_runner.h"

namespace {

std::string_view FirstWord(std::string_view line) {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    return line.substr(0, line.find_first_of(" \t\r"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return -1;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string script;
    int runs = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        const std::string_view verb = FirstWord(line);
        if (verb == "answer" || verb == "plot") continue;
        if (verb == "menu" && ++runs > 6) continue;
        script.append(line);
        script.push_back('\n');
    }
    std::istringstream in(script);
    std::ostringstream out, err;
    const int status = talvex::RunScript(in, "fuzz.tvx", out, err);
    if (status != 0 && status != 2) std::abort();
    return 0;
}
