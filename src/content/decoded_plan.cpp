#include "content/decoded_plan.h"

#include <algorithm>

ResponsePlan PlanDecodedResponse(const std::string& servedPath,
                                 std::optional<uint64_t> decodedSize,
                                 const std::optional<std::string>& range) {
    ResponsePlan plan = PlanResponse(true, servedPath, decodedSize.value_or(0),
                                     decodedSize ? range : std::nullopt);
    if (plan.body != BodySource::WholeFile && plan.body != BodySource::FileRange)
        return plan;
    if (plan.body == BodySource::WholeFile)
        plan.length = decodedSize.value_or(UINT64_MAX);
    plan.body = BodySource::Decoded;
    if (!decodedSize)
        std::erase_if(plan.headers,
                      [](const std::string& line) { return line.starts_with("Content-Length:"); });
    return plan;
}
