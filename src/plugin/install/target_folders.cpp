#include "plugin/install/target_folders.h"

#include <windows.h>

#include "plugin/folder_steps.h"

namespace qln {

namespace {

// A plain folder: no file, no link.
bool IsPlainFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

bool MakeMissingFolders(const std::wstring& folder) {
    const std::vector<std::wstring> steps = FolderSteps(folder);
    if (steps.empty()) return false;
    for (const std::wstring& step : steps) {
        DWORD attributes = GetFileAttributesW(step.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            // Made by someone else meanwhile is judged like one that was there before.
            if (!CreateDirectoryW(step.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
            attributes = GetFileAttributesW(step.c_str());
        }
        if (!IsPlainFolder(attributes)) return false;
    }
    return true;
}

}  // namespace qln
