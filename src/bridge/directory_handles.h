#pragma once
// Directory handles for the application's folders and the user's
// well-known folders, posted to the page in fixed positions.
#include <cstdint>
#include <string>

#include <WebView2.h>

// Positions 0 to 2, as given: the application folder, the content folder and
// the user data folder (full paths); which positions are offered, a bit each;
// whether the program folder may be written.
struct HandleFolders {
    std::string application;
    std::string content;
    std::string userData;
    uint32_t chosen = 0;
    bool writableProgramFolder = false;
};

// Posts the "directory-handles" message with its 13 handles; does nothing on a
// runtime without ICoreWebView2Environment14 or ICoreWebView2_23.
void PostDirectoryHandles(ICoreWebView2Environment* environment, ICoreWebView2* webView,
                          const HandleFolders& folders);
