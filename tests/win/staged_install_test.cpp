// The staged installation over an installed plugin: every way an update can fail leaves every
// file of the target exactly as it was (bytes, dates, attributes), whatever the moves had done
// by then; a success leaves every member in place; files the package does not name are never
// touched; nothing of the installation's own stays beside the target.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "install_test_hooks.h"
#include "install_test_support.h"
#include "plugin/package_install.h"
#include "test_support.h"
#include "zip_writer.h"

namespace qln {
namespace {

using test::File;
using test::Folder;
using test::ReadBytes;
using test::ZipEntry;
using Entries = std::vector<ZipEntry>;

std::wstring Scratch() { return test::ScratchRoot() + L"\\staged"; }

ZipEntry Dated(ZipEntry entry, int year, int day) {
    entry.year = year, entry.month = 3, entry.day = day, entry.hour = 10, entry.minute = 20, entry.second = 30;
    return entry;
}

std::string Content(const std::string& name, int version, std::size_t size = 300) {
    std::string text = "# " + name + " v" + std::to_string(version) + "\n";
    while (text.size() < size) text += "puts '" + name + "'\n";
    return text;
}

// An installed plugin, version 1: folders, files at two depths, one read-only and one hidden file,
// a larger deflated member.
Entries Version1() {
    Entries e{Folder("qln_demo/"), Folder("qln_demo/lib/")};
    for (int i = 0; i < 8; ++i)
        e.push_back(Dated(File("qln_demo/lib/part" + std::to_string(i) + ".rb", Content("part", 1), i % 2 == 0), 2023, i + 1));
    e.push_back(Dated(File("qln_demo/main.rb", Content("main", 1, 40000), true), 2023, 20));
    ZipEntry locked = Dated(File("qln_demo/locked.rb", Content("locked", 1)), 2023, 21);
    locked.externalAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    e.push_back(locked);
    ZipEntry hidden = Dated(File("qln_demo/hidden.dat", "h1"), 2023, 22);
    hidden.externalAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    e.push_back(hidden);
    e.push_back(Dated(File("qln_demo.rb", Content("loader", 1)), 2023, 23));
    return e;
}

// Version 2: every file changed, a new folder with files, the late members last.
Entries Version2() {
    Entries e{Folder("qln_demo/"), Folder("qln_demo/lib/"), Folder("qln_demo/extra/")};
    for (int i = 0; i < 8; ++i)
        e.push_back(Dated(File("qln_demo/lib/part" + std::to_string(i) + ".rb", Content("part", 2), i % 2 == 1), 2024, i + 1));
    e.push_back(Dated(File("qln_demo/extra/new.rb", Content("new", 2)), 2024, 10));
    e.push_back(Dated(File("qln_demo/main.rb", Content("main", 2, 50000), true), 2024, 20));
    e.push_back(Dated(File("qln_demo/locked.rb", Content("locked", 2)), 2024, 21));
    e.push_back(Dated(File("qln_demo/hidden.dat", "h2"), 2024, 22));
    e.push_back(Dated(File("qln_demo.rb", Content("loader", 2)), 2024, 23));
    return e;
}

class StagedInstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        Clean();
        test::MakeDirs(versionFolder);
    }
    void TearDown() override {
        test::SetInstallHook({});
        Clean();
    }
    void Clean() {
        test::RemoveTree(Scratch());
        RemoveDirectoryW(Scratch().c_str());
        test::RemoveTree(AnsiToWide(GetTempFolderA()) + L"Plugins");
        RemoveDirectoryW((AnsiToWide(GetTempFolderA()) + L"Plugins").c_str());
    }

    InstallReport Install(const Entries& entries) {
        test::WriteBytes(package, test::BuildZip(entries));
        return InstallPackageFile(package, target);
    }
    InstallReport InstallBytes(const std::string& bytes) {
        test::WriteBytes(package, bytes);
        return InstallPackageFile(package, target);
    }
    std::wstring In(const std::wstring& name) const { return target + L"\\" + name; }

    // Version 1 in place, with the user's own files beside it.
    test::Tree InstallVersion1() {
        EXPECT_EQ(Install(Version1()).outcome, InstallOutcome::Succeeded);
        test::WriteTextFile(In(L"mine.rb"), "the user's own plugin");
        test::MakeDirs(In(L"other_plugin"));
        test::WriteTextFile(In(L"other_plugin\\x.rb"), "another plugin");
        test::WriteTextFile(In(L"qln_demo\\notes.txt"), "the user's notes inside the plugin's folder");
        SetFileAttributesW(In(L"mine.rb").c_str(), FILE_ATTRIBUTE_READONLY);
        return test::Snapshot(target);
    }

    // This run's work area beside the target (its name is new for every run).
    bool HasWorkArea() const { return test::ListFolder(versionFolder).find(L"Plugins.qln-install-") != std::wstring::npos; }

    // Nothing of the installation's own is left beside the target or in the temporary folder.
    void ExpectNoLeftovers() {
        EXPECT_EQ(test::ListFolder(versionFolder), L"Plugins");
        EXPECT_FALSE(test::IsDirectory(AnsiToWide(GetTempFolderA()) + L"Plugins"));
    }

    void ExpectUnchanged(const test::Tree& before) {
        EXPECT_EQ(test::TreeDifference(before, test::Snapshot(target)), "");
        ExpectNoLeftovers();
    }

    const std::wstring versionFolder = Scratch() + L"\\SketchUp 2091\\SketchUp";
    const std::wstring target = versionFolder + L"\\Plugins";
    const std::wstring package = Scratch() + L"\\qln_plugin.rbz";
};

TEST_F(StagedInstallTest, UpdateReplacesEveryMemberWithItsDateAndAttributesAndKeepsOtherFiles) {
    const test::Tree before = InstallVersion1();
    EXPECT_TRUE(GetFileAttributesW(In(L"qln_demo\\locked.rb").c_str()) & FILE_ATTRIBUTE_READONLY);
    const InstallReport report = Install(Version2());
    EXPECT_EQ(report.outcome, InstallOutcome::Succeeded);
    EXPECT_EQ(report.membersWritten, Version2().size());
    EXPECT_FALSE(report.rolledBack);

    const test::Tree after = test::Snapshot(target);
    for (const ZipEntry& entry : Version2()) {
        std::wstring name(entry.name.begin(), entry.name.end());
        for (wchar_t& c : name)
            if (c == L'/') c = L'\\';
        if (name.back() == L'\\') {
            name.pop_back();
            EXPECT_TRUE(after.at(name).folder);
            continue;
        }
        ASSERT_TRUE(after.count(name)) << entry.name;
        EXPECT_EQ(after.at(name).bytes, entry.data) << entry.name;
        FILETIME local, utc;
        SYSTEMTIME time = {WORD(entry.year), WORD(entry.month), 0, WORD(entry.day), WORD(entry.hour),
                           WORD(entry.minute), WORD(entry.second), 0};
        SystemTimeToFileTime(&time, &local);
        LocalFileTimeToFileTime(&local, &utc);
        EXPECT_EQ(after.at(name).lastWrite, ULARGE_INTEGER({{utc.dwLowDateTime, utc.dwHighDateTime}}).QuadPart)
            << entry.name;
    }
    // The read-only file of version 1 was the package's own: replaced, and version 2 left it plain;
    // the hidden one keeps no attribute of version 1 either.
    EXPECT_FALSE(GetFileAttributesW(In(L"qln_demo\\locked.rb").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(GetFileAttributesW(In(L"qln_demo\\hidden.dat").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    // What the package does not name is untouched, a read-only file of the user's included.
    for (const wchar_t* mine : {L"mine.rb", L"other_plugin\\x.rb", L"qln_demo\\notes.txt", L"other_plugin"})
        EXPECT_EQ(after.at(mine), before.at(mine)) << mine;
    ExpectNoLeftovers();
}

TEST_F(StagedInstallTest, MissingTargetIsMadeAndRemovedAgainWhenTheInstallationFails) {
    EXPECT_EQ(Install(Version1()).outcome, InstallOutcome::Succeeded);
    EXPECT_EQ(ReadBytes(In(L"qln_demo.rb")), Content("loader", 1));
    ExpectNoLeftovers();

    test::RemoveTree(target);
    RemoveDirectoryW(target.c_str());
    ZipEntry bad = File("qln_demo/late.rb", "x");
    bad.crc = 0x1234;
    Entries broken = Version1();
    broken.push_back(bad);
    EXPECT_EQ(Install(broken).outcome, InstallOutcome::DamagedPackage);
    EXPECT_FALSE(test::IsDirectory(target));
    EXPECT_EQ(test::ListFolder(versionFolder), L"");
}

TEST_F(StagedInstallTest, EmptyPackageSucceedsWithNothingWritten) {
    const test::Tree before = InstallVersion1();
    EXPECT_EQ(Install({}).outcome, InstallOutcome::Succeeded);
    ExpectUnchanged(before);
}

// Every way a package can be damaged, the damage always in its last member: the update fails
// with DamagedPackage and the installed plugin is exactly what it was.
TEST_F(StagedInstallTest, DamagedPackagesLeaveTheInstalledPluginExactlyAsItWas) {
    const test::Tree before = InstallVersion1();
    struct Case {
        const char* what;
        ZipEntry last;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, ZipEntry entry) { cases.push_back({what, std::move(entry)}); };
    ZipEntry sum = File("qln_demo/zz.rb", Content("zz", 2));
    sum.crc = 0x12345678;
    add("checksum", sum);
    ZipEntry cut = File("qln_demo/zz.rb", std::string(60000, 'c') + Content("zz", 2, 20000), true);
    cut.cutCompressedTo = 100;
    add("deflated data cut", cut);
    ZipEntry shortStored = File("qln_demo/zz.rb", Content("zz", 2, 50000));
    shortStored.cutCompressedTo = 20000;
    add("stored data ending early", shortStored);
    ZipEntry method = File("qln_demo/zz.rb", "x");
    method.method = 12;
    add("unknown method", method);
    ZipEntry encrypted = File("qln_demo/zz.rb", "x");
    encrypted.encryptedFlag = true;
    add("encrypted", encrypted);
    add("bad name", File("../zz.rb", "x"));
    add("device name", File("qln_demo/nul.rb", "x"));
    add("file and folder of one name", Folder("qln_demo/main.rb/"));
    for (const Case& c : cases) {
        Entries entries = Version2();
        entries.push_back(c.last);
        const InstallReport report = Install(entries);
        EXPECT_EQ(report.outcome, InstallOutcome::DamagedPackage) << c.what;
        EXPECT_EQ(report.membersWritten, 0u) << c.what;
        EXPECT_EQ(test::TreeDifference(before, test::Snapshot(target)), "") << c.what;
        ExpectNoLeftovers();
    }
    const std::string zip = test::BuildZip(Version2());
    for (const std::string& bytes : {std::string("<html>404</html>"), zip.substr(0, zip.size() - 30), std::string()}) {
        EXPECT_EQ(InstallBytes(bytes).outcome, InstallOutcome::DamagedPackage) << bytes.size();
        ExpectUnchanged(before);
    }
    DeleteFileW(package.c_str());
    EXPECT_EQ(InstallPackageFile(package, target).outcome, InstallOutcome::DamagedPackage);
    ExpectUnchanged(before);
}

// A file the update must replace is held open by another program (as SketchUp holds a loaded
// extension): every move made before it is undone.
TEST_F(StagedInstallTest, FileInUseRollsBackEveryMoveAndTheUpdateWorksOnceItIsReleased) {
    const test::Tree before = InstallVersion1();
    HANDLE held = CreateFileW(In(L"qln_demo.rb").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const InstallReport report = Install(Version2());
    CloseHandle(held);
    EXPECT_EQ(report.outcome, InstallOutcome::FileInUse);
    EXPECT_EQ(report.systemError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(report.detail, L"qln_demo.rb");
    EXPECT_TRUE(report.rolledBack);
    ExpectUnchanged(before);

    EXPECT_EQ(Install(Version2()).outcome, InstallOutcome::Succeeded);
    EXPECT_EQ(ReadBytes(In(L"qln_demo.rb")), Content("loader", 2));
}

// A file that cannot be moved for want of rights (made immutable on the host, which Wine reports
// as access denied); the loader, which is moved on its own after the plugin's folder.
TEST_F(StagedInstallTest, AccessDeniedRollsBackAndTellsToRunAsAdministrator) {
    const test::Tree before = InstallVersion1();
    const std::string file = test::UnixPath8(In(L"qln_demo.rb"));
    ASSERT_EQ(test::RunUnix("chattr +i '" + file + "'"), 0);
    struct Release {
        std::string path;
        ~Release() { test::RunUnix("chattr -i '" + path + "'"); }
    } release{file};
    const InstallReport report = Install(Version2());
    EXPECT_EQ(report.outcome, InstallOutcome::AccessDenied);
    EXPECT_EQ(report.systemError, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(report.rolledBack);
    ExpectUnchanged(before);
    EXPECT_EQ(std::wstring(InstallOutcomeMessage(report.outcome)), L"安装失败，请尝试管理员身份运行本程序！");
}

// A real full disk: the version's folder is a small tmpfs of the host.
TEST_F(StagedInstallTest, DiskFullFailsInTheStagingFolderWithNothingChanged) {
    const std::string mount = test::UnixPath8(versionFolder);
    test::RunUnix("umount -l '" + mount + "' 2>/dev/null");
    ASSERT_EQ(test::RunUnix("mount -t tmpfs -o size=512k tmpfs '" + mount + "'"), 0);
    struct Unmount {
        std::string path;
        ~Unmount() { test::RunUnix("umount -l '" + path + "'"); }
    } unmount{mount};
    test::MakeDirs(target);
    const test::Tree before = InstallVersion1();
    Entries big = Version2();
    std::string incompressible(700 * 1024, '\0');
    unsigned x = 7;
    for (char& c : incompressible) c = static_cast<char>((x = x * 1103515245 + 12345) >> 16);
    big.push_back(File("qln_demo/big.bin", incompressible));
    const InstallReport report = Install(big);
    EXPECT_EQ(report.outcome, InstallOutcome::DiskFull);
    // Wine reports the full disk as a short write (ERROR_HANDLE_DISK_FULL here) or ERROR_DISK_FULL.
    EXPECT_TRUE(report.systemError == ERROR_DISK_FULL || report.systemError == ERROR_HANDLE_DISK_FULL)
        << report.systemError;
    ExpectUnchanged(before);
}

// A failure injected before each step of the moves in turn (here a full disk, as Windows could
// report it for a move that copies across volumes): always the whole roll-back.
TEST_F(StagedInstallTest, AFailureAtAnyMoveRollsBackEverythingBeforeIt) {
    const test::Tree before = InstallVersion1();
    const std::size_t steps = [&] {
        std::size_t count = 0;
        test::ScopedInstallHook counter([&](InstallStep step, std::size_t, const std::wstring&) -> std::uint32_t {
            if (step == InstallStep::MakeFolder || step == InstallStep::MoveOut || step == InstallStep::MoveIn) ++count;
            return 0;
        });
        // Counted on an installation into a copy of the same state: v2 over v1.
        EXPECT_EQ(Install(Version2()).outcome, InstallOutcome::Succeeded);
        return count;
    }();
    ASSERT_GE(steps, 5u);
    // Back to version 1 for each round.
    for (std::size_t failAt = 0; failAt < steps; ++failAt) {
        test::RemoveTree(target);
        RemoveDirectoryW(target.c_str());
        const test::Tree v1 = InstallVersion1();
        std::size_t seen = 0;
        test::ScopedInstallHook hook([&](InstallStep step, std::size_t, const std::wstring&) -> std::uint32_t {
            if (step != InstallStep::MakeFolder && step != InstallStep::MoveOut && step != InstallStep::MoveIn) return 0;
            return seen++ == failAt ? ERROR_DISK_FULL : 0;
        });
        const InstallReport report = Install(Version2());
        EXPECT_EQ(report.outcome, InstallOutcome::DiskFull) << failAt;
        EXPECT_TRUE(report.rolledBack) << failAt;
        EXPECT_EQ(test::TreeDifference(v1, test::Snapshot(target)), "") << "failing step " << failAt;
        ExpectNoLeftovers();
    }
    (void)before;
}

// A roll-back that itself fails keeps its journal; the next start (or installation) finishes it.
TEST_F(StagedInstallTest, ARollBackThatCannotFinishIsCompletedByTheRecovery) {
    const test::Tree before = InstallVersion1();
    int moves = 0;
    bool undoFails = true;
    // The third move in (the loader) fails; the undo of the plugin's folder, moved before it, fails too.
    test::ScopedInstallHook hook([&](InstallStep step, std::size_t index, const std::wstring&) -> std::uint32_t {
        if (step == InstallStep::MoveIn && ++moves == 3) return ERROR_SHARING_VIOLATION;
        if (step == InstallStep::Undo && index == 0 && undoFails) return ERROR_SHARING_VIOLATION;
        return 0;
    });
    const InstallReport report = Install(Version2());
    EXPECT_EQ(report.outcome, InstallOutcome::FileInUse);
    EXPECT_TRUE(report.rollbackIncomplete);
    EXPECT_NE(test::TreeDifference(before, test::Snapshot(target)), "");
    EXPECT_TRUE(HasWorkArea());

    // While it cannot finish, a new installation refuses to start on top of it.
    EXPECT_EQ(Install(Version2()).outcome, InstallOutcome::FileInUse);
    undoFails = false;
    const InstallReport recovered = RecoverInterruptedInstall(target);
    EXPECT_EQ(recovered.outcome, InstallOutcome::Succeeded);
    EXPECT_TRUE(recovered.rolledBack);
    ExpectUnchanged(before);
}

// A folder the target lacks moves into place whole, by one rename; a later failure takes out
// everything that came with it.
TEST_F(StagedInstallTest, AFolderMovedWholeIsTakenOutAgainOnRollBack) {
    test::MakeDirs(target);
    test::WriteTextFile(In(L"mine.rb"), "the user's own");
    const test::Tree before = test::Snapshot(target);
    int steps = 0;
    test::ScopedInstallHook hook([&](InstallStep step, std::size_t, const std::wstring& path) -> std::uint32_t {
        if (step == InstallStep::MakeFolder || step == InstallStep::MoveIn) ++steps;
        return step == InstallStep::MoveIn && path.find(L"qln_demo.rb") != std::wstring::npos ? ERROR_DISK_FULL : 0;
    });
    const InstallReport report = Install(Version2());
    EXPECT_EQ(report.outcome, InstallOutcome::DiskFull);
    EXPECT_TRUE(report.rolledBack);
    EXPECT_EQ(steps, 2) << "one rename for the whole folder, then the loader file";
    ExpectUnchanged(before);
    test::SetInstallHook({});
    EXPECT_EQ(Install(Version2()).outcome, InstallOutcome::Succeeded);
    EXPECT_EQ(ReadBytes(In(L"qln_demo\\extra\\new.rb")), Content("new", 2));
    EXPECT_EQ(ReadBytes(In(L"mine.rb")), "the user's own");
    ExpectNoLeftovers();
}

TEST_F(StagedInstallTest, NamesTakenByTheOtherKindOfEntryAreBlocked) {
    const test::Tree before = InstallVersion1();
    test::WriteTextFile(In(L"blocker"), "a file where the package has a folder");
    test::MakeDirs(In(L"qln_other.rb"));
    const test::Tree withBlockers = test::Snapshot(target);
    Entries folderOverFile = Version2();
    folderOverFile.push_back(Folder("blocker/"));
    EXPECT_EQ(Install(folderOverFile).outcome, InstallOutcome::PathBlocked);
    EXPECT_EQ(test::TreeDifference(withBlockers, test::Snapshot(target)), "");
    Entries fileOverFolder = Version2();
    fileOverFolder.push_back(File("qln_other.rb", "x"));
    EXPECT_EQ(Install(fileOverFolder).outcome, InstallOutcome::PathBlocked);
    EXPECT_EQ(test::TreeDifference(withBlockers, test::Snapshot(target)), "");
    ExpectNoLeftovers();
    (void)before;
}

// The decision for read-only files: a file the package names is the package's, replaced however
// it is marked, and its mark comes back with it on a roll-back. A file the package does not name
// is never touched, marked or not.
TEST_F(StagedInstallTest, ReadOnlyFilesOfThePackageAreReplacedAndRestoredOnRollBack) {
    const test::Tree before = InstallVersion1();
    ASSERT_TRUE(before.at(L"qln_demo\\locked.rb").attributes & FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(before.at(L"mine.rb").attributes & FILE_ATTRIBUTE_READONLY);
    Entries failing = Version2();
    test::ScopedInstallHook hook([](InstallStep step, std::size_t, const std::wstring& path) -> std::uint32_t {
        return step == InstallStep::MoveIn && path.find(L"qln_demo.rb") != std::wstring::npos ? ERROR_ACCESS_DENIED : 0;
    });
    EXPECT_EQ(Install(failing).outcome, InstallOutcome::AccessDenied);
    ExpectUnchanged(before);
    test::SetInstallHook({});
    EXPECT_EQ(Install(Version2()).outcome, InstallOutcome::Succeeded);
    EXPECT_EQ(ReadBytes(In(L"qln_demo\\locked.rb")), Content("locked", 2));
    const test::Tree after = test::Snapshot(target);
    EXPECT_EQ(after.at(L"mine.rb"), before.at(L"mine.rb"));
}

TEST_F(StagedInstallTest, LaterDuplicatesWinAndDeepNamesPassThroughTheDeeperStagingFolder) {
    ASSERT_EQ(Install(Version1()).outcome, InstallOutcome::Succeeded);
    // The target path plus this name is just within MAX_PATH; in the staging folder it is not.
    const std::size_t room = 259 - (target.size() + 1) - std::string("qln_demo/").size();
    const std::string deep = "qln_demo/" + std::string(room - 3, 'd') + ".rb";
    Entries entries{Folder("qln_demo/"), File("qln_demo/dup.rb", "first"), File(deep, "deep"),
                    File("QLN_DEMO/DUP.rb", "second")};
    EXPECT_EQ(Install(entries).outcome, InstallOutcome::Succeeded);
    EXPECT_EQ(ReadBytes(In(L"qln_demo\\dup.rb")), "second");
    std::wstring deepName(deep.begin(), deep.end());
    deepName[8] = L'\\';
    EXPECT_EQ(ReadBytes(In(deepName)), "deep");
    ExpectNoLeftovers();
}

TEST_F(StagedInstallTest, AnotherInstallationIntoTheSameFolderIsWaitedForNotJoined) {
    const test::Tree before = InstallVersion1();
    // Another process installing into the same folder, held in the middle of its moves.
    test::WriteBytes(package, test::BuildZip(Version2()));
    const std::wstring event = L"qln-staged-held-" + std::to_wstring(GetCurrentProcessId());
    HANDLE reached = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
    test::Process helper =
        test::StartProcess(QLN_INSTALL_HELPER_WINPATH, L"\"" + package + L"\" \"" + target + L"\" 3 " + event);
    ASSERT_EQ(WaitForSingleObject(reached, 30000), WAIT_OBJECT_0);
    CloseHandle(reached);
    const test::Tree during = test::Snapshot(target);
    EXPECT_EQ(Install(Version2()).outcome, InstallOutcome::AnotherInstallation);
    EXPECT_EQ(RecoverInterruptedInstall(target).outcome, InstallOutcome::AnotherInstallation);
    EXPECT_EQ(test::TreeDifference(during, test::Snapshot(target)), "");
    helper.Kill();
    EXPECT_EQ(RecoverInterruptedInstall(target).outcome, InstallOutcome::Succeeded);
    EXPECT_EQ(test::TreeDifference(before, test::Snapshot(target)), "");
    EXPECT_EQ(Install(Version2()).outcome, InstallOutcome::Succeeded);
    ExpectNoLeftovers();
}

TEST_F(StagedInstallTest, LeftoversOfACommittedOrUnplannedInstallationAreCleanedAndAForeignJournalIsSetAside) {
    InstallVersion1();
    const std::wstring work = target + L".qln-install-1";
    // Staging that never got as far as its plan.
    test::MakeDirs(work + L"\\stage\\qln_demo");
    test::WriteTextFile(work + L"\\stage\\qln_demo\\x.rb", "staged");
    test::WriteTextFile(work + L"\\journal", "QLN-INSTALL-JOURNAL 1\nF 0 qln_demo\\x.rb\n");
    const test::Tree before = test::Snapshot(target);
    EXPECT_EQ(RecoverInterruptedInstall(target).outcome, InstallOutcome::Succeeded);
    EXPECT_EQ(test::TreeDifference(before, test::Snapshot(target)), "");
    ExpectNoLeftovers();

    // A journal this installer did not write: nothing is undone, the folder is kept aside.
    test::MakeDirs(work + L"\\backup");
    test::WriteTextFile(work + L"\\backup\\0", "someone's file");
    test::WriteTextFile(work + L"\\journal", "not a journal\n");
    EXPECT_EQ(RecoverInterruptedInstall(target).outcome, InstallOutcome::Succeeded);
    EXPECT_FALSE(test::IsDirectory(work));
    const std::wstring names = test::ListFolder(versionFolder);
    EXPECT_NE(names.find(L"Plugins.qln-aside-1"), std::wstring::npos) << names;
}

// The process ends during the moves (a test program that installs and stops before its n-th move
// into the target, then is killed): the next recovery puts back every file, wherever it died.
TEST_F(StagedInstallTest, KilledDuringTheMovesThenRecoveredAtEveryPoint) {
    // Over version 1 (the folder "qln_demo" set aside, the staged one moved in, the user's notes
    // carried over, then the loader), and into an empty target (the folder "qln_demo" moves
    // whole, then the loader file is the only move).
    for (int stopAt : {1, 2, 3, 0}) {
        test::RemoveTree(target);
        RemoveDirectoryW(target.c_str());
        test::MakeDirs(target);
        const bool fresh = stopAt == 0;
        if (fresh) stopAt = 1;
        const test::Tree before = fresh ? test::Snapshot(target) : InstallVersion1();
        test::WriteBytes(package, test::BuildZip(Version2()));
        const std::wstring event = L"qln-staged-kill-" + std::to_wstring(GetCurrentProcessId());
        HANDLE reached = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
        test::Process helper = test::StartProcess(
            QLN_INSTALL_HELPER_WINPATH,
            L"\"" + package + L"\" \"" + target + L"\" " + std::to_wstring(stopAt) + L" " + event);
        ASSERT_TRUE(helper.Started());
        ASSERT_EQ(WaitForSingleObject(reached, 30000), WAIT_OBJECT_0) << stopAt;
        helper.Kill();
        CloseHandle(reached);
        EXPECT_NE(test::TreeDifference(before, test::Snapshot(target)), "") << "the helper stopped mid-moves";
        EXPECT_TRUE(HasWorkArea());
        const InstallReport recovered = RecoverInterruptedInstall(target);
        EXPECT_EQ(recovered.outcome, InstallOutcome::Succeeded) << stopAt;
        EXPECT_TRUE(recovered.rolledBack) << stopAt;
        EXPECT_EQ(test::TreeDifference(before, test::Snapshot(target)), "") << "stopped at move " << stopAt;
        ExpectNoLeftovers();
    }
}

// A folder that cannot be set aside whole (refused here as a folder holding an open file is) has
// its files moved one by one; a failure at any of those steps still puts everything back.
TEST_F(StagedInstallTest, AFolderThatCannotBeSetAsideIsUpdatedFileByFileAndRolledBackFromAnyStep) {
    auto move = [](InstallStep step) {
        return step == InstallStep::MakeFolder || step == InstallStep::MoveOut || step == InstallStep::MoveIn;
    };
    auto installRefusingTheFolder = [&](std::size_t failAt, std::size_t& seen) {
        test::ScopedInstallHook hook([&](InstallStep step, std::size_t index, const std::wstring&) -> std::uint32_t {
            if (step == InstallStep::MoveOut && index == 0) return ERROR_SHARING_VIOLATION;
            return move(step) && seen++ == failAt ? ERROR_DISK_FULL : 0;
        });
        return Install(Version2());
    };
    std::size_t steps = 0;
    InstallVersion1();
    ASSERT_EQ(installRefusingTheFolder(SIZE_MAX, steps).outcome, InstallOutcome::Succeeded);
    EXPECT_EQ(ReadBytes(In(L"qln_demo\\main.rb")), Content("main", 2, 50000));
    EXPECT_EQ(ReadBytes(In(L"qln_demo\\notes.txt")), "the user's notes inside the plugin's folder");
    ExpectNoLeftovers();
    ASSERT_GT(steps, 20u) << "every file moved on its own";
    for (std::size_t failAt = 0; failAt < steps; ++failAt) {
        test::RemoveTree(target);
        RemoveDirectoryW(target.c_str());
        const test::Tree v1 = InstallVersion1();
        std::size_t seen = 0;
        const InstallReport report = installRefusingTheFolder(failAt, seen);
        EXPECT_EQ(report.outcome, InstallOutcome::DiskFull) << failAt;
        EXPECT_EQ(test::TreeDifference(v1, test::Snapshot(target)), "") << "failing step " << failAt;
        ExpectNoLeftovers();
    }
}

// Links planted in the folder set aside while an update runs, by whoever may write in the
// plugin's folder: what they point to is neither carried into Plugins nor removed with the old copy.
TEST_F(StagedInstallTest, LinksPlantedInTheFolderSetAsideReachNothingOutside) {
    const std::wstring outside = Scratch() + L"\\outside";
    struct Row {
        const char* name;
        InstallStep when;
        InstallOutcome outcome;
    };
    for (const Row& row : {Row{"the folder a file is carried over from", InstallStep::MoveIn, InstallOutcome::PathBlocked},
                           Row{"a folder of the old copy, before it is removed", InstallStep::Commit,
                               InstallOutcome::Succeeded}}) {
        test::RemoveTree(target);
        RemoveDirectoryW(target.c_str());
        InstallVersion1();
        test::WriteTextFile(In(L"qln_demo\\lib\\mine.txt"), "the user's, carried over");
        test::MakeDirs(outside);
        test::WriteTextFile(outside + L"\\mine.txt", "outside Plugins");
        test::WriteBytes(outside + L"\\data.bin", std::string(4096, 'x'));
        const test::Tree outsideBefore = test::Snapshot(outside);
        bool planted = false;
        test::ScopedInstallHook hook([&](InstallStep step, std::size_t, const std::wstring& path) -> std::uint32_t {
            if (planted || step != row.when || (step == InstallStep::MoveIn && path.find(L"mine.txt") == std::wstring::npos))
                return 0;
            planted = true;
            const std::wstring listing = test::ListFolder(versionFolder);
            const std::size_t at = listing.find(L"Plugins.qln-install-");
            const std::wstring aside = versionFolder + L"\\" + listing.substr(at, listing.find(L'|', at) - at) + L"\\backup\\0";
            EXPECT_TRUE(MoveFileW((aside + L"\\lib").c_str(), (aside + L"\\lib-was").c_str())) << row.name;
            EXPECT_EQ(test::RunUnix("ln -s '" + test::UnixPath8(outside) + "' '" + test::UnixPath8(aside + L"\\lib") + "'"), 0);
            return 0;
        });
        EXPECT_EQ(Install(Version2()).outcome, row.outcome) << row.name;
        EXPECT_TRUE(planted) << row.name;
        EXPECT_EQ(test::TreeDifference(outsideBefore, test::Snapshot(outside)), "") << row.name;
        test::RunUnix("find '" + test::UnixPath8(Scratch()) + "' -type l -delete");
    }
}

// The window's road: the old copy goes on a thread of its own once the result is known; the
// next installation into the same folder waits for it rather than meet it as another one.
TEST_F(StagedInstallTest, TheOldCopyRemovedAfterTheResultNeverStandsInTheNextInstallationsWay) {
    RemoveOldCopiesLater(true);
    struct Off {
        ~Off() {
            RemoveOldCopiesLater(false);
            WaitForOldCopiesRemoved();
        }
    } off;
    Entries bulky = Version2();
    for (int i = 0; i < 400; ++i) bulky.push_back(File("qln_demo/lib/more" + std::to_string(i) + ".rb", Content("more", 2)));
    InstallVersion1();
    for (int round = 0; round < 3; ++round)
        EXPECT_EQ(Install(round % 2 ? Version1() : bulky).outcome, InstallOutcome::Succeeded) << round;
    WaitForOldCopiesRemoved();
    EXPECT_EQ(ReadBytes(In(L"qln_demo\\lib\\more7.rb")), Content("more", 2));
    ExpectNoLeftovers();
}

// A Plugins folder that its owner made a link to another volume: its work area stays beside the
// link, so no folder can be set aside by a rename, and the update goes file by file.
TEST_F(StagedInstallTest, APluginsFolderLinkedToAnotherVolumeIsUpdatedFileByFile) {
    const std::string elsewhere = test::UnixPath8(Scratch()) + "/elsewhere";
    test::RunUnix("umount -l '" + elsewhere + "' 2>/dev/null; mkdir -p '" + elsewhere + "'");
    ASSERT_EQ(test::RunUnix("mount -t tmpfs -o size=8m tmpfs '" + elsewhere + "'"), 0);
    struct Unmount {
        std::string path;
        ~Unmount() { test::RunUnix("umount -l '" + path + "'"); }
    } unmount{elsewhere};
    ASSERT_EQ(test::RunUnix("ln -s '" + elsewhere + "' '" + test::UnixPath8(target) + "'"), 0);
    auto version = [](int v) {
        return Entries{Folder("qln_demo/"), File("qln_demo/main.rb", Content("main", v)), File("qln_demo.rb", Content("loader", v))};
    };
    ASSERT_EQ(Install(version(1)).outcome, InstallOutcome::Succeeded);
    test::WriteTextFile(In(L"qln_demo\\notes.txt"), "the user's notes");
    EXPECT_EQ(Install(version(2)).outcome, InstallOutcome::Succeeded);
    EXPECT_TRUE(ReadBytes(In(L"qln_demo\\main.rb")) == Content("main", 2));
    EXPECT_EQ(ReadBytes(In(L"qln_demo\\notes.txt")), "the user's notes");
    ExpectNoLeftovers();
    test::RunUnix("rm '" + test::UnixPath8(target) + "'");
}

}  // namespace
}  // namespace qln
