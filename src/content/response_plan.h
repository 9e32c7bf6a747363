#pragma once
// What the content server answers for one request: status, header lines and
// where the body comes from. Portable; the Windows side carries it out.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Files this large are not served: ranges are 32-bit numbers, and a length the
// server could not state truthfully must not be announced.
inline constexpr uint64_t kLargestServedFile = 0x7FFFFFFF;

enum class BodySource {
    None,
    Text,      // a fixed text ("File not found", "File too large")
    WholeFile, // streamed from disk
    FileRange, // a slice of the cached mapped view
    Decoded,   // the decoded bytes [first, first + length) of a compressed file
};

struct ResponsePlan {
    int status = 0;
    std::string reason;
    std::vector<std::string> headers;
    BodySource body = BodySource::None;
    std::string text;   // with BodySource::Text
    uint64_t first = 0; // with BodySource::FileRange and Decoded
    uint64_t length = 0;
};

// found: something exists at the file path; fileSize: its real size (0 for a
// folder); range: the trimmed "Range" value, when the request has one.
ResponsePlan PlanResponse(bool found, const std::string& relativePath, uint64_t fileSize,
                          const std::optional<std::string>& range);

// The answer when the planned file cannot be opened or mapped after all: a 500
// whose header lines describe its own short text, not the file.
ResponsePlan UnreadableFileAnswer();

// The answer while too many files are being decoded at once: a 503 that says
// when to ask again.
ResponsePlan BusyAnswer();

// Adds, after the plan's own lines, the headers that make a page cross-origin
// isolated: its own-origin resources may then be embedded, nothing else.
void AddCrossOriginIsolation(ResponsePlan& plan);

// The header lines joined by single line feeds.
std::string JoinHeaderLines(const std::vector<std::string>& lines);
