// Fuzzes the workspace reader: any bytes must end in a workspace or in a RunError, never in a
// crash or a hang, and a workspace that was read must write back to text that reads as the same
// workspace (so Save after Open cannot lose what Open accepted).
//
// Build and run from the repository root with clang and libFuzzer:
//
//   clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
//       -Isrc fuzz/workspace_fuzz.cpp src/files/workspace_file.cpp src/core/text_number.cpp \
//       src/core/run_error.cpp -o build/workspace_fuzz
//   mkdir -p build/fuzz_corpus_workspace
//   build/workspace_fuzz -max_total_time=60 build/fuzz_corpus_workspace fuzz/corpus/workspace
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/run_error.h"
#include "files/workspace_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    talvex::Workspace w;
    try {
        w = talvex::ParseWorkspace(text);
    } catch (const talvex::RunError&) {
        return 0;
    }
    const std::string written = talvex::WorkspaceText(w);
    const std::string again = talvex::WorkspaceText(talvex::ParseWorkspace(written));
    if (again != written) std::abort();
    return 0;
}
