#pragma once
// Serves compressed files decoded, as "precompressed" asks: picks them by the
// portable rule, plans their answer from the decoded size, and hands the
// runtime a stream that decodes while it reads.
#include <memory>
#include <optional>
#include <string>

#include <objidl.h>

#include "content/decoded_sizes.h"
#include "content/response_plan.h"
#include "manifest/manifest.h"
#include "util/com/com_ptr.h"

struct DecodedAnswer {
    ResponsePlan plan;
    com_ptr<IStream> body; // null when the plan's own text (or nothing) is the body
};

class DecodedFiles {
public:
    explicit DecodedFiles(PrecompressedFiles policy) : policy_(policy) {}

    // Nothing when the file is served as it is on disk.
    std::optional<DecodedAnswer> Answer(const std::string& relativePath,
                                        const std::string& filePath,
                                        const std::optional<std::string>& range);

private:
    const PrecompressedFiles policy_;
    // Shared with the streams, which may outlive the server.
    const std::shared_ptr<DecodedSizes> sizes_ = std::make_shared<DecodedSizes>();
};
