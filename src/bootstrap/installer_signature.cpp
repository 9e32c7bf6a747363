#include "bootstrap/installer_signature.h"

bool AcceptsRuntimeInstaller(int32_t trustResult, uint32_t chainErrors, const std::string& signer) {
    // The chain is looked at too: Wine's WinVerifyTrust accepts a signature
    // whose root is not trusted, Windows' does not.
    return trustResult == 0 && chainErrors == 0 && signer == kRuntimeVendorSigner;
}
