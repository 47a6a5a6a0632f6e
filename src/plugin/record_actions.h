// What the installer does with an install record on request, from the plugin page's install
// button menu or an unattended run: check the recorded files, remove them. Each action leaves
// one install log entry; the page's actions tell their result in one message box.
#pragma once

#include <windows.h>

#include <string>

#include "plugin/record_messages.h"

namespace qln {

inline constexpr const wchar_t* kVerifyMenuText = L"检查插件文件";
inline constexpr UINT kVerifyMenuId = 40002;
inline constexpr const wchar_t* kUninstallMenuText = L"卸载插件";
inline constexpr UINT kUninstallMenuId = 40003;

// The install log entries of a check and a removal of the recorded files of `version`, whose
// Plugins folder is `target`; `mode` is "page" or "unattended".
void LogVerify(const std::wstring& mode, const std::wstring& version, const std::wstring& target,
               const VerifyReport& report);
void LogUninstall(const std::wstring& mode, const std::wstring& version, const std::wstring& target,
                  const UninstallReport& report);

// The page's menu entries, for the version selected in `list`: the page's usual checks first (no
// download running, a version selected; for the removal SketchUp not running and one yes/no
// question naming the version), then the action, its log entry and one message box.
void CheckSelectedVersionFiles(HWND page, HWND list);
void UninstallSelectedVersion(HWND page, HWND list);

}  // namespace qln
