#pragma once

#include <malloc.h>

// Long work (a printed listing, above all) takes and frees large buffers page after page. By
// default the C library hands the larger ones back to the system at once and faults them in
// afresh the next time: a fifth of a listing's time went to that. Buffers up to 32 MiB come
// from the heap instead, and up to 128 MiB of freed heap is kept for the next one.
inline void keepFreedMemoryAtHand()
{
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
}
