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
    std::string shortcut;                     // "Ctrl+S", "F5"; empty when the item has none
    std::string statusTip;                    // the status bar's line while the pointer rests on the item
    bool visible = true;                      // an unused entry of a list (recent files) is not shown

    bool IsSeparator() const { return caption == "-"; }
    bool IsSubmenu() const { return !handler && !IsSeparator(); }
};

// The menu tree in menu-bar order. The Qt window builds its menus from it and the batch front
// end runs its commands by name, so both replay exactly what a user does.
class CommandTable {
  public:
    void Add(MenuItem item);
    const std::vector<MenuItem>& items() const { return items_; }
    MenuItem* Find(const std::string& name);
    const MenuItem* Find(const std::string& name) const;
    void Enable(const std::string& name, bool enabled = true);
    // Items whose caption or presence follows the program (the recent files).
    void SetCaption(const std::string& name, const std::string& caption);
    void SetVisible(const std::string& name, bool visible);
    // Enabled on screen: its own flag and every enclosing submenu's.
    bool IsAvailable(const std::string& name) const;

    // Set whenever an enabled flag, caption or visibility changes, so the window knows to refresh
    // its menus.
    bool changed = false;

  private:
    std::vector<MenuItem> items_;
};

}  // namespace talvex
