// A library the "needs_dependency" extension imports, laid out only in the
// current directory: the host must not find it there.
#include <windows.h>

extern "C" __declspec(dllexport) int QuorrinDependencyAnswer() {
    return 42;
}
