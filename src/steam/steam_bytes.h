#pragma once
// Bytes as page script sends and receives them: strict base64 and hex. Portable.
#include <cstdint>
#include <optional>
#include <string>

// RFC 4648 base64 with padding, strictly: only the alphabet, a length that is
// a multiple of four, "=" only as the last one or two characters, and no bits
// set past the last byte. Anything else gives nothing.
std::optional<std::string> DecodeBase64(const std::string& text);
std::string EncodeBase64(const std::string& bytes);

// Lower-case hex, two digits a byte.
std::string HexOf(const uint8_t* bytes, size_t size);
