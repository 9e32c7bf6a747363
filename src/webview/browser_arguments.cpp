#include "webview/browser_arguments.h"

#include "manifest/manifest.h"

namespace {
void Append(std::string& arguments, const char* switches) {
    if (!arguments.empty())
        arguments += ' ';
    arguments += switches;
}
} // namespace

std::string BrowserArguments(const AppManifest& manifest) {
    std::string arguments = manifest.chromiumArgs;
    if (manifest.runInBackground)
        Append(arguments, kRunInBackgroundSwitches);
    if (manifest.autoplay)
        Append(arguments, kAutoplaySwitch);
    return arguments;
}
