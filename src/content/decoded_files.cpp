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
// Decoded while the answer is planned: a file that does not even begin to
// decode is refused before anything is promised, and a small one is whole.
constexpr size_t kFirstPiece = 64 * 1024;

using SharedHandle = std::shared_ptr<ScopedHandle>;

SharedHandle OpenForReading(const std::string& filePath) {
    auto file = std::make_shared<ScopedHandle>(
        CreateFileW(ToLongPath(Utf8ToWide(filePath)).c_str(), GENERIC_READ, FILE_SHARE_READ,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return *file ? file : nullptr;
}

// The file read from its start, on whichever thread reads.
CompressedSource SourceFrom(const SharedHandle& file) {
    LARGE_INTEGER start{};
    SetFilePointerEx(file->get(), start, nullptr, FILE_BEGIN);
    return [file](uint8_t* buffer, size_t size) -> std::optional<size_t> {
        DWORD read = 0;
        if (!ReadFile(file->get(), buffer, static_cast<DWORD>(size), &read, nullptr))
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

// Size and last write: a file replaced on disk does not keep its old decoded size.
std::string StampOf(const SharedHandle& file) {
    BY_HANDLE_FILE_INFORMATION info{};
    GetFileInformationByHandle(file->get(), &info);
    return std::to_string(info.nFileSizeHigh) + ":" + std::to_string(info.nFileSizeLow) + ":" +
           std::to_string(info.ftLastWriteTime.dwHighDateTime) + ":" +
           std::to_string(info.ftLastWriteTime.dwLowDateTime);
}

DecodedAnswer CannotDecode(const std::string& relativePath) {
    LogPageCausedLine("the file " + relativePath +
                      " cannot be decoded: it is corrupt or truncated");
    return {UnreadableFileAnswer(), nullptr};
}
} // namespace

std::optional<DecodedAnswer> DecodedFiles::Answer(const std::string& relativePath,
                                                  const std::string& filePath,
                                                  const std::optional<std::string>& range) {
    SharedHandle file;
    const Decoding decoding = DecodingFor(relativePath, policy_, [&] {
        file = OpenForReading(filePath);
        return HeadOf(file);
    });
    if (decoding.coding == Coding::None)
        return std::nullopt;
    if (!file)
        file = OpenForReading(filePath);
    if (!file)
        return DecodedAnswer{UnreadableFileAnswer(), nullptr};

    const std::string stamp = StampOf(file);
    std::optional<uint64_t> size = sizes_->Find(relativePath, stamp);
    // A range needs the decoded size first: one pass that keeps nothing.
    if (range && !size) {
        size = DecodedSize(decoding.coding, SourceFrom(file));
        if (!size)
            return CannotDecode(relativePath);
        sizes_->Remember(relativePath, stamp, *size);
    }
    ResponsePlan plan = PlanDecodedResponse(decoding.servedPath, size, range);
    if (plan.body != BodySource::Decoded)
        return DecodedAnswer{std::move(plan), nullptr};

    auto reader = std::make_unique<DecodingReader>(decoding.coding, SourceFrom(file), plan.first,
                                                   plan.length);
    std::vector<uint8_t> firstPiece(kFirstPiece);
    firstPiece.resize(reader->Read(firstPiece.data(), firstPiece.size()));
    if (reader->state() == DecodingReader::State::Failed ||
        (reader->state() == DecodingReader::State::Ended && size &&
         firstPiece.size() != plan.length))
        return CannotDecode(relativePath);
    if (reader->state() == DecodingReader::State::Ended && !size) {
        size = firstPiece.size(); // the whole file fitted in the first piece
        sizes_->Remember(relativePath, stamp, *size);
        plan = PlanDecodedResponse(decoding.servedPath, size, range);
    }
    DecodingStreamParts parts{std::move(firstPiece), std::move(reader),
                              size ? std::optional<uint64_t>(plan.length) : std::nullopt,
                              relativePath, nullptr};
    if (!size)
        parts.decodedWhole = [sizes = sizes_, relativePath, stamp](uint64_t whole) {
            sizes->Remember(relativePath, stamp, whole);
        };
    return DecodedAnswer{std::move(plan), MakeDecodingStream(std::move(parts))};
}
