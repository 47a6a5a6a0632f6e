// Catches the program's message boxes the way a user meets them: a watcher thread finds every
// message box window of this process (whichever thread shows it), records its caption, text,
// owner and icon, and presses OK. Nothing about MessageBoxW itself is replaced.
#pragma once

#include <windows.h>

#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "plugin/file_handle.h"

namespace qln::test {

struct CaughtBox {
    std::wstring caption;
    std::wstring text;
    HWND owner = nullptr;
    bool hasIcon = false;
    DWORD thread = 0;
};

class MessageBoxCatcher {
public:
    // With `sayYes`, a box that asks (Yes and No) is answered Yes; every other box gets OK.
    explicit MessageBoxCatcher(bool sayYes = false);
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    // The next box caught, waiting up to `milliseconds` while pumping this thread's messages
    // (a box shown from another thread may need this thread to answer its messages).
    bool Next(CaughtBox& box, DWORD milliseconds = 10000);
    // True when no box appeared within `milliseconds`.
    bool NoneWithin(DWORD milliseconds);

private:
    void Watch();

    std::mutex lock_;
    const bool sayYes_;
    std::deque<CaughtBox> caught_;
    KernelHandle stop_;
    std::thread watcher_;
};

// Runs this thread's messages for `milliseconds`.
void PumpMessages(DWORD milliseconds);

// Pumps until `done()` or the time is up; returns done().
template <typename F>
bool PumpUntil(F done, DWORD milliseconds = 15000) {
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < milliseconds) PumpMessages(10);
    return done();
}

}  // namespace qln::test
