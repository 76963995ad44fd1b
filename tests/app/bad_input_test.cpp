// Entries a run cannot use are refused before anything runs, with one message naming the dialog,
// the field, the text found and what is allowed; the curves, the plot and the model stay as they
// were. Runs that fail part-way and imports that fail leave the user's curves usable.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/file_commands.h"
#include "app/simulate_command.h"
#include "app/workbench.h"
#include "dialogs/form_expr.h"
#include "dialogs/parameter_dialogs.h"
#include "dialogs/run_inputs.h"
#include "files/data_export.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
#include "support/fake_platform.h"
#include "support/numeric.h"
#include "support/simulation_fixture.h"

namespace talvex {
namespace {

// A user action on a control named as in scripts: "FormIns.Estart=abc" types, "FormMech.CheckDigital"
// clicks, "FormIns.ComboScan:cycle" picks an entry.
void Act(Workbench& wb, const std::string& action) {
    const auto eq = action.find('=');
    const auto colon = action.find(':');
    const std::string name = action.substr(0, std::min(eq, colon));
    const auto dot = name.find('.');
    Form* form = wb.FindForm(name.substr(0, dot));
    ASSERT_NE(form, nullptr) << action;
    Control* c = form->FindByFullName(name.substr(dot + 1));
    ASSERT_NE(c, nullptr) << action;
    if (eq != std::string::npos)
        ASSERT_TRUE(wb.Type(dynamic_cast<TextBox&>(*c), action.substr(eq + 1))) << action;
    else if (colon != std::string::npos)
        ASSERT_TRUE(wb.Choose(dynamic_cast<ComboBox&>(*c), action.substr(colon + 1))) << action;
    else
        ASSERT_TRUE(wb.Click(*c)) << action;
}

// Everything a refused run must leave alone: the curve store, its counters, the drawing and the
// model values the confirmation chain writes.
struct Snapshot {
    std::vector<double> store;
    std::vector<double> settings;
    std::string drawing;
    bool operator==(const Snapshot&) const = default;
};
Snapshot Take(const Workbench& wb) {
    const Model& m = wb.model;
    Snapshot s;
    for (int i = 0; i <= kMaxPoints; ++i) {
        s.store.push_back(m.Xdata(i));
        for (int c = 1; c <= 6; ++c) s.store.push_back(m.Yplot(i, c));
    }
    for (int v : {m.NData.value(), m.IFirst.value(), m.ILast.value(), m.NCurves.value(), m.CurCurve.value(),
                  m.NCurvesSaved.value(), m.Technique.value(), m.CaseCode.value(), static_cast<int>(m.NSpecies)})
        s.store.push_back(v);
    for (double v : {m.Estart.value(), m.Eend.value(), m.Estep.value(), m.ScanRate.value(), m.TempK.value(),
                     m.tpulse.value(), m.tdrop.value(), m.Radius.value(), m.ElectrodeLength.value(), m.D(1).value(),
                     m.C(1).value(), m.ks(1).value(), m.Alpha(1).value(), m.kf(1).value(), m.FoverRT.value()})
        s.settings.push_back(v);
    s.drawing = wb.formPlot.canvas().Text();
    return s;
}

struct Refusal {
    const char* row;
    std::vector<std::string> actions;
    std::string message;  // the start of the one message shown
};

// Each row of the report of entries that used to give a wrong curve, and each value that is
// impossible for the technique, electrode and mechanism. The default experiment (digital,
// A + e = B at a planar electrode, sweep 0.3 to -0.3 V) has run once before the row's entries.
const std::vector<Refusal> kRefusals = {
    {"Estart text",
     {"FormIns.Estart=abc"},
     "Instrument dialog, E start (V): \"abc\" cannot be used. Allowed: a number such as 0.3 or 1e-5 (a unit may "
     "follow after a blank)."},
    {"decimal comma",
     {"FormIns.Eend=-0,3"},
     "Instrument dialog, E end  (V): \"-0,3\" cannot be used. Allowed: a number with a full stop as its decimal "
     "point (0.3, not 0,3)."},
    {"scan rate 0",
     {"FormIns.V=0"},
     "Instrument dialog, v (V/s): \"0\" cannot be used. Allowed: a value greater than 0 V/s."},
    {"scan rate negative", {"FormIns.V=-0.01"}, "Instrument dialog, v (V/s): \"-0.01\" cannot be used."},
    {"concentration negative",
     {"FormExpr.C(1)=-1"},
     "Chemicals dialog, C anal (M) of species Fe3+: \"-1\" cannot be used. Allowed: a value of 0 or more mol/L."},
    {"temperature below absolute zero",
     {"FormIns.txttemp=-300"},
     "Instrument dialog, T ( °C): \"-300\" cannot be used. Allowed: a temperature above absolute zero"},
    {"temperature at this program's zero", {"FormIns.txttemp=-273.14"}, "Instrument dialog, T ( °C): \"-273.14\""},
    {"D 0 digital",
     {"FormExpr.D(1)=0"},
     "Chemicals dialog, D (cm ²/s) of species Fe3+: \"0\" cannot be used. Allowed: a value greater than 0 cm²/s."},
    {"Estart = Eend",
     {"FormIns.Eend=0.3"},
     "Instrument dialog, E end  (V): \"0.3\" cannot be used. Allowed: a potential at least one step (E step = 0.005 "
     "V) away from E start (0.3 V)."},
    {"more than 4000 points",
     {"FormIns.ComboScan:cycle", "FormIns.Estep=0.0001"},
     "Instrument dialog, E step (V): \"0.0001\" cannot be used. Allowed: a step that gives at most 4000 points; these "
     "settings give 12002 points (6001 per sweep, scan \"cycle\")."},
    {"Estep text", {"FormIns.Estep=abc"}, "Instrument dialog, E step (V): \"abc\" cannot be used. Allowed: a number"},
    {"Estep 0",
     {"FormIns.Estep=0"},
     "Instrument dialog, E step (V): \"0\" cannot be used. Allowed: a value greater than 0 V."},
    {"Estep negative", {"FormIns.Estep=-0.005"}, "Instrument dialog, E step (V): \"-0.005\""},
    {"digital differential pulse, drop = pulse",
     {"FormTech.optTech(4)", "FormIns.V=0.1"},
     "Instrument dialog, t pulse (s): \"0.05\" cannot be used. Allowed: a pulse shorter than the drop time (t drop = "
     "0.05 s, which is E step / v)."},
    {"normal pulse longer than the drop",
     {"FormTech.optTech(3)", "FormIns.tp=1"},
     "Instrument dialog, t pulse (s): \"1\" cannot be used. Allowed: a pulse shorter than the drop time"},
    {"pulse time 0", {"FormTech.optTech(3)", "FormIns.tp=0"}, "Instrument dialog, t pulse (s): \"0\" cannot be used."},
    {"frequency 0",
     {"FormTech.optTech(5)", "FormIns.TextF=0"},
     "Instrument dialog, f (Hz): \"0\" cannot be used. Allowed: a value greater than 0 Hz."},
    {"alpha 0",
     {"FormExpr.alph(1)=0"},
     "Chemicals dialog, α of reaction Fe3+ +1e=Fe2+: \"0\" cannot be used. Allowed: a transfer coefficient "
     "between 0 and 1 (both excluded)."},
    {"alpha 1.5", {"FormExpr.alph(1)=1.5"}, "Chemicals dialog, α of reaction Fe3+ +1e=Fe2+: \"1.5\""},
    {"ks 0", {"FormExpr.ks(1)=0"}, "Chemicals dialog, ks (cm/s) of reaction Fe3+ +1e=Fe2+: \"0\""},
    {"beyond the double range",
     {"FormExpr.ks(1)=1e309"},
     "Chemicals dialog, ks (cm/s) of reaction Fe3+ +1e=Fe2+: \"1e309\" cannot be used. Allowed: a number between "
     "-1.79769313486231E+308 and 1.79769313486231E+308."},
    {"radius 0 at a sphere",
     {"FormIns.optElectrode(2)", "FormIns.radius=0"},
     "Instrument dialog, Radius (cm): \"0\" cannot be used. Allowed: a value greater than 0 cm."},
    {"length negative at a cylinder",
     {"FormIns.optElectrode(5)", "FormIns.leng=-1"},
     "Instrument dialog, Length (cm): \"-1\" cannot be used."},
    {"rotation 0 at a rotating disk",
     {"FormIns.optElectrode(8)", "FormIns.TextRrate=0"},
     "Instrument dialog, Rotation (rpm): \"0\" cannot be used."},
    {"kf negative",
     {"FormMech.chem(1)=Fe2+", "FormMech.chem(2)=Fe3+", "FormExpr.kf(1)=-1"},
     "Chemicals dialog, kf of reaction Fe2+=Fe3+: \"-1\" cannot be used. Allowed: a value of 0 or more."},
    {"area 0 at a plane", {"FormIns.ARE=0"}, "Instrument dialog, Area (cm ²): \"0\" cannot be used."},
    {"analytical D text",
     {"FormMech.CheckDigital", "FormExpr.D(1)=fast"},
     "Chemicals dialog, D (cm ²/s) of species Fe3+: \"fast\" cannot be used."},
    {"analytical square wave, frequency text",
     {"FormMech.CheckDigital", "FormTech.optTech(5)", "FormIns.TextF=ten"},
     "Instrument dialog, f (Hz): \"ten\""},
};

TEST(BadInput, EachRefusalShowsOneMessageAndChangesNothing) {
    for (const Refusal& row : kRefusals) {
        testing::FakePlatform platform;
        Workbench wb(platform);
        ASSERT_TRUE(wb.RunCommand("mnuSimulate")) << row.row;
        ASSERT_TRUE(platform.messages.empty()) << row.row << ": " << platform.messages.front();
        for (const std::string& action : row.actions) Act(wb, action);
        platform.messages.clear();
        const Snapshot before = Take(wb);
        wb.RunCommand("mnuSimulate");
        ASSERT_EQ(platform.messages.size(), 1u) << row.row << (platform.messages.empty() ? "" : platform.messages[0]);
        EXPECT_EQ(platform.messages[0].substr(0, row.message.size()), row.message) << row.row;
        EXPECT_NE(platform.messages[0].find("Nothing was run"), std::string::npos) << row.row;
        const Snapshot after = Take(wb);
        EXPECT_TRUE(after.store == before.store) << row.row;
        EXPECT_TRUE(after.settings == before.settings) << row.row;
        EXPECT_EQ(after.drawing, before.drawing) << row.row;
        EXPECT_EQ(platform.pointers.back(), kPointerDefault) << row.row;
    }
}

// The same entries, put right, run: the refusal is about the entry and nothing else.
TEST(BadInput, ValuesAtTheEdgeOfWhatIsAllowedRun) {
    const std::vector<std::vector<std::string>> accepted = {
        {"FormIns.Estart=0.3 V"},  // a trailing unit
        {"FormIns.Eend=  -0.3"},   // leading blanks
        {"FormIns.Eend=0.295"},    // exactly one step
    };
    for (std::size_t k = 0; k < accepted.size(); ++k) {
        testing::FakePlatform platform;
        Workbench wb(platform);
        for (const std::string& action : accepted[k]) Act(wb, action);
        wb.RunCommand("mnuSimulate");
        EXPECT_TRUE(platform.messages.empty()) << accepted[k][0] << ": " << platform.messages.front();
        EXPECT_GE(wb.model.NData, 1) << accepted[k][0];
    }
    // 4000 points exactly run; one step finer is refused.
    testing::FakePlatform platform;
    Workbench wb(platform);
    Act(wb, "FormIns.ComboScan:2 cycles");
    Act(wb, "FormIns.Eend=-0.6989");
    Act(wb, "FormIns.Estep=0.001");  // 0.9989 / 0.001 = 998.9 -> 999 + 1 = 1000 per sweep
    wb.RunCommand("mnuSimulate");
    EXPECT_TRUE(platform.messages.empty()) << platform.messages.front();
    EXPECT_EQ(wb.model.NData, 4000);
    Act(wb, "FormIns.Eend=-0.7006");  // 1002 per sweep
    wb.RunCommand("mnuSimulate");
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].find("these settings give 4008 points (1002 per sweep, scan \"2 cycles\")"),
              std::string::npos)
        << platform.messages[0];
    EXPECT_EQ(wb.model.NData, 4000);
}

// The Instrument dialog's own OK still says that a step is not a number, once per click, and the
// field shows the step kept; a Simulate says it once although the chain confirms that dialog
// several times.
TEST(BadInput, OneMessagePerCommand) {
    testing::FakePlatform platform;
    Workbench wb(platform);
    Act(wb, "FormIns.Estep=abc");
    Act(wb, "FormExpr.cmdOK");  // the Chemicals dialog's OK runs the Instrument dialog's twice
    EXPECT_EQ(platform.messages,
              std::vector<std::string>{"E step (V) must be a number, not \"abc\"; the previous value 0.005 is kept."});
    EXPECT_EQ(wb.formIns.Estep.text(), "0.005");
}

// A number with text right after it ("2O" for 20, "1e-5q", "0.1x") is refused at Simulate and at
// the fits with the one message naming the field, like any other bad entry, and the field then shows
// the value the model kept (the one the last run used); a unit after a blank is still read.
TEST(BadInput, TrailingTextIsRefusedAndTheFieldShowsWhatWasKept) {
    const struct {
        const char* action;
        const char* command;
        const char* message;
        const char* kept;
    } rows[] = {
        {"FormIns.txttemp=2O", "mnuSimulate",
         "Instrument dialog, T ( °C): \"2O\" cannot be used. Allowed: a number such as "
         "0.3 or 1e-5 with nothing right after it",
         "25"},
        {"FormExpr.D(1)=1e-5q", "mnuSimulate",
         "Chemicals dialog, D (cm ²/s) of species Fe3+: \"1e-5q\" cannot be used.", "1e-5"},
        {"FormIns.V=0.1x", "mnuSimulate", "Instrument dialog, v (V/s): \"0.1x\" cannot be used.", "0.01"},
        {"FormIns.V=0.1x", "mnuManualFit", "Instrument dialog, v (V/s): \"0.1x\" cannot be used.", "0.01"},
        {"FormExpr.D(1)=1e-5q", "mnuAutoFit", "Chemicals dialog, D (cm ²/s) of species Fe3+: \"1e-5q\" cannot be used.",
         "1e-5"},
    };
    for (const auto& row : rows) {
        testing::FakePlatform platform;
        Workbench wb(platform);
        ASSERT_TRUE(wb.RunCommand("mnuSimulate"));
        ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
        const double kept = row.action[5] == 'I' ? wb.model.ScanRate.value() : wb.model.D(1).value();
        Act(wb, row.action);
        const Snapshot before = Take(wb);
        wb.RunCommand(row.command);
        ASSERT_EQ(platform.messages.size(), 1u) << row.action;
        EXPECT_EQ(platform.messages[0].substr(0, std::string(row.message).size()), row.message) << row.action;
        EXPECT_TRUE(Take(wb).store == before.store) << row.action;
        const auto dot = std::string(row.action).find('.'), eq = std::string(row.action).find('=');
        const Form* form = wb.FindForm(std::string(row.action).substr(0, dot));
        const auto* box =
            dynamic_cast<const TextBox*>(form->FindByFullName(std::string(row.action).substr(dot + 1, eq - dot - 1)));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), row.kept) << row.action;
        EXPECT_EQ(row.action[5] == 'I' ? wb.model.ScanRate.value() : wb.model.D(1).value(), kept) << row.action;
    }
    // "20 C" reads as 20 (a unit after a blank).
    testing::FakePlatform platform;
    Workbench wb(platform);
    Act(wb, "FormIns.txttemp=20 C");
    Act(wb, "FormIns.V=0.02 V/s");
    wb.RunCommand("mnuSimulate");
    EXPECT_TRUE(platform.messages.empty()) << platform.messages.front();
    EXPECT_DOUBLE_EQ(wb.model.TempK, 20 + 273.14);
    EXPECT_DOUBLE_EQ(wb.model.ScanRate, 0.02);
}

// The fit commands call the same check; a fit keeps the measured potentials, so their count and
// range are not checked, everything else is.
TEST(BadInput, FitChecksAllButThePotentialProgramme) {
    testing::FakePlatform platform;
    Workbench wb(platform);
    Act(wb, "FormIns.Eend=0.3");
    wb.formExpr.OK();
    EXPECT_FALSE(CheckRunInputs(wb.dialogs, wb.model, RunKind::Fit).has_value());
    EXPECT_TRUE(CheckRunInputs(wb.dialogs, wb.model, RunKind::Simulate).has_value());
    Act(wb, "FormExpr.D(1)=-1e-5");
    const auto refusal = CheckRunInputs(wb.dialogs, wb.model, RunKind::Fit);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->dialog, "Chemicals");
    EXPECT_EQ(refusal->field, "D (cm ²/s) of species Fe3+");
    EXPECT_EQ(refusal->text, "-1e-5");
    EXPECT_TRUE(platform.messages.empty());  // the check itself shows nothing
}

class PartialRunTest : public ::testing::Test {
  protected:
    testing::FakePlatform platform;
    Workbench wb{platform};
    Model& m = wb.model;
};

// A digital run that fails before its first point leaves the previous curve, the potentials and the
// curve counters as they were, with overlap on too, and draws nothing new.
TEST_F(PartialRunTest, FailureBeforeTheFirstPointKeepsThePreviousCurve) {
    wb.formOption.overlap.SetChecked(true);
    wb.RunCommand("mnuSimulate");
    ASSERT_TRUE(platform.messages.empty());
    const Snapshot before = Take(wb);
    // A reaction far too fast for the grid's time step.
    Act(wb, "FormMech.chem(1)=Fe2+");
    Act(wb, "FormMech.chem(2)=Fe3+");
    Act(wb, "FormExpr.kf(1)=1e85");
    wb.RunCommand("mnuSimulate");
    EXPECT_EQ(platform.messages,
              std::vector<std::string>{"CV Error: The chemical reaction is too fast for the digital simulation (kf + "
                                       "kb = 1E+85 /s; at this time step it resolves at most 2E+20 /s)! Please try "
                                       "again by other initial values."});
    const Snapshot after = Take(wb);
    EXPECT_TRUE(after.store == before.store);
    EXPECT_EQ(after.drawing, before.drawing);
}

// One that fails part-way keeps the points computed, says how many, and exports only those.
TEST_F(PartialRunTest, FailurePartWayKeepsAndNamesTheComputedPoints) {
    wb.RunCommand("mnuSimulate");
    m.Eend = -0.9;  // what the chain would confirm, with an electron number the dialog does not offer
    Act(wb, "FormIns.Eend=-0.9");
    wb.formExpr.OK();
    m.n(1) = 60;  // an exponential that overflows part-way down the sweep
    platform.messages.clear();
    const SimulationOutcome outcome = testing::RunEngine(wb);
    EXPECT_EQ(outcome.points, 241);
    EXPECT_EQ(outcome.computed, 160);
    EXPECT_TRUE(outcome.curveWritten);
    EXPECT_FALSE(outcome.Complete());
    ASSERT_EQ(platform.messages.size(), 2u);
    EXPECT_EQ(platform.messages[1], "The curve is incomplete: 160 of 241 points were computed.");
    EXPECT_EQ(m.ILast, 160);
    const std::string exported = ExportText(m, m.IFirst, m.ILast, m.CurCurve);
    EXPECT_EQ(std::count(exported.begin(), exported.end(), '\n'), 160);
}

// A failed import, with overlap on, changes nothing: the slot is taken once the file has been read.
TEST(BadInput, FailedImportTakesNoCurveSlot) {
    testing::FakePlatform platform;
    Workbench wb(platform);
    wb.formOption.overlap.SetChecked(true);
    wb.RunCommand("mnuSimulate");
    const Snapshot before = Take(wb);
    platform.fileAnswers.push_back(testing::DataPath("no such file.csv"));
    wb.RunCommand("mnuImport");
    platform.fileAnswers.push_back(std::nullopt);  // cancelled
    wb.RunCommand("mnuImport");
    EXPECT_EQ(platform.messages, std::vector<std::string>{"ReadData Error: File not found"});
    EXPECT_TRUE(Take(wb) == before);
}

}  // namespace
}  // namespace talvex
