#include "plot/form_plot.h"

#include "plot/svg_canvas.h"

namespace talvex {

std::string FormPlot::Svg() const {
    SvgCanvas svg;
    Replay(svg);
    return svg.Document();
}

bool FormPlot::WriteSvg(const std::string& path) const {
    SvgCanvas svg;
    Replay(svg);
    return svg.Write(path);
}

}  // namespace talvex
