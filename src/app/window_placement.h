#pragma once
// Remembers where the player left the main window: read once at start-up,
// followed while the window moves, written when it closes.
#include <optional>
#include <string>

#include <windows.h>

#include "app/placement_file.h"
#include "window/dpi_awareness.h"

class PlacementKeeper {
public:
    PlacementKeeper(const std::string& userDataFolder, DpiChoice dpi);
    ~PlacementKeeper();
    PlacementKeeper(const PlacementKeeper&) = delete;
    PlacementKeeper& operator=(const PlacementKeeper&) = delete;

    // The saved placement at this screen's dpi, if its caption still meets a
    // monitor's work area; nothing for a missing or unusable file. It is also
    // what is saved again if the window never leaves maximised or full screen.
    std::optional<SavedPlacement> Load();

    // Notes the outer rectangle whenever the window is in its normal state.
    void Track(HWND window, bool fullScreen);
    // Written to a temporary name and renamed, so a crash never leaves half a file.
    void Save(HWND window, bool fullScreen) const;

private:
    std::string userDataFolder_;
    std::string filePath_;
    DpiChoice dpi_;
    RECT normal_ = {};
    bool seen_ = false; // never saved for a window the player never saw
};
