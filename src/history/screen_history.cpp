#include "history/screen_history.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "ds3270/fields.h"
#include "session/session.h"

namespace orkan {

namespace {

// Find marks follow the screen when the find asks for it.
constexpr uint32_t kFindOnEveryScreen = 0x04;

uint32_t Positions(const PresentationSpace& ps) {
    return std::min(ps.positions, kMaxPositions);
}

constexpr size_t kPlaneCount = 6;
static_assert(sizeof(Planes) == kPlaneCount * sizeof(Plane), "a plane the history does not keep");
// The planes in the order a snapshot keeps them; the display plane first, for the comparison.
std::array<Plane*, kPlaneCount> PlanesOf(Planes& p) {
    return {&p.display, &p.attribute, &p.colour, &p.highlight, &p.charset, &p.host};
}
std::array<const Plane*, kPlaneCount> PlanesOf(const Planes& p) {
    return {&p.display, &p.attribute, &p.colour, &p.highlight, &p.charset, &p.host};
}

}  // namespace

ScreenHistory::ScreenHistory(Session& session) : session_(session) {
    Reset();
}

bool ScreenHistory::Browsing() const {
    return session_.status == SessionStatus::History && live_.Holds();
}

void ScreenHistory::Reset() {
    if (Browsing()) ReturnToLiveScreen();
    live_ = Snapshot{};
    depth_ = 0;
    slots_.clear();
    write_index_ = 0;
    const uint32_t buffers = session_.record.Number(field::ScreenBuffers);
    if (buffers > 0) slots_.resize(size_t(buffers) + 1);
}

void ScreenHistory::SlotCountChanged() {
    Reset();
    TakeHistorySnapshot();
}

size_t ScreenHistory::StoredCount() const {
    return size_t(std::count_if(slots_.begin(), slots_.end(), [](const Snapshot& s) { return s.Holds(); }));
}

void ScreenHistory::Take(Snapshot& into) const {
    const PresentationSpace& ps = session_.ps;
    const uint32_t n = Positions(ps);
    into.cells.resize(size_t(n) * kPlaneCount);
    uint8_t* out = into.cells.data();
    for (const Plane* plane : PlanesOf(ps.planes)) {
        std::memcpy(out, plane->data(), n);
        out += n;
    }
    into.positions = n;
    into.cursor = ps.cursor_address;
    into.size_mode = ps.size_mode;
}

void ScreenHistory::TakeHistorySnapshot() {
    if (slots_.empty()) return;
    const PresentationSpace& ps = session_.ps;
    const uint32_t n = Positions(ps);
    const auto& display = ps.planes.display;
    if (std::all_of(display.begin(), display.begin() + n, [](uint8_t c) { return c <= 0x20; })) return;
    const Snapshot& latest = slots_[Before(write_index_)];
    if (latest.positions == n && latest.size_mode == ps.size_mode &&
        std::memcmp(latest.cells.data(), display.data(), n) == 0)  // the display plane comes first
        return;
    Take(slots_[write_index_]);
    write_index_ = After(write_index_);
}

void ScreenHistory::Show(const Snapshot& from) {
    PresentationSpace& ps = session_.ps;
    if ((from.size_mode == 1 || from.size_mode == 2) && from.size_mode != ps.size_mode)
        EraseScreen(session_, from.size_mode, kKeepPlanes);
    // Cells beyond the snapshot's screen are cleared, as an erase would leave them.
    const uint32_t n = std::min(from.positions, kMaxPositions);
    const uint32_t extent = std::clamp(std::max(ps.used_extent, n), n, kMaxPositions);
    const uint8_t* in = from.cells.data();
    for (Plane* plane : PlanesOf(ps.planes)) {
        std::memcpy(plane->data(), in, n);
        std::fill(plane->begin() + n, plane->begin() + extent, uint8_t(0));
        in += n;
    }
    ps.cursor_address = from.cursor < Positions(ps) ? from.cursor : 0;
    RefreshFieldCount(session_);
}

void ScreenHistory::AfterScreenChange() {
    session_.ps.MarkAllChanged();
    session_.view->RefreshStatusLine();
    session_.view->RepaintAll();
    if ((session_.record.Number(field::FindOptions) & kFindOnEveryScreen) && session_.hooks.find)
        session_.hooks.find->FindAgainAfterScreen();
}

bool ScreenHistory::PreviousScreen() {
    if (slots_.empty()) return false;
    const bool browsing = Browsing();
    // The latest entry is the screen on show when browsing starts, so the first step goes past it.
    const size_t from = browsing ? shown_ : Before(write_index_);
    const size_t candidate = Before(from);
    const uint32_t depth = browsing ? depth_ : 0;
    // The pointer moves only onto a screen, so empty slots never shift what a depth shows.
    if (!slots_[candidate].Holds() || depth >= slots_.size() - 1) return false;
    if (!browsing) {
        Take(live_);
        status_before_ = session_.status;
    }
    shown_ = candidate;
    depth_ = depth + 1;
    session_.status = SessionStatus::History;
    Show(slots_[candidate]);
    AfterScreenChange();
    return true;
}

bool ScreenHistory::NextScreen() {
    if (!Browsing()) return false;
    const size_t candidate = After(shown_);
    if (!slots_[candidate].Holds()) return false;
    if (depth_ <= 1) return ReturnToLiveScreen();
    shown_ = candidate;
    --depth_;
    Show(slots_[candidate]);
    AfterScreenChange();
    return true;
}

bool ScreenHistory::ReturnToLiveScreen() {
    if (!Browsing()) return false;
    Show(live_);
    live_.positions = 0;
    depth_ = 0;
    // The status from before browsing, not UNLOCKED: a keyboard locked while waiting for the host
    // must stay locked, and a disconnected session must not look connected.
    session_.status = status_before_;
    AfterScreenChange();
    return true;
}

void ScreenHistory::RestoreLiveScreen() {
    ReturnToLiveScreen();
}

}  // namespace orkan
