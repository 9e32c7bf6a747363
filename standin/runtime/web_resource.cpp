// Resource requests as the agent describes them, and the host's responses as the
// agent receives them (status, reason, header block, body in base64).
#include <utility>
#include <vector>

#include "agent_fields.h"
#include "body_streams.h"
#include "objects.h"

namespace {
// Reads the stream to its end in chunks, keeping nothing: the body's length.
uint64_t CountStream(IStream* stream) {
    uint64_t total = 0;
    char buffer[65536];
    for (ULONG read = 0;
         stream && SUCCEEDED(stream->Read(buffer, sizeof(buffer), &read)) && read > 0;)
        total += read;
    return total;
}

std::string ReadWholeStream(IStream* stream) {
    std::string bytes;
    if (!stream)
        return bytes;
    char buffer[65536];
    for (;;) {
        ULONG read = 0;
        HRESULT result = stream->Read(buffer, sizeof(buffer), &read);
        bytes.append(buffer, read);
        if (FAILED(result) || read == 0)
            break;
    }
    return bytes;
}

using HeaderList = std::vector<std::pair<std::wstring, std::wstring>>;

bool SameName(const std::wstring& a, LPCWSTR b) {
    return b && _wcsicmp(a.c_str(), b) == 0;
}

class HeaderIterator final
    : public StandinObject<ICoreWebView2HttpHeadersCollectionIteratorDefaults> {
public:
    explicit HeaderIterator(HeaderList headers)
        : StandinObject("ICoreWebView2HttpHeadersCollectionIterator"),
          headers_(std::move(headers)) {}
    HRESULT STDMETHODCALLTYPE GetCurrentHeader(LPWSTR* name, LPWSTR* value) override {
        if (at_ >= headers_.size())
            return HRESULT_FROM_WIN32(ERROR_INVALID_INDEX);
        CopyString(headers_[at_].first, name);
        return CopyString(headers_[at_].second, value);
    }
    HRESULT STDMETHODCALLTYPE get_HasCurrentHeader(BOOL* value) override {
        return CopyValue(at_ < headers_.size(), value);
    }
    HRESULT STDMETHODCALLTYPE MoveNext(BOOL* hasNext) override {
        if (at_ < headers_.size())
            ++at_;
        if (hasNext)
            *hasNext = at_ < headers_.size();
        return S_OK;
    }

protected:
    bool Offers(REFIID iid) const override {
        return iid == IidOf<ICoreWebView2HttpHeadersCollectionIterator>();
    }

private:
    HeaderList headers_;
    size_t at_ = 0;
};

class RequestHeaders final : public StandinObject<ICoreWebView2HttpRequestHeadersDefaults> {
public:
    explicit RequestHeaders(HeaderList headers)
        : StandinObject("ICoreWebView2HttpRequestHeaders"), headers_(std::move(headers)) {}
    HRESULT STDMETHODCALLTYPE GetHeader(LPCWSTR name, LPWSTR* value) override {
        STANDIN_REPORT_CALL(*this, kind(), "GetHeader", {ToJson(name)});
        for (const auto& [headerName, headerValue] : headers_)
            if (SameName(headerName, name))
                return CopyString(headerValue, value);
        if (value)
            *value = nullptr;
        return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    }
    HRESULT STDMETHODCALLTYPE Contains(LPCWSTR name, BOOL* value) override {
        STANDIN_REPORT_CALL(*this, kind(), "Contains", {ToJson(name)});
        if (!value)
            return E_POINTER;
        *value = FALSE;
        for (const auto& header : headers_)
            *value = *value || SameName(header.first, name);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    GetIterator(ICoreWebView2HttpHeadersCollectionIterator** value) override {
        return Ref<HeaderIterator>(new HeaderIterator(headers_)).CopyTo(value);
    }

protected:
    bool Offers(REFIID iid) const override {
        return iid == IidOf<ICoreWebView2HttpRequestHeaders>();
    }

private:
    HeaderList headers_;
};

class Request final : public StandinObject<ICoreWebView2WebResourceRequestDefaults> {
public:
    Request(const Json& args) : StandinObject("ICoreWebView2WebResourceRequest") {
        uri_ = ToWide(RequiredString(args, "uri"));
        method_ = ToWide(StringField(args, "method", "GET"));
        HeaderList headers;
        const Json given = ObjectField(args, "headers");
        for (const auto& [name, value] : given.items()) {
            if (!value.is_string())
                throw AgentMessageError("header " + Quoted(name) + " must be a string, not " +
                                        value.type_name());
            headers.emplace_back(ToWide(name), ToWide(value.get<std::string>()));
        }
        headers_ = Ref<RequestHeaders>(new RequestHeaders(std::move(headers)));
    }
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* value) override {
        STANDIN_REPORT_CALL(*this, kind(), "get_Uri", Json::array());
        return CopyString(uri_, value);
    }
    HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* value) override {
        STANDIN_REPORT_CALL(*this, kind(), "get_Method", Json::array());
        return CopyString(method_, value);
    }
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpRequestHeaders** value) override {
        STANDIN_REPORT_CALL(*this, kind(), "get_Headers", Json::array());
        return headers_.CopyTo(value);
    }

protected:
    bool Offers(REFIID iid) const override {
        return iid == IidOf<ICoreWebView2WebResourceRequest>();
    }

private:
    std::wstring uri_;
    std::wstring method_;
    Ref<RequestHeaders> headers_;
};

class Response final : public StandinObject<ICoreWebView2WebResourceResponseDefaults> {
public:
    Response(IStream* content, int status, LPCWSTR reason, LPCWSTR headers)
        : StandinObject("ICoreWebView2WebResourceResponse"), content_(content), status_(status),
          reason_(reason ? reason : L""), headers_(headers ? headers : L"") {
        if (content_)
            content_->AddRef();
    }
    ~Response() override {
        if (content_)
            content_->Release();
    }
    // body: "read" (base64 of every byte), "count" (only its length), "skip", or
    // "stream" (a body stream the agent reads as its engine does).
    Json Describe(const std::string& body) const {
        Json description = {{"status", status_},
                            {"reason", ToUtf8(reason_.c_str())},
                            {"headers", ToUtf8(headers_.c_str())},
                            {"hasBody", content_ != nullptr}};
        // The runtime fails a request whose stream it cannot read from its own thread.
        if (content_ && body != "skip" && !IsAgileStream(content_)) {
            description["error"] = "the response stream is not agile";
            return description;
        }
        if (body == "read") {
            std::string bytes;
            OnReaderThread([&] { bytes = ReadWholeStream(content_); });
            description["body"] = Base64(bytes.data(), bytes.size());
        } else if (body == "stream" && content_) {
            description["stream"] = KeepBodyStream(content_);
        }
        if (body == "count")
            OnReaderThread([&] { description["bodyLength"] = CountStream(content_); });
        return description;
    }
    HRESULT STDMETHODCALLTYPE get_StatusCode(int* value) override {
        return CopyValue(status_, value);
    }
    HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* value) override {
        return CopyString(reason_, value);
    }

protected:
    bool Offers(REFIID iid) const override {
        return iid == IidOf<ICoreWebView2WebResourceResponse>();
    }

private:
    IStream* content_; // the host's stream, one reference
    int status_;
    std::wstring reason_;
    std::wstring headers_;
};

class Deferral;

class WebResourceRequestedArgs final
    : public StandinObject<ICoreWebView2WebResourceRequestedEventArgs2Defaults> {
public:
    explicit WebResourceRequestedArgs(const Json& args)
        : StandinObject("ICoreWebView2WebResourceRequestedEventArgs"), request_(new Request(args)),
          context_(RequestContext(args)), sourceKind_(RequestSourceKind(args)) {}
    ~WebResourceRequestedArgs() override { ReleaseQuietly(response_); }

    ICoreWebView2WebResourceResponse* response() const { return response_; }
    Deferral* deferral() const { return deferral_; }
    void ForgetDeferral() { deferral_ = nullptr; }
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** value) override;
    HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** value) override {
        STANDIN_REPORT_CALL(*this, kind(), "get_Request", Json::array());
        return request_.CopyTo(value);
    }
    HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* value) override {
        STANDIN_ON_CREATING_THREAD("put_Response");
        STANDIN_REPORT_CALL(*this, kind(), "put_Response", {value != nullptr});
        RetainQuietly(value);
        ReleaseQuietly(std::exchange(response_, value));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** value) override {
        if (!value)
            return E_POINTER;
        *value = response_;
        if (response_)
            response_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* value) override {
        return CopyValue(context_, value);
    }
    HRESULT STDMETHODCALLTYPE
    get_RequestedSourceKind(COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS* value) override {
        ReportCall(*this, "ICoreWebView2WebResourceRequestedEventArgs2", "get_RequestedSourceKind",
                   Json::array());
        return CopyValue(static_cast<COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS>(sourceKind_),
                         value);
    }

protected:
    bool Offers(REFIID iid) const override {
        return iid == IidOf<ICoreWebView2WebResourceRequestedEventArgs>() ||
               (iid == IidOf<ICoreWebView2WebResourceRequestedEventArgs2>() &&
                OffersWorkerFilters());
    }

private:
    Ref<Request> request_;
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT context_;
    uint32_t sourceKind_;
    ICoreWebView2WebResourceResponse* response_ = nullptr;
    Deferral* deferral_ = nullptr; // while the host holds it; it holds these args
};

// A request the host answers later: the runtime reads the response only once the
// host completes the deferral (on the UI thread, once), then answers the agent.
class Deferral final : public StandinObject<ICoreWebView2DeferralDefaults> {
public:
    explicit Deferral(WebResourceRequestedArgs* args)
        : StandinObject("ICoreWebView2Deferral"), args_(args) {}
    ~Deferral() override {
        args_->ForgetDeferral();
        if (completed_)
            return;
        // The request would hang in the runtime: the host must always complete it.
        ReportViolation("deferral-not-completed",
                        "the host released a request's deferral without completing it");
        if (reply_)
            reply_(std::exchange(result_, Json::object()));
    }
    bool completed() const { return completed_; }
    // Outside the handler: the agent's answer waits for Complete.
    void AnswerLater(Json result, std::string body, std::function<void(Json)> reply) {
        result_ = std::move(result);
        result_["deferred"] = true;
        result_["filtered"] = true;
        result_["response"] = nullptr;
        body_ = std::move(body);
        reply_ = std::move(reply);
    }
    HRESULT STDMETHODCALLTYPE Complete() override {
        STANDIN_ON_CREATING_THREAD("Complete");
        STANDIN_REPORT_CALL(*this, kind(), "Complete", Json::array());
        if (completed_) {
            ReportViolation("deferral-completed-twice", "the host completed a deferral twice");
            return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
        }
        completed_ = true;
        if (!reply_)
            return S_OK; // inside the handler: read as the handler returns
        // Read after Complete returns, as the runtime goes on from its own loop.
        ICoreWebView2WebResourceResponse* response = args_->response();
        RetainQuietly(response);
        PostToUiThread([result = std::exchange(result_, Json::object()), body = body_, response,
                        reply = std::exchange(reply_, nullptr)]() mutable {
            result["response"] = DescribeResponse(response, body);
            ReleaseQuietly(response);
            reply(std::move(result));
        });
        return S_OK;
    }

protected:
    bool Offers(REFIID iid) const override { return iid == IidOf<ICoreWebView2Deferral>(); }

private:
    Ref<WebResourceRequestedArgs> args_;
    bool completed_ = false;
    Json result_ = Json::object();
    std::string body_;
    std::function<void(Json)> reply_;
};

// One deferral per request: a second call gives the same one.
HRESULT WebResourceRequestedArgs::GetDeferral(ICoreWebView2Deferral** value) {
    STANDIN_ON_CREATING_THREAD("GetDeferral");
    STANDIN_REPORT_CALL(*this, kind(), "GetDeferral", Json::array());
    if (!value)
        return E_POINTER;
    if (!deferral_)
        deferral_ = new Deferral(this);
    deferral_->InternalAddRef();
    deferral_->HostTookReference();
    *value = deferral_;
    return S_OK;
}
} // namespace

ICoreWebView2WebResourceResponse* MakeResponse(IStream* content, int statusCode, LPCWSTR reason,
                                               LPCWSTR headers) {
    auto* response = new Response(content, statusCode, reason, headers);
    response->InternalAddRef();
    return response;
}

Json DescribeResponse(ICoreWebView2WebResourceResponse* response, const std::string& body) {
    auto* ours = dynamic_cast<Response*>(response);
    return ours ? ours->Describe(body) : Json(nullptr);
}

Json RaiseWebResourceRequested(ICoreWebView2* sender, const Json& args,
                               const HandlerList& handlers) {
    const std::string body = StringField(args, "body", "read");
    if (body != "read" && body != "count" && body != "skip" && body != "stream")
        throw AgentMessageError("unknown body mode " + Quoted(body));
    Ref<WebResourceRequestedArgs> eventArgs(new WebResourceRequestedArgs(args));
    Json result = Json::object();
    // The handler's own time, apart from reading the body afterwards as the runtime would.
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    result["invoked"] =
        handlers.InvokeAll<ICoreWebView2WebResourceRequestedEventHandler>(sender, eventArgs.get());
    QueryPerformanceCounter(&end);
    result["handlerMicroseconds"] = static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 /
                                    static_cast<double>(frequency.QuadPart);
    if (Deferral* deferral = eventArgs->deferral(); deferral && !deferral->completed()) {
        deferral->AnswerLater(result, body, ReplyLater());
        return result;
    }
    result["response"] = DescribeResponse(eventArgs->response(), body);
    return result;
}
