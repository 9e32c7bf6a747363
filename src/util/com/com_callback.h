#pragma once
// One COM callback class for every WebView2 handler interface: the interface's
// Invoke forwards to a function and always returns S_OK, as the runtime expects.
// Nothing the function throws unwinds into the runtime: it is logged and dropped.
#include <exception>
#include <functional>

#include "util/log/author_log.h"
#include "util/com/com_object.h"
#include "util/com/com_ptr.h"

template <typename Interface, typename Invoke> class Callback;

template <typename Interface, typename Class, typename... Args>
class Callback<Interface, HRESULT (STDMETHODCALLTYPE Class::*)(Args...)> final
    : public ComObject<Callback<Interface, HRESULT (STDMETHODCALLTYPE Class::*)(Args...)>,
                       Interface> {
public:
    explicit Callback(std::function<void(Args...)> function) : function_(std::move(function)) {}

    HRESULT STDMETHODCALLTYPE Invoke(Args... args) override {
        try {
            function_(args...);
        } catch (...) {
            LogHandlerFailure(std::current_exception());
        }
        return S_OK;
    }

private:
    std::function<void(Args...)> function_;
};

// A handler object with one reference, owned by the returned pointer; the
// registering code drops it after registration, leaving the runtime the only owner.
template <typename Interface, typename Function>
com_ptr<Interface> MakeCallback(Function function) {
    using Type = Callback<Interface, decltype(&Interface::Invoke)>;
    return com_ptr<Interface>::attach(new Type(std::move(function)));
}

// Registers a function as the handler of one event: `add` is the source's
// add_ method. No registration token is kept, so the handler is never removed.
// Returns the registration's result, for the author's log.
template <typename Source, typename Base, typename Handler, typename Function>
HRESULT AddHandler(Source* source,
                   HRESULT (STDMETHODCALLTYPE Base::*add)(Handler*, EventRegistrationToken*),
                   Function function) {
    return (source->*add)(MakeCallback<Handler>(std::move(function)).get(), nullptr);
}
