#include "graphics/GxTextureTextEx.h"

#include <algorithm>

#include "core/GxCharClass.h"

GxTextureTextEx::GxTextureTextEx() : m_CommandHandler(&GxTextureTextEx::DefaultCommandHandler) {}

GxTextureTextEx::~GxTextureTextEx() = default;

bool GxTextureTextEx::CreateTexture(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format,
                                    uint32_t mipLevels)
{
    bool ok = GxTextureText::CreateTexture(name, width, height, format, mipLevels);
    m_Layout = GxRectL{0, 0, static_cast<int32_t>(GetWidth()), static_cast<int32_t>(GetHeight())};
    return ok;
}

void GxTextureTextEx::SetLayoutRect(const GxRectL* rect)
{
    m_Layout = rect ? *rect : GxRectL{0, 0, static_cast<int32_t>(GetWidth()), static_cast<int32_t>(GetHeight())};
    m_PenX = m_Layout.left;
    m_PenY = m_Layout.top;
}

void GxTextureTextEx::SetTextColor(GxColor color)
{
    m_DefaultColor = color;
    m_CurrentColor = color;
}

void GxTextureTextEx::SetEdgeColor(GxColor color)
{
    m_EdgeColor = color;
}

void GxTextureTextEx::SetFontSize(int32_t size)
{
    m_FontKind = GXTEXTFONT_GDI;
    m_FontSize = size;
    m_BitmapFont = nullptr;
    m_GlyphFont = nullptr;
}

void GxTextureTextEx::SetBitmapFont(const GxBitmapGridFont* font)
{
    m_FontKind = GXTEXTFONT_BITMAP;
    m_BitmapFont = font;
    m_GlyphFont = nullptr;
}

void GxTextureTextEx::SetGlyphFont(const GxGlyphSheetFont* font, int32_t mode)
{
    m_FontKind = GXTEXTFONT_GLYPH;
    m_GlyphFont = font;
    m_GlyphMode = mode;
    m_BitmapFont = nullptr;
}

void GxTextureTextEx::SetControlChars(char16_t lineFeed, char16_t commandStart, char16_t commandEnd)
{
    m_LineFeed = lineFeed;
    m_CommandStart = commandStart;
    m_CommandEnd = commandEnd;
}

void GxTextureTextEx::SetSpacing(int32_t letterSpacing, int32_t lineSpacing)
{
    m_LetterSpacing = letterSpacing;
    m_LineSpacing = lineSpacing;
}

void GxTextureTextEx::SetCommandHandler(GxTextCommandHandler handler)
{
    m_CommandHandler = std::move(handler);
}

void GxTextureTextEx::SetText(std::u16string_view text)
{
    m_Text = std::u16string(text);
    m_Progress = 0;
}

void GxTextureTextEx::AppendText(std::u16string_view text)
{
    m_Text.append(text);
}

void GxTextureTextEx::ClearText()
{
    m_Text.clear();
    m_Progress = 0;
}

void GxTextureTextEx::SetPenPos(int32_t x, int32_t y)
{
    m_PenX = x;
    m_PenY = y;
}

void GxTextureTextEx::GetPenPos(int32_t* x, int32_t* y)
{
    if (x) *x = m_PenX;
    if (y) *y = m_PenY;
}

void GxTextureTextEx::SetProgress(uint32_t progress)
{
    m_Progress = progress;
}

uint32_t GxTextureTextEx::Remaining() const
{
    return m_Progress < m_Text.size() ? static_cast<uint32_t>(m_Text.size() - m_Progress) : 0;
}

uint32_t GxTextureTextEx::Draw(uint32_t count, bool commands)
{
    if (count == 0) return Remaining();
    while (m_Progress < m_Text.size()) {
        char16_t c = m_Text[m_Progress];
        if (commands && m_CommandHandler && c == m_CommandStart) {
            std::u16string_view rest = std::u16string_view(m_Text).substr(m_Progress + 1);
            uint32_t used = m_CommandHandler(this, rest, m_CommandEnd, 0);
            uint64_t next = static_cast<uint64_t>(m_Progress) + used + 1;
            m_Progress = static_cast<uint32_t>(std::min<uint64_t>(next, m_Text.size()));
            continue;
        }

        int32_t advance = 0;
        int32_t lineHeight = 0;
        switch (m_FontKind) {
        case GXTEXTFONT_BITMAP:
            if (m_BitmapFont) {
                advance = m_BitmapFont->GetCharWidth(GxWideCharToSingleByte(c));
                lineHeight = m_BitmapFont->cellHeight;
            }
            break;
        case GXTEXTFONT_GLYPH:
            if (m_GlyphFont) {
                advance = GxGetCharWidth(c) * m_GlyphFont->glyphSize / 2;
                lineHeight = m_GlyphFont->glyphSize;
            }
            break;
        default:
            advance = GxGetCharWidth(c) * m_FontSize / 2;
            lineHeight = m_FontSize;
            break;
        }

        if (c == m_LineFeed) {
            m_PenY += m_LineSpacing + lineHeight;
            m_PenX = m_Layout.left;
            ++m_Progress;
            continue;
        }
        if (m_LetterSpacing + m_PenX + advance > m_Layout.right) {
            m_PenY += m_LineSpacing + lineHeight;
            m_PenX = m_Layout.left;
        }

        std::u16string_view one(&m_Text[m_Progress], 1);
        switch (m_FontKind) {
        case GXTEXTFONT_BITMAP:
            if (m_BitmapFont) DrawTextBitmapFont(one, m_BitmapFont, m_PenX, m_PenY);
            break;
        case GXTEXTFONT_GLYPH:
            if (m_GlyphFont)
                DrawTextGlyphFont(one, m_GlyphFont, m_PenX, m_PenY, m_CurrentColor, nullptr, nullptr, m_GlyphMode,
                                  m_EdgeColor);
            break;
        default:
            DrawText(one, m_PenX, m_PenY, lineHeight, m_CurrentColor);
            break;
        }

        ++m_Progress;
        m_PenX += m_LetterSpacing + advance;
        if (--count == 0) break;
    }
    return Remaining();
}

uint32_t GxTextureTextEx::DrawNext(uint32_t count)
{
    return Draw(count, false);
}

uint32_t GxTextureTextEx::DrawAll()
{
    while (DrawNext(1) != 0) {
    }
    return 0;
}

uint32_t GxTextureTextEx::DrawNextWithCommands(uint32_t count)
{
    return Draw(count, true);
}

uint32_t GxTextureTextEx::DrawAllWithCommands()
{
    while (DrawNextWithCommands(1) != 0) {
    }
    return 0;
}

void GxTextureTextEx::DrawString(std::u16string_view text)
{
    SetText(text);
    DrawAll();
}

void GxTextureTextEx::DrawStringAt(std::u16string_view text, int32_t x, int32_t y)
{
    SetPenPos(x, y);
    SetText(text);
    DrawAll();
}

void GxTextureTextEx::ClearAll()
{
    ClearText();
    m_PenX = m_Layout.left;
    m_PenY = m_Layout.top;
    GxRectL block{m_Layout.left, m_Layout.top, m_Layout.right, static_cast<int32_t>(GetHeight())};
    FillRect(&block, 0);
}

void GxTextureTextEx::ClearAndDrawString(std::u16string_view text)
{
    ClearAll();
    DrawString(text);
}

void GxTextureTextEx::ClearAndDrawStringAt(std::u16string_view text, int32_t x, int32_t y)
{
    ClearAll();
    DrawStringAt(text, x, y);
}

uint32_t GxTextureTextEx::DefaultCommandHandler(GxTextureTextEx* self, std::u16string_view rest, char16_t endChar,
                                                int32_t)
{
    uint32_t walked = 0;
    for (char16_t c : rest) {
        ++walked;
        GxColor color = 0;
        bool set = true;
        switch (c) {
        case u'-': color = self->m_DefaultColor; break;
        case u'0': color = 0xFF000000u; break;
        case u'1': color = 0xFF0000FFu; break;
        case u'2': color = 0xFF00FF00u; break;
        case u'3': color = 0xFFFF0000u; break;
        case u'4': color = 0xFF00FFFFu; break;
        case u'5': color = 0xFFFF00FFu; break;
        case u'6': color = 0xFFFFFF00u; break;
        case u'7': color = 0xFFFFFFFFu; break;
        default: set = false; break;
        }
        if (set) self->m_CurrentColor = color;
        if (c == endChar) break;
    }
    return walked;
}
