#include "webview/environment_options.h"

#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {
// Strings as the SDK's class keeps them: unset (null) or a text, handed out as a
// CoTaskMemAlloc copy, or as null when unset.
class OptionalText {
public:
    explicit OptionalText(const wchar_t* initial = nullptr) { Set(initial); }
    void Set(LPCWSTR value) { text_ = value ? std::optional<std::wstring>(value) : std::nullopt; }
    HRESULT CopyOut(LPWSTR* value) const {
        if (!value)
            return E_POINTER;
        *value = nullptr;
        if (!text_)
            return S_OK;
        const size_t bytes = (text_->size() + 1) * sizeof(wchar_t);
        *value = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
        if (!*value)
            return E_OUTOFMEMORY;
        std::memcpy(*value, text_->c_str(), bytes);
        return S_OK;
    }

private:
    std::optional<std::wstring> text_;
};

template <typename T> HRESULT CopyOut(T stored, T* value) {
    if (!value)
        return E_POINTER;
    *value = stored;
    return S_OK;
}

using SchemeRegistration = com_ptr<ICoreWebView2CustomSchemeRegistration>;

class EnvironmentOptions final : public ICoreWebView2EnvironmentOptions,
                                 public ICoreWebView2EnvironmentOptions2,
                                 public ICoreWebView2EnvironmentOptions3,
                                 public ICoreWebView2EnvironmentOptions4,
                                 public ICoreWebView2EnvironmentOptions5,
                                 public ICoreWebView2EnvironmentOptions6,
                                 public ICoreWebView2EnvironmentOptions7,
                                 public ICoreWebView2EnvironmentOptions8 {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG remaining = --references_;
        if (remaining == 0)
            delete this;
        return remaining;
    }

    // ICoreWebView2EnvironmentOptions
    HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) override {
        return additionalBrowserArguments_.CopyOut(value);
    }
    HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) override {
        additionalBrowserArguments_.Set(value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) override {
        return language_.CopyOut(value);
    }
    HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) override {
        language_.Set(value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) override {
        return targetCompatibleBrowserVersion_.CopyOut(value);
    }
    HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) override {
        targetCompatibleBrowserVersion_.Set(value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* value) override {
        return CopyOut(allowSingleSignOn_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL value) override {
        allowSingleSignOn_ = value;
        return S_OK;
    }

    // ICoreWebView2EnvironmentOptions2, 3, 5 and 6: flags
    HRESULT STDMETHODCALLTYPE get_ExclusiveUserDataFolderAccess(BOOL* value) override {
        return CopyOut(exclusiveUserDataFolderAccess_, value);
    }
    HRESULT STDMETHODCALLTYPE put_ExclusiveUserDataFolderAccess(BOOL value) override {
        exclusiveUserDataFolderAccess_ = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_IsCustomCrashReportingEnabled(BOOL* value) override {
        return CopyOut(customCrashReporting_, value);
    }
    HRESULT STDMETHODCALLTYPE put_IsCustomCrashReportingEnabled(BOOL value) override {
        customCrashReporting_ = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_EnableTrackingPrevention(BOOL* value) override {
        return CopyOut(trackingPrevention_, value);
    }
    HRESULT STDMETHODCALLTYPE put_EnableTrackingPrevention(BOOL value) override {
        trackingPrevention_ = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_AreBrowserExtensionsEnabled(BOOL* value) override {
        return CopyOut(browserExtensions_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AreBrowserExtensionsEnabled(BOOL value) override {
        browserExtensions_ = value;
        return S_OK;
    }

    // ICoreWebView2EnvironmentOptions4
    HRESULT STDMETHODCALLTYPE GetCustomSchemeRegistrations(
        UINT32* count, ICoreWebView2CustomSchemeRegistration*** registrations) override;
    HRESULT STDMETHODCALLTYPE SetCustomSchemeRegistrations(
        UINT32 count, ICoreWebView2CustomSchemeRegistration** registrations) override;

    // ICoreWebView2EnvironmentOptions7 and 8
    HRESULT STDMETHODCALLTYPE
    get_ChannelSearchKind(COREWEBVIEW2_CHANNEL_SEARCH_KIND* value) override {
        return CopyOut(channelSearchKind_, value);
    }
    HRESULT STDMETHODCALLTYPE
    put_ChannelSearchKind(COREWEBVIEW2_CHANNEL_SEARCH_KIND value) override {
        channelSearchKind_ = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ReleaseChannels(COREWEBVIEW2_RELEASE_CHANNELS* value) override {
        return CopyOut(releaseChannels_, value);
    }
    HRESULT STDMETHODCALLTYPE put_ReleaseChannels(COREWEBVIEW2_RELEASE_CHANNELS value) override {
        releaseChannels_ = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ScrollBarStyle(COREWEBVIEW2_SCROLLBAR_STYLE* value) override {
        return CopyOut(scrollBarStyle_, value);
    }
    HRESULT STDMETHODCALLTYPE put_ScrollBarStyle(COREWEBVIEW2_SCROLLBAR_STYLE value) override {
        scrollBarStyle_ = value;
        return S_OK;
    }

private:
    ~EnvironmentOptions() = default;

    std::atomic<ULONG> references_{1};
    OptionalText additionalBrowserArguments_;
    OptionalText language_;
    OptionalText targetCompatibleBrowserVersion_{kTargetCompatibleBrowserVersion};
    BOOL allowSingleSignOn_ = FALSE;
    BOOL exclusiveUserDataFolderAccess_ = FALSE;
    BOOL customCrashReporting_ = FALSE;
    BOOL trackingPrevention_ = TRUE;
    BOOL browserExtensions_ = FALSE;
    std::vector<SchemeRegistration> schemeRegistrations_;
    COREWEBVIEW2_CHANNEL_SEARCH_KIND channelSearchKind_ =
        COREWEBVIEW2_CHANNEL_SEARCH_KIND_MOST_STABLE;
    COREWEBVIEW2_RELEASE_CHANNELS releaseChannels_ =
        COREWEBVIEW2_RELEASE_CHANNELS_STABLE | COREWEBVIEW2_RELEASE_CHANNELS_BETA |
        COREWEBVIEW2_RELEASE_CHANNELS_DEV | COREWEBVIEW2_RELEASE_CHANNELS_CANARY;
    COREWEBVIEW2_SCROLLBAR_STYLE scrollBarStyle_ = COREWEBVIEW2_SCROLLBAR_STYLE_DEFAULT;
};

HRESULT EnvironmentOptions::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_ICoreWebView2EnvironmentOptions)
        *object = static_cast<ICoreWebView2EnvironmentOptions*>(this);
    else if (iid == IID_ICoreWebView2EnvironmentOptions2)
        *object = static_cast<ICoreWebView2EnvironmentOptions2*>(this);
    else if (iid == IID_ICoreWebView2EnvironmentOptions3)
        *object = static_cast<ICoreWebView2EnvironmentOptions3*>(this);
    else if (iid == IID_ICoreWebView2EnvironmentOptions4)
        *object = static_cast<ICoreWebView2EnvironmentOptions4*>(this);
    else if (iid == IID_ICoreWebView2EnvironmentOptions5)
        *object = static_cast<ICoreWebView2EnvironmentOptions5*>(this);
    else if (iid == IID_ICoreWebView2EnvironmentOptions6)
        *object = static_cast<ICoreWebView2EnvironmentOptions6*>(this);
    else if (iid == IID_ICoreWebView2EnvironmentOptions7)
        *object = static_cast<ICoreWebView2EnvironmentOptions7*>(this);
    else if (iid == IID_ICoreWebView2EnvironmentOptions8)
        *object = static_cast<ICoreWebView2EnvironmentOptions8*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

// The caller gets an array it frees with CoTaskMemFree and one reference to each.
HRESULT EnvironmentOptions::GetCustomSchemeRegistrations(
    UINT32* count, ICoreWebView2CustomSchemeRegistration*** registrations) {
    if (!count || !registrations)
        return E_POINTER;
    *count = 0;
    *registrations = nullptr;
    if (schemeRegistrations_.empty())
        return S_OK;
    auto* array = static_cast<ICoreWebView2CustomSchemeRegistration**>(CoTaskMemAlloc(
        sizeof(ICoreWebView2CustomSchemeRegistration*) * schemeRegistrations_.size()));
    if (!array)
        return E_OUTOFMEMORY;
    for (size_t i = 0; i < schemeRegistrations_.size(); ++i) {
        array[i] = schemeRegistrations_[i].get();
        array[i]->AddRef();
    }
    *count = static_cast<UINT32>(schemeRegistrations_.size());
    *registrations = array;
    return S_OK;
}

HRESULT EnvironmentOptions::SetCustomSchemeRegistrations(
    UINT32 count, ICoreWebView2CustomSchemeRegistration** registrations) {
    if (count > 0 && !registrations)
        return E_POINTER;
    std::vector<SchemeRegistration> kept;
    for (UINT32 i = 0; i < count; ++i) {
        if (!registrations[i])
            return E_INVALIDARG;
        kept.push_back(SchemeRegistration::copy_from(registrations[i]));
    }
    schemeRegistrations_ = std::move(kept);
    return S_OK;
}
} // namespace

com_ptr<ICoreWebView2EnvironmentOptions> MakeEnvironmentOptions() {
    return com_ptr<ICoreWebView2EnvironmentOptions>::attach(new EnvironmentOptions());
}
