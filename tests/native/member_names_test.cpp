#include <gtest/gtest.h>

#include <string>

#include "plugin/member_names.h"

namespace qln {
namespace {

using Fault = MemberNameFault;

TEST(MemberNamesTest, OrdinaryNamesPass) {
    for (const wchar_t* name : {L"demo/", L"demo\\", L"demo/main.rb", L"demo\\sub/x.rb", L"demo.rb", L".hidden",
                                L"插件/主程序.rb", L"a b/c d.rb", L"CONSOLE.rb", L"COM10", L"nul_file", L"LPTX.rb",
                                L"x.nul", L"a..b"})
        EXPECT_EQ(CheckMemberName(name), Fault::None) << name;
}

TEST(MemberNamesTest, NamesThatLeaveTheTargetAreRefused) {
    const std::pair<const wchar_t*, Fault> cases[] = {
        {L"../evil.rb", Fault::ParentStep},        {L"demo/../../evil.rb", Fault::ParentStep},
        {L"demo\\..\\..\\evil.rb", Fault::ParentStep}, {L"demo/..", Fault::ParentStep},
        {L"/evil.rb", Fault::Rooted},              {L"\\evil.rb", Fault::Rooted},
        {L"\\\\server\\share\\x.rb", Fault::Rooted}, {L"\\\\?\\C:\\x.rb", Fault::Rooted},
        {L"C:/evil.rb", Fault::DriveOrStream},     {L"C:evil.rb", Fault::DriveOrStream},
        {L"demo/main.rb:hidden", Fault::DriveOrStream},
    };
    for (const auto& [name, fault] : cases) EXPECT_EQ(CheckMemberName(name), fault) << name;
}

TEST(MemberNamesTest, NamesWindowsCannotCreateAsNamedAreRefused) {
    const std::pair<std::wstring, Fault> cases[] = {
        {L"", Fault::Empty},
        {L"/", Fault::Rooted},
        {L"CON", Fault::DeviceName},
        {L"demo/nul.txt", Fault::DeviceName},
        {L"Aux.tar.gz/x", Fault::DeviceName},
        {L"com1.rb", Fault::DeviceName},
        {L"LPT9", Fault::DeviceName},
        {L"lpt0.rb", Fault::DeviceName},
        {L"COM\u00B9.rb", Fault::DeviceName},
        {L"NUL .txt", Fault::DeviceName},
        {L"conout$", Fault::DeviceName},
        {L"prn/", Fault::DeviceName},
        {L"demo./x.rb", Fault::TrailingDotOrBlank},
        {L"x.rb ", Fault::TrailingDotOrBlank},
        {L"./x.rb", Fault::TrailingDotOrBlank},
        {L"demo .../", Fault::TrailingDotOrBlank},
        {L"a?b.rb", Fault::ReservedChar},
        {L"a*", Fault::ReservedChar},
        {L"a<b>", Fault::ReservedChar},
        {L"say\"hi\"", Fault::ReservedChar},
        {L"a|b", Fault::ReservedChar},
        {L"a\x01" L"b.rb", Fault::ControlChar},
        {L"tab\there", Fault::ControlChar},
        {L"demo//x.rb", Fault::EmptyComponent},
        {L"demo//", Fault::EmptyComponent},
        {std::wstring(256, L'a'), Fault::ComponentTooLong},
    };
    for (const auto& [name, fault] : cases) EXPECT_EQ(CheckMemberName(name), fault) << name;
    EXPECT_EQ(CheckMemberName(std::wstring(255, L'a')), Fault::None);
}

TEST(MemberNamesTest, FolderMembersEndInEitherSeparator) {
    EXPECT_TRUE(IsDirectoryMember(L"demo/"));
    EXPECT_TRUE(IsDirectoryMember(L"demo\\sub\\"));
    EXPECT_FALSE(IsDirectoryMember(L"demo"));
    EXPECT_FALSE(IsDirectoryMember(L"demo/x"));
    EXPECT_FALSE(IsDirectoryMember(L""));
}

TEST(MemberNamesTest, WholePathMustFitTheFileFunctions) {
    const std::size_t target = 24;  // "C:\qln-tests\pkg\target\"
    const std::wstring dir = std::wstring(200, L'd') + L"/";
    EXPECT_EQ(CheckMemberPath(target, dir + std::wstring(kMaxFilePathChars - target - 201, L'f')), Fault::None);
    EXPECT_EQ(CheckMemberPath(target, dir + std::wstring(kMaxFilePathChars - target - 200, L'f')), Fault::PathTooLong);
    // A folder's own separator does not count; folders leave room for an 8.3 name.
    EXPECT_EQ(CheckMemberPath(target, std::wstring(kMaxFolderPathChars - target, L'd') + L"/"), Fault::None);
    EXPECT_EQ(CheckMemberPath(target, std::wstring(kMaxFolderPathChars - target + 1, L'd') + L"/"),
              Fault::PathTooLong);
    // The name's own fault wins over its length.
    EXPECT_EQ(CheckMemberPath(target, L"../" + std::wstring(300, L'x')), Fault::ParentStep);
}

TEST(MemberNamesTest, TargetCountsAsPresentOnlyWithNothingButTheDirectoryBit) {
    EXPECT_TRUE(CountsAsPresentFolder(0x10));
    EXPECT_TRUE(CountsAsPresentFolder(0x00));
    EXPECT_TRUE(CountsAsPresentFolder(0x410));  // above the low eight bits: not looked at
    for (unsigned marked : {0x30u, 0x11u, 0x12u, 0x14u, 0x90u, 0x20u})
        EXPECT_FALSE(CountsAsPresentFolder(marked)) << std::hex << marked;
}

}  // namespace
}  // namespace qln
