#include "steam/steam_bytes.h"

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The six bits of one base64 character, -1 for any other byte.
int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    return c == '+' ? 62 : c == '/' ? 63 : -1;
}
} // namespace

std::optional<std::string> DecodeBase64(const std::string& text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    size_t padding = 0;
    if (!text.empty() && text.back() == '=')
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    uint32_t bits = 0;
    for (size_t i = 0; i < text.size() - padding; ++i) {
        const int sextet = SextetOf(text[i]);
        if (sextet < 0)
            return std::nullopt;
        bits = (bits << 6) | static_cast<uint32_t>(sextet);
        if (i % 4 == 3)
            for (int shift = 16; shift >= 0; shift -= 8)
                bytes.push_back(static_cast<char>((bits >> shift) & 0xFF));
    }
    // The last group: two characters hold one byte, three hold two; the bits
    // left over must be zero, so each byte sequence has one spelling.
    if (padding == 2) {
        if (bits & 0x0F)
            return std::nullopt;
        bytes.push_back(static_cast<char>((bits >> 4) & 0xFF));
    } else if (padding == 1) {
        if (bits & 0x03)
            return std::nullopt;
        bytes.push_back(static_cast<char>((bits >> 10) & 0xFF));
        bytes.push_back(static_cast<char>((bits >> 2) & 0xFF));
    }
    return bytes;
}

std::string EncodeBase64(const std::string& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t count = bytes.size() - i < 3 ? bytes.size() - i : 3;
        uint32_t group = 0;
        for (size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < count ? static_cast<uint8_t>(bytes[i + k]) : 0u);
        for (size_t k = 0; k < 4; ++k)
            text.push_back(k <= count ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=');
    }
    return text;
}

std::string HexOf(const uint8_t* bytes, size_t size) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}
