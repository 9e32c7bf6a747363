#include "bridge/handle_plan.h"

#include <cctype>

#include "content/final_path.h"

namespace {
bool IsPosition(uint32_t bits, size_t position) {
    return position < 32 && ((bits >> position) & 1u) != 0;
}

bool SameFolder(std::string a, std::string b) {
    while (!a.empty() && a.back() == '\\')
        a.pop_back();
    while (!b.empty() && b.back() == '\\')
        b.pop_back();
    if (a.empty() || a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
} // namespace

WriteGuard GuardOfFolder(const std::string& folder, const std::string& programFolder,
                         const std::string& startupFolder) {
    if (SameFolder(folder, programFolder))
        return WriteGuard::IsProgramFolder;
    if (IsInsideFolder(programFolder, folder))
        return WriteGuard::ContainsProgramFolder;
    if (SameFolder(folder, startupFolder) || IsInsideFolder(startupFolder, folder))
        return WriteGuard::ContainsStartupFolder;
    return WriteGuard::None;
}

const char* GuardReason(WriteGuard guard) {
    switch (guard) {
    case WriteGuard::IsProgramFolder:
        return "it is the program folder";
    case WriteGuard::ContainsProgramFolder:
        return "it contains the program folder";
    case WriteGuard::ContainsStartupFolder:
        return "it contains the Startup folder";
    case WriteGuard::None:
        break;
    }
    return "";
}

HandlePlan PlanDirectoryHandle(size_t position, const HandleChoice& choice, WriteGuard guard) {
    constexpr size_t kUserData = 2;
    const bool writable = IsPosition(choice.writable, position) ||
                          (position == kUserData && guard == WriteGuard::None);
    return {IsPosition(choice.offered, position), !writable};
}
