#pragma once
// The page's messages to the host: which sources are heard, what each message
// asks for, and the "wrapper-init-response" text. Portable.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

struct LastRunReport;

// "1,048,576": a count as the log writes it.
std::string GroupedDigits(size_t count);

// Bundle mode: the source must begin with the origin, which ends in "/". Remote
// mode: the origin is the manifest's address; unless it ends in "/" the source
// must equal it or go on with "/", "?" or "#", so https://example.com does not
// admit https://example.com.evil.net. An empty origin admits no source.
bool IsAcceptedSource(const std::string& source, const std::string& pageOrigin);

struct PageMessage {
    enum class Kind {
        Ignored,
        Refused, // past the parser's limits: refusal says which
        WrapperInit,
        SetFullScreen,
        SetWindowSize,
        SetWindowPosition,
        ExtensionMessage,
        SteamCall,  // answered by the Steam session from the whole text
        CloseReady, // the page has saved after "closing"
        SaveRequest, // "save-write" and the others, answered from the whole text
        PadRequest,  // "gamepad-rumble" and "gamepads-sync", heard only with host-read pads
        OverlayKey,  // Shift+Tab in the page, for Steam's overlay
        TextFieldFocused, // the document script's report, read from the whole text
    };
    Kind kind = Kind::Ignored;
    bool fullscreen = false;
    int32_t width = 0, height = 0; // set-window-size, 96-dpi units
    int32_t x = 0, y = 0;          // set-window-position, 96-dpi units
    // A Steam call's, save request's or pad request's whole message; shared, so that this header needs no more
    // of the JSON library than its names.
    std::shared_ptr<const nlohmann::json> document;
    bool largeWrite = false;       // a Steam call or save request that writes a whole file
    std::string refusal;
};

// Parses one message text strictly, within the bounded parser's limits. Text
// that is not JSON, unknown types and values that are not objects are Ignored.
PageMessage ParsePageMessage(const std::string& text);

// {"registeredComponentIds":[...],"type":"wrapper-init-response"}; bytes that are
// not valid UTF-8 are written as U+FFFD, so the response always goes out. After a
// crash it also holds "lastRun": {"crashed":true,"kind":...,"report":...}.
std::string WrapperInitResponse(const std::vector<std::string>& componentIds,
                                const LastRunReport* lastRun = nullptr);

// {"type":"directory-handles"}
std::string DirectoryHandlesMessage();
