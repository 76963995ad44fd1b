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

// Everything an import may write, to see that a failed one wrote nothing and a good one only
// the points it read, in the column it opened.
std::vector<double> Store(const Workbench& wb) {
    std::vector<double> s{static_cast<double>(wb.model.NData.value())};
    for (int i = 0; i <= kMaxPoints; ++i) {
        s.push_back(wb.model.Xdata(i));
        for (int c = 0; c < 7; ++c) s.push_back(wb.model.Yplot(i, c));
    }
    return s;
}

// A valid file, damaged by a few edits: a byte replaced by a random one or by a character that
// matters to the reader, a run cut out or repeated.
std::string Damaged(std::mt19937& rng) {
    std::string s;
    for (int i = 0, n = static_cast<int>(rng() % 30); i < n; ++i)
        s += " .3" + std::to_string(i) + " ,         1.2E-0" + std::to_string(i % 10) + " \r\n";
    const std::string special = ",\r\n .-+eE0123456789\t;\"";
    for (int e = static_cast<int>(rng() % 4); e > 0 && !s.empty(); --e) {
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

// Seeded, so a failure reproduces. Each import either succeeds within the store or fails with
// the message and no change at all; under the sanitizer build this also checks every access.
TEST(ImportFuzz, ArbitraryBytesNeverCorruptTheStore) {
    testing::FakePlatform platform;
    Workbench wb(platform);
    testing::TempFolder folder;
    std::mt19937 rng(20240611);
    int succeeded = 0;
    for (int round = 0; round < 600; ++round) {
        std::string bytes = Damaged(rng);
        if (round % 3 == 0) {
            bytes.resize(rng() % 3000);
            for (auto& c : bytes) c = static_cast<char>(rng() & 0xFF);
        }
        testing::WriteWhole(folder.Path("fuzz.csv"), bytes);
        wb.formOption.overlap.SetChecked(rng() % 2 == 0);
        const std::vector<double> before = Store(wb);
        const std::string fieldsBefore = wb.formIns.Estart.text() + wb.formIns.TxtI0.text();
        const std::size_t messages = platform.messages.size();
        platform.fileAnswers.push_back(folder.Path("fuzz.csv"));

        const bool ok = ReadData(wb);

        ASSERT_EQ(platform.messages.size(), messages + (ok ? 0 : 1)) << round;
        if (!ok) {
            ASSERT_EQ(platform.messages.back().rfind("ReadData Error: ", 0), 0u) << round;
            ASSERT_EQ(wb.formIns.Estart.text() + wb.formIns.TxtI0.text(), fieldsBefore) << round;
            ASSERT_EQ(Store(wb), before) << round;
            continue;
        }
        ++succeeded;
        const int k = wb.model.NData, column = wb.model.NCurvesSaved;
        ASSERT_TRUE(k >= 1 && k <= kMaxPoints) << round;
        const std::vector<double> after = Store(wb);
        for (std::size_t j = 1; j < after.size(); ++j) {
            const int i = static_cast<int>((j - 1) / 8), c = static_cast<int>((j - 1) % 8) - 1;
            const bool read = i >= 1 && i <= k && (c == -1 || c == column);
            if (read) {
                ASSERT_TRUE(std::isfinite(after[j])) << round;
            } else {
                ASSERT_EQ(after[j], before[j]) << round << " point " << i << " column " << c;
            }
        }
    }
    EXPECT_GT(succeeded, 50);  // the damaged files must also reach the success path
}

// Files without any separator are rejected after their first long field, not read to the end;
// devices and folders are not opened at all.
TEST(ImportFuzz, EndlessFieldsStopEarly) {
    testing::FakePlatform platform;
    Workbench wb(platform);
    testing::TempFolder folder;
    testing::WriteWhole(folder.Path("big.csv"), std::string(1 << 20, '\0'));
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
