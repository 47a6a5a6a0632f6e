#include "plugin/strict_url.h"

namespace qln {

namespace {

bool IsNameChar(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.';
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view lowerPrefix) {
    if (text.size() < lowerPrefix.size()) return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != lowerPrefix[i]) return false;
    }
    return true;
}

}  // namespace

StrictUrlFault ParseStrictHttpsUrl(std::wstring_view url, StrictUrl& parsed) {
    parsed = StrictUrl{};
    for (const wchar_t c : url)
        if (c <= L' ' || c >= 0x7F) return StrictUrlFault::BadCharacter;
    constexpr std::wstring_view kScheme = L"https://";
    if (!StartsWithNoCase(url, kScheme)) return StrictUrlFault::NotHttps;
    std::wstring_view rest = url.substr(kScheme.size());

    const std::size_t authorityEnd = rest.find_first_of(L"/?#");
    std::wstring_view authority = rest.substr(0, authorityEnd);
    std::wstring_view path = authorityEnd == std::wstring_view::npos ? std::wstring_view() : rest.substr(authorityEnd);
    if (authority.find(L'@') != std::wstring_view::npos) return StrictUrlFault::UserInfo;

    const std::size_t colon = authority.find(L':');
    std::wstring_view host = authority.substr(0, colon);
    if (host.empty()) return StrictUrlFault::NoHost;
    for (const wchar_t c : host)
        if (!IsNameChar(c)) return StrictUrlFault::BadHost;
    if (colon != std::wstring_view::npos) {
        const std::wstring_view digits = authority.substr(colon + 1);
        if (digits.empty()) return StrictUrlFault::EmptyPort;
        // Five digits at most: anything longer is out of range however it would be read, and
        // the loop below cannot overflow.
        if (digits.size() > 5) return StrictUrlFault::BadPort;
        unsigned port = 0;
        for (const wchar_t c : digits) {
            if (c < L'0' || c > L'9') return StrictUrlFault::BadPort;
            port = port * 10 + static_cast<unsigned>(c - L'0');
        }
        if (port < 1 || port > 65535) return StrictUrlFault::BadPort;
        parsed.port = static_cast<std::uint16_t>(port);
    }
    // A fragment is never sent to a server.
    path = path.substr(0, path.find(L'#'));
    parsed.host.assign(host.begin(), host.end());
    if (path.empty() || path.front() != L'/') parsed.path = "/";
    parsed.path.append(path.begin(), path.end());
    return StrictUrlFault::None;
}

const wchar_t* StrictUrlFaultMessage(StrictUrlFault fault) {
    switch (fault) {
    case StrictUrlFault::None: return L"";
    case StrictUrlFault::NotHttps: return L"下载地址必须以 https:// 开头，请改用 https 地址！";
    case StrictUrlFault::NoHost: return L"下载地址缺少服务器名，请写成 https://服务器/路径 的形式！";
    case StrictUrlFault::BadHost: return L"下载地址的服务器名含有不允许的字符，请只用字母、数字、“-”和“.”！";
    case StrictUrlFault::EmptyPort: return L"下载地址的端口为空，请去掉冒号或写上 1 到 65535 之间的端口号！";
    case StrictUrlFault::BadPort: return L"下载地址的端口无效，请写 1 到 65535 之间的端口号！";
    case StrictUrlFault::UserInfo: return L"下载地址不能包含用户名或密码，请去掉“@”之前的部分！";
    case StrictUrlFault::BadCharacter:
        return L"下载地址含有空格、控制字符或非 ASCII 字符，请使用百分号编码后的地址！";
    }
    return L"";
}

}  // namespace qln
