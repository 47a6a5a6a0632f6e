// The process-wide application information, filled once at start-up.
#pragma once

#include <windows.h>

#include <cstdint>

namespace qln {

struct AppInfoRecord {
    wchar_t Comments[100];
    wchar_t CompanyName[100];
    wchar_t ExeName[100];
    wchar_t FileDescription[100];
    HINSTANCE Instance;
    wchar_t ExePath[260];
    wchar_t ProductName[100];
    wchar_t LegalTrademarks[100];
    std::int64_t FileMajor;
    std::int64_t FileMinor;
    std::int64_t ProductMajor;
    std::int64_t ProductMinor;
};

extern AppInfoRecord AppInfo;

void FillAppInfo();

}  // namespace qln
