#include "batch/script_runner.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

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
        "menu mnuTime\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Electrode = 1\n"
              "NData = \n"
              "FormIns.TxtI0 = \"1e-6\", visible\n"
              "FormIns.TxtI1 = \"\", visible\n"
              "MessageBox: Subscript out of range\n"
              "Menu mnuManualFit is disabled\n"
              "Menu mnuTime is disabled\n");
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

TEST(ScriptRunner, SurvivesBinaryGarbage) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 200; ++trial) {
        std::string text;
        const int length = static_cast<int>(random() % 200);
        for (int i = 0; i < length; ++i) text.push_back(static_cast<char>(random() % 256));
        const ScriptResult r = RunText(text);
        EXPECT_TRUE(r.status == 0 || r.status == 2);
        if (r.status == 2) {
            EXPECT_NE(r.err.find("test.tvx:"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace talvex
