// Fuzz target: the binary content reader over arbitrary bytes, through every read operation.
// Input: one byte n, then n operation choices, then the stream.
#include <cstddef>
#include <cstdint>

#include "core/GxContentReader.h"
#include "core/GxLog.h"
#include "tests/support/GxContentFuzzDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = (GxSetErrorLogPath(u"/dev/null"), true);
    (void)once;
    if (size == 0) return 0;
    size_t ops = data[0] < size - 1 ? data[0] : size - 1;
    const uint8_t* stream = data + 1 + ops;
    size_t length = size - 1 - ops;
    // The reader gets a block of its own, so that reading a byte past it is caught.
    GxBinBuffer buffer(static_cast<uint32_t>(length));
    for (size_t i = 0; i < length; ++i) buffer.GetBuffer()[i] = stream[i];
    GxContentBinaryReader reader(buffer);
    GxContentFuzzDrive(reader, data + 1, ops);
    return 0;
}
