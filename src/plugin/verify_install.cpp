#include "plugin/verify_install.h"

#include "plugin/install_record_store.h"
#include "plugin/recorded_files.h"

namespace qln {

VerifyReport VerifyRecord(const std::wstring& pluginsDir, const InstallRecord& record) {
    VerifyReport report;
    report.recorded = true;
    const std::wstring full = FullPluginsDir(pluginsDir);
    for (const RecordedFile& file : record.files) {
        ++report.checked;
        switch (full.empty() ? RecordedFileState::Missing : CheckRecordedFile(full, file)) {
        case RecordedFileState::Intact: break;
        case RecordedFileState::Missing: report.missing.push_back(file.name); break;
        case RecordedFileState::Changed: report.changed.push_back(file.name); break;
        }
    }
    return report;
}

VerifyReport VerifyInstalled(const std::wstring& pluginsDir) {
    const std::optional<InstallRecord> record = ReadInstallRecord(pluginsDir);
    return record ? VerifyRecord(pluginsDir, *record) : VerifyReport{};
}

}  // namespace qln
