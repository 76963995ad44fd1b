#include "batch/script_runner.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/text_number.h"
#include "support/numeric.h"

namespace talvex {
namespace {

struct ScriptResult {
    int status;
    std::string out, err;
};

ScriptResult RunText(const std::string& text) {
    std::istringstream script(text);
    std::ostringstream out, err;
    const int status = RunScript(script, "test.tvx", out, err);
    return {status, out.str(), err.str()};
}

TEST(ScriptRunner, ReadsAndWritesControlsAndModelValues) {
    const ScriptResult r = RunText(
        "# comment\n"
        "\n"
        "print Electrode\n"
        "print NData\n"
        "set FormIns.TxtI0 1e-6\r\n"
        "show FormIns.TxtI0\n"
        "set FormIns.TxtI1\n"
        "show FormIns.TxtI1\n"
        "print Xdata(4001)\n"
        "menu mnuManualFit\n"
        "menu mnuTime\n"
        "set FormIns.Estep 0\n"
        "menu mnuSimulate\n"
        "print NData\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Electrode = 1\n"
              "NData = \n"
              "FormIns.TxtI0 = \"1e-6\", visible\n"
              "FormIns.TxtI1 = \"\", visible\n"
              "MessageBox: Subscript out of range\n"
              "Menu mnuManualFit is disabled\n"
              "Menu mnuTime is disabled\n"
              "MessageBox: Instrument dialog, E step (V): \"0\" cannot be used. Allowed: a value greater than 0 V. "
              "Nothing was run; the curves and settings are as they were.\n"
              "NData = \n");
}

TEST(ScriptRunner, StopsWithLineNumberOnALineItCannotUnderstand) {
    struct Case {
        const char* script;
        const char* error;
    };
    const Case cases[] = {
        {"print NData\nfrobnicate\nprint NData\n", "test.tvx:2: unknown command 'frobnicate'\n"},
        {"set FormIns.NoSuchBox 1\n", "test.tvx:1: unknown control 'FormIns.NoSuchBox'\n"},
        {"set FormNope.Estart 1\n", "test.tvx:1: unknown dialog 'FormNope'\n"},
        {"click FormIns.TxtI0\n", "test.tvx:1: FormIns.TxtI0 cannot be clicked\n"},
        {"menu mnuNothing\n", "test.tvx:1: unknown menu command 'mnuNothing'\n"},
        {"menu mnuFile\n", "test.tvx:1: unknown menu command 'mnuFile'\n"},
        {"print\n", "test.tvx:1: cannot read the model value ''\n"},
        {"print Xdata\n", "test.tvx:1: unknown model value 'Xdata'\n"},
        {"print Yplot(1,x)\n", "test.tvx:1: cannot read the model value 'Yplot(1,x)'\n"},
        {"answer\n", "test.tvx:1: answer needs a path, a choice or 'cancel'\n"},
        {"set\n", "test.tvx:1: expected Form.control, got ''\n"},
    };
    for (const Case& c : cases) {
        const ScriptResult r = RunText(c.script);
        EXPECT_EQ(r.status, 2) << c.script;
        EXPECT_EQ(r.err, c.error) << c.script;
    }
}

// The default cyclic voltammogram by the digital simulation, set up through the dialogs as a script
// does: the cathodic peak within 1 % of Randles-Sevcik, 0.4463 nFAC sqrt(nFvD/RT) = 8.496e-5 A, 5 mV
// from the theoretical 71.5 mV; the anodic one (0.13 V) within 2 % of -6.6e-5 A. CaseCode is never
// computed while the digital simulation is on. (The cyclic_voltammogram example pins the closed form.)
TEST(EndToEnd, DefaultDigitalCyclicVoltammogram) {
    const ScriptResult r = RunText(
        "select FormIns.ComboScan cycle\nmenu mnuSimulate\n"
        "print NData\nprint CaseCode\nprint Xdata(47)\nprint Yplot(47,1)\nprint Yplot(208,1)\n");
    std::vector<std::string> v;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) v.push_back(line.substr(line.find(" = ") + 3));
    ASSERT_EQ(v.size(), 5u) << r.out;  // no message box among them
    EXPECT_EQ(v[0] + "|" + v[1] + "|" + v[2], "242||.07");
    EXPECT_TRUE(testing::Near(LeadingNumber(v[3]), 8.496e-5, 0.01)) << r.out;
    EXPECT_TRUE(testing::Near(LeadingNumber(v[4]), -6.6e-5, 0.02)) << r.out;
}

}  // namespace
}  // namespace talvex
