#include "platform/winapi/inner_windows.h"

namespace rv::winapi {

HWND FindInnerWindow(const Desktop& desktop, std::span<const char* const> classes,
                     const std::function<void()>& before_each) {
    HWND frame = desktop.FindWindowA("aol frame25", nullptr);
    HWND area = desktop.FindWindowExA(frame, 0, "mdiclient", nullptr);
    HWND first = desktop.FindWindowExA(area, 0, "aol child", nullptr);
    for (HWND candidate = desktop.GetWindow(first, GW_HWNDFIRST); candidate != 0;
         candidate = desktop.GetWindow(candidate, GW_HWNDNEXT)) {
        if (before_each) before_each();
        bool all = true;
        for (const char* cls : classes)
            all = all && desktop.FindWindowExA(candidate, 0, cls, nullptr) != 0;
        if (all) return candidate;
    }
    return 0;
}

}  // namespace rv::winapi
