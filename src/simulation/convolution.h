#pragma once

#include <vector>

// Semi-infinite diffusion to an electrode written as an integral equation: the surface
// concentrations are the bulk values less the flux history convolved with the diffusion kernel
// (1/sqrt(pi t) at a plane), and the Butler-Volmer law ties the flux to them at every instant.
// Solving that equation node by node gives the current of any kinetics (reversible to totally
// irreversible) for any potential programme, without a spatial grid.
namespace talvex {

// How the surface concentrations follow from the flux history.
enum class Transport {
    Planar,     // kernel 1/sqrt(pi t)
    Radial,     // a sphere of `radius`: 1/sqrt(pi t) - a erfcx(a sqrt t), a = sqrt(D) / radius
    Catalytic,  // B = A regenerates the oxidant (rate constants kf B->A, kb A->B): exp(-k t)/sqrt(pi t)
    Cylinder,   // a cylinder of `radius`
    Disc,       // a disc of `radius` in an insulating plane
    Band,       // a band in an insulating plane, a quarter of its width in `radius`
    Film,       // a film of thickness `radius` on the electrode, closed by a wall
};

// One charge transfer O + ne = R. Currents come out per unit of Scale (n times the flux, with the
// concentrations in mol/L), like the closed-form kernels.
struct ConvolutionCouple {
    double n = 1, alpha = 0.5, ks = 0, E0 = 0;
    double Co = 0, Cr = 0;  // bulk concentrations (mol/L)
    double Do = 0, Dr = 0;  // diffusion coefficients (cm2/s)
    Transport transport = Transport::Planar;
    double radius = 0;      // the size of every transport but Planar and Catalytic
    double kf = 0, kb = 0;  // Catalytic
};

inline constexpr int kMaxCouples = 3;

// A linear potential sweep sampled at `count` points: times[i] (s, times[0] = 0) and potentials[i]
// (V); between two points the potential runs linearly. Equal times are allowed (a vertex that
// the staircase lists twice): the point repeats the current of the one before.
struct SweepProgramme {
    const double* times = nullptr;
    const double* potentials = nullptr;
    int count = 0;
    int subSteps = 1;  // nodes per interval between two points
    // Uncompensated resistance times Scale: the interface sits at the programme's potential plus
    // ohmic x the summed current per unit of Scale, the current at that very node.
    double ohmic = 0.0;
};

// The histories and weight tables of one solve; kept by the caller so that a run allocates once.
struct ConvolutionWork {
    std::vector<double> t, E, flux[kMaxCouples], ownO[kMaxCouples], ownR[kMaxCouples];
    std::vector<double> comb, first, combCat[kMaxCouples], firstCat[kMaxCouples];
    std::vector<double> combR[kMaxCouples], firstR[kMaxCouples];     // R's own field kernel
    std::vector<double> jumpO[kMaxCouples], jumpR[kMaxCouples];      // deficit steps (disc, band)
    std::vector<double> rampO[kMaxCouples], rampR[kMaxCouples];      // their ramp weights
    std::vector<double> curvedO[kMaxCouples], curvedR[kMaxCouples];  // the field's share of the flux
    std::vector<double> coarse[kMaxCouples];                         // a film's run on the coarser nodes
    std::vector<int> nodeOfPoint;
};

// Solves the couples of a sweep together (they share only the ohmic drop) by product integration:
// the flux is linear between nodes (constant over the first interval, where a start away from
// equilibrium makes it singular) and the equation holds at every node. Writes the current of couple
// c at point i to currents[c][i], i = 0..count-1.
void SolveSweep(double FoverRT, const ConvolutionCouple* couples, int nCouples, const SweepProgramme& programme,
                ConvolutionWork& work, double* const* currents);

// A sequence of potential steps: `count` levels of `duration` seconds each (or of durations[i]),
// the first starting at time 0 from the bulk solution; the current is sampled at the end of every
// level.
struct StepProgramme {
    const double* potentials = nullptr;
    int count = 0;
    double duration = 0.0;
    const double* durations = nullptr;  // when set, level i lasts durations[i] instead
    // Uncompensated resistance times Scale: the interface sits at potentials[i] + ohmic x the summed
    // current per unit of Scale, the current at that very instant.
    double ohmic = 0.0;
};

struct StepWork {
    std::vector<double> t, lastW;
    std::vector<double> own[kMaxCouples], jump[kMaxCouples], coarse[kMaxCouples], lastC[kMaxCouples];
    // a long sequence's history as exponentials: their rates and weights, their decay and growth
    // over each interval of a level, and each couple's sums
    std::vector<double> rate, weight, decay, grow, history[kMaxCouples];
    std::vector<double> curved[kMaxCouples];  // a field's charge by level offset and node pair
    std::vector<double> charges;              // one level offset's charges while they are tabulated
};

// Solves the couples of a step sequence (any transport) with the deficit
// I = sqrt(D) (bulk - surface concentration) as the unknown, held constant between nodes, so that
// a reversible couple, whose deficit follows the potential at once, gets the exact superposition of
// Cottrell (at a sphere: spherical Cottrell) terms with one node per level. Slower kinetics take
// graded nodes within each level, in two runs whose first-order error is extrapolated away. Writes the current of
// couple c at the end of level i to currents[c][i].
void SolveSteps(double FoverRT, const ConvolutionCouple* couples, int nCouples, const StepProgramme& programme,
                StepWork& work, double* const* currents);

// Whether the couple's deficit follows the potential at once, to 0.1 % of the current, over a level
// of t seconds: one node per level is then exact.
bool ReversibleOver(const ConvolutionCouple& couple, double t);

}  // namespace talvex
