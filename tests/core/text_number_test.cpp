#include "core/text_number.h"

#include <gtest/gtest.h>

#include "core/run_error.h"

namespace talvex {
namespace {

TEST(LeadingNumber, TakesTheLongestNumericPrefix) {
    EXPECT_EQ(LeadingNumber("1e-5"), 1e-5);
    EXPECT_EQ(LeadingNumber("12 mV"), 12);
    EXPECT_EQ(LeadingNumber("  -0.3"), -0.3);
    EXPECT_EQ(LeadingNumber(".005"), 0.005);
    EXPECT_EQ(LeadingNumber("1.5E-05abc"), 1.5e-5);
    EXPECT_EQ(LeadingNumber("2e"), 2);    // an exponent without digits is not part of the number
    EXPECT_EQ(LeadingNumber("3.e+"), 3);
    EXPECT_EQ(LeadingNumber("+4"), 4);
    EXPECT_EQ(LeadingNumber("1,5"), 1);   // a decimal comma ends the number
}

TEST(LeadingNumber, NonNumericTextGivesZero) {
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("abc"), 0);
    EXPECT_EQ(LeadingNumber("-"), 0);
    EXPECT_EQ(LeadingNumber("."), 0);
    EXPECT_EQ(LeadingNumber("e5"), 0);
    EXPECT_EQ(LeadingNumber("1e999"), 0);  // beyond the double range: not a usable number
    EXPECT_EQ(LeadingNumber("1e-999"), 0);
}

TEST(StrictNumber, AcceptsOnlyAWholeNumber) {
    EXPECT_EQ(StrictNumber(" 0.005 "), 0.005);
    EXPECT_EQ(StrictNumber("-1.5E-05"), -1.5e-5);
    for (const char* bad : {"", "  ", "abc", "12 mV", "1,5", "1e999", "--1", "0.0.1"}) {
        try {
            StrictNumber(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const RunError& e) {
            EXPECT_EQ(e.description(), "Type mismatch");
        }
    }
    EXPECT_TRUE(IsNumber("1e4"));
    EXPECT_FALSE(IsNumber("1e4x"));
}

TEST(GeneralFormat, PrintsLikeTheResultWindow) {
    EXPECT_EQ(PrintNumber(2), " 2 ");
    EXPECT_EQ(PrintNumber(0.005), " .005 ");
    EXPECT_EQ(PrintNumber(-0.3), "-.3 ");
    EXPECT_EQ(PrintNumber(0.3), " .3 ");
    EXPECT_EQ(PrintNumber(1e-5), " 1E-05 ");
    EXPECT_EQ(PrintNumber(-0.000015), "-1.5E-05 ");
    EXPECT_EQ(PrintNumber(0), " 0 ");
    EXPECT_EQ(PrintNumber(-0.123456789012345), "-.123456789012345 ");
    EXPECT_EQ(GeneralFormat(0.0001), ".0001");  // exponent -4 is still fixed
    EXPECT_EQ(GeneralFormat(1e14), "100000000000000");
    EXPECT_EQ(GeneralFormat(1e15), "1E+15");
    EXPECT_EQ(GeneralFormat(1.0 / 3.0), ".333333333333333");
    EXPECT_EQ(GeneralFormat(0.1 + 0.2), ".3");  // 15 significant digits hide the binary tail
    EXPECT_EQ(GeneralFormat(123.25), "123.25");
    EXPECT_EQ(GeneralFormat(4.159e-7), "4.159E-07");
    EXPECT_EQ(GeneralFormat(1.5e-300), "1.5E-300");
    EXPECT_EQ(PrintNumber(12.34567f, 7), " 12.34567 ");
    EXPECT_EQ(PrintNumber(static_cast<double>(0.1f), 7), " .1 ");  // single precision prints 7 digits
}

TEST(FieldFormat, WritesAZeroBeforeThePoint) {
    EXPECT_EQ(FieldFormat(0.005), "0.005");
    EXPECT_EQ(FieldFormat(-0.3), "-0.3");
    EXPECT_EQ(FieldFormat(0.5), "0.5");
    EXPECT_EQ(FieldFormat(2), "2");
    EXPECT_EQ(FieldFormat(1e-5), "1E-05");
}

TEST(FormatNumber, ConcentrationAndEquilibriumPatterns) {
    EXPECT_EQ(FormatNumber(0.001, "0.###e-#"), "1.e-3");
    EXPECT_EQ(FormatNumber(0.0012345, "0.###e-#"), "1.235e-3");
    EXPECT_EQ(FormatNumber(12, "0.###e-#"), "1.2e1");
    EXPECT_EQ(FormatNumber(0, "0.###e-#"), "0.e0");
    EXPECT_EQ(FormatNumber(9.99584e-4, "0.###e-#"), "9.996e-4");
    EXPECT_EQ(FormatNumber(4.15917e-7, "0.###e-#"), "4.159e-7");
    EXPECT_EQ(FormatNumber(-0.0025, "0.###e-#"), "-2.5e-3");
    EXPECT_EQ(FormatNumber(9.9996, "0.###e-#"), "1.e1");  // rounding carries into the exponent
    EXPECT_EQ(FormatNumber(1000, "#.###e-#"), "1.e3");
    EXPECT_EQ(FormatNumber(0.5, "#.###e-#"), "5.e-1");
}

TEST(FormatNumber, DisplayPatterns) {
    EXPECT_EQ(FormatNumber(0.282095, "0.##e-0"), "2.82e-1");
    EXPECT_EQ(FormatNumber(1.00003, "0.##e-0"), "1.e0");
    EXPECT_EQ(FormatNumber(1.2345e-5, "0.####E-0"), "1.2345E-5");
    EXPECT_EQ(FormatNumber(-8.7531e-5, "0.####E-0"), "-8.7531E-5");
    EXPECT_EQ(FormatNumber(1e-6, "0E-0"), "1E-6");
    EXPECT_EQ(FormatNumber(1000, "0E-0"), "1E3");
    EXPECT_EQ(FormatNumber(0.3, "0.##"), "0.3");
    EXPECT_EQ(FormatNumber(-0.1, "0.##"), "-0.1");
    EXPECT_EQ(FormatNumber(0.125, "0.##"), "0.13");  // half away from zero
    EXPECT_EQ(FormatNumber(1, "0.##"), "1.");
    EXPECT_EQ(FormatNumber(-1e-17, "0.##"), "0.");  // no minus sign on a rounded zero
    EXPECT_EQ(FormatNumber(0.05916, "0.####"), "0.0592");
    EXPECT_EQ(FormatNumber(2.9999999, "0"), "3");
    EXPECT_EQ(FormatNumber(-1, "0"), "-1");
    EXPECT_EQ(FormatNumber(-0.2, "0"), "0");
    EXPECT_EQ(FormatNumber(123.456, "0"), "123");
}

}  // namespace
}  // namespace talvex
