// Request URIs under the app origin: a path the content server accepts never
// leaves the content folder, its file path lies under that folder, and nothing
// after a raw "?" or "#" ever becomes part of it.
#include <cstdint>
#include <string>

#include "content/request_path.h"
#include "fuzz_check.h"

namespace {
const std::string kOrigin = "https://app.localhost/";
const std::string kContentFolder = "C:\\Apps\\Game\\www\\";

bool IsWellFormedUtf8(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        size_t length = lead < 0x80                    ? 1
                        : lead >= 0xC2 && lead <= 0xDF ? 2
                        : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                       : 0;
        if (length == 0 || at + length > text.size())
            return false;
        for (size_t i = 1; i < length; ++i)
            if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
                return false;
        const auto second = static_cast<unsigned char>(length > 1 ? text[at + 1] : 0);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
            (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
            return false;
        at += length;
    }
    return true;
}

void CheckAcceptedPath(const std::string& relative) {
    FUZZ_REQUIRE(relative.find(':') == std::string::npos, "no ':' in an accepted path");
    FUZZ_REQUIRE(relative.find('\0') == std::string::npos, "no NUL in an accepted path");
    size_t start = 0;
    for (;;) {
        const size_t end = relative.find_first_of("/\\", start);
        const std::string segment = relative.substr(start, end - start);
        FUZZ_REQUIRE(segment != "." && segment != "..", "no '.' or '..' segment");
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    const std::string file = ContentFilePath(kContentFolder, relative);
    FUZZ_REQUIRE(file.compare(0, kContentFolder.size(), kContentFolder) == 0,
                 "the file path starts with the content folder");
    FUZZ_REQUIRE(file.size() == kContentFolder.size() + relative.size(),
                 "the file path is the folder and the relative path");
    FUZZ_REQUIRE(file.find('/') == std::string::npos, "only backslashes in the file path");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string rest(reinterpret_cast<const char*>(data), size);
    const std::string relative = RelativePathFromUri(kOrigin + rest, kOrigin.size());
    const std::string path = rest.substr(0, rest.find_first_of("?#"));
    FUZZ_REQUIRE(RelativePathFromUri(kOrigin + path, kOrigin.size()) == relative,
                 "the query and fragment do not count");
    // Decoded text is well-formed UTF-8; too long a text stays as it came.
    FUZZ_REQUIRE(relative == path || IsWellFormedUtf8(relative),
                 "a decoded path is well-formed UTF-8");
    if (path.find('%') == std::string::npos && IsWellFormedUtf8(path))
        FUZZ_REQUIRE(relative == path, "a path without escapes is kept as it is");
    if (const auto index = FolderIndexPath(relative))
        FUZZ_REQUIRE(StaysInContentFolder(*index) == StaysInContentFolder(relative),
                     "a folder's index page stays where its folder does");
    if (StaysInContentFolder(relative))
        CheckAcceptedPath(relative);
    return 0;
}
