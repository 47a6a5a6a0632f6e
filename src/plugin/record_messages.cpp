#include "plugin/record_messages.h"

namespace qln {

namespace {

// A box taller than the screen hides its OK button: the first names, then how many more.
constexpr std::size_t kNamesShown = 15;

void AppendNames(std::wstring& text, const wchar_t* heading, const std::vector<std::wstring>& names) {
    if (names.empty()) return;
    text += L"\n";
    text += heading;
    text += L"（" + std::to_wstring(names.size()) + L" 个）：";
    for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i) text += L"\n  " + names[i];
    if (names.size() > kNamesShown) text += L"\n  …… 另有 " + std::to_wstring(names.size() - kNamesShown) + L" 个";
}

}  // namespace

std::wstring VerifyMessage(const VerifyReport& report, const std::wstring& version) {
    if (!report.recorded) return kNotInstalledText;
    if (report.Intact())
        return version + L" 的插件文件完整：本程序安装的 " + std::to_wstring(report.checked) + L" 个文件均未缺失或改动。";
    std::wstring text = version + L" 的插件文件不完整，请重新安装插件：";
    AppendNames(text, L"缺失的文件", report.missing);
    AppendNames(text, L"已被改动的文件", report.changed);
    return text;
}

std::wstring UninstallMessage(const UninstallReport& report, const std::wstring& version) {
    switch (report.outcome) {
    case UninstallOutcome::NotInstalled: return kNotInstalledText;
    case UninstallOutcome::Incomplete: {
        std::wstring text = L"卸载未完成：";
        text += report.failure == InstallOutcome::FileInUse
                    ? L"插件文件正被其他程序使用，请关闭草图大师等程序后重试！"
                    : L"无法删除插件文件，请尝试管理员身份运行本程序！";
        if (!report.detail.empty()) text += L"\n" + report.detail;
        return text;
    }
    case UninstallOutcome::Removed: break;
    }
    std::wstring text = L"已从 " + version + L" 卸载插件，删除了 " + std::to_wstring(report.removed.size()) + L" 个文件。";
    AppendNames(text, L"安装后被改动过、已保留的文件", report.keptChanged);
    return text;
}

const char* VerifyResultName(const VerifyReport& report) {
    if (!report.recorded) return "not-installed";
    return report.Intact() ? "intact" : "files-changed";
}

const char* UninstallResultName(const UninstallReport& report) {
    switch (report.outcome) {
    case UninstallOutcome::Removed: return "uninstalled";
    case UninstallOutcome::NotInstalled: return "not-installed";
    case UninstallOutcome::Incomplete: break;
    }
    return InstallOutcomeName(report.failure);
}

}  // namespace qln
