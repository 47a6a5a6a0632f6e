#include "plugin/install/install_fs.h"

#include <algorithm>

#include "plugin/file_handle.h"

namespace qln::install {

std::wstring Extended(const std::wstring& full) {
    if (full.rfind(L"\\\\?\\", 0) == 0) return full;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring FullTarget(const std::wstring& pluginsDir) {
    if (pluginsDir.empty()) return {};
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(pluginsDir.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(pluginsDir.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) return {};
    full.resize(length);
    while (!full.empty() && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    const std::size_t leaf = full.find_last_of(L"\\/");
    if (leaf == std::wstring::npos || leaf + 1 >= full.size() || full.back() == L':') return {};
    if (full.rfind(L"\\\\", 0) == 0 && std::count(full.begin(), full.end(), L'\\') < 4) return {};  // \\server\share
    return full;
}

std::wstring ParentOf(const std::wstring& name) {
    const std::size_t split = name.rfind(L'\\');
    return split == std::wstring::npos ? std::wstring() : name.substr(0, split);
}

std::wstring Key(std::wstring name) {
    if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

bool CrossesLink(const std::wstring& root, const std::wstring& name) {
    for (std::size_t end = name.find(L'\\');; end = name.find(L'\\', end + 1)) {
        if (IsLinkAttr(Attributes(root + L"\\" + name.substr(0, end)))) return true;
        if (end == std::wstring::npos) return false;
    }
}

bool RemoveTree(const std::wstring& path) {
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(path.c_str()) || !Exists(path);
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    return RemoveDirectoryW(path.c_str()) || !Exists(path);
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes, std::uint64_t limit) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    const std::uint64_t size = static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    if (size > limit) return false;
    bytes.resize(static_cast<std::size_t>(size));
    DWORD read = 0;
    return bytes.empty() ||
           (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size());
}

}  // namespace qln::install
