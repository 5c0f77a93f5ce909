// Where the session window goes: the position and size stored with the session, kept on a screen,
// and remembered again after the user moved or resized it.
#pragma once

#include <optional>
#include <span>

namespace orkan {

class SessionRecord;

struct ScreenRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool Contains(int x, int y) const {
        return x >= left && x < left + width && y >= top && y < top + height;
    }
    bool operator==(const ScreenRect&) const = default;
};

struct WindowPlacement {
    ScreenRect frame;  // left and top of the window frame; width and height of its inside
    bool maximised = false;
    bool operator==(const WindowPlacement&) const = default;
};

inline constexpr int kOffScreenInset = 22;  // a window put back on a screen stands this far inside

WindowPlacement StoredPlacement(const SessionRecord& record);

// The stored position when it lies on a screen; otherwise 22 pixels inside the work area nearest
// to it. Sessions of the same name that already run push it `cascade` further right and down. A
// window larger than its work area takes the work area's size, and one that would reach past its
// edge comes back inside.
WindowPlacement PlaceOnScreens(WindowPlacement stored, std::span<const ScreenRect> work_areas,
                               int same_name_sessions, int cascade_x, int cascade_y);

// After a move or resize: the size (and position, where the window system lets us know it) and
// the maximised flag. A maximised window keeps the size it is restored to.
void StorePlacement(SessionRecord& record, const WindowPlacement& now, bool position_known);

}  // namespace orkan
