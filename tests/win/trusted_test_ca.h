// The test CA of tests/tools/make_test_certs.sh made trusted in this Wine prefix only, for the
// life of one object: written into the current user's registry Root store, removed afterwards.
// Wine's crypt32 reads that store when a process builds its first chain, so whatever process
// makes its first TLS connection while the object lives (this test or a program it starts)
// trusts the CA; the machine's own CA store is never touched.
#pragma once

#include <string>

namespace qln::test {

class TrustedTestCa {
public:
    // `caDer`: the CA certificate in DER form, a Windows path.
    explicit TrustedTestCa(const std::wstring& caDer);
    ~TrustedTestCa();
    TrustedTestCa(const TrustedTestCa&) = delete;
    TrustedTestCa& operator=(const TrustedTestCa&) = delete;
    bool Present() const;

private:
    std::wstring Key() const;
    std::wstring thumbprint_;
};

}  // namespace qln::test
