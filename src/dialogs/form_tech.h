#pragma once

#include "core/codes.h"
#include "dialogs/controls.h"

namespace talvex {

class ParameterDialogs;

// The Techniques dialog: chooses the voltammetric technique.
class FormTech : public Form {
  public:
    explicit FormTech(ParameterDialogs& dialogs);

    Frame Frame1{this, "Frame1"};
    ControlArray<OptionButton, 1, technique::kCount> optTech{this, "optTech"};
    CommandButton cmdOK{this, "cmdOK"};

    // Stores the index of the first selected option in Technique.
    void OK();
    void cmdOK_Click();

  private:
    ParameterDialogs& dlg_;
};

}  // namespace talvex
