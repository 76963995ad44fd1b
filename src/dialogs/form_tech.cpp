#include "dialogs/form_tech.h"

#include "dialogs/parameter_dialogs.h"

namespace talvex {

FormTech::FormTech(ParameterDialogs& dialogs) : Form("FormTech", "Techniques"), dlg_(dialogs) {
    Frame1.caption = "Voltammetry";
    static constexpr const char* kCaptions[] = {
        "1)  Linear sweep and cyclic voltammetry", "2)  DC voltammetry",          "3)  Normal pulse voltammetry",
        "4)  Differential pulse voltammetry",      "5)  Square wave voltammetry",
    };
    for (int i = optTech.first(); i <= optTech.last(); ++i) {
        optTech(i).caption = kCaptions[i - 1];
        optTech(i).container = &Frame1;
    }
    GroupOptions(optTech);
    optTech(1).Select();

    cmdOK.caption = "OK";
    cmdOK.onClick = [this] { cmdOK_Click(); };
}

void FormTech::OK() {
    for (int i = optTech.first(); i <= optTech.last(); ++i) {
        if (optTech(i).selected()) {
            dlg_.model.Technique = i;
            return;
        }
    }
}

void FormTech::cmdOK_Click() {
    OK();
    Hide();
}

}  // namespace talvex
