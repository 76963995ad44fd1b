#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "batch/script_runner.h"
#include "core/text_number.h"

namespace talvex {
namespace {

// Runs a script and collects the "NAME = value" lines it printed.
struct Session {
    int status = 0;
    std::string out, err;
    std::map<std::string, std::string> values;
    double Number(const std::string& name) const { return LeadingNumber(values.at(name)); }
};

Session RunSession(const std::string& text) {
    std::istringstream script(text);
    std::ostringstream out, err;
    Session s;
    s.status = RunScript(script, "e2e.tvx", out, err);
    s.out = out.str();
    s.err = err.str();
    std::istringstream lines(s.out);
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find(" = ");
        if (eq != std::string::npos) s.values[line.substr(0, eq)] = line.substr(eq + 3);
    }
    return s;
}

// Peak of a cyclic voltammogram of the default couple, 1 mM at 10 mV/s: Randles-Sevcik gives
// 0.4463 nFAC sqrt(nFvD/RT) = 8.50e-5 A; both ways of computing stay within 1 % of it.
constexpr double kRandlesSevcik = 8.496e-5;

TEST(EndToEnd, DefaultCyclicVoltammogramBothWays) {
    const std::string prints =
        "menu mnuSimulate\n"
        "print NData\nprint CaseCode\nprint Xdata(47)\nprint Yplot(47,1)\nprint Yplot(208,1)\n";
    const Session digital = RunSession("select FormIns.ComboScan cycle\n" + prints);
    const Session analytical = RunSession("click FormMech.CheckDigital\nselect FormIns.ComboScan cycle\n" + prints);
    for (const Session* s : {&digital, &analytical}) {
        EXPECT_EQ(s->status, 0);
        EXPECT_EQ(s->out.find("MessageBox"), std::string::npos) << s->out;
        EXPECT_EQ(s->Number("NData"), 242);
        EXPECT_EQ(s->values.at("Xdata(47)"), ".07");  // 5 mV from the theoretical peak at 71.5 mV
        EXPECT_NEAR(s->Number("Yplot(47,1)"), kRandlesSevcik, 0.01 * kRandlesSevcik) << s->out;
        EXPECT_NEAR(s->Number("Yplot(208,1)"), -6.6e-5, 0.02 * 6.6e-5) << s->out;  // anodic peak, 0.13 V
    }
    EXPECT_EQ(digital.values.at("CaseCode"), "");  // never computed while the digital simulation is on
    EXPECT_EQ(analytical.values.at("CaseCode"), "11");
}

// Differential pulse at a 1 um microsphere chosen in the dialogs: CaseCode 42, the area follows the
// radius (4 pi r^2), and the peak sits near E1/2 - dE/2 = 0.125 V.
TEST(EndToEnd, TechniqueAndElectrodeChosenInTheDialogs) {
    const Session s = RunSession(
        "click FormMech.CheckDigital\n"
        "click FormTech.optTech(4)\n"
        "click FormTech.cmdOK\n"
        "click FormIns.optElectrode(2)\n"
        "set FormIns.radius 1e-4\n"
        "show FormIns.ARE\n"
        "menu mnuSimulate\n"
        "print Technique\nprint Electrode\nprint CaseCode\nprint Radius\nprint Xdata(36)\n");
    EXPECT_EQ(s.status, 0) << s.err;
    EXPECT_EQ(s.out.find("MessageBox"), std::string::npos) << s.out;
    EXPECT_NE(s.out.find("FormIns.ARE = \"1.26e-7\""), std::string::npos) << s.out;
    EXPECT_EQ(s.values.at("CaseCode"), "42");
    EXPECT_EQ(s.values.at("Radius"), ".0001");
    EXPECT_EQ(s.values.at("Xdata(36)"), ".125");
}

// A step of 0 is refused before anything runs; the curve of the run before stays as it was.
TEST(EndToEnd, FailedRunKeepsThePreviousCurve) {
    const Session s = RunSession(
        "click FormMech.CheckDigital\n"
        "menu mnuSimulate\n"
        "print Yplot(47,1)\n"
        "set FormIns.Estep 0\n"
        "menu mnuSimulate\n"
        "print NData\n"
        "print Yplot(47,1)\n");
    EXPECT_EQ(s.status, 0);
    EXPECT_NE(s.out.find("MessageBox: Instrument dialog, E step (V): \"0\" cannot be used. Allowed: a value greater "
                         "than 0 V."),
              std::string::npos)
        << s.out;
    const auto first = s.out.find("Yplot(47,1) = ");
    const auto second = s.out.find("Yplot(47,1) = ", first + 1);
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(s.out.substr(first, s.out.find('\n', first) - first),
              s.out.substr(second, s.out.find('\n', second) - second));
    EXPECT_EQ(s.values.at("NData"), "121");
}

}  // namespace
}  // namespace talvex
