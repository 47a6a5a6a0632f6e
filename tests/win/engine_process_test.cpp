// What the engine takes from the system it runs on: the Windows version that decides where the
// modal loop sends a mouse wheel, and the executable's path as GetModuleFileNameW hands it over
// on the systems that cut a long path differently.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/app_info.h"
#include "test_support.h"

namespace qln {
namespace {

// Wine's per-program Windows version (HKCU\Software\Wine\AppDefaults\<exe>\Version) for the
// length of a scope; the value that was there before comes back, or none.
class WineVersionFor {
public:
    WineVersionFor(const std::wstring& exeName, const wchar_t* version)
        : key_(L"Software\\Wine\\AppDefaults\\" + exeName) {
        wchar_t old[64] = {};
        DWORD size = sizeof(old);
        had_ = RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), L"Version", RRF_RT_REG_SZ, nullptr, old, &size) ==
               ERROR_SUCCESS;
        old_ = old;
        Set(version);
    }
    ~WineVersionFor() { Set(had_ ? old_.c_str() : nullptr); }
    WineVersionFor(const WineVersionFor&) = delete;
    WineVersionFor& operator=(const WineVersionFor&) = delete;

private:
    void Set(const wchar_t* version) {
        if (!version) {
            RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.c_str(), L"Version");
            RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str());  // only when nothing else is in it
            return;
        }
        RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), L"Version", REG_SZ, version,
                        static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
    }
    std::wstring key_;
    bool had_ = false;
    std::wstring old_;
};

// Up to Windows 7 a wheel message goes to the window under the cursor; from Windows 8 on it is
// dispatched to the window it was sent to.
TEST(ModalLoopWheel, GoesUnderTheCursorUpToWindows7AndWhereItWasSentAfter) {
    constexpr int kUnderCursor = 1, kAddressee = 2;
    const struct {
        const wchar_t* wine;
        int minVersion, maxVersion;  // what GetVersionExW reports under that setting
        int receiver;
    } cases[] = {
        {L"vista", 60, 60, kUnderCursor},
        {L"win7", 61, 61, kUnderCursor},
        {L"win8", 62, 62, kAddressee},
        {L"win10", 62, 100, kAddressee},  // 6.2 for a program that does not declare Windows 10
    };
    const std::wstring exe = QLN_WHEEL_PROBE_WINPATH;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "Wine version " << testing::PrintToString(std::wstring(c.wine)));
        WineVersionFor version(exe.substr(exe.find_last_of(L'\\') + 1), c.wine);
        test::Process probe = test::StartProcess(exe);
        ASSERT_TRUE(probe.Started());
        const DWORD code = probe.WaitExit(15000);
        ASSERT_NE(code, STILL_ACTIVE);
        EXPECT_GE(static_cast<int>(code / 10), c.minVersion);
        EXPECT_LE(static_cast<int>(code / 10), c.maxVersion);
        EXPECT_EQ(static_cast<int>(code % 10), c.receiver);
    }
}

// Replaces one import of this program for the length of a scope, by rewriting its entry in the
// import address table (the calls of a static program go through it).
class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, void* replacement) {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
            if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
            auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
                slot_ = reinterpret_cast<ULONG_PTR*>(&slots->u1.Function);
                saved_ = Write(reinterpret_cast<ULONG_PTR>(replacement));
                return;
            }
        }
    }
    ~ImportPatch() {
        if (slot_) Write(saved_);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    bool Applied() const { return slot_ != nullptr; }

private:
    ULONG_PTR Write(ULONG_PTR value) {
        DWORD old = 0;
        VirtualProtect(slot_, sizeof(*slot_), PAGE_READWRITE, &old);
        const ULONG_PTR before = *slot_;
        *slot_ = value;
        VirtualProtect(slot_, sizeof(*slot_), old, &old);
        return before;
    }
    ULONG_PTR* slot_ = nullptr;
    ULONG_PTR saved_ = 0;
};

// GetModuleFileNameW as the two families of Windows answer for a path too long for the buffer:
// since Vista cut to size − 1 units and terminated; on XP cut to size units, unterminated.
std::wstring g_modulePath;
bool g_xpCut = false;
DWORD WINAPI ModuleFileNameAsWindows(HMODULE, LPWSTR buffer, DWORD size) {
    const DWORD length = static_cast<DWORD>(g_modulePath.size());
    if (length < size) {
        g_modulePath.copy(buffer, length);
        buffer[length] = L'\0';
        return length;
    }
    const DWORD copied = g_xpCut ? size : size - 1;
    g_modulePath.copy(buffer, copied);
    if (!g_xpCut) buffer[copied] = L'\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

TEST(AppInfoPath, TakesEveryUnitOfAMaxPathBufferAndStaysTerminated) {
    // A path of `length` units ending in "\QuorlenInstaller.exe".
    auto pathOf = [](size_t length) {
        const std::wstring name = L"\\QuorlenInstaller.exe";
        std::wstring folder = L"C:\\装";
        while (folder.size() + name.size() < length) folder += folder.size() % 40 == 0 ? L'\\' : L'目';
        return folder + name;
    };
    const struct {
        size_t length;
        bool xpCut;
        size_t kept;  // units of the path a 260-unit buffer holds
    } cases[] = {
        {40, false, 40}, {259, false, 259}, {259, true, 259}, {260, false, 259}, {300, false, 259}, {300, true, 259},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " units, " << (c.xpCut ? "XP" : "Vista and later"));
        g_modulePath = pathOf(c.length);
        ASSERT_EQ(g_modulePath.size(), c.length);
        g_xpCut = c.xpCut;
        {
            ImportPatch patch("kernel32.dll", "GetModuleFileNameW", reinterpret_cast<void*>(ModuleFileNameAsWindows));
            ASSERT_TRUE(patch.Applied());
            FillAppInfo();
        }
        const std::wstring kept = g_modulePath.substr(0, c.kept);
        const size_t cut = kept.rfind(L'\\') + 1;
        EXPECT_EQ(std::wstring(AppInfo.ExePath), kept.substr(0, cut));
        EXPECT_EQ(std::wstring(AppInfo.ExeName), kept.substr(cut));
    }
    FillAppInfo();
}

}  // namespace
}  // namespace qln
