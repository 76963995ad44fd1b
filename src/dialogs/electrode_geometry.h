#pragma once

namespace talvex {

// What the Instrument dialog knows about each electrode: its caption, which dimension fields it
// has, and how its area, radius and volume follow from them. One row per electrode 1..9.
struct ElectrodeGeometry {
    const char* caption;
    bool hasRadius;    // the radius (for the band: the half width) field is shown
    bool hasLength;    // the length (for the thin film: the thickness) field is shown
    bool hasRotation;  // the rotation rate field is shown
    // Area from the radius field r and, where the electrode has one, the length field L; nullptr
    // where the area is typed, not computed.
    double (*area)(double r, double L);
    // The radius field from the area A (and L): the inverse of `area`.
    double (*radius)(double A, double L);
    bool plainAreaText;  // the area is written in the plain field format, not "0.##e-0"
    // Volume of the electrode (or of the film or layer for the flat ones) from the model's radius
    // R, length L and the area A.
    double (*volume)(double R, double L, double A);
};

// The row of electrode 1..9; nullptr for any other number.
const ElectrodeGeometry* GeometryOf(int electrode);

}  // namespace talvex
