// The C library's heap set up for a program that loads and drops large pictures all the time.
#pragma once

#include <cstddef>

// Serves blocks below 32 MiB from the heap instead of a mapping of their own. False when the
// C library refused the setting.
bool GxTuneHeap();

// Hands the whole pages inside [data, data + bytes) back to the system; the block stays the
// caller's, and those pages read as zero from then on. For a large block whose parts go out of
// use one after another (a freed heap block would otherwise keep its pages).
void GxReleasePages(void* data, size_t bytes);
