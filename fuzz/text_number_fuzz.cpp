// Fuzzes the reading and printing of numbers: every reading rule agrees with the others on any text
// (the leading-number rule, its checked form used before a run, the strict rule), never fails where
// it must not, and every number printed in the general format reads back as that number.
//
// Build and run (scripts/fuzz.sh does both):
//
//   scripts/fuzz.sh build
//   build-fuzz/text_number_fuzz -max_total_time=60 build-fuzz/corpus/text_number fuzz/corpus/text_number
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/run_error.h"
#include "core/text_number.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool Same(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

// A printed number must read back strictly, to within the digits printed.
void PrintedReadsBack(double x) {
    using namespace talvex;
    if (!std::isfinite(x)) return;
    for (int digits : {7, 15}) {
        const std::string g = GeneralFormat(x, digits);
        Require(IsNumber(g));
        const double back = StrictNumber(g);
        Require(std::fabs(back - x) <= std::fabs(x) * 1e-6 || std::fabs(x) < 1e-300);
        Require(IsNumber(PrintNumber(x, digits)));
        Require(StrictNumber(PrintNumber(x, digits)) == back);
    }
    Require(StrictNumber(FieldFormat(x)) == StrictNumber(GeneralFormat(x)));
    // Fifteen digits are a fixed point: printed, read and printed again they stay the same.
    const std::string once = GeneralFormat(x);
    Require(GeneralFormat(StrictNumber(once)) == once || std::fabs(x) < 2.3e-308);
    for (const char* pattern : {"0.###e-#", "#.###e-#", "0.####E-0", "0.##e-0", "0.##", "0.####", "0", "0E-0"})
        Require(!FormatNumber(x, pattern).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace talvex;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const double lenient = LeadingNumber(text);
    Require(std::isfinite(lenient));
    double checked = 0.0;
    const FieldReading reading = ReadField(text, checked);
    if (reading == FieldReading::Number || reading == FieldReading::DecimalComma) Require(Same(checked, lenient));
    if (reading == FieldReading::NotANumber || reading == FieldReading::OutOfRange) Require(lenient == 0.0);

    bool strictFailed = false;
    double strict = 0.0;
    try {
        strict = StrictNumber(text);
    } catch (const RunError& e) {
        Require(e.code() == ErrorCode::TypeMismatch);
        strictFailed = true;
    }
    Require(IsNumber(text) == !strictFailed);
    if (!strictFailed) {
        Require(std::isfinite(strict));
        Require(reading == FieldReading::Number && Same(strict, checked));
    }

    if (reading == FieldReading::Number) PrintedReadsBack(checked);
    // The bytes as a double too, so that every bit pattern is printed, subnormals and extremes included.
    if (size >= sizeof(double)) {
        double raw = 0.0;
        std::memcpy(&raw, data, sizeof raw);
        PrintedReadsBack(raw);
    }
    return 0;
}
