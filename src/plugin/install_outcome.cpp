#include "plugin/install_outcome.h"

namespace qln {

const wchar_t* InstallOutcomeMessage(InstallOutcome outcome) {
    switch (outcome) {
    case InstallOutcome::Succeeded: return L"安装成功！";
    case InstallOutcome::DownloadFailed: return L"下载失败，请检查网络连接后重试！";
    default: return L"安装失败，请尝试管理员身份运行本程序！";
    }
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
    }
    return "unknown";
}

}  // namespace qln
