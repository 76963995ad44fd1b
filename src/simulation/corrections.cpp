#include "simulation/corrections.h"

#include <cmath>

#include "core/checked_math.h"
#include "core/codes.h"
#include "core/model.h"

namespace talvex {

void AddChargingCurrent(Model& m) {
    if (!(m.Cdl > 0)) return;
    const double Ich = Checked(m.Cdl * m.Area * m.ScanRate);
    const int nData = m.NData;
    const int col = m.StoreCol;
    const double dir = m.ScanDir;
    if (m.ScanCycles == 0.5) {
        if (m.Technique == technique::Sweep) {
            for (int i = 1; i <= nData; ++i) m.Ystore(i, col) = Checked(m.Ystore(i, col) - dir * Ich);
        } else {
            // Pulse techniques: the staircase charges the double layer in proportion to the
            // distance travelled from the start potential.
            const double x1 = m.Xdata(1);
            for (int i = 1; i <= nData; ++i) m.Ystore(i, col) = Checked(m.Ystore(i, col) + Ich * (x1 - m.Xdata(i)));
        }
        return;
    }
    // Cycles: the sign flips with the sweep direction (a cathodic sweep charges positively).
    const double P = m.PointsPerSweep;
    for (int i = 1; i <= nData; ++i) {
        const double s = i <= P ? dir : i <= 2 * P ? -dir : i <= 3 * P ? dir : -dir;
        m.Ystore(i, col) = Checked(m.Ystore(i, col) - s * Ich);
    }
}

double BackgroundShare(const Model& m, int i) {
    const int P = RoundToInt<int>(m.PointsPerSweep);
    const double x1 = m.Xdata(1);
    const double span = m.Xdata(P) - x1;  // start to vertex; the reverse sweep follows it back
    return Div(m.Xdata(i) - x1, span);
}

void AddBackgroundLine(Model& m) {
    const double I0 = m.BackgroundI0;
    const double I1 = m.BackgroundI1;
    if (I0 == 0 && I1 == 0) return;
    const int P = RoundToInt<int>(m.PointsPerSweep);
    const double x1 = m.Xdata(1);
    const double span = m.Xdata(P) - x1;
    const int col = m.StoreCol;
    for (int i = 1; i <= m.NData; ++i)
        m.Ystore(i, col) = Checked(m.Ystore(i, col) + I0 + Div((I1 - I0) * (m.Xdata(i) - x1), span));
}

NoiseSource::NoiseSource(int nData) : r_(2.0 * nData), m_(2 * nData) {}

double NoiseSource::Draw() {
    const double r1 = r_ * 24298 + 99991;
    r_ = r1 + 1 - 199017 * std::floor(r1 / 199017);
    --m_;
    return r_;
}

double NoiseSource::Next() {
    for (;;) {
        Draw();
        if (m_ % 2 != 0) {
            rho_ = Sqrt(2 * Log(199017 / r_));
            continue;
        }
        return rho_ * std::cos(6.283185308 * r_ / 199017);
    }
}

void AddNoise(Model& m) {
    const double ymax = m.PlotYmax;
    const double ymin = m.PlotYmin;
    const double dominant = std::fabs(ymin) > std::fabs(ymax) ? ymin : ymax;  // keeps its sign
    const double amplitude = 0.0025 * m.Noise * dominant;
    const int nData = m.NData;
    const int col = m.StoreCol;
    NoiseSource noise(nData);
    for (int i = 1; i <= nData; ++i) m.Ystore(i, col) = Checked(m.Ystore(i, col) + amplitude * noise.Next());
}

}  // namespace talvex
