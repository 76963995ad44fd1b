#pragma once

// The numbers the system gives its techniques, electrodes and mechanisms (the dialogs' option
// numbers, which CaseCode = 10 x Technique + Electrode combines), and the numbering of the fit
// parameters.
namespace talvex {

namespace technique {
enum : int {
    Sweep = 1,  // linear sweep and cyclic voltammetry
    DC = 2,
    NormalPulse = 3,
    DifferentialPulse = 4,
    SquareWave = 5,
};
inline constexpr int kCount = 5;
}  // namespace technique

namespace electrode {
enum : int {
    Planar = 1,
    Sphere = 2,
    Hemisphere = 3,
    Microdisc = 4,
    Cylinder = 5,
    Hemicylinder = 6,
    Band = 7,
    RotatingDisk = 8,
    ThinFilm = 9,
};
inline constexpr int kCount = 9;
}  // namespace electrode

namespace mechanism {
enum : int {
    E = 1,           // A + ne = B
    EE = 2,          // A + ne = B, B + ne = C
    EEE = 3,         // ... C + ne = D
    TwoCouples = 4,  // A + ne = B, C + ne = D
    CE = 5,          // C = A, A + ne = B
    EC = 6,          // A + ne = B, B = C
    Catalytic = 7,   // A + ne = B, B = A
    Complex = 8,     // C = A + pD, A + ne = B
};
inline constexpr int kCount = 8;
}  // namespace mechanism

// The fit parameters 1..29: parameter k of each kind has the number offset + k. They index the
// Chemicals dialog's CheckFitted, TextCmin and TextCmax arrays and the fit's pool.
namespace fit {
inline constexpr int C = 0;      // C(1..6): 1..6
inline constexpr int ks = 6;     // ks(1..3): 7..9
inline constexpr int Alpha = 9;  // Alpha(1..3): 10..12
inline constexpr int E0 = 12;    // E0(1..3): 13..15
inline constexpr int kf = 15;    // kf(1..4): 16..19
inline constexpr int kb = 19;    // kb(1..4): 20..23
inline constexpr int D = 23;     // D(1..6): 24..29
inline constexpr int kCount = 29;
}  // namespace fit

// What a column of the curve store holds. A measured curve is never written over by a simulation or
// a fit; a fit replaces its own earlier curve.
namespace curve {
enum : int {
    Simulated = 0,
    Measured = 1,  // imported from a file
    Fitted = 2,    // written by a fit (Manual Fit, Auto Fit)
};
}  // namespace curve

}  // namespace talvex
