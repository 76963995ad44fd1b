#include "simulation/simulation_driver.h"

#include <cmath>

#include "analysis/transforms.h"
#include "core/checked_math.h"
#include "core/curve_slot.h"
#include "core/workbench.h"
#include "digital/simulate_digital.h"
#include "plot/plot_quantity.h"
#include "simulation/corrections.h"
#include "simulation/kernels.h"

namespace talvex {
namespace {

// Restores CurCurve when the post-processing borrows it to name a store column, also when a
// transform fails half-way.
class CurCurveGuard {
public:
    explicit CurCurveGuard(Model& m) : m_(m), saved_(m.CurCurve) {}
    ~CurCurveGuard() { m_.CurCurve = saved_; }

private:
    Model& m_;
    Int saved_;
};

// The current of reaction k at one point, per unit of Scale, by CaseCode; false when the code
// has no kernel (the cleared store keeps its 0).
bool KernelCurrent(const Model& m, int caseCode, KernelArgs& a, double& current) {
    switch (caseCode) {
        case 11:
        case 21:
        case 29:
            current = StepCurrent(m.FoverRT, a);
            return true;
        default:
            return false;
    }
}

void AnalyticalPointLoop(Model& m, double scale) {
    const int caseCode = m.CaseCode;
    const int nData = m.NData;
    const int nCharge = m.NCharge;
    const int storeCol = m.StoreCol;
    const double ohmicShare = m.Technique == 1 ? 0.25 : 1.0;
    double Iprev = 0;
    for (int i = 1; i <= nData; ++i) {
        double Isum = 0;
        for (int k = 1; k <= nCharge; ++k) {
            const int o = m.ChargeSpecies(k, 1);
            const int r = m.ChargeSpecies(k, 2);
            KernelArgs a{};
            a.Do = Sqrt(m.D(o));
            a.Dr = Sqrt(m.D(r));
            a.Co = m.C(o);
            a.Cr = m.C(r);
            a.E0 = m.E0(k);
            a.ks = m.ks(k);
            a.alpha = m.Alpha(k);
            a.n = m.n(k);
            a.E = m.Xdata(i) + ohmicShare * m.Ru * Iprev;
            a.t1 = m.tdrop;
            a.t2 = m.tdrop;
            a.dE = m.Epulse;
            double current = 0;
            if (KernelCurrent(m, caseCode, a, current)) m.Ystore(i, k) = current;
            m.Ystore(i, k) = Checked(m.Ystore(i, k) * scale);
            Isum += m.Ystore(i, k);
        }
        m.Ystore(i, storeCol) = Checked(m.Ystore(i, storeCol) + Isum);
        Iprev = m.Ystore(i, storeCol);
    }
}

// Semi-differentiates every store column of a sweep. The semi-derivative weight 0.25/sqrt(pi h)
// alone would make the peak scale with the potential step (right only near 5 mV); the factor
// 8 sqrt(pi h) takes that dependence out, so the sweep current is the same at any step.
void SemiDifferentiateSweep(Model& m) {
    if (m.NData < 4) return;
    const double h = PointSpacing(m);
    const double stepScale = 8 * Sqrt(kPi * h);
    CurCurveGuard guard(m);
    for (int k = 1; k <= m.StoreCol; ++k) {
        m.CurCurve = k;
        SemiDifferentiate(m, m.Ystore);
        for (int i = 1; i <= m.NData; ++i) m.Ystore(i, k) = Checked(m.Ystore(i, k) * stepScale);
    }
}

void PostProcessAnalytical(Model& m) {
    const int caseCode = m.CaseCode;
    if (caseCode >= 11 && caseCode <= 18) SemiDifferentiateSweep(m);
}

}  // namespace

void BuildPotentialProgramme(Model& m) {
    if (m.Fitting) {
        m.PointsPerSweep = m.NData / 2.0;
        return;
    }
    const int pointsPerSweep = RoundToInt<std::int32_t>(std::fabs(Div(m.Eend - m.Estart, m.Estep))) + 1;
    const int nData = RoundToInt<std::int32_t>(m.ScanCycles * 2 * pointsPerSweep);
    // Checked before anything is written, so a rejected run leaves the stored curves intact.
    if (nData > kMaxPoints || nData < 0) Raise(ErrorCode::SubscriptOutOfRange);
    m.PointsPerSweep = pointsPerSweep;
    m.NData = nData;
    const double dir = m.ScanDir;
    for (int i = 1; i <= pointsPerSweep && i <= nData; ++i) m.Xdata(i) = m.Estart + dir * m.Estep * (i - 1);
    if (m.ScanCycles == 1 || m.ScanCycles == 2) {
        for (int i = 1; i <= pointsPerSweep; ++i) m.Xdata(pointsPerSweep + i) = m.Xdata(pointsPerSweep - i + 1);
    }
    if (m.ScanCycles == 2) {
        for (int i = 1; i <= 2 * pointsPerSweep; ++i) m.Xdata(2 * pointsPerSweep + i) = m.Xdata(i);
    }
}

void RunSimulation(Workbench& wb) {
    Model& m = wb.model;
    try {
        OpenCurveSlot(wb);
        const double scale = 0.001 * kFaraday * m.Area;
        m.ScanDir = m.Eend > m.Estart ? 1 : -1;
        m.StoreCol = AddInt16(m.NCharge, 1);
        BuildPotentialProgramme(m);
        for (int j = 1; j <= m.NData; ++j)
            for (int k = 1; k <= m.StoreCol; ++k) m.Ystore(j, k) = 0;

        if (m.DigitalSim) {
            SimulateDigital(wb);
        } else {
            AnalyticalPointLoop(m, scale);
            PostProcessAnalytical(m);
        }

        AddChargingCurrent(wb);
        AddBackgroundLine(wb);

        m.PlotYmax = 0;
        m.PlotYmin = 0;
        for (int i = 1; i <= m.NData; ++i) {
            const double y = m.Ystore(i, m.StoreCol);
            if (y > m.PlotYmax) m.PlotYmax = y;
            if (y < m.PlotYmin) m.PlotYmin = y;
        }

        if (m.Noise > 0 && !m.Fitting) AddNoise(wb);

        for (int i = 1; i <= m.NData; ++i) m.Yplot(i, m.CurCurve) = m.Ystore(i, m.StoreCol);
        m.IFirst = 1;
        m.ILast = m.NData.value();
        NoteSimulatedCurrent(wb);
        TransformPlotQuantity(wb);
    } catch (const RunError& e) {
        wb.Message("Analytical simulation Error: " + e.description() +
                   "! Please try again by other initial values.");
    }
}

}  // namespace talvex
