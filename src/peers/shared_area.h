// The area through which the sessions of one user see each other: 36 slots of 528 bytes in POSIX
// shared memory, one per session letter. A slot holds the owning process id, the session name and
// a request text another session leaves for it (a macro to run).
//
// Ownership is not the process id: each session holds a lock on its own slot (an open-file-
// description lock on byte i of "slots.lock" in the runtime folder) for as long as it lives, and
// the kernel drops the lock when the process dies. A slot whose lock is free is free, whatever
// process id it still shows (killed sessions, reused ids). Claims and releases are made under an
// exclusive flock of "commonarea.lock", so two sessions starting at once never take one slot. The
// last session to leave removes the area (POSIX would keep it forever); a claim always maps the
// area that is current under the lock.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "peers/runtime_folder.h"

namespace orkan {

inline constexpr int kSlotCount = 36;
inline constexpr size_t kSlotSize = 528;
inline constexpr size_t kSharedAreaSize = kSlotCount * kSlotSize;  // 19008
inline constexpr size_t kSlotTextSize = 260;                       // name and request, NUL included
inline constexpr std::string_view kSessionLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
inline constexpr uint8_t kNoSlot = 255;

// Slot of a letter (A-Z, a-z as A-Z, 0-9), or none.
std::optional<int> SlotOfLetter(char letter);
inline char LetterOfSlot(int slot) {
    return kSessionLetters[size_t(slot)];
}

struct SlotView {
    int32_t pid = 0;  // 0: free
    std::string name;
};

struct ClaimResult {
    std::optional<int> slot;  // none: every slot is taken, or the area failed (error)
    std::string error;
    int same_name = 0;  // other running sessions with the same session name
};

class SharedArea {
  public:
    // Opens (creating when needed) the area of `folder` and its lock files. None, with `error` set,
    // when the area cannot be used: it is not this user's, has other rights than 0600, or cannot be
    // mapped.
    static std::unique_ptr<SharedArea> Open(const RuntimeFolder& folder, std::string& error);
    ~SharedArea();  // releases the own slot
    SharedArea(const SharedArea&) = delete;
    SharedArea& operator=(const SharedArea&) = delete;

    // Takes the requested slot when it is free, else the first free one, and writes this process's
    // id and `session_name` into it.
    [[nodiscard]] ClaimResult Claim(std::optional<int> requested, std::string_view session_name);
    // Clears the own slot and lets its lock go.
    void Release();
    std::optional<int> OwnSlot() const { return own_slot_; }

    // Every slot as it stands; free slots (lock not held) read as pid 0 with no name.
    std::array<SlotView, kSlotCount> ReadSlots() const;
    bool IsOccupied(int slot) const;

    void SetOwnName(std::string_view session_name);

  private:
    SharedArea() = default;
    uint8_t* Slot(int i) const { return base_ + size_t(i) * kSlotSize; }
    // Maps the area now named (creating it when missing), under the claim lock.
    bool MapCurrent(std::string& error);
    bool LockHeldByOther(int slot) const;
    bool LockSlot(int slot);
    void UnlockSlot(int slot);
    void ClearSlot(int slot);

    std::string name_;
    uint8_t* base_ = nullptr;
    ino_t inode_ = 0;
    int claim_fd_ = -1;  // flock: claims, releases and request texts
    int slots_fd_ = -1;  // byte i locked by the owner of slot i
    std::optional<int> own_slot_;
};

}  // namespace orkan
