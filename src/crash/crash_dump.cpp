#include "crash/crash_dump.h"

#include <atomic>

#include <windows.h>
// dbghelp.h needs windows.h first.
#include <dbghelp.h>

#include "util/scoped_handle.h"
#include "util/system_library.h"

namespace {
using WriteDump = decltype(&MiniDumpWriteDump);

// The filter is a plain function the system calls: what it needs is set up
// beforehand, here, and never freed while the process runs.
struct DumpTarget {
    SystemLibrary dbghelp;
    WriteDump writeDump = nullptr;
    std::wstring path;
};
DumpTarget* g_dumpTarget = nullptr;
std::atomic<bool> g_crashing{false};
std::atomic<DWORD> g_writerThread{0};

struct DumpRequest {
    EXCEPTION_POINTERS* exception;
    DWORD faultingThread;
};

DWORD WINAPI WriteDumpFile(void* parameter) {
    const auto* request = static_cast<const DumpRequest*>(parameter);
    const DumpTarget* target = g_dumpTarget;
    if (!target || !target->writeDump)
        return 1;
    const ScopedHandle file(CreateFileW(target->path.c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 1;
    MINIDUMP_EXCEPTION_INFORMATION exception = {request->faultingThread, request->exception, FALSE};
    return target->writeDump(GetCurrentProcess(), GetCurrentProcessId(), file.get(), MiniDumpNormal,
                             &exception, nullptr, nullptr)
               ? 0
               : 1;
}

LONG WINAPI WriteDumpAndEnd(EXCEPTION_POINTERS* exception) {
    if (g_crashing.exchange(true)) {
        // A fault while the dump is written ends only the writer: the first
        // faulting thread is waiting for it and ends the process.
        if (GetCurrentThreadId() == g_writerThread.load())
            ExitThread(1);
        Sleep(INFINITE);
    }
    DumpRequest request = {exception, GetCurrentThreadId()};
    // Another thread writes: a stack overflow leaves this one none to spare.
    DWORD writerId = 0;
    if (HANDLE writer =
            CreateThread(nullptr, 0, WriteDumpFile, &request, CREATE_SUSPENDED, &writerId)) {
        g_writerThread = writerId;
        ResumeThread(writer);
        WaitForSingleObject(writer, 60 * 1000);
        CloseHandle(writer);
    }
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}
} // namespace

void InstallCrashDumpFilter() {
    // No system box about the fault either: the dump is the report.
    SetErrorMode(GetErrorMode() | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(WriteDumpAndEnd);
}

void WriteCrashDumpsTo(const std::wstring& path) {
    if (!g_dumpTarget) {
        static DumpTarget target{SystemLibrary(L"dbghelp.dll"), nullptr, {}};
        target.writeDump = target.dbghelp.Export<WriteDump>("MiniDumpWriteDump");
        g_dumpTarget = &target;
    }
    g_dumpTarget->path = path;
}
