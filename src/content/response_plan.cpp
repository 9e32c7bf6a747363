#include "content/response_plan.h"

#include "content/byte_range.h"
#include "content/content_types.h"

namespace {
ResponsePlan TextAnswer(int status, const char* reason, const char* text) {
    ResponsePlan plan;
    plan.status = status;
    plan.reason = reason;
    plan.headers = {"Cache-Control: no-store"};
    plan.body = BodySource::Text;
    plan.text = text;
    return plan;
}
} // namespace

ResponsePlan PlanResponse(bool found, const std::string& relativePath, uint64_t fileSize,
                          const std::optional<std::string>& range) {
    if (!found)
        return TextAnswer(404, "Not Found", "File not found");
    if (fileSize > kLargestServedFile && !range)
        return TextAnswer(500, "Internal Server Error", "File too large");
    const uint64_t size = fileSize > kLargestServedFile ? 0 : fileSize;

    ResponsePlan plan;
    plan.headers = {"Cache-Control: no-store", "Content-Type: " + LookupContentType(relativePath),
                    "Accept-Ranges: bytes"};
    if (!range) {
        plan.headers.push_back("Content-Length: " + std::to_string(size));
        plan.status = 200;
        plan.reason = "OK";
        plan.body = BodySource::WholeFile;
        return plan;
    }
    const std::optional<ByteRange> bytes = ParseByteRange(*range, size);
    if (!bytes) {
        plan.status = 416;
        plan.reason = "Range Not Satisfiable";
        // The size the client may ask within; a file too large to serve has none.
        if (fileSize <= kLargestServedFile)
            plan.headers.push_back("Content-Range: bytes */" + std::to_string(size));
        return plan;
    }
    const uint64_t length = bytes->last + 1 - bytes->first;
    plan.headers.push_back("Content-Range: bytes " + std::to_string(bytes->first) + "-" +
                           std::to_string(bytes->last) + "/" + std::to_string(size));
    plan.headers.push_back("Content-Length: " + std::to_string(length));
    plan.status = 206;
    plan.reason = "Partial Content";
    plan.body = length == size ? BodySource::WholeFile : BodySource::FileRange;
    plan.first = bytes->first;
    plan.length = length;
    return plan;
}

ResponsePlan UnreadableFileAnswer() {
    ResponsePlan plan = TextAnswer(500, "Internal Server Error", "File cannot be read");
    plan.headers.push_back("Content-Type: text/plain; charset=utf-8");
    plan.headers.push_back("Content-Length: " + std::to_string(plan.text.size()));
    return plan;
}

ResponsePlan BusyAnswer() {
    ResponsePlan plan =
        TextAnswer(503, "Service Unavailable", "Too many files are being decoded at once");
    plan.headers.push_back("Retry-After: 1");
    plan.headers.push_back("Content-Type: text/plain; charset=utf-8");
    plan.headers.push_back("Content-Length: " + std::to_string(plan.text.size()));
    return plan;
}

void AddCrossOriginIsolation(ResponsePlan& plan) {
    plan.headers.insert(plan.headers.end(), {"Cross-Origin-Opener-Policy: same-origin",
                                             "Cross-Origin-Embedder-Policy: require-corp",
                                             "Cross-Origin-Resource-Policy: same-origin"});
}

std::string JoinHeaderLines(const std::vector<std::string>& lines) {
    std::string block;
    for (const std::string& line : lines) {
        if (!block.empty())
            block += '\n';
        block += line;
    }
    return block;
}
