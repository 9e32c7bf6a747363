#include "objects.h"

Settings::Settings() : StandinObject("ICoreWebView2Settings") {}

bool Settings::Offers(REFIID iid) const {
    if (iid == IidOf<ICoreWebView2Settings>())
        return true;
    const AgentConfig& config = Config();
    if (!config.settings3)
        return false;
    if (iid == IidOf<ICoreWebView2Settings2>() || iid == IidOf<ICoreWebView2Settings3>())
        return true;
    return config.settings6 &&
           (iid == IidOf<ICoreWebView2Settings4>() || iid == IidOf<ICoreWebView2Settings5>() ||
            iid == IidOf<ICoreWebView2Settings6>());
}

HRESULT Settings::Get(const std::string& name, BOOL* value) const {
    if (!value)
        return E_POINTER;
    auto it = values_.find(name);
    // The runtime's defaults: every one of these settings starts enabled (the
    // status bar, autofill, password saving, pinch zoom and swipes included).
    *value = it == values_.end() ? TRUE : it->second;
    return S_OK;
}

HRESULT Settings::Put(const char* interfaceName, const std::string& name, BOOL value) {
    STANDIN_ON_CREATING_THREAD(("put_" + name).c_str());
    ReportCall(*this, interfaceName, ("put_" + name).c_str(), {value != FALSE});
    values_[name] = value;
    return S_OK;
}

bool Settings::Enabled(const std::string& name) const {
    BOOL value = TRUE;
    Get(name, &value);
    return value != FALSE;
}
