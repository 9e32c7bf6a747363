// The context menu the engine would show: its items, offered to the host's
// ContextMenuRequested handlers, which may remove some; the agent learns what
// is left to show.
#include <vector>

#include "agent_fields.h"
#include "objects.h"

namespace {
// What Chromium offers on an editable field of a page, in order.
const char* const kDefaultItems[] = {
    "spellCheck",    "separator", "back",   "forward", "reload",
    "separator",     "cut",       "copy",   "paste",   "pasteAndMatchStyle",
    "selectAll",     "separator", "saveAs", "print",   "separator",
    "inspectElement"};

class MenuItem final : public StandinObject<ICoreWebView2ContextMenuItemDefaults> {
public:
    explicit MenuItem(std::string name)
        : StandinObject("ICoreWebView2ContextMenuItem"), name_(std::move(name)) {}
    const std::string& name() const { return name_; }
    HRESULT STDMETHODCALLTYPE get_Name(LPWSTR* value) override {
        return CopyString(ToWide(name_), value);
    }
    HRESULT STDMETHODCALLTYPE get_Label(LPWSTR* value) override {
        return CopyString(ToWide(name_), value);
    }
    HRESULT STDMETHODCALLTYPE get_Kind(COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND* value) override {
        return CopyValue(name_ == "separator" ? COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_SEPARATOR
                                              : COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_COMMAND,
                         value);
    }

protected:
    bool Offers(REFIID iid) const override { return iid == IidOf<ICoreWebView2ContextMenuItem>(); }

private:
    std::string name_;
};

class MenuItems final : public StandinObject<ICoreWebView2ContextMenuItemCollectionDefaults> {
public:
    MenuItems() : StandinObject("ICoreWebView2ContextMenuItemCollection") {}
    std::vector<Ref<MenuItem>> items;
    HRESULT STDMETHODCALLTYPE get_Count(UINT32* value) override {
        return CopyValue(static_cast<UINT32>(items.size()), value);
    }
    HRESULT STDMETHODCALLTYPE GetValueAtIndex(UINT32 index,
                                              ICoreWebView2ContextMenuItem** value) override {
        if (index >= items.size())
            return E_INVALIDARG;
        return items[index].CopyTo(value);
    }
    HRESULT STDMETHODCALLTYPE RemoveValueAtIndex(UINT32 index) override {
        ReportCall(*this, kind(), "RemoveValueAtIndex", {index});
        if (index >= items.size())
            return E_INVALIDARG;
        items.erase(items.begin() + index);
        return S_OK;
    }

protected:
    bool Offers(REFIID iid) const override {
        return iid == IidOf<ICoreWebView2ContextMenuItemCollection>();
    }
};

class ContextMenuRequestedArgs final
    : public StandinObject<ICoreWebView2ContextMenuRequestedEventArgsDefaults> {
public:
    ContextMenuRequestedArgs()
        : StandinObject("ICoreWebView2ContextMenuRequestedEventArgs"), items(new MenuItems()) {}
    Ref<MenuItems> items;
    HRESULT STDMETHODCALLTYPE
    get_MenuItems(ICoreWebView2ContextMenuItemCollection** value) override {
        ReportCall(*this, kind(), "get_MenuItems", Json::array());
        return items.CopyTo(value);
    }

protected:
    bool Offers(REFIID iid) const override {
        return iid == IidOf<ICoreWebView2ContextMenuRequestedEventArgs>();
    }
};

std::vector<std::string> OfferedItems(const Json& args) {
    const Json* given = Member(args, "items");
    if (!given)
        return {std::begin(kDefaultItems), std::end(kDefaultItems)};
    if (!given->is_array())
        throw AgentMessageError("\"items\" is not an array");
    std::vector<std::string> names;
    for (const Json& name : *given) {
        if (!name.is_string())
            throw AgentMessageError("an item name is not a string");
        names.push_back(name.get<std::string>());
    }
    return names;
}
} // namespace

// "items": the names offered ("separator" for a separator; default: an editable
// field's menu). The result's "items" are those left to show: none when the
// host turned default context menus off, which also raises no event.
Json RaiseContextMenuRequested(ICoreWebView2* sender, const Json& args, const HandlerList& handlers,
                               bool menusEnabled) {
    Ref<ContextMenuRequestedArgs> eventArgs(new ContextMenuRequestedArgs());
    for (const std::string& name : OfferedItems(args))
        eventArgs->items->items.emplace_back(new MenuItem(name));
    Json result = {{"invoked", 0}, {"items", Json::array()}};
    if (!menusEnabled)
        return result;
    result["invoked"] =
        handlers.InvokeAll<ICoreWebView2ContextMenuRequestedEventHandler>(sender, eventArgs.get());
    for (const Ref<MenuItem>& item : eventArgs->items->items)
        result["items"].push_back(item->name());
    return result;
}
