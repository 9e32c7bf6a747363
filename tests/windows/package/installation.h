#pragma once
// Installing, reading back and removing packaged programs under test. Paths are
// UTF-8 with backslashes; folders end in a backslash.
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

// The outputs of tests/windows/package/make_packages.sh for one variant.
std::string PackageOutputs(const std::string& variant);

// Runs a command line and waits for its end; the exit code, or nothing at the deadline.
std::optional<DWORD> RunToExit(const std::string& commandLine, DWORD timeoutMs = 60000);

bool PathExists(const std::string& path);
std::string ReadFileText(const std::string& path);
bool SameFileContent(const std::string& first, const std::string& second);

// Values under HKCU's Uninstall key for the application key.
bool UninstallKeyExists(const std::string& appKey);
std::optional<std::string> UninstallText(const std::string& appKey, const char* name);
std::optional<DWORD> UninstallNumber(const std::string& appKey, const char* name);

// The path a shell link points to, or empty.
std::string ShortcutTarget(const std::string& linkPath);

// A text of the executable's version resource (its first translation), or nothing.
std::optional<std::string> VersionText(const std::string& exePath, const char* name);
// The four numbers of its fixed file version.
std::optional<std::string> FixedFileVersion(const std::string& exePath);

// Removes what an earlier, interrupted run may have left: the folder, the key, a shortcut.
void RemoveLeftovers(const std::string& folder, const std::string& appKey,
                     const std::string& shortcut);

// Wine's icacls is a stub that changes nothing. While this lives, url_recorder
// takes its place (a native override in Wine's settings), recording each call.
class IcaclsRecorder {
public:
    IcaclsRecorder();
    ~IcaclsRecorder();
    IcaclsRecorder(const IcaclsRecorder&) = delete;
    IcaclsRecorder& operator=(const IcaclsRecorder&) = delete;
    // Each call's arguments, as the recorder wrote them.
    std::vector<std::string> Calls() const;

private:
    std::wstring icacls_, original_, log_;
};
