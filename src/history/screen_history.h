// The ring of earlier screens: a snapshot after every host write that restores the keyboard,
// and browsing back and forth through them while the live screen waits aside.
#pragma once

#include <cstdint>
#include <vector>

#include "screen/presentation_space.h"
#include "session/session_hooks.h"
#include "session/session_status.h"

namespace orkan {

struct Session;

class ScreenHistory final : public ScreenHistoryHook {
  public:
    explicit ScreenHistory(Session& session);

    // Empties the ring and sizes it anew from SCREENBUFFERS (one slot more; none for 0): at the
    // start of every connection. An earlier screen on show gives way to the live one first.
    void Reset() override;
    // SCREENBUFFERS changed: the ring anew, and the current screen as its first entry.
    void SlotCountChanged() override;

    // Skips a blank screen and one equal to the latest entry.
    void TakeHistorySnapshot() override;
    // Leaving the history because a host record arrived: the live screen and the status it had.
    void RestoreLiveScreen() override;

    // Each returns whether the screen changed.
    bool PreviousScreen() override;
    bool NextScreen() override;
    bool ReturnToLiveScreen() override;

    size_t SlotCount() const { return slots_.size(); }
    size_t StoredCount() const;
    uint32_t Depth() const override { return depth_; }

  private:
    // Only the cells of the screen as it was: a 24x80 screen keeps 11.5 KB, not the 120 KB of the
    // largest buffer, so a full ring stays small.
    struct Snapshot {
        std::vector<uint8_t> cells;  // the six planes of `positions` cells, one after another
        uint32_t positions = 0;      // 0: no screen
        uint32_t cursor = 0;
        uint8_t size_mode = 1;
        bool Holds() const { return positions != 0; }
    };

    bool Browsing() const;
    void Take(Snapshot& into) const;
    void Show(const Snapshot& from);
    void AfterScreenChange();
    size_t Before(size_t slot) const { return slot == 0 ? slots_.size() - 1 : slot - 1; }
    size_t After(size_t slot) const { return slot + 1 == slots_.size() ? 0 : slot + 1; }

    Session& session_;
    std::vector<Snapshot> slots_;
    size_t write_index_ = 0;

    // While browsing.
    size_t shown_ = 0;
    uint32_t depth_ = 0;
    Snapshot live_;
    SessionStatus status_before_ = SessionStatus::Unlocked;
};

}  // namespace orkan
