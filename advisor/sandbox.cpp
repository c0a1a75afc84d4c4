// SPDX-License-Identifier: GPL-3.0-or-later
#include "advisor/sandbox.h"

#include <fcntl.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace zarn {

namespace {

// The descriptors the helper keeps: 0 the request, 1 the answer, 2 /dev/null.
constexpr rlim_t kDescriptors = 3;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

bool Limit(int resource, rlim_t soft, rlim_t hard) {
    const rlimit limit{soft, hard};
    return ::setrlimit(resource, &limit) == 0;
}

}  // namespace

bool LimitProcess() {
    bool ok = Limit(RLIMIT_CORE, 0, 0) && Limit(RLIMIT_FSIZE, 0, 0) && Limit(RLIMIT_NPROC, 0, 0) &&
              Limit(RLIMIT_NOFILE, kDescriptors, kDescriptors) &&
              Limit(RLIMIT_CPU, kHelperCpuSeconds, kHelperCpuSeconds + 1);
    // AddressSanitizer reserves terabytes of shadow memory: a sanitizer
    // build keeps the engine's own memory bound only.
    if (!kAddressSanitizer) ok = ok && Limit(RLIMIT_AS, kHelperMemoryMB << 20, kHelperMemoryMB << 20);
    return ok;
}

// Everything not allowed fails with EPERM: the engine sees a function fail
// (an open returns FALSE) rather than the helper vanishing.
bool FilterSyscalls() {
    scmp_filter_ctx filter = ::seccomp_init(SCMP_ACT_ERRNO(EPERM));
    if (filter == nullptr) return false;
    const auto allow = [filter](int call, unsigned count = 0, const scmp_arg_cmp* args = nullptr) {
        return ::seccomp_rule_add_array(filter, SCMP_ACT_ALLOW, call, count, args) == 0;
    };
    const scmp_arg_cmp request = SCMP_A0(SCMP_CMP_EQ, 0);
    const scmp_arg_cmp answer = SCMP_A0(SCMP_CMP_EQ, 1);
    const scmp_arg_cmp discarded = SCMP_A0(SCMP_CMP_EQ, 2);
    // Memory may be mapped, never made executable.
    const scmp_arg_cmp noExecMap = SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0);
    const scmp_arg_cmp self = SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(::getpid()));
    bool ok = allow(SCMP_SYS(read), 1, &request) && allow(SCMP_SYS(write), 1, &answer) &&
              allow(SCMP_SYS(write), 1, &discarded) && allow(SCMP_SYS(writev), 1, &discarded) &&
              allow(SCMP_SYS(close)) && allow(SCMP_SYS(brk)) && allow(SCMP_SYS(mmap), 1, &noExecMap) &&
              allow(SCMP_SYS(mprotect), 1, &noExecMap) && allow(SCMP_SYS(munmap)) && allow(SCMP_SYS(mremap)) &&
              allow(SCMP_SYS(madvise)) && allow(SCMP_SYS(futex)) && allow(SCMP_SYS(getrandom)) &&
              allow(SCMP_SYS(clock_gettime)) && allow(SCMP_SYS(clock_getres)) && allow(SCMP_SYS(gettimeofday)) &&
              allow(SCMP_SYS(time)) && allow(SCMP_SYS(getpid)) && allow(SCMP_SYS(gettid)) &&
              allow(SCMP_SYS(rt_sigprocmask)) && allow(SCMP_SYS(rt_sigaction)) && allow(SCMP_SYS(rt_sigreturn)) &&
              allow(SCMP_SYS(tgkill), 1, &self) && allow(SCMP_SYS(exit)) && allow(SCMP_SYS(exit_group)) &&
              // The alternate signal stack: AddressSanitizer reads it when the helper leaves.
              allow(SCMP_SYS(sigaltstack));
    ok = ok && ::seccomp_load(filter) == 0;
    ::seccomp_release(filter);
    return ok;
}

}  // namespace zarn
