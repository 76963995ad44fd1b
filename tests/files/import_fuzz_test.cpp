#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "core/workbench.h"
#include "dialogs/form_ins.h"
#include "files/data_import.h"
#include "files/temp_folder.h"
#include "plot/form_option.h"
#include "support/fake_platform.h"

namespace talvex {
namespace {

// Everything an import may touch, to see that a failed one touched nothing and a good one only
// the points it read, in the column it opened.
struct StoreSnapshot {
    explicit StoreSnapshot(const Workbench& wb)
        : ins(wb.formIns.Estart.text() + "|" + wb.formIns.TxtI0.text()) {
        const Model& m = wb.model;
        for (int i = 0; i <= kMaxPoints; ++i) {
            x.push_back(m.Xdata(i));
            for (int c = 0; c < 7; ++c) y.push_back(m.Yplot(i, c));
        }
        nData = m.NData;
    }
    std::vector<double> x, y;
    std::string ins;
    int nData;
};

std::string RandomBytes(std::mt19937& rng, std::size_t n) {
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

// A valid file, then damaged: bytes replaced by random ones or by the characters that matter to
// the reader (separators, signs, exponents, line ends), runs of it cut or repeated.
std::string Mutated(std::mt19937& rng) {
    std::string s;
    const int pairs = static_cast<int>(rng() % 30);
    for (int i = 0; i < pairs; ++i)
        s += " .3" + std::to_string(i) + " ,         1.2E-0" + std::to_string(i % 10) + " \r\n";
    const std::string special = ",\r\n .-+eE0123456789\t;\"";
    const int edits = static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !s.empty(); ++e) {
        const std::size_t at = rng() % s.size();
        switch (rng() % 4) {
            case 0:
                s[at] = static_cast<char>(rng() & 0xFF);
                break;
            case 1:
                s[at] = special[rng() % special.size()];
                break;
            case 2:
                s.erase(at, rng() % 20);
                break;
            default:
                s.insert(at, s.substr(at, rng() % 40));
                break;
        }
    }
    return s;
}

// Seeded, so a failure reproduces; the pass/fail outcome is not fixed in advance, only that each
// import either succeeds within the store or fails with the message and no change at all.
TEST(ImportFuzz, ArbitraryBytesNeverCorruptTheStore) {
    testing::FakePlatform platform;
    Workbench wb(platform);
    testing::TempFolder folder;
    const std::string path = folder.Path("fuzz.csv");
    std::mt19937 rng(20240611);
    int succeeded = 0;
    for (int round = 0; round < 600; ++round) {
        const std::string bytes = round % 3 == 0 ? RandomBytes(rng, rng() % 3000) : Mutated(rng);
        testing::WriteWhole(path, bytes);
        wb.formOption.overlap.SetChecked(rng() % 2 == 0);
        const StoreSnapshot before(wb);
        const std::size_t messages = platform.messages.size();
        platform.fileAnswers.push_back(path);

        const bool ok = ReadData(wb);

        const Model& m = wb.model;
        const int column = m.NCurvesSaved;
        const int k = ok ? m.NData.value() : 0;
        ASSERT_EQ(platform.messages.size(), messages + (ok ? 0 : 1)) << round;
        if (!ok) {
            ASSERT_EQ(platform.messages.back().rfind("ReadData Error: ", 0), 0u) << round;
            ASSERT_EQ(StoreSnapshot(wb).ins, before.ins) << round;
            ASSERT_EQ(m.NData, before.nData) << round;
        } else {
            ++succeeded;
            ASSERT_TRUE(k >= 1 && k <= kMaxPoints) << round;
        }
        for (int i = 0; i <= kMaxPoints; ++i) {
            const bool read = i >= 1 && i <= k;
            if (read) {
                ASSERT_TRUE(std::isfinite(m.Xdata(i)) && std::isfinite(m.Yplot(i, column)))
                    << round;
            } else {
                ASSERT_EQ(m.Xdata(i), before.x[static_cast<std::size_t>(i)])
                    << round << " point " << i;
            }
            for (int c = 0; c < 7; ++c)
                if (!(read && c == column)) {
                    ASSERT_EQ(m.Yplot(i, c), before.y[static_cast<std::size_t>(i) * 7 + c])
                        << round << " point " << i;
                }
        }
    }
    EXPECT_GT(succeeded, 50);  // the damaged files must also exercise the success path
}

// Files without any separator are rejected after their first long field, not read to the end;
// devices and folders are not opened at all.
TEST(ImportFuzz, EndlessFieldsStopEarly) {
    testing::FakePlatform platform;
    Workbench wb(platform);
    testing::TempFolder folder;
    testing::WriteWhole(folder.Path("big.csv"), std::string(8 << 20, '\0'));
    platform.fileAnswers = {folder.Path("big.csv"), std::string("/dev/zero")};
    EXPECT_FALSE(ReadData(wb));
    EXPECT_EQ(platform.messages.back(), "ReadData Error: Type mismatch in line 1");
    if (std::filesystem::exists("/dev/zero")) {
        EXPECT_FALSE(ReadData(wb));
        EXPECT_EQ(platform.messages.back(), "ReadData Error: Path/File access error");
    }
}

}  // namespace
}  // namespace talvex
