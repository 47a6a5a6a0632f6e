#include <gtest/gtest.h>

#include <climits>

#include "plugin/url.h"

namespace qln {
namespace {

void ExpectUrl(std::string_view url, std::string_view host, std::string_view path, int port) {
    const ParsedUrl parsed = ParseUrl(url);
    EXPECT_EQ(parsed.host, host) << url;
    EXPECT_EQ(parsed.path, path) << url;
    EXPECT_EQ(parsed.port, port) << url;
}

TEST(ParseUrlTest, SchemeChoosesTheDefaultPortInAnyCase) {
    ExpectUrl("https://server/update/qln_plugin.rbz", "server", "update/qln_plugin.rbz", 443);
    ExpectUrl("HTTP://Server:8080/a/b?x=1", "Server", "a/b?x=1", 8080);
    ExpectUrl("hTtP://server/x", "server", "x", 80);
    ExpectUrl("HTTPS://server/x", "server", "x", 443);
    // Without a scheme, or with one we do not know, the text is a host fetched on 443.
    ExpectUrl("server/x", "server", "x", 443);
    ExpectUrl("ftp://server/x", "ftp", "/server/x", 0);
}

TEST(ParseUrlTest, PortDecidesBetweenTlsAndPlainHttp) {
    const ParsedUrl secureSchemeOtherPort = ParseUrl("https://server:8443/x");
    EXPECT_EQ(secureSchemeOtherPort.port, 8443);
    EXPECT_FALSE(IsSecurePort(static_cast<std::uint16_t>(secureSchemeOtherPort.port)));

    const ParsedUrl plainSchemeTlsPort = ParseUrl("http://server:443/x");
    EXPECT_EQ(plainSchemeTlsPort.port, 443);
    EXPECT_TRUE(IsSecurePort(static_cast<std::uint16_t>(plainSchemeTlsPort.port)));

    EXPECT_TRUE(IsSecurePort(static_cast<std::uint16_t>(ParseUrl("server/x").port)));
    EXPECT_FALSE(IsSecurePort(static_cast<std::uint16_t>(ParseUrl("http://server/x").port)));
}

TEST(ParseUrlTest, PathWithoutSlashIsEmptyAndOnlyTheFirstSlashSplits) {
    ExpectUrl("https://server", "server", "", 443);
    ExpectUrl("https://server/", "server", "", 443);
    ExpectUrl("https://server//a", "server", "/a", 443);
    ExpectUrl("http://server/a?next=http://other/b", "server", "a?next=http://other/b", 80);
}

TEST(ParseUrlTest, SpacesAreTrimmedAroundUrlHostAndPathButNotOtherBlanks) {
    ExpectUrl("   https://server/x   ", "server", "x", 443);
    ExpectUrl("http:// server : 81 /  a b  ", "server ", "a b", 81);
    ExpectUrl("\thttp://server/x", "\thttp", "/server/x", 0);
    ExpectUrl("", "", "", 443);
    ExpectUrl("     ", "", "", 443);
    ExpectUrl("https://", "", "", 443);
}

TEST(ParseUrlTest, MissingHostKeepsPathAndPort) {
    ExpectUrl("https:///x", "", "x", 443);
    ExpectUrl("http://:8080/x", "", "x", 8080);
    ExpectUrl("/x", "", "x", 443);
}

TEST(ParseUrlTest, PortIsReadLikeAtoiFromTheFirstColon) {
    // No digits after the colon: port 0 (WinInet then takes the service's default).
    ExpectUrl("http://server:/x", "server", "x", 0);
    ExpectUrl("https://server:abc/x", "server", "x", 0);
    ExpectUrl("http://server:8080abc/x", "server", "x", 8080);
    ExpectUrl("http://server:1:2/x", "server", "x", 1);
    ExpectUrl("http://server:-5/x", "server", "x", -5);
    ExpectUrl("http://user@server:99", "user@server", "", 99);
    // A digit run too long for an int saturates instead of overflowing.
    ExpectUrl("http://server:99999999999999999999/x", "server", "x", INT_MAX);
    ExpectUrl("http://server:-99999999999999999999/x", "server", "x", INT_MIN);
}

TEST(NarrowTextTest, FallbackKeepsAsciiAndMarksEveryOtherCharacterOnce) {
    EXPECT_EQ(AsciiOrQuestionMarks(L"abc/1?x=2"), "abc/1?x=2");
    EXPECT_EQ(AsciiOrQuestionMarks(L"服务器/包"), "?\?\?/?");
    // A surrogate pair is one character: one mark. A lone surrogate is marked on its own.
    const std::wstring pair{L'a', wchar_t(0xD83D), wchar_t(0xDE00), L'b'};
    EXPECT_EQ(AsciiOrQuestionMarks(pair), "a?b");
    const std::wstring lone{wchar_t(0xD83D), L'x', wchar_t(0xDE00)};
    EXPECT_EQ(AsciiOrQuestionMarks(lone), "?x?");
    EXPECT_EQ(AsciiOrQuestionMarks(L"\x7F\x80"), "\x7F?");
}

TEST(NarrowTextTest, UsesTheCLibraryConversionAndFallsBackWhenItFails) {
    // The C locale cannot hold Chinese characters: the conversion fails and the fallback runs.
    EXPECT_EQ(NarrowText(L"https://服务器/x"), "https://?\?\?/x");
    EXPECT_EQ(NarrowText(L"https://server/x"), "https://server/x");
    EXPECT_EQ(NarrowText(L""), "");
    EXPECT_EQ(WidenText("HTTP/1.1"), L"HTTP/1.1");
}

TEST(RangeHeaderLineTest, CountsTheFirstByteFromOneAndEndsAtStartPlusExtentMinusOne) {
    EXPECT_EQ(RangeHeaderLine(0, 0), "");
    EXPECT_EQ(RangeHeaderLine(0, 10), "");
    EXPECT_EQ(RangeHeaderLine(1, 0), "Range: bytes=0-\r\n");
    EXPECT_EQ(RangeHeaderLine(101, 0), "Range: bytes=100-\r\n");
    EXPECT_EQ(RangeHeaderLine(1, 10), "Range: bytes=0-10\r\n");
    EXPECT_EQ(RangeHeaderLine(101, 1), "Range: bytes=100-101\r\n");
    EXPECT_EQ(RangeHeaderLine(INT_MAX, INT_MAX), "Range: bytes=2147483646-4294967293\r\n");
}

}  // namespace
}  // namespace qln
