#include "plot/form_option.h"

#include <gtest/gtest.h>

#include "plot/plot_fixture.h"

namespace talvex {
namespace {

class FormOptionTest : public testing::PlotTest {};

TEST_F(FormOptionTest, ControlsCaptionsTooltipsAndDefaults) {
    EXPECT_EQ(opt.caption, "Option");
    EXPECT_FALSE(opt.visible());
    EXPECT_EQ(opt.CheckGrid.caption, "Grid");
    EXPECT_FALSE(opt.CheckGrid.checked());
    EXPECT_EQ(opt.overlap.caption, "Overlap");
    EXPECT_EQ(opt.overlap.tooltip, "overlap plot");
    EXPECT_FALSE(opt.overlap.checked());
    EXPECT_EQ(opt.FrameAxis.caption, "Axis");
    EXPECT_EQ(opt.ComboY.list, (std::vector<std::string>{"current I", "surface concentration C"}));
    EXPECT_EQ(opt.ComboY.listIndex(), 0);
    EXPECT_EQ(opt.ComboY.text(), "current I");
    EXPECT_EQ(opt.CheckXdir.caption, "X direction: + -> -");
    EXPECT_EQ(opt.CheckXdir.tooltip, "X axis Direction from positive to negative");
    EXPECT_TRUE(opt.CheckXdir.checked());
    EXPECT_EQ(opt.Yauto.caption, "Y auto");
    EXPECT_EQ(opt.Yauto.tooltip, "auto scale of Y axis ");
    EXPECT_TRUE(opt.Yauto.checked());
    EXPECT_EQ(opt.Xauto.caption, "X auto");
    EXPECT_EQ(opt.Xauto.tooltip, "auto scale of X axis ");
    EXPECT_TRUE(opt.Xauto.checked());

    const struct {
        Label& label;
        TextBox& box;
        const char* caption;
        const char* tooltip;
        const char* text;
    } fields[] = {{opt.LabelYmax, opt.YmaxText, "Y max", "maxinum Y value", "1e-3"},
                  {opt.LabelYmin, opt.YminText, "Y min", "mininum Y value", "-1e-3"},
                  {opt.LabelXmax, opt.XmaxText, "X max", "maxinum X value", "0.3"},
                  {opt.LabelXmin, opt.XminText, "X min", "mininum X value", "-0.3"}};
    for (const auto& f : fields) {
        EXPECT_EQ(f.label.caption(), f.caption);
        EXPECT_EQ(f.label.tooltip, f.tooltip);
        EXPECT_EQ(f.box.text(), f.text);
    }

    EXPECT_EQ(opt.FrameLineStyle.caption, "Line style");
    for (int i = 0; i <= 4; ++i) {
        EXPECT_EQ(opt.FrameCurve(i).caption, "Curve " + std::to_string(i + 1));
        EXPECT_EQ(opt.linestyle1(i).caption, "...........");
        EXPECT_EQ(opt.linestyle2(i).caption, "oooooo");
        EXPECT_EQ(opt.linestyle3(i).caption, "______");
        EXPECT_EQ(opt.linestyle1(i).container, &opt.FrameCurve(i));
    }
    EXPECT_EQ(opt.cmdOK.caption, "OK");
    EXPECT_EQ(opt.FindByFullName("linestyle2(0)"), &opt.linestyle2(0));
}

// OK copies grid, overlap, line styles and (only where automatic scaling is off) the typed
// ranges, read as leading numbers.
TEST_F(FormOptionTest, OkCopiesSettingsIntoModel) {
    m.PlotXmin = 7;
    opt.OK();
    EXPECT_FALSE(m.ShowGrid);
    EXPECT_FALSE(m.OverlapPlot);
    EXPECT_EQ(m.PlotXmin, 7);  // automatic: left alone
    const int defaults[] = {2, 3, 1, 1, 1};
    for (int j = 1; j <= 5; ++j) EXPECT_EQ(m.LineStyle(j), defaults[j - 1]) << j;

    opt.CheckGrid.Click();
    opt.overlap.Click();
    opt.Xauto.Click();
    opt.Yauto.Click();
    opt.XminText.Type("abc");
    opt.XmaxText.Type(" 0.25V");
    opt.YminText.Type("-2e-6");
    opt.YmaxText.Type("");
    opt.linestyle3(0).Click();
    opt.linestyle2(4).Click();
    opt.linestyle1(1).Click();
    opt.OK();
    EXPECT_TRUE(m.ShowGrid);
    EXPECT_TRUE(m.OverlapPlot);
    EXPECT_EQ(m.PlotXmin, 0);
    EXPECT_EQ(m.PlotXmax, 0.25);
    EXPECT_EQ(m.PlotYmin, -2e-6);
    EXPECT_EQ(m.PlotYmax, 0);
    const int chosen[] = {3, 1, 1, 1, 2};
    for (int j = 1; j <= 5; ++j) EXPECT_EQ(m.LineStyle(j), chosen[j - 1]) << j;
}

// The typed range fields and their labels show only while automatic scaling is off.
TEST_F(FormOptionTest, AutoBoxesHideAndShowTheirFields) {
    auto shown = [](std::initializer_list<const Control*> cs) {
        int n = 0;
        for (const Control* c : cs) n += c->visible;
        return n;
    };
    const auto xs = {
        static_cast<const Control*>(&opt.XminText), static_cast<const Control*>(&opt.XmaxText),
        static_cast<const Control*>(&opt.LabelXmin), static_cast<const Control*>(&opt.LabelXmax)};
    const auto ys = {
        static_cast<const Control*>(&opt.YminText), static_cast<const Control*>(&opt.YmaxText),
        static_cast<const Control*>(&opt.LabelYmin), static_cast<const Control*>(&opt.LabelYmax)};
    EXPECT_EQ(shown(xs), 0);
    EXPECT_EQ(shown(ys), 0);
    opt.Xauto.Click();
    EXPECT_EQ(shown(xs), 4);
    EXPECT_EQ(shown(ys), 0);
    opt.Yauto.Click();
    EXPECT_EQ(shown(ys), 4);
    opt.Xauto.Click();
    EXPECT_EQ(shown(xs), 0);
    EXPECT_EQ(shown(ys), 4);
}

// The close box only hides: reopening shows the same settings.
TEST_F(FormOptionTest, CloseKeepsSettings) {
    opt.Show();
    opt.Yauto.Click();
    opt.YmaxText.Type("5e-6");
    opt.ComboY.SelectText("surface concentration C");
    opt.Close();
    EXPECT_FALSE(opt.visible());
    opt.Show();
    EXPECT_TRUE(opt.visible());
    EXPECT_FALSE(opt.Yauto.checked());
    EXPECT_EQ(opt.YmaxText.text(), "5e-6");
    EXPECT_EQ(opt.ComboY.text(), "surface concentration C");
}

// The OK button: settings into the model, the quantity transform and a drawing, then hide.
// Equal typed X limits give the zero-range message on that drawing.
TEST_F(FormOptionTest, OkButtonDrawsAndHides) {
    SetCurve(1, {0.3, 0.0, -0.3}, {1e-6, 2e-6, 1e-6});
    opt.Show();
    opt.CheckGrid.Click();
    opt.cmdOK.Click();
    EXPECT_FALSE(opt.visible());
    EXPECT_TRUE(m.ShowGrid);
    EXPECT_TRUE(wb.formPlot.visible);
    EXPECT_GT(Count(PlotPrimitive::Kind::Line), 10);
    EXPECT_TRUE(platform.messages.empty());

    opt.Xauto.Click();
    opt.XminText.Type("0.1");
    opt.XmaxText.Type("0.1");
    opt.cmdOK.Click();
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"Error: No data!"}));
}

}  // namespace
}  // namespace talvex
