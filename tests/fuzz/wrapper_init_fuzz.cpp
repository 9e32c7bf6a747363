// The "wrapper-init-response" text for any component ids: always JSON, always
// the two members, the ids in order (ill-formed UTF-8 written as U+FFFD).
#include <cstdint>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>
#include <nlohmann/json.hpp>

#include "bridge/page_message.h"
#include "fuzz_check.h"

namespace {
// The id as the JSON library writes it with replacement, read back.
std::string Replaced(const std::string& id) {
    const std::string quoted =
        nlohmann::json(id).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return nlohmann::json::parse(quoted).get<std::string>();
}

bool IsValidUtf8(const std::string& id) {
    try {
        (void)nlohmann::json(id).dump();
        return true;
    } catch (const nlohmann::json::type_error&) {
        return false;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<std::string> ids;
    while (input.remaining_bytes() > 0)
        ids.push_back(input.ConsumeRandomLengthString(64));

    const std::string text = WrapperInitResponse(ids);
    const nlohmann::json response = nlohmann::json::parse(text, nullptr, false);
    FUZZ_REQUIRE(response.is_object(), "the response is a JSON object");
    FUZZ_REQUIRE(response.size() == 2, "exactly two members");
    FUZZ_REQUIRE(response.value("type", "") == "wrapper-init-response", "its type");
    const auto listed = response.find("registeredComponentIds");
    FUZZ_REQUIRE(listed != response.end() && listed->is_array() && listed->size() == ids.size(),
                 "one entry per id");
    for (size_t i = 0; i < ids.size(); ++i)
        FUZZ_REQUIRE((*listed)[i].is_string() && (*listed)[i] == Replaced(ids[i]),
                     "the ids in their order");
    for (size_t i = 0; i < ids.size(); ++i)
        if (IsValidUtf8(ids[i]))
            FUZZ_REQUIRE((*listed)[i] == ids[i], "a well-formed id is written as it is");
    FUZZ_REQUIRE(text.rfind("{\"registeredComponentIds\":[", 0) == 0 && text.size() >= 33 &&
                     text.compare(text.size() - 33, 33, "],\"type\":\"wrapper-init-response\"}") ==
                         0,
                 "compact, members in ascending order");
    return 0;
}
