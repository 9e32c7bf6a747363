// The page's context menu as the manifest's "context-menu" asks: the control's
// own, only the editing items, or none. The default one offers Reload, which
// wipes a game's state.
#include "webview/context_menu.h"

#include "webview/velnor_webview.h"

#include <vector>

#include "manifest/manifest.h"
#include "util/log/author_log.h"
#include "util/com/co_task_text.h"
#include "webview/edit_menu.h"

namespace {
std::vector<MenuEntry> DescribeItems(ICoreWebView2ContextMenuItemCollection* items, UINT32 count) {
    std::vector<MenuEntry> entries(count);
    for (UINT32 i = 0; i < count; ++i) {
        com_ptr<ICoreWebView2ContextMenuItem> item;
        LogIfFailed("GetValueAtIndex", items->GetValueAtIndex(i, item.put()));
        if (!item)
            continue;
        CoTaskString name;
        LogIfFailed("get_Name", item->get_Name(name.put()));
        COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND kind = COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_COMMAND;
        LogIfFailed("get_Kind", item->get_Kind(&kind));
        entries[i] = {Utf8Of(name),
                      kind == COREWEBVIEW2_CONTEXT_MENU_ITEM_KIND_SEPARATOR};
    }
    return entries;
}
} // namespace

// "edit" without ContextMenuRequested (before ICoreWebView2_11) turns menus off
// rather than leave Reload in them.
bool VelnorWebView::DefaultContextMenusEnabled() const {
    switch (manifest_->contextMenu) {
    case ContextMenuMode::None:
        return false;
    case ContextMenuMode::Edit:
        return static_cast<bool>(
            com_ptr<ICoreWebView2>::copy_from(session_->webView()).try_query<ICoreWebView2_11>());
    default:
        return true;
    }
}

void VelnorWebView::AttachContextMenu() {
    if (manifest_->contextMenu != ContextMenuMode::Edit)
        return;
    com_ptr<ICoreWebView2_11> view =
        com_ptr<ICoreWebView2>::copy_from(session_->webView()).try_query<ICoreWebView2_11>();
    if (!view)
        return LogForAuthor("no ContextMenuRequested in this runtime: context menus are off");
    contextMenu_.emplace(view.get(), manifest_->enableDevtools);
}

EditContextMenu::EditContextMenu(ICoreWebView2_11* webView, bool devtools) : devtools_(devtools) {
    subscriptions_.Add("ContextMenuRequested", webView, &ICoreWebView2_11::add_ContextMenuRequested,
                       &ICoreWebView2_11::remove_ContextMenuRequested,
                       [this](ICoreWebView2*, ICoreWebView2ContextMenuRequestedEventArgs* args) {
                           OnContextMenuRequested(args);
                       });
}

void EditContextMenu::OnContextMenuRequested(ICoreWebView2ContextMenuRequestedEventArgs* args) {
    com_ptr<ICoreWebView2ContextMenuItemCollection> items;
    LogIfFailed("get_MenuItems", args->get_MenuItems(items.put()));
    UINT32 count = 0;
    if (!items || FAILED(items->get_Count(&count)))
        return LogForAuthor("context menu items cannot be read: the menu is left as offered");
    const std::vector<bool> keeps = EditMenuKeeps(DescribeItems(items.get(), count), devtools_);
    // From the end, so that the indices still to visit stay valid.
    for (UINT32 i = count; i-- > 0;)
        if (!keeps[i])
            LogIfFailed("RemoveValueAtIndex", items->RemoveValueAtIndex(i));
}
