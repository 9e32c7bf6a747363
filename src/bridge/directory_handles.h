#pragma once
// Directory handles for the application's folders and the user's
// well-known folders, posted to the page in fixed positions.
#include <string>

#include <WebView2.h>

#include "bridge/handle_plan.h"

// Positions 0 to 2, as given: the application folder, the content folder and
// the user data folder (full paths); which positions are offered, and which the
// author lets write whatever they hold; and position 13, the saves folder.
struct HandleFolders {
    std::string application;
    std::string content;
    std::string userData;
    HandleChoice choice = {};
    std::string saves = {};
};

// Posts the "directory-handles" message with its 14 handles; does nothing on a
// runtime without ICoreWebView2Environment14 or ICoreWebView2_23.
void PostDirectoryHandles(ICoreWebView2Environment* environment, ICoreWebView2* webView,
                          const HandleFolders& folders);
