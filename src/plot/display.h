#pragma once

#include <string>

#include "core/model.h"
#include "core/reporter.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
#include "plot/plot_curves.h"

namespace talvex {

class ParameterDialogs;

// The plot window and the display options dialog, with what drawing needs besides them: the
// model it draws from, the parameter dialogs (the quantity transform confirms them first) and
// where its messages go.
class Display {
  public:
    Display(Model& model, ParameterDialogs& dialogs, Reporter& reporter);
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    Model& model;
    ParameterDialogs& dialogs;
    Reporter& reporter;

    FormOption formOption;
    FormPlot formPlot;
    // Curves drawn in place of the store's while it holds what it held when they were set.
    PlotOverlay overlay;

    void Message(const std::string& text) { reporter.Message(text); }
};

}  // namespace talvex
