#include "core/text_number.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/run_error.h"

namespace talvex {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the longest prefix of s that forms a number: [sign] digits [. digits] [E [sign] digits].
std::size_t NumberPrefix(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t mantissaDigits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++mantissaDigits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        std::size_t expDigits = 0;
        while (j < s.size() && IsDigit(s[j])) ++j, ++expDigits;
        if (expDigits > 0) i = j;
    }
    return i;
}

// The power of ten of the first significant digit of a well-formed number text (sign, digits,
// point, exponent), whatever its magnitude; a value that is all zeros gives a very low order.
long long DecimalOrder(std::string_view s) {
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) s.remove_prefix(1);
    long long digitsBeforePoint = 0;
    long long position = 0;  // digits seen so far
    long long firstSignificant = -1;
    bool afterPoint = false;
    std::size_t i = 0;
    for (; i < s.size() && s[i] != 'e' && s[i] != 'E'; ++i) {
        if (s[i] == '.') {
            afterPoint = true;
            continue;
        }
        if (!afterPoint) ++digitsBeforePoint;
        if (s[i] != '0' && firstSignificant < 0) firstSignificant = position;
        ++position;
    }
    if (firstSignificant < 0) return std::numeric_limits<int>::min();
    long long exponent = 0;
    if (i < s.size()) {
        std::string_view e = s.substr(i + 1);
        if (!e.empty() && e[0] == '+') e.remove_prefix(1);
        const auto [ptr, ec] = std::from_chars(e.data(), e.data() + e.size(), exponent);
        // An exponent with more digits than a long long holds is far beyond either end.
        if (ec == std::errc::result_out_of_range) exponent = e[0] == '-' ? -(1LL << 40) : (1LL << 40);
    }
    return digitsBeforePoint - 1 - firstSignificant + exponent;
}

// Parses exactly s (already known to be a number); from_chars does not take a leading '+'.
// Neither step depends on the C locale, so a desktop that writes 0,5 reads "0.5" all the same.
bool ParseExact(std::string_view s, double& out) {
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    if (ec == std::errc::result_out_of_range) {
        // Underflow reads as 0; a magnitude beyond the double range is not a usable number.
        out = 0.0;
        return DecimalOrder(s) < 0;
    }
    return ec == std::errc() && ptr == s.data() + s.size() && std::isfinite(out);
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Decimal digits and exponent of |x| rounded half away from zero to `digits` significant digits,
// working from the 15-digit decimal value (so 0.0012345 rounds to 1.235e-3 as the user expects).
struct Decimal {
    std::string digits;  // exactly `count` digits, first one non-zero (unless the value is 0)
    int exponent = 0;    // value = 0.d1d2d3... * 10^(exponent+1), i.e. d1 is at 10^exponent
};

Decimal ToDecimal(double x, int count) {
    Decimal d;
    x = std::fabs(x);
    if (x == 0.0) {
        d.digits.assign(static_cast<std::size_t>(count), '0');
        return d;
    }
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    std::string s(buf, res.ptr);  // d.dddddddddddddde[+-]xx
    const auto ePos = s.find('e');
    std::string mant = s.substr(0, 1) + s.substr(2, ePos - 2);  // 15 digits
    int exp = std::atoi(s.c_str() + ePos + 1);
    if (count < 15) {
        const bool up = mant[static_cast<std::size_t>(count)] >= '5';
        mant.resize(static_cast<std::size_t>(count));
        if (up) {
            int k = count - 1;
            while (k >= 0 && mant[static_cast<std::size_t>(k)] == '9') mant[static_cast<std::size_t>(k--)] = '0';
            if (k >= 0) {
                ++mant[static_cast<std::size_t>(k)];
            } else {
                mant.insert(mant.begin(), '1');
                mant.pop_back();
                ++exp;
            }
        }
    } else {
        mant.resize(static_cast<std::size_t>(count), '0');
    }
    d.digits = mant;
    d.exponent = exp;
    return d;
}

// Rounding the largest doubles to fewer digits can carry past the end of the double range
// (1.7976931348623157E+308 to 15 digits is 1.79769313486232E+308). Such a value is cut instead of
// rounded, so that every number printed reads back as a number.
Decimal PrintableDecimal(double x, int count) {
    Decimal d = ToDecimal(x, count);
    if (d.exponent < std::numeric_limits<double>::max_exponent10) return d;
    std::string text = d.digits;
    text.insert(1, 1, '.');
    text += 'e';
    text += std::to_string(d.exponent);
    double back = 0.0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), back);
    if (ec != std::errc::result_out_of_range) return d;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 20);
    const std::string exact(buf, res.ptr);
    d.digits = exact.substr(0, 1);
    d.digits.append(exact, 2, static_cast<std::size_t>(count - 1));
    return d;
}

void StripTrailingZeros(std::string& s) {
    while (!s.empty() && s.back() == '0') s.pop_back();
}

// Rounds |x| to `decimals` places, half away from zero on its 15-digit decimal value; returns the
// integer digits (possibly empty) and exactly `decimals` fraction digits.
void FixedDigits(double x, int decimals, std::string& intPart, std::string& fracPart) {
    std::string kept;  // the rounded value times 10^decimals, as decimal digits
    const double ax = std::fabs(x);
    if (ax != 0.0) {
        const Decimal d = ToDecimal(ax, 15);
        const int keep = d.exponent + decimals + 1;  // digits of the 15 that survive
        if (keep >= 15) {
            kept = d.digits + std::string(static_cast<std::size_t>(keep - 15), '0');
        } else if (keep == 0) {
            kept.assign(1, d.digits[0] >= '5' ? '1' : '0');
        } else if (keep > 0) {
            kept = d.digits.substr(0, static_cast<std::size_t>(keep));
            if (d.digits[static_cast<std::size_t>(keep)] >= '5') {
                int k = keep - 1;
                while (k >= 0 && kept[static_cast<std::size_t>(k)] == '9') kept[static_cast<std::size_t>(k--)] = '0';
                if (k >= 0)
                    ++kept[static_cast<std::size_t>(k)];
                else
                    kept.insert(kept.begin(), '1');
            }
        }
    }
    if (kept.empty()) kept.assign(1, '0');
    if (static_cast<int>(kept.size()) < decimals) kept.insert(0, static_cast<std::size_t>(decimals) - kept.size(), '0');
    const std::size_t split = kept.size() - static_cast<std::size_t>(decimals);
    intPart = kept.substr(0, split);
    fracPart = kept.substr(split);
}

}  // namespace

double LeadingNumber(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) ++start;
    std::string_view rest = text.substr(start);
    const std::size_t len = NumberPrefix(rest);
    if (len == 0) return 0.0;
    double v = 0.0;
    if (!ParseExact(rest.substr(0, len), v)) return 0.0;
    return v;
}

FieldReading ReadField(std::string_view text, double& value) {
    value = 0.0;
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) ++start;
    const std::string_view rest = text.substr(start);
    const std::size_t len = NumberPrefix(rest);
    if (len == 0) return FieldReading::NotANumber;
    const std::string_view number = rest.substr(0, len);
    if (!ParseExact(number, value)) return FieldReading::OutOfRange;
    // A comma or point right after the number means it was written with a decimal comma (or is
    // not one number at all): the leading part alone would be a different value.
    if (len < rest.size() && (rest[len] == ',' || rest[len] == '.')) return FieldReading::DecimalComma;
    // A unit follows after a blank ("12 mV"); a letter right after the number is a slip of the
    // hand ("2O" for 20, "1e-5q") that the leading part would quietly read as another value.
    if (len < rest.size() && !IsBlank(rest[len])) return FieldReading::TrailingText;
    return FieldReading::Number;
}

bool HasNumberForm(std::string_view text) {
    const std::string_view t = Trim(text);
    return !t.empty() && NumberPrefix(t) == t.size();
}

bool IsNumber(std::string_view text) {
    double v = 0.0;
    return HasNumberForm(text) && ParseExact(Trim(text), v);
}

double StrictNumber(std::string_view text) {
    double v = 0.0;
    if (!HasNumberForm(text) || !ParseExact(Trim(text), v)) Raise(ErrorCode::TypeMismatch);
    return v;
}

std::string GeneralFormat(double x, int digits) {
    if (x == 0.0 || !std::isfinite(x)) {
        if (std::isnan(x)) return "NaN";
        if (std::isinf(x)) return x > 0 ? "Inf" : "-Inf";
        return "0";
    }
    const Decimal d = PrintableDecimal(x, digits);
    std::string sig = d.digits;
    StripTrailingZeros(sig);
    std::string out = x < 0 ? "-" : "";
    const int e = d.exponent;
    if (e < -4 || e >= digits) {
        out += sig.substr(0, 1);
        if (sig.size() > 1) {
            out += '.';
            out.append(sig, 1, std::string::npos);
        }
        out += "E";
        out += e < 0 ? "-" : "+";
        const int ae = e < 0 ? -e : e;
        if (ae < 10) out += "0";
        out += std::to_string(ae);
        return out;
    }
    if (e < 0) {
        out += "." + std::string(static_cast<std::size_t>(-e - 1), '0') + sig;
    } else if (static_cast<int>(sig.size()) <= e + 1) {
        out += sig + std::string(static_cast<std::size_t>(e + 1 - static_cast<int>(sig.size())), '0');
    } else {
        out += sig.substr(0, static_cast<std::size_t>(e + 1)) + "." + sig.substr(static_cast<std::size_t>(e + 1));
    }
    return out;
}

std::string PrintNumber(double x, int digits) {
    std::string g = GeneralFormat(x, digits);
    if (g.empty() || g[0] != '-') g.insert(g.begin(), ' ');
    return g + " ";
}

std::string FieldFormat(double x) {
    std::string g = GeneralFormat(x);
    if (g.rfind(".", 0) == 0) return "0" + g;
    if (g.rfind("-.", 0) == 0) return "-0" + g.substr(1);
    return g;
}

std::string FormatNumber(double x, std::string_view pattern) {
    if (!std::isfinite(x)) return GeneralFormat(x);
    // Split the pattern into integer digits, fraction digits and exponent part.
    std::size_t ePos = pattern.find_first_of("eE");
    std::string_view mant = pattern.substr(0, ePos);
    std::string_view expo = ePos == std::string_view::npos ? std::string_view{} : pattern.substr(ePos);
    const std::size_t dot = mant.find('.');
    std::string_view intPat = mant.substr(0, dot);
    std::string_view fracPat = dot == std::string_view::npos ? std::string_view{} : mant.substr(dot + 1);
    const bool hasPoint = dot != std::string_view::npos;
    int fracZeros = 0, fracHashes = 0;
    for (char c : fracPat) (c == '0' ? fracZeros : fracHashes)++;
    const int decimals = fracZeros + fracHashes;
    int intZeros = 0;
    for (char c : intPat) intZeros += c == '0';

    std::string intPart, fracPart, expText;
    if (!expo.empty()) {
        // Scientific: one digit before the point; exponent sign by "e-" (minus only) or "e+".
        const char letter = expo[0];
        const bool signed_ = expo.size() > 1 && (expo[1] == '+' || expo[1] == '-');
        const bool plus = signed_ && expo[1] == '+';
        int minDigits = 0;
        for (char c : expo.substr(signed_ ? 2 : 1)) minDigits += c == '0';
        int e = 0;
        if (x == 0.0) {
            intPart = intZeros > 0 ? "0" : "";
            fracPart.assign(static_cast<std::size_t>(decimals), '0');
        } else {
            const Decimal d = ToDecimal(x, 1 + decimals);
            intPart = d.digits.substr(0, 1);
            fracPart = d.digits.substr(1);
            e = d.exponent;
        }
        std::string ed = std::to_string(e < 0 ? -e : e);
        if (static_cast<int>(ed.size()) < minDigits) ed.insert(0, static_cast<std::size_t>(minDigits) - ed.size(), '0');
        expText = std::string(1, letter) + (e < 0 ? "-" : (plus ? "+" : "")) + ed;
    } else {
        FixedDigits(x, decimals, intPart, fracPart);
        // Integer digits: no leading zeros beyond the pattern's '0' places.
        std::size_t nz = 0;
        while (nz < intPart.size() && intPart[nz] == '0') ++nz;
        intPart.erase(0, nz);
        if (static_cast<int>(intPart.size()) < intZeros)
            intPart.insert(0, static_cast<std::size_t>(intZeros) - intPart.size(), '0');
    }
    // Optional fraction digits drop their trailing zeros.
    while (static_cast<int>(fracPart.size()) > fracZeros && !fracPart.empty() && fracPart.back() == '0')
        fracPart.pop_back();

    bool allZero = true;
    for (char c : intPart + fracPart) allZero = allZero && c == '0';
    std::string out = (x < 0 && !allZero) ? "-" : "";
    out += intPart;
    if (hasPoint) out += ".";
    out += fracPart;
    out += expText;
    return out;
}

}  // namespace talvex
