#pragma once
// How long a page message may be. Every message is held to 1 MiB but a whole
// file written at once ("cloud-write", "save-write"), recognised before
// anything is parsed.
// Portable.
#include <cstddef>
#include <string_view>

// In UTF-16 code units (JavaScript's length): a longer text is dropped before
// it is converted or parsed.
inline constexpr size_t kPageMessageLimit = size_t{1} << 20;
// The largest cloud file (100 MiB) as base64 is 139,810,136 characters, plus
// the message around it.
inline constexpr size_t kLargeWriteMessageLimit = size_t{136} << 20;

// The members "type" and "call" of a message's top level, read without
// building anything and with no recursion: what decides, before parsing,
// whether a long text may be parsed at all. Names or values written with
// escapes are not recognised; the parsed message is checked again after.
struct MessageHead {
    std::string_view type;
    std::string_view call;
};
MessageHead ScanMessageHead(std::string_view text);

// A "steam" message whose call is "cloud-write".
bool IsLargeWrite(const MessageHead& head);
// A "save-write" message.
bool IsSaveWrite(const MessageHead& head);
