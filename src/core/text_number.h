#pragma once

#include <string>
#include <string_view>

#include "core/assignable.h"

// Every conversion between numbers and text goes through here. The decimal point is always a
// full stop, whatever the locale.
namespace talvex {

// The leading number of a dialog text: leading blanks skipped, then the longest prefix that forms
// a number (sign, digits, point, exponent with E). Empty or non-numeric text gives 0; trailing
// characters are ignored ("12 mV" gives 12). Never fails.
double LeadingNumber(std::string_view text);

// How a dialog text reads under the leading-number rule, for the checks made before a run. The
// rule itself never fails; these are the texts on which it would quietly read something the user
// did not write.
enum class FieldReading {
    Number,        // a number, perhaps followed by a blank or a unit ("12 mV")
    NotANumber,    // empty, or does not begin with a number ("abc")
    DecimalComma,  // the number goes on after a comma or a second point ("-0,3", "1.5.2")
    OutOfRange,    // beyond the range of a double ("1e309")
    TrailingText,  // other characters right after the number, without a blank ("2O", "1e-5q", "0.1x")
};
FieldReading ReadField(std::string_view text, double& value);

// The whole text must be a number (blanks around it allowed), else "Type mismatch" is raised.
double StrictNumber(std::string_view text);

// True when StrictNumber would accept the text.
bool IsNumber(std::string_view text);

// True when the whole text (blanks around it allowed) has the form of a number, whether or not a
// double can hold it: "1e999" too, so that a number beyond the range can be told from no number.
bool HasNumberForm(std::string_view text);

// General format, up to `digits` significant digits: fixed notation without a zero before the
// point (.005, -.3, 2), or exponent notation (1E-05, -1.5E-05, 1E+15) when the decimal exponent is
// below -4 or at least `digits`. No trailing zeros.
std::string GeneralFormat(double x, int digits = 15);

// The same number as the result window and the files print it: a leading blank when not
// negative (the minus sign takes its place otherwise) and one trailing blank.
std::string PrintNumber(double x, int digits = 15);

// Like GeneralFormat but with a zero before the decimal point (0.005, -0.3): the form in which the
// system writes numbers back into dialog fields.
std::string FieldFormat(double x);

// Display patterns: "0.###e-#", "#.###e-#", "0.####E-0", "0.##e-0", "0.##", "0.####", "0", "0E-0",
// and others built from the same pieces ('0' digit, '#' optional digit, '.', e/E with - or +).
// The point is kept even when no decimals follow (1.e-3); rounding is half away from zero on the
// 15-digit decimal value.
std::string FormatNumber(double x, std::string_view pattern);

}  // namespace talvex
