#pragma once

#include <string>
#include <vector>

#include "plot/plot_quantity.h"
#include "plot/plot_view.h"
#include "plot/recording_canvas.h"

namespace talvex {

// The plot window. It keeps the last rendering as a list of primitives, which the desktop widget
// replays when it paints and the headless front end replays into an SVG file.
class FormPlot {
  public:
    FormPlot() = default;

    std::string caption = "Plot";  // the data import shows the file's path here
    bool visible = false;
    void Show() { visible = true; }

    // The surface the renderer draws on.
    RecordingCanvas& canvas() { return canvas_; }
    const RecordingCanvas& canvas() const { return canvas_; }
    const std::vector<PlotPrimitive>& drawing() const { return canvas_.primitives(); }
    void Replay(Canvas& target) const { canvas_.Replay(target); }

    // The current drawing as a standalone SVG document / file (false when it cannot be written).
    std::string Svg() const;
    bool WriteSvg(const std::string& path) const;

    QuantityRecord quantity;
    // The user's zoom, pan and hidden curves (plot_view.h).
    PlotView view;

  private:
    RecordingCanvas canvas_;
};

}  // namespace talvex
