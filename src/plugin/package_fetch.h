// Package files for installations that run without the page: a download made synchronously on
// the caller's thread into a file, and the checks of a package file the user already has.
#pragma once

#include <cstdint>
#include <string>

#include "plugin/install_outcome.h"
#include "plugin/install_record.h"

namespace qln {

struct FetchResult {
    InstallOutcome outcome = InstallOutcome::Succeeded;  // Succeeded: the whole body is in the file
    int httpStatus = 0;                                  // 0 when no response was read
    std::uint64_t bytes = 0;                             // bytes written to the file
    std::uint32_t error = 0;                             // the WinInet error of a failed transfer
    // Asked conditionally and answered 304: the package the validators describe is current;
    // nothing was written to the file.
    bool notModified = false;
    std::string etag, lastModified;                      // the 200's validators, for the record
};

// GETs `url` into `file` (created anew). Only a 200 response of at most kPackageSizeLimit bytes
// that arrives whole counts; `secureAlways` asks for TLS whatever the port. With `validators`
// (install_record.h) the request is conditional, and a 304 counts too (`notModified`). The file
// is left behind in every case: the caller deletes it.
FetchResult FetchPackageToFile(const std::wstring& url, const std::wstring& file, bool secureAlways,
                               const InstallSource* validators = nullptr);

enum class LocalPackageCheck { Package, Unreadable, NotPackage };

// Reads the first bytes of a file the user named, shared with every other reader and writer,
// and changes nothing about it.
LocalPackageCheck CheckLocalPackage(const std::wstring& path, std::uint64_t* size = nullptr);

// The texts for a refused local package, in the system's voice.
inline constexpr const wchar_t* kPackageUnreadableText = L"无法读取该插件包文件，请确认文件存在且未被其他程序占用！";
inline constexpr const wchar_t* kNotPackageText = L"该文件不是插件包（.rbz 或 .zip 压缩包），请选择正确的插件包文件！";

// A new, empty file of a name of its own in the temporary folder (an 8-bit path), made here and
// so never one that was there before: a service account's temporary folder is one that other
// accounts may write to, and a fixed name there could be a link they prepared. Empty when none
// could be made. The caller deletes it.
std::wstring NewTempPackageFile();

// InstallPackageFile for a package file the user owns: it is only read. A path that the ANSI
// code page cannot hold is read through a copy in a new file of the temporary folder, deleted
// afterwards.
// The record names `packagePath` as the source.
InstallReport InstallLocalPackageFile(const std::wstring& packagePath, const std::wstring& pluginsDir);

}  // namespace qln
