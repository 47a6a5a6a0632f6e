// The download component against a real HTTP server on loopback (tests/tools/http_test_server.py),
// which reports every request it receives over a control connection. Wine starts the Unix
// python3 without giving us a process handle, so the control socket is the server's lifeline:
// closing it, or this process ending for any reason, ends the server.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "plugin/file_handle.h"
#include "plugin/http_downloader.h"
#include "test_server.h"

namespace qln {
namespace {

using test::ReceivedRequest;
using test::TestServer;

constexpr DWORD kWait = 15000;

std::string Pattern(std::size_t n) {
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

// What the handlers saw of one transfer. The transfer's context points at it.
struct Event {
    char kind;  // H headers, B begin, F file download, C complete, X failed
    HINTERNET session = nullptr;
    DWORD thread = 0;
    std::string data;  // headers, chunk or body
    bool nullData = false;
    std::uint32_t length = 0, received = 0, announced = 0;
};

struct Transcript {
    std::mutex lock;
    std::vector<Event> events;
    KernelHandle finished{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    int stopAtChunk = 0;  // FileDownload returns 1 on this chunk (1 = the first)
    std::vector<DWORD> statusContexts;

    std::uint64_t context() { return reinterpret_cast<std::uint64_t>(this); }
    static Transcript& Of(std::uint64_t context) { return *reinterpret_cast<Transcript*>(context); }

    int Add(Event event) {
        event.thread = GetCurrentThreadId();
        std::lock_guard hold(lock);
        events.push_back(event);
        if (event.kind == 'C' || event.kind == 'X') SetEvent(finished.get());
        return static_cast<int>(std::count_if(events.begin(), events.end(), [](auto& e) { return e.kind == 'F'; }));
    }
    std::string Kinds() {
        WaitForSingleObject(finished.get(), kWait);
        Sleep(50);  // anything raised after the end would show up here
        std::lock_guard hold(lock);
        std::string kinds;
        for (const auto& e : events) kinds += e.kind;
        return kinds;
    }
    bool Matches(const char* kinds) { return std::regex_match(Kinds(), std::regex(kinds)); }
    Event Last() { return events.empty() ? Event{} : events.back(); }
    std::vector<Event> Chunks() {
        std::vector<Event> chunks;
        for (const auto& e : events)
            if (e.kind == 'F') chunks.push_back(e);
        return chunks;
    }
};

void OnHeaders(HINTERNET s, std::uint64_t c, const char* headers, std::uint32_t length) {
    Transcript::Of(c).Add({'H', s, 0, std::string(headers), false, length});
}
void OnBegin(HINTERNET s, std::uint64_t c, std::uint32_t announced) {
    Transcript::Of(c).Add({'B', s, 0, {}, false, 0, 0, announced});
}
std::int32_t OnChunk(HINTERNET s, std::uint64_t c, const std::uint8_t* chunk, std::uint32_t length,
                     std::uint32_t received, std::uint32_t announced) {
    Transcript& t = Transcript::Of(c);
    const int n = t.Add({'F', s, 0, std::string(reinterpret_cast<const char*>(chunk), length), false, length,
                         received, announced});
    return n == t.stopAtChunk ? 1 : 0;
}
void OnComplete(HINTERNET s, std::uint64_t c, const std::uint8_t* body, std::uint32_t length) {
    Transcript::Of(c).Add({'C', s, 0, body ? std::string(reinterpret_cast<const char*>(body), length) : "",
                           body == nullptr, length});
}
void OnFailed(std::uint64_t c, std::uint32_t error) {
    Event failed;
    failed.kind = 'X';
    failed.length = error;  // the error the transfer ended with
    Transcript::Of(c).Add(failed);
}
void CALLBACK OnStatus(HINTERNET, DWORD_PTR c, DWORD, LPVOID, DWORD) {
    if (!c) return;
    Transcript& t = Transcript::Of(c);
    std::lock_guard hold(t.lock);
    t.statusContexts.push_back(static_cast<DWORD>(c));
}

// The largest POST body that fits the request block beside the other texts of a POST to
// /echo on the test server with version "HTTP/1.1": the URL, its host and path, the version.
std::size_t LargestEchoBody(const std::wstring& url) {
    return 65275 - (url.size() + std::string("127.0.0.1").size() + std::string("echo").size() + 8);
}

std::unique_ptr<HttpDownloader> MakeDownloader() {
    auto d = std::make_unique<HttpDownloader>();
    d->SetHttpVersion(L"HTTP/1.1");
    d->SetChunkSize(4096);
    d->AssignEvent(L"Headers", AsEventHandler(&OnHeaders));
    d->AssignEvent(L"DownloadBegin", AsEventHandler(&OnBegin));
    d->AssignEvent(L"FileDownload", AsEventHandler(&OnChunk));
    d->AssignEvent(L"DownloadComplete", AsEventHandler(&OnComplete));
    d->AssignEvent(L"DownloadFailed", AsEventHandler(&OnFailed));
    return d;
}

// Chunks come in order, none larger than the chunk size, each counting the bytes so far.
void ExpectChunks(Transcript& t, const std::string& expected, std::uint32_t announced, std::uint32_t chunkSize) {
    std::string joined;
    for (const auto& chunk : t.Chunks()) {
        EXPECT_LE(chunk.length, chunkSize);
        EXPECT_EQ(chunk.data.size(), chunk.length);
        joined += chunk.data;
        EXPECT_EQ(chunk.received, joined.size());
        EXPECT_EQ(chunk.announced, announced);
    }
    EXPECT_EQ(joined, expected);
}

class HttpDownloaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(server.Start()); }
    TestServer server;
    std::unique_ptr<HttpDownloader> downloader = MakeDownloader();
};

TEST(HttpDownloaderRecordTest, EventKeysMatchInAnyCaseAndPropertiesKeepTheirLimits) {
    HttpDownloader d;
    const EventHandler chunk = AsEventHandler(&OnChunk);
    const EventHandler begin = AsEventHandler(&OnBegin);
    EXPECT_EQ(d.AssignEvent(L"filedownload", chunk), nullptr);
    EXPECT_EQ(d.AssignEvent(L"FILEDOWNLOAD", nullptr), chunk);
    EXPECT_EQ(d.AssignEvent(L"FileDownload", begin), nullptr);
    EXPECT_EQ(d.AssignEvent(L"fileDownload", nullptr), begin);
    // Unknown names, or near misses, change nothing.
    d.AssignEvent(L"DownloadBegin", begin);
    for (const wchar_t* name : {L"", L"Download", L"DownloadBegin ", L"OnDownloadBegin", L"Progress"})
        EXPECT_EQ(d.AssignEvent(name, chunk), nullptr) << name;
    EXPECT_EQ(d.AssignEvent(L"downloadbegin", nullptr), begin);
    for (const wchar_t* name : {L"internetstatus", L"Headers", L"DownloadComplete", L"DownloadFailed"}) {
        EXPECT_EQ(d.AssignEvent(name, chunk), nullptr) << name;
        EXPECT_EQ(d.AssignEvent(name, nullptr), chunk) << name;
    }

    d.SetHttpVersion(L"HTTP/1.0");
    EXPECT_EQ(d.HttpVersion(), L"HTTP/1.0");
    d.SetHttpVersion(std::wstring(40, L'v'));
    EXPECT_EQ(d.HttpVersion(), std::wstring(29, L'v'));
    d.SetHttpVersion(L"");
    EXPECT_EQ(d.HttpVersion(), L"");
}

TEST_F(HttpDownloaderTest, StartGetRaisesEveryEventInOrderOnOneWorkerWithTheWholeBody) {
    Transcript t;
    downloader->StartGet(server.Url("/fixed/10000"), t.context(), 0, 0, L"", L"", L"");
    ASSERT_TRUE(t.Matches("HBF+C"));

    const ReceivedRequest request = server.Next();
    EXPECT_EQ(request.requestLine, "GET /fixed/10000 HTTP/1.1");
    EXPECT_EQ(request.Header("user-agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    EXPECT_EQ(request.Header("accept"), "*/*");
    EXPECT_FALSE(request.Has("range"));
    EXPECT_FALSE(request.Has("referer"));

    const Event& headers = t.events[0];
    EXPECT_EQ(headers.data.rfind("HTTP/1.1 200", 0), 0u) << headers.data;
    EXPECT_NE(headers.data.find("X-Qln-Test: fixed\r\n"), std::string::npos);
    EXPECT_EQ(headers.length, headers.data.size());
    EXPECT_EQ(t.events[1].announced, 10000u);
    ExpectChunks(t, Pattern(10000), 10000, 4096);
    EXPECT_EQ(t.Last().data, Pattern(10000));

    for (const Event& e : t.events) {
        EXPECT_NE(e.session, nullptr);
        EXPECT_EQ(e.session, t.events[0].session);
        EXPECT_EQ(e.thread, t.events[0].thread);
    }
    EXPECT_NE(t.events[0].thread, GetCurrentThreadId());
}

TEST_F(HttpDownloaderTest, BodyWithoutLengthIsCollectedExactlyAsReceived) {
    Transcript t;
    downloader->SetChunkSize(3000);
    downloader->StartGet(server.Url("/chunked/20000"), t.context(), 0, 0, L"", L"", L"");
    ASSERT_TRUE(t.Matches("HBF+C"));
    EXPECT_NE(t.events.front().data.find("Transfer-Encoding: chunked"), std::string::npos);
    EXPECT_EQ(t.events[1].announced, 0u);
    ExpectChunks(t, Pattern(20000), 0, 3000);
    EXPECT_EQ(t.Last().data, Pattern(20000));
}

TEST_F(HttpDownloaderTest, SynchronousGetSendsTheRangeCountedFromOneAndReturnsTheBody) {
    struct Case {
        std::int32_t start, extent;
        const char* range;
    };
    for (const Case& c : {Case{0, 0, nullptr}, Case{101, 0, "bytes=100-"}, Case{1, 10, "bytes=0-10"}}) {
        Transcript t;
        const std::string body = downloader->Get(server.Url("/fixed/500"), t.context(), c.start, c.extent,
                                                 L"http://referrer.test/page", L"", L"");
        // Everything happened on this thread before Get returned.
        ASSERT_FALSE(t.events.empty());
        EXPECT_EQ(t.events.back().kind, 'C');
        for (const Event& e : t.events) EXPECT_EQ(e.thread, GetCurrentThreadId());
        EXPECT_EQ(body, Pattern(500));

        const ReceivedRequest request = server.Next();
        EXPECT_EQ(request.Header("referer"), "http://referrer.test/page");
        if (c.range)
            EXPECT_EQ(request.Header("range"), c.range) << c.start << "," << c.extent;
        else
            EXPECT_FALSE(request.Has("range"));
    }
}

TEST_F(HttpDownloaderTest, StoppingOnTheFirstChunkLeavesTheRestOfTheCollectionZero) {
    Transcript fixed;
    fixed.stopAtChunk = 1;
    downloader->StartGet(server.Url("/fixed/10000"), fixed.context(), 0, 0, L"", L"", L"");
    EXPECT_EQ(fixed.Kinds(), "HBFC");
    EXPECT_EQ(fixed.Last().data, std::string(10000, '\0'));

    Transcript chunked;
    chunked.stopAtChunk = 1;
    downloader->StartGet(server.Url("/chunked/10000"), chunked.context(), 0, 0, L"", L"", L"");
    EXPECT_EQ(chunked.Kinds(), "HBFC");
    EXPECT_TRUE(chunked.Last().nullData);
    EXPECT_EQ(chunked.Last().length, 0u);
}

TEST_F(HttpDownloaderTest, NoChunkSizeReadsNoBodyButStillCompletesWithTheAnnouncedLength) {
    for (std::int32_t size : {0, -1}) {
        Transcript t;
        downloader->SetChunkSize(size);
        downloader->StartGet(server.Url("/fixed/7000"), t.context(), 0, 0, L"", L"", L"");
        EXPECT_EQ(t.Kinds(), "HBC");
        EXPECT_EQ(t.Last().data, std::string(7000, '\0'));
    }
}

TEST_F(HttpDownloaderTest, ResponsesAreBodiesWhateverTheirStatusAndHowEverTheyEnd) {
    Transcript missing;
    downloader->StartGet(server.Url("/missing"), missing.context(), 0, 0, L"", L"", L"");
    ASSERT_TRUE(missing.Matches("HBF+C"));
    EXPECT_EQ(missing.events[0].data.rfind("HTTP/1.1 404", 0), 0u);
    EXPECT_EQ(missing.Last().data, "no such resource: /missing\n");

    // Cut off after 3000 of 10000 bytes: the collection keeps its announced length.
    Transcript broken;
    downloader->StartGet(server.Url("/broken/10000/3000"), broken.context(), 0, 0, L"", L"", L"");
    EXPECT_TRUE(broken.Matches("HBF+C"));
    ExpectChunks(broken, Pattern(3000), 10000, 4096);
    EXPECT_EQ(broken.Last().data, Pattern(3000) + std::string(7000, '\0'));

    // Headers longer than the first 4096-byte buffer are read in a larger one.
    Transcript bigHeaders;
    downloader->StartGet(server.Url("/bigheaders/100"), bigHeaders.context(), 0, 0, L"", L"", L"");
    EXPECT_TRUE(bigHeaders.Matches("HBF+C"));
    EXPECT_EQ(bigHeaders.events[0].data.rfind("HTTP/1.1 200", 0), 0u);
    // (Wine keeps 4 KiB of one header line; the whole block is still longer than 4095 bytes.)
    EXPECT_GT(bigHeaders.events[0].data.size(), 4095u);
    EXPECT_NE(bigHeaders.events[0].data.find(std::string(4000, 'p')), std::string::npos);
    EXPECT_EQ(bigHeaders.events[0].length, bigHeaders.events[0].data.size());
    EXPECT_EQ(bigHeaders.Last().data, Pattern(100));
}

TEST_F(HttpDownloaderTest, TransferThatNeverReachesItsBodyRaisesOnlyDownloadFailed) {
    Transcript async;
    downloader->StartGet(server.Url("/fixed/10", server.RefusedPort()), async.context(), 0, 0, L"", L"", L"");
    ASSERT_EQ(async.Kinds(), "X");
    EXPECT_NE(async.events[0].thread, GetCurrentThreadId());
    EXPECT_EQ(async.events[0].length, static_cast<std::uint32_t>(ERROR_INTERNET_CANNOT_CONNECT));

    Transcript sync;
    EXPECT_EQ(downloader->Get(server.Url("/fixed/10", server.RefusedPort()), sync.context(), 0, 0, L"", L"", L""),
              "");
    EXPECT_EQ(sync.Kinds(), "X");

    // Items beyond the request block's 16-bit offsets are refused before anything is sent,
    // on the caller's thread, before the start operation returns.
    Transcript tooLong;
    downloader->StartGet(server.Url("/fixed/10?" + std::string(40000, 'q')), tooLong.context(), 0, 0, L"", L"", L"");
    ASSERT_EQ(tooLong.events.size(), 1u);
    EXPECT_EQ(tooLong.events[0].kind, 'X');
    EXPECT_EQ(tooLong.events[0].thread, GetCurrentThreadId());
    EXPECT_EQ(tooLong.events[0].length, static_cast<std::uint32_t>(ERROR_NOT_ENOUGH_MEMORY));
    Transcript tooMuchBody;
    const std::size_t tooLarge = LargestEchoBody(server.Url("/echo")) + 1;
    downloader->StartPost(server.Url("/echo"), std::string(tooLarge, 'b'), tooMuchBody.context(), 0, 0, L"", L"", L"");
    EXPECT_EQ(tooMuchBody.Kinds(), "X");
    EXPECT_TRUE(server.NothingReceived());
}

TEST_F(HttpDownloaderTest, PostSendsTheFormContentTypeAndTheBody) {
    Transcript async;
    downloader->AssignEvent(L"InternetStatus", AsEventHandler(&OnStatus));
    downloader->StartPost(server.Url("/echo"), "a=1&b=%E4%B8%AD", async.context(), 0, 0, L"", L"", L"");
    EXPECT_TRUE(async.Matches("HBF+C"));
    EXPECT_EQ(async.Last().data, "a=1&b=%E4%B8%AD");
    ReceivedRequest request = server.Next();
    EXPECT_EQ(request.requestLine, "POST /echo HTTP/1.1");
    EXPECT_EQ(request.Header("content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.body, "a=1&b=%E4%B8%AD");
    // The asynchronous POST alone hands the caller's context to WinInet's status callback.
    std::lock_guard hold(async.lock);
    EXPECT_FALSE(async.statusContexts.empty());
    for (DWORD c : async.statusContexts) EXPECT_EQ(c, static_cast<DWORD>(async.context()));

    // The largest body the request block can carry goes through intact.
    Transcript sync;
    const std::string big = Pattern(LargestEchoBody(server.Url("/echo")));
    EXPECT_EQ(downloader->Post(server.Url("/echo"), big, sync.context(), 1, 0, L"", L"", L""), big);
    request = server.Next();
    EXPECT_EQ(request.body, big);
    EXPECT_EQ(request.Header("range"), "bytes=0-");
    EXPECT_EQ(request.Header("content-type"), "application/x-www-form-urlencoded");
}

TEST_F(HttpDownloaderTest, TransfersRunOnCopiesTakenAtTheirStart) {
    Transcript first, second;
    downloader->SetHttpVersion(L"HTTP/1.0");
    downloader->SetChunkSize(1000);
    {
        std::wstring url = server.Url("/fixed/5000");
        downloader->StartGet(url, first.context(), 0, 0, L"", L"", L"");
        url.assign(url.size(), L'x');
    }
    // Changing or freeing the record does not reach the running transfer.
    downloader->AssignEvent(L"FileDownload", nullptr);
    downloader->SetChunkSize(4096);
    downloader.reset();
    // A second transfer at the same time keeps its own events.
    MakeDownloader()->StartGet(server.Url("/chunked/5000"), second.context(), 0, 0, L"", L"", L"");

    ASSERT_TRUE(first.Matches("HBF{5,}C"));
    ExpectChunks(first, Pattern(5000), 5000, 1000);
    ASSERT_TRUE(second.Matches("HBF+C"));
    EXPECT_EQ(second.Last().data, Pattern(5000));
    EXPECT_NE(first.events[0].session, second.events[0].session);

    const ReceivedRequest a = server.Next(), b = server.Next();
    const std::string lines = a.requestLine + "|" + b.requestLine;
    EXPECT_NE(lines.find("GET /fixed/5000 HTTP/1.0"), std::string::npos) << lines;
    EXPECT_NE(lines.find("GET /chunked/5000 HTTP/1.1"), std::string::npos) << lines;
}

// A limit on what is collected: an announced length above it reserves nothing, and the body
// ends after the FileDownload of the chunk that would cross it.
TEST_F(HttpDownloaderTest, MaxBodyLengthBoundsTheCollection) {
    downloader->SetMaxBodyLength(10000);
    Transcript within;
    downloader->StartGet(server.Url("/fixed/10000"), within.context(), 0, 0, L"", L"", L"");
    ASSERT_TRUE(within.Matches("HBF+C"));
    EXPECT_EQ(within.Last().data, Pattern(10000));

    Transcript beyond;
    downloader->StartGet(server.Url("/fixed/30000"), beyond.context(), 0, 0, L"", L"", L"");
    ASSERT_TRUE(beyond.Matches("HBF+C"));
    EXPECT_EQ(beyond.events[1].announced, 30000u);
    // The chunk that crosses the limit is raised, then the body ends without it.
    const std::string collected = beyond.Last().data;
    EXPECT_LE(collected.size(), 10000u);
    EXPECT_EQ(collected, Pattern(collected.size()));
    const auto chunks = beyond.Chunks();
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks.back().received, collected.size() + chunks.back().length);
    EXPECT_GT(chunks.back().received, 10000u);

    Transcript chunked;
    downloader->StartGet(server.Url("/chunked/30000"), chunked.context(), 0, 0, L"", L"", L"");
    ASSERT_TRUE(chunked.Matches("HBF+C"));
    EXPECT_LE(chunked.Last().data.size(), 10000u);
}

// A transfer whose server holds back the rest of its body: CancelTransfers closes its request,
// no FileDownload follows, and DownloadComplete still ends it.
TEST_F(HttpDownloaderTest, CancelTransfersEndsARunningTransfer) {
    Transcript held;
    downloader->StartGet(server.Url("/hold/100000/5000"), held.context(), 0, 0, L"", L"", L"");
    const DWORD start = GetTickCount();
    for (;;) {
        {
            std::lock_guard hold(held.lock);
            if (!held.Chunks().empty()) break;
        }
        ASSERT_LT(GetTickCount() - start, kWait) << "no chunk arrived";
        Sleep(10);
    }
    Sleep(200);  // the worker now waits in its read for data that does not come
    std::size_t chunksBefore;
    {
        std::lock_guard hold(held.lock);
        chunksBefore = held.Chunks().size();
    }
    HttpDownloader::CancelTransfers(held.context() + 1);  // another context: nothing happens
    Sleep(100);
    HttpDownloader::CancelTransfers(held.context());
    // The server holds the connection for up to a minute; Windows ends the read at once, Wine
    // when the server lets go (the test server's lifeline closes with this test's end).
    server.Stop();
    ASSERT_EQ(WaitForSingleObject(held.finished.get(), 60000), WAIT_OBJECT_0);
    EXPECT_EQ(held.Last().kind, 'C');
    std::lock_guard hold(held.lock);
    EXPECT_EQ(held.Chunks().size(), chunksBefore);
}

}  // namespace
}  // namespace qln
