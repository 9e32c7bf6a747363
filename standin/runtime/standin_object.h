#pragma once
// Bookkeeping shared by every stand-in COM object: an id for reports, a
// reference count whose host-side changes are reported, and a live-object tally
// so tests can see that the host releases what it holds.
#include <atomic>
#include <string>
#include <utility>

#include "agent.h"
#include "callback_rules.h"
#include "unimplemented.h"
#include "util/com/webview2_iids.h"

// Live stand-in objects by kind, as JSON: {"ICoreWebView2": 1, ...}.
Json LiveObjects();

class Tracked {
public:
    explicit Tracked(const char* kind);
    virtual ~Tracked();
    Tracked(const Tracked&) = delete;
    Tracked& operator=(const Tracked&) = delete;

    int id() const { return id_; }
    const char* kind() const { return kind_; }
    DWORD creatingThread() const { return creatingThread_; }
    ULONG InternalAddRef() { return ++references_; }
    ULONG InternalRelease() {
        ULONG remaining = --references_;
        if (remaining == 0)
            delete this;
        return remaining;
    }
    // The references the host holds (its AddRef, QueryInterface and
    // out-parameters, less its Release): the last one let go inside one of the
    // object's own handlers releases the sender under the runtime's feet.
    void HostTookReference() { ++hostReferences_; }
    void HostReleased() {
        if (--hostReferences_ == 0 && IsDispatching(*this))
            ReportViolation("released-in-handler",
                            std::string("the host released its last reference to ") + kind_ +
                                " inside one of its own event handlers");
    }

private:
    const int id_;
    const char* kind_;
    const DWORD creatingThread_;
    std::atomic<ULONG> references_{0};
    std::atomic<long> hostReferences_{0};
};

std::string IidToText(REFIID iid);

// Reports a call the host made on a stand-in object.
void ReportCall(const Tracked& object, const char* interfaceName, const char* method, Json args);

// Whether calls are reported (the benchmarks turn reports off to time the host).
bool CallsReported();

// ReportCall that builds its arguments only when calls are reported: on the
// paths the host's handlers take, the model must cost no more than the runtime.
#define STANDIN_REPORT_CALL(object, interfaceName, method, ...)                                    \
    do {                                                                                           \
        if (CallsReported())                                                                       \
            ReportCall(object, interfaceName, method, __VA_ARGS__);                                \
    } while (false)

// A stand-in object implementing Defaults' interface chain. The vtable's AddRef
// and Release are the host's (reported); the stand-in keeps its own references
// with InternalAddRef/InternalRelease through Ref<T>.
template <typename Defaults> class StandinObject : public Defaults, public Tracked {
public:
    explicit StandinObject(const char* kind) : Tracked(kind) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        const bool offered = iid == IidOf<IUnknown>() || Offers(iid);
        STANDIN_REPORT_CALL(*this, kind(), "QueryInterface",
                            Json::array({IidToText(iid), offered}));
        if (!offered) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<Defaults*>(this);
        InternalAddRef();
        HostTookReference();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        ULONG count = InternalAddRef();
        HostTookReference();
        STANDIN_REPORT_CALL(*this, kind(), "AddRef", Json::array());
        return count;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        // Reported first: the object may be gone once the count reaches zero.
        STANDIN_REPORT_CALL(*this, kind(), "Release", Json::array());
        HostReleased();
        return InternalRelease();
    }

protected:
    virtual bool Offers(REFIID iid) const = 0;
};

// The stand-in's own reference to one of its objects.
template <typename T> class Ref {
public:
    Ref() = default;
    explicit Ref(T* object) : object_(object) {
        if (object_)
            object_->InternalAddRef();
    }
    Ref(const Ref& other) : Ref(other.object_) {}
    Ref& operator=(Ref other) {
        std::swap(object_, other.object_);
        return *this;
    }
    ~Ref() {
        if (T* old = std::exchange(object_, nullptr))
            old->InternalRelease();
    }
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Hands the host a reference of its own (out-parameters).
    template <typename I> HRESULT CopyTo(I** out) const {
        if (!out)
            return E_POINTER;
        *out = object_;
        if (object_) {
            object_->InternalAddRef();
            object_->HostTookReference();
        }
        return S_OK;
    }

private:
    T* object_ = nullptr;
};

// References the stand-in takes on objects that may be its own (kept quiet) or
// the host's (ordinary AddRef and Release).
void RetainQuietly(IUnknown* object);
void ReleaseQuietly(IUnknown* object);

// Helpers for reports and out-parameters.
Json ToJson(LPCWSTR text);
Json ToJson(const RECT& rect);
std::string ToUtf8(LPCWSTR text);
std::wstring ToWide(const std::string& text);
HRESULT CopyString(const std::wstring& text, LPWSTR* out);

// A plain value into a getter's out parameter.
template <typename Value, typename Out> HRESULT CopyValue(const Value& value, Out* out) {
    if (!out)
        return E_POINTER;
    *out = value;
    return S_OK;
}
