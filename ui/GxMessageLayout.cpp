#include "ui/GxMessageLayout.h"

#include <algorithm>
#include <limits>

#include "app/GxCore.h"
#include "core/GxCharClass.h"
#include "core/GxDrawKey.h"
#include "core/GxLog.h"
#include "core/GxNumber.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "ui/GxUISettings.h"

namespace {

int32_t Saturate(int64_t v) { return GxMessageSaturate(v); }

// A stored position as a whole number; NaN and values far outside the screen become 0.
int64_t PixelOf(float f) { return f > -1.0e9f && f < 1.0e9f ? static_cast<int64_t>(f) : 0; }

bool InList(const std::u16string* list, char16_t c)
{
    return c != 0 && list && list->find(c) != std::u16string::npos;
}

}  // namespace

int32_t GxMessageSaturate(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

GxUISettings& GxMessageSystemConfig()
{
    static GxUISettings defaults;
    GxCore* core = GxGetCore();
    GxUISettings* sc = core ? core->GetUISettings() : nullptr;
    return sc ? *sc : defaults;
}

GxUIOptions& GxMessageUserConfig()
{
    static GxUIOptions defaults;
    GxCore* core = GxGetCore();
    GxUIOptions* uc = core ? core->GetUIOptions() : nullptr;
    return uc ? *uc : defaults;
}

int32_t GxMessageCharPixelWidth(char16_t c, int32_t size)
{
    return Saturate(static_cast<int64_t>(GxGetCharWidth(c)) * size / 2);
}

int32_t GxMessageCheckFontIndex(int32_t index, int32_t def, const char* className, const char* operation)
{
    if (index >= 0 && index < GxUISettings::kFontSizeCount) return index;
    GxPrintErrorLogA("%s/%s:font index out of range(%d)\n", className, operation, index);
    return def;
}

int32_t GxMessageFontSize(int32_t index)
{
    if (index < 0 || index >= GxUISettings::kFontSizeCount) return 0;
    return GxMessageSystemConfig().m_FontSize[index];
}

int32_t GxMessageLayout::SetTextFont(int32_t index, const char* className)
{
    m_TextFontIndex = GxMessageCheckFontIndex(index, kDefaultTextFont, className, "SetTextFont");
    return m_TextFontSize = GxMessageFontSize(m_TextFontIndex);
}

int32_t GxMessageLayout::SetRubyFont(int32_t index, const char* className)
{
    m_RubyFontIndex = GxMessageCheckFontIndex(index, kDefaultRubyFont, className, "SetRubyFont");
    return m_RubyFontSize = GxMessageFontSize(m_RubyFontIndex);
}

void GxMessageLayout::SetTextRegion(int32_t left, int32_t top, int32_t width, int32_t height)
{
    m_TextRegionLeft = left;
    m_TextRegionTop = top;
    m_TextRegionWidth = width;
    m_TextRegionHeight = height;
}

void GxMessageLayout::Bind(uint32_t resetColor)
{
    const GxUISettings& sc = GxMessageSystemConfig();
    const GxUIOptions& uc = GxMessageUserConfig();
    m_LineStartForbidden = &sc.m_LineStartForbidden;
    m_LineEndForbidden = &sc.m_LineEndForbidden;
    m_RubyOpen = sc.m_TextControlChar1;
    m_RubyClose = sc.m_TextControlChar2;
    m_RubySeparator = sc.m_TextControlChar3;
    m_CharWait = uc.m_TextWaitTime;
    m_LongWait = uc.m_TextLongWaitTime;
    m_ResetColor = resetColor;
}

void GxMessageLayout::AddWait(int64_t ms) { m_WaitTimeLeft = Saturate(static_cast<int64_t>(m_WaitTimeLeft) + ms); }

void GxMessageLayout::ClampProcessPos()
{
    m_ProcessPos = std::clamp<int32_t>(m_ProcessPos, 0, Saturate(static_cast<int64_t>(m_pText->size())));
}

void GxMessageLayout::NewLine()
{
    m_CursorX = 0;
    m_CursorY = Saturate(static_cast<int64_t>(m_CursorY) + m_TextTotalHeight);
}

void GxMessageLayout::NewPage()
{
    m_CursorX = m_CursorY = 0;
    m_ShowChars.clear();
    m_Rubies.clear();
}

bool GxMessageLayout::ScanNumber(uint32_t& value)
{
    const std::u16string& t = *m_pText;
    const char16_t* start = t.data() + m_ProcessPos;
    int length = 0;
    if (GxScanNumberToken(start, &length, t.data() + t.size()) == 0 || length <= 0) return false;
    // Only the scanned characters are converted: "+0x10" scans as "+0" and must not read on.
    const std::u16string token(start, static_cast<size_t>(length));
    value = static_cast<uint32_t>(GxWStrToInt(token.c_str(), nullptr, 0, false));
    m_ProcessPos += length;
    return true;
}

bool GxMessageLayout::EndOfText()
{
    m_RubyMode = false;
    if (m_EnableAutoClickWait) m_ClickWaiting = true;
    return true;
}

bool GxMessageLayout::ProcessNextChar()
{
    const std::u16string& t = *m_pText;
    const int32_t n = static_cast<int32_t>(std::min<size_t>(t.size(), std::numeric_limits<int32_t>::max()));
    auto at = [&](int32_t i) -> char16_t { return i >= 0 && i < n ? t[static_cast<size_t>(i)] : u'\0'; };
    int32_t& p = m_ProcessPos;
    if (p < 0) p = 0;
    if (p >= n) {
        m_RubyMode = false;
        return true;
    }
    for (;;) {
        if (m_RubyMode) {
            // Inside a group's base no command is recognised; the separator starts the reading,
            // which is never placed.
            if (at(p) != m_RubySeparator) return PlaceChar();
            while (at(p) != 0 && at(p) != m_RubyClose) ++p;
            if (at(p) == m_RubyClose) ++p;
            m_RubyMode = false;
        }
        if (at(p) == m_RubyOpen) {
            ++p;
            const int32_t s = m_TextFontSize;
            int64_t baseWidth = 0;
            int32_t q = p;
            while (at(q) != 0 && at(q) != m_RubySeparator) baseWidth += GxMessageCharPixelWidth(at(q++), s);
            if (at(q) != m_RubySeparator) return false;  // no separator: the symbol is dropped
            GxMessageRubyElement ruby;
            int64_t readingWidth = 0;
            for (++q; at(q) != 0 && at(q) != m_RubyClose; ++q) {
                ruby.m_Text += at(q);
                readingWidth += GxMessageCharPixelWidth(at(q), m_RubyFontSize);
            }
            ruby.m_RubyCharWidth = Saturate(readingWidth);
            ruby.m_RubyUnderCharWidth = Saturate(baseWidth);
            ruby.m_OffsetPos = GxVector3(static_cast<float>(std::max<int64_t>(0, int64_t{m_CursorX} - s / 2)),
                                         static_cast<float>(m_CursorY), 0.0f);
            m_Rubies.push_back(std::move(ruby));
            m_RubyMode = true;
            // Through the ruby-mode step: the first base character, or (empty base) the reading
            // skipped at once rather than shown.
            continue;
        }
        if (at(p) != u'%') return PlaceChar();
        ++p;
        const char16_t command = at(p);
        switch (command) {
        case u'r':
            ++p;
            NewLine();
            return false;
        case u'p':
            ++p;
            NewPage();
            return false;
        case u'c':
            ++p;
            if (m_Reveal) m_ClickWaiting = true;
            return true;
        case u'w':
        case u'a': {
            ++p;
            const bool bracket = at(p) == u'(';
            uint32_t value = 0;
            bool scanned = false;
            if (bracket) {
                ++p;
                scanned = ScanNumber(value);
                if (at(p) == u')') ++p;
            }
            if (command == u'w') {
                if (m_Reveal) AddWait(bracket ? (scanned ? static_cast<int32_t>(value) : 0) : m_LongWait);
                return false;
            }
            if (!bracket) {
                m_ChangeColor = false;
                m_TextColor = m_ResetColor;
            } else if (scanned) {
                m_TextColor = value | 0xFF000000u;
                m_ChangeColor = m_Reveal;
            }
            continue;  // the next character in the same step
        }
        default:
            return PlaceChar();  // "%%" and "%x" show the character after the "%"
        }
    }
}

bool GxMessageLayout::PlaceChar()
{
    const std::u16string& t = *m_pText;
    const int32_t n = static_cast<int32_t>(std::min<size_t>(t.size(), std::numeric_limits<int32_t>::max()));
    int32_t& p = m_ProcessPos;
    if (p >= n || t[static_cast<size_t>(p)] == 0) return EndOfText();
    const char16_t c = t[static_cast<size_t>(p)];
    GxMessageCharElement e;
    e.m_Char = c;
    e.m_OffsetPos = GxVector3(static_cast<float>(m_CursorX), static_cast<float>(m_CursorY), 0.0f);
    e.m_Color = m_TextColor;
    e.m_ChangeColorFlag = m_ChangeColor;
    m_ShowChars.push_back(e);
    if (m_Reveal) AddWait(m_CharWait);
    ++p;
    const int64_t s = m_TextFontSize, m = m_LetterMarginWidth, w = m_TextRegionWidth;
    m_CursorX = Saturate(static_cast<int64_t>(m_CursorX) + GxMessageCharPixelWidth(c, m_TextFontSize) + m);
    const char16_t next = p < n ? t[static_cast<size_t>(p)] : u'\0';
    const bool kinsoku = !m_IgnoreKinsoku && !m_DisenableAutoNewline;
    // An opening bracket that would take the last full-width slot goes to the next line.
    if (m_CursorX + 2 * (s + m) >= w && kinsoku && InList(m_LineEndForbidden, next)) NewLine();
    if (m_CursorX + s + m >= w && !m_DisenableAutoNewline) {
        // A closing mark hangs past the edge; the test after it breaks, so one at most.
        const bool hang = !m_IgnoreKinsoku && m_CursorX < w && InList(m_LineStartForbidden, next);
        if (!hang) NewLine();
    }
    if (p < n && next != 0) return false;
    return EndOfText();
}

uint32_t GxMessageScaleAlpha(uint32_t argb, int32_t alpha)
{
    const GxFColor c = GxUnpackColorArgb(argb);
    return GxPackColorArgb(c.r, c.g, c.b, c.a * static_cast<float>(alpha) / 255.0f);
}

void GxMessageDrawRubies(const GxMessageLayout& l, int32_t wrapPitch, const GxVector3& abs, const GxVector2& scale,
                         bool useShadow, uint32_t rubyColor, uint32_t shadowColor, int32_t blend)
{
    GxGDIFontMap* atlas = GxGetGDIFontMap(l.m_RubyFontIndex);
    if (!atlas) return;
    const int64_t r = l.m_RubyFontSize, w = l.m_TextRegionWidth;
    for (const GxMessageRubyElement& ruby : l.m_Rubies) {
        int64_t rx = PixelOf(ruby.m_OffsetPos.x) +
                     (int64_t{ruby.m_RubyUnderCharWidth} - int64_t{ruby.m_RubyCharWidth}) / 2;
        int64_t ry = PixelOf(ruby.m_OffsetPos.y);
        if (w <= r + rx) {
            rx = 0;
            ry += wrapPitch;
        }
        for (char16_t ch : ruby.m_Text) {
            const GxGlyphRecord glyph = atlas->GetGlyph(ch);
            const float x = static_cast<float>(l.m_TextRegionLeft + rx + r);
            const float y = static_cast<float>(l.m_TextRegionTop + ry);
            rx += GxMessageCharPixelWidth(ch, l.m_RubyFontSize);
            if (w <= r + rx) {
                rx = 0;
                ry += wrapPitch;
            }
            if (!glyph.texture) continue;
            if (useShadow)
                GxGraphics::DrawGlyph(glyph, (x + 1.0f) * scale.x + abs.x, (y + 1.0f) * scale.y + abs.y, scale,
                                      shadowColor, 0, blend);
            GxGraphics::DrawGlyph(glyph, x * scale.x + abs.x, y * scale.y + abs.y, scale, rubyColor, 0, blend);
        }
    }
}

void GxMessageAppendRubiesKey(GxDrawKey& key, const GxMessageLayout& l, int32_t wrapPitch)
{
    key.Add(l.m_Rubies.size());
    if (l.m_Rubies.empty()) return;
    // The glyphs: a font map's records change only with its textures, which the device watches.
    key.Add(GxGetGDIFontMap(l.m_RubyFontIndex));
    key.Add(l.m_RubyFontSize);
    key.Add(l.m_TextRegionLeft);
    key.Add(l.m_TextRegionTop);
    key.Add(l.m_TextRegionWidth);
    key.Add(wrapPitch);
    for (const GxMessageRubyElement& ruby : l.m_Rubies) {
        key.AddText(ruby.m_Text);
        key.Add(ruby.m_RubyCharWidth);
        key.Add(ruby.m_RubyUnderCharWidth);
        key.Add(ruby.m_OffsetPos);
    }
}
