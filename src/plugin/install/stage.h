// Unpacking the package into the work area's staging folder: every member written, checked
// (size, checksum) and flushed to disk before the first move into the target.
#pragma once

#include <unordered_set>
#include <vector>

#include "plugin/install/failure.h"
#include "plugin/install/flusher.h"
#include "plugin/install/plan.h"

namespace qln::install {

class Stager {
public:
    explicit Stager(const WorkArea& work) : work_(work) {}
    Failure Run(unzFile archive, const std::vector<Member>& members, const Plan& plan);

private:
    Failure EnsureFolder(const std::wstring& name);
    Failure StageFile(unzFile archive, const Member& member, const std::wstring& path, const std::wstring& name,
                      char* buffer);

    const WorkArea& work_;
    std::unordered_set<std::wstring> made_;
    Flusher flusher_;
};

}  // namespace qln::install
