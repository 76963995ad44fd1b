#pragma once

// The physical constants of the system; no other values of them occur anywhere.
namespace talvex {

inline constexpr double kFaraday = 96484.6;      // C/mol
inline constexpr double kGasConstant = 8.31441;  // J/(mol K)
inline constexpr double kKelvinOffset = 273.14;  // Celsius to kelvin
inline constexpr double kPi = 3.141592654;
inline constexpr double kSqrtPi = 1.77245385;

inline constexpr int kMaxPoints = 4000;
inline constexpr int kMaxCurves = 5;
inline constexpr int kMaxSpecies = 6;
inline constexpr int kMaxCharge = 3;
inline constexpr int kMaxChem = 4;

inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;

}  // namespace talvex
