// Packages as plugin authors make them: one source tree packed at test time by the zip writers of
// the build machine (Info-ZIP's zip, and Python's zipfile), with and without folder entries,
// deflated or stored, with data descriptors, ZIP64 headers, UTF-8 or code page 936 names. Each
// installs whole, and the installed tree equals the source tree byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include "install_test_support.h"
#include "plugin/package_install.h"
#include "test_support.h"
#include "zip_writer.h"

namespace qln {
namespace {

// Python's zipfile with ZIP64 headers on every member, names as UTF-8 (flagged) or as code page
// 936 bytes without the flag, as a Chinese Windows zip tool writes them; no folder entries.
constexpr const char* kPythonWriter = R"(import os, sys, zipfile
out, encoding = sys.argv[1], sys.argv[2]
class Info(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):
        if encoding == 'utf-8':
            return super()._encodeFilenameFlags()
        return self.filename.encode('gbk'), self.flag_bits
with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
    for folder, _, files in os.walk('.'):
        for name in sorted(files):
            path = os.path.join(folder, name)[2:]
            info = Info(path.replace(os.sep, '/'), (2024, 3, 4, 5, 6, 8))
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, 'rb') as data, z.open(info, 'w', force_zip64=True) as member:
                member.write(data.read())
)";

TEST(WritersTest, EveryWritersPackageInstallsTheTreeItWasMadeFrom) {
    const std::wstring root = test::ScratchRoot() + L"\\writers", source = root + L"\\source";
    test::RemoveTree(root);
    test::MakeDirs(source + L"\\qln_demo\\lib\\deep");
    test::WriteTextFile(source + L"\\qln_demo.rb", "require 'qln_demo/main'\n");
    test::WriteTextFile(source + L"\\qln_demo\\main.rb", std::string(30000, 'm'));
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7919) >> 3);
    test::WriteBytes(source + L"\\qln_demo\\lib\\deep\\data.bin", binary);
    test::WriteTextFile(source + L"\\qln_demo\\lib\\empty.rb", "");
    test::WriteTextFile(root + L"\\writer.py", kPythonWriter);
    const test::Tree expected = test::Snapshot(source);
    // Chinese names only where the writer says how they are encoded.
    const std::wstring chinese = source + L"\\qln_demo\\lib\\说明.txt";

    struct Row {
        const char* writer;
        std::string command;  // run in the source folder; writes ../package.zip
        bool withChinese;
    };
    const Row rows[] = {
        {"zip -r", "zip -qr ../package.zip .", false},
        {"zip -r -D (no folder entries)", "zip -qrD ../package.zip .", false},
        {"zip -r -0 -D (stored)", "zip -qr0D ../package.zip .", false},
        {"zip to a pipe (data descriptors)", "zip -qr - . | cat > ../package.zip", false},
        {"Python zipfile, ZIP64, UTF-8 names", "/usr/bin/python3 ../writer.py ../package.zip utf-8", true},
        {"Python zipfile, ZIP64, code page 936 names", "/usr/bin/python3 ../writer.py ../package.zip gbk", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.writer);
        DeleteFileW(chinese.c_str());
        test::Tree tree = expected;
        if (row.withChinese) {
            test::WriteTextFile(chinese, "中文说明");
            tree = test::Snapshot(source);
        }
        const std::wstring plugins = root + L"\\SketchUp\\Plugins";
        test::RemoveTree(root + L"\\SketchUp");
        DeleteFileW((root + L"\\package.zip").c_str());
        ASSERT_EQ(test::RunUnix("cd '" + test::UnixPath8(source) + "' && " + row.command), 0);
        const InstallReport report = InstallPackageFile(root + L"\\package.zip", plugins);
        EXPECT_EQ(report.outcome, InstallOutcome::Succeeded);
        // Names and bytes; the dates are the writer's to round.
        const test::Tree installed = test::Snapshot(plugins);
        ASSERT_EQ(installed.size(), tree.size());
        auto got = installed.begin();
        for (auto want = tree.cbegin(); want != tree.cend(); ++want, ++got) {
            EXPECT_EQ(got->first, want->first);
            EXPECT_EQ(got->second.folder, want->second.folder) << std::string(want->first.begin(), want->first.end());
            EXPECT_EQ(got->second.bytes, want->second.bytes) << std::string(want->first.begin(), want->first.end());
        }
    }
    test::RemoveTree(root);
}

}  // namespace
}  // namespace qln
