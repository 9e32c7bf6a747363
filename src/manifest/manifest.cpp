#include "manifest/manifest.h"

#include <stdexcept>

#include "manifest/manifest_player_keys.h"
#include "manifest/manifest_rules.h"
#include "util/text/json_lookup.h"

namespace {
const char kDefaultInstallMessage[] = "This app requires the Microsoft Edge WebView2 runtime. It "
                                      "will be downloaded and installed for you now.";
const char kDefaultDownloadingCaption[] = "Downloading...";
const char kDefaultInstallingCaption[] = "Installing...";
const char kDefaultInstallFailedMessage[] =
    "Failed to install the Microsoft Edge WebView2 runtime. Check that you have permission to "
    "install it, and that your Internet connection is working. Run the app again to try again.";

// A missing or non-object section reads as an empty one: all its keys default.
const nlohmann::json& Section(const nlohmann::json& document, const char* key) {
    static const nlohmann::json kEmpty = nlohmann::json::object();
    auto it = document.find(key);
    return it != document.end() && it->is_object() ? *it : kEmpty;
}

DistributionMode ParseDistributionMode(const std::string& word) {
    if (word == "evergreen")
        return DistributionMode::Evergreen;
    if (word == "fixed")
        return DistributionMode::Fixed;
    throw std::runtime_error("invalid distribution mode");
}

ContentMode ParseContentMode(const std::string& word) {
    if (word == "bundle")
        return ContentMode::Bundle;
    if (word == "remote")
        return ContentMode::Remote;
    throw std::runtime_error("invalid content mode");
}

// Unlike the other switches, a wrongly typed value is refused: falling back to
// off would leave a threaded application broken without a word.
bool ParseCrossOriginIsolation(const nlohmann::json& settings) {
    return StrictBool(settings, "cross-origin-isolation", "invalid cross-origin isolation");
}

// Refused rather than defaulted: a typo must not leave an engine's build undecoded.
PrecompressedFiles ParsePrecompressed(const nlohmann::json& settings) {
    auto it = settings.find("precompressed");
    if (it == settings.end())
        return PrecompressedFiles::Auto;
    const std::string word = it->is_string() ? it->get<std::string>() : std::string();
    if (word == "auto")
        return PrecompressedFiles::Auto;
    if (word == "all")
        return PrecompressedFiles::All;
    if (word == "none")
        return PrecompressedFiles::None;
    throw std::runtime_error("invalid precompressed");
}

// Opt-in window behaviours; a value of the wrong type reads as off, a minimum
// below 1 as none.
void ReadWindowBehaviour(const nlohmann::json& window, const nlohmann::json& settings,
                         AppManifest& manifest) {
    manifest.rememberPlacement = JsonBoolOr(window, "remember-placement", false);
    manifest.minWidth = std::max(JsonIntOr(window, "min-width", 0), 0);
    manifest.minHeight = std::max(JsonIntOr(window, "min-height", 0), 0);
    manifest.singleInstance = JsonBoolOr(settings, "single-instance", false);
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Strict like the isolation switch: a colour that silently fell back to white
// would bring back the very flash it is there to prevent.
uint32_t ParseBackgroundColor(const nlohmann::json& window) {
    auto it = window.find("background-color");
    if (it == window.end())
        return 0xFFFFFF;
    const std::string* text = it->get_ptr<const std::string*>();
    if (!text || text->size() != 7 || (*text)[0] != '#')
        throw std::runtime_error("invalid background color");
    for (size_t i = 1; i < text->size(); ++i)
        if (!IsHexDigit((*text)[i]))
            throw std::runtime_error("invalid background color");
    return static_cast<uint32_t>(std::stoul(text->substr(1), nullptr, 16));
}

const char kDefaultCrashedMessage[] =
    "The application stopped unexpectedly and could not be restarted.";
const char kDefaultUnresponsiveMessage[] =
    "The application is not responding. Do you want to restart it? Choose No to keep waiting.";

// Refused rather than defaulted: a typo would otherwise leave Reload in the menu.
ContextMenuMode ParseContextMenu(const nlohmann::json& settings) {
    auto it = settings.find("context-menu");
    if (it == settings.end())
        return ContextMenuMode::Default;
    const std::string word = it->is_string() ? it->get<std::string>() : std::string();
    if (word == "default")
        return ContextMenuMode::Default;
    if (word == "edit")
        return ContextMenuMode::Edit;
    if (word == "none")
        return ContextMenuMode::None;
    throw std::runtime_error("invalid context menu");
}

// The keys of failures at run time, kept together.
void ParseRunTimeFailureKeys(const nlohmann::json& document, AppManifest& manifest) {
    manifest.contextMenu = ParseContextMenu(Section(document, "settings"));
    const nlohmann::json& messages = Section(document, "messages");
    manifest.messages.crashed = JsonStringOr(messages, "crashed", kDefaultCrashedMessage);
    manifest.messages.unresponsive =
        JsonStringOr(messages, "unresponsive", kDefaultUnresponsiveMessage);
}
} // namespace

void ParseManifest(const std::string& text, AppManifest& manifest) {
    // The text is taken as a C string: a NUL byte ends the document.
    const nlohmann::json document = nlohmann::json::parse(text.c_str());

    manifest.name = JsonStringOr(document, "name", "");
    manifest.version = JsonStringOr(document, "version", "");
    if (!IsSafeName(manifest.name))
        throw std::runtime_error("invalid name");
    manifest.main = JsonStringOr(document, "main", "index.html");

    const nlohmann::json& window = Section(document, "window");
    manifest.title = JsonStringOr(window, "title", "Quorrin");
    manifest.width = JsonIntOr(window, "width", 1024);
    manifest.height = JsonIntOr(window, "height", 768);
    manifest.icon = JsonStringOr(window, "icon", "");
    manifest.resizable = JsonBoolOr(window, "resizable", true);
    manifest.backgroundColor = ParseBackgroundColor(window);

    manifest.chromiumArgs = JsonStringOr(document, "chromium-args", "");

    const nlohmann::json& settings = Section(document, "settings");
    manifest.distributionMode =
        ParseDistributionMode(JsonStringOr(settings, "distribution-mode", "evergreen"));
    manifest.contentMode = ParseContentMode(JsonStringOr(settings, "content-mode", "bundle"));
    manifest.enableDevtools = JsonBoolOr(settings, "enable-devtools", true);
    manifest.crossOriginIsolation = ParseCrossOriginIsolation(settings);
    manifest.precompressed = ParsePrecompressed(settings);
    ReadWindowBehaviour(window, settings, manifest);
    ReadPlayerKeys(window, settings, manifest);
    if (manifest.contentMode == ContentMode::Remote && !IsTrustedRemoteMain(manifest.main))
        throw std::runtime_error("invalid main");
    manifest.directoryHandles = ParseDirectoryHandles(settings);
    manifest.writableDirectoryHandles = ParseWritableDirectoryHandles(settings);
    manifest.allowedPermissions = ParsePermissions(settings);

    const nlohmann::json& messages = Section(document, "messages");
    manifest.messages.installWebview2 =
        JsonStringOr(messages, "install-webview2", kDefaultInstallMessage);
    manifest.messages.downloading =
        JsonStringOr(messages, "downloading", kDefaultDownloadingCaption);
    manifest.messages.installing = JsonStringOr(messages, "installing", kDefaultInstallingCaption);
    manifest.messages.installWebview2Failed =
        JsonStringOr(messages, "install-webview2-failed", kDefaultInstallFailedMessage);
    ParseRunTimeFailureKeys(document, manifest);
    manifest.steam = ParseSteam(document, manifest.contentMode == ContentMode::Remote
                                              ? manifest.main
                                              : std::string());
    manifest.savesSteamCloud = ParseSavesSteamCloud(settings, manifest.steam);
}
