#include "dialogs/form_ins.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/constants.h"
#include "core/workbench.h"
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

TEST_F(FormInsTest, OpensWithItsDefaultsAndWritesNothingIntoTheModel) {
    EXPECT_EQ(f.txttemp.caption,
              "T ( \xC2\xB0"
              "C)");                                 // degree sign
    EXPECT_EQ(f.ARE.caption, "Area (cm \xC2\xB2)");  // superscript two
    EXPECT_EQ(f.LabelOhm.caption(), "\xCE\xA9");     // capital omega
    EXPECT_EQ(f.ComboScan.text(), "single");
    EXPECT_TRUE(f.optElectrode(1).selected());
    EXPECT_FALSE(f.optElectrode(9).enabled);
    EXPECT_FALSE(f.radius.visible || f.leng.visible || f.TextRrate.visible);
    EXPECT_FALSE(f.txtEPre.ShownOnScreen());  // inside the hidden preconcentration frame
    EXPECT_FALSE(m.Area.assigned() || m.Volume.assigned() || m.ElectrodeLength.assigned());
}

// The default radius is that of a sphere of 1 cm2: 4 pi 0.2821^2 = 1.00003, sqrt(1 / (4 pi)) =
// 0.28209. A handler rewrites the other field only when its value differs at the three shown
// digits, so the exchange settles at once and a typed entry is never replaced by a rounded copy.
TEST_F(FormInsTest, RadiusAndAreaAgreeAndSettle) {
    f.optElectrode(2).Click();
    EXPECT_EQ(m.Electrode, 2);
    EXPECT_EQ(f.ARE.text(), "1");
    EXPECT_EQ(f.radius.text(), "0.2821");
    f.radius.Type("0.3");
    EXPECT_EQ(f.ARE.text(), "1.13e0");  // 4 pi 0.09 = 1.131
    f.radius.Type("0.2821");
    EXPECT_EQ(f.ARE.text(), "1.e0");
    EXPECT_EQ(m.Area, 1.0);
    f.optElectrode(1).Click();
    EXPECT_EQ(f.ARE.text(), "1.e0");

    f.optElectrode(4).Click();
    f.ARE.Type("0.5");
    EXPECT_EQ(f.radius.text(),
              "3.99e-1");  // sqrt(0.5 / pi) = 0.39894, back to pi 0.399^2 = 0.50014
    EXPECT_EQ(f.ARE.text(), "0.5");
    EXPECT_TRUE(Near(m.Volume, 0.01 * 0.5, 1e-12));  // L A for the disc

    f.optElectrode(5).Click();  // cylinder: A = 2 pi r L and back
    f.leng.Type("0.1");
    EXPECT_EQ(f.ARE.text(), "2.51e-1");
    EXPECT_EQ(f.radius.text(), "3.99e-1");
    f.OK();  // the cylinder's volume takes the radius that OK stores
    EXPECT_TRUE(Near(m.Volume, kPi * 0.399 * 0.399 * 0.1, 1e-12));
}

TEST_F(FormInsTest, ElectrodeOptionsShowTheirFieldsAndCaptions) {
    f.optElectrode(7).Click();
    EXPECT_TRUE(f.leng.visible && f.radius.visible && !f.TextRrate.visible);
    EXPECT_EQ(f.radius.caption, "Half Width (cm)");
    f.optElectrode(8).Click();
    EXPECT_TRUE(!f.leng.visible && f.radius.visible && f.TextRrate.visible);
    EXPECT_EQ(f.radius.caption, "Radius (cm)");
    f.optElectrode(9).Select();
    EXPECT_TRUE(f.leng.visible && !f.radius.visible && !f.TextRrate.visible);
    EXPECT_FALSE(f.radius.captionVisible || f.TextRrate.captionVisible);  // these go with their captions
    EXPECT_EQ(f.leng.caption, "Thick (cm)");
    EXPECT_EQ(m.Electrode, 9);
}

TEST_F(FormInsTest, BandShowsTheHalfWidthAndStoresAQuarter) {
    f.optElectrode(7).Click();
    f.leng.Type("0.5");
    f.radius.Type("0.2");
    EXPECT_EQ(f.ARE.text(), "0.2");  // 2 r L, written as a plain number
    f.OK();
    EXPECT_TRUE(Near(m.Radius, 0.05, 1e-15));
    EXPECT_TRUE(Near(m.Area, 0.2, 1e-15));
}

TEST_F(FormInsTest, DropAndPulseTimesFollowTheirFields) {
    f.Estep.Type("0.002");
    EXPECT_EQ(f.td.text(), "0.2");
    f.Estep.Type("0.005");
    EXPECT_EQ(f.td.text(), "0.5");
    f.Estep.Type("-0.005");  // stored as a magnitude, and so is its time
    EXPECT_EQ(f.td.text(), "0.5");
    for (const char* bad : {"", "0", "fast"}) {
        f.V.Type(bad);
        EXPECT_EQ(f.td.text(), "0.5") << bad;
    }
    f.TextF.Type("10");
    EXPECT_EQ(f.tp.text(), "0.05");
    f.TextF.Type("0");
    EXPECT_EQ(f.tp.text(), "0.05");
}

TEST_F(FormInsTest, ActivationShowsTheFieldsOfTheTechnique) {
    m.Technique = 5;
    f.Show();
    EXPECT_TRUE(!f.V.visible && f.TextF.visible && f.tp.visible && f.Epulse.visible);
    EXPECT_FALSE(f.tp.Type("0.1"));  // square wave: the pulse time follows the frequency
    m.Technique = 3;
    f.Activate();
    EXPECT_TRUE(f.V.visible && !f.TextF.visible && f.Epulse.visible);
    EXPECT_TRUE(f.tp.Type("0.1"));
    m.Technique = 1;
    f.Activate();
    EXPECT_TRUE(f.V.visible && !f.TextF.visible && !f.tp.visible && !f.Epulse.visible);
    // Only the boxes change; their captions stay.
    EXPECT_TRUE(f.TextF.captionVisible && f.tp.captionVisible && f.Epulse.captionVisible);
}

TEST_F(FormInsTest, OkStoresTheFields) {
    f.Eend.Type("-0.4 V");  // lenient: the leading number
    f.Estep.Type("-0.002");
    f.V.Type("-0.05");
    f.Cdl.Type("");
    f.TextRrate.Type("300");
    f.ComboScan.SelectText("2 cycles");
    f.OK();
    EXPECT_EQ(m.Eend, -0.4);
    EXPECT_EQ(m.Estep, 0.002);
    EXPECT_EQ(m.ScanRate, 0.05);
    EXPECT_TRUE(Near(m.tdrop, 0.04, 1e-15));
    EXPECT_TRUE(Near(m.TempK, 298.14, 1e-15));
    EXPECT_TRUE(m.Cdl.assigned());
    EXPECT_TRUE(Near(m.Omega, 300 * kPi / 30, 1e-15));
    EXPECT_EQ(m.ScanCycles, 2.0);
    f.ComboScan.SelectText("single");
    f.cmdOK.Click();
    EXPECT_EQ(m.ScanCycles, 0.5);
    EXPECT_FALSE(f.visible());
    EXPECT_TRUE(platform.messages.empty());
}

// The step and the scan rate must be numbers: anything else is reported by field and leaves the
// model's value as it was, while the other fields are still stored.
TEST_F(FormInsTest, OkRefusesAStepOrRateThatIsNotANumber) {
    f.OK();
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
}

// An area that overflows, or a zero length for the cylinder, leaves the dependent field as it was:
// no field ever shows an infinity or a NaN.
TEST_F(FormInsTest, GeometryHandlersLeaveFieldsFiniteOnBadInput) {
    f.optElectrode(2).Click();
    f.radius.Type("1e200");
    EXPECT_EQ(f.ARE.text(), "1");
    f.radius.Type("0.2");
    f.optElectrode(5).Click();
    f.leng.Type("0");
    EXPECT_EQ(f.ARE.text(), "0.e0");
    const std::string radius = f.radius.text();
    f.ARE.Type("1");
    EXPECT_EQ(f.radius.text(), radius);
    EXPECT_TRUE(std::isfinite(m.Volume));
}

TEST_F(FormInsTest, PreconcentrationClickTogglesItsFrameAndTransfers) {
    f.CheckPreCon.Click();
    EXPECT_TRUE(f.txtTPre.ShownOnScreen());
    EXPECT_EQ(m.Viscosity, 0.01);  // the transfer ran
    f.CheckPreCon.Click();
    EXPECT_FALSE(f.FramePre.visible);
}

}  // namespace
}  // namespace talvex
