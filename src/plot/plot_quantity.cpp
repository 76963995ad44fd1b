#include "plot/plot_quantity.h"

#include <bit>
#include <string>

#include "core/checked_math.h"
#include "core/codes.h"
#include "dialogs/parameter_transfer.h"
#include "plot/display.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"
#include "plot/plot_labels.h"

namespace talvex {
namespace {

constexpr const char* kCurrent = "current I";
constexpr const char* kResistance = "resistance R";
constexpr const char* kConductance = "conductance Cond";
constexpr const char* kSurface = "surface concentration C";

// A fingerprint of one column over a point range (FNV-1a over the bit patterns), so that "still
// exactly what was written" can be asked without keeping a copy of every curve.
template <typename Table>
std::uint64_t Stamp(const Table& table, int column, int first, int last) {
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&h](std::uint64_t v) {
        for (int b = 0; b < 8; ++b) {
            h ^= (v >> (8 * b)) & 0xffu;
            h *= 1099511628211ull;
        }
    };
    mix(static_cast<std::uint64_t>(first));
    mix(static_cast<std::uint64_t>(last));
    for (int k = first; k <= last; ++k) mix(std::bit_cast<std::uint64_t>(table(k, column)));
    return h;
}

// Keeps what a column holds before a quantity overwrites it; a column that still holds what a
// quantity wrote earlier keeps its older saved values.
void Displace(Model& m, QuantityRecord& rec, int column, int first, int last) {
    if (!Table2<double, kMaxPoints + 1, 7>::InRange(first, column)) Raise(ErrorCode::SubscriptOutOfRange);
    QuantityRecord::Displaced& d = rec.displaced[static_cast<std::size_t>(column)];
    if (d.held && Stamp(m.Yplot, column, d.writtenFirst, d.writtenLast) == d.written) return;
    d.held = true;
    d.first = first;
    d.last = last;
    d.values.clear();
    for (int k = first; k <= last; ++k) d.values.push_back(m.Yplot(k, column));
}

void WriteQuantity(Model& m, QuantityRecord& rec, int column, int first, const std::vector<double>& values) {
    const int last = first + static_cast<int>(values.size()) - 1;
    Displace(m, rec, column, first, last);
    for (int k = first; k <= last; ++k) m.Yplot(k, column) = values[static_cast<std::size_t>(k - first)];
    QuantityRecord::Displaced& d = rec.displaced[static_cast<std::size_t>(column)];
    d.writtenFirst = first;
    d.writtenLast = last;
    d.written = Stamp(m.Yplot, column, first, last);
}

// Puts back the curves a quantity replaced, unless something else has written them since.
void RestoreDisplaced(Model& m, QuantityRecord& rec) {
    for (int j = 1; j < static_cast<int>(rec.displaced.size()); ++j) {
        QuantityRecord::Displaced& d = rec.displaced[static_cast<std::size_t>(j)];
        if (!d.held) continue;
        d.held = false;
        if (Stamp(m.Yplot, j, d.writtenFirst, d.writtenLast) != d.written) continue;
        for (int k = d.first; k <= d.last; ++k) m.Yplot(k, j) = d.values[static_cast<std::size_t>(k - d.first)];
    }
}

// Sum over the species of conductivity times surface concentration, plus the electrolyte's.
std::vector<double> Conductivities(const Model& m) {
    const double kappa0 = Checked(m.ElectrolyteC * m.ElectrolyteCond);
    std::vector<double> out;
    for (int k = m.IFirst; k <= m.ILast; ++k) {
        double s = 0;
        for (int j = 1; j <= m.NSpecies; ++j) s = Checked(s + m.Cond(j) * m.Csurf(k, j));
        out.push_back(Checked(s + kappa0));
    }
    return out;
}

}  // namespace

void NoteSimulatedCurrent(Display& display) {
    Model& m = display.model;
    // The curve is a new current: plain, named after what was simulated. Outside a fit the
    // potentials were built anew, in volts.
    if (m.CurveLabels.InRange(m.CurCurve))
        m.CurveLabels(m.CurCurve) = {m.Fitting ? "fit" : SimulatedCurveName(m), 0, 1.0};
    if (!m.Fitting) m.XFactor = 1.0;
    // The caption names the imported file only while its curve is in the store.
    if (!m.Fitting) {
        bool measured = false;
        for (int c = 1; c <= m.NCurves && m.CurveKind.InRange(c); ++c)
            measured = measured || m.CurveKind(c) == curve::Measured;
        if (!measured) display.formPlot.caption = "Plot";
    }
    QuantityRecord::Simulated& s = display.formPlot.quantity.simulated;
    s.column = m.CurCurve;
    s.first = m.IFirst;
    s.last = m.ILast;
    s.stamp = Stamp(m.Yplot, s.column, s.first, s.last);
}

bool HoldsLastSimulatedCurrent(const Display& display) {
    const Model& m = display.model;
    const QuantityRecord::Simulated& s = display.formPlot.quantity.simulated;
    if (s.column == 0 || s.column != m.CurCurve || s.first != m.IFirst || s.last != m.ILast) return false;
    if (!Table2<double, kMaxPoints + 1, 9>::InRange(s.first, m.StoreCol)) return false;
    return Stamp(m.Yplot, s.column, s.first, s.last) == s.stamp &&
           Stamp(m.Ystore, m.StoreCol, s.first, s.last) == s.stamp;
}

void TransformPlotQuantity(Display& display) {
    if (display.model.Fitting) return;
    TransferParameters(display.dialogs);
    FillPlotQuantity(display);
}

void FillPlotQuantity(Display& display) {
    Model& m = display.model;
    QuantityRecord& rec = display.formPlot.quantity;
    const std::string quantity = display.formOption.ComboY.text();

    if (quantity == kCurrent) {
        m.NCurves = m.NCurvesSaved.value();
        RestoreDisplaced(m, rec);
        if (HoldsLastSimulatedCurrent(display))
            for (int k = m.IFirst; k <= m.ILast; ++k) m.Yplot(k, m.CurCurve) = m.Ystore(k, m.StoreCol);
    } else if (quantity == kResistance || quantity == kConductance) {
        const double d = m.ElectrodeDistance;
        const bool resistance = quantity == kResistance;
        const double f = resistance ? Div(d, m.Area) : Div(m.Area, d);
        std::vector<double> values = Conductivities(m);
        for (double& v : values) v = resistance ? Div(f, v) : Checked(v * f);
        m.NCurves = m.NCurvesSaved.value();
        WriteQuantity(m, rec, m.CurCurve, m.IFirst, values);
    } else if (quantity == kSurface) {
        const int nSpecies = m.NSpecies;
        if (nSpecies > kMaxSpecies) Raise(ErrorCode::SubscriptOutOfRange);
        std::vector<std::vector<double>> columns(static_cast<std::size_t>(nSpecies < 0 ? 0 : nSpecies));
        for (int j = 1; j <= nSpecies; ++j)
            for (int k = m.IFirst; k <= m.ILast; ++k) columns[static_cast<std::size_t>(j - 1)].push_back(m.Csurf(k, j));
        m.NCurves = nSpecies;
        for (int j = 1; j <= nSpecies; ++j)
            WriteQuantity(m, rec, j, m.IFirst, columns[static_cast<std::size_t>(j - 1)]);
    }
}

}  // namespace talvex
