#pragma once

#include "dialogs/controls.h"

namespace talvex {

class Workbench;

// The Chemicals dialog.
class FormExpr : public Form {
public:
    explicit FormExpr(Workbench& wb);

    // Refreshes the dialog (the activation routine), then transfers every dialog value into the
    // model.
    void OK();

private:
    Workbench& wb_;
};

}  // namespace talvex
