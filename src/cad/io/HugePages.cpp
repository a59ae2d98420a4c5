#include "HugePages.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace vexor::cad {
namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

} // namespace

void adviseHugePages(const void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    if (!data || bytes < 2 * kHugePage || start > UINTPTR_MAX - bytes)
        return;
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (start + bytes) & ~(kHugePage - 1);
    if (last > first)
        // Advice only: where it is refused the pages stay as they were.
        (void)madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

} // namespace vexor::cad
