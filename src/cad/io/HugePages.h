#pragma once

#include <cstddef>
#include <vector>

namespace vexor::cad {

// Asks the system to back the whole 2 MB pages inside [data, data + bytes) with huge pages.
// A large array filled once, like a million-entity list, then costs one page fault per 2 MB
// instead of one per 4 KB, which on a busy or virtual machine is most of the time spent
// filling it. Does nothing for small ranges or where the system offers no such advice.
void adviseHugePages(const void* data, std::size_t bytes);

// Reserves room for `count` elements and advises huge pages for it.
template <class T> void reserveLarge(std::vector<T>& list, std::size_t count) {
    list.reserve(count);
    adviseHugePages(list.data(), list.capacity() * sizeof(T));
}

// Resizes to `count` elements, the room advised for huge pages before they are written.
template <class T> void resizeLarge(std::vector<T>& list, std::size_t count) {
    reserveLarge(list, count);
    list.resize(count);
}

} // namespace vexor::cad
