#pragma once

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vexor::cad {

// Keeps blocks of a megabyte and more in mappings of their own, given back to the system when
// freed. glibc otherwise raises that threshold each time such a block is freed, after which
// blocks of that size come from the heap and stay with the process: the megabyte-sized parts
// a large drawing is compiled in, dropped once joined, then add tens of megabytes to the peak
// of a load (36 MB on a million entities). Programs call this once, before any load.
inline void returnLargeBlocksWhenFreed() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

} // namespace vexor::cad
