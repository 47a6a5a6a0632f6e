#include "app/app_info.h"

#include "app/app_constants.h"
#include "app/exe_path.h"

namespace qln {

AppInfoRecord AppInfo = {};

void FillAppInfo() {
    AppInfo.Instance = GetModuleHandleW(nullptr);
    CopyToFixedField(AppInfo.Comments, L"" QLN_COMMENTS);
    CopyToFixedField(AppInfo.CompanyName, L"" QLN_COMPANY_NAME);
    CopyToFixedField(AppInfo.FileDescription, L"" QLN_FILE_DESCRIPTION);
    CopyToFixedField(AppInfo.ProductName, L"" QLN_PRODUCT_NAME);
    CopyToFixedField(AppInfo.LegalTrademarks, L"" QLN_LEGAL_TRADEMARKS);
    AppInfo.FileMajor = QLN_FILE_MAJOR;
    AppInfo.FileMinor = QLN_FILE_MINOR;
    AppInfo.ProductMajor = QLN_PRODUCT_MAJOR;
    AppInfo.ProductMinor = QLN_PRODUCT_MINOR;

    // The whole buffer: a path of 259 characters fits with its terminator. A longer one is cut
    // by the system, which terminates it inside the buffer (or, on older systems, fills the
    // buffer without a terminator: the last unit is set to zero either way).
    wchar_t path[260] = {};
    GetModuleFileNameW(nullptr, path, 260);
    path[259] = L'\0';
    const ExePathParts parts = SplitExePath(path);
    CopyToFixedField(AppInfo.ExePath, parts.folder);
    CopyToFixedField(AppInfo.ExeName, parts.name);
}

}  // namespace qln
