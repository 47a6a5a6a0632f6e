#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>

#include "plugin/install_outcome.h"
#include "plugin/transfer_rules.h"

namespace qln {
namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

ResponseHead Head(const std::string& raw) { return ParseResponseHead(raw); }

TEST(ResponseHeadTest, ReadsStatusAndContentLength) {
    const ResponseHead head = Head("HTTP/1.1 200 OK\r\nContent-Type: x\r\nContent-Length: 1234\r\n\r\n");
    EXPECT_TRUE(head.statusRead);
    EXPECT_EQ(head.status, 200u);
    ASSERT_TRUE(head.contentLength);
    EXPECT_EQ(*head.contentLength, 1234u);
    EXPECT_FALSE(head.contentLengthInvalid);

    const ResponseHead plain = Head("HTTP/1.0 404\r\ncontent-LENGTH:\t7 \r\n");
    EXPECT_EQ(plain.status, 404u);
    EXPECT_EQ(plain.contentLength.value_or(0), 7u);

    const ResponseHead chunked = Head("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
    EXPECT_TRUE(chunked.statusRead);
    EXPECT_FALSE(chunked.contentLength);
}

TEST(ResponseHeadTest, RefusesWhatIsNoStatusLine) {
    for (const char* raw : {"", "200 OK\r\n", "HTTP/1.1\r\n", "HTTP/1.1 2x0 OK\r\n", "HTTP/1.1 2000 OK\r\n",
                            "ICY 200 OK\r\n", "HTTP/1.1 20\r\n"})
        EXPECT_FALSE(Head(raw).statusRead) << raw;
    EXPECT_TRUE(Head("http/1.1 206 Partial Content\r\n").statusRead);
}

TEST(ResponseHeadTest, LengthsThatAreNoNumberOrDisagreeAreInvalidAndHugeOnesSaturate) {
    EXPECT_TRUE(Head("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n").contentLengthInvalid);
    EXPECT_TRUE(Head("HTTP/1.1 200 OK\r\nContent-Length: 12abc\r\n").contentLengthInvalid);
    EXPECT_TRUE(Head("HTTP/1.1 200 OK\r\nContent-Length:\r\n").contentLengthInvalid);
    EXPECT_TRUE(Head("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n").contentLengthInvalid);
    EXPECT_FALSE(Head("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 5\r\n").contentLengthInvalid);
    const ResponseHead huge = Head("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999999\r\n");
    EXPECT_EQ(huge.contentLength.value_or(0), kMax);
    EXPECT_EQ(Head("HTTP/1.1 200 OK\r\nContent-Length: 4294967297\r\n").contentLength.value_or(0), 4294967297u);
    // A header after the blank line belongs to no header block.
    EXPECT_FALSE(Head("HTTP/1.1 200 OK\r\n\r\nContent-Length: 5\r\n").contentLength);
}

TEST(ResponseJudgeTest, OnlyThePackageStatusIsThePackage) {
    ResponseHead head = Head("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n");
    EXPECT_EQ(JudgeResponseHead(head, false), InstallOutcome::Succeeded);
    EXPECT_EQ(JudgeResponseHead(head, true), InstallOutcome::Succeeded);
    for (std::uint32_t status : {100u, 201u, 204u, 206u, 301u, 302u, 304u, 404u, 500u, 502u}) {
        head.status = status;
        EXPECT_EQ(JudgeResponseHead(head, false), InstallOutcome::ServerError) << status;
    }
    head.status = 206;
    EXPECT_EQ(JudgeResponseHead(head, true), InstallOutcome::Succeeded);
    EXPECT_EQ(JudgeResponseHead(ResponseHead{}, false), InstallOutcome::ServerError);
    EXPECT_EQ(JudgeResponseHead(Head("HTTP/1.1 200 OK\r\nContent-Length: x\r\n"), false), InstallOutcome::ServerError);
}

TEST(ResponseJudgeTest, AnnouncedLengthAboveTheCapFailsBeforeTheBody) {
    EXPECT_EQ(kMaxPackageBytes, 256u * 1024 * 1024);
    const auto withLength = [](std::uint64_t n) {
        return Head("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(n) + "\r\n");
    };
    EXPECT_EQ(JudgeResponseHead(withLength(kMaxPackageBytes), false), InstallOutcome::Succeeded);
    EXPECT_EQ(JudgeResponseHead(withLength(kMaxPackageBytes + 1), false), InstallOutcome::PackageTooLarge);
    EXPECT_EQ(JudgeResponseHead(withLength(kMax), false), InstallOutcome::PackageTooLarge);
    EXPECT_EQ(JudgeResponseHead(withLength(5000000000u), false), InstallOutcome::PackageTooLarge);
    EXPECT_EQ(JudgeResponseHead(withLength(100), false, 99), InstallOutcome::PackageTooLarge);
}

TEST(ResponseJudgeTest, ChunksAndBodiesStayWithinTheCapWithoutOverflow) {
    EXPECT_EQ(JudgeNextChunk(0, 4096), InstallOutcome::Succeeded);
    EXPECT_EQ(JudgeNextChunk(kMaxPackageBytes - 4096, 4096), InstallOutcome::Succeeded);
    EXPECT_EQ(JudgeNextChunk(kMaxPackageBytes - 4095, 4096), InstallOutcome::PackageTooLarge);
    EXPECT_EQ(JudgeNextChunk(kMax, kMax), InstallOutcome::PackageTooLarge);
    EXPECT_EQ(JudgeNextChunk(10, kMax), InstallOutcome::PackageTooLarge);

    EXPECT_EQ(JudgeReceivedBody(100, 100), InstallOutcome::Succeeded);
    EXPECT_EQ(JudgeReceivedBody(100, 99), InstallOutcome::DownloadFailed);
    EXPECT_EQ(JudgeReceivedBody(100, 0), InstallOutcome::DownloadFailed);
    EXPECT_EQ(JudgeReceivedBody(100, 101), InstallOutcome::ServerError);
    EXPECT_EQ(JudgeReceivedBody(std::nullopt, 0), InstallOutcome::Succeeded);
    EXPECT_EQ(JudgeReceivedBody(std::nullopt, kMaxPackageBytes + 1), InstallOutcome::PackageTooLarge);
}

TEST(ProgressTest, PercentRoundsHalfToEvenAndNeverOverflows) {
    EXPECT_EQ(ProgressPosition(0, 0), 0);
    EXPECT_EQ(ProgressPosition(123, 0), 0);
    EXPECT_EQ(ProgressPosition(0, 100), 0);
    EXPECT_EQ(ProgressPosition(50, 100), 50);
    EXPECT_EQ(ProgressPosition(1, 200), 0);    // 0.5 -> 0
    EXPECT_EQ(ProgressPosition(3, 200), 2);    // 1.5 -> 2
    EXPECT_EQ(ProgressPosition(5, 200), 2);    // 2.5 -> 2
    EXPECT_EQ(ProgressPosition(199, 200), 100);  // 99.5 -> 100
    EXPECT_EQ(ProgressPosition(200, 200), 100);
    // The page's shares as a user sees them: 12.5 % is 12 and 37.5 % is 38 (halves to even),
    // 0.4 % rounds to 0 (below the bar's range: its minimum shows), 99.9 % is full, more than
    // announced is full, nothing announced is the minimum, a half is 50.
    EXPECT_EQ(ProgressPosition(1, 8), 12);
    EXPECT_EQ(ProgressPosition(3, 8), 38);
    EXPECT_EQ(ProgressPosition(1, 250), 0);
    EXPECT_EQ(ProgressPosition(999, 1000), 100);
    EXPECT_EQ(ProgressPosition(5, 4), 100);
    EXPECT_EQ(ProgressPosition(7, 0), 0);
    EXPECT_EQ(ProgressPosition(1, 2), 50);
    EXPECT_EQ(ProgressPosition(500, 200), 100);
    EXPECT_EQ(ProgressPosition(kMax, kMax), 100);
    EXPECT_EQ(ProgressPosition(kMax / 2, kMax), 50);
    EXPECT_EQ(ProgressPosition(kMax, 1), 100);
    EXPECT_EQ(ProgressPosition(4294967295u, 4294967296u), 100);
}

TEST(ClassifyTest, CertificateErrorsAreRefusedAndTheRestIsADownloadFailure) {
    for (std::uint32_t e : {12037u, 12038u, 12044u, 12045u, 12055u, 12056u, 12057u, 12062u, 12169u, 12170u, 12179u})
        EXPECT_EQ(ClassifyTransferError(e), InstallOutcome::CertificateRefused) << e;
    EXPECT_EQ(ClassifyTransferError(12040), InstallOutcome::ServerError);
    for (std::uint32_t e : {0u, 8u, 12002u, 12007u, 12029u, 12030u, 12152u, 12157u})
        EXPECT_EQ(ClassifyTransferError(e), InstallOutcome::DownloadFailed) << e;
}

TEST(ClassifyTest, FileErrorsTellWhatHelps) {
    EXPECT_EQ(ClassifyFileError(112), InstallOutcome::DiskFull);
    EXPECT_EQ(ClassifyFileError(39), InstallOutcome::DiskFull);
    EXPECT_EQ(ClassifyFileError(1295), InstallOutcome::DiskFull);
    EXPECT_EQ(ClassifyFileError(32), InstallOutcome::FileInUse);
    EXPECT_EQ(ClassifyFileError(33), InstallOutcome::FileInUse);
    EXPECT_EQ(ClassifyFileError(1224), InstallOutcome::FileInUse);
    EXPECT_EQ(ClassifyFileError(5), InstallOutcome::AccessDenied);
    EXPECT_EQ(ClassifyFileError(19), InstallOutcome::AccessDenied);
    EXPECT_EQ(ClassifyFileError(1314), InstallOutcome::AccessDenied);
    EXPECT_EQ(ClassifyFileError(80), InstallOutcome::PathBlocked);
    EXPECT_EQ(ClassifyFileError(183), InstallOutcome::PathBlocked);
    EXPECT_EQ(ClassifyFileError(267), InstallOutcome::PathBlocked);
    EXPECT_EQ(ClassifyFileError(31), InstallOutcome::AccessDenied);
}

TEST(OutcomeTest, EveryKindHasItsOwnSentenceAndName) {
    std::set<std::wstring> sentences;
    std::set<std::string> names;
    const InstallOutcome all[] = {
        InstallOutcome::Succeeded,     InstallOutcome::NoTarget,          InstallOutcome::DamagedPackage,
        InstallOutcome::AccessDenied,  InstallOutcome::FileInUse,         InstallOutcome::DiskFull,
        InstallOutcome::DownloadFailed, InstallOutcome::ServerError,      InstallOutcome::CertificateRefused,
        InstallOutcome::PackageTooLarge, InstallOutcome::PathBlocked,     InstallOutcome::AnotherInstallation};
    for (InstallOutcome outcome : all) {
        const std::wstring sentence = InstallOutcomeMessage(outcome);
        EXPECT_EQ(sentence.back(), L'！') << InstallOutcomeName(outcome);
        sentences.insert(sentence);
        names.insert(InstallOutcomeName(outcome));
    }
    EXPECT_EQ(sentences.size(), std::size(all));
    EXPECT_EQ(names.size(), std::size(all));
    EXPECT_EQ(std::wstring(InstallOutcomeMessage(InstallOutcome::Succeeded)), L"安装成功！");
    EXPECT_EQ(std::wstring(InstallOutcomeMessage(InstallOutcome::AccessDenied)), L"安装失败，请尝试管理员身份运行本程序！");
    EXPECT_EQ(std::wstring(InstallOutcomeMessage(InstallOutcome::DownloadFailed)), L"下载失败，请检查网络连接后重试！");
    EXPECT_EQ(std::wstring(InstallOutcomeMessage(InstallOutcome::CertificateRefused)),
              L"无法验证更新服务器的证书，请检查系统时间和网络环境后重试！");
}

}  // namespace
}  // namespace qln
