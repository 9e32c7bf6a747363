#pragma once
// The answer for a file served decoded: as for a plain file of the decoded size,
// typed by the name without its compression suffix. Portable.
#include <cstdint>
#include <optional>
#include <string>

#include "content/response_plan.h"

// decodedSize: known when the file has been decoded whole before (a range needs
// it); without it a whole answer states no length.
ResponsePlan PlanDecodedResponse(const std::string& servedPath,
                                 std::optional<uint64_t> decodedSize,
                                 const std::optional<std::string>& range);
