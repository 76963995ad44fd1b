#pragma once

#include "dialogs/controls.h"

namespace talvex {

class Workbench;

class FormExpr : public Form {
public:
    explicit FormExpr(Workbench& wb);

private:
    Workbench& wb_;
};

}  // namespace talvex
