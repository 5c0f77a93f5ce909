#include "rexx/rexx_sandbox.h"

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define ORKAN_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORKAN_SANITIZED 1
#endif
#endif

namespace orkan {

namespace {

#if defined(__x86_64__)
constexpr uint32_t kArchitecture = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr uint32_t kArchitecture = AUDIT_ARCH_AARCH64;
#else
constexpr uint32_t kArchitecture = 0;
#endif

// What computing needs. Anything else fails with EPERM, which the interpreter reports as a
// failed service (a stream that cannot be opened is NOTREADY).
constexpr long kAllowed[] = {
    SYS_write,  // waking the event loop; the thread has no file of its own to write to
    SYS_mmap,
    SYS_munmap,
    SYS_mremap,
    SYS_mprotect,
    SYS_madvise,
    SYS_brk,
    SYS_futex,
    SYS_clock_gettime,
    SYS_clock_getres,
    SYS_gettimeofday,
    SYS_clock_nanosleep,
    SYS_sched_yield,
    SYS_getrandom,
    SYS_restart_syscall,
    SYS_rt_sigaction,
    SYS_rt_sigprocmask,
    SYS_rt_sigreturn,
    SYS_rt_sigsuspend,
    SYS_sigaltstack,
    SYS_getpid,
    SYS_gettid,
    SYS_tgkill,
    SYS_exit,
    SYS_exit_group,
#if defined(__x86_64__)
    SYS_nanosleep,
    SYS_time,
#endif
#if defined(ORKAN_SANITIZED)
// The sanitizers' checks tell readable memory by writing it into a pipe of their own.
#if defined(__x86_64__)
    SYS_pipe,
#endif
    SYS_pipe2,
    SYS_close,
    // Before a call that never returns (a parked thread) the sanitizer reads the thread's stack
    // bounds, which asks for the thread's processors.
    SYS_sched_getaffinity,
#endif
};

}  // namespace

bool LockDownRexxThread(std::string& error) {
    if (kArchitecture == 0) {
        error = "this processor has no sandbox for such macros";
        return false;
    }
    std::vector<sock_filter> filter;
    filter.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)));
    filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArchitecture, 1, 0));
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM));
    filter.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
#if defined(__x86_64__)
    // The x32 numbering of the same calls is not this program's.
    filter.push_back(BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, 0x40000000u, 0, 1));
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM));
#endif
    for (long call : kAllowed) {
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, uint32_t(call), 0, 1));
        filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    }
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM));
    sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        syscall(__NR_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) != 0) {
        error = std::string("the system refused the sandbox: ") + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace orkan
