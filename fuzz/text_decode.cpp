// Text files from the game folder (data tables, content text) decoded into lines, then the
// scanners that later readers run over those lines.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/GxNumber.h"
#include "core/GxTextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (bool skipEmpty : {false, true}) {
        std::vector<std::u16string> lines;
        bool ok = GxDecodeTextLines(lines, data, size, skipEmpty);
        if (!ok && !lines.empty()) abort();
        for (const std::u16string& line : lines) {
            if (skipEmpty && line.empty()) abort();
            for (char16_t c : line)
                if (c == u'\n' || c == u'\r' || c == u'\f' || c == 0) abort();
            if (skipEmpty) continue;

            const char16_t* begin = line.c_str();
            const char16_t* end = begin + line.size();
            const char16_t* stop = nullptr;
            GxWStrToInt64(begin, &stop, 0, false);
            if (stop < begin || stop > end) abort();
            GxWStrToInt(begin, &stop, 16, true);
            if (stop < begin || stop > end) abort();
            int length = -1;
            GxScanNumberToken(begin, &length, end);
            if (length < 0 || length > static_cast<int>(line.size())) abort();
            for (const char16_t* p = begin; p < end; ++p) {
                if (*p != u'"') continue;
                std::u16string text;
                uint32_t count = 0;
                const char16_t* after = nullptr;
                GxReadQuotedText(text, p, &after, &count, end);
                if (after <= p || after > end || text.size() > static_cast<size_t>(after - p)) abort();
            }
        }
    }
    return 0;
}
