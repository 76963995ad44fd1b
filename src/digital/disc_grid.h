#pragma once

#include <vector>

// The finite-volume grid of the inlaid microdisc in two dimensions.
//
// Oblate spheroidal coordinates (Verbrugge & Baker, J. Phys. Chem. 96 (1992) 4572) put the disc of
// radius a, its insulating plane and the half-space above them onto a quarter strip:
//   r = a sqrt((1 + xi^2)(1 - eta^2)),  z = a xi eta,  xi >= 0, 0 <= eta <= 1,
// with the disc at xi = 0, the insulator at eta = 0 and the axis at eta = 1. Stretching xi by
// G = arctan(xi) closes the strip into the finite rectangle 0 <= G <= pi/2 (the conformal map of
// Amatore & Fosset, J. Electroanal. Chem. 328 (1992) 21), where diffusion reads
//   a^2 (tan^2 G + eta^2) sec^2 G dc/dt = D [d2c/dG2 + sec^2 G d/deta((1 - eta^2) dc/deta)].
// The square-root singularity of the flux at the disc's edge is gone (the steady state is
// c = c(bulk) 2G/pi, a straight line), and the bulk solution sits at G = pi/2, infinitely far away,
// so the steady current 4nFDCa comes out exact on any grid.
//
// Cells are boxes in (G, eta). Their volumes and face conductances are the exact integrals of the
// metric over the box, so conservation holds to rounding and the scheme is of second order on
// the smoothly graded grids built here. Box j = 1..nG runs across the solution (G), box k =
// 0..nE-1 along the disc (eta); the disc face of box (1, k) is ring k of the electrode.
namespace talvex {

// How fine the grid is, in the stretched coordinates.
struct DiscGridLayout {
    double firstAcross = 0.01;  // box width in G next to the disc (the centre's diffusion layer)
    double firstAlong = 0.05;   // box width in eta next to the edge (the edge's diffusion zone)
    double farTan = 10.0;       // tan G of the outermost face: beyond it the solution is quasi-steady
    double refine = 1.0;        // every box width times this (convergence studies)
};

struct DiscGrid {
    int nG = 0;  // boxes across, j = 1..nG
    int nE = 0;  // boxes along the disc, k = 0..nE-1
    // Faces gFace[0..nG] (gFace[0] = 0 is the disc) and nodes gNode[0..nG+1]: gNode[0] = 0 holds
    // the surface values, gNode[nG+1] = pi/2 the bulk.
    std::vector<double> gFace, gNode;
    std::vector<double> eFace, eNode;  // eFace[0..nE] from 0 to 1, eNode[0..nE-1]
    // Per box (j, k), index (j - 1) nE + k: the volume (in units of a^3 / (2 pi)).
    std::vector<double> volume;
    // Conductance of the face between node j and node j + 1 of column k, j = 0..nG, index j nE + k:
    // j = 0 joins the surface to box 1, j = nG box nG to the bulk at pi/2 (the far region holds no
    // material, so the profile across it is the steady straight line).
    std::vector<double> across;
    // Conductance of the face between box k - 1 and box k of line j, k = 1..nE-1, index (j - 1) nE + k
    // (index k = 0 unused: the insulator and the axis carry no flux).
    std::vector<double> along;
    // Share of the disc's area that ring k covers: eFace[k+1]^2 - eFace[k]^2 (they sum to 1).
    std::vector<double> ring;

    int Box(int j, int k) const { return (j - 1) * nE + k; }
};

DiscGrid BuildDiscGrid(const DiscGridLayout& layout);

// The grid's box counts without building it (for the size check before a run).
void CountDiscBoxes(const DiscGridLayout& layout, int& nG, int& nE);

}  // namespace talvex
