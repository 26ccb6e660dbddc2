#pragma once
// Makes a fuzz run fail when it holds more heap than a budget at once: every large allocation
// compares the bytes allocated now with those at the start of the run. libFuzzer's own
// -malloc_limit_mb sees single allocations only, and -rss_limit_mb counts the whole process.
#include <sanitizer/allocator_interface.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>

namespace orb::fuzz {

class MemoryBudget {
  public:
    explicit MemoryBudget(size_t bytes) {
        install();
        base() = __sanitizer_get_current_allocated_bytes();
        budget() = bytes;
    }
    ~MemoryBudget() { budget() = 0; }
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

  private:
    static size_t& base() {
        static size_t b = 0;
        return b;
    }
    static size_t& budget() {
        static size_t b = 0;
        return b;
    }
    static void onMalloc(const volatile void*, size_t size) {
        if (budget() == 0 || size < (64u << 10)) return;
        const size_t held = __sanitizer_get_current_allocated_bytes() - base();
        if (held <= budget()) return;
        std::fprintf(stderr, "==memory budget== the run holds %zu MB, more than its %zu MB\n", held >> 20,
                     budget() >> 20);
        std::abort();
    }
    static void onFree(const volatile void*) {}
    static void install() {
        static const bool installed = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
        (void)installed;
    }
};

}  // namespace orb::fuzz
