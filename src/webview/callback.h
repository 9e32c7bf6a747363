#pragma once
// One COM callback class for every WebView2 handler interface: the interface's
// Invoke forwards to a function and always returns S_OK, as the runtime expects.
#include <atomic>
#include <functional>

#include "webview/com_ptr.h"

template <typename Interface, typename Invoke> class Callback;

template <typename Interface, typename Class, typename... Args>
class Callback<Interface, HRESULT (STDMETHODCALLTYPE Class::*)(Args...)> final : public Interface {
public:
    explicit Callback(std::function<void(Args...)> function) : function_(std::move(function)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IidOf<IUnknown>() || iid == IidOf<Interface>()) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG remaining = --references_;
        if (remaining == 0)
            delete this;
        return remaining;
    }
    HRESULT STDMETHODCALLTYPE Invoke(Args... args) override {
        function_(args...);
        return S_OK;
    }

private:
    std::atomic<ULONG> references_{1};
    std::function<void(Args...)> function_;
};

// A handler object with one reference, owned by the returned pointer; the
// registering code drops it after registration, leaving the runtime the only owner.
template <typename Interface, typename Function>
com_ptr<Interface> MakeCallback(Function function) {
    using Type = Callback<Interface, decltype(&Interface::Invoke)>;
    return com_ptr<Interface>::attach(new Type(std::move(function)));
}
