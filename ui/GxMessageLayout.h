// The layout of story text shared by the message window and the text window: inline commands
// ("%r" new line, "%p" new page, "%c" click wait, "%w" wait, "%a" colour, "%%" a percent sign),
// ruby groups written opening symbol, base, separator, reading, closing symbol, and automatic line
// breaks under the Japanese rules (a character of one list never begins a line, one of the other
// never ends one). Each step turns the next characters of the text into placed records.
//
// The message window reveals its text over time, so its layout counts waits and stops at click
// waits; the text window lays a text out whole and ignores both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/GxMath.h"

struct GxUISettings;
struct GxUIOptions;

// One placed character.
struct GxMessageCharElement
{
    char16_t m_Char = 0;
    GxVector3 m_OffsetPos;             // pen position when placed (z = 0)
    uint32_t m_Color = 0xFFFFFFFFu;    // the current colour when placed
    bool m_ChangeColorFlag = false;    // a "%a(n)" colour was in force: drawn in m_Color
};

// One ruby group: the reading and where it goes over its base characters.
struct GxMessageRubyElement
{
    std::u16string m_Text;             // the reading
    int32_t m_RubyCharWidth = 0;       // pixel width of the reading at the ruby size
    int32_t m_RubyUnderCharWidth = 0;  // pixel width of the base at the text size
    GxVector3 m_OffsetPos;             // pen position less half the text size (at least 0)
};

// The settings and player options in force: the program's, or built-in defaults while start-up
// has made none (a stage without start-up, such as a widget test, may change those defaults).
GxUISettings& GxMessageSystemConfig();
GxUIOptions& GxMessageUserConfig();

// The value clamped to the 32-bit range: sizes and positions may come from settings and saves.
int32_t GxMessageSaturate(int64_t v);

// Pixel width of a code unit at a font size: (cells x size) / 2.
int32_t GxMessageCharPixelWidth(char16_t c, int32_t size);

// A font index outside 0..5 is logged (naming the class and operation) and replaced by def.
int32_t GxMessageCheckFontIndex(int32_t index, int32_t def, const char* className, const char* operation);

// The size of a font index in the settings' table.
int32_t GxMessageFontSize(int32_t index);

// The colour with its alpha multiplied by alpha / 255.
uint32_t GxMessageScaleAlpha(uint32_t argb, int32_t alpha);

class GxDrawKey;
class GxMessageLayout;

// Draws the ruby groups from the atlas of the ruby font, each reading centred over its base and
// wrapped at the region's right edge by wrapPitch; a one-pixel shadow first when useShadow. A
// local point (x, y) is drawn at (x, y) x scale + abs.
void GxMessageDrawRubies(const GxMessageLayout& layout, int32_t wrapPitch, const GxVector3& abs,
                         const GxVector2& scale, bool useShadow, uint32_t rubyColor, uint32_t shadowColor,
                         int32_t blend);
// What GxMessageDrawRubies reads of the layout and the fonts, for a draw key.
void GxMessageAppendRubiesKey(GxDrawKey& key, const GxMessageLayout& layout, int32_t wrapPitch);

class GxMessageLayout
{
public:
    // reveal: the message window's layout (waits, click waits, the change-colour flag).
    GxMessageLayout(const std::u16string* text, bool reveal) : m_pText(text), m_Reveal(reveal) {}

    // Takes the lists, ruby symbols, waits and reset colour from the settings in force; every
    // operation that lays out calls it first.
    void Bind(uint32_t resetColor);

    // Places the next character; true at a click wait or at the end of the text.
    bool ProcessNextChar();
    void NewLine();
    void NewPage();
    // Text length less the position, 0 at or past the end.
    uint32_t GetRestCharCount() const
    {
        const int64_t rest = static_cast<int64_t>(m_pText->size()) - m_ProcessPos;
        return rest > 0 ? static_cast<uint32_t>(rest) : 0u;
    }
    // Adds milliseconds to the wait, in 64 bits, saturating at the 32-bit range.
    void AddWait(int64_t ms);
    // Resets the process position inside 0..length.
    void ClampProcessPos();

    // The windows' fonts: an index outside 0..5 is logged naming className and the default taken;
    // the size follows the index, and is returned.
    static constexpr int32_t kDefaultTextFont = 2;
    static constexpr int32_t kDefaultRubyFont = 0;
    int32_t SetTextFont(int32_t index, const char* className);
    int32_t SetRubyFont(int32_t index, const char* className);
    void SetTextRegion(int32_t left, int32_t top, int32_t width, int32_t height);

    std::vector<GxMessageCharElement> m_ShowChars;
    std::vector<GxMessageRubyElement> m_Rubies;
    int32_t m_TextRegionLeft = 0;
    int32_t m_TextRegionTop = 0;
    int32_t m_TextRegionWidth = 800;
    int32_t m_TextRegionHeight = 600;
    int32_t m_TextFontIndex = 2;
    int32_t m_RubyFontIndex = 0;
    int32_t m_TextFontSize = 23;
    int32_t m_RubyFontSize = 11;
    int32_t m_LetterMarginWidth = 0;
    int32_t m_RubyMarginHeight = 11;
    int32_t m_TextTotalHeight = 35;  // what NewLine moves down
    int32_t m_ProcessPos = 0;
    bool m_RubyMode = false;
    int32_t m_CursorX = 0;
    int32_t m_CursorY = 0;
    uint32_t m_TextColor = 0xFFFFFFFFu;
    bool m_ChangeColor = false;
    bool m_EnableAutoClickWait = false;
    bool m_ClickWaiting = false;
    bool m_IgnoreKinsoku = false;
    bool m_DisenableAutoNewline = false;
    int32_t m_WaitTimeLeft = 0;

private:
    // Scans the number of "%w(n)" / "%a(n)" at m_ProcessPos and steps over it; false (nothing
    // moved) when there is none.
    bool ScanNumber(uint32_t& value);
    // Places the character at m_ProcessPos as an ordinary one (no control sequence starts there).
    bool PlaceChar();
    bool EndOfText();

    const std::u16string* m_pText;
    bool m_Reveal;
    const std::u16string* m_LineStartForbidden = nullptr;
    const std::u16string* m_LineEndForbidden = nullptr;
    char16_t m_RubyOpen = u'\u226A';
    char16_t m_RubyClose = u'\u226B';
    char16_t m_RubySeparator = u'\uFF0F';
    int32_t m_CharWait = 60;
    int32_t m_LongWait = 480;
    uint32_t m_ResetColor = 0xFFFFFFFFu;
};
