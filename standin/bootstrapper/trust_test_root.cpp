// Adds the tests' signing root (a DER file) to the machine's trusted roots of
// the Wine prefix it runs in: run only in the test prefix, by the tests.
#include <cstdio>
#include <vector>

#include <windows.h>
#include <wincrypt.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2)
        return 2;
    std::vector<BYTE> der(65536);
    FILE* file = _wfopen(argv[1], L"rb");
    if (!file)
        return 1;
    const size_t size = std::fread(der.data(), 1, der.size(), file);
    std::fclose(file);
    // The registry store itself: the system "Root" store Wine opens is a copy
    // in memory, and what is added to it is not kept.
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\SystemCertificates\\Root", 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 1;
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_REG, 0, 0, 0, key);
    const BOOL added = store && CertAddEncodedCertificateToStore(
                                    store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(size),
                                    CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    const BOOL committed = store && CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    if (store)
        CertCloseStore(store, 0);
    RegCloseKey(key);
    return added && committed ? 0 : 1;
}
