#include "plugin/install_outcome.h"

namespace qln {

const wchar_t* InstallOutcomeMessage(InstallOutcome outcome) {
    switch (outcome) {
    case InstallOutcome::Succeeded: return L"安装成功！";
    case InstallOutcome::NoTarget: return L"安装失败，未能确定要安装到的草图版本，请重新选择后重试！";
    case InstallOutcome::DamagedPackage: return L"安装失败，插件包已损坏或不完整，请重新下载后重试！";
    case InstallOutcome::AccessDenied: return L"安装失败，请尝试管理员身份运行本程序！";
    case InstallOutcome::FileInUse: return L"安装失败，插件文件正被其他程序使用，请关闭草图大师等程序后重试！";
    case InstallOutcome::DiskFull: return L"安装失败，磁盘空间不足，请清理磁盘后重试！";
    case InstallOutcome::DownloadFailed: return L"下载失败，请检查网络连接后重试！";
    case InstallOutcome::ServerError: return L"下载失败，更新服务器暂时无法提供插件，请稍后重试！";
    case InstallOutcome::CertificateRefused: return L"无法验证更新服务器的证书，请检查系统时间和网络环境后重试！";
    case InstallOutcome::PackageTooLarge: return L"下载失败，更新服务器提供的插件包大小异常，请稍后重试！";
    case InstallOutcome::PathBlocked: return L"安装失败，插件目录中有同名的文件或文件夹妨碍安装，请移走后重试！";
    case InstallOutcome::AnotherInstallation: return L"安装失败，另一个安装正在进行，请等它完成后重试！";
    }
    return L"安装失败，请尝试管理员身份运行本程序！";
}

const char* InstallOutcomeName(InstallOutcome outcome) {
    switch (outcome) {
    case InstallOutcome::Succeeded: return "succeeded";
    case InstallOutcome::NoTarget: return "no-target";
    case InstallOutcome::DamagedPackage: return "damaged-package";
    case InstallOutcome::AccessDenied: return "access-denied";
    case InstallOutcome::FileInUse: return "file-in-use";
    case InstallOutcome::DiskFull: return "disk-full";
    case InstallOutcome::DownloadFailed: return "download-failed";
    case InstallOutcome::ServerError: return "server-error";
    case InstallOutcome::CertificateRefused: return "certificate-refused";
    case InstallOutcome::PackageTooLarge: return "package-too-large";
    case InstallOutcome::PathBlocked: return "path-blocked";
    case InstallOutcome::AnotherInstallation: return "another-installation";
    }
    return "unknown";
}

}  // namespace qln
