#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "core/run_error.h"

// Arithmetic that can fail goes through these helpers, so that an infinity or a NaN never flows
// silently into a curve: each raises the run-time error the user would be told about.
namespace talvex {

inline double Checked(double x) {
    if (!std::isfinite(x)) Raise(std::isnan(x) ? ErrorCode::InvalidProcedureCall : ErrorCode::Overflow);
    return x;
}

inline double Div(double a, double b) {
    if (b == 0.0) Raise(a == 0.0 ? ErrorCode::Overflow : ErrorCode::DivisionByZero);
    return Checked(a / b);
}

inline double Exp(double x) {
    const double r = std::exp(x);
    if (std::isnan(x)) Raise(ErrorCode::InvalidProcedureCall);
    if (std::isinf(r)) Raise(ErrorCode::Overflow);
    return r;
}

inline double Log(double x) {
    if (!(x > 0.0) || std::isinf(x)) Raise(ErrorCode::InvalidProcedureCall);
    return std::log(x);
}

inline double Sqrt(double x) {
    if (!(x >= 0.0) || std::isinf(x)) Raise(ErrorCode::InvalidProcedureCall);
    return std::sqrt(x);
}

inline double Pow(double a, double b) {
    if (a == 0.0 && b < 0.0) Raise(ErrorCode::DivisionByZero);
    if (a < 0.0 && b != std::floor(b)) Raise(ErrorCode::InvalidProcedureCall);
    return Checked(std::pow(a, b));
}

// Rounds to the nearest whole number, halves to the even neighbour, as the system's
// conversions to whole numbers do; a result outside the target range is an overflow.
template <typename Int = int>
Int RoundToInt(double x) {
    if (!std::isfinite(x)) Raise(ErrorCode::Overflow);
    const double r = std::nearbyint(x);  // default rounding mode: halves to even
    if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
        r > static_cast<double>(std::numeric_limits<Int>::max()))
        Raise(ErrorCode::Overflow);
    return static_cast<Int>(r);
}

// Int(): the largest whole number not above x.
inline double Floor(double x) {
    return std::floor(Checked(x));
}

// 16-bit counts: an addition that leaves the range is an overflow.
inline std::int16_t AddInt16(std::int16_t a, int b) {
    const int r = a + b;
    if (r < std::numeric_limits<std::int16_t>::min() || r > std::numeric_limits<std::int16_t>::max())
        Raise(ErrorCode::Overflow);
    return static_cast<std::int16_t>(r);
}

}  // namespace talvex
