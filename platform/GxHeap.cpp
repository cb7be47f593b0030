#include "platform/GxHeap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

bool GxTuneHeap()
{
    // By default a block of 128 KiB or more (a decoded picture, a texture's CPU copy, the GL
    // driver's storage of a texture) is a mapping of its own: every page of it is faulted in
    // and zeroed by the kernel, and it is unmapped when freed, so the next picture pays all of
    // that again (7 ms for one 1024 x 768 picture on a virtual machine). From the heap, a
    // freed block is used again; the top of the heap is still given back beyond 128 KiB.
    return mallopt(M_MMAP_THRESHOLD, 32 << 20) == 1;
}

void GxReleasePages(void* data, size_t bytes)
{
    static const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (begin + page - 1) & ~(page - 1);
    const uintptr_t end = (begin + bytes) & ~(page - 1);
    if (!data || end <= first) return;
    madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED);
}
