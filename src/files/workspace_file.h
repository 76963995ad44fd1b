#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The workspace file: everything a user set up in the dialogs and the curves in the store, so that
// an experiment can be closed and opened again. It is JSON text (see docs/workspace-format.md),
// versioned, written in one fixed order so that saving what was opened gives the same bytes.
namespace talvex {

inline constexpr const char* kWorkspaceFormat = "talvex-workspace";
inline constexpr int kWorkspaceVersion = 2;  // 2 adds what each curve column holds
inline constexpr const char* kWorkspaceFilter = "Talvex workspace (*.tvw)|*.tvw|all|*.*";
inline constexpr int kWorkspaceCurves = 6;             // Yplot's curve columns, all kept
inline constexpr std::size_t kWorkspaceMeasured = 16;  // the measured curves of a series

// One control of a dialog as a user sees it. Which fields mean something depends on the kind.
struct WorkspaceControl {
    std::string name;     // as the dialog names it: "Estart", "charge(3)"
    std::string kind;     // "TextBox", "Label", "CheckBox", "OptionButton", "ComboBox", "Frame", "CommandButton"
    std::string text;     // text box: its text; label: its caption; combo box: the selected entry
    std::string caption;  // the caption beside or on the control (text boxes, boxes, buttons, frames)
    bool state = false;   // check box: checked; option button: selected
    int listIndex = -1;   // combo box: the selected entry, -1 for none
    bool visible = true;
    bool enabled = true;
    bool locked = false;         // text boxes
    bool captionVisible = true;  // text boxes
};

struct WorkspaceForm {
    std::string name;  // "FormTech", "formOption"
    bool shown = false;
    std::vector<WorkspaceControl> controls;
};

// The curve store. Counts that were never assigned stay unassigned.
struct WorkspaceCurves {
    std::optional<int> NData, IFirst, ILast, NCurves, CurCurve, NCurvesSaved;
    std::vector<double> Xdata;               // points 1..NData
    std::vector<std::vector<double>> Yplot;  // curves 1..6, points 1..NData each
    std::vector<int> kinds;                  // curves 1..6: curve::Simulated, Measured, Fitted
    // What the legend and the axis say of curves 1..6 (a file without them: plain currents without
    // names, the potentials in volts).
    std::vector<std::string> names;
    std::vector<int> orders;      // half orders of d/dE
    std::vector<double> factors;  // Y Data factors
    double XFactor = 1.0;
};

// One measured curve of the series a global fit takes: its label, the settings it was recorded
// with (by name, as the program's experiment names them) and its own points.
struct WorkspaceMeasured {
    std::string label;
    std::vector<std::pair<std::string, double>> settings;
    std::vector<double> potentials, currents;
};

struct Workspace {
    std::vector<WorkspaceForm> forms;
    std::string plotCaption;
    WorkspaceCurves curves;
    std::vector<WorkspaceMeasured> measured;
    std::vector<int> measuredOfColumn;  // by curve column 1..6: the measured curve it shows (1..), 0 none
};

// The file's text.
std::string WorkspaceText(const Workspace& workspace);

// Reads a workspace file's text. A text that is not JSON, not a workspace, of a newer version,
// incomplete or inconsistent raises RunError whose description says what is wrong and where.
Workspace ParseWorkspace(std::string_view text);

}  // namespace talvex
