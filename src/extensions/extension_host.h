#pragma once
// The optional extension library, Brenmoor.dll in the application folder: its
// entry points, the component ids its "Init" registered, and its way to post
// JSON messages to the page.
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <windows.h>

using ExtensionInit = const char* const* (*)(const char* applicationFolder,
                                             const char* contentFolder, const char* userDataFolder,
                                             void (*post)(const char* json));
using ExtensionRelease = void (*)();
using ExtensionMainWindowCreated = void (*)(HWND mainWindow);
using ExtensionMessage = void (*)(const char* message);

// Hands a JSON text to the page; set by the web view host when it is created.
using PagePost = std::function<void(const std::string& json)>;

// The main window's message that hands the page what the library posted from
// a thread of its own.
inline constexpr UINT kDeliverExtensionPosts = WM_APP + 28;

struct ExtensionHost {
    ExtensionHost(std::string applicationFolder, std::string contentFolder,
                  std::string userDataFolder);

    HMODULE libraryModule = nullptr;
    ExtensionInit initEntry = nullptr;
    ExtensionRelease releaseEntry = nullptr;
    ExtensionMainWindowCreated mainWindowCreatedEntry = nullptr;
    ExtensionMessage extensionMessageEntry = nullptr;
    const std::string applicationFolder;
    const std::string contentFolder;
    const std::string userDataFolder;
    PagePost postToPage; // empty until the web view host exists
    std::vector<std::string> registeredComponentIds;
    // The library may post from any thread; the page is reached from this one only.
    const DWORD uiThread = GetCurrentThreadId();
    std::mutex otherThreadsLock;
    HWND mainWindow = nullptr;                     // once created; under the lock
    std::deque<std::string> fromOtherThreads;      // under the lock
};

// The extension host; set by start-up, cleared when it is destroyed. The post
// callback takes no context, so it reaches the host only through this.
extern ExtensionHost* g_extensionHost;

// Loads Brenmoor.dll from the application folder and, when it has all four entry
// points, calls its "Init". True when "Init" returned a list of component ids.
bool LoadExtensionLibrary();

// The library's post callback: the text goes to the page once a browser exists.
// From another thread it waits for the UI thread (kDeliverExtensionPosts), or is
// dropped with a line in the log when there is no window to wake.
void PostFromExtension(const char* json);

// kDeliverExtensionPosts: hands the page what other threads posted, in order.
void DeliverExtensionPosts();

// Owns the extension host from start-up to the end of the process, on every
// exit path: creating it publishes g_extensionHost and loads the library; the
// end calls "Release", frees the library and clears g_extensionHost.
class ExtensionSession {
public:
    ExtensionSession(const std::string& applicationFolder, const std::string& contentFolder,
                     const std::string& userDataFolder);
    ~ExtensionSession();
    ExtensionSession(const ExtensionSession&) = delete;
    ExtensionSession& operator=(const ExtensionSession&) = delete;

    // Tells the library about the main window, still hidden, when it asked to know.
    void MainWindowCreated(HWND mainWindow) const;
};
