#include "plugin/folder_steps.h"

namespace qln {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool IsDriveRoot(std::wstring_view text) {
    return text.size() >= 3 && ((text[0] >= L'A' && text[0] <= L'Z') || (text[0] >= L'a' && text[0] <= L'z')) &&
           text[1] == L':' && IsSeparator(text[2]);
}

// The length of the root of `path` with its separator ("C:\", "\\server\share\"), 0 when the
// path has none it can be made below.
std::size_t RootLength(std::wstring_view path) {
    std::size_t prefix = 0;
    bool share = false;
    if (StartsWith(path, L"\\\\?\\UNC\\")) {
        prefix = 8;
        share = true;
    } else if (StartsWith(path, L"\\\\?\\")) {
        prefix = 4;
    } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        prefix = 2;
        share = true;
    }
    const std::wstring_view rest = path.substr(prefix);
    if (!share) return IsDriveRoot(rest) ? prefix + 3 : 0;
    // \\server\share\: two names, each non-empty.
    const std::size_t server = rest.find_first_of(L"\\/");
    if (server == 0 || server == std::wstring_view::npos) return 0;
    const std::size_t shareEnd = rest.find_first_of(L"\\/", server + 1);
    if (shareEnd == server + 1 || shareEnd == std::wstring_view::npos) return 0;
    return prefix + shareEnd + 1;
}

}  // namespace

std::vector<std::wstring> FolderSteps(std::wstring_view fullPath) {
    const std::size_t root = RootLength(fullPath);
    if (root == 0) return {};
    std::wstring_view rest = fullPath.substr(root);
    while (!rest.empty() && IsSeparator(rest.back())) rest.remove_suffix(1);

    std::vector<std::wstring> steps;
    std::wstring path(fullPath.substr(0, root));
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of(L"\\/");
        const std::wstring_view name = rest.substr(0, end);
        if (name.empty() || name == L"." || name == L"..") return {};
        if (!steps.empty()) path += L'\\';
        path.append(name);
        steps.push_back(path);
        if (end == std::wstring_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return steps;
}

}  // namespace qln
