// The program's own portable rules for the quorrin command, compiled to
// WebAssembly (build-wasm.mjs): the manifest checker's main, renamed
// manifest_check_main at compile time, and the content server's request rules.
// Every function returns text in one buffer that lives until the next call.
#include <cstdint>
#include <optional>
#include <string>

#include <emscripten/emscripten.h>
#include <nlohmann/json.hpp>

#include "content/request_path.h"
#include "manifest/manifest.h"
#include "content/response_plan.h"
#include "util/text/trim.h"

int manifest_check_main(int argc, char** argv);

namespace {
std::string g_answer;

const char* Answer(std::string text) {
    g_answer = std::move(text);
    return g_answer.c_str();
}
} // namespace

extern "C" {
// The length of the last answer, which may hold NUL bytes.
EMSCRIPTEN_KEEPALIVE int quorrin_answer_length() {
    return static_cast<int>(g_answer.size());
}

// The checker as on the command line: argv[1] is a file of the in-memory file system.
EMSCRIPTEN_KEEPALIVE int quorrin_check_manifest(int argc, char** argv) {
    return manifest_check_main(argc, argv);
}

// What the preview server needs beyond the checker's settings, read by the
// same parser: {"ok":false} when the manifest is refused.
EMSCRIPTEN_KEEPALIVE const char* quorrin_manifest_details(const char* text) {
    AppManifest manifest;
    try {
        ParseManifest(text, manifest);
    } catch (...) {
        return Answer(R"({"ok":false})");
    }
    const nlohmann::json details = {{"ok", true},
                                    {"title", manifest.title},
                                    {"main", manifest.main},
                                    {"width", manifest.width},
                                    {"height", manifest.height},
                                    {"crossOriginIsolation", manifest.crossOriginIsolation}};
    return Answer(details.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

EMSCRIPTEN_KEEPALIVE const char* quorrin_relative_path(const char* uri, int originLength) {
    return Answer(RelativePathFromUri(uri, static_cast<size_t>(originLength)));
}

EMSCRIPTEN_KEEPALIVE int quorrin_stays_in_content_folder(const char* relativePath, int length) {
    return StaysInContentFolder(std::string(relativePath, static_cast<size_t>(length))) ? 1 : 0;
}

// The folder's index page, or an empty text when the spelling stands for no page.
EMSCRIPTEN_KEEPALIVE const char* quorrin_folder_index(const char* folderPath) {
    return Answer(FolderIndexPath(folderPath).value_or(""));
}

// The answer's plan as JSON: status, reason, headers, body, text, first, length.
// range is read only when hasRange; it is trimmed as the server trims it.
EMSCRIPTEN_KEEPALIVE const char* quorrin_plan_response(int found, const char* relativePath,
                                                       double fileSize, int hasRange,
                                                       const char* range, int isolation) {
    std::optional<std::string> value;
    if (hasRange) {
        value = std::string(range);
        TrimWhitespace(*value);
    }
    ResponsePlan plan =
        PlanResponse(found != 0, relativePath, static_cast<uint64_t>(fileSize), value);
    if (isolation)
        AddCrossOriginIsolation(plan);
    static const char* const kBodies[] = {"none", "text", "whole-file", "file-range"};
    const nlohmann::json answer = {
        {"status", plan.status},   {"reason", plan.reason},
        {"headers", plan.headers}, {"body", kBodies[static_cast<int>(plan.body)]},
        {"text", plan.text},       {"first", plan.first},
        {"length", plan.length}};
    return Answer(answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}
}
