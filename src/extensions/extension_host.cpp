#include "extensions/extension_host.h"

#include <utility>

#include "util/log/author_log.h"
#include "util/text/long_path.h"
#include "util/text/text.h"

ExtensionHost* g_extensionHost = nullptr;

namespace {
template <typename Entry> Entry FindEntry(HMODULE module, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
} // namespace

ExtensionHost::ExtensionHost(std::string applicationFolder, std::string contentFolder,
                             std::string userDataFolder)
    : applicationFolder(std::move(applicationFolder)), contentFolder(std::move(contentFolder)),
      userDataFolder(std::move(userDataFolder)) {}

bool LoadExtensionLibrary() {
    ExtensionHost& host = *g_extensionHost;
    // A full path, and its own dependencies from its folder and System32 only.
    const std::wstring path = ToLongPath(Utf8ToWide(host.applicationFolder) + L"Brenmoor.dll");
    host.libraryModule = LoadLibraryExW(
        path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!host.libraryModule) {
        const DWORD error = GetLastError();
        // No library at all is the ordinary case; one that fails to load is the author's to know.
        if (error != ERROR_MOD_NOT_FOUND ||
            GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            LogForAuthor("Brenmoor.dll could not be loaded: error " + std::to_string(error));
        return false;
    }
    host.initEntry = FindEntry<ExtensionInit>(host.libraryModule, "Init");
    host.releaseEntry = FindEntry<ExtensionRelease>(host.libraryModule, "Release");
    host.mainWindowCreatedEntry =
        FindEntry<ExtensionMainWindowCreated>(host.libraryModule, "OnMainWindowCreated");
    host.extensionMessageEntry =
        FindEntry<ExtensionMessage>(host.libraryModule, "OnExtensionMessage");
    if (!host.initEntry || !host.releaseEntry || !host.mainWindowCreatedEntry ||
        !host.extensionMessageEntry)
        return false;

    const char* const* ids =
        host.initEntry(host.applicationFolder.c_str(), host.contentFolder.c_str(),
                       host.userDataFolder.c_str(), PostFromExtension);
    if (!ids)
        return false;
    // The array stays the library's: copy the strings now and never touch it again.
    for (; *ids; ++ids)
        host.registeredComponentIds.emplace_back(*ids);
    return true;
}

namespace {
void PostFromOtherThread(ExtensionHost& host, std::string text) {
    {
        const std::lock_guard<std::mutex> lock(host.otherThreadsLock);
        if (host.mainWindow) {
            host.fromOtherThreads.push_back(std::move(text));
            if (PostMessageW(host.mainWindow, kDeliverExtensionPosts, 0, 0))
                return;
            host.fromOtherThreads.pop_back();
        }
    }
    LogForAuthor("a post of the extension from another thread was dropped: no window");
}
} // namespace

void PostFromExtension(const char* json) {
    if (!g_extensionHost || !json)
        return;
    std::string text = json;
    if (GetCurrentThreadId() != g_extensionHost->uiThread)
        return PostFromOtherThread(*g_extensionHost, std::move(text));
    if (g_extensionHost->postToPage)
        g_extensionHost->postToPage(text);
}

void DeliverExtensionPosts() {
    if (!g_extensionHost)
        return;
    std::deque<std::string> posts;
    {
        const std::lock_guard<std::mutex> lock(g_extensionHost->otherThreadsLock);
        posts.swap(g_extensionHost->fromOtherThreads);
    }
    for (const std::string& text : posts)
        PostFromExtension(text.c_str());
}

ExtensionSession::ExtensionSession(const std::string& applicationFolder,
                                   const std::string& contentFolder,
                                   const std::string& userDataFolder) {
    g_extensionHost = new ExtensionHost(applicationFolder, contentFolder, userDataFolder);
    // Start-up goes on whether or not a library is there.
    LoadExtensionLibrary();
}

ExtensionSession::~ExtensionSession() {
    // "Release" may still post: the web view host is still alive at this point.
    if (g_extensionHost->releaseEntry)
        g_extensionHost->releaseEntry();
    if (g_extensionHost->libraryModule) {
        FreeLibrary(g_extensionHost->libraryModule);
        g_extensionHost->libraryModule = nullptr;
    }
    delete std::exchange(g_extensionHost, nullptr);
}

void ExtensionSession::MainWindowCreated(HWND mainWindow) const {
    {
        const std::lock_guard<std::mutex> lock(g_extensionHost->otherThreadsLock);
        g_extensionHost->mainWindow = mainWindow;
    }
    if (g_extensionHost->mainWindowCreatedEntry)
        g_extensionHost->mainWindowCreatedEntry(mainWindow);
}
