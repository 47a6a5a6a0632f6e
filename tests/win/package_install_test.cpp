// Unpacking packages that the tests write themselves, and the whole installation as the page
// runs it: on a worker thread, with a real message box owned by a window of this thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <thread>
#include <vector>

#include "discovery/discovery.h"
#include "install_test_support.h"
#include "plugin/package_install.h"
#include "plugin/install/target_folders.h"
#include "test_support.h"
#include "zip_writer.h"

namespace qln {
namespace {

using test::File;
using test::Folder;
using test::ReadBytes;
using test::ZipEntry;
using Entries = std::vector<ZipEntry>;

std::wstring Scratch() { return test::ScratchRoot() + L"\\pkg"; }

FILETIME Stamp(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME time = {};
    time.wYear = WORD(year), time.wMonth = WORD(month), time.wDay = WORD(day);
    time.wHour = WORD(hour), time.wMinute = WORD(minute), time.wSecond = WORD(second);
    FILETIME local, utc;
    SystemTimeToFileTime(&time, &local);
    LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

ULONGLONG LastWrite(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return ULARGE_INTEGER{{data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime}}.QuadPart;
}
ULONGLONG Ticks(FILETIME t) { return ULARGE_INTEGER{{t.dwLowDateTime, t.dwHighDateTime}}.QuadPart; }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int CountEntries(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    int n = 0;
    if (find == INVALID_HANDLE_VALUE) return 0;
    do n += wcscmp(data.cFileName, L".") && wcscmp(data.cFileName, L"..");
    while (FindNextFileW(find, &data));
    FindClose(find);
    return n;
}

std::string Pseudorandom(std::size_t size) {
    std::string s(size, '\0');
    unsigned x = 12345;
    for (char& c : s) c = char((x = x * 1103515245 + 12345) >> 16);
    return s;
}

const Entries kDemo = [] {
    Entries e{Folder("demo/"), File("demo/main.rb", "puts 'main'\n" + std::string(3000, '#'), true),
              File("demo.rb", "require 'demo/main'\n")};
    e[1].year = 2023, e[1].month = 5, e[1].day = 6, e[1].hour = 7, e[1].minute = 8, e[1].second = 10;
    e[2].year = 2021, e[2].month = 12, e[2].day = 31, e[2].hour = 23, e[2].minute = 59, e[2].second = 58;
    return e;
}();

class ExtractTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::RemoveTree(Scratch());
        test::MakeDirs(target);
    }
    void TearDown() override { test::RemoveTree(Scratch()); }

    bool Extract(const Entries& entries, const std::string& into) {
        test::WriteBytes(archive, test::BuildZip(entries));
        return ExtractArchive(WideToAnsi(archive), into);
    }
    bool Extract(const Entries& entries) { return Extract(entries, WideToAnsi(target)); }
    std::wstring In(const std::wstring& name) const { return target + L"\\" + name; }

    const std::wstring archive = Scratch() + L"\\package.zip";
    const std::wstring target = Scratch() + L"\\target";
};

TEST_F(ExtractTest, DemoPackageWritesFolderFilesAndStoredDates) {
    ASSERT_TRUE(Extract(kDemo));
    EXPECT_TRUE(test::IsDirectory(In(L"demo")));
    EXPECT_EQ(ReadBytes(In(L"demo\\main.rb")), kDemo[1].data);
    EXPECT_EQ(ReadBytes(In(L"demo.rb")), kDemo[2].data);
    EXPECT_EQ(LastWrite(In(L"demo\\main.rb")), Ticks(Stamp(2023, 5, 6, 7, 8, 10)));
    EXPECT_EQ(LastWrite(In(L"demo.rb")), Ticks(Stamp(2021, 12, 31, 23, 59, 58)));
}

TEST_F(ExtractTest, DataLongerThanOneBufferArrivesWholeAndAttributesAreApplied) {
    ZipEntry hidden = File("hidden.rb", "h");
    hidden.externalAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ZipEntry system = Folder("sys/");
    system.externalAttributes |= FILE_ATTRIBUTE_SYSTEM;
    const Entries entries{File("big.bin", Pseudorandom(100000), true), File("plain.bin", Pseudorandom(20000)),
                          hidden, system};
    ASSERT_TRUE(Extract(entries));
    EXPECT_EQ(ReadBytes(In(L"big.bin")), entries[0].data);
    EXPECT_EQ(ReadBytes(In(L"plain.bin")), entries[1].data);
    EXPECT_TRUE(GetFileAttributesW(In(L"hidden.rb").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(GetFileAttributesW(In(L"sys").c_str()) & FILE_ATTRIBUTE_SYSTEM);
}

TEST_F(ExtractTest, ReinstallReplacesFilesButNeverReadOnlyHiddenOrSystemOnes) {
    test::WriteTextFile(In(L"mine.txt"), "user's own");
    ASSERT_TRUE(Extract({File("a.rb", "one"), File("b.rb", "one")}));
    ASSERT_TRUE(Extract({File("a.rb", "two"), File("b.rb", "two")}));
    EXPECT_EQ(ReadBytes(In(L"a.rb")) + ReadBytes(In(L"b.rb")), "twotwo");
    EXPECT_EQ(ReadBytes(In(L"mine.txt")), "user's own");

    for (DWORD kept : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        ZipEntry first = File("kept.rb", "first");
        first.externalAttributes = kept;
        ASSERT_TRUE(Extract({first, File("a.rb", "first")}));
        EXPECT_FALSE(Extract({File("a.rb", "second"), File("kept.rb", "second")})) << kept;
        EXPECT_EQ(ReadBytes(In(L"a.rb")), "second") << "members before the failure stay";
        EXPECT_EQ(ReadBytes(In(L"kept.rb")), "first") << kept;
        SetFileAttributesW(In(L"kept.rb").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(ExtractTest, TargetMustBeAnExistingFolderWithOrWithoutFinalSeparator) {
    const std::string folder = WideToAnsi(target);
    EXPECT_TRUE(Extract(kDemo, folder + "\\"));
    EXPECT_TRUE(Extract(kDemo, folder + "/"));
    EXPECT_EQ(ReadBytes(In(L"demo\\main.rb")), kDemo[1].data);
    EXPECT_FALSE(Extract(kDemo, folder + "\\missing"));
    EXPECT_FALSE(Extract(kDemo, folder + "\\demo.rb"));
    EXPECT_FALSE(Extract(kDemo, ""));
    EXPECT_FALSE(Extract(kDemo, "\\"));
    EXPECT_FALSE(Exists(In(L"missing")));
}

TEST_F(ExtractTest, WhatIsNoZipArchiveFails) {
    const std::string zip = test::BuildZip(kDemo);
    for (const std::string& bytes : {std::string("<html>502 Bad Gateway</html>"), std::string(),
                                     zip.substr(0, zip.size() / 2), zip.substr(0, zip.size() - 10)}) {
        test::WriteBytes(archive, bytes);
        EXPECT_FALSE(ExtractArchive(WideToAnsi(archive), WideToAnsi(target))) << bytes.size();
    }
    EXPECT_FALSE(ExtractArchive(WideToAnsi(Scratch() + L"\\absent.zip"), WideToAnsi(target)));
    EXPECT_EQ(CountEntries(target), 0);
}

// One bad member refuses the package before anything is written, even what comes before it.
TEST_F(ExtractTest, BadNamesAndUnreadableMembersFailBeforeAnythingIsWritten) {
    std::vector<ZipEntry> bad;
    for (const char* name : {"../evil.rb", "demo/../../evil.rb", "..\\evil.rb", "/evil.rb", "\\evil.rb",
                             "C:/evil.rb", "C:evil.rb", "demo.rb:stream", "\\\\server\\share\\evil.rb",
                             "\\\\?\\C:\\evil.rb", "CON", "demo/nul.txt", "COM1.rb", "lpt1", "evil./x.rb",
                             "evil.rb ", "evil\x01.rb", "evil?.rb", "demo//x.rb", "", "\xff\xfe.rb"})
        bad.push_back(File(name, "evil"));
    bad.push_back(File(std::string(600, 'n'), "too long"));  // only 512 bytes count: still past MAX_PATH
    bad.push_back(File("locked.rb", "secret"));
    bad.back().encryptedFlag = true;
    bad.push_back(File("bzip2.rb", "x"));
    bad.back().method = 12;
    for (const ZipEntry& entry : bad) {
        EXPECT_FALSE(Extract({Folder("demo/"), File("first.rb", "first"), entry})) << entry.name;
        EXPECT_EQ(CountEntries(target), 0) << entry.name;
    }
    EXPECT_FALSE(Exists(Scratch() + L"\\evil.rb"));
    EXPECT_FALSE(Exists(L"C:\\evil.rb"));
}

TEST_F(ExtractTest, BrokenDataOrUnwritableOutputFailsTheExtraction) {
    ZipEntry wrongSum = File("sum.rb", "checked data");
    wrongSum.crc = 0x12345678;
    ZipEntry cut = File("cut.rb", Pseudorandom(50000), true);  // inflate reports the loss
    cut.cutCompressedTo = 20000;
    ZipEntry shortStored = File("short.rb", Pseudorandom(50000));  // the reader just ends early
    shortStored.cutCompressedTo = 20000;
    test::MakeDirs(In(L"taken.rb"));
    test::WriteTextFile(In(L"file"));
    const std::pair<const char*, Entries> cases[] = {
        {"checksum", {wrongSum, File("after.rb", "x")}},
        {"deflated data cut", {cut, File("after.rb", "x")}},
        {"stored data ends early", {shortStored, File("after.rb", "x")}},
        {"folder member missing", {File("nofolder/x.rb", "x")}},
        {"folder in the way", {File("taken.rb", "x")}},
        {"file in the way of a folder", {Folder("file/"), File("file/x.rb", "x")}},
    };
    for (const auto& [what, entries] : cases) EXPECT_FALSE(Extract(entries)) << what;
    EXPECT_FALSE(Exists(In(L"after.rb")));
}

TEST_F(ExtractTest, NamesLandAsTheCharactersTheyEncode) {
    // GBK (code page 936): "插件/" and "插件/主程序.rb"; "癨" ends in byte 0x5C, yet is a file.
    ZipEntry utf8 = File("\xed\x95\x9c\xea\xb8\x80.rb", "utf8");  // "한글.rb", not in code page 936
    utf8.utf8Name = true;
    const Entries entries{Folder("\xb2\xe5\xbc\xfe/"), File("\xb2\xe5\xbc\xfe/\xd6\xf7\xb3\xcc\xd0\xf2.rb", "gbk"),
                          File("\xb0\x5c", "trail"), utf8};
    ASSERT_TRUE(Extract(entries));
    EXPECT_EQ(ReadBytes(In(L"插件\\主程序.rb")), "gbk");
    EXPECT_EQ(ReadBytes(In(L"癨")), "trail");
    EXPECT_EQ(ReadBytes(In(L"한글.rb")), "utf8");
}

TEST_F(ExtractTest, OnlyTheFirst512BytesOfALongNameAreUsed) {
    // UTF-8 CJK names stay short enough in characters: 181 + 181 + 150 bytes are the first 512.
    std::string a, b, c;
    for (int i = 0; i < 60; ++i) a += "\xe5\xad\x97", b += "\xe6\x96\x87";  // 字, 文
    for (int i = 0; i < 50; ++i) c += "\xe5\x90\x8d";                       // 名
    ZipEntry dirA = Folder(a + "/"), dirB = Folder(a + "/" + b + "/");
    ZipEntry longName = File(a + "/" + b + "/" + c + std::string(85, 'x') + ".rb", "cut");
    dirA.utf8Name = dirB.utf8Name = longName.utf8Name = true;
    ASSERT_EQ(longName.name.size(), 600u);
    ASSERT_TRUE(Extract({dirA, dirB, longName}));
    std::wstring wa(60, L'字'), wb(60, L'文'), wc(50, L'名');
    EXPECT_EQ(ReadBytes(In(wa + L"\\" + wb + L"\\" + wc)), "cut");

    // A cut through a character leaves bytes that are no UTF-8: refused.
    longName.name = a + "/" + b + "/x" + c + std::string(87, 'x');
    EXPECT_FALSE(Extract({dirA, dirB, longName}));
}

TEST(FileHelpersTest, TempFolderAndShellMove) {
    char expected[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, expected);
    EXPECT_EQ(GetTempFolderA(), expected);
    // The package file lives in this run's own folder inside the temporary folder.
    const std::wstring package = PackageFilePath(), temp = AnsiToWide(expected);
    EXPECT_EQ(package.rfind(temp + L"qln-", 0), 0u) << package;
    EXPECT_EQ(package.substr(package.rfind(L'\\')), L"\\qln_plugin.tmp");
    EXPECT_TRUE(test::IsDirectory(package.substr(0, package.rfind(L'\\'))));

    test::RemoveTree(Scratch());
    test::MakeDirs(Scratch() + L"\\from");
    test::WriteTextFile(Scratch() + L"\\from\\x.rb", "moved");
    const std::string scratch = WideToAnsi(Scratch());
    EXPECT_EQ(ShellMoveFolder(scratch + "\\from", scratch + "\\to", 0x14), 0);
    EXPECT_EQ(ReadBytes(Scratch() + L"\\to\\x.rb"), "moved");
    EXPECT_FALSE(Exists(Scratch() + L"\\from"));
    EXPECT_NE(ShellMoveFolder(scratch + "\\to", scratch + std::string(3000, 'x'), 0x14), 0);
    EXPECT_TRUE(Exists(Scratch() + L"\\to\\x.rb"));
    test::RemoveTree(Scratch());
}

// ---- The installation as the page runs it ---------------------------------------------------

constexpr UINT kStatusMessage = WM_APP + 7;
constexpr UINT kSelectionMessage = WM_APP + 8;
constexpr UINT kFinishMessage = WM_APP + 9;

// The page as the installation sees it, owned by the test's thread. Everything that touches its
// windows is handed to this thread with SendMessageW, as the page does it.
class FakePage : public PluginPageView {
public:
    FakePage() {
        window = CreateWindowExW(0, L"Static", L"page", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                 nullptr, nullptr, nullptr);
        SetWindowSubclass(window, Forward, 0, reinterpret_cast<DWORD_PTR>(this));
        label = CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 100, 20, window, nullptr, nullptr, nullptr);
        progress = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 30, 100, 20, window, nullptr,
                                   nullptr, nullptr);
        list = CreateWindowExW(0, L"ListBox", L"", WS_CHILD | LBS_SORT, 0, 60, 100, 80, window, nullptr, nullptr,
                               nullptr);
    }
    ~FakePage() { DestroyWindow(window); }

    TransferEnd EndTransfer(std::uint64_t context) override {
        CloseHandle(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(context)));
        return end;
    }
    std::wstring SelectedVersion() override {
        std::wstring text;
        SendMessageW(window, kSelectionMessage, 0, reinterpret_cast<LPARAM>(&text));
        return text;
    }
    void SetStatus(const std::wstring& text) override {
        SendMessageW(window, kStatusMessage, 0, reinterpret_cast<LPARAM>(&text));
    }
    HWND OwnerWindow() override { return window; }
    bool CloseRequested() override { return false; }
    void FinishInstall() override { SendMessageW(window, kFinishMessage, 0, 0); }

    HWND window, label, progress, list;
    TransferEnd end;
    std::vector<std::wstring> captions;
    bool captionsOnOwnThread = true;

private:
    static LRESULT CALLBACK Forward(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
        auto* page = reinterpret_cast<FakePage*>(self);
        const bool own = GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId();
        switch (m) {
        case kStatusMessage: {
            const auto& text = *reinterpret_cast<const std::wstring*>(lp);
            page->captions.push_back(text);
            page->captionsOnOwnThread &= own;
            SetWindowTextW(page->label, text.c_str());
            return 0;
        }
        case kSelectionMessage: {
            auto& text = *reinterpret_cast<std::wstring*>(lp);
            const LRESULT index = SendMessageW(page->list, LB_GETCURSEL, 0, 0);
            if (index == LB_ERR) return 0;
            text.assign(static_cast<std::size_t>(SendMessageW(page->list, LB_GETTEXTLEN, index, 0)), L'\0');
            SendMessageW(page->list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
            return 0;
        }
        case kFinishMessage:
            DownloadBusy.store(0);
            ShowWindow(page->progress, SW_HIDE);
            page->captions.push_back(L"");
            SetWindowTextW(page->label, L"");
            return 0;
        }
        return DefSubclassProc(w, m, wp, lp);
    }
};

// What the result message showed, read and closed from a watcher thread.
struct Box {
    std::wstring text, caption, labelMeanwhile;
    HWND owner = nullptr;
    int busyMeanwhile = -1;
};

HWND FindOwnDialog() {
    HWND found = nullptr;
    for (HWND w : test::TopLevelWindows(GetCurrentProcessId(), true))
        if (test::ClassOf(w) == L"#32770") found = w;
    return found;
}

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        Clean();
        test::MakeDirs(versionFolder);  // SketchUp makes it on its first start
        SendMessageW(page.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kEntry));
        SendMessageW(page.list, LB_SETCURSEL, 0, 0);
        SetPluginPageView(&page);
    }
    void TearDown() override {
        SetPluginPageView(nullptr);
        Clean();
    }
    void Clean() {
        test::ResetDiscoveryWorld();  // the version folder and the scan root above it
        test::RemoveTree(AnsiToWide(GetTempFolderA()) + L"Plugins");
        DeleteFileW(PackageFilePath().c_str());
    }

    // Writes the package as the download does and runs the installation on a worker thread
    // while this thread serves the page.
    Box Install(const std::string& package, bool installing = true) {
        HANDLE file = CreateFileW(PackageFilePath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, package.data(), static_cast<DWORD>(package.size()), &written, nullptr);
        DownloadBusy.store(1);
        ShowWindow(page.progress, SW_SHOW);
        page.captions.clear();
        Box box;
        std::thread watcher([&] {
            for (int i = 0; i < 1000; ++i, Sleep(10)) {
                HWND dialog = FindOwnDialog();
                if (!dialog) continue;
                box.text = test::WindowText(GetDlgItem(dialog, 0xFFFF));
                box.caption = test::WindowText(dialog);
                box.labelMeanwhile = test::WindowText(page.label);
                box.busyMeanwhile = DownloadBusy.load();
                box.owner = GetWindow(dialog, GW_OWNER);
                PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                return;
            }
        });
        HANDLE worker = CreateThread(
            nullptr, 0,
            [](void* handle) -> DWORD {
                InstallPackage(nullptr, reinterpret_cast<std::uintptr_t>(handle), nullptr, 0);
                return 0;
            },
            file, 0, nullptr);
        while (MsgWaitForMultipleObjects(1, &worker, FALSE, 20000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        const bool ended = WaitForSingleObject(worker, 0) == WAIT_OBJECT_0;
        if (!ended) TerminateThread(worker, 1);  // no box came: leave no thread on the page
        CloseHandle(worker);
        watcher.join();
        EXPECT_TRUE(ended);
        // Back to idle in every case.
        EXPECT_EQ(DownloadBusy.load(), 0);
        EXPECT_FALSE(IsWindowVisible(page.progress));
        EXPECT_EQ(test::WindowText(page.label), L"");
        if (installing)
            EXPECT_EQ(page.captions, (std::vector<std::wstring>{L"开始安装。。。", L""}));
        else
            EXPECT_EQ(page.captions, (std::vector<std::wstring>{L""}));
        EXPECT_TRUE(page.captionsOnOwnThread);
        EXPECT_EQ(box.caption, L"Quorlen插件安装器");
        EXPECT_EQ(box.owner, page.window);
        EXPECT_EQ(box.labelMeanwhile, installing ? L"开始安装。。。" : L"");
        EXPECT_EQ(box.busyMeanwhile, 1);
        return box;
    }

    static constexpr const wchar_t* kEntry = L"SketchUp 2091";
    const std::wstring plugins = GetPluginsDir(kEntry, PluginsKind::Automatic);
    const std::wstring versionFolder = plugins.substr(0, plugins.rfind(L'\\'));
    FakePage page;
};

TEST_F(InstallTest, MissingPluginsFolderIsMadeAndThePackageUnpackedAndDeleted) {
    EXPECT_EQ(Install(test::BuildZip(kDemo)).text, L"安装成功！");
    EXPECT_EQ(ReadBytes(plugins + L"\\demo\\main.rb"), kDemo[1].data);
    EXPECT_EQ(ReadBytes(plugins + L"\\demo.rb"), kDemo[2].data);
    EXPECT_FALSE(Exists(PackageFilePath()));
    EXPECT_FALSE(Exists(AnsiToWide(GetTempFolderA()) + L"Plugins"));
}

TEST_F(InstallTest, EmptyArchiveSucceedsAndDeletesThePackage) {
    EXPECT_EQ(Install(test::BuildZip({})).text, L"安装成功！");
    EXPECT_TRUE(test::IsDirectory(plugins));
    EXPECT_EQ(CountEntries(plugins), 0);
    EXPECT_FALSE(Exists(PackageFilePath()));
}

TEST_F(InstallTest, DamagedPackageIsToldAsSuchAndKept) {
    EXPECT_EQ(Install("<html>502</html>").text, L"安装失败，插件包已损坏或不完整，请重新下载后重试！");
    EXPECT_EQ(ReadBytes(PackageFilePath()), "<html>502</html>");
    EXPECT_FALSE(Exists(plugins));
}

// A transfer the page judged a failure (here a status other than 200) is told with its own
// sentence and nothing is unpacked, however much it looks like a package.
TEST_F(InstallTest, AFailedDownloadInstallsNothing) {
    page.end.verdict = InstallOutcome::ServerError;
    EXPECT_EQ(Install(test::BuildZip(kDemo), false).text, L"下载失败，更新服务器暂时无法提供插件，请稍后重试！");
    EXPECT_FALSE(Exists(plugins));
    EXPECT_TRUE(Exists(PackageFilePath()));
    page.end.verdict = InstallOutcome::PackageTooLarge;
    page.end.keepPackage = false;
    EXPECT_EQ(Install(test::BuildZip(kDemo), false).text, L"下载失败，更新服务器提供的插件包大小异常，请稍后重试！");
    EXPECT_FALSE(Exists(plugins));
    EXPECT_FALSE(Exists(PackageFilePath()));
}

TEST_F(InstallTest, NoSelectedVersionIsRefusedWithoutTouchingAnyFolder) {
    SendMessageW(page.list, LB_SETCURSEL, WPARAM(-1), 0);
    EXPECT_EQ(Install(test::BuildZip(kDemo)).text, L"安装失败，未能确定要安装到的草图版本，请重新选择后重试！");
    EXPECT_TRUE(Exists(PackageFilePath()));
    const std::wstring emptyVersion = GetPluginsDir(L"", PluginsKind::Automatic);
    EXPECT_FALSE(Exists(emptyVersion.substr(0, emptyVersion.rfind(L'\\'))));
    EXPECT_FALSE(Exists(AnsiToWide(GetTempFolderA()) + L"Plugins"));
}

// Wine keeps no archive bit on folders; the hidden bit stands in for every marked folder, which
// counts as absent: the empty folder is moved in (into it, as the shell moves onto a folder)
// and the package lands in the existing folder all the same.
TEST_F(InstallTest, MarkedTargetCountsAsAbsentYetReceivesThePackage) {
    test::MakeDirs(plugins);
    EXPECT_EQ(Install(test::BuildZip(kDemo)).text, L"安装成功！");
    EXPECT_FALSE(Exists(plugins + L"\\Plugins")) << "a plain folder counts as present";

    SetFileAttributesW(plugins.c_str(), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(Install(test::BuildZip({File("again.rb", "x")})).text, L"安装成功！");
    EXPECT_TRUE(test::IsDirectory(plugins + L"\\Plugins"));
    EXPECT_EQ(ReadBytes(plugins + L"\\again.rb"), "x");
    EXPECT_FALSE(Exists(AnsiToWide(GetTempFolderA()) + L"Plugins"));
}

// Folders above a target are made top down, but none below a link or a file standing on the way.
TEST(TargetFoldersTest, MakesWhatIsMissingButNothingBelowALinkOrAFile) {
    test::ResetDiscoveryWorld();
    const std::wstring root = test::ScratchRoot(), link = root + L"\\linked";
    EXPECT_TRUE(MakeMissingFolders(root + L"\\a\\SketchUp 2023\\SketchUp\\Plugins"));
    EXPECT_TRUE(test::IsDirectory(root + L"\\a\\SketchUp 2023\\SketchUp\\Plugins"));
    test::MakeDirs(root + L"\\elsewhere");
    ASSERT_EQ(test::RunUnix("ln -s " + test::UnixPath8(root + L"\\elsewhere") + " " + test::UnixPath8(link)), 0);
    EXPECT_FALSE(MakeMissingFolders(link + L"\\SketchUp 2023\\Plugins"));
    EXPECT_FALSE(test::IsDirectory(root + L"\\elsewhere\\SketchUp 2023"));
    test::WriteTextFile(root + L"\\file");
    EXPECT_FALSE(MakeMissingFolders(root + L"\\file\\Plugins"));
    test::RunUnix("rm " + test::UnixPath8(link));
    test::ResetDiscoveryWorld();
}

}  // namespace
}  // namespace qln
