#pragma once
// Which files are served decoded, and as what: engines export compressed builds
// (Unity's NAME.wasm.br, NAME.data.gz) that a web server would send with a
// Content-Encoding, which the runtime does not decode. Portable.
#include <functional>
#include <string>
#include <string_view>

#include "manifest/manifest.h"

enum class Coding { None, Gzip, Brotli };

struct Decoding {
    Coding coding = Coding::None;
    // The path whose extension names the content type: NAME.EXT for NAME.EXT.br.
    std::string servedPath;
};

// How many of a file's first bytes the rule may look at.
inline constexpr size_t kDecodingHeadBytes = 4096;

// relativePath: the file's path in the content folder; head: gives the file's
// first bytes (at most kDecodingHeadBytes), asked only when the name leaves the
// answer open.
Decoding DecodingFor(const std::string& relativePath, PrecompressedFiles policy,
                     const std::function<std::string()>& head);

// Whether a gzip stream's header carries the comment Unity writes into its
// compressed builds, "UnityWeb Compressed Content (gzip)".
bool HasUnityGzipMarker(std::string_view head);
