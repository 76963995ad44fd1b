#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/measured_curves.h"
#include "core/model.h"
#include "dialogs/control_state.h"
#include "plot/plot_quantity.h"

namespace talvex {

class Workbench;

// A count of the model that may be unassigned.
struct CountState {
    int value = 0;
    bool assigned = false;
    bool operator==(const CountState&) const = default;
};

// The curve store as a value: points 1..NData of the potentials, of the plotted curves and of the
// simulation's working store and surface concentrations, the counters, what each column holds, the
// plot window's caption, what the quantity transform remembers and the series of measured curves a
// global fit takes.
struct CurveState {
    CountState NData, IFirst, ILast, NCurves, CurCurve, NCurvesSaved, StoreCol;
    std::vector<double> Xdata;   // points 1..n
    std::vector<double> Yplot;   // points 1..n, columns 1..6, point by point
    std::vector<double> Ystore;  // points 1..n, columns 1..8
    std::vector<double> Csurf;   // points 1..n, species 1..7
    std::vector<std::int16_t> kinds;
    std::vector<CurveLabel> labels;
    double XFactor = 1.0;
    std::string plotCaption;
    QuantityRecord quantity;
    MeasuredSeries measured;
    bool operator==(const CurveState& other) const;
};

// Every dialog's controls, in menu order.
struct EntryState {
    std::vector<FormState> forms;
    bool operator==(const EntryState&) const = default;
};

// What Undo and Redo put back: the dialogs' entries and the curves. Held by shared pointers, so
// that the states of successive steps share whatever did not change.
struct UndoState {
    std::shared_ptr<const EntryState> entries;
    std::shared_ptr<const CurveState> curves;
    bool operator==(const UndoState& other) const { return Same(entries, other.entries) && Same(curves, other.curves); }

  private:
    template <typename T>
    static bool Same(const std::shared_ptr<const T>& a, const std::shared_ptr<const T>& b) {
        return a == b || (a && b && *a == *b);
    }
};

UndoState CaptureUndoState(const Workbench& wb);
// Puts a state back: every control without firing its handlers (the electrode and the digital
// mode follow them, as when a workspace opens), the curves, and the drawing.
void RestoreUndoState(Workbench& wb, const UndoState& state);

// The steps a user can take back: each entry change and each command that changed the entries or
// the curves, with its state before and after. At most kMaxSteps are kept (the oldest go first).
// Typing into one box goes on in one step until something else is done.
class UndoHistory {
  public:
    static constexpr std::size_t kMaxSteps = 100;

    // The workbench's state now, sharing the parts that equal those of the last step recorded.
    UndoState Capture(const Workbench& wb) const;

    // A user action took the state from `before` to `after`; nothing is kept when they are equal.
    // Typing (a non-null `mergeKey`, the box) into the box of the last step extends that step.
    void Record(const std::string& label, UndoState before, UndoState after, const void* mergeKey = nullptr);

    bool CanUndo() const { return position_ > 0; }
    bool CanRedo() const { return position_ < steps_.size(); }
    // What the next Undo or Redo takes back or does again ("Simulate", "Typing in Instrument: v (V/s)").
    std::string UndoLabel() const { return CanUndo() ? steps_[position_ - 1].label : std::string(); }
    std::string RedoLabel() const { return CanRedo() ? steps_[position_].label : std::string(); }

    // The state to put back, the step moving back or forward; none when there is nothing to do.
    std::optional<UndoState> Undo();
    std::optional<UndoState> Redo();

    // The state now is what was saved (or opened); Modified tells whether it is no longer.
    void MarkSaved() { savedSerial_ = CurrentSerial(); }
    bool Modified() const { return CurrentSerial() != savedSerial_; }

    std::size_t size() const { return steps_.size(); }

  private:
    struct Step {
        std::string label;
        UndoState before, after;
        const void* mergeKey = nullptr;
        unsigned long serial = 0;
    };
    unsigned long CurrentSerial() const { return position_ > 0 ? steps_[position_ - 1].serial : baseSerial_; }

    std::deque<Step> steps_;
    std::size_t position_ = 0;       // steps_[0, position_) are done
    unsigned long nextSerial_ = 1;   // each step's own number
    unsigned long baseSerial_ = 0;   // the state before the oldest step kept
    unsigned long savedSerial_ = 0;  // the state last saved; 0: the program's start
};

}  // namespace talvex
