#include "webview/environment_options.h"

#include <cstring>

#include "util/com_object.h"

namespace {
// A CoTaskMemAlloc copy, which is how getters hand strings to their callers.
HRESULT CopyOut(const std::wstring& text, LPWSTR* value) {
    if (!value)
        return E_POINTER;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *value = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*value)
        return E_OUTOFMEMORY;
    std::memcpy(*value, text.c_str(), bytes);
    return S_OK;
}

HRESULT CopyIn(LPCWSTR value, std::wstring& text) {
    text = value ? value : L"";
    return S_OK;
}

class EnvironmentOptions final
    : public ComObject<EnvironmentOptions, ICoreWebView2EnvironmentOptions> {
public:
    HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) override {
        return CopyOut(additionalBrowserArguments_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) override {
        return CopyIn(value, additionalBrowserArguments_);
    }
    HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) override {
        return CopyOut(language_, value);
    }
    HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) override {
        return CopyIn(value, language_);
    }
    HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) override {
        return CopyOut(targetCompatibleBrowserVersion_, value);
    }
    HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) override {
        return CopyIn(value, targetCompatibleBrowserVersion_);
    }
    HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* value) override {
        if (!value)
            return E_POINTER;
        *value = allowSingleSignOn_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL value) override {
        allowSingleSignOn_ = value;
        return S_OK;
    }

private:
    std::wstring additionalBrowserArguments_;
    std::wstring language_;
    std::wstring targetCompatibleBrowserVersion_ = kTargetCompatibleBrowserVersion;
    BOOL allowSingleSignOn_ = FALSE;
};
} // namespace

com_ptr<ICoreWebView2EnvironmentOptions> MakeEnvironmentOptions() {
    return com_ptr<ICoreWebView2EnvironmentOptions>::attach(new EnvironmentOptions());
}
