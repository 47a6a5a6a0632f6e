#include "install_test_support.h"

#include <cstdio>
#include <sstream>

#include "test_support.h"
#include "zip_writer.h"

namespace qln::test {

namespace {

ULONGLONG Ticks(FILETIME t) { return ULARGE_INTEGER{{t.dwLowDateTime, t.dwHighDateTime}}.QuadPart; }

void Walk(const std::wstring& root, const std::wstring& relative, Tree& tree) {
    WIN32_FIND_DATAW found;
    const std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = relative.empty() ? name : relative + L"\\" + name;
        TreeEntry entry;
        entry.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.attributes = found.dwFileAttributes;
        if (entry.folder) {
            tree[path] = entry;
            Walk(root, path, tree);
        } else {
            entry.bytes = ReadBytes(root + L"\\" + path);
            entry.lastWrite = Ticks(found.ftLastWriteTime);
            entry.created = Ticks(found.ftCreationTime);
            tree[path] = entry;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

std::string Narrow(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

Tree Snapshot(const std::wstring& root) {
    Tree tree;
    Walk(root, L"", tree);
    return tree;
}

std::string TreeDifference(const Tree& before, const Tree& after) {
    std::ostringstream out;
    for (const auto& [path, entry] : before) {
        const auto now = after.find(path);
        if (now == after.end()) {
            out << "gone: " << Narrow(path) << "\n";
            continue;
        }
        if (now->second.folder != entry.folder) out << "kind changed: " << Narrow(path) << "\n";
        if (now->second.attributes != entry.attributes)
            out << "attributes " << std::hex << entry.attributes << " -> " << now->second.attributes << std::dec
                << ": " << Narrow(path) << "\n";
        if (now->second.bytes != entry.bytes) out << "bytes changed: " << Narrow(path) << "\n";
        if (now->second.lastWrite != entry.lastWrite) out << "date changed: " << Narrow(path) << "\n";
        if (now->second.created != entry.created) out << "creation date changed: " << Narrow(path) << "\n";
    }
    for (const auto& [path, entry] : after)
        if (!before.count(path)) out << "new: " << Narrow(path) << "\n";
    return out.str();
}

std::wstring ListFolder(const std::wstring& folder) {
    std::wstring names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names += (names.empty() ? L"" : L"|") + name;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::string UnixPath8(const std::wstring& dosPath) { return Narrow(UnixPath(dosPath)); }

int RunUnix(const std::string& command, DWORD milliseconds) {
    static int counter = 0;
    const std::string marker =
        "/tmp/qln-unix-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + ".rc";
    std::wstring markerDos = L"Z:";
    for (char c : marker) markerDos += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    DeleteFileW(markerDos.c_str());
    const std::string full = "(" + command + "); echo $? > " + marker;
    const int units = MultiByteToWideChar(CP_UTF8, 0, full.c_str(), -1, nullptr, 0);
    std::wstring wide(units > 0 ? units - 1 : 0, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, full.c_str(), -1, wide.data(), units);
    std::wstring line = L"sh -c \"" + wide + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    // Wine gives no usable handle of a host process: the marker file says when it ended.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        const std::string rc = ReadBytes(markerDos);
        if (!rc.empty() && rc.back() == '\n') {
            DeleteFileW(markerDos.c_str());
            return std::atoi(rc.c_str());
        }
        Sleep(20);
    }
    return -1;
}

}  // namespace qln::test
