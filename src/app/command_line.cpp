#include "app/command_line.h"

#include <string_view>

#include "plugin/install_log_format.h"
#include "plugin/strict_url.h"

namespace qln {

namespace {

wchar_t LowerAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualsNoCase(std::wstring_view text, std::wstring_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (LowerAscii(text[i]) != lower[i]) return false;
    return true;
}

// An argument as a refusal repeats it: the refusal goes into the install log and onto the
// screen, so an address in it loses its user name, password, query and fragment there too.
std::wstring Shown(const std::wstring& argument) {
    return argument.find(L"://") == std::wstring::npos ? argument : RedactUrl(argument);
}

CommandLine Refuse(std::wstring error) {
    CommandLine refused;
    refused.mode = RunMode::BadArguments;
    refused.error = std::move(error);
    return refused;
}

bool IsYear(std::wstring_view text) {
    if (text.size() != 4) return false;
    for (const wchar_t c : text)
        if (c < L'0' || c > L'9') return false;
    return true;
}

CommandLine ParseArguments(const std::vector<std::wstring>& arguments) {
    CommandLine line;
    if (arguments.empty()) return line;

    // One plain argument is a package for the window; "/log:" may come with it.
    bool sawPlain = false, sawUsage = false, sawQuiet = false, sawVersion = false, sawAllUsers = false;
    bool sawPackage = false, sawUrl = false, sawLog = false, sawVerify = false, sawUninstall = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument.empty() || argument.front() != L'/') {
            if (sawPlain) return Refuse(L"只能给出一个插件包文件：" + Shown(argument));
            if (argument.empty()) return Refuse(L"参数为空。");
            sawPlain = true;
            line.package = argument;
            continue;
        }
        const std::size_t colon = argument.find(L':');
        const std::wstring_view name = std::wstring_view(argument).substr(1, colon == std::wstring::npos ? std::wstring::npos : colon - 1);
        const bool hasValue = colon != std::wstring::npos;
        const std::wstring value = hasValue ? argument.substr(colon + 1) : std::wstring();
        auto once = [&](bool& seen) {
            const bool repeated = seen;
            seen = true;
            return !repeated;
        };
        auto needsValue = [&]() { return hasValue && !value.empty(); };

        if (name == L"?" && !hasValue) {
            sawUsage = true;
        } else if (EqualsNoCase(name, L"quiet") && !hasValue) {
            if (!once(sawQuiet)) return Refuse(L"开关重复：" + Shown(argument));
            line.quiet = true;
        } else if (EqualsNoCase(name, L"allusers") && !hasValue) {
            if (!once(sawAllUsers)) return Refuse(L"开关重复：" + Shown(argument));
            line.allUsers = true;
        } else if (EqualsNoCase(name, L"verify") && !hasValue) {
            if (!once(sawVerify)) return Refuse(L"开关重复：" + Shown(argument));
            line.action = RunAction::Verify;
        } else if (EqualsNoCase(name, L"uninstall") && !hasValue) {
            if (!once(sawUninstall)) return Refuse(L"开关重复：" + Shown(argument));
            line.action = RunAction::Uninstall;
        } else if (EqualsNoCase(name, L"version")) {
            if (!once(sawVersion)) return Refuse(L"开关重复：" + Shown(argument));
            if (EqualsNoCase(value, L"all")) {
                line.allVersions = true;
            } else if (IsYear(value)) {
                line.year = std::stoi(value);
            } else {
                return Refuse(L"/version: 后面应是四位年份（如 2021）或 all：" + Shown(argument));
            }
        } else if (EqualsNoCase(name, L"package")) {
            if (!once(sawPackage)) return Refuse(L"开关重复：" + Shown(argument));
            if (!needsValue()) return Refuse(L"/package: 后面应是插件包文件的路径：" + Shown(argument));
            line.package = value;
        } else if (EqualsNoCase(name, L"url")) {
            if (!once(sawUrl)) return Refuse(L"开关重复：" + Shown(argument));
            if (!needsValue()) return Refuse(L"/url: 后面应是 https 下载地址：" + Shown(argument));
            StrictUrl parsed;
            const StrictUrlFault fault = ParseStrictHttpsUrl(value, parsed);
            if (fault != StrictUrlFault::None) return Refuse(std::wstring(StrictUrlFaultMessage(fault)) + L"\n" + Shown(argument));
            // A fragment names a place inside a page and is never sent to a server.
            line.url = value.substr(0, value.find(L'#'));
        } else if (EqualsNoCase(name, L"log")) {
            if (!once(sawLog)) return Refuse(L"开关重复：" + Shown(argument));
            if (!needsValue()) return Refuse(L"/log: 后面应是日志文件的路径：" + Shown(argument));
            line.log = value;
        } else {
            return Refuse(L"无法识别的参数：" + Shown(argument));
        }
    }

    if (sawUsage) {
        line.mode = RunMode::Usage;
        return line;
    }
    if (sawPackage && sawUrl) return Refuse(L"/package: 与 /url: 只能选用其一。");
    if (sawVerify && sawUninstall) return Refuse(L"/verify 与 /uninstall 只能选用其一。");
    if ((sawVerify || sawUninstall) && (sawPackage || sawUrl))
        return Refuse(L"/verify 和 /uninstall 不安装插件包，不能与 /package: 或 /url: 同用。");
    const bool unattended = sawQuiet || sawVersion || sawAllUsers || sawPackage || sawUrl || sawVerify || sawUninstall;
    if (sawPlain && unattended)
        return Refuse(L"插件包文件不能与开关同用，无人值守安装请写成 /package:<文件>。");
    if (unattended)
        line.mode = RunMode::Unattended;
    else
        line.mode = sawPlain ? RunMode::WindowWithPackage : RunMode::Window;
    return line;
}

bool NamesUnattendedSwitch(const std::wstring& argument) {
    if (argument.empty() || argument.front() != L'/') return false;
    const std::wstring_view name = std::wstring_view(argument).substr(1, argument.find(L':') - 1);
    for (const std::wstring_view unattended : {L"quiet", L"version", L"allusers", L"package", L"url", L"verify", L"uninstall"})
        if (EqualsNoCase(name, unattended)) return true;
    return false;
}

bool IsLogSwitch(const std::wstring& argument) {
    return argument.size() > 5 && EqualsNoCase(std::wstring_view(argument).substr(0, 5), L"/log:");
}

// The window's reading: nothing it does not understand can keep it from opening.
CommandLine WindowReading(const std::vector<std::wstring>& arguments) {
    CommandLine line;
    std::vector<std::wstring> plain;
    bool usage = false;
    for (const std::wstring& argument : arguments) {
        if (!argument.empty() && argument.front() != L'/') {
            plain.push_back(argument);
        } else if (argument == L"/?") {
            usage = true;
        } else if (IsLogSwitch(argument) && line.log.empty()) {
            line.log = argument.substr(5);
        } else {
            line.ignored.push_back(Shown(argument));
        }
    }
    // Of several files none is the one the user meant.
    if (plain.size() == 1) {
        line.mode = RunMode::WindowWithPackage;
        line.package = plain.front();
    } else {
        for (const std::wstring& file : plain) line.ignored.push_back(Shown(file));
    }
    if (usage) line.mode = RunMode::Usage;
    return line;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    CommandLine line = ParseArguments(arguments);
    if (line.mode != RunMode::BadArguments) return line;
    // Even refused arguments keep their promise of silence, and their log goes where asked.
    for (const std::wstring& argument : arguments) {
        if (EqualsNoCase(argument, L"/quiet")) line.quiet = true;
        if (argument.size() > 5 && EqualsNoCase(std::wstring_view(argument).substr(0, 5), L"/log:"))
            line.log = argument.substr(5);
    }
    return line;
}

CommandLine ReadCommandLine(const std::vector<std::wstring>& arguments) {
    CommandLine line = ParseCommandLine(arguments);
    if (line.mode != RunMode::BadArguments) return line;
    for (const std::wstring& argument : arguments)
        if (NamesUnattendedSwitch(argument)) return line;
    return WindowReading(arguments);
}

std::wstring IgnoredArgumentsReason(const std::vector<std::wstring>& ignored) {
    std::wstring reason = L"无法识别的参数，已忽略：";
    for (std::size_t i = 0; i < ignored.size(); ++i) {
        if (i > 0) reason += L" ";
        const bool quoted = ignored[i].empty() || ignored[i].find(L' ') != std::wstring::npos;
        reason += quoted ? L"\"" + ignored[i] + L"\"" : ignored[i];
    }
    return reason;
}

std::wstring UsageText() {
    return L"用法：QuorlenInstaller.exe [插件包.rbz] | [开关...]\n"
           L"\n"
           L"/quiet            无人值守：不显示任何窗口或消息框\n"
           L"/version:<年份>   安装到该版本，如 /version:2021\n"
           L"/version:all      安装到找到的每个版本\n"
           L"/allusers         安装到所有用户共用的插件目录（ProgramData）\n"
           L"/package:<文件>   安装本地插件包，不下载\n"
           L"/url:<https地址>  从此地址下载插件包（仅限 https）\n"
           L"/log:<文件>       安装日志写到此文件\n"
           L"/verify           检查本程序安装的插件文件是否完整，不安装\n"
           L"/uninstall        卸载本程序安装的插件（保留被改动过的文件）\n"
           L"/?                显示本说明\n"
           L"\n"
           L"退出码：0 成功；20 显示说明；21 参数错误；22 安装器已打开；23 未找到可安装的草图版本；"
           L"24 草图大师正在运行；25 插件包无法读取；26 下载失败；27 服务器返回错误；28 证书被拒绝；"
           L"29 插件包损坏；30 拒绝访问；31 文件被占用；32 磁盘已满；33 插件包过大；"
           L"34 插件目录中有同名文件或文件夹妨碍安装；35 另一个安装正在进行；"
           L"40 插件未由本程序安装；41 插件文件缺失或已被改动";
}

}  // namespace qln
