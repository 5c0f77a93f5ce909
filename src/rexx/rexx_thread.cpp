#include "rexx/rexx_thread.h"

#include <dlfcn.h>
#include <link.h>
#include <rexxsaa.h>
#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "rexx/rexx_halt.h"

namespace orkan {

namespace {

constexpr size_t kSignalStackBytes = 256 * 1024;

struct StackGuard {
    char* upper = nullptr;  // reaching it halts the program
    char* lower = nullptr;  // reaching it parks the thread
    char* floor = nullptr;  // the lowest the lower guard may move to
    size_t page = 0;
    bool upper_open = false;
    std::atomic<RexxLimit>* limit = nullptr;
    void* signal_stack = nullptr;
    stack_t previous_signal_stack{};
};

thread_local StackGuard* t_guard = nullptr;
struct sigaction g_previous {};

bool Inside(const char* at, const char* page_start, size_t page) {
    return at >= page_start && at < page_start + page;
}

// The interpreter's own machine code. Its size arithmetic overflows before it checks some sizes
// (a string of 2 GiB or more): it then faults reading its own tables, on the program's thread,
// before it writes anything. Such a fault ends that program, not the process.
struct CodeRange {
    uintptr_t begin = 0, end = 0;
};
CodeRange g_interpreter_code;

CodeRange InterpreterCode() {
    struct Search {
        uintptr_t inside;
        CodeRange found;
    } search{reinterpret_cast<uintptr_t>(&RexxStart), {}};
    dl_iterate_phdr(
        [](dl_phdr_info* object, size_t, void* data) {
            auto* s = static_cast<Search*>(data);
            for (int i = 0; i < object->dlpi_phnum; ++i) {
                const ElfW(Phdr)& segment = object->dlpi_phdr[i];
                if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_X)) continue;
                const uintptr_t begin = object->dlpi_addr + segment.p_vaddr;
                if (s->inside >= begin && s->inside < begin + segment.p_memsz) {
                    s->found = {begin, begin + segment.p_memsz};
                    return 1;
                }
            }
            return 0;
        },
        &search);
    return search.found;
}

uintptr_t FaultingInstruction(const void* context) {
    const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    return uintptr_t(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return uintptr_t(uc->uc_mcontext.pc);
#else
    (void)uc;
    return 0;
#endif
}

bool InInterpreter(const void* context) {
    const uintptr_t pc = FaultingInstruction(context);
    return pc >= g_interpreter_code.begin && pc < g_interpreter_code.end;
}

// The thread never runs again; `limit` says `why` (Parked or Faulted).
[[noreturn]] void ParkThisThread(std::atomic<RexxLimit>& limit, RexxLimit why = RexxLimit::Parked) {
    limit.store(why);
    // Whatever reads all threads' stacks (a leak checker, a core dump) must not fault on its guards.
    if (StackGuard* g = t_guard) {
        mprotect(g->upper, g->page, PROT_READ | PROT_WRITE);
        mprotect(g->lower, g->page, PROT_READ | PROT_WRITE);
    }
    sigset_t all;
    sigfillset(&all);
    for (;;) sigsuspend(&all);
}

// The lower guard reached outside the interpreter's code (in the allocator, say): it moves a step
// down, so the next page of the program's descent faults again, most likely in the interpreter's
// own frames. False at the floor.
bool LowerTheGuard(StackGuard& g) {
    constexpr size_t kStep = 64 * 1024;
    if (g.lower < g.floor + kStep) return false;
    char* next = g.lower - kStep;
    if (mprotect(next, g.page, PROT_NONE) != 0) return false;
    mprotect(g.lower, g.page, PROT_READ | PROT_WRITE);
    g.lower = next;
    return true;
}

void OnFault(int signal, siginfo_t* info, void* context) {
    StackGuard* g = t_guard;
    const char* at = static_cast<const char*>(info->si_addr);
    if (g && !g->upper_open && Inside(at, g->upper, g->page)) {
        // The room below lets the interpreter reach its next clause, where the halt ends it.
        mprotect(g->upper, g->page, PROT_READ | PROT_WRITE);
        g->upper_open = true;
        g->limit->store(RexxLimit::Stack);
        HaltThisRexxProgram();
        return;
    }
    // The program trapped the halt and went on: nothing of it may run again, and nothing may end
    // the process for it.
    if (g && Inside(at, g->lower, g->page)) {
        if (!InInterpreter(context) && LowerTheGuard(*g)) return;
        ParkThisThread(*g->limit);
    }
    if (g && InInterpreter(context)) ParkThisThread(*g->limit, RexxLimit::Faulted);
    if (g_previous.sa_flags & SA_SIGINFO) {
        if (g_previous.sa_sigaction) g_previous.sa_sigaction(signal, info, context);
        return;
    }
    if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
        g_previous.sa_handler(signal);
        return;
    }
    // Not a REXX program's depth: the fault comes again and ends the process as it would have.
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigaction(SIGSEGV, &plain, nullptr);
}

void InstallFaultHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        g_interpreter_code = InterpreterCode();
        struct sigaction action {};
        action.sa_sigaction = OnFault;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigaction(SIGSEGV, &action, &g_previous);
    });
}

void* RunBody(void* argument) {
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(argument));
    (*body)();
    return nullptr;
}

char* PageStart(char* p, size_t page) {
    return reinterpret_cast<char*>(reinterpret_cast<uintptr_t>(p) & ~(uintptr_t(page) - 1));
}

}  // namespace

void ParkIfAsked(const void* context) {
    StackGuard* g = t_guard;
    if (g && g->limit->load() == RexxLimit::ParkRequested && InInterpreter(context))
        ParkThisThread(*g->limit);
}

bool RexxThread::Start(std::function<void()> body, std::string& error) {
    InstallFaultHandler();
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    int rc = pthread_attr_setstacksize(&attr, kRexxStackBytes);
    auto* heap = new std::function<void()>(std::move(body));
    if (rc == 0) rc = pthread_create(&thread_, &attr, RunBody, heap);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete heap;
        error = std::strerror(rc);
        return false;
    }
    joinable_ = true;
    return true;
}

void RexxThread::join() {
    if (!joinable_) return;
    pthread_join(thread_, nullptr);
    joinable_ = false;
}

void RexxThread::detach() {
    if (!joinable_) return;
    pthread_detach(thread_);
    joinable_ = false;
}

bool GuardRexxStack(std::atomic<RexxLimit>& limit) {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return false;
    void* base = nullptr;
    size_t size = 0;
    const int rc = pthread_attr_getstack(&attr, &base, &size);
    pthread_attr_destroy(&attr);
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    if (rc != 0 || size < 64 * page) return false;
    auto g = std::make_unique<StackGuard>();
    char* low = static_cast<char*>(base);
    g->upper = PageStart(low + size / 8, page);
    g->lower = PageStart(low + size / 16, page);
    g->floor = PageStart(low + size / 32, page);
    g->page = page;
    g->limit = &limit;
    g->signal_stack = std::malloc(kSignalStackBytes);
    if (!g->signal_stack) return false;
    stack_t ours{};
    ours.ss_sp = g->signal_stack;
    ours.ss_size = kSignalStackBytes;
    if (sigaltstack(&ours, &g->previous_signal_stack) != 0) {
        std::free(g->signal_stack);
        return false;
    }
    if (mprotect(g->upper, page, PROT_NONE) != 0 || mprotect(g->lower, page, PROT_NONE) != 0) {
        mprotect(g->upper, page, PROT_READ | PROT_WRITE);
        sigaltstack(&g->previous_signal_stack, nullptr);
        std::free(g->signal_stack);
        return false;
    }
    t_guard = g.release();
    return true;
}

void ReleaseRexxStackGuard() {
    StackGuard* g = t_guard;
    if (!g) return;
    t_guard = nullptr;
    mprotect(g->upper, g->page, PROT_READ | PROT_WRITE);
    mprotect(g->lower, g->page, PROT_READ | PROT_WRITE);
    // The thread's runtime may free the signal stack it had itself at the thread's end.
    sigaltstack(&g->previous_signal_stack, nullptr);
    std::free(g->signal_stack);
    delete g;
}

}  // namespace orkan
