// Version discovery against a real registry, real folders and a real sorted list box.
#include <gtest/gtest.h>

#include "discovery/discovery.h"
#include "test_support.h"

namespace qln {
namespace {

using test::AllUsersScanRoot;
using test::MakeDirs;
using test::PerUserScanRoot;
using test::ScratchRoot;
using test::SeedVersionKey;
using Items = std::vector<std::wstring>;

class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override { test::ResetDiscoveryWorld(); }
    void TearDown() override { test::ResetDiscoveryWorld(); }

    // An existing install folder (no trailing separator, so the folder test can find it).
    std::wstring InstallFolder(const std::wstring& name) {
        std::wstring folder = ScratchRoot() + L"\\" + name;
        MakeDirs(folder);
        return folder;
    }

    test::VersionListHost host;
};

TEST_F(DiscoveryTest, NothingInstalledLeavesEmptyListAndAsksForSketchUp) {
    FillVersionsFromRegistry(host, host);
    EXPECT_EQ(host.Count(), 0);
    EXPECT_EQ(host.Caption(), L"请先安装草图大师");
}

TEST_F(DiscoveryTest, RegistryListsOnlyCaseExactNamesWithExistingFolders) {
    SeedVersionKey(L"SketchUp 2021", InstallFolder(L"SU21"));
    SeedVersionKey(L"SketchUp 2019", ScratchRoot() + L"\\missing");
    SeedVersionKey(L"LayOut 2021", InstallFolder(L"LO21"));
    SeedVersionKey(L"sketchup 2022", InstallFolder(L"lower"));
    test::SeedVersionKeyWithoutLocation(L"SketchUp 2018");
    // A folder under the per-user root proves that no folder scan ran.
    MakeDirs(PerUserScanRoot() + L"\\SketchUp 2030");

    FillVersionsFromRegistry(host, host);
    EXPECT_EQ(host.Items(), Items{L"SketchUp 2021"});
    EXPECT_EQ(host.Selection(), 0);
    EXPECT_EQ(host.Caption(), test::kFrameCaption);
}

TEST_F(DiscoveryTest, RegistryOrderIsSortedByTheListAndFirstIsSelected) {
    SeedVersionKey(L"SketchUp 2023", InstallFolder(L"SU23"));
    SeedVersionKey(L"SketchUp 2017", InstallFolder(L"SU17"));
    FillVersionsFromRegistry(host, host);
    EXPECT_EQ(host.Items(), (Items{L"SketchUp 2017", L"SketchUp 2023"}));
    EXPECT_EQ(host.Selection(), 0);
}

TEST_F(DiscoveryTest, InstallLocationWithTrailingBackslashIsListedAndReturned) {
    const std::wstring location = InstallFolder(L"SU21") + L"\\";
    SeedVersionKey(L"SketchUp 2021", location);
    FillVersionsFromRegistry(host, host);
    EXPECT_EQ(host.Items(), Items{L"SketchUp 2021"});
    EXPECT_EQ(host.Caption(), test::kFrameCaption);
    EXPECT_EQ(GetInstallDir(L"SketchUp 2021", false), location);
    EXPECT_EQ(GetInstallDir(L"SketchUp 2021", true), location + L"SketchUp.exe");
}

TEST_F(DiscoveryTest, InstallDirFollowsTheProgramIntoItsSubfolder) {
    const std::wstring sub = InstallFolder(L"SU") + L"\\";
    MakeDirs(sub + L"SketchUp");
    test::WriteTextFile(sub + L"SketchUp\\SketchUp.exe");
    SeedVersionKey(L"SketchUp 2021", sub);
    EXPECT_EQ(GetInstallDir(L"SketchUp 2021", false), sub + L"SketchUp\\");
    EXPECT_EQ(GetInstallDir(L"SketchUp 2021", true), sub + L"SketchUp\\SketchUp.exe");

    const std::wstring flat = InstallFolder(L"SUFLAT") + L"\\";
    test::WriteTextFile(flat + L"SketchUp.exe");
    SeedVersionKey(L"SketchUp 2022", flat);
    EXPECT_EQ(GetInstallDir(L"SketchUp 2022", false), flat);
    EXPECT_EQ(GetInstallDir(L"SketchUp 2022", true), flat + L"SketchUp.exe");
}

TEST_F(DiscoveryTest, MissingOrOverlongInstallLocationReadsAsEmpty) {
    EXPECT_EQ(GetInstallDir(L"SketchUp 2099", true), L"");
    test::SeedVersionKeyWithoutLocation(L"SketchUp 2018");
    EXPECT_EQ(GetInstallDir(L"SketchUp 2018", false), L"");

    // 129 characters and the terminator fill the 260-byte buffer exactly; one more does not fit.
    const std::wstring fits = L"C:\\" + std::wstring(126, L'a');
    SeedVersionKey(L"SketchUp 2020", fits);
    EXPECT_EQ(GetInstallDir(L"SketchUp 2020", false), fits);
    SeedVersionKey(L"SketchUp 2021", fits + L"b");
    EXPECT_EQ(GetInstallDir(L"SketchUp 2021", false), L"");
    EXPECT_EQ(GetInstallDir(L"SketchUp 2021", true), L"");
}

TEST_F(DiscoveryTest, FallbackScansPerUserRootFirstAndListsFoldersOnly) {
    MakeDirs(PerUserScanRoot() + L"\\SketchUp 2022");
    MakeDirs(PerUserScanRoot() + L"\\SketchUp 2020");
    MakeDirs(PerUserScanRoot() + L"\\Other 2021");
    test::WriteTextFile(PerUserScanRoot() + L"\\SketchUp 2019");
    MakeDirs(AllUsersScanRoot() + L"\\SketchUp 2023");
    SeedVersionKey(L"SketchUp 2019", ScratchRoot() + L"\\missing");

    FillVersionsFromRegistry(host, host);
    EXPECT_EQ(host.Items(), (Items{L"SketchUp 2020", L"SketchUp 2022"}));
    EXPECT_EQ(host.Selection(), 0);
    EXPECT_EQ(host.Caption(), test::kFrameCaption);
}

TEST_F(DiscoveryTest, FallbackReachesAllUsersRootWhenPerUserRootIsEmpty) {
    MakeDirs(PerUserScanRoot());
    MakeDirs(AllUsersScanRoot() + L"\\SketchUp 2023");
    FillVersionsFromRegistry(host, host);
    EXPECT_EQ(host.Items(), Items{L"SketchUp 2023"});
    EXPECT_EQ(host.Selection(), 0);
}

TEST_F(DiscoveryTest, FolderScanReplacesTheListAndLeavesTheCaptionAlone) {
    host.AddText(L"stale");
    host.SetCaption(L"请先安装草图大师");
    FillVersionsFromFolders(host, 0);
    EXPECT_EQ(host.Count(), 0);
    EXPECT_EQ(host.Caption(), L"请先安装草图大师");
}

TEST_F(DiscoveryTest, ToggleAlternatesTheTwoRootsForTheLifeOfTheProcess) {
    MakeDirs(PerUserScanRoot() + L"\\SketchUp 2020");
    MakeDirs(PerUserScanRoot() + L"\\SketchUp 2022");
    MakeDirs(AllUsersScanRoot() + L"\\SketchUp 2023");

    ToggleVersionScan(host);
    EXPECT_EQ(host.Items(), (Items{L"SketchUp 2020", L"SketchUp 2022"}));
    ToggleVersionScan(host);
    EXPECT_EQ(host.Items(), Items{L"SketchUp 2023"});
    EXPECT_EQ(host.Selection(), 0);
    ToggleVersionScan(host);
    EXPECT_EQ(host.Items(), (Items{L"SketchUp 2020", L"SketchUp 2022"}));

    // The next press scans the all-users root again; without version folders it empties the list.
    test::RemoveTree(AllUsersScanRoot());
    ToggleVersionScan(host);
    EXPECT_EQ(host.Count(), 0);
}

TEST_F(DiscoveryTest, FileExistsSeesFilesAndFoldersButNotTrailingBackslashes) {
    const std::wstring folder = InstallFolder(L"probe");
    test::WriteTextFile(folder + L"\\a.txt");
    EXPECT_TRUE(FileExists(folder));
    EXPECT_TRUE(FileExists(folder + L"\\a.txt"));
    EXPECT_FALSE(FileExists(folder + L"\\"));
    EXPECT_FALSE(FileExists(folder + L"\\b.txt"));
    EXPECT_TRUE(FileExists(folder + L"\\*.txt"));
    EXPECT_FALSE(FileExists(L""));
}

}  // namespace
}  // namespace qln
