#include "bootstrap/installer_trust.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "bootstrap/installer_signature.h"
#include "util/log/author_log.h"
#include "util/log/log_format.h"
#include "util/text/long_path.h"
#include "util/system_library.h"
#include "util/text/text.h"

namespace {
// The signature's checkers, loaded from System32 for one check.
struct TrustLibraries {
    SystemLibrary wintrust{L"wintrust.dll"};
    SystemLibrary crypt32{L"crypt32.dll"};
    decltype(&WinVerifyTrust) verify =
        wintrust.Export<decltype(&WinVerifyTrust)>("WinVerifyTrust");
    decltype(&WTHelperProvDataFromStateData) providerData =
        wintrust.Export<decltype(&WTHelperProvDataFromStateData)>("WTHelperProvDataFromStateData");
    decltype(&WTHelperGetProvSignerFromChain) signerFromChain =
        wintrust.Export<decltype(&WTHelperGetProvSignerFromChain)>(
            "WTHelperGetProvSignerFromChain");
    decltype(&CertGetNameStringW) nameOf =
        crypt32.Export<decltype(&CertGetNameStringW)>("CertGetNameStringW");

    bool Complete() const { return verify && providerData && signerFromChain && nameOf; }
};

// The provider's state from a WinVerifyTrust call, closed on every path.
class TrustState {
public:
    TrustState(const TrustLibraries& libraries, const std::wstring& path, HANDLE file)
        : libraries_(libraries) {
        fileInfo_.cbStruct = sizeof(fileInfo_);
        fileInfo_.pcwszFilePath = path.c_str();
        fileInfo_.hFile = file;
        data_.cbStruct = sizeof(data_);
        data_.dwUIChoice = WTD_UI_NONE;
        // No network: revocation needs the vendor's servers, which may be what is missing.
        data_.fdwRevocationChecks = WTD_REVOKE_NONE;
        data_.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
        data_.dwUnionChoice = WTD_CHOICE_FILE;
        data_.pFile = &fileInfo_;
        data_.dwStateAction = WTD_STATEACTION_VERIFY;
        result_ = libraries_.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    ~TrustState() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        libraries_.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    TrustState(const TrustState&) = delete;
    TrustState& operator=(const TrustState&) = delete;

    LONG result() const { return result_; }
    const CRYPT_PROVIDER_SGNR* Signer() const {
        CRYPT_PROVIDER_DATA* provider = libraries_.providerData(data_.hWVTStateData);
        return provider ? libraries_.signerFromChain(provider, 0, FALSE, 0) : nullptr;
    }
    std::string SignerName() const {
        const CRYPT_PROVIDER_SGNR* signer = Signer();
        if (!signer || signer->csCertChain == 0 || !signer->pasCertChain[0].pCert)
            return {};
        wchar_t name[256] = {};
        libraries_.nameOf(signer->pasCertChain[0].pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr,
                          name, static_cast<DWORD>(std::size(name)));
        return WideToUtf8(name);
    }

private:
    const TrustLibraries& libraries_;
    GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO fileInfo_ = {};
    WINTRUST_DATA data_ = {};
    LONG result_ = 0;
};
} // namespace

bool IsSignedByRuntimeVendor(const std::wstring& path, HANDLE file) {
    const TrustLibraries libraries;
    if (!libraries.Complete()) {
        LogForAuthor("runtime installer refused: wintrust.dll or crypt32.dll cannot be loaded");
        return false;
    }
    const TrustState state(libraries, path, file);
    const CRYPT_PROVIDER_SGNR* signer = state.Signer();
    const uint32_t chainErrors = signer && signer->pChainContext
                                     ? signer->pChainContext->TrustStatus.dwErrorStatus
                                     : CERT_TRUST_IS_PARTIAL_CHAIN;
    const std::string name = state.SignerName();
    const bool accepted = AcceptsRuntimeInstaller(state.result(), chainErrors, name);
    if (!accepted)
        LogForAuthor("runtime installer refused: signature " + HresultText(state.result()) +
                     ", chain errors " + std::to_string(chainErrors) + ", signer \"" + name + "\"");
    return accepted;
}

HANDLE OpenHeldAgainstWrites(const std::wstring& path) {
    return CreateFileW(ToLongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}
