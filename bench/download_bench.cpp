// Measures what the download component costs over a bare WinInet read loop with the same
// 4096-byte reads, on a large body from the loopback test server (bench/run_download_bench.sh).
//   download_bench <port> [megabytes] [rounds]
// Prints the best time of each side, their ratio and the process's peak memory after each.
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "plugin/http_downloader.h"

namespace {

constexpr DWORD kChunk = 4096;

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

// The same request as the component's plain-HTTP GET, read chunk by chunk and dropped, or
// with `keep` copied into a body pre-sized to the announced length as the component does.
unsigned long long BareRead(int port, const std::string& path, std::string* keep = nullptr) {
    unsigned long long total = 0;
    HINTERNET session =
        InternetOpenA("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection = session ? InternetConnectA(session, "127.0.0.1", static_cast<INTERNET_PORT>(port), nullptr,
                                                      nullptr, INTERNET_SERVICE_HTTP, 0, 0)
                                   : nullptr;
    const char* accept[] = {"*/*", nullptr};
    HINTERNET request = connection ? HttpOpenRequestA(connection, "GET", path.c_str(), "HTTP/1.1", nullptr, accept,
                                                      INTERNET_FLAG_RELOAD | INTERNET_FLAG_KEEP_CONNECTION, 0)
                                   : nullptr;
    if (request && HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
        if (keep) {
            DWORD length = 0, size = sizeof(length);
            HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr);
            keep->assign(length, '\0');
        }
        static char buffer[kChunk];
        DWORD got = 0;
        while (InternetReadFile(request, buffer, kChunk, &got) && got > 0) {
            if (keep && total + got <= keep->size()) std::memcpy(keep->data() + total, buffer, got);
            total += got;
        }
    }
    if (request) InternetCloseHandle(request);
    if (connection) InternetCloseHandle(connection);
    if (session) InternetCloseHandle(session);
    return total;
}

// The page's handler does a little work per chunk; this one only counts.
std::int32_t CountChunk(HINTERNET, std::uint64_t context, const std::uint8_t*, std::uint32_t length, std::uint32_t,
                        std::uint32_t) {
    *reinterpret_cast<unsigned long long*>(context) += length;
    return 0;
}

void PrintMemory(const char* after) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    std::printf("peak after %-5s working set %7.1f MB, pagefile %7.1f MB\n", after,
                counters.PeakWorkingSetSize / 1048576.0, counters.PeakPagefileUsage / 1048576.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: download_bench <port> [megabytes] [rounds]\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const unsigned long long size = (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 50) * 1024 * 1024;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const std::string path = "/fixed/" + std::to_string(size);
    const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(port) + std::wstring(path.begin(), path.end());

    qln::HttpDownloader downloader;
    downloader.SetHttpVersion(L"HTTP/1.1");
    downloader.SetChunkSize(static_cast<std::int32_t>(kChunk));
    downloader.AssignEvent(L"FileDownload", qln::AsEventHandler(&CountChunk));

    PrintMemory("start");
    double bare = 1e9, keeping = 1e9, component = 1e9;
    // Warm both paths once (connection set-up, page faults), then alternate so that drift in
    // the machine's load hits both sides alike.
    BareRead(port, path);
    PrintMemory("bare");
    for (int round = 0; round < rounds; ++round) {
        LARGE_INTEGER start = Now();
        const unsigned long long bareBytes = BareRead(port, path);
        bare = std::min(bare, Seconds(start, Now()));

        start = Now();
        {
            std::string kept;
            BareRead(port, path, &kept);
            keeping = std::min(keeping, Seconds(start, Now()));
        }

        unsigned long long counted = 0;
        start = Now();
        const std::string body = downloader.Get(url, reinterpret_cast<std::uint64_t>(&counted), 0, 0, L"", L"", L"");
        component = std::min(component, Seconds(start, Now()));
        if (bareBytes != size || body.size() != size || counted != size) {
            std::fprintf(stderr, "short transfer: bare %llu, body %zu, chunks %llu of %llu\n", bareBytes, body.size(),
                         counted, size);
            return 1;
        }
    }
    PrintMemory("Get");
    std::printf("body %llu bytes, %d rounds, best of each\n", size, rounds);
    std::printf("bare WinInet loop %8.3f s  (%6.1f MB/s)\n", bare, size / 1048576.0 / bare);
    std::printf("bare loop, kept    %7.3f s  (%6.1f MB/s)\n", keeping, size / 1048576.0 / keeping);
    std::printf("HttpDownloader::Get %6.3f s  (%6.1f MB/s)\n", component, size / 1048576.0 / component);
    std::printf("ratio Get / bare  %6.3f  (goal <= 1.1)\n", component / bare);
    return 0;
}
