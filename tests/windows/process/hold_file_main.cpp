// hold_file: opens a file for writing, as another program editing it would, and
// keeps it open until its standard input closes. Prints "held" once it holds it.
// With "exclusive" it shares nothing, as a program locking the file would.
//   hold_file PATH [exclusive]
#include <cstdio>
#include <cwchar>

#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    const bool exclusive = argc == 3 && wcscmp(argv[2], L"exclusive") == 0;
    if (argc != 2 && !exclusive) {
        std::fprintf(stderr, "usage: hold_file PATH [exclusive]\n");
        return 2;
    }
    const DWORD share = exclusive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE file = CreateFileW(argv[1], GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot open the file\n");
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    CloseHandle(file);
    return 0;
}
