#pragma once
// Only the runtime's vendor's installer runs: a valid Authenticode signature,
// a chain to a trusted root, and the vendor as signer. Portable decision; the
// check itself is Windows code (installer_trust.cpp).
#include <cstdint>
#include <string>

// The signer name the vendor's runtime installers carry.
inline constexpr char kRuntimeVendorSigner[] = "Microsoft Corporation";

// trustResult: WinVerifyTrust's answer; chainErrors: the signer chain's
// CERT_TRUST_STATUS error bits (0: none); signer: the signing certificate's
// simple display name, exactly.
bool AcceptsRuntimeInstaller(int32_t trustResult, uint32_t chainErrors, const std::string& signer);
