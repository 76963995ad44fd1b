#pragma once

#include "dialogs/controls.h"

namespace talvex {

class Display;

// The display options dialog: axis ranges (automatic or typed), X direction, grid, overlap of
// successive curves, the Y quantity and a line style for each of curves 1 to 5. It stays loaded
// for the whole run (closing only hides it); the renderer reads it on every drawing.
class FormOption : public Form {
  public:
    explicit FormOption(Display& display);

    // Copies grid, overlap, the typed ranges (where automatic scaling is off) and the line
    // styles into the model (0 for "by kind").
    void OK();

    void cmdOK_Click();
    void Xauto_Click();
    void Yauto_Click();

    CheckBox CheckGrid{this, "CheckGrid"};
    CheckBox overlap{this, "overlap"};
    Frame FrameAxis{this, "FrameAxis"};
    ComboBox ComboY{this, "ComboY"};
    CheckBox CheckXdir{this, "CheckXdir"};
    CheckBox Yauto{this, "Yauto"};
    CheckBox Xauto{this, "Xauto"};
    Label LabelYmax{this, "LabelYmax"};
    TextBox YmaxText{this, "YmaxText"};
    Label LabelYmin{this, "LabelYmin"};
    TextBox YminText{this, "YminText"};
    Label LabelXmax{this, "LabelXmax"};
    TextBox XmaxText{this, "XmaxText"};
    Label LabelXmin{this, "LabelXmin"};
    TextBox XminText{this, "XminText"};

    // One frame "Curve 1".."Curve 5" per curve, index 0..4, each holding one button of each
    // array: linestyle0 "by kind" (markers for a measured curve, a line for any other; the
    // default), linestyle1 "...........", linestyle2 "oooooo", linestyle3 "______".
    Frame FrameLineStyle{this, "FrameLineStyle"};
    ControlArray<Frame, 0, 4> FrameCurve{this, "FrameCurve"};
    ControlArray<OptionButton, 0, 4> linestyle0{this, "linestyle0"};
    ControlArray<OptionButton, 0, 4> linestyle1{this, "linestyle1"};
    ControlArray<OptionButton, 0, 4> linestyle2{this, "linestyle2"};
    ControlArray<OptionButton, 0, 4> linestyle3{this, "linestyle3"};

    CommandButton cmdOK{this, "cmdOK"};

  private:
    Display& display_;
};

}  // namespace talvex
