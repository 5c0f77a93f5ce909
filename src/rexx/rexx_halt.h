// Ending a running REXX program at once. Regina checks its halt flag between clauses, but it sets
// that flag only for the thread that asks (RexxSetHalt acts on the caller's own interpreter): so a
// stop interrupts the task's thread with a signal of its own, whose handler raises the halt there.
// The thread also blocks the signals the program ends by, which Regina would otherwise take over.
#pragma once

#include <atomic>

namespace orkan {

struct RexxTask;

// Once per process: the handler of the halt signal.
void InstallRexxHaltHandler();
// In a task's thread, before its program starts: SIGINT, SIGTERM and SIGHUP blocked (the event loop
// takes them); the thread halts when `halt` is set, and parks when its limit asks for it.
void PrepareRexxThreadSignals(std::atomic<bool>& halt);
// The halt signal let through once the interpreter has this thread's data (the handler must not be
// the one that makes it), and held back again before the thread ends.
void AcceptRexxHalt(bool accept);
// Interrupts the task's thread (a thread that has ended but is not joined yet is fine).
void SendRexxHalt(RexxTask& task);
// From the task's own thread: the program halts at its next clause.
void HaltThisRexxProgram();

}  // namespace orkan
