// Compiled into the tests that feed hostile structures to a reader: their
// process gets a bound on its data memory before any test runs, so that a
// reader that runs away on a looping or oversized structure fails its test
// at once (an allocation fails) instead of taking the machine's memory and
// every process beside it.
#include <sys/resource.h>

#include <cstdio>

#ifndef KEL_TEST_MEMORY_LIMIT_MB
#error "KEL_TEST_MEMORY_LIMIT_MB must be defined"
#endif

#if defined(__SANITIZE_ADDRESS__)
#define KEL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KEL_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

bool LimitDataMemory() {
#ifdef KEL_ADDRESS_SANITIZER
    // The sanitizer's shadow memory alone is far beyond any such bound; its
    // own allocator limits catch a runaway there.
    return false;
#else
    constexpr rlim_t kBytes = rlim_t{KEL_TEST_MEMORY_LIMIT_MB} << 20;
    rlimit limit{};
    if (::getrlimit(RLIMIT_DATA, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        limit.rlim_cur <= kBytes) {
        return true;
    }
    limit.rlim_cur = kBytes;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < kBytes) {
        limit.rlim_cur = limit.rlim_max;
    }
    if (::setrlimit(RLIMIT_DATA, &limit) != 0) {
        std::perror("setrlimit(RLIMIT_DATA)");
        return false;
    }
    return true;
#endif
}

[[maybe_unused]] const bool limited = LimitDataMemory();

}  // namespace
