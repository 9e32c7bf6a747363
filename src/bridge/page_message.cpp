#include "bridge/page_message.h"

#include <nlohmann/json.hpp>

#include "bridge/large_messages.h"
#include "crash/run_facts.h"
#include "util/text/bounded_json.h"
#include "util/text/json_lookup.h"

namespace {
bool IsSaveRequestType(const std::string& type) {
    for (const char* known : {"save-write", "save-read", "save-list", "save-delete", "save-resolve"})
        if (type == known)
            return true;
    return false;
}
} // namespace

bool IsAcceptedSource(const std::string& source, const std::string& pageOrigin) {
    // An empty origin (remote mode with an empty "main") is a prefix of every
    // source, so it must admit none.
    if (pageOrigin.empty() || source.compare(0, pageOrigin.size(), pageOrigin) != 0)
        return false;
    if (pageOrigin.back() == '/' || source.size() == pageOrigin.size())
        return true;
    const char next = source[pageOrigin.size()];
    return next == '/' || next == '?' || next == '#';
}

PageMessage ParsePageMessage(const std::string& text) {
    BoundedJson parsed = ParseBoundedJson(text);
    PageMessage message;
    if (parsed.overLimit) {
        message.kind = PageMessage::Kind::Refused;
        message.refusal = std::move(parsed.error);
        return message;
    }
    const nlohmann::json& document = parsed.value;
    const std::string type = JsonStringOr(document, "type", "");
    if (type == "wrapper-init") {
        message.kind = PageMessage::Kind::WrapperInit;
    } else if (type == "set-fullscreen") {
        message.kind = PageMessage::Kind::SetFullScreen;
        message.fullscreen = JsonBoolOr(document, "fullscreen", false);
    } else if (type == "set-window-size") {
        message.kind = PageMessage::Kind::SetWindowSize;
        message.height = JsonIntOr(document, "windowHeight", 0);
        message.width = JsonIntOr(document, "windowWidth", 0);
    } else if (type == "set-window-position") {
        message.kind = PageMessage::Kind::SetWindowPosition;
        message.y = JsonIntOr(document, "windowY", 0);
        message.x = JsonIntOr(document, "windowX", 0);
    } else if (type == "extension-message") {
        message.kind = PageMessage::Kind::ExtensionMessage;
    } else if (type == "steam") {
        message.kind = PageMessage::Kind::SteamCall;
        message.largeWrite = IsLargeWrite({type, JsonStringOr(document, "call", "")});
        message.document = std::make_shared<const nlohmann::json>(std::move(parsed.value));
    } else if (type == "overlay-key") {
        message.kind = PageMessage::Kind::OverlayKey;
    } else if (type == "text-field-focused") {
        message.kind = PageMessage::Kind::TextFieldFocused;
        message.document = std::make_shared<const nlohmann::json>(std::move(parsed.value));
    } else if (type == "close-ready") {
        message.kind = PageMessage::Kind::CloseReady;
    } else if (type == "gamepad-rumble" || type == "gamepads-sync") {
        message.kind = PageMessage::Kind::PadRequest;
        message.document = std::make_shared<const nlohmann::json>(std::move(parsed.value));
    } else if (IsSaveRequestType(type)) {
        message.kind = PageMessage::Kind::SaveRequest;
        message.largeWrite = IsSaveWrite({type, {}});
        message.document = std::make_shared<const nlohmann::json>(std::move(parsed.value));
    }
    return message;
}

std::string WrapperInitResponse(const std::vector<std::string>& componentIds,
                                const LastRunReport* lastRun) {
    nlohmann::json response = {{"type", "wrapper-init-response"},
                               {"registeredComponentIds", componentIds}};
    if (lastRun && lastRun->crashed) {
        response["lastRun"] = {{"crashed", true}, {"kind", lastRun->kind}};
        if (!lastRun->archive.empty())
            response["lastRun"]["report"] = lastRun->archive;
    }
    return response.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string DirectoryHandlesMessage() {
    return nlohmann::json{{"type", "directory-handles"}}.dump();
}

std::string GroupedDigits(size_t count) {
    std::string digits = std::to_string(count);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}
