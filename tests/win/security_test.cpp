// Unattended runs as a deployment tool makes them, against what a standard user of the machine
// could plant where the installer works: links, forged journals and work areas, files under the
// names the installer once used, zip bombs, a data file given to /log:, DLLs beside the
// executable. Each row plants, runs the installer (its start-up recovery included), and checks
// that a protected folder outside Plugins is byte for byte as before.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <functional>

#include "discovery/discovery.h"
#include "install_test_hooks.h"
#include "install_test_support.h"
#include "plugin/package_install.h"
#include "test_support.h"
#include "window_search.h"
#include "zip_writer.h"

namespace qln {
namespace {

const std::string kMainRb = "puts 'demo'\n";

class SecurityTest : public ::testing::Test {
public:  // the rows below reach the fixture through a reference
    void SetUp() override {
        test::ResetDiscoveryWorld();
        test::SeedVersion(L"SketchUp 2023", QLN_STANDIN_WINPATH, true);
        plugins_ = GetPluginsDir(L"SketchUp 2023", PluginsKind::AllUsers);
        test::MakeDirs(plugins_);
        protected_ = test::ScratchRoot() + L"\\protected";
        test::MakeDirs(protected_ + L"\\sub");
        test::WriteTextFile(protected_ + L"\\victim.txt", "only administrators may change this");
        test::WriteBytes(protected_ + L"\\sub\\data.bin", std::string(1 << 20, '\x5a'));
        // Names the installer's work folder once used for its own files.
        test::WriteTextFile(protected_ + L"\\journal", "an administrator's file");
        test::MakeDirs(protected_ + L"\\backup");
        test::WriteTextFile(protected_ + L"\\backup\\0", "an administrator's file");
        package_ = test::ScratchRoot() + L"\\pkg.rbz";
        test::WriteBytes(package_, test::BuildZip({test::Folder("qln_demo/"), test::File("qln_demo/main.rb", kMainRb, true),
                                                   test::File("qln_demo.rb", "require 'qln_demo/main'\n")}));
    }
    void TearDown() override {
        test::RunUnix("umount -l '" + test::UnixPath8(VersionFolder()) + "' 2>/dev/null");
        // Links first: nothing that cleans up afterwards may follow one.
        for (const std::wstring& root : {test::ScratchRoot(), test::AllUsersScanRoot(), Temp()})
            test::RunUnix("find '" + test::UnixPath8(root) + "' -maxdepth 6 -type l -delete");
        test::RunUnix("chmod -R u+rwx '" + test::UnixPath8(test::AllUsersScanRoot()) + "'");
        test::ResetDiscoveryWorld();
    }

    std::wstring VersionFolder() const { return plugins_.substr(0, plugins_.rfind(L'\\')); }
    static std::wstring Temp() {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        return std::wstring(temp).substr(0, wcslen(temp) - 1);
    }
    static void Link(const std::wstring& at, const std::wstring& to) {
        ASSERT_EQ(test::RunUnix("ln -s '" + test::UnixPath8(to) + "' '" + test::UnixPath8(at) + "'"), 0);
    }
    // A work area with a journal that would put "planted" over `name`: one the installing
    // account could have made when `ours`, else one that everybody may write.
    // (Under Wine a folder the test's own account makes reads back as private: owner the account,
    // write for it and SYSTEM only.)
    static void ForgeArea(const std::wstring& area, const std::string& name, bool ours) {
        ASSERT_TRUE(CreateDirectoryW(area.c_str(), nullptr));
        test::MakeDirs(area + L"\\backup");
        test::WriteTextFile(area + L"\\backup\\0", "planted");
        test::WriteTextFile(area + L"\\journal", "QLN-INSTALL-JOURNAL 1\nF 0 " + name + "\nEND\n");
        if (!ours) test::RunUnix("chmod -R 777 '" + test::UnixPath8(area) + "'");
    }

    DWORD Run(const std::wstring& args) {
        test::Process run = test::StartProcess(QLN_DEMO_EXE_WINPATH, L"/quiet /allusers /version:2023 " + args);
        EXPECT_TRUE(run.Started());
        return run.WaitExit(30000);
    }
    std::wstring PackageArg() const { return L"/package:\"" + package_ + L"\""; }
    bool Installed() const { return test::ReadBytes(plugins_ + L"\\qln_demo\\main.rb") == kMainRb; }

    std::wstring plugins_, protected_, package_;
};

// Patches the uncompressed size of every member, in its local header and the central directory.
std::string WithStatedSize(std::string zip, std::uint32_t size) {
    for (const auto& [signature, offset] : {std::pair{std::string("PK\3\4", 4), 22}, {std::string("PK\1\2", 4), 24}})
        for (std::size_t at = zip.find(signature); at != std::string::npos; at = zip.find(signature, at + 4))
            for (int i = 0; i < 4; ++i) zip[at + offset + i] = static_cast<char>(size >> (8 * i));
    return zip;
}

struct Attack {
    const char* name;
    std::function<void(SecurityTest&)> plant;
    std::function<std::wstring(SecurityTest&)> args;  // empty: install the package
    DWORD exitCode;
    std::function<void(SecurityTest&)> check;  // besides the protected folder's bytes
};

TEST_F(SecurityTest, NothingPlantedTurnsAnInstallationAgainstTheMachine) {
    const std::wstring aside = L".qln-aside-1";
    auto log = [](const std::wstring& to) {
        return [to](SecurityTest& t) { return L"/log:\"" + (to.empty() ? t.protected_ : t.protected_ + to) + L"\" " + t.PackageArg(); };
    };
    auto bomb = [](std::string zip) {
        return [zip](SecurityTest& t) { test::WriteBytes(t.package_, zip); };
    };
    // On a 2 MB disk a bomb that got unpacked would fill it (32) before it is found damaged (29).
    auto bombOnSmallDisk = [](std::string zip) {
        return [zip](SecurityTest& t) {
            ASSERT_EQ(test::RunUnix("mount -t tmpfs -o size=2m tmpfs '" + test::UnixPath8(t.VersionFolder()) + "'"), 0);
            test::MakeDirs(t.plugins_);
            test::WriteBytes(t.package_, zip);
        };
    };
    std::vector<test::ZipEntry> many;
    for (int i = 0; i <= 20000; ++i) many.push_back(test::Folder("d" + std::to_string(i) + "/"));
    const std::string zeros(64 << 20, '\0');
    const std::vector<Attack> attacks = {
        {"forged journal in a work area that everybody may write: its backup would become a plugin",
         [](SecurityTest& t) { ForgeArea(t.plugins_ + L".qln-install-1", "evil.rb", false); }, {}, 0,
         [&](SecurityTest& t) {
             EXPECT_FALSE(FileExists(t.plugins_ + L"\\evil.rb"));
             EXPECT_TRUE(test::IsDirectory(t.plugins_ + aside));
         }},
        {"forged journal whose name climbs out of Plugins",
         [](SecurityTest& t) { ForgeArea(t.plugins_ + L".qln-install-1", "..\\..\\..\\..\\qln-tests\\protected\\victim.txt", true); },
         {}, 0, [&](SecurityTest& t) { EXPECT_TRUE(test::IsDirectory(t.plugins_ + aside)); }},
        {"forged journal stepping through a link below Plugins",
         [](SecurityTest& t) {
             Link(t.plugins_ + L"\\lnk", t.protected_);
             ForgeArea(t.plugins_ + L".qln-install-1", "lnk\\victim.txt", true);
         },
         {}, 0, [&](SecurityTest& t) { EXPECT_TRUE(test::IsDirectory(t.plugins_ + aside)); }},
        {"forged journal beside a folder that is no version",
         [](SecurityTest& t) {
             const std::wstring evil = test::AllUsersScanRoot() + L"\\Evil\\SketchUp\\Plugins";
             test::MakeDirs(evil);
             Link(evil + L"\\lnk", t.protected_);
             ForgeArea(evil + L".qln-install-1", "lnk\\victim.txt", true);
         },
         {}, 0, [](SecurityTest&) {
             EXPECT_EQ(test::ReadBytes(test::AllUsersScanRoot() + L"\\Evil\\SketchUp\\Plugins.qln-install-1\\backup\\0"), "planted");
         }},
        {"the old fixed work folder name planted as a link", [](SecurityTest& t) { Link(t.plugins_ + L".qln-install", t.protected_); },
         {}, 0, [](SecurityTest& t) { EXPECT_TRUE(t.Installed()); }},
        {"a link where the package has a folder", [](SecurityTest& t) { Link(t.plugins_ + L"\\qln_demo", t.protected_); },
         {}, 34, [](SecurityTest& t) { EXPECT_FALSE(FileExists(t.plugins_ + L"\\qln_demo.rb")); }},
        {"links under the temporary names the installer once used",
         [](SecurityTest& t) {
             for (const wchar_t* name : {L"\\qln_plugin.tmp", L"\\qln_local.tmp"}) Link(Temp() + name, t.protected_ + L"\\victim.txt");
             Link(Temp() + L"\\Plugins", t.protected_);
             test::RemoveTree(t.plugins_);
             RemoveDirectoryW(t.plugins_.c_str());
             const std::wstring thai = test::ScratchRoot() + L"\\แพ็คเกจ.rbz";  // no code page 936 name: read through a copy
             CopyFileW(t.package_.c_str(), thai.c_str(), FALSE);
             t.package_ = thai;
         },
         {}, 0, [](SecurityTest& t) { EXPECT_TRUE(t.Installed()); }},
        {"/log: a data file", {}, log(L"\\sub\\data.bin"), 21, [](SecurityTest& t) { EXPECT_FALSE(t.Installed()); }},
        {"/log: a folder", {}, log(L""), 21, [](SecurityTest& t) { EXPECT_FALSE(t.Installed()); }},
        {"/log: a link to a data file", [](SecurityTest& t) { Link(test::ScratchRoot() + L"\\lnk.log", t.protected_ + L"\\victim.txt"); },
         [](SecurityTest& t) { return L"/log:\"" + test::ScratchRoot() + L"\\lnk.log\" " + t.PackageArg(); }, 21, {}},
        {"/log: a device", {}, [](SecurityTest& t) { return L"/log:NUL " + t.PackageArg(); }, 21, {}},
        {"more members than any plugin has", bomb(test::BuildZip(many)), {}, 29, {}},
        {"stated sizes far beyond any plugin", bombOnSmallDisk(WithStatedSize(test::BuildZip({test::File("big.rb", zeros, true)}), 0xFFFFFFF0u)),
         {}, 29, {}},
        {"a member named like another file's short name",
         [](SecurityTest& t) {
             const std::wstring mine = t.plugins_ + L"\\my_own_long_named_plugin.rb";
             test::WriteTextFile(mine, "the user's own");
             wchar_t shortPath[MAX_PATH] = {};
             GetShortPathNameW(mine.c_str(), shortPath, MAX_PATH);
             const std::wstring leaf = std::wstring(shortPath).substr(std::wstring(shortPath).rfind(L'\\') + 1);
             ASSERT_NE(leaf, L"my_own_long_named_plugin.rb") << "no 8.3 alias to plant against";
             test::WriteBytes(t.package_, test::BuildZip({test::File(std::string(leaf.begin(), leaf.end()), "replaced")}));
         },
         {}, 34, [](SecurityTest& t) { EXPECT_EQ(test::ReadBytes(t.plugins_ + L"\\my_own_long_named_plugin.rb"), "the user's own"); }},
    };
    for (const Attack& attack : attacks) {
        SCOPED_TRACE(attack.name);
        TearDown();
        SetUp();
        const test::Tree before = test::Snapshot(protected_);
        if (attack.plant) attack.plant(*this);
        if (HasFatalFailure()) return;
        EXPECT_EQ(Run(attack.args ? attack.args(*this) : PackageArg()), attack.exitCode);
        EXPECT_EQ(test::TreeDifference(before, test::Snapshot(protected_)), "");
        if (attack.check) attack.check(*this);
    }
}

// A DLL of any name planted beside the executable is never loaded: not the imported GDI+ (the
// window) nor WinInet (a download), even with Wine told to prefer a native DLL of those names.
TEST_F(SecurityTest, DllsBesideTheExecutableAreNeverLoaded) {
    const std::wstring bin = test::ScratchRoot() + L"\\下载", marker = test::ScratchRoot() + L"\\marker.txt";
    test::MakeDirs(bin);
    ASSERT_TRUE(CopyFileW(QLN_DEMO_EXE_WINPATH, (bin + L"\\QuorlenInstaller.exe").c_str(), FALSE));
    for (const wchar_t* dll : {L"\\gdiplus.dll", L"\\wininet.dll"})
        ASSERT_TRUE(CopyFileW(QLN_PLANTED_DLL_WINPATH, (bin + dll).c_str(), FALSE));
    // Wine takes a child's overrides from the registry (per program name), not from the
    // environment a Windows parent gives it.
    const wchar_t* overrides = L"Software\\Wine\\AppDefaults\\QuorlenInstaller.exe\\DllOverrides";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, overrides, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    for (const wchar_t* dll : {L"gdiplus", L"wininet"})
        RegSetValueExW(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"native,builtin"), sizeof(L"native,builtin"));
    RegCloseKey(key);
    struct Forget {
        ~Forget() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\QuorlenInstaller.exe"); }
    } forget;
    const std::vector<std::pair<std::wstring, std::wstring>> env = {{L"QLN_PLANT_MARKER", marker}};
    test::Process window = test::StartProcess(bin + L"\\QuorlenInstaller.exe", L"", env);
    const HWND main = test::WaitForWindow(window.info.dwProcessId, L"Quorlen插件安装器_Form1", 20000, window.info.hProcess);
    ASSERT_TRUE(main) << "the window did not come up";
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(window.WaitExit(20000), 0u);
    test::Process download = test::StartProcess(bin + L"\\QuorlenInstaller.exe",
                                                L"/quiet /allusers /url:https://127.0.0.1:9/qln_plugin.rbz", env);
    EXPECT_EQ(download.WaitExit(30000), 26u);
    EXPECT_FALSE(FileExists(marker)) << test::ReadBytes(marker);
}

// The work area is made for this run, with a DACL read back as set: the installing account,
// Administrators and SYSTEM may write, nobody else; no existing folder is taken.
TEST_F(SecurityTest, TheWorkAreaIsPrivateAndNewForEachRun) {
    std::vector<std::wstring> areas;
    test::ScopedInstallHook hook([&](InstallStep step, std::size_t, const std::wstring& path) -> std::uint32_t {
        if (step != InstallStep::StageMember) return 0;
        const std::wstring area = path.substr(0, path.find(L"\\stage\\"));
        if (areas.empty() || areas.back() != area) areas.push_back(area);
        PSID owner = nullptr;
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        EXPECT_EQ(GetNamedSecurityInfoW(area.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        &owner, nullptr, &dacl, nullptr, &descriptor), ERROR_SUCCESS);
        wchar_t* text = nullptr;
        ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                             OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr);
        const std::wstring sddl = text ? text : L"";
        LocalFree(text);
        LocalFree(descriptor);
        // Everyone (WD), Users (BU) and Authenticated Users (AU) get nothing at all.
        for (const wchar_t* other : {L";WD)", L";BU)", L";AU)"}) EXPECT_EQ(sddl.find(other), std::wstring::npos) << sddl;
        EXPECT_NE(sddl.find(L";FA;;;SY)"), std::wstring::npos) << sddl;
        return 0;
    });
    test::MakeDirs(plugins_ + L".qln-install");
    EXPECT_EQ(InstallPackageFile(package_, plugins_).outcome, InstallOutcome::Succeeded);
    EXPECT_EQ(InstallPackageFile(package_, plugins_).outcome, InstallOutcome::Succeeded);
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_NE(areas[0], areas[1]);
    EXPECT_EQ(areas[0].rfind(L"\\\\?\\" + plugins_ + L".qln-install-", 0), 0u) << areas[0];
    EXPECT_EQ(test::ListFolder(plugins_ + L".qln-install"), L"") << "a folder that was there is not ours";
}

}  // namespace
}  // namespace qln
