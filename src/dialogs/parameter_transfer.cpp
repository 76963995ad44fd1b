#include "dialogs/parameter_transfer.h"

#include "core/checked_math.h"
#include "core/constants.h"
#include "core/text_number.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/parameter_dialogs.h"

namespace talvex {

void TransferParameters(ParameterDialogs& dialogs) {
    dialogs.formIns.OK();
    TransferChemicals(dialogs);
}

void TransferChemicals(ParameterDialogs& dialogs) {
    Model& m = dialogs.model;
    FormExpr& e = dialogs.formExpr;
    m.Viscosity = LeadingNumber(e.TextVis.text());
    m.ElectrolyteC = LeadingNumber(e.TextElectrolyteC.text());
    m.ElectrolyteCond = LeadingNumber(e.TextElectrolyteCond.text());
    // Every row, whatever the mechanism uses: the rows beyond it are simply not read.
    for (int r = 1; r <= kMaxCharge; ++r) {
        m.Alpha(r) = LeadingNumber(e.alph(r).text());
        m.E0(r) = LeadingNumber(e.Eze(r).text());
        m.ks(r) = LeadingNumber(e.ks(r).text());
        m.n(r) = LeadingNumber(dialogs.formMech.NEL(r).text());
    }
    for (int j = 1; j <= kMaxChem; ++j) {
        m.kf(j) = LeadingNumber(e.kf(j).text());
        m.kb(j) = LeadingNumber(e.kb(j).text());
        m.Keq(j) = LeadingNumber(e.LabelKeq(j).caption());
    }
    // The concentrations that reach the model are the computed initial ones.
    for (int i = 1; i <= kMaxSpecies; ++i) {
        m.D(i) = LeadingNumber(e.D(i).text());
        m.C(i) = LeadingNumber(e.Cinit(i).caption());
        m.CAnalytical(i) = LeadingNumber(e.C(i).text());
    }
    m.PreEquilibration = e.CheckPreEqu.checked();
    // The digital simulation chooses its own path; the analytical dispatch key stays as it was.
    if (!m.DigitalSim) m.CaseCode = m.Electrode + 10 * m.Technique;
    try {
        m.FoverRT = Div(kFaraday / kGasConstant, m.TempK);
        m.RToverF = Div(1, m.FoverRT);
    } catch (const RunError& error) {
        // A temperature of -273.14 C: keep the last usable constants rather than an infinity.
        dialogs.Message("Parameter transfer Error: " + error.description() + "! Please check the temperature.");
    }
}

}  // namespace talvex
