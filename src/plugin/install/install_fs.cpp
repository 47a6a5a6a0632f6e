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

namespace {

constexpr DWORD kShareButDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;

// Opens the entry at `path` itself, a link as the link. Where the system follows a link all the
// same (Wine does), the handle holds what the link points to, whose attributes lack the mark that
// the name's own attributes (`named`) have: refused. A name that was no link when its folder was
// listed is taken as it opens: if it has become a link since, opening it still holds the link.
FileHandle OpenItself(const std::wstring& path, DWORD access, DWORD named, DWORD& attributes) {
    FileHandle handle(CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareButDelete, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) return {};
    attributes = named;
    if (!IsFolderAttr(named) && !IsLinkAttr(named)) return handle;
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandleEx(handle.get(), FileBasicInfo, &basic, sizeof(basic))) return {};
    attributes = basic.FileAttributes;
    if (IsLinkAttr(named) != IsLinkAttr(attributes)) {
        SetLastError(ERROR_REPARSE_TAG_INVALID);
        return {};
    }
    return handle;
}

bool DeleteOpened(HANDLE handle, DWORD attributes) {
    FILE_DISPOSITION_INFO dispose = {TRUE};
    if (SetFileInformationByHandle(handle, FileDispositionInfo, &dispose, sizeof(dispose))) return true;
    if (!(attributes & FILE_ATTRIBUTE_READONLY)) return false;
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = attributes & ~FILE_ATTRIBUTE_READONLY;
    if (!basic.FileAttributes) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof(basic)) &&
           SetFileInformationByHandle(handle, FileDispositionInfo, &dispose, sizeof(dispose));
}

// `named`: the attributes the entry's name has, as its folder's listing gave them.
bool RemoveEntry(const std::wstring& path, DWORD named) {
    if (!IsFolderAttr(named) && !IsLinkAttr(named) && !(named & FILE_ATTRIBUTE_READONLY)) {
        // A plain file goes as its handle closes: the fewest calls for the most common entry.
        // Opened as itself: should it have become a link since it was listed, the link goes.
        const HANDLE file = CreateFileW(path.c_str(), DELETE, kShareButDelete, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                        nullptr);
        if (file != INVALID_HANDLE_VALUE) return CloseHandle(file);
    }
    DWORD attributes = 0;
    constexpr DWORD kAccess = DELETE | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY;
    FileHandle handle = OpenItself(path, IsFolderAttr(named) ? kAccess : kAccess & ~FILE_LIST_DIRECTORY, named, attributes);
    if (!handle && GetLastError() == ERROR_ACCESS_DENIED) handle = OpenItself(path, DELETE | FILE_LIST_DIRECTORY, named, attributes);
    if (!handle) return !Exists(path);
    bool emptied = true;
    if (IsFolderAttr(attributes) && !IsLinkAttr(attributes)) {
        // Listed through the handle that holds it: held without delete sharing, the folder stays
        // where it is while the names below it are used.
        std::vector<std::pair<std::wstring, DWORD>> below;
        std::vector<unsigned char> buffer(64 * 1024);
        for (auto kind = FileIdBothDirectoryRestartInfo;
             GetFileInformationByHandleEx(handle.get(), kind, buffer.data(), static_cast<DWORD>(buffer.size()));
             kind = FileIdBothDirectoryInfo) {
            for (std::size_t at = 0;;) {
                const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data() + at);
                std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
                if (name != L"." && name != L"..") below.emplace_back(std::move(name), entry->FileAttributes);
                if (!entry->NextEntryOffset) break;
                at += entry->NextEntryOffset;
            }
        }
        for (const auto& [name, listed] : below) emptied = RemoveEntry(path + L"\\" + name, listed) && emptied;
    }
    const bool deleted = emptied && DeleteOpened(handle.get(), attributes);
    handle.reset();
    return deleted;
}

}  // namespace

bool RemoveTree(const std::wstring& path) {
    const DWORD named = Attributes(path);
    return named == INVALID_FILE_ATTRIBUTES || RemoveEntry(path, named);
}

bool PinnedFolders::Pin(const std::wstring& root, const std::wstring& folder) {
    const std::size_t before = held_.size();
    held_.emplace_back(CreateFileW(root.c_str(), FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareButDelete, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    bool pinned = static_cast<bool>(held_.back());
    for (std::size_t end = folder.find(L'\\'); pinned && !folder.empty(); end = folder.find(L'\\', end + 1)) {
        const std::wstring path = root + L"\\" + folder.substr(0, end);
        const DWORD named = Attributes(path);
        DWORD attributes = 0;
        held_.push_back(OpenItself(path, 0, named, attributes));
        pinned = held_.back() && IsFolderAttr(attributes) && !IsLinkAttr(attributes);
        if (end == std::wstring::npos) break;
    }
    if (!pinned) held_.resize(before);
    return pinned;
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
