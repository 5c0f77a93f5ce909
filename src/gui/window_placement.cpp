#include "gui/window_placement.h"

#include <algorithm>
#include <climits>

#include "config/session_record.h"

namespace orkan {

namespace {

// Squared distance from a point to a rectangle (0 inside).
int64_t DistanceSquared(const ScreenRect& r, int x, int y) {
    const int64_t dx = x < r.left ? r.left - x : x >= r.left + r.width ? x - (r.left + r.width - 1) : 0;
    const int64_t dy = y < r.top ? r.top - y : y >= r.top + r.height ? y - (r.top + r.height - 1) : 0;
    return dx * dx + dy * dy;
}

}  // namespace

WindowPlacement StoredPlacement(const SessionRecord& record) {
    WindowPlacement p;
    p.frame.left = record.Signed(field::WindowLeft);
    p.frame.top = record.Signed(field::WindowTop);
    p.frame.width = int(record.Number(field::WindowWidth));
    p.frame.height = int(record.Number(field::WindowHeight));
    p.maximised = record.Flag(field::WindowMaximised);
    return p;
}

WindowPlacement PlaceOnScreens(WindowPlacement stored, std::span<const ScreenRect> work_areas,
                               int same_name_sessions, int cascade_x, int cascade_y) {
    WindowPlacement p = stored;
    if (!work_areas.empty()) {
        const bool on_screen = std::any_of(work_areas.begin(), work_areas.end(), [&](const ScreenRect& r) {
            return r.Contains(p.frame.left, p.frame.top);
        });
        if (!on_screen) {
            const ScreenRect* nearest = &work_areas[0];
            int64_t best = INT64_MAX;
            for (const ScreenRect& r : work_areas) {
                const int64_t d = DistanceSquared(r, p.frame.left, p.frame.top);
                if (d < best) {
                    best = d;
                    nearest = &r;
                }
            }
            p.frame.left = nearest->left + kOffScreenInset;
            p.frame.top = nearest->top + kOffScreenInset;
        }
    }
    if (same_name_sessions > 0) {
        p.frame.left += cascade_x * same_name_sessions;
        p.frame.top += cascade_y * same_name_sessions;
    }
    // A size stored on a larger display is made to fit this one, and the window stays on it.
    if (!work_areas.empty()) {
        const ScreenRect* area = &work_areas[0];
        int64_t best = INT64_MAX;
        for (const ScreenRect& r : work_areas) {
            const int64_t d = DistanceSquared(r, p.frame.left, p.frame.top);
            if (d < best) {
                best = d;
                area = &r;
            }
        }
        p.frame.width = std::min(p.frame.width, area->width);
        p.frame.height = std::min(p.frame.height, area->height);
        p.frame.left = std::max(area->left, std::min(p.frame.left, area->left + area->width - p.frame.width));
        p.frame.top = std::max(area->top, std::min(p.frame.top, area->top + area->height - p.frame.height));
    }
    return p;
}

void StorePlacement(SessionRecord& record, const WindowPlacement& now, bool position_known) {
    record.SetNumber(field::WindowMaximised, now.maximised ? 1 : 0);
    if (now.maximised) return;
    if (position_known) {
        record.SetNumber(field::WindowLeft, uint32_t(std::clamp(now.frame.left, -32768, 32767)) & 0xFFFF);
        record.SetNumber(field::WindowTop, uint32_t(std::clamp(now.frame.top, -32768, 32767)) & 0xFFFF);
    }
    record.SetNumber(field::WindowWidth, uint32_t(std::clamp(now.frame.width, 0, 65535)));
    record.SetNumber(field::WindowHeight, uint32_t(std::clamp(now.frame.height, 0, 65535)));
}

}  // namespace orkan
