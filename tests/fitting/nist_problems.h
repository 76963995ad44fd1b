#pragma once

// Certified nonlinear least-squares problems of the NIST Statistical Reference Datasets (StRD,
// https://www.itl.nist.gov/div898/strd/nls/nls_main.shtml): data, starting values, certified
// parameters with their standard deviations and residual sums of squares, copied from the
// Misra1a.dat, DanWood.dat and BoxBOD.dat files.
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "fit_support.h"

namespace talvex::testing {

struct NistProblem {
    std::string name;
    ClosedFormObjective::Model model;
    std::vector<double> x, y;
    std::vector<double> start1, start2;
    std::vector<double> certified, certifiedSd;
    double certifiedRss;
};

inline double Exponential(std::span<const double> b, double x) {
    return b[0] * (1 - std::exp(-b[1] * x));
}
inline double Power(std::span<const double> b, double x) {
    return b[0] * std::pow(x, b[1]);
}

inline const NistProblem kMisra1a{
    "Misra1a",
    Exponential,
    {77.6, 114.9, 141.1, 190.8, 239.9, 289.0, 332.8, 378.4, 434.8, 477.3, 536.8, 593.1, 689.1, 760.0},
    {10.07, 14.73, 17.94, 23.93, 29.61, 35.18, 40.02, 44.82, 50.76, 55.05, 61.01, 66.40, 75.47, 81.78},
    {500, 1e-4},
    {250, 5e-4},
    {2.3894212918E+02, 5.5015643181E-04},
    {2.7070075241E+00, 7.2668688436E-06},
    1.2455138894E-01};

inline const NistProblem kDanWood{
    "DanWood",       Power,    {1.309, 1.471, 1.490, 1.565, 1.611, 1.680}, {2.138, 3.421, 3.597, 4.340, 4.882, 5.660},
    {1, 5},          {0.7, 4}, {7.6886226176E-01, 3.8604055871E+00},       {1.8281973860E-02, 5.1726610913E-02},
    4.3173084083E-03};

inline const NistProblem kBoxBOD{"BoxBOD",
                                 Exponential,
                                 {1, 2, 3, 5, 7, 10},
                                 {109, 149, 149, 191, 213, 224},
                                 {1, 1},
                                 {100, 0.75},
                                 {2.1380940889E+02, 5.4723748542E-01},
                                 {1.2354515176E+01, 1.0455993237E-01},
                                 1.1680088766E+03};

}  // namespace talvex::testing
