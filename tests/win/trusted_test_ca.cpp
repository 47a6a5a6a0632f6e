#include "trusted_test_ca.h"

#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "zip_writer.h"

namespace qln::test {

namespace {

constexpr const wchar_t* kRootKey = L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";

}  // namespace

TrustedTestCa::TrustedTestCa(const std::wstring& caDer) {
    const std::string der = ReadBytes(caDer);
    EXPECT_FALSE(der.empty()) << "no test CA; tests/tools/make_test_certs.sh makes it at build time";
    PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                       static_cast<DWORD>(der.size()));
    EXPECT_NE(cert, nullptr);
    if (!cert) return;
    BYTE hash[20];
    DWORD size = sizeof(hash);
    if (CertGetCertificateContextProperty(cert, CERT_SHA1_HASH_PROP_ID, hash, &size)) {
        wchar_t hex[3];
        for (DWORD i = 0; i < size; ++i) {
            std::swprintf(hex, 3, L"%02X", hash[i]);
            thumbprint_ += hex;
        }
    }
    CertFreeCertificateContext(cert);
    // The store's serialized form, one property: CERT_CERT_PROP_ID (32), a reserved 1, its
    // length, the certificate.
    std::string blob(12, '\0');
    const std::uint32_t header[3] = {32, 1, static_cast<std::uint32_t>(der.size())};
    std::memcpy(blob.data(), header, sizeof(header));
    blob += der;
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Key().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (key) {
        RegSetValueExW(key, L"Blob", 0, REG_BINARY, reinterpret_cast<const BYTE*>(blob.data()),
                       static_cast<DWORD>(blob.size()));
        RegCloseKey(key);
    }
    EXPECT_EQ(thumbprint_.size(), 40u);
    EXPECT_TRUE(Present());
}

TrustedTestCa::~TrustedTestCa() {
    if (thumbprint_.empty()) return;
    RegDeleteTreeW(HKEY_CURRENT_USER, Key().c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, Key().c_str());
    EXPECT_FALSE(Present()) << "the test CA must not stay trusted";
}

bool TrustedTestCa::Present() const {
    HKEY key = nullptr;
    const bool there = RegOpenKeyExW(HKEY_CURRENT_USER, Key().c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (key) RegCloseKey(key);
    return there;
}

std::wstring TrustedTestCa::Key() const { return kRootKey + thumbprint_; }

}  // namespace qln::test
