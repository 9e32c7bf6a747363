#include "app/startup.h"

#include <cstdio>
#include <memory>

#include "app/host_run.h"
#include "util/log/author_log.h"
#include "util/text/files.h"
#include "util/text/long_path.h"
#include "util/text/text.h"

std::string ReadManifestText(const std::string& path) {
    FILE* opened = nullptr;
    if (_wfopen_s(&opened, ToLongPath(Utf8ToWide(path)).c_str(), L"rbS") != 0 || !opened)
        return {};
    const std::unique_ptr<FILE, int (*)(FILE*)> file(opened, fclose);
    std::string text(FileSizeOf(path), '\0');
    if (!text.empty())
        text.resize(fread(text.data(), 1, text.size(), file.get()));
    return text;
}

int RunHost(HINSTANCE instance) {
    const int exitCode = HostRun(instance).Run();
    LogForAuthor("exit code " + std::to_string(exitCode));
    CloseAuthorLog();
    return exitCode;
}
