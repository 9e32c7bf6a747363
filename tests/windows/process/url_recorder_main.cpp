// url_recorder: registered in the test Wine prefix as the shell's handler for web
// addresses and test schemes, so tests see what reaches the shell without
// anything being launched. Appends its arguments, joined by spaces, to
// url-recorder.log beside itself (the packaging tests also put it in place of a
// system program).
#include <cstdio>
#include <string>

#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring log = self;
    log = log.substr(0, log.rfind(L'\\') + 1) + L"url-recorder.log";
    FILE* file = _wfopen(log.c_str(), L"ab");
    if (!file)
        return 1;
    std::wstring line;
    for (int i = 1; i < argc; ++i)
        line += (i > 1 ? L" " : L"") + std::wstring(argv[i]);
    char utf8[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8, sizeof(utf8) - 1, nullptr, nullptr);
    std::fprintf(file, "%s\n", utf8);
    std::fclose(file);
    return 0;
}
