#include "core/GxTextFile.h"

#include "core/GxString.h"

namespace {

class LineSink
{
public:
    LineSink(std::vector<std::u16string>& lines, bool skipEmpty) : m_Lines(lines), m_SkipEmpty(skipEmpty) {}

    std::u16string& Current() { return m_Current; }
    void EndLine()
    {
        if (!(m_SkipEmpty && m_Current.empty())) m_Lines.push_back(std::move(m_Current));
        m_Current.clear();
    }
    void Finish()
    {
        if (!m_Current.empty()) EndLine();
    }

private:
    std::vector<std::u16string>& m_Lines;
    bool m_SkipEmpty;
    std::u16string m_Current;
};

// 8-bit text: the control bytes never occur inside a CP932 or UTF-8 multibyte character, so the
// text is cut at them and each run between them converted on its own. Converting runs
// separately also keeps a dropped CR from joining a stray lead byte to the byte after it.
void DecodeNarrow(LineSink& sink, const uint8_t* data, size_t size, std::u16string (*convert)(std::string_view))
{
    size_t runStart = 0;
    auto flush = [&](size_t runEnd) {
        if (runEnd > runStart)
            sink.Current() += convert(std::string_view(reinterpret_cast<const char*>(data) + runStart, runEnd - runStart));
    };
    size_t i = 0;
    for (; i < size; ++i) {
        uint8_t b = data[i];
        if (b != 0x0A && b != 0x0D && b != 0x0C && b != 0x00) continue;
        flush(i);
        runStart = i + 1;
        if (b == 0x00) break;
        if (b == 0x0A) sink.EndLine();
    }
    if (i == size) flush(size);
    sink.Finish();
}

void DecodeUtf16LE(LineSink& sink, const uint8_t* data, size_t size)
{
    // An odd last byte is half a character and is ignored.
    for (size_t i = 0; i + 1 < size; i += 2) {
        char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) break;
        if (c == u'\n') sink.EndLine();
        else if (c != u'\r' && c != u'\f') sink.Current().push_back(c);
    }
    sink.Finish();
}

}  // namespace

GxTextEncoding GxDetectTextEncoding(const uint8_t* data, size_t size)
{
    if (!data) return GxTextEncoding::Ansi;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) return GxTextEncoding::Utf8;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) return GxTextEncoding::Utf16LE;
    if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) return GxTextEncoding::Utf16BE;
    return GxTextEncoding::Ansi;
}

bool GxDecodeTextLines(std::vector<std::u16string>& lines, const uint8_t* data, size_t size, bool skipEmpty)
{
    if (!data || size == 0) return false;
    LineSink sink(lines, skipEmpty);
    switch (GxDetectTextEncoding(data, size)) {
    case GxTextEncoding::Utf16BE:
        return false;
    case GxTextEncoding::Utf16LE:
        DecodeUtf16LE(sink, data + 2, size - 2);
        break;
    case GxTextEncoding::Utf8:
        DecodeNarrow(sink, data + 3, size - 3, GxUtf8ToWide);
        break;
    case GxTextEncoding::Ansi:
        DecodeNarrow(sink, data, size, GxAnsiToWide);
        break;
    }
    return true;
}
