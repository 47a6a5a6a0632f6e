// What a check or a removal of the recorded files found, and the sentences the user and the log
// read for it, in the system's voice. Portable: plain names and counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "plugin/install_outcome.h"

namespace qln {

// The files of one install record, checked against the Plugins folder.
struct VerifyReport {
    bool recorded = false;              // false: no record of ours (not installed by this program)
    std::size_t checked = 0;            // recorded files looked at
    std::vector<std::wstring> missing;  // recorded, no longer there
    std::vector<std::wstring> changed;  // there, but not what was installed (size, content, a link, a folder)
    bool Intact() const { return recorded && missing.empty() && changed.empty(); }
};

enum class UninstallOutcome : std::uint8_t {
    Removed,       // every unchanged recorded file is gone, and the record with them
    NotInstalled,  // no record of ours: nothing was touched
    Incomplete,    // a file or folder could not be removed: the record stays for another try
};

struct UninstallReport {
    UninstallOutcome outcome = UninstallOutcome::NotInstalled;
    std::vector<std::wstring> removed;      // files deleted
    std::vector<std::wstring> keptChanged;  // files the user changed (or replaced by a link): kept
    std::vector<std::wstring> missing;      // files already gone
    std::vector<std::wstring> keptFolders;  // folders the package made that still hold something
    // Incomplete: what stopped it (ClassifyFileError), the Windows error and the name.
    InstallOutcome failure = InstallOutcome::Succeeded;
    std::uint32_t systemError = 0;
    std::wstring detail;
};

inline constexpr const wchar_t* kNotInstalledText =
    L"未找到本程序安装插件的记录：该版本的插件未安装，或不是由本程序安装的。";

// The sentence for a verification of `version` ("SketchUp 2021"), naming what is missing or
// changed (at most a screenful; the rest counted).
std::wstring VerifyMessage(const VerifyReport& report, const std::wstring& version);

// The sentence for an uninstallation from `version`, naming the kept files.
std::wstring UninstallMessage(const UninstallReport& report, const std::wstring& version);

// The log's short result names.
const char* VerifyResultName(const VerifyReport& report);      // "intact", "files-changed", "not-installed"
const char* UninstallResultName(const UninstallReport& report);  // "uninstalled", "not-installed", or the failure's

}  // namespace qln
