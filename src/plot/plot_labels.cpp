#include "plot/plot_labels.h"

#include <cmath>

#include "core/codes.h"
#include "core/text_number.h"

namespace talvex {
namespace {

bool Near(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::fabs(b);
}

// A factor as a prefix of the unit where it is a power of 1000 (1000 V are read as mV: the values
// were multiplied to change the unit), else as a product before the symbol.
struct Factor {
    std::string beforeSymbol;  // "-", "10·", "-0.1·"
    std::string unitPrefix;    // "m", "µ", "k"
};
Factor SplitFactor(double factor) {
    Factor f;
    if (factor < 0) f.beforeSymbol.push_back('-');
    const double a = std::fabs(factor);
    static const struct {
        double value;
        const char* prefix;
    } kPrefixes[] = {{1e-3, "k"}, {1, ""}, {1e3, "m"}, {1e6, "µ"}, {1e9, "n"}, {1e12, "p"}};
    for (const auto& p : kPrefixes)
        if (Near(a, p.value)) {
            f.unitPrefix = p.prefix;
            return f;
        }
    f.beforeSymbol.append(FieldFormat(a)).append("·");
    return f;
}

// An exponent as written after d or E: nothing for 1, ½, ², ³, else ^n.
std::string Power(double n) {
    if (n == 1) return "";
    if (n == 0.5) return "½";
    if (n == 2) return "²";
    if (n == 3) return "³";
    if (n == 1.5) return "³ᐟ²";
    std::string out = "^";
    return out.append(GeneralFormat(n, 6));
}

}  // namespace

AxisQuantity XQuantity(const Model& m) {
    const Factor f = SplitFactor(m.XFactor);
    AxisQuantity q;
    q.symbol = f.beforeSymbol + "E";
    q.unit = f.unitPrefix + "V";
    q.caption = q.symbol + " /" + q.unit;
    return q;
}

AxisQuantity CurveQuantity(const Model& m, const std::string& quantity, int column) {
    AxisQuantity q;
    if (quantity == "resistance R") return {"R /Ohm", "R", "Ohm"};
    if (quantity == "conductance Cond") return {"Cond *Ohm", "Cond", "S"};
    if (quantity == "surface concentration C") return {"C /M", "C", "M"};
    if (quantity != "current I") return {"", "Y", ""};
    const CurveLabel label = m.CurveLabels.InRange(column) ? m.CurveLabels(column) : CurveLabel{};
    const Factor f = SplitFactor(label.factor);
    const std::string amp = f.unitPrefix + "A";
    const double n = label.order / 2.0;
    if (label.order == 0) {
        q.symbol = f.beforeSymbol + "I";
        q.unit = amp;
    } else if (label.order > 0) {
        q.symbol = f.beforeSymbol + "d" + Power(n) + "I/dE" + Power(n);
        q.unit = amp + "/V" + (n == 1 ? "" : Power(n));
    } else {
        q.symbol = f.beforeSymbol + "∫" + (n == -1 ? "" : Power(-n)) + "I dE" + (n == -1 ? "" : Power(-n));
        q.unit = amp + "·V" + (n == -1 ? "" : Power(-n));
    }
    const bool compound = q.unit.find('/') != std::string::npos || q.unit.find("·") != std::string::npos;
    q.caption = q.symbol + " /" + (compound ? "(" + q.unit + ")" : q.unit);
    return q;
}

std::string CurveName(const Model& m, const std::string& quantity, int column) {
    if (quantity == "surface concentration C") {
        const std::string species = m.SpeciesName.InRange(column) ? m.SpeciesName(column) : std::string();
        return "C(" + (species.empty() ? GeneralFormat(column) : species) + ")";
    }
    const int kind =
        m.CurveKind.InRange(column) ? static_cast<int>(m.CurveKind(column)) : static_cast<int>(curve::Simulated);
    if (kind == curve::Fitted) return "fit";
    const std::string name = m.CurveLabels.InRange(column) ? m.CurveLabels(column).name : std::string();
    if (!name.empty()) return name;
    return kind == curve::Measured ? "measured curve " + GeneralFormat(column)
                                   : "simulated curve " + GeneralFormat(column);
}

std::string SimulatedCurveName(const Model& m) {
    std::string technique;
    switch (m.Technique.value()) {
        case technique::Sweep:
            technique = m.ScanCycles >= 1 ? "CV" : "LSV";
            break;
        case technique::DC:
            technique = "DC voltammetry";
            break;
        case technique::NormalPulse:
            technique = "NPV";
            break;
        case technique::DifferentialPulse:
            technique = "DPV";
            break;
        case technique::SquareWave:
            technique = "SWV";
            break;
        default:
            technique = "simulation";
    }
    std::string reactions;
    auto add = [&reactions](const std::string& r) {
        if (r.empty()) return;
        reactions += (reactions.empty() ? "" : ", ") + r;
    };
    const int nCharge = m.NCharge, nChem = m.NChem + m.NChem2;
    for (int r = 1; r <= nCharge && m.ChargeLabel.InRange(r); ++r) add(m.ChargeLabel(r));
    for (int r = 1; r <= nChem && m.ChemLabel.InRange(r); ++r) add(m.ChemLabel(r));
    return reactions.empty() ? technique : technique + ": " + reactions;
}

Rgb CurveColor(int column) {
    static constexpr Rgb kPalette[] = {0x0072b2, 0xd55e00, 0x009e73, 0xcc79a7, 0xe69f00, 0x56b4e9};
    if (column < 1) column = 1;
    return kPalette[static_cast<std::size_t>((column - 1) % 6)];
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace talvex
