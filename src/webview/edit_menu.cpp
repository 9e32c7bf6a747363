#include "webview/edit_menu.h"

namespace {
bool IsEditingItem(const std::string& name, bool devtoolsEnabled) {
    for (const char* kept : {"cut", "copy", "paste", "selectAll", "spellCheck"})
        if (name == kept)
            return true;
    return devtoolsEnabled && name == "inspectElement";
}
} // namespace

std::vector<bool> EditMenuKeeps(const std::vector<MenuEntry>& entries, bool devtoolsEnabled) {
    std::vector<bool> keeps(entries.size(), false);
    size_t pendingSeparator = entries.size(); // none
    bool keptAny = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].separator) {
            if (keptAny && pendingSeparator == entries.size())
                pendingSeparator = i;
            continue;
        }
        if (!IsEditingItem(entries[i].name, devtoolsEnabled))
            continue;
        keeps[i] = true;
        if (pendingSeparator != entries.size())
            keeps[pendingSeparator] = true;
        pendingSeparator = entries.size();
        keptAny = true;
    }
    return keeps;
}
