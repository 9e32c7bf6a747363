#include "webview/browser_habits.h"

#include "manifest/manifest.h"
#include "util/log/author_log.h"

void ApplyBrowserHabits(const com_ptr<ICoreWebView2Settings>& settings,
                        const BrowserHabits& habits) {
    if (!habits.statusBar)
        LogIfFailed("put_IsStatusBarEnabled", settings->put_IsStatusBarEnabled(FALSE));
    if (!habits.autofill)
        if (auto settings4 = settings.try_query<ICoreWebView2Settings4>()) {
            LogIfFailed("put_IsGeneralAutofillEnabled",
                        settings4->put_IsGeneralAutofillEnabled(FALSE));
            LogIfFailed("put_IsPasswordAutosaveEnabled",
                        settings4->put_IsPasswordAutosaveEnabled(FALSE));
        }
    if (!habits.pinchZoom)
        if (auto settings5 = settings.try_query<ICoreWebView2Settings5>())
            LogIfFailed("put_IsPinchZoomEnabled", settings5->put_IsPinchZoomEnabled(FALSE));
    if (!habits.swipeNavigation)
        if (auto settings6 = settings.try_query<ICoreWebView2Settings6>())
            LogIfFailed("put_IsSwipeNavigationEnabled",
                        settings6->put_IsSwipeNavigationEnabled(FALSE));
}
