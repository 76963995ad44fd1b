#include "support/experiments.h"

namespace talvex::testing {

double FoverRT25() {
    return (96484.6 / 8.31441) / 298.14;
}

void DefaultExperiment(Model& m, bool preEquilibrated) {
    m.Technique = 1;
    m.Mechanism = 1;
    m.Electrode = 1;
    m.DigitalSim = false;
    m.CaseCode = 11;
    m.Estart = 0.3;
    m.Eend = -0.3;
    m.Estep = 0.005;
    m.ScanRate = 0.01;
    m.tdrop = 0.5;
    m.tpulse = 0.05;
    m.Epulse = -0.05;
    m.ScanCycles = 0.5;
    m.Area = 1;
    m.Radius = 0.2821;
    m.ElectrodeLength = 0.01;
    m.TempK = 298.14;
    m.FoverRT = FoverRT25();
    m.RToverF = 1 / m.FoverRT;
    m.Viscosity = 0.01;
    m.Omega = 100 * 3.141592654 / 30;
    m.Ru = 0;
    m.Cdl = 0;
    m.Noise = 0;
    m.NSpecies = 2;
    m.NCharge = 1;
    m.NChem = 0;
    m.NChem2 = 0;
    m.ChargeSpecies(1, 1) = 1;
    m.ChargeSpecies(1, 2) = 2;
    m.n(1) = 1;
    m.E0(1) = 0.1;
    m.Alpha(1) = 0.5;
    m.ks(1) = 1e4;
    m.D(1) = 1e-5;
    m.D(2) = 1e-5;
    m.C(1) = preEquilibrated ? 9.996e-4 : 1e-3;
    m.C(2) = preEquilibrated ? 4.159e-7 : 0.0;
}

}  // namespace talvex::testing
