#include <benchmark/benchmark.h>

#include <string>

#include "core/text_number.h"
#include "files/instrument_import.h"

namespace talvex::bench {
namespace {

// A 4000-point EC-Lab export as the instrument writes it: 13 columns, decimal commas, two cycles.
std::string ECLabExport() {
    std::string s = "EC-Lab ASCII FILE\r\nNb header lines : 4\r\n\r\n";
    s += "mode\tox/red\terror\tcontrol changes\tcounter inc.\ttime/s\tcontrol/V\tEwe/V\t<I>/mA\t"
         "cycle number\t(Q-Qo)/C\tI Range\tP/W\r\n";
    for (int k = 0; k < 4000; ++k) {
        const double e = 0.3 - 0.0003 * (k % 2000);
        std::string row = "2\t0\t0\t0\t0\t" + GeneralFormat(k * 0.03) + "\t" + GeneralFormat(e) + "\t" +
                          GeneralFormat(e + 1.234567e-4) + "\t" + GeneralFormat(-0.0123456789 * e) + "\t" +
                          (k < 2000 ? "1" : "2") + "\t1.5E-06\t41\t2.3E-07\r\n";
        for (char& c : row)
            if (c == '.') c = ',';
        s += row;
    }
    return s;
}

// A 4000-point CH Instruments export: the header block, then two comma-separated columns.
std::string CHIExport() {
    std::string s =
        "Cyclic Voltammetry\r\nInstrument Model:  CHI660E\r\nInit E (V) = 0.3\r\n\r\n"
        "Potential/V, Current/A\r\n\r\n";
    for (int k = 0; k < 4000; ++k)
        s += GeneralFormat(0.3 - 0.00015 * k) + ", " + GeneralFormat(1.234e-6 * (k % 97)) + "\r\n";
    return s;
}

void BM_ParseECLab4000(benchmark::State& state) {
    const std::string text = ECLabExport();
    for (auto _ : state) benchmark::DoNotOptimize(ParseInstrumentData(text).cycles.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseECLab4000)->Unit(benchmark::kMicrosecond);

void BM_ParseCHI4000(benchmark::State& state) {
    const std::string text = CHIExport();
    for (auto _ : state) benchmark::DoNotOptimize(ParseInstrumentData(text).cycles.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseCHI4000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace talvex::bench
