#include "dialogs/form_ins.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/constants.h"
#include "core/text_number.h"
#include "core/workbench.h"
#include "dialogs/form_expr.h"
#include "support/fake_platform.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::FakePlatform;
using testing::Near;

class FormInsTest : public ::testing::Test {
protected:
    FormInsTest() : wb(platform), m(wb.model), f(wb.formIns) {}
    FakePlatform platform;
    Workbench wb;
    Model& m;
    FormIns& f;
};

bool Finite(const std::string& text) {
    return text.find("inf") == std::string::npos && text.find("nan") == std::string::npos &&
           text.find("Inf") == std::string::npos && text.find("NaN") == std::string::npos;
}

TEST_F(FormInsTest, OpensWithItsDefaultsAndWritesNothingIntoTheModel) {
    EXPECT_EQ(f.caption, "Instrument");
    EXPECT_EQ(f.txttemp.caption, "T ( \xC2\xB0" "C)");   // degree sign
    EXPECT_EQ(f.ARE.caption, "Area (cm \xC2\xB2)");       // superscript two
    EXPECT_EQ(f.LabelOhm.caption(), "\xCE\xA9");          // capital omega
    EXPECT_EQ(f.Noise.tooltip, "ratio of noise to maxinum signal");
    EXPECT_EQ(f.Eend.caption, "E end  (V)");
    EXPECT_EQ(f.Estep.text(), "0.005");
    EXPECT_EQ(f.td.text(), "0.5");
    EXPECT_TRUE(f.td.locked);
    EXPECT_EQ(f.txtTpreconst.text(), "1e-3");
    EXPECT_EQ(f.ComboScan.listIndex(), 0);
    EXPECT_EQ(f.ComboScan.text(), "single");
    EXPECT_EQ(f.optElectrode(9).caption, "9)  Thin film");
    EXPECT_TRUE(f.optElectrode(1).selected());
    EXPECT_FALSE(f.optElectrode(9).enabled);
    EXPECT_FALSE(f.radius.visible);
    EXPECT_FALSE(f.leng.visible);
    EXPECT_FALSE(f.TextRrate.visible);
    EXPECT_FALSE(f.CheckPreCon.checked());
    EXPECT_FALSE(f.txtEPre.ShownOnScreen());  // inside the hidden preconcentration frame
    EXPECT_EQ(f.FindByFullName("optElectrode(4)"), &f.optElectrode(4));
    // A fresh program has nothing assigned but the electrode.
    EXPECT_FALSE(m.Area.assigned());
    EXPECT_FALSE(m.Volume.assigned());
    EXPECT_FALSE(m.ElectrodeLength.assigned());
}

// The default radius is the radius of a sphere of 1 cm2: 4 pi 0.2821^2 = 1.00003, and
// sqrt(1 / (4 pi)) = 0.28209. Each handler rewrites the other field only when its value differs at
// the three shown digits, so a typed entry is never replaced by a rounded copy of itself.
TEST_F(FormInsTest, RadiusAndAreaAgreeAndSettle) {
    f.optElectrode(2).Click();
    EXPECT_EQ(m.Electrode, 2);
    EXPECT_EQ(f.ARE.text(), "1");  // already 1.e0 at the shown digits
    EXPECT_EQ(f.radius.text(), "0.2821");
    EXPECT_EQ(m.Area, 1.0);
    f.radius.Type("0.3");
    EXPECT_EQ(f.ARE.text(), "1.13e0");  // 4 pi 0.09 = 1.131
    f.radius.Type("0.2821");
    EXPECT_EQ(f.ARE.text(), "1.e0");
    f.ARE.Type("1");
    EXPECT_EQ(f.radius.text(), "0.2821");
    f.optElectrode(1).Click();
    EXPECT_EQ(f.ARE.text(), "1");
    EXPECT_EQ(m.Area, 1.0);

    // Typing an area gives the radius, whose area is the typed one to the shown digits.
    f.optElectrode(4).Click();
    EXPECT_EQ(f.ARE.text(), "2.5e-1");  // pi 0.2821^2 = 0.25001
    f.ARE.Type("0.5");
    EXPECT_EQ(f.radius.text(), "3.99e-1");  // sqrt(0.5 / pi) = 0.39894, back to pi 0.399^2 = 0.50014
    EXPECT_EQ(f.ARE.text(), "0.5");
    EXPECT_TRUE(Near(m.Area, 0.5, 1e-15));
    EXPECT_TRUE(Near(m.Volume, 0.01 * 0.5, 1e-12));  // L A for the disc

    // Cylinder: A = 2 pi r L; the radius comes back as A / (2 pi L).
    f.optElectrode(5).Click();
    f.leng.Type("0.1");
    EXPECT_EQ(f.ARE.text(), "2.51e-1");  // 2 pi 0.399 0.1 = 0.2507
    EXPECT_EQ(f.radius.text(), "3.99e-1");
    EXPECT_TRUE(Near(m.ElectrodeLength, 0.1, 1e-15));
}

TEST_F(FormInsTest, ElectrodeOptionsShowTheirFieldsAndCaptions) {
    struct Row {
        int k;
        bool length, radius, rotation;
    };
    for (const Row& row : {Row{1, false, false, false}, Row{2, false, true, false}, Row{4, false, true, false},
                           Row{6, true, true, false}, Row{7, true, true, false}, Row{8, false, true, true},
                           Row{9, true, false, false}}) {
        f.optElectrode(row.k).Select();
        EXPECT_EQ(m.Electrode, row.k);
        EXPECT_EQ(f.leng.visible, row.length) << row.k;
        EXPECT_EQ(f.radius.visible, row.radius) << row.k;
        EXPECT_EQ(f.TextRrate.visible, row.rotation) << row.k;
        EXPECT_EQ(f.radius.caption, row.k == 7 ? "Half Width (cm)" : "Radius (cm)");
        EXPECT_EQ(f.leng.caption, row.k == 9 ? "Thick (cm)" : "Length (cm)");
    }
}

// Spheres take their volume from the radius stored by OK (4/3 pi R^3), the thin film from L A.
TEST_F(FormInsTest, VolumeFollowsTheGeometry) {
    f.optElectrode(2).Select();
    f.radius.Type("0.1");
    f.OK();
    EXPECT_TRUE(Near(m.Radius, 0.1, 1e-15));
    EXPECT_TRUE(Near(m.Volume, 4 * kPi * 0.001 / 3, 1e-12));
    f.optElectrode(6).Select();
    f.leng.Type("0.2");
    EXPECT_TRUE(Near(m.Volume, (kPi / 2) * 0.01 * 0.2, 1e-12));
    f.optElectrode(9).Select();
    EXPECT_TRUE(Near(m.Volume, 0.2 * m.Area, 1e-12));
}

TEST_F(FormInsTest, BandShowsTheHalfWidthAndStoresAQuarter) {
    f.optElectrode(7).Click();
    f.leng.Type("0.5");
    f.radius.Type("0.2");
    EXPECT_EQ(f.ARE.text(), "0.2");  // 2 r L, written as a plain number
    f.OK();
    EXPECT_TRUE(Near(m.Radius, 0.05, 1e-15));
    EXPECT_EQ(f.radius.text(), "0.2");
    EXPECT_TRUE(Near(m.Area, 0.2, 1e-15));
}

TEST_F(FormInsTest, DropAndPulseTimesFollowTheirFields) {
    f.Estep.Type("0.002");
    EXPECT_EQ(f.td.text(), "0.2");
    f.Estep.Type("0.005");
    EXPECT_EQ(f.td.text(), "0.5");
    f.V.Type("0.1");
    EXPECT_EQ(f.td.text(), "0.05");
    f.Estep.Type("-0.005");  // stored as a magnitude, and so is its time
    EXPECT_EQ(f.td.text(), "0.05");
    // Empty, zero or non-numeric inputs leave the time as it was.
    for (const char* bad : {"", "0", "fast"}) {
        f.V.Type(bad);
        EXPECT_EQ(f.td.text(), "0.05") << bad;
    }
    f.TextF.Type("10");
    EXPECT_EQ(f.tp.text(), "0.05");
    f.TextF.Type("25");
    EXPECT_EQ(f.tp.text(), "0.02");
    f.TextF.Type("0");
    EXPECT_EQ(f.tp.text(), "0.02");
}

TEST_F(FormInsTest, ActivationShowsTheFieldsOfTheTechnique) {
    m.Technique = 1;
    f.Show();
    EXPECT_TRUE(f.V.visible);
    EXPECT_FALSE(f.TextF.visible);
    EXPECT_FALSE(f.tp.visible);
    EXPECT_FALSE(f.Epulse.visible);

    m.Technique = 5;
    f.Activate();
    EXPECT_FALSE(f.V.visible);
    EXPECT_TRUE(f.TextF.visible);
    EXPECT_TRUE(f.tp.visible);
    EXPECT_TRUE(f.Epulse.visible);
    EXPECT_FALSE(f.tp.Type("0.1"));  // square wave: the pulse time follows the frequency
    EXPECT_EQ(f.tp.text(), "0.05");
    EXPECT_EQ(f.tp.caption, "t pulse (s)");

    m.Technique = 3;
    f.Activate();
    EXPECT_TRUE(f.V.visible);
    EXPECT_FALSE(f.TextF.visible);
    EXPECT_TRUE(f.tp.Type("0.1"));
    EXPECT_TRUE(f.Epulse.visible);
}

TEST_F(FormInsTest, OkStoresEveryField) {
    f.Estart.Type("0.25");
    f.Eend.Type("-0.4 V");  // lenient: the leading number
    f.Estep.Type("-0.002");
    f.V.Type("-0.05");
    f.txttemp.Type("25");
    f.Cdl.Type("");
    f.txtRu.Type("100");
    f.Noise.Type("2");
    f.Epulse.Type("-0.01");
    f.tp.Type("0.04");
    f.TextRrate.Type("300");
    f.ComboScan.SelectText("2 cycles");
    f.OK();
    EXPECT_EQ(m.Estart, 0.25);
    EXPECT_EQ(m.Eend, -0.4);
    EXPECT_EQ(m.Estep, 0.002);
    EXPECT_EQ(m.ScanRate, 0.05);
    EXPECT_TRUE(Near(m.tdrop, 0.04, 1e-15));  // |Estep / V|
    EXPECT_TRUE(Near(m.TempK, 298.14, 1e-15));
    EXPECT_EQ(m.Cdl, 0.0);
    EXPECT_TRUE(m.Cdl.assigned());
    EXPECT_EQ(m.Ru, 100.0);
    EXPECT_EQ(m.Noise, 2.0);
    EXPECT_EQ(m.Epulse, -0.01);
    EXPECT_EQ(m.tpulse, 0.04);
    EXPECT_TRUE(Near(m.Omega, 300 * kPi / 30, 1e-15));
    EXPECT_TRUE(Near(m.ElectrodeLength, 0.01, 1e-15));
    EXPECT_TRUE(Near(m.Radius, 0.2821, 1e-15));
    EXPECT_EQ(m.ScanCycles, 2.0);
    f.ComboScan.SelectText("cycle");
    f.OK();
    EXPECT_EQ(m.ScanCycles, 1.0);
    f.ComboScan.SelectText("single");
    f.OK();
    EXPECT_EQ(m.ScanCycles, 0.5);
    EXPECT_TRUE(platform.messages.empty());
}

// The step and the scan rate must be numbers: anything else is reported by field and leaves the
// model's value as it was, while the other fields are still stored.
TEST_F(FormInsTest, OkRefusesAStepOrRateThatIsNotANumber) {
    f.OK();
    ASSERT_EQ(m.Estep, 0.005);
    f.Estep.Type("abc");
    f.V.Type("");
    f.Estart.Type("0.4");
    f.OK();
    ASSERT_EQ(platform.messages.size(), 2u);
    EXPECT_NE(platform.messages[0].find("E step (V)"), std::string::npos);
    EXPECT_NE(platform.messages[0].find("abc"), std::string::npos);
    EXPECT_NE(platform.messages[1].find("v (V/s)"), std::string::npos);
    EXPECT_EQ(m.Estep, 0.005);
    EXPECT_EQ(m.ScanRate, 0.01);
    EXPECT_EQ(m.Estart, 0.4);
    EXPECT_EQ(f.td.text(), "0.5");
}

// Change handlers never write an infinity or a NaN: a radius whose area overflows, or a length of
// zero for the cylinder, leaves the dependent field as it was.
TEST_F(FormInsTest, GeometryHandlersLeaveFieldsFiniteOnBadInput) {
    f.optElectrode(2).Click();
    const std::string area = f.ARE.text();
    f.radius.Type("1e200");
    EXPECT_EQ(f.ARE.text(), area);
    f.radius.Type("");
    EXPECT_EQ(f.ARE.text(), area);
    f.radius.Type("0.2");
    f.optElectrode(5).Click();
    f.leng.Type("0");
    EXPECT_EQ(f.ARE.text(), "0.e0");  // 2 pi r 0
    const std::string radius = f.radius.text();
    f.ARE.Type("1");
    EXPECT_EQ(f.radius.text(), radius);
    f.ARE.Type("-1");
    f.optElectrode(2).Click();
    for (const Control* c : f.controls())
        if (c->kind() == ControlKind::TextBox) {
            EXPECT_TRUE(Finite(static_cast<const TextBox*>(c)->text())) << c->FullName();
        }
    EXPECT_TRUE(std::isfinite(m.Area));
    EXPECT_TRUE(std::isfinite(m.Volume));
}

TEST_F(FormInsTest, PreconcentrationClickTogglesItsFrameAndTransfers) {
    EXPECT_FALSE(m.Viscosity.assigned());
    f.CheckPreCon.Click();
    EXPECT_TRUE(f.FramePre.visible);
    EXPECT_TRUE(f.txtTPre.ShownOnScreen());
    EXPECT_EQ(m.Viscosity, 0.01);  // the transfer ran
    EXPECT_TRUE(m.Area.assigned());
    f.CheckPreCon.Click();
    EXPECT_FALSE(f.FramePre.visible);
}

TEST_F(FormInsTest, OkButtonConfirmsAndHides) {
    f.Show();
    f.Estart.Type("0.1");
    f.cmdOK.Click();
    EXPECT_FALSE(f.visible());
    EXPECT_EQ(m.Estart, 0.1);
    f.Show();
    f.Close();
    EXPECT_FALSE(f.visible());
    EXPECT_EQ(f.Estart.text(), "0.1");
}

}  // namespace
}  // namespace talvex
