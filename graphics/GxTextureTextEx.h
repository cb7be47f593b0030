// GxTextureTextEx: a text texture that keeps a text, a pen and a layout rectangle and draws the
// text into itself a given number of characters at a time, so a text can be revealed step by
// step or drawn whole. Lines wrap at the rectangle's right edge and at the line-feed character;
// letter and line spacing apply; the font is rasterised text (kind 1), a bitmap grid font
// (kind 2) or a glyph font (kind 3); in-text commands (by default colour changes) are read by the
// WithCommands forms. Nothing stops the pen at the rectangle's bottom: lines below it are drawn
// as far as the texture reaches. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "graphics/GxTextureText.h"

class GxTextureTextEx;

// Reads a command: the text right after the command start character and the command end
// character; returns how many characters of that text it consumed.
using GxTextCommandHandler =
    std::function<uint32_t(GxTextureTextEx* self, std::u16string_view rest, char16_t endChar, int32_t reserved)>;

enum GxTextFontKind : int32_t {
    GXTEXTFONT_GDI = 1,
    GXTEXTFONT_BITMAP = 2,
    GXTEXTFONT_GLYPH = 3,
};

class GxTextureTextEx : public GxTextureText
{
public:
    GxTextureTextEx();
    ~GxTextureTextEx() override;

    // Creation as the base does; the layout rectangle becomes the whole texture.
    bool CreateTexture(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format,
                       uint32_t mipLevels) override;

    // None: the whole texture. The pen moves to the rectangle's top left.
    virtual void SetLayoutRect(const GxRectL* rect);
    virtual void SetTextColor(GxColor color);
    virtual void SetEdgeColor(GxColor color);
    virtual void SetFontSize(int32_t size);
    virtual void SetBitmapFont(const GxBitmapGridFont* font);
    virtual void SetGlyphFont(const GxGlyphSheetFont* font, int32_t mode);
    virtual void SetControlChars(char16_t lineFeed, char16_t commandStart, char16_t commandEnd);
    virtual void SetSpacing(int32_t letterSpacing, int32_t lineSpacing);
    virtual void SetCommandHandler(GxTextCommandHandler handler);
    virtual void SetText(std::u16string_view text);
    virtual void AppendText(std::u16string_view text);
    virtual void ClearText();
    virtual void SetPenPos(int32_t x, int32_t y);
    virtual void GetPenPos(int32_t* x, int32_t* y);
    virtual void SetProgress(uint32_t progress);
    // Draws up to count characters (line feeds and commands do not count); the characters left.
    virtual uint32_t DrawNext(uint32_t count);
    virtual uint32_t DrawAll();
    virtual uint32_t DrawNextWithCommands(uint32_t count);
    virtual uint32_t DrawAllWithCommands();
    virtual void DrawString(std::u16string_view text);
    virtual void DrawStringAt(std::u16string_view text, int32_t x, int32_t y);
    // Empties the text, moves the pen to the rectangle's top left and clears, to transparent
    // black, the rectangle's columns from its top down to the texture's bottom.
    virtual void ClearAll();
    virtual void ClearAndDrawString(std::u16string_view text);
    virtual void ClearAndDrawStringAt(std::u16string_view text, int32_t x, int32_t y);

    // The colour-command handler: each character up to and including the end character sets
    // the current colour ('-' the default, '0'..'7' black, blue, green, red, cyan, magenta,
    // yellow, white).
    static uint32_t DefaultCommandHandler(GxTextureTextEx* self, std::u16string_view rest, char16_t endChar,
                                          int32_t reserved);

    const std::u16string& GetText() const { return m_Text; }
    uint32_t GetProgress() const { return m_Progress; }
    GxColor GetTextColor() const { return m_DefaultColor; }
    GxColor GetCurrentColor() const { return m_CurrentColor; }
    void SetCurrentColor(GxColor color) { m_CurrentColor = color; }
    GxColor GetEdgeColor() const { return m_EdgeColor; }
    int32_t GetFontKind() const { return m_FontKind; }
    int32_t GetFontSize() const { return m_FontSize; }
    const GxRectL& GetLayoutRect() const { return m_Layout; }

private:
    uint32_t Draw(uint32_t count, bool commands);
    uint32_t Remaining() const;

    std::u16string m_Text;
    uint32_t m_Progress = 0;
    int32_t m_PenX = 0;
    int32_t m_PenY = 0;
    int32_t m_FontKind = GXTEXTFONT_GDI;
    int32_t m_FontSize = 16;
    const GxBitmapGridFont* m_BitmapFont = nullptr;
    const GxGlyphSheetFont* m_GlyphFont = nullptr;
    int32_t m_GlyphMode = 0;
    int32_t m_LetterSpacing = 0;
    int32_t m_LineSpacing = 0;
    GxColor m_DefaultColor = 0xFFFFFFFFu;
    GxColor m_CurrentColor = 0xFFFFFFFFu;
    GxColor m_EdgeColor = 0xFF000000u;
    char16_t m_LineFeed = 10;
    char16_t m_CommandStart = 1;
    char16_t m_CommandEnd = 1;
    GxRectL m_Layout;
    GxTextCommandHandler m_CommandHandler;
};
