#include "rexx/rexx_halt.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <mutex>

#define INCL_REXXSAA
#include <rexxsaa.h>

#include "rexx/rexx_task.h"
#include "rexx/rexx_thread.h"

namespace orkan {

namespace {

int HaltSignal() {
    return SIGRTMIN + 4;
}

// The task's flag as its own thread's signal handler reads it.
thread_local std::atomic<bool>* t_halt = nullptr;

void OnHaltSignal(int, siginfo_t*, void* context) {
    ParkIfAsked(context);
    if (t_halt && t_halt->load()) HaltThisRexxProgram();
}

}  // namespace

void InstallRexxHaltHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = OnHaltSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_SIGINFO;
        sigaction(HaltSignal(), &action, nullptr);
    });
}

void PrepareRexxThreadSignals(std::atomic<bool>& halt) {
    t_halt = &halt;
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGHUP);
    sigaddset(&ending, HaltSignal());
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
}

void AcceptRexxHalt(bool accept) {
    sigset_t halt_set;
    sigemptyset(&halt_set);
    sigaddset(&halt_set, HaltSignal());
    pthread_sigmask(accept ? SIG_UNBLOCK : SIG_BLOCK, &halt_set, nullptr);
}

void SendRexxHalt(RexxTask& task) {
    if (task.thread.joinable()) pthread_kill(task.thread.native_handle(), HaltSignal());
}

void HaltThisRexxProgram() {
    RexxSetHalt(LONG(getpid()), 0);
}

}  // namespace orkan
