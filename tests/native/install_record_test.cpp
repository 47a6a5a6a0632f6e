// The hash that tells an installed file from a changed one, the install record's text, and the
// rules that decide when a download may be skipped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/exit_codes.h"
#include "base/sha256.h"
#include "plugin/fetch_rules.h"
#include "plugin/install_record.h"
#include "plugin/transfer_rules.h"

namespace qln {
namespace {

Sha256::Digest FromHex(const std::string& hex) {
    Sha256::Digest digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return digest;
}

// FIPS 180-2 appendix B and the NIST example values; every split of the input hashes alike.
TEST(Sha256Test, PublishedVectorsWholeAndInPieces) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [input, hex] : vectors) {
        Sha256 whole;
        whole.Update(input);
        EXPECT_EQ(whole.Final(), FromHex(hex)) << input.size();
        for (const std::size_t piece : {1u, 55u, 63u, 64u, 65u, 4097u}) {
            if (piece == 1 && input.size() > 1000) continue;  // byte by byte only where it stays quick
            Sha256 split;
            for (std::size_t at = 0; at < input.size(); at += piece) split.Update(std::string_view(input).substr(at, piece));
            EXPECT_EQ(split.Final(), FromHex(hex)) << input.size() << " in pieces of " << piece;
        }
    }
    Sha256 again;
    again.Update("abc");
    again.Final();
    EXPECT_EQ(again.Final(), FromHex(vectors[0].second)) << "Final starts over";
    EXPECT_EQ(Sha256::Hex(FromHex(vectors[1].second)), vectors[1].second);
}

const std::string kHashA(64, 'a');
const std::string kHashB = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

const std::string kRecordText = "QLN-INSTALL-RECORD 1\n"
                                "time 2026-03-01 09:30:00\n"
                                "source https://mirror.example/q.rbz?\xE2\x80\xA6\n"
                                "package 1234 " + kHashB + "\n"
                                "etag \"v2-abc\"\n"
                                "last-modified Tue, 03 Mar 2026 10:00:00 GMT\n"
                                "D qln_demo\n"
                                "D qln_demo\\\xE8\xB5\x84\xE6\xBA\x90\n"
                                "F 12 " + kHashA + " qln_demo\\main.rb\n"
                                "F 0 " + kHashB + " qln_demo.rb\n"
                                "END\n";

TEST(InstallRecordTest, RoundTripsEveryField) {
    const std::optional<InstallRecord> record = ParseInstallRecord(kRecordText);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->time, L"2026-03-01 09:30:00");
    EXPECT_EQ(record->source, L"https://mirror.example/q.rbz?\u2026");
    EXPECT_EQ(record->packageSize, 1234u);
    EXPECT_EQ(record->etag, "\"v2-abc\"");
    EXPECT_EQ(record->lastModified, "Tue, 03 Mar 2026 10:00:00 GMT");
    EXPECT_EQ(record->folders, (std::vector<std::wstring>{L"qln_demo", L"qln_demo\\\u8D44\u6E90"}));
    EXPECT_EQ(record->files, (std::vector<RecordedFile>{{L"qln_demo\\main.rb", 12, kHashA}, {L"qln_demo.rb", 0, kHashB}}));
    EXPECT_EQ(FormatInstallRecord(*record), kRecordText);

    // Optional lines may be absent, a local path is a source, and CR LF line ends are read too.
    InstallRecord local{L"2026-03-01 09:30:00", L"D:\\\u4E0B\u8F7D\\q.rbz", 7, kHashA, "", "", {}, {}};
    EXPECT_EQ(ParseInstallRecord(FormatInstallRecord(local)), local);
    std::string crlf;
    for (const char c : FormatInstallRecord(local)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(ParseInstallRecord(crlf), local);
}

std::string Replaced(const std::string& from, const std::string& to) {
    std::string text = kRecordText;
    const std::size_t at = text.find(from);
    return at == std::string::npos ? "<" + from + " not in the record>" : text.replace(at, from.size(), to);
}

TEST(InstallRecordTest, AnythingMalformedIsNoRecord) {
    const std::pair<const char*, std::string> cases[] = {
        {"no END", Replaced("END\n", "")},
        {"END without its line end", Replaced("END\n", "END")},
        {"text after END", kRecordText + "F 1 " + kHashA + " extra.rb\n"},
        {"another version", Replaced("RECORD 1", "RECORD 2")},
        {"time not a time", Replaced("2026-03-01 09:30:00", "yesterday")},
        {"no source", Replaced("source https://mirror.example/q.rbz?\xE2\x80\xA6\n", "")},
        {"upper-case hex", Replaced(kHashA, std::string(64, 'A'))},
        {"short hash", Replaced(kHashA, std::string(63, 'a'))},
        {"hash not hex", Replaced(kHashA, std::string(63, 'a') + "g")},
        {"size not decimal", Replaced("F 12 ", "F 1x ")},
        {"size with a sign", Replaced("F 12 ", "F -12 ")},
        {"size beyond 64 bits", Replaced("package 1234 ", "package 99999999999999999999 ")},
        {"parent step", Replaced("qln_demo\\main.rb", "..\\main.rb")},
        {"rooted name", Replaced("qln_demo\\main.rb", "\\Windows\\win.ini")},
        {"drive in a name", Replaced("qln_demo.rb", "C:qln_demo.rb")},
        {"forward slash", Replaced("qln_demo\\main.rb", "qln_demo/main.rb")},
        {"final separator", Replaced("D qln_demo\n", "D qln_demo\\\n")},
        {"device name", Replaced("qln_demo.rb", "nul.rb")},
        {"empty name", Replaced(" qln_demo.rb", " ")},
        {"not UTF-8", Replaced("qln_demo.rb", "qln_\xFF.rb")},
        {"control character in a validator", Replaced("\"v2-abc\"", "\"v2\x01\"")},
        {"validators in the wrong order", Replaced("etag \"v2-abc\"\nlast-modified Tue, 03 Mar 2026 10:00:00 GMT\n",
                                                   "last-modified Tue, 03 Mar 2026 10:00:00 GMT\netag \"v2-abc\"\n")},
        {"validator after the entries", Replaced("END\n", "etag \"x\"\nEND\n")},
        {"unknown line", Replaced("END\n", "X something\nEND\n")},
        {"one name twice in other case", Replaced("F 0 " + kHashB + " qln_demo.rb", "F 0 " + kHashB + " QLN_DEMO\\MAIN.RB")},
    };
    for (const auto& [what, text] : cases) EXPECT_FALSE(ParseInstallRecord(text)) << what;
}

TEST(ConditionalRequestTest, AskedOnlyWhenEveryVersionHoldsTheSameSourceAndValidators) {
    const InstallRecord a{L"t", L"https://h/q.rbz", 1, kHashA, "\"e1\"", "Mon, 02 Mar 2026 10:00:00 GMT", {}, {}};
    InstallRecord otherEtag = a, otherSource = a, none = a, onlyDate = a;
    otherEtag.etag = "\"e2\"";
    otherSource.source = L"https://h/other.rbz";
    none.etag.clear();
    none.lastModified.clear();
    onlyDate.etag.clear();

    const auto shared = SharedValidators({&a, &a}, L"https://h/q.rbz");
    ASSERT_TRUE(shared);
    EXPECT_EQ(ConditionalRequestHeaders(*shared),
              "If-None-Match: \"e1\"\r\nIf-Modified-Since: Mon, 02 Mar 2026 10:00:00 GMT\r\n");
    EXPECT_EQ(ConditionalRequestHeaders(*SharedValidators({&onlyDate}, L"https://h/q.rbz")),
              "If-Modified-Since: Mon, 02 Mar 2026 10:00:00 GMT\r\n");
    const std::pair<const char*, std::vector<const InstallRecord*>> refused[] = {
        {"a version without a record", {&a, nullptr}}, {"no version", {}},
        {"validators differ", {&a, &otherEtag}},       {"another source", {&a, &otherSource}},
        {"no validators", {&none}},
    };
    for (const auto& [what, records] : refused) EXPECT_FALSE(SharedValidators(records, L"https://h/q.rbz")) << what;
    // A value that could end the header line is never sent, and the download component takes
    // only whole header lines.
    EXPECT_EQ(ConditionalRequestHeaders({L"s", "\"x\"\r\nX-Evil: 1", ""}), "");
    for (const char* lines : {"", "If-None-Match: \"a\"\r\n", "A: 1\r\nB:\t2\r\n"}) EXPECT_TRUE(AreHeaderLines(lines)) << lines;
    for (const char* lines : {"A: 1", "A: 1\n", "A: 1\r", "\r\n", "A: 1\r\n\r\nGET / HTTP/1.1\r\n", "A: \x01\r\n"})
        EXPECT_FALSE(AreHeaderLines(lines)) << lines;
}

TEST(ConditionalRequestTest, ValidatorsAreReadFromTheAnswerAnd304CountsOnlyWhenAsked) {
    const ResponseHead head =
        ParseResponseHead("HTTP/1.1 200 OK\r\nETag: \"v7\"\r\nLast-Modified:  Tue, 03 Mar 2026 10:00:00 GMT \r\n\r\n");
    EXPECT_EQ(head.etag, "\"v7\"");
    EXPECT_EQ(head.lastModified, "Tue, 03 Mar 2026 10:00:00 GMT");
    // Given twice, it is unknown which one describes the body.
    EXPECT_EQ(ParseResponseHead("HTTP/1.1 200 OK\r\nETag: \"a\"\r\nETag: \"b\"\r\n").etag, "");

    const ResponseHead notModified = ParseResponseHead("HTTP/1.1 304 Not Modified\r\nContent-Length: 99\r\n\r\n");
    EXPECT_EQ(JudgeResponseHead(notModified, false, kMaxPackageBytes, true), InstallOutcome::Succeeded);
    EXPECT_TRUE(IsNotModified(notModified, true));
    EXPECT_EQ(JudgeResponseHead(notModified, false, kMaxPackageBytes, false), InstallOutcome::ServerError);
    EXPECT_FALSE(IsNotModified(notModified, false));
    EXPECT_FALSE(IsNotModified(ParseResponseHead("HTTP/1.1 200 OK\r\n"), true));
}

TEST(RecordSwitchesTest, VerifyAndUninstallAreUnattendedAndInstallNothing) {
    const std::pair<std::vector<std::wstring>, RunAction> accepted[] = {
        {{L"/verify"}, RunAction::Verify},
        {{L"/quiet", L"/VERIFY", L"/version:2021", L"/allusers"}, RunAction::Verify},
        {{L"/Uninstall", L"/version:all"}, RunAction::Uninstall},
        {{L"/quiet"}, RunAction::Install},
    };
    for (const auto& [arguments, action] : accepted) {
        const CommandLine line = ParseCommandLine(arguments);
        EXPECT_EQ(line.mode, RunMode::Unattended) << arguments.size();
        EXPECT_EQ(line.action, action) << arguments.size();
    }
    const std::vector<std::wstring> refused[] = {
        {L"/verify", L"/uninstall"}, {L"/verify", L"/verify"},        {L"/verify:yes"},
        {L"/uninstall", L"/package:a.rbz"}, {L"/verify", L"/url:https://h/q.rbz"},
    };
    for (const auto& arguments : refused) EXPECT_EQ(ParseCommandLine(arguments).mode, RunMode::BadArguments) << arguments.size();

    EXPECT_EQ(static_cast<int>(ExitCode::NotInstalled), 40);
    EXPECT_EQ(static_cast<int>(ExitCode::FilesChanged), 41);
    const std::wstring usage = UsageText();
    for (const wchar_t* named : {L"/verify", L"/uninstall", L"；40 ", L"；41 "}) EXPECT_NE(usage.find(named), std::wstring::npos) << named;
}

}  // namespace
}  // namespace qln
