#include "content/content_server.h"

#include <shlwapi.h>

#include "content/request_path.h"
#include "content/response_plan.h"
#include "util/files.h"
#include "util/long_path.h"
#include "util/text.h"
#include "util/trim.h"

namespace {
// The trimmed "Range" value, when the request has that header.
std::optional<std::string> RangeHeader(ICoreWebView2HttpRequestHeaders* headers) {
    BOOL hasRange = FALSE;
    if (!headers || FAILED(headers->Contains(L"Range", &hasRange)) || !hasRange)
        return std::nullopt;
    CoTaskString value;
    headers->GetHeader(L"Range", value.put());
    std::string range = value ? WideToUtf8(value.get()) : std::string();
    TrimWhitespace(range);
    return range;
}

com_ptr<IStream> OpenFileStream(const std::string& filePath) {
    com_ptr<IStream> stream;
    SHCreateStreamOnFileEx(ToLongPath(Utf8ToWide(filePath)).c_str(), STGM_READ, 0, FALSE, nullptr,
                           stream.put());
    return stream;
}

com_ptr<IStream> MemoryStream(const void* bytes, uint64_t length) {
    return com_ptr<IStream>::attach(
        SHCreateMemStream(static_cast<const BYTE*>(bytes), static_cast<UINT>(length)));
}
} // namespace

ContentServer::ContentServer(std::string contentFolder, size_t originLength,
                             bool crossOriginIsolation,
                             const com_ptr<ICoreWebView2Environment>& environment)
    : contentFolder_(std::move(contentFolder)), originLength_(originLength),
      crossOriginIsolation_(crossOriginIsolation), environment_(environment) {}

void ContentServer::OnWebResourceRequested(ICoreWebView2WebResourceRequestedEventArgs* args) {
    com_ptr<ICoreWebView2WebResourceRequest> request;
    args->get_Request(request.put());
    if (!request)
        return;
    CoTaskString uri;
    request->get_Uri(uri.put());
    com_ptr<ICoreWebView2HttpRequestHeaders> headers;
    request->get_Headers(headers.put());

    const std::string relativePath =
        RelativePathFromUri(uri ? WideToUtf8(uri.get()) : std::string(), originLength_);
    const std::string filePath = ContentFilePath(contentFolder_, relativePath);
    // The long-path form resolves no "..", but Wine and Windows differ there, so
    // anything that could leave the folder is simply not found.
    const bool found =
        StaysInContentFolder(relativePath) &&
        GetFileAttributesW(ToLongPath(Utf8ToWide(filePath)).c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::optional<std::string> range = found ? RangeHeader(headers.get()) : std::nullopt;
    ResponsePlan plan =
        PlanResponse(found, relativePath, found ? FullFileSizeOf(filePath) : 0, range);
    if (crossOriginIsolation_)
        AddCrossOriginIsolation(plan);
    const com_ptr<IStream> body = BodyFor(plan, relativePath, filePath);

    com_ptr<ICoreWebView2WebResourceResponse> response;
    environment_->CreateWebResourceResponse(
        body.get(), plan.status, Utf8ToWide(plan.reason).c_str(),
        Utf8ToWide(JoinHeaderLines(plan.headers)).c_str(), response.put());
    args->put_Response(response.get());
}

// A range whose file cannot be mapped turns the plan into a 500; its headers stay.
com_ptr<IStream> ContentServer::BodyFor(ResponsePlan& plan, const std::string& relativePath,
                                        const std::string& filePath) {
    switch (plan.body) {
    case BodySource::None:
        return nullptr;
    case BodySource::Text:
        return MemoryStream(plan.text.data(), plan.text.size());
    case BodySource::WholeFile:
        return OpenFileStream(filePath);
    case BodySource::FileRange:
        if (const unsigned char* view = mappedFiles_.GetView(relativePath, filePath))
            return MemoryStream(view + plan.first, plan.length);
        plan.status = 500;
        plan.reason = "Internal Server Error";
        return nullptr;
    }
    return nullptr;
}
