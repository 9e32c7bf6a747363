#pragma once
// The steam_api64.dll exports the host calls, grouped by what the page may ask
// of them. Libraries authors ship differ (SDK versions from before the web API
// ticket or without the cloud's flat interface, newer ones with other interface
// versions): only the core must be there; a family the library lacks answers
// its calls with the export it misses. Portable.
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "steam/steam_call.h"

inline constexpr char kSteamLibraryName[] = "steam_api64.dll";

enum class SteamFamily {
    Core,
    Stats,
    Friends,
    Apps,
    Cloud,
    Leaderboards,
    Tickets,
    Utils,
    Screenshots
};
inline constexpr size_t kSteamFamilyCount = 9;

// One export the host needs, by the names it has had, newest first: an
// interface accessor has one a version, and each library exports the ones its
// own flat functions were built for.
using SteamExportNames = std::vector<std::string_view>;

struct SteamFamilyRow {
    SteamFamily family;
    std::string_view name; // as "status" lists it
    std::vector<SteamExportNames> exports;
    std::vector<SteamCall::Kind> calls; // the page's calls it answers
};

// Every family, in the order of SteamFamily: the one table of which export
// and which call belongs where.
const std::vector<SteamFamilyRow>& SteamFamilyTable();

// The family a call needs ("status" and refusals: the core).
SteamFamily FamilyOf(SteamCall::Kind kind);

// The names an export goes by, found by its newest; null when the table has
// no export of that name.
const SteamExportNames* SteamExportByNewest(std::string_view newest);

// What one library offers.
class SteamFamilies {
public:
    // Nothing: no library, or one without the core.
    SteamFamilies() = default;
    // By the exports the library has.
    explicit SteamFamilies(const std::function<bool(std::string_view)>& exported);

    bool Has(SteamFamily family) const { return present_[Index(family)]; }
    // The first export a family lacks (its newest name), empty when it has all.
    const std::string& Missing(SteamFamily family) const { return missing_[Index(family)]; }
    // "steam_api64.dll has no export NAME" for a family the library lacks.
    std::string Unavailable(SteamFamily family) const;
    // The names of the families present, in the table's order.
    std::vector<std::string> Names() const;

private:
    static size_t Index(SteamFamily family) { return static_cast<size_t>(family); }

    std::array<bool, kSteamFamilyCount> present_{};
    std::array<std::string, kSteamFamilyCount> missing_{};
};
