// Fuzz target: the text content reader over arbitrary bytes, through every read operation, and
// the line and quoted-text scanners it is built on.
// Input: one byte n, then n operation choices, then the stream.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/GxContentTextReader.h"
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
    GxBinBuffer buffer(static_cast<uint32_t>(length));
    for (size_t i = 0; i < length; ++i) buffer.GetBuffer()[i] = stream[i];
    GxContentTextReader reader(buffer);
    GxContentFuzzDrive(reader, data + 1, ops);

    // The scanners on their own, line by line over the same bytes.
    const char* p = reinterpret_cast<const char*>(buffer.GetBuffer());
    const char* end = p + length;
    uint32_t line = 0;
    std::string quoted;
    for (int i = 0; i < 4096 && p < end && *p; ++i) {
        const char* next = p;
        std::string text = GxReadLineA(p, &next, &line, end);
        GxReadQuotedTextA(quoted, text.data(), nullptr, &line, text.data() + text.size());
        if (next == p) break;
        p = next;
    }
    return 0;
}
