#include "content/precompressed_rule.h"

#include <algorithm>
#include <cstring>

#include <zlib.h>

namespace {
constexpr char kUnityGzipComment[] = "UnityWeb Compressed Content (gzip)";

bool EndsWith(const std::string& text, std::string_view suffix) {
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(),
                      [](char a, char b) { return a == (b | 0x20); });
}

// NAME.EXT: the last segment has a dot after its first character.
bool HasExtension(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t name = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    return dot != std::string::npos && dot > name;
}

bool StartsWithGzipMagic(std::string_view head) {
    return head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0x1F &&
           static_cast<unsigned char>(head[1]) == 0x8B;
}
} // namespace

// zlib reads the header, so every flag's field is skipped as gzip defines it.
bool HasUnityGzipMarker(std::string_view head) {
    if (!StartsWithGzipMagic(head))
        return false;
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return false;
    char comment[sizeof kUnityGzipComment + 1] = {};
    gz_header header{};
    header.comment = reinterpret_cast<Bytef*>(comment);
    header.comm_max = sizeof comment - 1;
    inflateGetHeader(&stream, &header);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(head.data()));
    stream.avail_in = static_cast<uInt>(head.size());
    unsigned char out[1];
    stream.next_out = out;
    stream.avail_out = 0;
    // Z_BLOCK stops right after the header, before any data is inflated.
    inflate(&stream, Z_BLOCK);
    const bool marked = header.done == 1 && std::strcmp(comment, kUnityGzipComment) == 0;
    inflateEnd(&stream);
    return marked;
}

Decoding DecodingFor(const std::string& relativePath, PrecompressedFiles policy,
                     const std::function<std::string()>& head) {
    if (policy == PrecompressedFiles::None)
        return {Coding::None, relativePath};
    const bool all = policy == PrecompressedFiles::All;
    for (const auto& [suffix, coding] :
         {std::pair{std::string_view(".br"), Coding::Brotli}, {".gz", Coding::Gzip}}) {
        if (!EndsWith(relativePath, suffix))
            continue;
        std::string served = relativePath.substr(0, relativePath.size() - suffix.size());
        if (all || (HasExtension(served) &&
                    (coding == Coding::Brotli || HasUnityGzipMarker(head()))))
            return {coding, std::move(served)};
        return {Coding::None, relativePath};
    }
    // Older Unity builds compress their code and data without saying so in the name.
    for (std::string_view extension : {".wasm", ".js", ".data"})
        if (EndsWith(relativePath, extension) && StartsWithGzipMagic(head()))
            return {Coding::Gzip, relativePath};
    return {Coding::None, relativePath};
}
