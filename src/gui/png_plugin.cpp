// The plot as a PNG picture or PDF document for talvex-batch. The script runner needs no window and does not load
// Qt to start; this module, built with the desktop application and placed beside talvex-batch, is
// loaded only when a script asks for such a picture.
#include "gui/plot_image.h"
#include "plot/form_plot.h"

extern "C" __attribute__((visibility("default"))) int talvex_write_plot_png(const void* plot, const char* path,
                                                                            int width, int height) {
    try {
        return talvex::gui::WritePlotPng(*static_cast<const talvex::FormPlot*>(plot), path, width, height) ? 1 : 0;
    } catch (...) {
        return 0;  // nothing may leave a module across its C entry point
    }
}

extern "C" __attribute__((visibility("default"))) int talvex_write_plot_pdf(const void* plot, const char* path,
                                                                            int width, int height) {
    try {
        return talvex::gui::WritePlotPdf(*static_cast<const talvex::FormPlot*>(plot), path, width, height) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
