#include "core/command_table.h"

namespace talvex {

void CommandTable::Add(MenuItem item) {
    items_.push_back(std::move(item));
    changed = true;
}

MenuItem* CommandTable::Find(const std::string& name) {
    for (MenuItem& item : items_)
        if (item.name == name) return &item;
    return nullptr;
}

const MenuItem* CommandTable::Find(const std::string& name) const {
    for (const MenuItem& item : items_)
        if (item.name == name) return &item;
    return nullptr;
}

void CommandTable::Enable(const std::string& name, bool enabled) {
    MenuItem* item = Find(name);
    if (!item || item->enabled == enabled) return;
    item->enabled = enabled;
    changed = true;
}

void CommandTable::SetCaption(const std::string& name, const std::string& caption) {
    MenuItem* item = Find(name);
    if (!item || item->caption == caption) return;
    item->caption = caption;
    changed = true;
}

void CommandTable::SetVisible(const std::string& name, bool visible) {
    MenuItem* item = Find(name);
    if (!item || item->visible == visible) return;
    item->visible = visible;
    changed = true;
}

bool CommandTable::IsAvailable(const std::string& name) const {
    for (const MenuItem* item = Find(name); item; item = item->parent.empty() ? nullptr : Find(item->parent))
        if (!item->enabled) return false;
    return Find(name) != nullptr;
}

}  // namespace talvex
