#pragma once
// The chat client's inner windows (chat rooms, mailboxes, instant-message windows) told
// apart by the classes of their direct children.
#include <functional>
#include <span>

#include "platform/winapi/desktop.h"

namespace rv::winapi {

// Direct children that together mark an inner window as a chat room.
inline constexpr const char* kChatRoomClasses[] = {
    "_aol_static", "richcntlreadonly", "_aol_combobox", "_aol_icon", "richcntl", "_aol_image"};

// Walks the client's inner windows from the topmost in z-order and returns the first that
// has a direct child of each of `classes`, or 0 (also when the client is not running).
// `before_each` runs before each candidate is looked at: a caller that must let events run
// during the search pumps there. A candidate that closes meanwhile simply fails its lookups.
HWND FindInnerWindow(const Desktop& desktop, std::span<const char* const> classes,
                     const std::function<void()>& before_each = {});

// The chat room highest in the client's order, or 0.
inline HWND FindChatRoomWindow(const Desktop& desktop,
                               const std::function<void()>& before_each = {}) {
    return FindInnerWindow(desktop, kChatRoomClasses, before_each);
}

}  // namespace rv::winapi
