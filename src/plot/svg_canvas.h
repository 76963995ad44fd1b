#pragma once

#include <map>
#include <string>
#include <vector>

#include "plot/canvas.h"

namespace talvex {

// Draws into a standalone SVG document of a fixed pixel size (800 x 600 unless chosen): the headless
// export of the plot. The user scale is mapped onto the whole picture; text is sans-serif of a size
// that makes one text line the canvas' line share of the height; dashed lines use a stroke dash
// pattern; colours are those of the drawing. Text cannot be measured here: a label is taken to be
// as wide as its characters at an average width (kCharShareOfFont of the font).
class SvgCanvas : public Canvas {
  public:
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 600;

    SvgCanvas() = default;
    // A picture of width x height pixels; sizes below 1 are taken as 1.
    SvgCanvas(int width, int height);

    std::string Document() const;
    // Writes the document; false when the file cannot be written.
    bool Write(const std::string& path) const;

    int width() const { return width_; }
    int height() const { return height_; }

  protected:
    void Emit(const PlotPrimitive& p) override;

  private:
    double Px(double x) const;
    double Py(double y) const;
    double FontSize() const;
    double TextWidth(const std::string& text) const;
    void EmitLegend(const PlotPrimitive& p);
    int width_ = kWidth;
    int height_ = kHeight;
    std::vector<std::string> elements_;
    // The last label drawn of each group: left, top, right, bottom.
    std::map<int, std::vector<double>> lastLabel_;
};

}  // namespace talvex
