#include "installation.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "util/text/files.h"
#include "util/text/text.h"

namespace {
const std::wstring kUninstallRoot = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring UninstallKey(const std::string& appKey) {
    return kUninstallRoot + Utf8ToWide(appKey);
}
} // namespace

std::string PackageOutputs(const std::string& variant) {
    return FolderOfPath(GetExecutablePath()) + "package-test\\" + variant + "\\";
}

std::optional<DWORD> RunToExit(const std::string& commandLine, DWORD timeoutMs) {
    std::wstring line = Utf8ToWide(commandLine);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return std::nullopt;
    std::optional<DWORD> exitCode;
    DWORD code = 0;
    if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(info.hProcess, &code))
        exitCode = code;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return exitCode;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileText(const std::string& path) {
    std::ifstream file(Utf8ToWide(path).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool SameFileContent(const std::string& first, const std::string& second) {
    const std::string bytes = ReadFileText(first);
    return !bytes.empty() && bytes == ReadFileText(second);
}

bool UninstallKeyExists(const std::string& appKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, UninstallKey(appKey).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::optional<std::string> UninstallText(const std::string& appKey, const char* name) {
    wchar_t value[2048];
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, UninstallKey(appKey).c_str(), Utf8ToWide(name).c_str(),
                     RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return WideToUtf8(value);
}

std::optional<DWORD> UninstallNumber(const std::string& appKey, const char* name) {
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, UninstallKey(appKey).c_str(), Utf8ToWide(name).c_str(),
                     RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::string ShortcutTarget(const std::string& linkPath) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::string target;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        PIDLIST_ABSOLUTE item = nullptr;
        wchar_t path[MAX_PATH * 4] = {};
        // The item the link points to, as the shell follows it.
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(Utf8ToWide(linkPath).c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetIDList(&item)) && SHGetPathFromIDListW(item, path))
                target = WideToUtf8(path);
            CoTaskMemFree(item);
            file->Release();
        }
        link->Release();
    }
    return target;
}

namespace {
std::vector<BYTE> VersionBlock(const std::string& exePath) {
    const std::wstring path = Utf8ToWide(exePath);
    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    if (block.empty() || !GetFileVersionInfoW(path.c_str(), 0, DWORD(block.size()), block.data()))
        block.clear();
    return block;
}
} // namespace

std::optional<std::string> VersionText(const std::string& exePath, const char* name) {
    std::vector<BYTE> block = VersionBlock(exePath);
    WORD* translation = nullptr;
    UINT length = 0;
    if (block.empty() ||
        !VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        length < 4)
        return std::nullopt;
    wchar_t query[128];
    swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%hs", translation[0], translation[1], name);
    wchar_t* text = nullptr;
    if (!VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&text), &length))
        return std::nullopt;
    return WideToUtf8(text);
}

std::optional<std::string> FixedFileVersion(const std::string& exePath) {
    std::vector<BYTE> block = VersionBlock(exePath);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (block.empty() ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length))
        return std::nullopt;
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(fixed->dwFileVersionLS));
}

void RemoveLeftovers(const std::string& folder, const std::string& appKey,
                     const std::string& shortcut) {
    // SHFileOperation takes a list ending in two NULs.
    std::wstring from = Utf8ToWide(folder.substr(0, folder.size() - 1)) + L'\0';
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    if (PathExists(folder))
        SHFileOperationW(&operation);
    RegDeleteTreeW(HKEY_CURRENT_USER, UninstallKey(appKey).c_str());
    DeleteFileW(Utf8ToWide(shortcut).c_str());
}

namespace {
std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return folder;
}

// Wine's own setting, read by every program it starts.
const wchar_t kDllOverrides[] = L"Software\\Wine\\DllOverrides";
} // namespace

IcaclsRecorder::IcaclsRecorder()
    : icacls_(SystemFolder() + L"\\icacls.exe"), original_(icacls_ + L".original"),
      log_(SystemFolder() + L"\\url-recorder.log") {
    // Kept once: a run that ended early left the original aside already.
    CopyFileW(icacls_.c_str(), original_.c_str(), TRUE);
    const std::string recorder = FolderOfPath(GetExecutablePath()) + "url_recorder.exe";
    CopyFileW(Utf8ToWide(recorder).c_str(), icacls_.c_str(), FALSE);
    DeleteFileW(log_.c_str());
    const wchar_t native[] = L"native";
    RegSetKeyValueW(HKEY_CURRENT_USER, kDllOverrides, L"icacls.exe", REG_SZ, native,
                    sizeof(native));
}

IcaclsRecorder::~IcaclsRecorder() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kDllOverrides, L"icacls.exe");
    CopyFileW(original_.c_str(), icacls_.c_str(), FALSE);
    DeleteFileW(original_.c_str());
    DeleteFileW(log_.c_str());
}

std::vector<std::string> IcaclsRecorder::Calls() const {
    std::istringstream lines(ReadFileText(WideToUtf8(log_)));
    std::vector<std::string> calls;
    for (std::string line; std::getline(lines, line);)
        calls.push_back(line);
    return calls;
}
