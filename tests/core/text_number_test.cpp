#include "core/text_number.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <tuple>
#include <utility>

#include "support/run_errors.h"

namespace talvex {
namespace {

// Dialog texts: the longest numeric prefix after leading blanks, 0 when there is none.
TEST(LeadingNumber, TakesTheLongestNumericPrefixOrZero) {
    const std::pair<const char*, double> cases[] = {
        {"1e-5", 1e-5}, {"12 mV", 12}, {"  -0.3", -0.3}, {".005", 0.005}, {"1.5E-05abc", 1.5e-5},
        {"+4", 4},      {"2e", 2},     {"3.e+", 3},  // an exponent without digits is not part of the number
        {"1,5", 1},                                  // a decimal comma ends the number
        {"", 0},        {"abc", 0},    {"-", 0},         {".", 0},        {"e5", 0},
        {"1e999", 0},   {"1e-999", 0},  // beyond the double range: not a usable number
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(LeadingNumber(text), value) << text;
}

// The checked form of the lenient rule, used before a run: it names the texts on which the lenient
// rule would quietly read something else than the user wrote.
TEST(ReadField, NamesTheTextsTheLenientRuleWouldMisread) {
    const std::tuple<const char*, FieldReading, double> cases[] = {
        {"12 mV", FieldReading::Number, 12},
        {"  -0.3", FieldReading::Number, -0.3},
        {"1e-999", FieldReading::Number, 0},
        {"12\tmV", FieldReading::Number, 12},
        {"3.e+", FieldReading::TrailingText, 3},  // an exponent begun and not finished
        {"2O", FieldReading::TrailingText, 2},    // the letter O for a zero
        {"1e-5q", FieldReading::TrailingText, 1e-5},
        {"0.1x", FieldReading::TrailingText, 0.1},
        {"12mV", FieldReading::TrailingText, 12},
        {"abc", FieldReading::NotANumber, 0},
        {"", FieldReading::NotANumber, 0},
        {"-0,3", FieldReading::DecimalComma, -0},
        {"1.5.2", FieldReading::DecimalComma, 1.5},
        {"1e309", FieldReading::OutOfRange, 0},
        {"-2e308 V", FieldReading::OutOfRange, 0},
        {"1.7976931348623157E+308", FieldReading::Number, 1.7976931348623157E+308},
    };
    for (const auto& [text, reading, value] : cases) {
        double v = -1;
        EXPECT_EQ(ReadField(text, v), reading) << text;
        EXPECT_EQ(v, value) << text;
    }
}

TEST(StrictNumber, AcceptsOnlyAWholeNumber) {
    EXPECT_EQ(StrictNumber(" 0.005 "), 0.005);
    EXPECT_EQ(StrictNumber("-1.5E-05"), -1.5e-5);
    for (const char* bad : {"", "  ", "abc", "12 mV", "1,5", "1e999", "--1", "0.0.1"})
        EXPECT_EQ(testing::ErrorOf([&] { StrictNumber(bad); }), "Type mismatch") << bad;
    EXPECT_TRUE(IsNumber("1e4"));
    EXPECT_FALSE(IsNumber("1e4x"));
}

// 15 significant digits, no zero before the point, exponent form below 1e-4 and from 1e15; the
// result window adds a blank for the sign and one after; dialog fields get the zero before the point.
TEST(GeneralFormat, PrintsLikeTheResultWindowAndTheDialogs) {
    const std::pair<double, const char*> cases[] = {
        {2, "2"},
        {0.005, ".005"},
        {-0.3, "-.3"},
        {0, "0"},
        {1e-5, "1E-05"},
        {-0.000015, "-1.5E-05"},
        {-0.123456789012345, "-.123456789012345"},
        {1.0 / 3.0, ".333333333333333"},
        {0.0001, ".0001"},  // exponent -4 is still fixed
        {1e14, "100000000000000"},
        {1e15, "1E+15"},
        {123.25, "123.25"},
        {4.159e-7, "4.159E-07"},
        {0.1 + 0.2, ".3"},  // 15 significant digits hide the binary tail
        {1.5e-300, "1.5E-300"},
        // The largest doubles would round past the double range at 15 digits: they are cut, so
        // that every printed number (an exported curve) reads back; rounding that stays in range
        // is unchanged.
        {1.7976931348623157E+308, "1.79769313486231E+308"},
        {-1.7976931348623157E+308, "-1.79769313486231E+308"},
        {1.5e308, "1.5E+308"},
    };
    for (const auto& [x, text] : cases) EXPECT_EQ(GeneralFormat(x), text) << x;
    EXPECT_EQ(GeneralFormat(1.7976931348623157E+308, 7), "1.797693E+308");
    EXPECT_EQ(StrictNumber(GeneralFormat(1.7976931348623157E+308)), 1.79769313486231E+308);
    EXPECT_EQ(PrintNumber(0.3), " .3 ");
    EXPECT_EQ(PrintNumber(-1.5e-5), "-1.5E-05 ");
    EXPECT_EQ(PrintNumber(12.34567f, 7), " 12.34567 ");
    EXPECT_EQ(PrintNumber(static_cast<double>(0.1f), 7), " .1 ");  // single precision prints 7 digits
    const std::pair<double, const char*> fields[] = {{0.005, "0.005"}, {-0.3, "-0.3"}, {2, "2"}, {1e-5, "1E-05"}};
    for (const auto& [x, text] : fields) EXPECT_EQ(FieldFormat(x), text) << x;
}

// The concentration, equilibrium and display patterns; rounding is half away from zero.
TEST(FormatNumber, Patterns) {
    struct Case {
        double x;
        const char* pattern;
        const char* text;
    };
    const Case cases[] = {
        {0.001, "0.###e-#", "1.e-3"},
        {0.0012345, "0.###e-#", "1.235e-3"},
        {12, "0.###e-#", "1.2e1"},
        {0, "0.###e-#", "0.e0"},
        {9.99584e-4, "0.###e-#", "9.996e-4"},
        {4.15917e-7, "0.###e-#", "4.159e-7"},
        {-0.0025, "0.###e-#", "-2.5e-3"},
        {1000, "#.###e-#", "1.e3"},
        {0.5, "#.###e-#", "5.e-1"},
        {9.9996, "0.###e-#", "1.e1"},  // rounding carries into the exponent
        {0.282095, "0.##e-0", "2.82e-1"},
        {1.00003, "0.##e-0", "1.e0"},
        {1.2345e-5, "0.####E-0", "1.2345E-5"},
        {-8.7531e-5, "0.####E-0", "-8.7531E-5"},
        {1e-6, "0E-0", "1E-6"},
        {1000, "0E-0", "1E3"},
        {0.3, "0.##", "0.3"},
        {-0.1, "0.##", "-0.1"},
        {0.125, "0.##", "0.13"},
        {1, "0.##", "1."},
        {-1e-17, "0.##", "0."},  // no minus sign on a rounded zero
        {0.05916, "0.####", "0.0592"},
        {2.9999999, "0", "3"},
        {-1, "0", "-1"},
        {-0.2, "0", "0"},
        {123.456, "0", "123"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatNumber(c.x, c.pattern), c.text) << c.x << " " << c.pattern;
}

// The desktop application runs in the user's locale, where a German desktop writes 0,5: reading and
// printing must not follow it (the C library's number functions would read "1.5e-400" as 1).
TEST(TextNumberLocale, CommaDecimalLocaleChangesNothing) {
    struct Restore {
        std::string saved = std::setlocale(LC_ALL, nullptr);
        ~Restore() { std::setlocale(LC_ALL, saved.c_str()); }
    } restore;
    const char* found = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"})
        if (std::setlocale(LC_ALL, name)) {
            found = name;
            break;
        }
    ASSERT_NE(found, nullptr) << "no comma-decimal locale installed (scripts/setup.sh generates de_DE.UTF-8)";
    ASSERT_EQ(*std::localeconv()->decimal_point, ',');
    EXPECT_EQ(testing::ErrorOf([] { EXPECT_EQ(StrictNumber("1.5e-400"), 0.0); }), "no error");
    EXPECT_EQ(LeadingNumber("0.5"), 0.5);
    EXPECT_EQ(LeadingNumber("1,5"), 1.0);
    EXPECT_EQ(LeadingNumber("2.5e-400 V"), 0.0);
    EXPECT_EQ(LeadingNumber("1.5e999"), 0.0);
    EXPECT_EQ(GeneralFormat(0.005) + PrintNumber(-1.5e-5) + FieldFormat(0.25) + FormatNumber(0.0012345, "0.###e-#"),
              ".005-1.5E-05 0.251.235e-3");
}

}  // namespace
}  // namespace talvex
