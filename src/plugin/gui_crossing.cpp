#include "plugin/gui_crossing.h"

#include <algorithm>

namespace qln {

void GuiCrossing::Attach(HWND window) {
    std::lock_guard hold(lock_);
    window_ = window;
    thread_ = GetWindowThreadProcessId(window, nullptr);
}

void GuiCrossing::Detach() {
    std::lock_guard hold(lock_);
    window_ = nullptr;
    thread_ = 0;
}

bool GuiCrossing::Run(const std::function<void()>& work) {
    Call call{&work, false};
    HWND window;
    {
        std::lock_guard hold(lock_);
        if (!window_) return false;
        if (thread_ == GetCurrentThreadId()) {
            window = nullptr;
        } else {
            pending_.push_back(&call);
            window = window_;
        }
    }
    if (!window) {
        work();
        return true;
    }
    // Returns when the window's thread has handled the message, which ran every queued call; or
    // at once when the window is gone, the call then still waiting.
    SendMessageW(window, message_, 0, 0);
    std::lock_guard hold(lock_);
    if (call.done) return true;
    pending_.erase(std::remove(pending_.begin(), pending_.end(), &call), pending_.end());
    return false;
}

bool GuiCrossing::Handle(UINT message) {
    if (message != message_) return false;
    for (;;) {
        Call* call;
        {
            std::lock_guard hold(lock_);
            if (pending_.empty()) break;
            call = pending_.front();
            pending_.pop_front();
        }
        // The caller waits in SendMessageW until this message is handled: `call` outlives this.
        try {
            (*call->work)();
        } catch (...) {
        }
        std::lock_guard hold(lock_);
        call->done = true;
    }
    return true;
}

}  // namespace qln
