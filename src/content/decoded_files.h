#pragma once
// Serves compressed files decoded, as "precompressed" asks: picks them by the
// portable rule, plans their answer from the decoded size, and hands the
// runtime a stream that decodes while it reads. Nothing is decoded on the UI
// thread: what an answer needs decoded first (the size a range needs, the
// first piece) is decoded on a worker.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <objidl.h>

#include "content/decoded_sizes.h"
#include "content/decoder_slots.h"
#include "content/response_plan.h"
#include "manifest/manifest.h"
#include "util/com/com_ptr.h"

struct DecodedAnswer {
    ResponsePlan plan;
    com_ptr<IStream> body; // null when the plan's own text (or nothing) is the body
};

// Files decoded at once, from planning an answer until its body ends.
inline constexpr size_t kDecodersAtOnce = 32;

class DecodedFiles {
public:
    explicit DecodedFiles(PrecompressedFiles policy) : policy_(policy) {}

    // Made on the UI thread once the worker is done; nothing when the answer is not wanted.
    using Made = std::function<DecodedAnswer()>;
    // Runs on a worker; stops early once `cancelled` turns true.
    using Decode = std::function<Made(std::shared_ptr<const std::atomic<bool>> cancelled)>;
    // Neither: the file is served as it is on disk.
    struct Plan {
        std::optional<DecodedAnswer> now; // nothing to decode first, or a refusal
        Decode later;
    };
    Plan Answer(const std::string& relativePath, const std::string& filePath,
                const std::optional<std::string>& range);

private:
    const PrecompressedFiles policy_;
    DecoderSlots slots_{kDecodersAtOnce};
    // Shared with the workers and the streams, which may outlive the server.
    const std::shared_ptr<DecodedSizes> sizes_ = std::make_shared<DecodedSizes>();
};
