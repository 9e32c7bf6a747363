#include "util/delayed_imports.h"

#include <windows.h>

#include <delayimp.h>

namespace {
// Before the helper's own LoadLibraryA of a delay-loaded DLL: the module returned
// here is used instead. A library missing from System32 ends the program as a
// missing import would, rather than fall back to a search of the program's folder.
FARPROC WINAPI LoadFromSystem32(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || !info || !info->szDll)
        return nullptr;
    HMODULE library = LoadLibraryExA(info->szDll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!library) {
        ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(info);
        RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), 0, 1, &argument);
    }
    return reinterpret_cast<FARPROC>(library);
}
} // namespace

void LoadDelayedImportsFromSystem32() {
    __pfnDliNotifyHook2 = LoadFromSystem32;
}
