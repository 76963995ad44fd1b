#pragma once

#include "dialogs/controls.h"

namespace talvex {

class Workbench;

class FormTech : public Form {
public:
    explicit FormTech(Workbench& wb);

private:
    Workbench& wb_;
};

}  // namespace talvex
