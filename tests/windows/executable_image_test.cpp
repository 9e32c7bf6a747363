// What Quorrin.exe carries: its imports and its embedded application manifest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <windows.h>

#include "util/text/files.h"
#include "util/text/text.h"

namespace {
std::string QuorrinExePath() {
    return FolderOfPath(GetExecutablePath()) + "Quorrin.exe";
}

std::vector<char> ReadAll(const std::string& path) {
    std::ifstream file(Utf8ToWide(path).c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

template <typename T> T At(const std::vector<char>& image, size_t offset) {
    T value{};
    if (offset + sizeof(T) <= image.size())
        std::memcpy(&value, image.data() + offset, sizeof(T));
    return value;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The import directory: each DLL's name, lower-cased, with the functions taken
// from it by name.
std::map<std::string, std::vector<std::string>> Imports(const std::vector<char>& image) {
    const auto dos = At<IMAGE_DOS_HEADER>(image, 0);
    const auto nt = At<IMAGE_NT_HEADERS64>(image, dos.e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    const size_t sectionsAt = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                              nt.FileHeader.SizeOfOptionalHeader;
    auto fileOffset = [&](ULONGLONG rva) -> size_t {
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            auto section =
                At<IMAGE_SECTION_HEADER>(image, sectionsAt + i * sizeof(IMAGE_SECTION_HEADER));
            if (rva >= section.VirtualAddress &&
                rva < section.VirtualAddress + section.SizeOfRawData)
                return rva - section.VirtualAddress + section.PointerToRawData;
        }
        return image.size();
    };
    auto text = [&](size_t at) { return at < image.size() ? std::string(image.data() + at) : ""; };
    std::map<std::string, std::vector<std::string>> imports;
    for (size_t at = fileOffset(directory.VirtualAddress); at < image.size();
         at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        auto descriptor = At<IMAGE_IMPORT_DESCRIPTOR>(image, at);
        if (descriptor.Name == 0)
            break;
        std::vector<std::string>& functions = imports[Lower(text(fileOffset(descriptor.Name)))];
        for (size_t thunk = fileOffset(descriptor.OriginalFirstThunk); thunk < image.size();
             thunk += sizeof(ULONGLONG)) {
            const auto entry = At<ULONGLONG>(image, thunk);
            if (entry == 0)
                break;
            if (!(entry & IMAGE_ORDINAL_FLAG64)) // skip the hint before the name
                functions.push_back(text(fileOffset(entry) + sizeof(WORD)));
        }
    }
    return imports;
}

std::wstring QuerySetting(HANDLE context, const wchar_t* ns, const wchar_t* name) {
    wchar_t value[64] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, context, ns, name, value, 64, &written))
        return L"<absent>";
    return value;
}
} // namespace

// Imports are resolved before wWinMain sets the search order: only the loader,
// api sets and KnownDLLs (always from System32), never a library a player's
// folder could hold under the same name (comctl32, urlmon, wintrust, crypt32).
TEST(ExecutableImage, ImportsOnlyKnownDllsApiSetsAndTheWebView2Loader) {
    const std::set<std::string> allowed = {"kernel32.dll",
                                           "user32.dll",
                                           "gdi32.dll",
                                           "gdiplus.dll",
                                           "ole32.dll",
                                           "oleaut32.dll",
                                           "shell32.dll",
                                           "shlwapi.dll",
                                           "advapi32.dll",
                                           "msvcrt.dll",
                                           "api-ms-win-core-path-l1-1-0.dll",
                                           "webview2loader.dll"};
    const auto imports = Imports(ReadAll(QuorrinExePath()));
    ASSERT_FALSE(imports.empty());
    EXPECT_TRUE(imports.count("kernel32.dll"));
    EXPECT_TRUE(imports.count("webview2loader.dll"));
    for (const auto& [name, functions] : imports)
        EXPECT_TRUE(allowed.count(name))
            << name << " is neither a KnownDLL, an api set nor the loader";
}

// The loader that ships beside Quorrin.exe is the vendor's x64 build, and it
// exports every function the host imports from it.
TEST(ExecutableImage, ImportsFromTheLoaderResolveAgainstTheVendorsLoader) {
    const std::string vendorLoader =
        FolderOfPath(GetExecutablePath()) + "vendor-loader\\WebView2Loader.dll";
    const std::vector<char> loaderImage = ReadAll(vendorLoader);
    const auto loaderHeaders =
        At<IMAGE_NT_HEADERS64>(loaderImage, At<IMAGE_DOS_HEADER>(loaderImage, 0).e_lfanew);
    EXPECT_EQ(loaderHeaders.FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);

    const std::vector<std::string> functions =
        Imports(ReadAll(QuorrinExePath()))["webview2loader.dll"];
    EXPECT_EQ(std::set<std::string>(functions.begin(), functions.end()),
              (std::set<std::string>{"CreateCoreWebView2EnvironmentWithOptions",
                                     "GetAvailableCoreWebView2BrowserVersionString"}));
    HMODULE loader = LoadLibraryW(Utf8ToWide(vendorLoader).c_str());
    ASSERT_NE(loader, nullptr) << GetLastError();
    for (const std::string& function : functions)
        EXPECT_NE(GetProcAddress(loader, function.c_str()), nullptr) << function;
    FreeLibrary(loader);
}

// No dpi awareness is declared: start-up chooses it ("dpi-awareness"), which a
// declared one would forbid.
TEST(ExecutableImage, ManifestLeavesDpiAwarenessToStartUpWithUtf8CodePage) {
    const std::wstring exe = Utf8ToWide(QuorrinExePath());
    ACTCTXW request = {};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = exe.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE);
    EXPECT_EQ(QuerySetting(context, nullptr, L"dpiAware"), L"<absent>");
    EXPECT_EQ(QuerySetting(context, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                           L"dpiAwareness"),
              L"<absent>");
    EXPECT_EQ(QuerySetting(context, L"http://schemas.microsoft.com/SMI/2019/WindowsSettings",
                           L"activeCodePage"),
              L"UTF-8");
    ReleaseActCtx(context);
}
