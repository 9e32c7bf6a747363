// The entry through which the vendor's WebView2Loader.dll starts a runtime: given
// a fixed-version folder, it loads EBWebView\x64\EmbeddedBrowserWebView.dll from
// there (after reading the DLL's product version) and calls this. Built into the
// stand-in's EmbeddedBrowserWebView.dll, so the vendor's loader drives the stand-in.
#include "environment_creation.h"
#include "objects.h"

namespace {
// The runtime's objects and posted completions live in this library, so it stays
// loaded until the process ends, whatever the loader does with its handle.
void PinThisLibrary() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&PinThisLibrary), &self);
}
} // namespace

extern "C" HRESULT STDAPICALLTYPE CreateWebViewEnvironmentWithOptionsInternal(
    bool checkRunningInstance, int runtimeType, PCWSTR userDataFolder, IUnknown* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    PinThisLibrary();
    ICoreWebView2EnvironmentOptions* typedOptions = nullptr;
    if (options)
        options->QueryInterface(IidOf<ICoreWebView2EnvironmentOptions>(),
                                reinterpret_cast<void**>(&typedOptions));
    const Json args = {checkRunningInstance, runtimeType, ToJson(userDataFolder),
                       OptionValues(typedOptions), handler != nullptr};
    if (typedOptions)
        typedOptions->Release();
    return ReportAndCreateEnvironment("runtime", "CreateWebViewEnvironmentWithOptionsInternal",
                                      args, userDataFolder, handler);
}

// The loader frees the library when this says it may; the stand-in stays loaded.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return S_FALSE;
}
