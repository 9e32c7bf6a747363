#include "content/content_server.h"

#include <shlwapi.h>

#include "content/agile_stream.h"
#include "content/final_path.h"
#include "content/request_path.h"
#include "content/response_plan.h"
#include "content/slice_stream.h"
#include "util/com/co_task_text.h"
#include "util/log/author_log.h"
#include "util/text/long_path.h"
#include "util/text/text.h"
#include "util/text/trim.h"
#include "util/text/unicode_forms.h"

namespace {
// The trimmed "Range" value, when the request has that header.
std::optional<std::string> RangeHeader(ICoreWebView2HttpRequestHeaders* headers) {
    BOOL hasRange = FALSE;
    if (!headers || FAILED(headers->Contains(L"Range", &hasRange)) || !hasRange)
        return std::nullopt;
    CoTaskString value;
    LogIfFailed("GetHeader", headers->GetHeader(L"Range", value.put()));
    std::string range = Utf8Of(value);
    TrimWhitespace(range);
    return range;
}

// The shell's streams are not agile: the runtime reads them through an agile wrapper.
com_ptr<IStream> OpenFileStream(const std::string& filePath) {
    com_ptr<IStream> stream;
    SHCreateStreamOnFileEx(ToLongPath(Utf8ToWide(filePath)).c_str(), STGM_READ, 0, FALSE, nullptr,
                           stream.put());
    return MakeAgileStream(std::move(stream));
}

com_ptr<IStream> MemoryStream(const std::string& text) {
    return MakeAgileStream(com_ptr<IStream>::attach(SHCreateMemStream(
        reinterpret_cast<const BYTE*>(text.data()), static_cast<UINT>(text.size()))));
}

uint64_t FileTimeValue(const FILETIME& time) {
    return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

// What lies at the path, asked once for its kind, size and stamp.
enum class PathKind { Missing, File, Folder };
PathKind KindOf(const std::string& filePath, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(ToLongPath(Utf8ToWide(filePath)).c_str(), GetFileExInfoStandard,
                              &data))
        return PathKind::Missing;
    stamp = {data.dwFileAttributes, FileTimeValue(data.ftCreationTime),
             FileTimeValue(data.ftLastWriteTime),
             (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow};
    return data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::Folder : PathKind::File;
}

// Without a response the request would go to the network: nothing more can be
// done than say so in the log.
void SetResponse(ICoreWebView2Environment* environment,
                 ICoreWebView2WebResourceRequestedEventArgs* args, ResponsePlan plan,
                 com_ptr<IStream> body, bool crossOriginIsolation) {
    if (!body && plan.body == BodySource::Text)
        body = MemoryStream(plan.text);
    if (crossOriginIsolation)
        AddCrossOriginIsolation(plan);
    com_ptr<ICoreWebView2WebResourceResponse> response;
    const HRESULT created = environment->CreateWebResourceResponse(
        body.get(), plan.status, Utf8ToWide(plan.reason).c_str(),
        Utf8ToWide(JoinHeaderLines(plan.headers)).c_str(), response.put());
    LogIfFailed("CreateWebResourceResponse", created);
    if (SUCCEEDED(created) && response)
        LogIfFailed("put_Response", args->put_Response(response.get()));
}
} // namespace

// A folder stands for its index page when it is asked for as a folder ("", "sub/");
// otherwise, and when it has no index page, nothing is found.
ContentServer::Target ContentServer::Resolve(const std::string& relativePath) {
    Target target{relativePath, ContentFilePath(contentFolder_, relativePath), false, 0};
    // The long-path form resolves no "..", but Wine and Windows differ there, so
    // anything that could leave the folder is simply not found.
    if (!StaysInContentFolder(relativePath))
        return target;
    if (!LookUp(target)) {
        if (!target.found)
            FindInOtherUnicodeForm(target);
        return target;
    }
    if (const std::optional<std::string> index = FolderIndexPath(relativePath)) {
        target.relativePath = *index;
        target.filePath = ContentFilePath(contentFolder_, *index);
        LookUp(target);
    }
    return target;
}

// A name that names nothing, tried in its other Unicode forms with every check
// it had itself: a package built on a Mac keeps decomposed names, and a page
// asks in the composed form. Only then, so a name that is found costs nothing.
void ContentServer::FindInOtherUnicodeForm(Target& target) {
    for (const std::string& form : OtherUnicodeForms(target.relativePath)) {
        Target other{form, ContentFilePath(contentFolder_, form), false, 0};
        if (!StaysInContentFolder(form) || LookUp(other) || !other.found)
            continue;
        if (namesInOtherForms_.insert(target.relativePath).second)
            LogPageCausedLine("the file " + target.relativePath +
                              " was found under its name in another Unicode form: " +
                              "rename it in www as pages ask for it");
        target = std::move(other);
        return;
    }
}

// True for a folder.
bool ContentServer::LookUp(Target& target) {
    FileStamp stamp;
    const PathKind kind = KindOf(target.filePath, stamp);
    target.size = stamp.size;
    target.found = kind == PathKind::File && StaysInsideAfterLinks(target.filePath, stamp);
    return kind == PathKind::Folder;
}

// A link or junction inside the folder must not serve what lies outside it.
// Resolving a final path opens the file: a file that passed is not checked
// again while its stamp stays the same.
bool ContentServer::StaysInsideAfterLinks(const std::string& filePath, const FileStamp& stamp) {
    return checkedFiles_.StaysInside(filePath, stamp, [&] {
        if (finalContentFolder_.empty()) // it was not there at start
            finalContentFolder_ = FinalPathOf(contentFolder_);
        return IsInsideFolder(FinalPathOf(filePath), finalContentFolder_);
    });
}

ContentServer::ContentServer(std::string contentFolder, size_t originLength,
                             bool crossOriginIsolation, HWND answerWindow,
                             PrecompressedFiles precompressed)
    : contentFolder_(std::move(contentFolder)), originLength_(originLength),
      crossOriginIsolation_(crossOriginIsolation), decodedFiles_(precompressed),
      finalContentFolder_(FinalPathOf(contentFolder_)), workerAnswers_(answerWindow) {}

void ContentServer::OnWebResourceRequested(ICoreWebView2Environment* environment,
                                           ICoreWebView2WebResourceRequestedEventArgs* args) {
    com_ptr<ICoreWebView2WebResourceRequest> request;
    LogIfFailed("get_Request", args->get_Request(request.put()));
    if (!request || !environment)
        return;
    CoTaskString uri;
    LogIfFailed("get_Uri", request->get_Uri(uri.put()));
    com_ptr<ICoreWebView2HttpRequestHeaders> headers;
    LogIfFailed("get_Headers", request->get_Headers(headers.put()));

    const Target target =
        Resolve(RelativePathFromUri(Utf8Of(uri), originLength_));
    const std::optional<std::string> range =
        target.found ? RangeHeader(headers.get()) : std::nullopt;
    DecodedFiles::Plan decoded =
        target.found ? decodedFiles_.Answer(target.relativePath, target.filePath, range)
                     : DecodedFiles::Plan{};
    if (decoded.later) {
        if (DecodeLater(environment, args, std::move(decoded.later)))
            return;
        decoded.now = DecodedAnswer{UnreadableFileAnswer(), nullptr};
    }
    ResponsePlan plan =
        decoded.now ? std::move(decoded.now->plan)
                    : PlanResponse(target.found, target.relativePath,
                                   target.found ? target.size : 0, range);
    com_ptr<IStream> body =
        decoded.now && decoded.now->body ? decoded.now->body : BodyFor(plan, target);
    SetResponse(environment, args, std::move(plan), std::move(body), crossOriginIsolation_);
}

// The answer is set once a worker has decoded what it needs; false when the
// request cannot wait.
bool ContentServer::DecodeLater(ICoreWebView2Environment* environment,
                                ICoreWebView2WebResourceRequestedEventArgs* args,
                                DecodedFiles::Decode decode) {
    const bool isolation = crossOriginIsolation_;
    return workerAnswers_.Defer(
        environment, args,
        [decode = std::move(decode), isolation](WorkerAnswers::Cancelled cancelled) {
            DecodedFiles::Made made = decode(std::move(cancelled));
            if (!made)
                return WorkerAnswers::Answer();
            return WorkerAnswers::Answer(
                [made = std::move(made), isolation](ICoreWebView2Environment* environment,
                                                    ICoreWebView2WebResourceRequestedEventArgs* args) {
                    DecodedAnswer answer = made();
                    SetResponse(environment, args, std::move(answer.plan), std::move(answer.body),
                                isolation);
                });
        });
}

// A file that cannot be opened or mapped after all (it vanished, changed or is
// held by another program) turns the plan into an answer that says so.
com_ptr<IStream> ContentServer::BodyFor(ResponsePlan& plan, const Target& target) {
    com_ptr<IStream> body;
    switch (plan.body) {
    case BodySource::None:
        return nullptr;
    case BodySource::Text:
        return MemoryStream(plan.text);
    case BodySource::WholeFile:
        body = OpenFileStream(target.filePath);
        break;
    case BodySource::FileRange:
        body = MakeSliceStream(mappedFiles_.GetView(target.relativePath, target.filePath),
                               plan.first, plan.length);
        break;
    case BodySource::Decoded: // comes with its stream
        break;
    }
    if (!body) {
        plan = UnreadableFileAnswer();
        body = MemoryStream(plan.text);
    }
    return body;
}
