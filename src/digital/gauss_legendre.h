#pragma once

// The eight-point Gauss-Legendre rule on [-1, 1]: the nodes -kGaussNode[i] and +kGaussNode[i] each
// carry the weight kGaussWeight[i]. Exact for polynomials up to degree 15, which is what the
// integrals over smooth pieces of the flow and of the diffusion kernels need.
namespace talvex {

inline constexpr double kGaussNode[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267,
                                         0.9602898564975363};
inline constexpr double kGaussWeight[4] = {0.3626837833783620, 0.3137066245492149, 0.2223810344533745,
                                           0.1012285362903763};

}  // namespace talvex
