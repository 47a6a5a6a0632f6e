// The one road from a worker thread to a window's thread: a call is queued in this process and
// the window is sent one message, whose handler runs every queued call on the window's thread.
// The message carries nothing: its parameters are never read, so a message of the same number
// from another process (or thread) can only make the window run what this process queued,
// never hand it a pointer.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

namespace qln {

class GuiCrossing {
public:
    explicit GuiCrossing(UINT message) : message_(message) {}
    GuiCrossing(const GuiCrossing&) = delete;
    GuiCrossing& operator=(const GuiCrossing&) = delete;

    // On the window's thread, when the window exists / before it is destroyed. After Detach,
    // calls waiting and calls to come run nowhere.
    void Attach(HWND window);
    void Detach();

    // Runs `work` on the window's thread and returns once it has run: true. False, and `work`
    // not run, when no window is attached or it went away first. On the window's own thread
    // `work` runs at once.
    bool Run(const std::function<void()>& work);

    // For the window procedure: true when `message` is the crossing's, after running every call
    // waiting.
    bool Handle(UINT message);

private:
    struct Call {
        const std::function<void()>* work;
        bool done;
    };

    const UINT message_;
    std::mutex lock_;
    std::deque<Call*> pending_;
    HWND window_ = nullptr;
    DWORD thread_ = 0;
};

}  // namespace qln
