#include "peers/shared_area.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orkan {

namespace {

constexpr size_t kPidOffset = 0;
constexpr size_t kNameOffset = 8;
// 268 on: free (a macro request's text travels in its message).

// Holds a flock for one scope.
class FlockGuard {
  public:
    FlockGuard(int fd, int operation) : fd_(fd) {
        while (::flock(fd_, operation) != 0 && errno == EINTR) {
        }
    }
    ~FlockGuard() { ::flock(fd_, LOCK_UN); }
    FlockGuard(const FlockGuard&) = delete;
    FlockGuard& operator=(const FlockGuard&) = delete;

  private:
    int fd_;
};

std::string ErrorText(const std::string& what, int error) {
    return what + " (" + std::strerror(error) + ").";
}

int OpenLockFile(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) error = ErrorText("The lock file " + path + " cannot be opened", errno);
    return fd;
}

std::string ReadText(const uint8_t* at) {
    const auto* text = reinterpret_cast<const char*>(at);
    return std::string(text, ::strnlen(text, kSlotTextSize - 1));
}

void WriteText(uint8_t* at, std::string_view text) {
    const size_t n = std::min(text.size(), kSlotTextSize - 1);
    std::memset(at, 0, kSlotTextSize);
    std::memcpy(at, text.data(), n);
}

int32_t ReadPid(const uint8_t* slot) {
    int32_t pid = 0;
    std::memcpy(&pid, slot + kPidOffset, sizeof pid);
    return pid;
}

void WritePid(uint8_t* slot, int32_t pid) {
    std::memcpy(slot + kPidOffset, &pid, sizeof pid);
}

}  // namespace

std::optional<int> SlotOfLetter(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = char(letter - 'a' + 'A');
    const size_t at = kSessionLetters.find(letter);
    if (at == std::string_view::npos) return std::nullopt;
    return int(at);
}

std::unique_ptr<SharedArea> SharedArea::Open(const RuntimeFolder& folder, std::string& error) {
    std::unique_ptr<SharedArea> area(new SharedArea);
    area->name_ = folder.shm_name;
    area->claim_fd_ = OpenLockFile(folder.path + "/commonarea.lock", error);
    if (area->claim_fd_ < 0) return nullptr;
    area->slots_fd_ = OpenLockFile(folder.path + "/slots.lock", error);
    if (area->slots_fd_ < 0) return nullptr;
    FlockGuard lock(area->claim_fd_, LOCK_EX);
    if (!area->MapCurrent(error)) return nullptr;
    return area;
}

namespace {

// The area's name is known to every user: one who made it first keeps this user out. Say so, and
// what helps.
std::string TakenByAnotherUser(const std::string& name, uid_t owner) {
    return "The shared area /dev/shm" + name + " was made by another user (uid " + std::to_string(owner) +
           "), which keeps this user's sessions from meeting there: ask the administrator to remove it, "
           "or set XDG_RUNTIME_DIR to a private folder of yours, whose sessions get an area of their own.";
}

}  // namespace

bool SharedArea::MapCurrent(std::string& error) {
    const int fd = ::shm_open(name_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        const int open_error = errno;
        struct stat taken {};
        if (open_error == EACCES && ::lstat(("/dev/shm" + name_).c_str(), &taken) == 0 &&
            taken.st_uid != ::getuid())
            error = TakenByAnotherUser(name_, taken.st_uid);
        else
            error = ErrorText("The shared area " + name_ + " cannot be opened", open_error);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = ErrorText("The shared area " + name_ + " cannot be examined", errno);
        ::close(fd);
        return false;
    }
    if (base_ != nullptr && st.st_ino == inode_) {
        ::close(fd);
        return true;
    }
    if (st.st_uid != ::getuid()) {
        ::close(fd);
        error = TakenByAnotherUser(name_, st.st_uid);
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        ::close(fd);
        error = "The shared area " + name_ + " can be reached by other users; it is not used.";
        return false;
    }
    bool usable = size_t(st.st_size) >= kSharedAreaSize || ::ftruncate(fd, off_t(kSharedAreaSize)) == 0;
    void* map =
        usable ? ::mmap(nullptr, kSharedAreaSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    const int map_error = errno;
    ::close(fd);
    if (map == MAP_FAILED) {
        error = ErrorText("The shared area " + name_ + " cannot be mapped", map_error);
        return false;
    }
    if (base_ != nullptr) ::munmap(base_, kSharedAreaSize);
    base_ = static_cast<uint8_t*>(map);
    inode_ = st.st_ino;
    return true;
}

SharedArea::~SharedArea() {
    if (base_ != nullptr) {
        Release();
        ::munmap(base_, kSharedAreaSize);
    }
    if (slots_fd_ >= 0) ::close(slots_fd_);
    if (claim_fd_ >= 0) ::close(claim_fd_);
}

bool SharedArea::LockHeldByOther(int slot) const {
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = slot;
    probe.l_len = 1;
    // Our own lock never conflicts with itself, so the own slot reads as not held by another.
    if (::fcntl(slots_fd_, F_OFD_GETLK, &probe) != 0) return true;  // unknown: do not take it
    return probe.l_type != F_UNLCK;
}

bool SharedArea::LockSlot(int slot) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = slot;
    lock.l_len = 1;
    return ::fcntl(slots_fd_, F_OFD_SETLK, &lock) == 0;
}

void SharedArea::UnlockSlot(int slot) {
    struct flock lock {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = slot;
    lock.l_len = 1;
    ::fcntl(slots_fd_, F_OFD_SETLK, &lock);
}

void SharedArea::ClearSlot(int slot) {
    std::memset(Slot(slot), 0, kSlotSize);
}

ClaimResult SharedArea::Claim(std::optional<int> requested, std::string_view session_name) {
    ClaimResult result;
    if (own_slot_) {
        result.slot = own_slot_;
        return result;
    }
    FlockGuard lock(claim_fd_, LOCK_EX);
    // The last session to leave removes the area; one opened before that must not be used.
    if (std::string error; !MapCurrent(error)) {
        result.error = error;
        return result;
    }
    std::array<bool, kSlotCount> free{};
    for (int i = 0; i < kSlotCount; ++i) {
        free[size_t(i)] = !LockHeldByOther(i);
        // What a killed session left behind.
        if (free[size_t(i)] && ReadPid(Slot(i)) != 0) ClearSlot(i);
        if (!free[size_t(i)] && !session_name.empty() && ReadText(Slot(i) + kNameOffset) == session_name)
            ++result.same_name;
    }
    auto take = [&](int i) {
        if (!free[size_t(i)] || !LockSlot(i)) return false;
        ClearSlot(i);
        WritePid(Slot(i), int32_t(::getpid()));
        WriteText(Slot(i) + kNameOffset, session_name);
        own_slot_ = i;
        return true;
    };
    if (requested && *requested >= 0 && *requested < kSlotCount) take(*requested);
    for (int i = 0; i < kSlotCount && !own_slot_; ++i) take(i);
    result.slot = own_slot_;
    return result;
}

void SharedArea::Release() {
    if (!own_slot_) return;
    FlockGuard lock(claim_fd_, LOCK_EX);
    ClearSlot(*own_slot_);
    UnlockSlot(*own_slot_);
    own_slot_.reset();
    // POSIX keeps an area after its last user, so the last session to leave removes it.
    bool anyone = false;
    for (int i = 0; i < kSlotCount && !anyone; ++i) anyone = LockHeldByOther(i);
    if (!anyone) ::shm_unlink(name_.c_str());
}

std::array<SlotView, kSlotCount> SharedArea::ReadSlots() const {
    std::array<SlotView, kSlotCount> slots;
    FlockGuard lock(claim_fd_, LOCK_SH);
    for (int i = 0; i < kSlotCount; ++i) {
        if (own_slot_ != i && !LockHeldByOther(i)) continue;
        slots[size_t(i)].pid = ReadPid(Slot(i));
        slots[size_t(i)].name = ReadText(Slot(i) + kNameOffset);
    }
    return slots;
}

bool SharedArea::IsOccupied(int slot) const {
    if (slot < 0 || slot >= kSlotCount) return false;
    FlockGuard lock(claim_fd_, LOCK_SH);
    return own_slot_ == slot || LockHeldByOther(slot);
}

void SharedArea::SetOwnName(std::string_view session_name) {
    if (!own_slot_) return;
    FlockGuard lock(claim_fd_, LOCK_EX);
    WriteText(Slot(*own_slot_) + kNameOffset, session_name);
}

}  // namespace orkan
