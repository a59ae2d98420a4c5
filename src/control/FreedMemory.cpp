#include "FreedMemory.h"

#include <malloc.h>
#include <mutex>

namespace vexor::control {

namespace {
// Blocks from this size on are mapped on their own. The C library raises its own threshold each
// time such a block is freed, after which a drawing's large blocks land inside the heap and
// leave it fragmented when freed; a fixed threshold keeps them apart. Smaller blocks stay in the
// heap, where the next load reuses them without the system clearing fresh pages for it.
constexpr int kSeparateBlockBytes = 4 * 1024 * 1024;
} // namespace

void mapLargeBlocksSeparately() {
    static std::once_flag once;
    std::call_once(once, [] { mallopt(M_MMAP_THRESHOLD, kSeparateBlockBytes); });
}

void returnFreedMemory() {
    malloc_trim(0);
}

} // namespace vexor::control
