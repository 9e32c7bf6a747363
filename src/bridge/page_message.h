#pragma once
// The page's messages to the host: which sources are heard, what each message
// asks for, and the "wrapper-init-response" text. Portable.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The longest message text heard, in UTF-16 code units (JavaScript's length):
// a longer one is dropped before it is converted or parsed.
inline constexpr size_t kPageMessageLimit = size_t{1} << 20;
// With Steam, one message may carry a whole cloud save: the largest write
// (100 MiB) as base64 is 139,810,136 characters, plus the message around it.
inline constexpr size_t kSteamPageMessageLimit = size_t{136} << 20;
inline size_t PageMessageLimit(bool steamConfigured) {
    return steamConfigured ? kSteamPageMessageLimit : kPageMessageLimit;
}
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
        WrapperInit,
        SetFullScreen,
        SetWindowSize,
        SetWindowPosition,
        ExtensionMessage,
        SteamCall,  // answered by the Steam session from the whole text
        CloseReady, // the page has saved after "closing"
    };
    Kind kind = Kind::Ignored;
    bool fullscreen = false;
    int32_t width = 0, height = 0; // set-window-size, 96-dpi units
    int32_t x = 0, y = 0;          // set-window-position, 96-dpi units
};

// Parses one message text strictly; throws the JSON library's error when it is
// not JSON. Unknown types, and values that are not objects, are Ignored.
PageMessage ParsePageMessage(const std::string& text);

// {"registeredComponentIds":[...],"type":"wrapper-init-response"}; bytes that are
// not valid UTF-8 are written as U+FFFD, so the response always goes out.
std::string WrapperInitResponse(const std::vector<std::string>& componentIds);

// {"type":"directory-handles"}
std::string DirectoryHandlesMessage();
