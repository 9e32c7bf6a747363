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
    if (manifest.gpu == GpuPreference::HighPerformance)
        Append(arguments, kHighPerformanceGpuSwitch);
    if (manifest.gpu == GpuPreference::LowPower)
        Append(arguments, kLowPowerGpuSwitch);
    Append(arguments, kWindowsGamingInputOffSwitch);
    return arguments;
}

std::string GpuChoiceText(const AppManifest& manifest) {
    switch (manifest.gpu) {
    case GpuPreference::HighPerformance:
        return std::string("GPU: the high-performance one asked for (") +
               kHighPerformanceGpuSwitch + ")";
    case GpuPreference::LowPower:
        return std::string("GPU: the low-power one asked for (") + kLowPowerGpuSwitch + ")";
    case GpuPreference::Default:
        break;
    }
    return {};
}
