#pragma once

#include "dialogs/controls.h"

namespace talvex {

class Workbench;

class FormMech : public Form {
public:
    explicit FormMech(Workbench& wb);

private:
    Workbench& wb_;
};

}  // namespace talvex
