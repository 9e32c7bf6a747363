#include "support/fake_webview2.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include <gtest/gtest.h>

#include "util/text/text.h"

HRESULT ReportUnimplemented(const char*, const char*) {
    return E_NOTIMPL;
}

namespace {
std::vector<const FakeReferences*>& LiveFakes() {
    static std::vector<const FakeReferences*> live;
    return live;
}
} // namespace

FakeReferences::FakeReferences(const char* kind) : kind_(kind) {
    LiveFakes().push_back(this);
}

FakeReferences::~FakeReferences() {
    EXPECT_EQ(held(), 0u) << "references to a fake " << kind_ << " never released";
    std::erase(LiveFakes(), this);
}

ULONG FakeReferences::Drop() {
    EXPECT_GT(count_, 1u) << "a fake " << kind_
                          << " released more often than its references were taken";
    if (count_ > 1)
        --count_;
    return count_;
}

void ExpectEveryFakeReferenceReleased() {
    for (const FakeReferences* fake : LiveFakes())
        EXPECT_EQ(fake->held(), 0u) << "references to a fake " << fake->kind() << " still held";
}

LPWSTR CoTaskCopy(const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    memcpy(copy, text.c_str(), bytes);
    return copy;
}

HRESULT FakeHeaders::Contains(LPCWSTR name, BOOL* contains) {
    *contains = range && _wcsicmp(name, L"Range") == 0;
    return S_OK;
}

HRESULT FakeHeaders::GetHeader(LPCWSTR name, LPWSTR* value) {
    *value = nullptr;
    if (!range || _wcsicmp(name, L"Range") != 0)
        return E_INVALIDARG;
    *value = CoTaskCopy(*range);
    return S_OK;
}

HRESULT FakeRequest::get_Uri(LPWSTR* value) {
    *value = CoTaskCopy(uri);
    return S_OK;
}

HRESULT FakeRequest::get_Headers(ICoreWebView2HttpRequestHeaders** value) {
    headers.AddRef();
    *value = &headers;
    return S_OK;
}

namespace {
std::string ReadStream(IStream* stream) {
    std::string bytes;
    char buffer[4096];
    ULONG read = 0;
    while (SUCCEEDED(stream->Read(buffer, sizeof(buffer), &read)) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}
} // namespace

HRESULT FakeEnvironment::CreateWebResourceResponse(IStream* content, int status, LPCWSTR reason,
                                                   LPCWSTR headers,
                                                   ICoreWebView2WebResourceResponse** response) {
    if (FAILED(refusal))
        return refusal;
    FakeResponse& made = responses.emplace_back();
    made.status = status;
    made.reason = WideToUtf8(reason);
    made.headers = WideToUtf8(headers);
    if (content)
        made.body = ReadStream(content);
    made.AddRef();
    *response = &made;
    return S_OK;
}

HRESULT FakeResourceRequestedArgs::get_Request(ICoreWebView2WebResourceRequest** value) {
    *value = nullptr;
    if (!hasRequest)
        return E_FAIL;
    request.AddRef();
    *value = &request;
    return S_OK;
}

FakeResourceRequestedArgs::~FakeResourceRequestedArgs() {
    if (response)
        response->Release();
}

HRESULT FakeResourceRequestedArgs::put_Response(ICoreWebView2WebResourceResponse* value) {
    if (value)
        value->AddRef();
    if (response)
        response->Release();
    response = value;
    return S_OK;
}

HRESULT FakeWebMessageArgs::get_Source(LPWSTR* value) {
    *value = CoTaskCopy(source);
    return S_OK;
}

HRESULT FakeWebMessageArgs::TryGetWebMessageAsString(LPWSTR* value) {
    *value = nullptr;
    if (!text)
        return E_INVALIDARG;
    *value = CoTaskCopy(*text);
    return S_OK;
}

HRESULT RecordingWebView::PostWebMessageAsJson(LPCWSTR json) {
    posts.push_back(WideToUtf8(json));
    return S_OK;
}

HRESULT RecordingWebView::get_Source(LPWSTR* value) {
    *value = CoTaskCopy(source);
    return S_OK;
}

namespace {
constexpr int64_t kMessageToken = 7;
}

HRESULT
RecordingWebView::add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                                         EventRegistrationToken* token) {
    messageHandler = com_ptr<ICoreWebView2WebMessageReceivedEventHandler>::copy_from(handler);
    token->value = kMessageToken;
    return S_OK;
}

HRESULT RecordingWebView::remove_WebMessageReceived(EventRegistrationToken token) {
    if (token.value == kMessageToken)
        messageHandler.reset();
    return S_OK;
}
