#include "plugin/install/flusher.h"

namespace qln::install {

namespace {
constexpr DWORD kFlushThreads = 4;
}

struct Flusher::Job {
    Flusher* owner;
    HANDLE file;
    std::wstring path;
    DWORD attributes;
    std::wstring name;
};

Flusher::Flusher() {
    InitializeThreadpoolEnvironment(&environment_);
    pool_ = CreateThreadpool(nullptr);
    group_ = pool_ ? CreateThreadpoolCleanupGroup() : nullptr;
    if (!group_) {
        if (pool_) CloseThreadpool(pool_);
        pool_ = nullptr;
        return;
    }
    SetThreadpoolThreadMaximum(pool_, kFlushThreads);
    SetThreadpoolCallbackPool(&environment_, pool_);
    SetThreadpoolCallbackCleanupGroup(&environment_, group_, nullptr);
}

Flusher::~Flusher() {
    Wait();
    if (group_) CloseThreadpoolCleanupGroup(group_);
    if (pool_) CloseThreadpool(pool_);
    DestroyThreadpoolEnvironment(&environment_);
}

void Flusher::Submit(HANDLE file, const std::wstring& path, DWORD attributes, const std::wstring& name) {
    if (pool_) {
        auto* job = new Job{this, file, path, attributes, name};
        if (TrySubmitThreadpoolCallback(&Flusher::Run, job, &environment_)) return;
        delete job;
    }
    Finish(file, path, attributes, name);
}

void CALLBACK Flusher::Run(PTP_CALLBACK_INSTANCE, void* context) {
    Job* job = static_cast<Job*>(context);
    job->owner->Finish(job->file, job->path, job->attributes, job->name);
    delete job;
}

void Flusher::Finish(HANDLE file, const std::wstring& path, DWORD attributes, const std::wstring& name) {
    DWORD error = FlushFileBuffers(file) ? 0 : GetLastError();
    // Closed here rather than by a holder, to see a failure: the last data may reach the disk
    // only now.
    if (!CloseHandle(file) && error == 0) error = GetLastError();
    // By path, after the file is closed, so that a read-only bit cannot get in the way.
    if (error == 0) SetFileAttributesW(path.c_str(), attributes);
    if (error == 0) return;
    std::lock_guard<std::mutex> guard(lock_);
    if (!first_) first_ = FileFailure(error, name);
}

Failure Flusher::Wait() {
    if (group_) CloseThreadpoolCleanupGroupMembers(group_, FALSE, nullptr);
    std::lock_guard<std::mutex> guard(lock_);
    return first_;
}

}  // namespace qln::install
