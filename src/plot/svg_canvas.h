#pragma once

#include <string>
#include <vector>

#include "plot/canvas.h"

namespace talvex {

// Draws into a standalone SVG document of a fixed pixel size: the headless export of the plot.
// The user scale is mapped onto the whole picture; text is black sans-serif of a size that makes
// one text line the canvas' line share of the height; dashed lines use a stroke dash pattern.
class SvgCanvas : public Canvas {
  public:
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 600;

    std::string Document() const;
    // Writes the document; false when the file cannot be written.
    bool Write(const std::string& path) const;

  protected:
    void Emit(const PlotPrimitive& p) override;

  private:
    double Px(double x) const;
    double Py(double y) const;
    std::vector<std::string> elements_;
};

}  // namespace talvex
