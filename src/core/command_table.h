#pragma once

#include <functional>
#include <string>
#include <vector>

namespace talvex {

class Workbench;

// One item of the main window's menu tree: a submenu, a separator (caption "-") or a command.
struct MenuItem {
    std::string name;     // mnuSimulate
    std::string caption;  // "&Simulate"
    std::string parent;   // name of the submenu it sits in; empty for the menu bar
    bool enabled = true;
    std::function<void(Workbench&)> handler;  // empty for submenus and separators

    bool IsSeparator() const { return caption == "-"; }
    bool IsSubmenu() const { return !handler && !IsSeparator(); }
};

// The menu tree in menu-bar order. The Qt window builds its menus from it and the batch front
// end runs its commands by name, so both replay exactly what a user does.
class CommandTable {
public:
    void Add(MenuItem item) { items_.push_back(std::move(item)); }
    const std::vector<MenuItem>& items() const { return items_; }
    MenuItem* Find(const std::string& name);
    const MenuItem* Find(const std::string& name) const;
    void Enable(const std::string& name, bool enabled = true);
    // Enabled on screen: its own flag and every enclosing submenu's.
    bool IsAvailable(const std::string& name) const;

private:
    std::vector<MenuItem> items_;
};

// Fills the table with every menu item of the main window and its handler.
void RegisterCommands(CommandTable& table);

// After a successful Simulate or Import: enables the Display and Analyze menus, Manual Fit and
// Manual Separate (nothing disables them again).
void EnableAfterNewDataSet(Workbench& wb);

// The small jobs of the main window itself.
void NextCurve(Workbench& wb);
void PrintTime(Workbench& wb);
void ClearResults(Workbench& wb);

}  // namespace talvex
