#pragma once
// Handlers registered on runtime objects, each kept with its token and removed,
// in reverse, by RemoveAll or at the end: whoever registers a handler removes
// it, before the controller closes, as the vendor's sample app does.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include "util/com/com_callback.h"
#include "util/com/com_ptr.h"
#include "util/log/author_log.h"

class EventSubscriptions {
public:
    EventSubscriptions() = default;
    ~EventSubscriptions() { RemoveAll(); }
    EventSubscriptions(const EventSubscriptions&) = delete;
    EventSubscriptions& operator=(const EventSubscriptions&) = delete;

    // Registers `function` for one event of `source` until removed; a refused
    // registration is logged and kept no further.
    template <typename Source, typename Base, typename Handler, typename Function>
    void Add(const char* event, Source* source,
             HRESULT (STDMETHODCALLTYPE Base::*add)(Handler*, EventRegistrationToken*),
             HRESULT (STDMETHODCALLTYPE Base::*remove)(EventRegistrationToken), Function function) {
        EventRegistrationToken token{};
        const HRESULT result =
            (source->*add)(MakeCallback<Handler>(std::move(function)).get(), &token);
        LogIfFailed((std::string("add_") + event).c_str(), result);
        if (FAILED(result))
            return;
        removals_.push_back(
            [owner = com_ptr<Base>::copy_from(source), remove, token, name = std::string(event)] {
                LogIfFailed(("remove_" + name).c_str(), (owner.get()->*remove)(token));
            });
    }

    void RemoveAll() {
        while (!removals_.empty()) {
            const std::function<void()> remove = std::move(removals_.back());
            removals_.pop_back();
            remove();
        }
    }

    bool Empty() const { return removals_.empty(); }

private:
    std::vector<std::function<void()>> removals_;
};
