#include "plugin/install/private_folder.h"

#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <vector>

#include "plugin/file_handle.h"
#include "plugin/install/install_fs.h"

namespace qln::install {

namespace {

struct LocalFreer {
    void operator()(void* p) const { LocalFree(p); }
};

// The SID of the account this process runs as (SYSTEM for a service), as SDDL text.
std::wstring AccountSidText() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    KernelHandle holder(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    if (!GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return {};
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
    std::wstring sid(text);
    LocalFree(text);
    return sid;
}

bool SidFromText(const wchar_t* text, std::vector<BYTE>& sid) {
    PSID converted = nullptr;
    if (!ConvertStringSidToSidW(text, &converted)) return false;
    sid.assign(static_cast<BYTE*>(converted), static_cast<BYTE*>(converted) + GetLengthSid(converted));
    LocalFree(converted);
    return true;
}

// The accounts that may own and write what the installation trusts.
bool IsTrustedSid(PSID sid) {
    static const std::vector<std::vector<BYTE>> trusted = [] {
        std::vector<std::vector<BYTE>> sids;
        for (const std::wstring& text : {AccountSidText(), std::wstring(L"BA"), std::wstring(L"SY")}) {
            std::vector<BYTE> sid;
            if (!text.empty() && SidFromText(text.c_str(), sid)) sids.push_back(std::move(sid));
        }
        return sids;
    }();
    for (const std::vector<BYTE>& known : trusted)
        if (IsValidSid(sid) && EqualSid(sid, const_cast<BYTE*>(known.data()))) return true;
    return false;
}

constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                     FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                     GENERIC_ALL;

std::wstring RandomSuffix() {
    // Unguessable enough that no one can prepare the name, and CREATE_NEW-like creation makes a
    // prepared one fail anyway; the counter keeps names of one process apart.
    static LONG counter = 0;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const unsigned long long mixed = (static_cast<unsigned long long>(now.QuadPart) * 0x9E3779B97F4A7C15ull) ^
                                     (static_cast<unsigned long long>(GetCurrentProcessId()) << 32) ^
                                     static_cast<unsigned long long>(InterlockedIncrement(&counter)) ^
                                     reinterpret_cast<std::uintptr_t>(&now);
    wchar_t text[17];
    swprintf(text, 17, L"%016llx", mixed);
    return text;
}

}  // namespace

std::wstring CreatePrivateFolder(const std::wstring& parent, const std::wstring& prefix, DWORD& error) {
    const std::wstring account = AccountSidText();
    if (account.empty()) {
        error = ERROR_ACCESS_DENIED;
        return {};
    }
    const std::wstring sddl =
        L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + account + L")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        error = GetLastError();
        return {};
    }
    std::unique_ptr<void, LocalFreer> holder(descriptor);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::wstring path = parent + L"\\" + prefix + RandomSuffix();
        // CreateDirectory never opens what is there already: a name someone prepared fails here.
        if (!CreateDirectoryW(path.c_str(), &attributes)) {
            error = GetLastError();
            if (error == ERROR_ALREADY_EXISTS) continue;
            return {};
        }
        if (!IsPrivateFolder(path)) {
            RemoveDirectoryW(path.c_str());
            error = ERROR_ACCESS_DENIED;
            return {};
        }
        error = 0;
        return path;
    }
    return {};
}

bool IsPrivateFolder(const std::wstring& path) {
    FileHandle folder(CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!folder || !GetFileInformationByHandle(folder.get(), &info)) return false;
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(folder.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                        nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    std::unique_ptr<void, LocalFreer> holder(descriptor);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!owner || !dacl || !IsTrustedSid(owner) || !GetSecurityDescriptorControl(descriptor, &control, &revision))
        return false;
    // Protected: nothing comes from the folder above. Wine keeps no protection flag (it maps a
    // DACL onto Unix modes), but neither does it mark entries as inherited, which is what the
    // flag is about.
    const bool isProtected = (control & SE_DACL_PROTECTED) != 0;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) return false;
        const auto* header = static_cast<ACE_HEADER*>(ace);
        if (!isProtected && (header->AceFlags & INHERITED_ACE)) return false;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;  // a deny never lets anyone in
        const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if ((allowed->Mask & kWriteRights) && !IsTrustedSid(const_cast<DWORD*>(&allowed->SidStart))) return false;
    }
    return true;
}

bool HasTrustedOwner(HANDLE file) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return false;
    const std::unique_ptr<void, LocalFreer> holder(descriptor);
    return owner && IsTrustedSid(owner);
}

void AdoptParentPermissions(const std::wstring& path) {
    ACL empty;
    if (!InitializeAcl(&empty, sizeof(empty), ACL_REVISION)) return;
    // An empty DACL that is no longer protected: Windows fills it from the new parent's
    // inheritable entries (and passes them on below a folder).
    SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, &empty,
                          nullptr);
}

}  // namespace qln::install
