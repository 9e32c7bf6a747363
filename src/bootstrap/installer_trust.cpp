#include "bootstrap/installer_trust.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "bootstrap/installer_signature.h"
#include "util/log/author_log.h"
#include "util/log/log_format.h"
#include "util/text/long_path.h"
#include "util/text/text.h"

namespace {
// The provider's state from a WinVerifyTrust call, closed on every path.
class TrustState {
public:
    TrustState(const std::wstring& path, HANDLE file) {
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
        result_ = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    ~TrustState() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    TrustState(const TrustState&) = delete;
    TrustState& operator=(const TrustState&) = delete;

    LONG result() const { return result_; }
    const CRYPT_PROVIDER_SGNR* Signer() const {
        CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data_.hWVTStateData);
        return provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
    }

private:
    GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO fileInfo_ = {};
    WINTRUST_DATA data_ = {};
    LONG result_ = 0;
};

std::string SignerName(const CRYPT_PROVIDER_SGNR* signer) {
    if (!signer || signer->csCertChain == 0 || !signer->pasCertChain[0].pCert)
        return {};
    wchar_t name[256] = {};
    CertGetNameStringW(signer->pasCertChain[0].pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr,
                       name, static_cast<DWORD>(std::size(name)));
    return WideToUtf8(name);
}
} // namespace

bool IsSignedByRuntimeVendor(const std::wstring& path, HANDLE file) {
    const TrustState state(path, file);
    const CRYPT_PROVIDER_SGNR* signer = state.Signer();
    const uint32_t chainErrors = signer && signer->pChainContext
                                     ? signer->pChainContext->TrustStatus.dwErrorStatus
                                     : CERT_TRUST_IS_PARTIAL_CHAIN;
    const std::string name = SignerName(signer);
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
