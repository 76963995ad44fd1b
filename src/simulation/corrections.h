#pragma once

namespace talvex {

struct Model;

// Non-faradaic terms added to the total current column after the faradaic computation, in this
// order: charging current, background line, then (display runs only) noise.
void AddChargingCurrent(Model& m);
void AddBackgroundLine(Model& m);
// Where point i lies along the background line: 0 at the start potential, 1 at the vertex (the
// line runs back along the reverse sweep). The line is I0 + (I1 - I0) times it.
double BackgroundShare(const Model& m, int i);
void AddNoise(Model& m);

// The reproducible noise source: a congruential sequence on 1..199017 started from 2 * NData (no
// clock seed, so runs with the same number of points get the same noise), two draws per value:
// the first sets the Box-Muller radius, the second the angle.
class NoiseSource {
  public:
    explicit NoiseSource(int nData);
    double Next();  // one standard-normal value
    double Draw();  // one step of the sequence: the new r

  private:
    double r_;
    int m_;
    double rho_ = 0;
};

}  // namespace talvex
