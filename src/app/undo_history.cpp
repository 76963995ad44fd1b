#include "app/undo_history.h"

#include <algorithm>

#include "app/workbench.h"
#include "app/workspace_commands.h"
#include "plot/display.h"
#include "plot/form_plot.h"
#include "plot/plot_renderer.h"

namespace talvex {
namespace {

constexpr int kYplotColumns = 6;
constexpr int kYstoreColumns = 8;
constexpr int kCsurfColumns = 7;

template <typename T>
CountState Count(const Assignable<T>& v) {
    return {static_cast<int>(v.value()), v.assigned()};
}

template <typename T>
void SetCount(Assignable<T>& target, const CountState& c) {
    if (c.assigned)
        target = static_cast<T>(c.value);
    else
        target.Unassign();
}

bool SameRecord(const MeasuredRecord& a, const MeasuredRecord& b) {
    return a.label == b.label && a.current == b.current && a.experiment.potentials == b.experiment.potentials &&
           api::ExperimentValues(a.experiment) == api::ExperimentValues(b.experiment);
}

}  // namespace

bool CurveState::operator==(const CurveState& o) const {
    if (!(NData == o.NData && IFirst == o.IFirst && ILast == o.ILast && NCurves == o.NCurves &&
          CurCurve == o.CurCurve && NCurvesSaved == o.NCurvesSaved && StoreCol == o.StoreCol && Xdata == o.Xdata &&
          Yplot == o.Yplot && Ystore == o.Ystore && Csurf == o.Csurf && kinds == o.kinds && labels == o.labels &&
          XFactor == o.XFactor && plotCaption == o.plotCaption && quantity == o.quantity &&
          measured.recordOfColumn == o.measured.recordOfColumn && measured.records.size() == o.measured.records.size()))
        return false;
    for (std::size_t r = 0; r < measured.records.size(); ++r)
        if (!SameRecord(measured.records[r], o.measured.records[r])) return false;
    return true;
}

UndoState CaptureUndoState(const Workbench& wb) {
    auto entries = std::make_shared<EntryState>();
    for (const Form* f : wb.forms()) entries->forms.push_back(CaptureForm(*f));

    auto c = std::make_shared<CurveState>();
    const Model& m = wb.model;
    c->NData = Count(m.NData);
    c->IFirst = Count(m.IFirst);
    c->ILast = Count(m.ILast);
    c->NCurves = Count(m.NCurves);
    c->CurCurve = Count(m.CurCurve);
    c->NCurvesSaved = Count(m.NCurvesSaved);
    c->StoreCol = Count(m.StoreCol);
    const int n = std::clamp<int>(m.NData, 0, kMaxPoints);
    const auto points = static_cast<std::size_t>(n);
    c->Xdata.reserve(points);
    c->Yplot.reserve(points * kYplotColumns);
    c->Ystore.reserve(points * kYstoreColumns);
    c->Csurf.reserve(points * kCsurfColumns);
    for (int k = 1; k <= n; ++k) {
        c->Xdata.push_back(m.Xdata(k));
        for (int j = 1; j <= kYplotColumns; ++j) c->Yplot.push_back(m.Yplot(k, j));
        for (int j = 1; j <= kYstoreColumns; ++j) c->Ystore.push_back(m.Ystore(k, j));
        for (int j = 1; j <= kCsurfColumns; ++j) c->Csurf.push_back(m.Csurf(k, j));
    }
    for (int j = 0; j < Table1<std::int16_t, 7>::kSize; ++j) {
        c->kinds.push_back(m.CurveKind(j));
        c->labels.push_back(m.CurveLabels(j));
    }
    c->XFactor = m.XFactor;
    c->plotCaption = wb.formPlot.caption;
    c->quantity = wb.formPlot.quantity;
    c->measured = wb.measured;
    return {std::move(entries), std::move(c)};
}

void RestoreUndoState(Workbench& wb, const UndoState& s) {
    if (s.entries) {
        for (std::size_t f = 0; f < s.entries->forms.size() && f < wb.forms().size(); ++f)
            RestoreForm(*wb.forms()[f], s.entries->forms[f]);
        FollowRestoredControls(wb);
    }
    if (!s.curves) return;
    const CurveState& c = *s.curves;
    Model& m = wb.model;
    const int n = static_cast<int>(c.Xdata.size());
    for (int k = 1; k <= n; ++k) {
        const auto row = static_cast<std::size_t>(k - 1);
        m.Xdata(k) = c.Xdata[row];
        for (int j = 1; j <= kYplotColumns; ++j) m.Yplot(k, j) = c.Yplot[row * kYplotColumns + (j - 1)];
        for (int j = 1; j <= kYstoreColumns; ++j) m.Ystore(k, j) = c.Ystore[row * kYstoreColumns + (j - 1)];
        for (int j = 1; j <= kCsurfColumns; ++j) m.Csurf(k, j) = c.Csurf[row * kCsurfColumns + (j - 1)];
    }
    SetCount(m.NData, c.NData);
    SetCount(m.IFirst, c.IFirst);
    SetCount(m.ILast, c.ILast);
    SetCount(m.NCurves, c.NCurves);
    SetCount(m.CurCurve, c.CurCurve);
    SetCount(m.NCurvesSaved, c.NCurvesSaved);
    SetCount(m.StoreCol, c.StoreCol);
    for (int j = 0; j < static_cast<int>(c.kinds.size()) && j < Table1<std::int16_t, 7>::kSize; ++j) {
        m.CurveKind(j) = c.kinds[static_cast<std::size_t>(j)];
        m.CurveLabels(j) = c.labels[static_cast<std::size_t>(j)];
    }
    m.XFactor = c.XFactor;
    wb.formPlot.caption = c.plotCaption;
    wb.formPlot.quantity = c.quantity;
    wb.measured = c.measured;
    if (n > 0) {
        RenderPlot(wb.display);
    } else {
        wb.formPlot.canvas().Reset();
        wb.formPlot.view.framed = false;
    }
}

UndoState UndoHistory::Capture(const Workbench& wb) const {
    UndoState s = CaptureUndoState(wb);
    if (position_ > 0) {
        // Most actions change one part or none: the unchanged part is the one kept already.
        const UndoState& last = steps_[position_ - 1].after;
        if (last.entries && *last.entries == *s.entries) s.entries = last.entries;
        if (last.curves && *last.curves == *s.curves) s.curves = last.curves;
    }
    return s;
}

void UndoHistory::Record(const std::string& label, UndoState before, UndoState after, const void* mergeKey) {
    if (before == after) return;
    if (mergeKey && position_ == steps_.size() && position_ > 0 && steps_.back().mergeKey == mergeKey &&
        steps_.back().serial != savedSerial_) {
        Step& last = steps_.back();
        last.after = std::move(after);
        if (last.after.curves && last.before.curves && *last.after.curves == *last.before.curves)
            last.after.curves = last.before.curves;
        return;
    }
    // The steps undone are gone (a saved state among them can no longer be reached: Modified stays
    // true until the next save).
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(position_), steps_.end());
    steps_.push_back({label, std::move(before), std::move(after), mergeKey, nextSerial_++});
    if (steps_.size() > kMaxSteps) {
        baseSerial_ = steps_.front().serial;
        steps_.pop_front();
    }
    position_ = steps_.size();
}

std::optional<UndoState> UndoHistory::Undo() {
    if (!CanUndo()) return std::nullopt;
    --position_;
    return steps_[position_].before;
}

std::optional<UndoState> UndoHistory::Redo() {
    if (!CanRedo()) return std::nullopt;
    return steps_[position_++].after;
}

}  // namespace talvex
