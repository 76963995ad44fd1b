#pragma once

#include "dialogs/controls.h"

namespace talvex {

class Workbench;

// The Techniques dialog: chooses the voltammetric technique.
class FormTech : public Form {
  public:
    explicit FormTech(Workbench& wb);

    Frame Frame1{this, "Frame1"};
    ControlArray<OptionButton, 1, 5> optTech{this, "optTech"};
    CommandButton cmdOK{this, "cmdOK"};

    // Stores the index of the first selected option in Technique.
    void OK();
    void cmdOK_Click();

  private:
    Workbench& wb_;
};

}  // namespace talvex
