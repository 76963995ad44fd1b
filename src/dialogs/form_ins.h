#pragma once

#include "dialogs/controls.h"

namespace talvex {

class Workbench;

class FormIns : public Form {
public:
    explicit FormIns(Workbench& wb);

    TextBox TxtI0{this, "TxtI0"};
    TextBox TxtI1{this, "TxtI1"};

private:
    Workbench& wb_;
};

}  // namespace talvex
