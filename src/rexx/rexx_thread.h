// A REXX task's thread. Regina recurses on the machine stack for every call and keeps no count of
// its own, so a program that calls itself without end would run off any stack and take the whole
// program with it. The thread gets a deep stack with two guard pages in it: reaching the upper one
// halts the program (it ends with a REXX error and its thread unwinds through the room below); a
// program that traps the halt and goes on down to the lower one is parked for good, its thread
// asleep and nothing of the interpreter run again. A thread is parked only where it was stopped in
// the interpreter's own code: stopped inside the allocator or the C library it would hold their
// locks for good, and the rest of the process (its exit included) would wait for them.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

namespace orkan {

inline constexpr size_t kRexxStackBytes = size_t(64) << 20;

// Why a task's program was stopped by the program itself rather than by the user. A program that
// traps the halt and goes on growing is parked: asked of its thread (ParkRequested), done by it.
// One whose interpreter faulted in its own code (sizes beyond what it checks) is parked at once.
enum class RexxLimit : uint8_t { None, Stack, Memory, ParkRequested, Parked, Faulted };

class RexxThread {
  public:
    RexxThread() = default;
    RexxThread(const RexxThread&) = delete;
    RexxThread& operator=(const RexxThread&) = delete;

    // Runs `body` on a new thread with the deep stack; false and `error` when none can be made.
    bool Start(std::function<void()> body, std::string& error);
    bool joinable() const { return joinable_; }
    void join();
    void detach();
    pthread_t native_handle() const { return thread_; }

  private:
    pthread_t thread_{};
    bool joinable_ = false;
};

// In the task's thread before its program: the guard pages and the signal stack their fault is
// handled on. `limit` becomes Stack when the program is halted for depth, Parked when it is parked.
// False when the guard cannot be set (the program must not run then).
[[nodiscard]] bool GuardRexxStack(std::atomic<RexxLimit>& limit);
// Before the thread ends (its stack may serve another thread): the guard pages made plain again.
void ReleaseRexxStackGuard();
// From a signal handler on the task's own thread, stopped at `context`: parks the thread when its
// program was asked to be parked (ParkRequested) and the thread is in the interpreter's own code.
// Elsewhere the request waits for the next signal.
void ParkIfAsked(const void* context);

}  // namespace orkan
