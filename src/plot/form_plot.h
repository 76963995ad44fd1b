#pragma once

#include <string>

namespace talvex {

class Workbench;

// The plot window.
class FormPlot {
public:
    explicit FormPlot(Workbench& wb) : wb_(wb) {}
    std::string caption = "Plot";
    bool visible = false;

private:
    [[maybe_unused]] Workbench& wb_;
};

}  // namespace talvex
