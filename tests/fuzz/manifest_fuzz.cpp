// package.json text: either a record with a name and known modes, or one of
// the failures start-up expects; a NUL ends the document.
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "manifest/manifest.h"
#include "manifest/manifest_rules.h"
#include "fuzz_check.h"

namespace {
bool SameRecord(const AppManifest& a, const AppManifest& b) {
    return a.name == b.name && a.main == b.main && a.title == b.title && a.width == b.width &&
           a.height == b.height && a.icon == b.icon && a.resizable == b.resizable &&
           a.chromiumArgs == b.chromiumArgs && a.contentMode == b.contentMode &&
           a.distributionMode == b.distributionMode && a.enableDevtools == b.enableDevtools &&
           a.crossOriginIsolation == b.crossOriginIsolation &&
           a.rememberPlacement == b.rememberPlacement && a.singleInstance == b.singleInstance &&
           a.minWidth == b.minWidth && a.minHeight == b.minHeight &&
           a.backgroundColor == b.backgroundColor && a.contextMenu == b.contextMenu &&
           a.writableDirectoryHandles == b.writableDirectoryHandles &&
           a.allowedPermissions == b.allowedPermissions &&
           a.directoryHandles == b.directoryHandles && a.messages.crashed == b.messages.crashed &&
           a.messages.unresponsive == b.messages.unresponsive &&
           a.messages.installWebview2 == b.messages.installWebview2 &&
           a.messages.downloading == b.messages.downloading &&
           a.messages.installing == b.messages.installing &&
           a.messages.installWebview2Failed == b.messages.installWebview2Failed;
}

bool IsManifestFailure(const std::string& message) {
    return message == "invalid name" || message == "invalid distribution mode" ||
           message == "invalid content mode" || message == "invalid cross-origin isolation" ||
           message == "invalid background color" || message == "invalid context menu" ||
           message == "invalid main" || message == "invalid directory handles" ||
           message == "invalid writable directory handles" || message == "invalid permissions";
}

// What an accepted record must say about the document it came from.
void CheckAccepted(const std::string& text, const AppManifest& manifest) {
    const nlohmann::json document = nlohmann::json::parse(text.c_str(), nullptr, false);
    FUZZ_REQUIRE(document.is_object(), "an accepted manifest is a JSON object");
    FUZZ_REQUIRE(!manifest.name.empty(), "an accepted manifest has a name");
    FUZZ_REQUIRE(document["name"] == manifest.name, "the name is the document's");
    FUZZ_REQUIRE(IsSafeName(manifest.name), "an accepted name is one safe path component");
    FUZZ_REQUIRE(manifest.name.find_first_of("/\\:") == std::string::npos && manifest.name != "." &&
                     manifest.name != "..",
                 "an accepted name never leaves its folder");
    FUZZ_REQUIRE(manifest.contentMode == ContentMode::Bundle || IsTrustedRemoteMain(manifest.main),
                 "remote mode only with a trusted main");
    FUZZ_REQUIRE(manifest.directoryHandles <= kAllDirectoryHandles, "only the 13 positions");
    FUZZ_REQUIRE((manifest.allowedPermissions & (1u << 8)) == 0, "never file writing");
    FUZZ_REQUIRE(document.contains("main") || manifest.main == "index.html", "main defaults");
    FUZZ_REQUIRE(manifest.contentMode == ContentMode::Bundle ||
                     manifest.contentMode == ContentMode::Remote,
                 "a known content mode");
    FUZZ_REQUIRE(manifest.distributionMode == DistributionMode::Evergreen ||
                     manifest.distributionMode == DistributionMode::Fixed,
                 "a known distribution mode");
    const auto window = document.find("window");
    if (window == document.end() || !window->is_object())
        FUZZ_REQUIRE(manifest.title == "Quorrin" && manifest.width == 1024 &&
                         manifest.height == 768 && manifest.icon.empty() && manifest.resizable &&
                         manifest.backgroundColor == 0xFFFFFF,
                     "a window section that is not an object gives every default");
    FUZZ_REQUIRE(manifest.backgroundColor <= 0xFFFFFF, "a background colour is RGB only");
    const auto settings = document.find("settings");
    const bool isolationKey = settings != document.end() && settings->is_object() &&
                              settings->contains("cross-origin-isolation");
    FUZZ_REQUIRE(manifest.crossOriginIsolation ==
                     (isolationKey && (*settings)["cross-origin-isolation"] == true),
                 "cross-origin isolation only when the settings say true");
    FUZZ_REQUIRE(manifest.minWidth >= 0 && manifest.minHeight >= 0, "a minimum is never negative");
    const bool menuKey =
        settings != document.end() && settings->is_object() && settings->contains("context-menu");
    FUZZ_REQUIRE(menuKey || manifest.contextMenu == ContextMenuMode::Default,
                 "the default context menu unless the settings name another");
    FUZZ_REQUIRE(!menuKey || (*settings)["context-menu"] ==
                                 (manifest.contextMenu == ContextMenuMode::Edit   ? "edit"
                                  : manifest.contextMenu == ContextMenuMode::None ? "none"
                                                                                  : "default"),
                 "an accepted context menu is the word the settings give");
}

// Parses, and reports whether the text was accepted; any failure but the
// expected ones escapes and is a finding.
bool Parse(const std::string& text, AppManifest& manifest) {
    try {
        ParseManifest(text, manifest);
        return true;
    } catch (const nlohmann::json::exception&) { // syntax, or a number beyond a double
        FUZZ_REQUIRE(nlohmann::json::parse(text.c_str(), nullptr, false).is_discarded(),
                     "a parse error only for text that is not JSON");
        return false;
    } catch (const std::runtime_error& error) {
        FUZZ_REQUIRE(IsManifestFailure(error.what()), "only the manifest's own failures");
        return false;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    AppManifest manifest;
    const bool accepted = Parse(text, manifest);
    if (accepted)
        CheckAccepted(text, manifest);

    // Whatever follows a NUL byte never counts.
    AppManifest beforeNul;
    const bool acceptedBeforeNul = Parse(std::string(text.c_str()), beforeNul);
    FUZZ_REQUIRE(accepted == acceptedBeforeNul, "a NUL ends the document");
    if (accepted)
        FUZZ_REQUIRE(SameRecord(manifest, beforeNul), "a NUL ends the document");
    return 0;
}
