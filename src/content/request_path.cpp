#include "content/request_path.h"

#include <cstdint>

namespace {
constexpr size_t kDecodeCapacity = 2048; // UTF-16 units, terminator included

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string DecodePercentEscapes(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            bytes.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            bytes.push_back(text[i]);
        }
    }
    return bytes;
}

// Length of a well-formed UTF-8 sequence starting at text[at], or 0.
size_t SequenceLength(const std::string& text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length;
    uint32_t minimum;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, minimum = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, minimum = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, minimum = 0x10000;
    else
        return 0;
    if (at + length > text.size())
        return 0;
    uint32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

// Replaces every ill-formed byte with U+FFFD and counts UTF-16 units on the way.
std::string ToWellFormedUtf8(const std::string& bytes, size_t& utf16Units) {
    std::string text;
    utf16Units = 0;
    for (size_t at = 0; at < bytes.size();) {
        size_t length = SequenceLength(bytes, at);
        if (length == 0) {
            text += "\xEF\xBF\xBD";
            ++utf16Units;
            ++at;
            continue;
        }
        text.append(bytes, at, length);
        utf16Units += length == 4 ? 2 : 1;
        at += length;
    }
    return text;
}
} // namespace

std::string RelativePathFromUri(const std::string& uri, size_t originLength) {
    // The path ends where the query or fragment begins, before any escape is
    // decoded, so "%3F" stays part of the name.
    const std::string afterOrigin = uri.size() > originLength ? uri.substr(originLength) : "";
    const std::string remainder = afterOrigin.substr(0, afterOrigin.find_first_of("?#"));
    size_t units = 0;
    std::string decoded = ToWellFormedUtf8(DecodePercentEscapes(remainder), units);
    return units < kDecodeCapacity ? decoded : remainder;
}

bool StaysInContentFolder(const std::string& relativePath) {
    if (relativePath.find(':') != std::string::npos || relativePath.find('\0') != std::string::npos)
        return false;
    size_t start = 0;
    for (;;) {
        const size_t end = relativePath.find_first_of("/\\", start);
        const std::string segment = relativePath.substr(start, end - start);
        if (segment == "." || segment == "..")
            return false;
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

std::string ContentFilePath(const std::string& folder, const std::string& relativePath) {
    std::string path = folder + relativePath;
    for (size_t i = folder.size(); i < path.size(); ++i)
        if (path[i] == '/')
            path[i] = '\\';
    return path;
}

std::optional<std::string> FolderIndexPath(const std::string& folderPath) {
    if (!folderPath.empty() && folderPath.back() != '/')
        return std::nullopt;
    return folderPath + "index.html";
}
