#include "plugin/http_downloader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>
#include <type_traits>

#include "base/owned.h"
#include "plugin/fetch_rules.h"
#include "plugin/url.h"

namespace qln {

namespace {

constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr const char* kFormContentType = "Content-Type: application/x-www-form-urlencoded\r\n";

constexpr DWORD kReloadKeepAlive = INTERNET_FLAG_RELOAD | INTERNET_FLAG_KEEP_CONNECTION;
// TLS with the server's certificate verified in full: neither its name nor its dates are
// ignored (no INTERNET_FLAG_IGNORE_CERT_CN_INVALID, no INTERNET_FLAG_IGNORE_CERT_DATE_INVALID).
constexpr DWORD kSecureExtras = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_SECURE |
                                INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP | INTERNET_FLAG_RESYNCHRONIZE;
constexpr DWORD kSecureFlags = kReloadKeepAlive | kSecureExtras;
constexpr DWORD kPlainFlags = kReloadKeepAlive;
constexpr DWORD kSecurePostFlags = kSecureFlags & ~INTERNET_FLAG_KEEP_CONNECTION;
constexpr DWORD kPlainPostFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
static_assert(kSecureFlags == 0x84C08800 && kPlainFlags == 0x80400000);
static_assert(kSecurePostFlags == 0x84808800 && kPlainPostFlags == 0x84000000);
constexpr std::size_t kHeadersBuffer = 4096;
constexpr std::size_t kLargestHeaders = 64 * 1024;

struct KindSetup {
    const char* verb;
    bool formBody;         // sends the Content-Type line and the caller's body
    bool async;            // runs on a worker thread of its own
    bool contextToWinInet; // WinInet's request context (seen by the status callback) is the caller's
    DWORD secureFlags;
    DWORD plainFlags;
};

constexpr KindSetup SetupOf(TransferKind kind) {
    switch (kind) {
    case TransferKind::StartGet: return {"GET", false, true, false, kSecureFlags, kPlainFlags};
    case TransferKind::StartPost: return {"POST", true, true, true, kSecurePostFlags, kPlainPostFlags};
    case TransferKind::Get: return {"GET", false, false, false, kSecureFlags, kPlainFlags};
    case TransferKind::Post: break;
    }
    return {"POST", true, false, false, kSecureFlags, kPlainFlags};
}

struct Handlers {
    InternetStatusHandler internetStatus;
    DownloadBeginHandler downloadBegin;
    DownloadCompleteHandler downloadComplete;
    FileDownloadHandler fileDownload;
    HeadersHandler headers;
    DownloadFailedHandler downloadFailed;
};

// Everything of a request that is not text, copied into the block as one item.
struct FixedItems {
    TransferKind kind;
    std::uint16_t port;
    std::int32_t chunkSize;
    std::int32_t rangeStart;
    std::int32_t rangeExtent;
    std::uint64_t context;
    std::uint64_t maxBody;
    Handlers handlers;
    bool secureAlways;
};
static_assert(std::is_trivially_copyable_v<FixedItems>);

void RaiseFailed(const FixedItems& fixed, DWORD error) {
    if (error == ERROR_SUCCESS) error = ERROR_INTERNET_INTERNAL_ERROR;
    if (fixed.handlers.downloadFailed) fixed.handlers.downloadFailed(fixed.context, error);
}

// The transfers now running, so that CancelTransfers can reach their request handles.
struct LiveTransfer {
    std::uint64_t context;
    HINTERNET request;
    bool cancelled;
};
std::mutex g_liveLock;
std::vector<LiveTransfer*> g_live;

// The request block: one zeroed allocation that a worker owns and frees once it has copied the
// items out. A table of 32-bit descriptors (offset in the low half, length in the high half)
// sits at its start; the items follow from byte 100, each with a zero byte after it.
enum BlockText { kUrlText, kReferrerText, kUserText, kPasswordText, kHostText, kPathText, kVersionText, kBodyText,
                 kHeadersText, kTextCount };
constexpr std::size_t kFixedItem = kTextCount;
constexpr std::size_t kItemCount = kTextCount + 1;
constexpr std::size_t kDataStart = 100;
constexpr std::size_t kBlockOverhead = 260;
constexpr std::size_t kLargestBlock = 0xFFFF;  // every offset and length must fit 16 bits
static_assert(kItemCount * sizeof(std::uint32_t) <= kDataStart);
static_assert(kDataStart + sizeof(FixedItems) + kItemCount <= kBlockOverhead);

using TextItems = std::array<std::string_view, kTextCount>;
using Block = std::unique_ptr<std::byte[]>;

// Null when the items would not fit the 16-bit descriptors (the request is refused rather
// than written past its block) or memory ran out.
Block PackRequest(const TextItems& texts, const FixedItems& fixed) {
    std::size_t textBytes = 0;
    for (const auto text : texts) {
        if (text.size() > kLargestBlock) return nullptr;
        textBytes += text.size();
    }
    const std::size_t size = kBlockOverhead + textBytes;
    if (size > kLargestBlock) return nullptr;
    Block block(new (std::nothrow) std::byte[size]());
    if (!block) return nullptr;

    std::size_t offset = kDataStart;
    auto put = [&](std::size_t item, const void* data, std::size_t length) {
        if (offset + length + 1 > size) return false;
        if (length) std::memcpy(block.get() + offset, data, length);
        const std::uint32_t descriptor = static_cast<std::uint32_t>(offset) | static_cast<std::uint32_t>(length) << 16;
        std::memcpy(block.get() + item * sizeof(descriptor), &descriptor, sizeof(descriptor));
        offset += length + 1;
        return true;
    };
    if (!put(kFixedItem, &fixed, sizeof(fixed))) return nullptr;
    for (std::size_t i = 0; i < kTextCount; ++i)
        if (!put(i, texts[i].data(), texts[i].size())) return nullptr;
    return block;
}

std::string_view ItemIn(const std::byte* block, std::size_t item) {
    std::uint32_t descriptor = 0;
    std::memcpy(&descriptor, block + item * sizeof(descriptor), sizeof(descriptor));
    return {reinterpret_cast<const char*>(block) + (descriptor & 0xFFFF), descriptor >> 16};
}

FixedItems FixedIn(const std::byte* block) {
    FixedItems fixed;
    std::memcpy(&fixed, ItemIn(block, kFixedItem).data(), sizeof(fixed));
    return fixed;
}

struct Request {
    FixedItems fixed;
    std::array<std::string, kTextCount> texts;
    const std::string& text(BlockText item) const { return texts[item]; }
};

void CloseInternetHandle(HINTERNET handle) { InternetCloseHandle(handle); }
using InternetHandle = Owned<HINTERNET, CloseInternetHandle>;

// One transfer's entry in the live list while its request handle is open. Declared after that
// handle, so that it leaves the list before the handle is closed; a handle that a cancel has
// closed already is not closed again.
class LiveRegistration {
public:
    LiveRegistration(std::uint64_t context, InternetHandle& request) : request_(request) {
        entry_ = {context, request.get(), false};
        std::lock_guard hold(g_liveLock);
        try {
            g_live.push_back(&entry_);
            listed_ = true;
        } catch (...) {
        }
    }
    ~LiveRegistration() {
        std::lock_guard hold(g_liveLock);
        if (listed_) g_live.erase(std::find(g_live.begin(), g_live.end(), &entry_));
        if (entry_.cancelled) request_.release();  // the cancel closed it
    }
    LiveRegistration(const LiveRegistration&) = delete;
    LiveRegistration& operator=(const LiveRegistration&) = delete;
    bool Cancelled() {
        std::lock_guard hold(g_liveLock);
        return entry_.cancelled;
    }

private:
    InternetHandle& request_;
    LiveTransfer entry_;
    bool listed_ = false;
};

// The raw headers, in a buffer as large as they need up to kLargestHeaders; false when they
// cannot be read.
bool QueryRawHeaders(HINTERNET request, std::string& raw) {
    DWORD length = kHeadersBuffer - 1;
    raw.assign(kHeadersBuffer, '\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, raw.data(), &length, nullptr)) {
            raw.resize(std::min<std::size_t>(length, raw.size()));
            return true;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || raw.size() >= kLargestHeaders) return false;
        const std::size_t wanted = std::max<std::size_t>({static_cast<std::size_t>(length) + 1, raw.size() * 2});
        raw.assign(std::min(wanted, kLargestHeaders), '\0');
        length = static_cast<DWORD>(raw.size() - 1);
    }
    return false;
}

// A secure request whose final URL (after redirects) is no longer https:// went to plain HTTP.
bool LeftTls(HINTERNET request) {
    char url[INTERNET_MAX_URL_LENGTH + 1] = {};
    DWORD size = sizeof(url) - 1;
    if (!InternetQueryOptionA(request, INTERNET_OPTION_URL, url, &size)) return false;
    constexpr char kHttps[] = "https://";
    for (std::size_t i = 0; i + 1 < sizeof(kHttps); ++i) {
        const char c = url[i] >= 'A' && url[i] <= 'Z' ? static_cast<char>(url[i] - 'A' + 'a') : url[i];
        if (c != kHttps[i]) return true;
    }
    return false;
}

const char* NullIfEmpty(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

// The body in memory. Chunks arrive in order, so each one's offset (the bytes received before
// it) is the collection's length so far: appending places it. Room for the announced length is
// taken in one allocation at the start, and whatever never arrived reads as zero at the end;
// leaving that zero-filling to the end spares a pass over the whole body. Allocation failures
// are reported, never thrown.
class BodyCollection {
public:
    BodyCollection(std::size_t announced, std::uint64_t limit) : announced_(announced), limit_(limit) {
        // An announced length above the limit reserves nothing.
        if (limit_ != 0 && announced_ > limit_) announced_ = 0;
        try {
            bytes_.reserve(announced_);
        } catch (...) {
            usable_ = false;
        }
    }
    bool usable() const { return usable_; }
    bool Append(const void* data, std::size_t length) {
        if (limit_ != 0 && length > limit_ - std::min<std::uint64_t>(limit_, bytes_.size())) return usable_ = false;
        try {
            bytes_.append(static_cast<const char*>(data), length);
        } catch (...) {
            usable_ = false;
        }
        return usable_;
    }
    void PadToAnnounced() {
        try {
            if (bytes_.size() < announced_) bytes_.resize(announced_);
        } catch (...) {
        }
    }
    const std::uint8_t* data() const {
        return bytes_.empty() ? nullptr : reinterpret_cast<const std::uint8_t*>(bytes_.data());
    }
    std::uint32_t length() const { return static_cast<std::uint32_t>(bytes_.size()); }
    std::string Take() { return std::move(bytes_); }

private:
    std::size_t announced_;
    std::uint64_t limit_;
    bool usable_ = true;
    std::string bytes_;
};

// Steps 2 to 13 of a transfer. `reachedBody` tells whether DownloadBegin was raised; when it
// was, DownloadComplete has been raised too; when it was not, `error` says why.
std::string RunTransfer(const Request& request, bool& reachedBody, DWORD& error) {
    reachedBody = false;
    error = ERROR_SUCCESS;
    auto fail = [&error] {
        error = GetLastError();
        return std::string();
    };
    const FixedItems& fixed = request.fixed;
    const Handlers& on = fixed.handlers;
    const KindSetup setup = SetupOf(fixed.kind);

    InternetHandle session(InternetOpenA(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session) return fail();
    if (on.internetStatus) InternetSetStatusCallbackW(session.get(), on.internetStatus);

    InternetHandle connection(InternetConnectA(session.get(), request.text(kHostText).c_str(), fixed.port,
                                               NullIfEmpty(request.text(kUserText)),
                                               NullIfEmpty(request.text(kPasswordText)), INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return fail();

    // The path is kept without its leading '/'; the request line carries one.
    const std::string& path = request.text(kPathText);
    const std::string object = path.empty() ? std::string() : "/" + path;
    const char* accept[] = {"*/*", nullptr};
    const DWORD flags = fixed.secureAlways || IsSecurePort(fixed.port) ? setup.secureFlags : setup.plainFlags;
    const DWORD_PTR wininetContext = setup.contextToWinInet ? static_cast<DWORD_PTR>(fixed.context) : 0;
    InternetHandle httpRequest(HttpOpenRequestA(connection.get(), setup.verb, NullIfEmpty(object),
                                                NullIfEmpty(request.text(kVersionText)),
                                                NullIfEmpty(request.text(kReferrerText)), accept, flags,
                                                wininetContext));
    if (!httpRequest) return fail();
    LiveRegistration live(fixed.context, httpRequest);

    std::string headers = setup.formBody ? kFormContentType : "";
    headers += RangeHeaderLine(fixed.rangeStart, fixed.rangeExtent);
    headers += request.text(kHeadersText);
    const std::string& body = request.text(kBodyText);
    if (!HttpSendRequestA(httpRequest.get(), NullIfEmpty(headers), headers.empty() ? 0 : static_cast<DWORD>(-1),
                          body.empty() ? nullptr : const_cast<char*>(body.data()), static_cast<DWORD>(body.size())))
        return fail();
    if ((fixed.secureAlways || IsSecurePort(fixed.port)) && LeftTls(httpRequest.get())) {
        error = ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR;
        return {};
    }

    const std::uint64_t context = fixed.context;
    if (on.headers) {
        // Headers longer than kLargestHeaders make the query fail; the event is then skipped.
        std::string raw;
        if (QueryRawHeaders(httpRequest.get(), raw)) on.headers(session.get(), context, raw.c_str(), static_cast<std::uint32_t>(raw.size()));
    }

    DWORD announced = 0;
    DWORD announcedSize = sizeof(announced);
    if (!HttpQueryInfoA(httpRequest.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced,
                        &announcedSize, nullptr))
        announced = 0;
    BodyCollection collection(announced, fixed.maxBody);

    reachedBody = true;
    if (on.downloadBegin) on.downloadBegin(session.get(), context, announced);

    const std::int32_t chunkSize = fixed.chunkSize;
    std::unique_ptr<std::uint8_t[]> chunk(chunkSize > 0 ? new (std::nothrow) std::uint8_t[chunkSize] : nullptr);
    std::uint64_t received = 0;
    while (chunk && collection.usable() && !live.Cancelled()) {
        DWORD got = 0;
        if (!InternetReadFile(httpRequest.get(), chunk.get(), static_cast<DWORD>(chunkSize), &got) || got == 0) break;
        if (live.Cancelled()) break;
        if (on.fileDownload &&
            on.fileDownload(session.get(), context, chunk.get(), got, static_cast<std::uint32_t>(received + got),
                            announced) != 0)
            break;
        // Running out of memory for the collection ends the body like a failed read.
        if (!collection.Append(chunk.get(), got)) break;
        received += got;
    }
    chunk.reset();
    collection.PadToAnnounced();

    if (on.downloadComplete) on.downloadComplete(session.get(), context, collection.data(), collection.length());
    return collection.Take();
}

// Copies the items out, frees the block, runs the transfer and raises DownloadFailed when the
// transfer never reached its body.
std::string RunFromBlock(Block block) {
    const FixedItems fixed = FixedIn(block.get());
    Request request{fixed, {}};
    try {
        for (std::size_t i = 0; i < kTextCount; ++i) request.texts[i] = std::string(ItemIn(block.get(), i));
    } catch (...) {
        RaiseFailed(fixed, ERROR_NOT_ENOUGH_MEMORY);
        return {};
    }
    block.reset();

    bool reachedBody = false;
    DWORD error = ERROR_SUCCESS;
    std::string body = RunTransfer(request, reachedBody, error);
    if (!reachedBody) RaiseFailed(fixed, error);
    return body;
}

DWORD WINAPI TransferThread(void* parameter) {
    // user32 and WinInet call back through C frames: nothing may unwind past this point.
    try {
        RunFromBlock(Block(static_cast<std::byte*>(parameter)));
    } catch (...) {
    }
    return 0;
}

// Event keys, compared in ASCII upper case so that no locale maps another letter onto one.
bool IsKey(std::wstring_view name, std::wstring_view key) {
    if (name.size() != key.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const wchar_t c = name[i];
        const wchar_t upper = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
        if (upper != key[i]) return false;
    }
    return true;
}

template <class Handler>
EventHandler Swap(Handler& slot, EventHandler handler) {
    const EventHandler previous = AsEventHandler(slot);
    slot = FromEventHandler<Handler>(handler);
    return previous;
}

}  // namespace

EventHandler HttpDownloader::AssignEvent(std::wstring_view name, EventHandler handler) {
    if (IsKey(name, L"INTERNETSTATUS")) return Swap(onInternetStatus_, handler);
    if (IsKey(name, L"HEADERS")) return Swap(onHeaders_, handler);
    if (IsKey(name, L"DOWNLOADBEGIN")) return Swap(onDownloadBegin_, handler);
    if (IsKey(name, L"FILEDOWNLOAD")) return Swap(onFileDownload_, handler);
    if (IsKey(name, L"DOWNLOADCOMPLETE")) return Swap(onDownloadComplete_, handler);
    if (IsKey(name, L"DOWNLOADFAILED")) return Swap(onDownloadFailed_, handler);
    return nullptr;
}

void HttpDownloader::CancelTransfers(std::uint64_t context) {
    std::lock_guard hold(g_liveLock);
    for (LiveTransfer* transfer : g_live) {
        if (transfer->context != context || transfer->cancelled) continue;
        transfer->cancelled = true;
        InternetCloseHandle(transfer->request);
    }
}

std::wstring HttpDownloader::HttpVersion() const { return WidenText(httpVersion_); }

bool HttpDownloader::SetRequestHeaders(std::string_view lines) {
    const bool wellFormed = AreHeaderLines(lines);
    requestHeaders_ = wellFormed ? std::string(lines) : std::string();
    return wellFormed;
}

void HttpDownloader::SetHttpVersion(std::wstring_view version) {
    const std::string narrow = NarrowText(version);
    const std::size_t length = std::min(narrow.size(), kHttpVersionField - 1);
    std::memcpy(httpVersion_, narrow.data(), length);
    std::memset(httpVersion_ + length, 0, kHttpVersionField - length);
}

std::string HttpDownloader::Transfer(TransferKind kind, std::wstring_view url, std::string_view body,
                                     std::uint64_t context, std::int32_t rangeStart, std::int32_t rangeExtent,
                                     std::wstring_view referrer, std::wstring_view user,
                                     std::wstring_view password) const {
    const Handlers handlers{onInternetStatus_, onDownloadBegin_, onDownloadComplete_,
                            onFileDownload_,   onHeaders_,       onDownloadFailed_};
    FixedItems fixed{kind, 0, chunkSize_, rangeStart, rangeExtent, context, maxBodyLength_, handlers, secureAlways_};
    Block block;
    try {
        const std::string url8 = NarrowText(url);
        const ParsedUrl parsed = ParseUrl(url8);
        // WinInet takes a 16-bit port; TLS is chosen on the same value that is connected to.
        fixed.port = static_cast<std::uint16_t>(parsed.port);
        const std::string referrer8 = NarrowText(referrer);
        const std::string user8 = NarrowText(user);
        const std::string password8 = NarrowText(password);
        TextItems texts{};
        texts[kUrlText] = url8;
        texts[kReferrerText] = referrer8;
        texts[kUserText] = user8;
        texts[kPasswordText] = password8;
        texts[kHostText] = parsed.host;
        texts[kPathText] = parsed.path;
        texts[kVersionText] = httpVersion_;
        texts[kBodyText] = SetupOf(kind).formBody ? body : std::string_view();
        texts[kHeadersText] = requestHeaders_;
        block = PackRequest(texts, fixed);
    } catch (...) {
        block.reset();
    }
    if (!block) {
        RaiseFailed(fixed, ERROR_NOT_ENOUGH_MEMORY);
        return {};
    }

    if (!SetupOf(kind).async) return RunFromBlock(std::move(block));

    HANDLE thread = CreateThread(nullptr, 0, TransferThread, block.get(), 0, nullptr);
    if (!thread) {
        RaiseFailed(fixed, GetLastError());
        return {};
    }
    block.release();  // the worker owns and frees it
    CloseHandle(thread);
    return {};
}

void HttpDownloader::StartGet(std::wstring_view url, std::uint64_t context, std::int32_t rangeStart,
                              std::int32_t rangeExtent, std::wstring_view referrer, std::wstring_view user,
                              std::wstring_view password) const {
    Transfer(TransferKind::StartGet, url, {}, context, rangeStart, rangeExtent, referrer, user, password);
}

void HttpDownloader::StartPost(std::wstring_view url, std::string_view body, std::uint64_t context,
                               std::int32_t rangeStart, std::int32_t rangeExtent, std::wstring_view referrer,
                               std::wstring_view user, std::wstring_view password) const {
    Transfer(TransferKind::StartPost, url, body, context, rangeStart, rangeExtent, referrer, user, password);
}

std::string HttpDownloader::Get(std::wstring_view url, std::uint64_t context, std::int32_t rangeStart,
                                std::int32_t rangeExtent, std::wstring_view referrer, std::wstring_view user,
                                std::wstring_view password) const {
    return Transfer(TransferKind::Get, url, {}, context, rangeStart, rangeExtent, referrer, user, password);
}

std::string HttpDownloader::Post(std::wstring_view url, std::string_view body, std::uint64_t context,
                                 std::int32_t rangeStart, std::int32_t rangeExtent, std::wstring_view referrer,
                                 std::wstring_view user, std::wstring_view password) const {
    return Transfer(TransferKind::Post, url, body, context, rangeStart, rangeExtent, referrer, user, password);
}

}  // namespace qln
