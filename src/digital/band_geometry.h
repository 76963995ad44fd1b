#pragma once

#include <cmath>

// A band of width w in an insulating plane, as a diffusion field of one coordinate: the distance x
// from the band. Towards the solution the band stands first for a cylinder's sector of angle 2
// about its middle line (radius w/2): it has the band's own area, and its edge term D/w over the
// area is the band's (Aoki). The sector widens into the hemicylinder (angle pi) whose steady
// resistance is that of the hemicylinder of radius w/4 (Szabo's equivalence), where both have the
// same area. In units of r0 = w/4 the area per unit length grows as 2 (x + 2) up to x1 and as
// pi (x + b) beyond, with (1/2 - 1/pi) ln(1 + x1/2) = ln(4/pi) / pi and pi (x1 + b) = 2 (x1 + 2).
// Against Aoki's short-time current (up to D t/w^2 = 0.4) and Szabo's hemicylinder (beyond) the
// step current of this field stays within 1.6 %.
namespace talvex::band {

inline constexpr double kSector = 1.053697829555;        // x1 / r0
inline constexpr double kHemicylinder = 0.890346587576;  // b / r0

inline constexpr double kPiValue = 3.14159265358979324;

// At y = x / r0: the area over the band's own, the resistance from the band to y and the volume
// from the band to y (both per unit of the band's area, in units of r0).
inline double AreaRatio(double y) {
    return y <= kSector ? (y + 2) / 2 : kPiValue * (y + kHemicylinder) / 4;
}
inline double Resistance(double y) {
    if (y <= kSector) return 2 * std::log1p(y / 2);
    return 2 * std::log1p(kSector / 2) + 4 / kPiValue * std::log((y + kHemicylinder) / (kSector + kHemicylinder));
}
inline double Volume(double y) {
    auto sector = [](double x) { return x + x * x / 4; };
    if (y <= kSector) return sector(y);
    const double a = kSector + kHemicylinder, b = y + kHemicylinder;
    return sector(kSector) + kPiValue / 8 * (b * b - a * a);
}

}  // namespace talvex::band
