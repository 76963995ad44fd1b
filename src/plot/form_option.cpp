#include "plot/form_option.h"

#include <string>

#include "core/text_number.h"
#include "plot/display.h"
#include "plot/form_plot.h"
#include "plot/plot_renderer.h"

namespace talvex {

FormOption::FormOption(Display& display) : Form("formOption", "Option"), display_(display) {
    CheckGrid.caption = "Grid";
    overlap.caption = "Overlap";
    overlap.tooltip = "overlap plot";

    FrameAxis.caption = "Axis";
    ComboY.container = &FrameAxis;
    ComboY.list = {"current I", "surface concentration C"};
    // Loading the dialog is part of the program's start, which selects the first quantity.
    ComboY.Select(0);

    CheckXdir.caption = "X direction: + -> -";
    CheckXdir.tooltip = "X axis Direction from positive to negative";
    CheckXdir.SetChecked(true);
    Yauto.caption = "Y auto";
    Yauto.tooltip = "auto scale of Y axis ";
    Yauto.SetChecked(true);
    Xauto.caption = "X auto";
    Xauto.tooltip = "auto scale of X axis ";
    Xauto.SetChecked(true);

    LabelYmax.SetCaption("Y max");
    LabelYmax.tooltip = "maxinum Y value";
    YmaxText.SetText("1e-3");
    LabelYmin.SetCaption("Y min");
    LabelYmin.tooltip = "mininum Y value";
    YminText.SetText("-1e-3");
    LabelXmax.SetCaption("X max");
    LabelXmax.tooltip = "maxinum X value";
    XmaxText.SetText("0.3");
    LabelXmin.SetCaption("X min");
    LabelXmin.tooltip = "mininum X value";
    XminText.SetText("-0.3");

    FrameLineStyle.caption = "Line style";
    for (int i = 0; i <= 4; ++i) {
        FrameCurve(i).caption = "Curve " + FormatNumber(i + 1, "0");
        FrameCurve(i).container = &FrameLineStyle;
        linestyle0(i).caption = "by kind";
        linestyle0(i).tooltip = "markers for a measured curve, a line for a simulated or fitted one";
        linestyle1(i).caption = "...........";
        linestyle2(i).caption = "oooooo";
        linestyle3(i).caption = "______";
        for (OptionButton* b : {&linestyle0(i), &linestyle1(i), &linestyle2(i), &linestyle3(i)})
            b->container = &FrameCurve(i);
        GroupOptions({&linestyle0(i), &linestyle1(i), &linestyle2(i), &linestyle3(i)});
        // Each curve is drawn as what it holds: measured points as markers, a computed curve as a line.
        linestyle0(i).Select();
    }

    cmdOK.caption = "OK";

    cmdOK.onClick = [this] { cmdOK_Click(); };
    Xauto.onClick = [this] { Xauto_Click(); };
    Yauto.onClick = [this] { Yauto_Click(); };
    // The typed ranges are shown only while automatic scaling is off.
    Xauto_Click();
    Yauto_Click();
}

void FormOption::OK() {
    Model& m = display_.model;
    m.ShowGrid = CheckGrid.checked();
    m.OverlapPlot = overlap.checked();
    if (!Xauto.checked()) {
        m.PlotXmin = LeadingNumber(XminText.text());
        m.PlotXmax = LeadingNumber(XmaxText.text());
    }
    if (!Yauto.checked()) {
        m.PlotYmin = LeadingNumber(YminText.text());
        m.PlotYmax = LeadingNumber(YmaxText.text());
    }
    // A chosen style wins over "by kind" (a workspace saved before "by kind" existed selects one of
    // the three and leaves the new button as it was).
    for (int i = 0; i <= 4; ++i) {
        if (linestyle1(i).selected()) {
            m.LineStyle(i + 1) = 1;
        } else if (linestyle2(i).selected()) {
            m.LineStyle(i + 1) = 2;
        } else if (linestyle3(i).selected()) {
            m.LineStyle(i + 1) = 3;
        } else {
            m.LineStyle(i + 1) = 0;
        }
    }
}

void FormOption::cmdOK_Click() {
    OK();
    // The ranges the dialog gives (automatic or typed) are what the plot shows now.
    display_.formPlot.view.zoomed = false;
    TransformAndRender(display_);
    Hide();
}

void FormOption::Xauto_Click() {
    const bool typed = !Xauto.checked();
    XminText.visible = typed;
    XmaxText.visible = typed;
    LabelXmin.visible = typed;
    LabelXmax.visible = typed;
}

void FormOption::Yauto_Click() {
    const bool typed = !Yauto.checked();
    YminText.visible = typed;
    YmaxText.visible = typed;
    LabelYmin.visible = typed;
    LabelYmax.visible = typed;
}

}  // namespace talvex
