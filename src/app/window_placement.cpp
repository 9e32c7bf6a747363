#include "app/window_placement.h"

#include <vector>

#include "util/scoped_handle.h"
#include "util/text/long_path.h"
#include "util/text/text.h"
#include "util/work_areas.h"

namespace {
constexpr char kPlacementFileName[] = "window-placement.json";

std::string ReadSmallFile(const std::string& path) {
    const ScopedHandle file(CreateFileW(ToLongPath(Utf8ToWide(path)).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return {};
    // One byte more than a placement may have, so an overlong file shows as such.
    std::string text(kPlacementFileLimit + 1, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr))
        read = 0;
    text.resize(read);
    return text;
}

bool WriteWholeFile(const std::wstring& path, const std::string& text) {
    const ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size() && FlushFileBuffers(file.get());
}

bool IsRestoredToMaximized(HWND window) {
    if (IsZoomed(window))
        return true;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    return IsIconic(window) && GetWindowPlacement(window, &placement) &&
           (placement.flags & WPF_RESTORETOMAXIMIZED);
}

} // namespace

PlacementKeeper::PlacementKeeper(const std::string& userDataFolder, DpiChoice dpi)
    : userDataFolder_(userDataFolder), filePath_(userDataFolder + "\\" + kPlacementFileName),
      dpi_(dpi) {}

PlacementKeeper::~PlacementKeeper() = default;

std::optional<SavedPlacement> PlacementKeeper::Load() {
    std::optional<SavedPlacement> saved = ParsePlacement(ReadSmallFile(filePath_));
    if (!saved)
        return std::nullopt;
    // The dpi of the monitor it returns to (the system dpi unless per-monitor aware).
    const RECT target = {saved->normal.left, saved->normal.top, saved->normal.right,
                         saved->normal.bottom};
    const int dpi = dpi_.ForRect(target);
    saved->normal = ScalePlacementSize(saved->normal, saved->dpi, dpi);
    saved->dpi = dpi;
    if (!CaptionMeetsWorkArea(saved->normal, CaptionHeight(), MonitorWorkAreas()))
        return std::nullopt;
    normal_ = {saved->normal.left, saved->normal.top, saved->normal.right, saved->normal.bottom};
    return saved;
}

void PlacementKeeper::Track(HWND window, bool fullScreen) {
    if (IsWindowVisible(window))
        seen_ = true;
    if (!fullScreen && !IsIconic(window) && !IsZoomed(window))
        GetWindowRect(window, &normal_);
}

void PlacementKeeper::Save(HWND window, bool fullScreen) const {
    if (!seen_ || IsRectEmpty(&normal_))
        return;
    const SavedPlacement placement = {ScreenRectOf(normal_), IsRestoredToMaximized(window),
                                      fullScreen, dpi_.ForWindow(window)};
    // The browser creates this folder too, but perhaps not yet.
    CreateDirectoryW(ToLongPath(Utf8ToWide(userDataFolder_)).c_str(), nullptr);
    const std::wstring target = ToLongPath(Utf8ToWide(filePath_));
    const std::wstring temporary = target + L".tmp";
    if (WriteWholeFile(temporary, FormatPlacement(placement)))
        MoveFileExW(temporary.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    else
        DeleteFileW(temporary.c_str());
}
