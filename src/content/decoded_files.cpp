#include "content/decoded_files.h"

#include <windows.h>

#include "content/decoded_plan.h"
#include "content/decoding_stream.h"
#include "content/precompressed_rule.h"
#include "util/log/author_log.h"
#include "util/text/long_path.h"
#include "util/scoped_handle.h"
#include "util/text/text.h"

namespace {
// Decoded before the answer is given: a file that does not even begin to
// decode is refused before anything is promised, and a small one is whole.
constexpr size_t kFirstPiece = 64 * 1024;

using SharedHandle = std::shared_ptr<ScopedHandle>;
using Cancelled = std::shared_ptr<const std::atomic<bool>>;

SharedHandle OpenForReading(const std::string& filePath) {
    auto file = std::make_shared<ScopedHandle>(
        CreateFileW(ToLongPath(Utf8ToWide(filePath)).c_str(), GENERIC_READ, FILE_SHARE_READ,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return *file ? file : nullptr;
}

// The file read from its start, on whichever thread reads; a read fails once
// the answer is no longer wanted.
CompressedSource SourceFrom(const SharedHandle& file, Cancelled cancelled) {
    LARGE_INTEGER start{};
    SetFilePointerEx(file->get(), start, nullptr, FILE_BEGIN);
    return [file, cancelled](uint8_t* buffer, size_t size) -> std::optional<size_t> {
        DWORD read = 0;
        if (*cancelled ||
            !ReadFile(file->get(), buffer, static_cast<DWORD>(size), &read, nullptr))
            return std::nullopt;
        return read;
    };
}

std::string HeadOf(const SharedHandle& file) {
    std::string head(kDecodingHeadBytes, '\0');
    DWORD read = 0;
    if (!file || !ReadFile(file->get(), head.data(), static_cast<DWORD>(head.size()), &read,
                           nullptr))
        read = 0;
    head.resize(read);
    return head;
}

// The file itself, whatever spelling of its path asked for it, and its size and
// last write, so that a file replaced on disk does not keep its old decoded size.
std::optional<FileIdentity> IdentityOf(const SharedHandle& file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file->get(), &info))
        return std::nullopt;
    const auto join = [](DWORD high, DWORD low) { return (uint64_t{high} << 32) | low; };
    return FileIdentity{info.dwVolumeSerialNumber, join(info.nFileIndexHigh, info.nFileIndexLow),
                        join(info.nFileSizeHigh, info.nFileSizeLow),
                        join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)};
}

DecodedAnswer CannotDecode(const std::string& relativePath) {
    LogPageCausedLine("the file " + relativePath +
                      " cannot be decoded: it is corrupt or truncated");
    return {UnreadableFileAnswer(), nullptr};
}

DecodedFiles::Plan Now(ResponsePlan plan) {
    return {DecodedAnswer{std::move(plan), nullptr}, nullptr};
}

DecodedFiles::Made Ready(DecodedAnswer answer) {
    return [answer] { return answer; };
}

// What a worker needs to decode for one answer; its slot goes with the stream.
struct DecodingWork {
    Decoding decoding;
    std::string name;
    std::optional<std::string> range;
    FileIdentity identity;
    SharedHandle file;
    DecoderSlot slot;
    std::shared_ptr<DecodedSizes> sizes;
};

// A range needs the decoded size first: one pass that keeps nothing and stops
// past the largest file served, since a larger one is refused all the same.
std::optional<uint64_t> SizeForRange(DecodingWork& work, const Cancelled& cancelled) {
    std::optional<uint64_t> size = work.sizes->Find(work.identity);
    if (size)
        return size;
    size = DecodedSize(work.decoding.coding, SourceFrom(work.file, cancelled),
                       kLargestServedFile + 1);
    if (size)
        work.sizes->Remember(work.identity, *size);
    return size;
}

DecodedFiles::Made DecodeOnWorker(DecodingWork work, const Cancelled& cancelled) {
    std::optional<uint64_t> size =
        work.range ? SizeForRange(work, cancelled) : work.sizes->Find(work.identity);
    if (*cancelled)
        return nullptr;
    if (work.range && !size)
        return Ready(CannotDecode(work.name));
    ResponsePlan plan = PlanDecodedResponse(work.decoding.servedPath, size, work.range);
    if (plan.body != BodySource::Decoded)
        return Ready({std::move(plan), nullptr});

    auto reader = std::make_unique<DecodingReader>(
        work.decoding.coding, SourceFrom(work.file, cancelled), plan.first, plan.length);
    std::vector<uint8_t> firstPiece(kFirstPiece);
    firstPiece.resize(reader->Read(firstPiece.data(), firstPiece.size()));
    if (*cancelled)
        return nullptr;
    if (reader->state() == DecodingReader::State::Failed ||
        (reader->state() == DecodingReader::State::Ended && size &&
         firstPiece.size() != plan.length))
        return Ready(CannotDecode(work.name));
    if (reader->state() == DecodingReader::State::Ended && !size) {
        size = firstPiece.size(); // the whole file fitted in the first piece
        work.sizes->Remember(work.identity, *size);
        plan = PlanDecodedResponse(work.decoding.servedPath, size, work.range);
    }
    auto parts = std::make_shared<DecodingStreamParts>(DecodingStreamParts{
        std::move(firstPiece), std::move(reader),
        size ? std::optional<uint64_t>(plan.length) : std::nullopt, work.name, nullptr,
        std::move(work.slot)});
    if (!size)
        parts->decodedWhole = [sizes = work.sizes, identity = work.identity](uint64_t whole) {
            sizes->Remember(identity, whole);
        };
    // The stream is made on the UI thread, as every object handed to the runtime.
    return [parts, plan] { return DecodedAnswer{plan, MakeDecodingStream(std::move(*parts))}; };
}
} // namespace

DecodedFiles::Plan DecodedFiles::Answer(const std::string& relativePath,
                                        const std::string& filePath,
                                        const std::optional<std::string>& range) {
    SharedHandle file;
    const Decoding decoding = DecodingFor(relativePath, policy_, [&] {
        file = OpenForReading(filePath);
        return HeadOf(file);
    });
    if (decoding.coding == Coding::None)
        return {};
    if (!file)
        file = OpenForReading(filePath);
    const std::optional<FileIdentity> identity = file ? IdentityOf(file) : std::nullopt;
    if (!identity)
        return Now(UnreadableFileAnswer());

    // Known sizes answer at once what needs no decoded bytes (a range past the end).
    const std::optional<uint64_t> size = sizes_->Find(*identity);
    if (size || !range) {
        ResponsePlan plan = PlanDecodedResponse(decoding.servedPath, size, range);
        if (plan.body != BodySource::Decoded)
            return Now(std::move(plan));
    }
    DecoderSlots::Taken taken = slots_.Take();
    if (!taken.slot) {
        if (taken.firstRefusal)
            LogPageCausedLine("more than " + std::to_string(kDecodersAtOnce) +
                              " files are being decoded at once: requests for compressed files "
                              "are answered 503 until some end");
        return Now(BusyAnswer());
    }
    auto work = std::make_shared<DecodingWork>(DecodingWork{
        decoding, relativePath, range, *identity, std::move(file), std::move(taken.slot), sizes_});
    return {std::nullopt, [work](Cancelled cancelled) {
                return DecodeOnWorker(std::move(*work), cancelled);
            }};
}
