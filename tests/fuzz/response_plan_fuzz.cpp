// Answer plans: the header block describes exactly the body the plan sends,
// and no plan announces a length for a file of 2 GiB or more.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "content/response_plan.h"
#include "fuzz_check.h"
#include "fuzzed_file_size.h"

namespace {
std::vector<std::string> SplitLines(const std::string& block) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = block.find('\n', start);
        lines.push_back(block.substr(start, end - start));
        if (end == std::string::npos)
            return lines;
        start = end + 1;
    }
}

// The value of the header line with this name, if the plan has one.
std::optional<std::string> Header(const ResponsePlan& plan, const std::string& name) {
    std::optional<std::string> found;
    for (const std::string& line : plan.headers)
        if (line.rfind(name + ": ", 0) == 0) {
            FUZZ_REQUIRE(!found, "each header at most once");
            found = line.substr(name.size() + 2);
        }
    return found;
}

// A decimal number written as the server writes them: digits, no leading zero.
uint64_t Decimal(const std::string& text) {
    FUZZ_REQUIRE(!text.empty() && text.size() <= 20, "a number has 1 to 20 digits");
    FUZZ_REQUIRE(text == "0" || text[0] != '0', "no leading zeros");
    uint64_t value = 0;
    for (char c : text) {
        FUZZ_REQUIRE(c >= '0' && c <= '9', "only digits");
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

// The length of the body this plan sends.
uint64_t BodyLength(const ResponsePlan& plan, uint64_t fileSize) {
    switch (plan.body) {
    case BodySource::Text:
        return plan.text.size();
    case BodySource::WholeFile:
        return fileSize;
    case BodySource::FileRange:
    case BodySource::Decoded:
        return plan.length;
    case BodySource::None:
        break;
    }
    return 0;
}

void CheckContentRange(const ResponsePlan& plan, const std::string& value, uint64_t fileSize) {
    FUZZ_REQUIRE(value.rfind("bytes ", 0) == 0, "Content-Range in bytes");
    if (plan.status == 416) {
        FUZZ_REQUIRE(value == "bytes */" + std::to_string(fileSize), "416 names only the size");
        return;
    }
    const size_t dash = value.find('-'), slash = value.find('/');
    FUZZ_REQUIRE(dash != std::string::npos && slash != std::string::npos && dash < slash,
                 "Content-Range is first-last/size");
    const uint64_t first = Decimal(value.substr(6, dash - 6));
    const uint64_t last = Decimal(value.substr(dash + 1, slash - dash - 1));
    FUZZ_REQUIRE(Decimal(value.substr(slash + 1)) == fileSize, "Content-Range names the size");
    FUZZ_REQUIRE(first <= last && last < fileSize, "Content-Range lies inside the file");
    FUZZ_REQUIRE(last + 1 - first == BodyLength(plan, fileSize), "Content-Range spans the body");
    if (plan.body == BodySource::FileRange)
        FUZZ_REQUIRE(first == plan.first, "Content-Range starts where the copy starts");
}

void CheckPlan(const ResponsePlan& plan, bool found, uint64_t fileSize, bool ranged) {
    FUZZ_REQUIRE(!plan.headers.empty() && plan.headers[0] == "Cache-Control: no-store",
                 "Cache-Control first");
    for (const std::string& line : plan.headers)
        FUZZ_REQUIRE(line.find_first_of("\r\n", 0) == std::string::npos, "one line per header");
    FUZZ_REQUIRE(SplitLines(JoinHeaderLines(plan.headers)) == plan.headers,
                 "the block holds exactly the lines");
    FUZZ_REQUIRE(found || plan.status == 404, "nothing found is 404");
    FUZZ_REQUIRE(!found || plan.status != 404, "something found is never 404");
    FUZZ_REQUIRE(plan.status != 206 || ranged, "206 only for a Range");
    FUZZ_REQUIRE(plan.status != 200 || !ranged, "200 only without a Range");
    if (plan.body == BodySource::FileRange)
        FUZZ_REQUIRE(plan.length < fileSize && plan.first + plan.length <= fileSize,
                     "a copied range lies inside the file and is not all of it");

    const auto length = Header(plan, "Content-Length");
    const auto range = Header(plan, "Content-Range");
    if (fileSize > kLargestServedFile)
        FUZZ_REQUIRE(!length && !range, "no length announced for a file of 2 GiB or more");
    if (length)
        FUZZ_REQUIRE(Decimal(*length) == BodyLength(plan, fileSize),
                     "Content-Length equals the body");
    if (range)
        CheckContentRange(plan, *range, fileSize);
    FUZZ_REQUIRE(plan.status != 206 || (length && range), "206 carries both lengths");
    FUZZ_REQUIRE(plan.status != 416 || range || fileSize > kLargestServedFile,
                 "416 names the size it refused");
    FUZZ_REQUIRE(plan.status != 200 || length, "200 carries its length");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool found = input.ConsumeBool();
    const uint64_t fileSize = FuzzedFileSize(input);
    const std::string relativePath = input.ConsumeRandomLengthString(128);
    std::optional<std::string> range;
    if (input.ConsumeBool())
        range = input.ConsumeRemainingBytesAsString();
    const ResponsePlan plan = PlanResponse(found, relativePath, fileSize, range);
    CheckPlan(plan, found, fileSize, range.has_value());
    // A file that cannot be read after all gets an answer describing itself.
    if (plan.body == BodySource::WholeFile || plan.body == BodySource::FileRange)
        CheckPlan(UnreadableFileAnswer(), found, fileSize, false);

    // Isolation only appends its three lines; the answer itself stays the same.
    ResponsePlan isolated = plan;
    AddCrossOriginIsolation(isolated);
    FUZZ_REQUIRE(isolated.headers.size() == plan.headers.size() + 3 &&
                     std::equal(plan.headers.begin(), plan.headers.end(), isolated.headers.begin()),
                 "isolation keeps every line and adds three");
    FUZZ_REQUIRE(isolated.status == plan.status && isolated.body == plan.body &&
                     isolated.text == plan.text && isolated.first == plan.first &&
                     isolated.length == plan.length,
                 "isolation changes nothing but the headers");
    return 0;
}
