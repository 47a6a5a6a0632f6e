// Staged files go to disk before the first move (a power cut must never leave a file of zeros
// where the old one was). A flush waits for the disk; a few of them waiting side by side, while
// the next members are unpacked, cost a fraction of waiting in turn, so the staging hands each
// written file to a small pool that flushes it, closes it and then gives it its attributes.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>

#include "plugin/install/failure.h"

namespace qln::install {

class Flusher {
public:
    Flusher();
    ~Flusher();
    Flusher(const Flusher&) = delete;
    Flusher& operator=(const Flusher&) = delete;

    // Takes over `file`; `path` gets `attributes` once the file is closed. Without a pool the
    // work is done at once.
    void Submit(HANDLE file, const std::wstring& path, DWORD attributes, const std::wstring& name);
    // Waits for everything submitted; the first failure, if any.
    Failure Wait();

private:
    struct Job;
    static void CALLBACK Run(PTP_CALLBACK_INSTANCE, void* context);
    void Finish(HANDLE file, const std::wstring& path, DWORD attributes, const std::wstring& name);

    PTP_POOL pool_ = nullptr;
    PTP_CLEANUP_GROUP group_ = nullptr;
    TP_CALLBACK_ENVIRON environment_;
    std::mutex lock_;
    Failure first_;
};

}  // namespace qln::install
