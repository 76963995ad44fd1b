#include "files/parameter_file.h"

#include <string_view>

#include "core/model.h"
#include "core/platform.h"
#include "core/text_number.h"
#include "files/file_replace.h"

namespace talvex {
namespace {

class ParLines {
  public:
    void Label(std::string_view label) { Line(label); }
    template <typename T>
    void Value(const Assignable<T>& v) {
        Line(v.assigned() ? PrintNumber(static_cast<double>(v.value())) : std::string());
    }
    // Counts print even when never assigned.
    void Count(double v) { Line(PrintNumber(v)); }
    std::string& text() { return text_; }

  private:
    void Line(std::string_view s) {
        text_ += s;
        text_ += "\r\n";
    }
    std::string text_;
};

}  // namespace

std::string ParameterFileText(const Model& m) {
    ParLines par;
    // The labels are the file's established ones, misspellings included: files already written
    // carry them.
    par.Label("Technique :");
    par.Value(m.Technique);
    par.Label("Mechisim :");
    par.Value(m.Mechanism);
    par.Label("Electorde");
    par.Value(m.Electrode);
    par.Label("E start :");
    par.Value(m.Estart);
    par.Label("E end :");
    par.Value(m.Eend);
    par.Label("E Step :");
    par.Value(m.Estep);
    par.Label("t pulse :");
    par.Value(m.tpulse);
    par.Label("t drop :");
    par.Value(m.tdrop);
    par.Label("Area Of Electrode :");
    par.Value(m.Area);
    par.Label("E pulse :");
    par.Value(m.Epulse);
    par.Label("Noise (%) :");
    par.Value(m.Noise);
    par.Label("No. OF DATA :");
    par.Value(m.NData);
    par.Label("NUMBER OF SPECIES :");
    par.Count(m.NSpecies);
    // The reaction tables are written by species index, as the format has always had them.
    for (int i = 1; i <= m.NSpecies; ++i) {
        par.Label("Species ");
        par.Count(i);
        par.Label("D :");
        par.Value(m.D(i));
        par.Label("C :");
        par.Value(m.C(i));
        par.Label("ks :");
        par.Value(m.ks(i));
        par.Label("Alpha :");
        par.Value(m.Alpha(i));
        par.Label("n :");
        par.Value(m.n(i));
        par.Label("E' :");
        par.Value(m.E0(i));
        par.Label("Conductivity :");
        par.Value(m.Cond(i));
    }
    return std::move(par.text());
}

void WriteParameterFile(Platform& platform, const Model& m) {
    const auto path = platform.SaveFileDialog(kParameterFileFilter);
    if (!path || path->empty()) return;  // cancelled
    try {
        ReplaceFileContents(*path, ParameterFileText(m));
    } catch (const RunError& e) {
        platform.MessageBox("Save Error: " + e.description());
    }
}

}  // namespace talvex
