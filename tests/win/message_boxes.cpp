#include "message_boxes.h"

#include <vector>

namespace qln::test {

namespace {

std::wstring Text(HWND window) {
    wchar_t text[2048] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied);
    return text;
}

bool IsMessageBox(HWND window) {
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    return lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(window) && GetDlgItem(window, 0xFFFF);
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher(bool sayYes)
    : sayYes_(sayYes), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), watcher_([this] { Watch(); }) {}

MessageBoxCatcher::~MessageBoxCatcher() {
    SetEvent(stop_.get());
    watcher_.join();
}

void MessageBoxCatcher::Watch() {
    std::vector<HWND> answered;
    while (WaitForSingleObject(stop_.get(), 20) == WAIT_TIMEOUT) {
        std::vector<HWND> boxes;
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                DWORD pid = 0;
                GetWindowThreadProcessId(window, &pid);
                if (pid == GetCurrentProcessId() && IsMessageBox(window))
                    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&boxes));
        for (HWND box : boxes) {
            bool seen = false;
            for (HWND a : answered) seen = seen || a == box;
            if (seen) continue;
            CaughtBox caught;
            caught.caption = Text(box);
            // A box's thread busy for a moment answers nothing: asked again while the box is up
            // (every box the program shows has a text).
            caught.text = Text(GetDlgItem(box, 0xFFFF));
            for (int tries = 0; caught.text.empty() && tries < 100 && IsWindow(box); ++tries) {
                Sleep(20);
                caught.text = Text(GetDlgItem(box, 0xFFFF));
            }
            caught.owner = GetWindow(box, GW_OWNER);
            // The icon's static control: id 20 on Windows, 1088 in Wine's message box.
            for (int id : {0x14, 1088})
                if (HWND icon = GetDlgItem(box, id)) caught.hasIcon = caught.hasIcon || IsWindowVisible(icon);
            caught.thread = GetWindowThreadProcessId(box, nullptr);
            {
                std::lock_guard<std::mutex> guard(lock_);
                caught_.push_back(caught);
            }
            answered.push_back(box);
            PostMessageW(box, WM_COMMAND, sayYes_ && GetDlgItem(box, IDYES) ? IDYES : IDOK, 0);
        }
    }
}

bool MessageBoxCatcher::Next(CaughtBox& box, DWORD milliseconds) {
    const bool got = PumpUntil(
        [&] {
            std::lock_guard<std::mutex> guard(lock_);
            return !caught_.empty();
        },
        milliseconds);
    if (!got) return false;
    std::lock_guard<std::mutex> guard(lock_);
    box = caught_.front();
    caught_.pop_front();
    return true;
}

bool MessageBoxCatcher::NoneWithin(DWORD milliseconds) {
    PumpMessages(milliseconds);
    std::lock_guard<std::mutex> guard(lock_);
    return caught_.empty();
}

void PumpMessages(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    MSG msg;
    do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (milliseconds) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
}

}  // namespace qln::test
