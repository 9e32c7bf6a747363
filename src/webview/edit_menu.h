#pragma once
// The "edit" context menu: which of the control's default items stay. Portable.
#include <string>
#include <vector>

struct MenuEntry {
    std::string name; // the runtime's unlocalized name, e.g. "copy"
    bool separator = false;
};

// For each entry, whether it stays: cut, copy, paste, select all and spelling
// suggestions (and Inspect with the developer tools on); separators only between
// two kept items, never first, last or doubled.
std::vector<bool> EditMenuKeeps(const std::vector<MenuEntry>& entries, bool devtoolsEnabled);
