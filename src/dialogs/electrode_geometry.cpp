#include "dialogs/electrode_geometry.h"

#include "core/checked_math.h"
#include "core/codes.h"
#include "core/constants.h"

namespace talvex {
namespace {

double FlatVolume(double, double L, double A) {
    return Checked(L * A);
}

constexpr ElectrodeGeometry kGeometry[] = {
    {"1)  Planar", false, false, false, nullptr, nullptr, false, FlatVolume},
    {"2)  (Micro)Spherical", true, false, false, [](double r, double) { return 4 * kPi * r * r; },
     [](double A, double) { return Sqrt(Div(A, 4 * kPi)); }, false,
     [](double R, double, double) { return Checked(4 * kPi * R * R * R / 3); }},
    {"3)  (Micro)Hemispherical", true, false, false, [](double r, double) { return 2 * kPi * r * r; },
     [](double A, double) { return Sqrt(Div(A, 2 * kPi)); }, false,
     [](double R, double, double) { return Checked(2 * kPi * R * R * R / 3); }},
    {"4)  Microdisc", true, false, false, [](double r, double) { return kPi * r * r; },
     [](double A, double) { return Sqrt(Div(A, kPi)); }, false, FlatVolume},
    {"5)  (Micro)Cylindrical", true, true, false, [](double r, double L) { return 2 * kPi * r * L; },
     [](double A, double L) { return Div(A, 2 * kPi * L); }, false,
     [](double R, double L, double) { return Checked(kPi * R * R * L); }},
    {"6)  (Micro)Hemicylindrical", true, true, false, [](double r, double L) { return kPi * r * L; },
     [](double A, double L) { return Div(A, kPi * L); }, false,
     [](double R, double L, double) { return Checked((kPi / 2) * R * R * L); }},
    {"7)  Band", true, true, false, [](double r, double L) { return 2 * r * L; },
     [](double A, double L) { return Div(A, 2 * L); }, true, FlatVolume},
    {"8)  Rotating disk", true, false, true, [](double r, double) { return kPi * r * r; },
     [](double A, double) { return Sqrt(Div(A, kPi)); }, false, FlatVolume},
    {"9)  Thin film", false, true, false, nullptr, nullptr, false, FlatVolume},
};
static_assert(sizeof kGeometry / sizeof kGeometry[0] == electrode::kCount);

}  // namespace

const ElectrodeGeometry* GeometryOf(int e) {
    if (e < 1 || e > electrode::kCount) return nullptr;
    return &kGeometry[e - 1];
}

}  // namespace talvex
