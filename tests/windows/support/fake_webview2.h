#pragma once
// Recording stand-ins for the few runtime objects that the content server and
// the message bridge touch, so that each can be tested without a browser. They
// live on the test's stack and never delete: each holds one reference of its
// own, and ends as it began, or the test fails (a reference taken and never
// released, or released twice).
#include <cstdint>
#include <optional>
#include <deque>
#include <string>
#include <typeinfo>
#include <vector>

#include <WebView2.h>

// Every other method fails with E_NOTIMPL (the stand-in runtime's defaults).
#include "unimplemented.h"
#include "util/com/com_ptr.h"
#include "util/com/webview2_iids.h"

// Every fake's reference count, so that a fixture can check them all before
// its own references go.
class FakeReferences {
public:
    FakeReferences(const char* kind);
    FakeReferences(const FakeReferences&) = delete;
    FakeReferences& operator=(const FakeReferences&) = delete;
    // Adds a test failure when references taken are still held.
    ~FakeReferences();

    ULONG Take() { return ++count_; }
    ULONG Drop();
    ULONG held() const { return count_ - 1; }
    const char* kind() const { return kind_; }

private:
    const char* const kind_;
    ULONG count_ = 1; // the fake's own
};

// Adds a test failure for each live fake with references still held.
void ExpectEveryFakeReferenceReleased();

template <typename Interface, typename Defaults> class Fake : public Defaults {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IidOf<IUnknown>() || iid == IidOf<Interface>()) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references.Take(); }
    ULONG STDMETHODCALLTYPE Release() override { return references.Drop(); }

    FakeReferences references{typeid(Interface).name()};
};

// A copy for the caller, as the runtime hands out strings.
LPWSTR CoTaskCopy(const std::wstring& text);

struct FakeHeaders final
    : Fake<ICoreWebView2HttpRequestHeaders, ICoreWebView2HttpRequestHeadersDefaults> {
    std::optional<std::wstring> range;
    HRESULT STDMETHODCALLTYPE Contains(LPCWSTR name, BOOL* contains) override;
    HRESULT STDMETHODCALLTYPE GetHeader(LPCWSTR name, LPWSTR* value) override;
};

struct FakeRequest final
    : Fake<ICoreWebView2WebResourceRequest, ICoreWebView2WebResourceRequestDefaults> {
    std::wstring uri;
    FakeHeaders headers;
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpRequestHeaders** value) override;
};

struct FakeResponse final
    : Fake<ICoreWebView2WebResourceResponse, ICoreWebView2WebResourceResponseDefaults> {
    int status = 0;
    std::string reason;
    std::string headers;
    std::optional<std::string> body; // nothing without a stream
};

// Makes responses the test can read back.
struct FakeEnvironment final : Fake<ICoreWebView2Environment, ICoreWebView2Environment14Defaults> {
    std::deque<FakeResponse> responses; // a deque keeps earlier ones in place
    HRESULT refusal = S_OK;             // a failure: no response is made
    HRESULT STDMETHODCALLTYPE
    CreateWebResourceResponse(IStream* content, int status, LPCWSTR reason, LPCWSTR headers,
                              ICoreWebView2WebResourceResponse** response) override;
};

struct FakeResourceRequestedArgs final : Fake<ICoreWebView2WebResourceRequestedEventArgs,
                                              ICoreWebView2WebResourceRequestedEventArgs2Defaults> {
    FakeRequest request;
    bool hasRequest = true;
    ICoreWebView2WebResourceResponse* response = nullptr; // one reference held, as the runtime does
    ~FakeResourceRequestedArgs();
    HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** value) override;
    HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* value) override;
};

struct FakeWebMessageArgs final : Fake<ICoreWebView2WebMessageReceivedEventArgs,
                                       ICoreWebView2WebMessageReceivedEventArgsDefaults> {
    std::wstring source;
    std::optional<std::wstring> text; // nothing: the page posted an object
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* value) override;
};

// Records what the host posts to the page, and who listens to it.
struct RecordingWebView final : Fake<ICoreWebView2, ICoreWebView2_23Defaults> {
    std::vector<std::string> posts;
    std::wstring source = L"https://app.localhost/index.html";           // the top-level document
    com_ptr<ICoreWebView2WebMessageReceivedEventHandler> messageHandler; // one at a time
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR json) override;
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE
    add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken token) override;
};
