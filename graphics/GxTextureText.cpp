#include "graphics/GxTextureText.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "core/GxCharClass.h"
#include "core/GxLog.h"
#include "core/GxString.h"

namespace {

constexpr uint32_t kInitialBufferSize = 8192;
// Glyph-font cells beyond this size are not drawn (the filter planes would be absurd).
constexpr int32_t kMaxSheetGlyphSize = 1024;

constexpr std::array<uint8_t, GX_GRAY8_MAX_LEVEL + 1> MakeAlphaTable()
{
    std::array<uint8_t, GX_GRAY8_MAX_LEVEL + 1> t{};
    for (uint32_t g = 0; g <= GX_GRAY8_MAX_LEVEL; ++g) t[g] = static_cast<uint8_t>(std::min(255u, g * 255u / 52u));
    return t;
}
constexpr auto kAlpha = MakeAlphaTable();

bool IsLeadByte(uint8_t b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The narrow character at i by the code page's multibyte rule: its code (lead << 8 | trail for
// two bytes) and its byte count.
size_t NextNarrow(std::string_view s, size_t i, uint32_t& code)
{
    auto b = static_cast<uint8_t>(s[i]);
    if (IsLeadByte(b) && i + 1 < s.size()) {
        code = (static_cast<uint32_t>(b) << 8) | static_cast<uint8_t>(s[i + 1]);
        return 2;
    }
    code = b;
    return 1;
}

// The part of a w x h block at (x, y) that lies on the surface: first surface pixel (x0, y0),
// first block pixel (sx, sy) and the cut size.
struct Clip
{
    int32_t x0 = 0, y0 = 0, sx = 0, sy = 0, w = 0, h = 0;
};

bool ClipBlock(const GxTextSurface& s, int64_t x, int64_t y, int64_t w, int64_t h, Clip& c)
{
    int64_t left = std::max<int64_t>(x, 0);
    int64_t top = std::max<int64_t>(y, 0);
    int64_t right = std::min<int64_t>(x + w, s.width);
    int64_t bottom = std::min<int64_t>(y + h, s.height);
    if (right <= left || bottom <= top) return false;
    c.x0 = static_cast<int32_t>(left);
    c.y0 = static_cast<int32_t>(top);
    c.sx = static_cast<int32_t>(left - x);
    c.sy = static_cast<int32_t>(top - y);
    c.w = static_cast<int32_t>(right - left);
    c.h = static_cast<int32_t>(bottom - top);
    return true;
}

uint8_t* Row(const GxTextSurface& s, int32_t y)
{
    return s.bits + static_cast<ptrdiff_t>(y) * s.pitch;
}

// A 4-bit glyph block written out: value(i, j) is the alpha nibble, glyph(i, j) the glyph's own
// nibble (the edged form mixes the edge and text colours by it).
template <typename ValueFn, typename GlyphFn>
void WriteSheetBlock(const GxTextSurface& s, int32_t x, int32_t y, int32_t w, int32_t h, ValueFn value,
                     GlyphFn glyph, GxColor color, GxColor edgeColor, bool edged)
{
    Clip c;
    if (!s.bits || !ClipBlock(s, x, y, w, h, c)) return;
    bool is32 = s.format == GXFMT_A8R8G8B8;
    for (int32_t j = 0; j < c.h; ++j) {
        uint8_t* row = Row(s, c.y0 + j);
        for (int32_t i = 0; i < c.w; ++i) {
            uint32_t t = value(c.sx + i, c.sy + j);
            uint32_t rgb;
            if (edged) {
                uint32_t g = glyph(c.sx + i, c.sy + j);
                uint32_t div = is32 ? 15 : 240;
                uint32_t ch[3];
                for (int k = 0; k < 3; ++k) {
                    uint32_t shift = 16 - 8 * k;
                    uint32_t text = (color >> shift) & 0xFF;
                    uint32_t edge = (edgeColor >> shift) & 0xFF;
                    ch[k] = ((15 - g) * edge + g * text) / div;
                }
                rgb = is32 ? (ch[0] << 16 | ch[1] << 8 | ch[2]) : (ch[0] << 8 | ch[1] << 4 | ch[2]);
            } else {
                rgb = is32 ? (color & 0x00FFFFFFu) : (GxColor32To16(color) & 0x0FFFu);
            }
            if (is32) {
                reinterpret_cast<uint32_t*>(row)[c.x0 + i] = (t * 0x11u) << 24 | rgb;
            } else {
                reinterpret_cast<uint16_t*>(row)[c.x0 + i] = static_cast<uint16_t>(t << 12 | rgb);
            }
        }
    }
}

}  // namespace

// ---- Fonts ------------------------------------------------------------------------------------

void GxBitmapGridFont::Locate(uint32_t code, int32_t& column, int32_t& row) const
{
    column = 0;
    row = 0;
    if (code < firstCode || code > lastCode || cellsPerRow <= 0) return;
    int32_t index = static_cast<int32_t>(code - firstCode);
    column = index % cellsPerRow;
    row = index / cellsPerRow;
}

int32_t GxBitmapGridFont::GetCharWidth(uint32_t) const
{
    return proportional == 0 ? cellWidth : 0;
}

uint32_t GxGlyphSheetFont::GetGlyphIndex(uint32_t code) const
{
    auto it = codes.find(code);
    return it == codes.end() ? UINT32_MAX : it->second;
}

uint8_t GxGlyphSheetFont::GetPixel(int64_t x, int64_t y) const
{
    if (x < 0 || y < 0 || x >= sheetWidth) return 0;
    uint64_t nibble = static_cast<uint64_t>(y) * static_cast<uint64_t>(sheetWidth) + static_cast<uint64_t>(x);
    if (nibble / 2 >= sheet.size()) return 0;
    uint8_t b = sheet[nibble / 2];
    return (nibble & 1) ? (b >> 4) : (b & 0x0F);
}

// ---- Text texture -----------------------------------------------------------------------------

GxTextureText::GxTextureText() : m_FaceName(GX_DEFAULT_FONT_FACE)
{
    ResizeBuffer(kInitialBufferSize);
}

GxTextureText::~GxTextureText()
{
    std::free(m_Buffer);
    m_Buffer = nullptr;
    m_BufferSize = 0;
}

void GxTextureText::SetFontName(std::u16string_view face)
{
    m_FaceName = std::u16string(face);
}

void GxTextureText::SetFontNameA(std::string_view face)
{
    SetFontName(GxAnsiToWide(face));
}

bool GxTextureText::ResizeBuffer(uint32_t bytes)
{
    if (m_Buffer && m_BufferSize >= bytes) return true;
    std::free(m_Buffer);
    m_Buffer = static_cast<uint8_t*>(std::calloc(bytes ? bytes : 1, 1));
    if (!m_Buffer) {
        m_BufferSize = 0;
        GxPrintErrorLog(u"Error/GxTextureText::ResizeBuffer(%u)に失敗\n", bytes);
        return false;
    }
    m_BufferSize = bytes;
    return true;
}

void GxTextureText::MakeLogFont(GxLogFont& font, int32_t height, std::u16string_view face)
{
    font = GxLogFont();
    font.Height = height;
    font.Weight = 400;
    font.CharSet = GX_SHIFTJIS_CHARSET;
    font.FaceName = std::u16string(face.substr(0, GX_LF_FACESIZE - 1));
}

// The four text draws share this: the size capped as the atlas caps it, then the face at that size.
std::unique_ptr<GxGlyphFont> GxTextureText::OpenTextFont(int32_t& size, std::u16string_view face)
{
    size = std::min(size, GX_TEXT_MAX_FONT_SIZE);
    GxLogFont logFont;
    MakeLogFont(logFont, size, face);
    return GxGetGlyphRasterizer().CreateFont(logFont);
}

uint8_t GxTextureText::GrayToAlpha(uint32_t gray)
{
    return kAlpha[std::min<uint32_t>(gray, GX_GRAY8_MAX_LEVEL)];
}

bool GxTextureText::LockSurface(GxTextSurface& surface)
{
    void* bits = nullptr;
    int32_t pitch = 0;
    uint32_t width = 0, height = 0;
    GxFormat format = GXFMT_UNKNOWN;
    surface = GxTextSurface();
    if (!LockRect(nullptr, &bits, &pitch, &width, &height, &format, false)) return false;
    surface.bits = static_cast<uint8_t*>(bits);
    surface.pitch = pitch;
    surface.width = width;
    surface.height = height;
    surface.format = format;
    return true;
}

void GxTextureText::UnlockSurface(const GxTextSurface& surface)
{
    if (surface.bits) UnlockRect();
}

// ---- Rasterised text --------------------------------------------------------------------------

void GxTextureText::DrawGrayGlyph(const GxTextSurface& surface, const GxGlyphMetrics& metrics, bool outlineOk,
                                  int32_t ascent, int32_t x, int32_t y, GxColor color)
{
    if (!surface.bits) return;
    if (surface.format != GXFMT_A8R8G8B8 && surface.format != GXFMT_A4R4G4B4) return;
    int64_t w = metrics.BlackBoxX;
    int64_t h = metrics.BlackBoxY;
    int64_t dx = static_cast<int64_t>(x) + metrics.GlyphOriginX;
    int64_t dy = static_cast<int64_t>(y) + (static_cast<int64_t>(ascent) - metrics.GlyphOriginY);
    uint32_t pitch = GxGray8Pitch(metrics.BlackBoxX);
    // A failed outline leaves the zeroed buffer, so its block is written transparent; rows the
    // buffer does not hold read as zero too.
    bool fromBuffer = outlineOk && static_cast<uint64_t>(pitch) * static_cast<uint64_t>(h) <= m_BufferSize;
    Clip c;
    if (!ClipBlock(surface, dx, dy, w, h, c)) return;
    if (!fromBuffer) {
        for (int32_t j = 0; j < c.h; ++j) {
            uint8_t* row = Row(surface, c.y0 + j);
            for (int32_t i = 0; i < c.w; ++i) {
                if (surface.format == GXFMT_A8R8G8B8)
                    reinterpret_cast<uint32_t*>(row)[c.x0 + i] = color & 0x00FFFFFFu;
                else
                    reinterpret_cast<uint16_t*>(row)[c.x0 + i] = GxColor32To16(color) & 0x0FFFu;
            }
        }
        return;
    }
    if (surface.format == GXFMT_A8R8G8B8)
        BlitGray8To32(surface, c.x0, c.y0, c.w, c.h, c.sx, c.sy, pitch, color);
    else
        BlitGray8To16(surface, c.x0, c.y0, c.w, c.h, c.sx, c.sy, pitch, color);
}

void GxTextureText::BlitGray8To32(const GxTextSurface& surface, int32_t x, int32_t y, int32_t width,
                                  int32_t height, int32_t sourceX, int32_t sourceY, uint32_t sourcePitch,
                                  GxColor color)
{
    uint32_t rgb = color & 0x00FFFFFFu;
    for (int32_t j = 0; j < height; ++j) {
        const uint8_t* src = m_Buffer + static_cast<size_t>(sourceY + j) * sourcePitch + sourceX;
        auto* dst = reinterpret_cast<uint32_t*>(Row(surface, y + j)) + x;
        for (int32_t i = 0; i < width; ++i) dst[i] = static_cast<uint32_t>(GrayToAlpha(src[i])) << 24 | rgb;
    }
}

void GxTextureText::BlitGray8To16(const GxTextSurface& surface, int32_t x, int32_t y, int32_t width,
                                  int32_t height, int32_t sourceX, int32_t sourceY, uint32_t sourcePitch,
                                  GxColor color)
{
    auto rgb = static_cast<uint16_t>(GxColor32To16(color) & 0x0FFFu);
    for (int32_t j = 0; j < height; ++j) {
        const uint8_t* src = m_Buffer + static_cast<size_t>(sourceY + j) * sourcePitch + sourceX;
        auto* dst = reinterpret_cast<uint16_t*>(Row(surface, y + j)) + x;
        for (int32_t i = 0; i < width; ++i) dst[i] = static_cast<uint16_t>((GrayToAlpha(src[i]) >> 4) << 12 | rgb);
    }
}

void GxTextureText::DrawChar(GxGlyphFont* font, const GxTextSurface& surface, char16_t ch, int32_t x, int32_t y,
                             int32_t, GxColor color, uint32_t* blackBoxWidth)
{
    GxTextMetric metric;
    font->GetTextMetrics(&metric);
    std::memset(m_Buffer, 0, m_BufferSize);
    GxGlyphMetrics gm;
    uint32_t result = font->GetGlyphOutlineW(ch, GX_GGO_GRAY8_BITMAP, &gm, m_BufferSize, m_Buffer);
    if (blackBoxWidth) *blackBoxWidth = gm.BlackBoxX;
    if (ch == u' ' || ch == u'\u3000') return;
    DrawGrayGlyph(surface, gm, result != GX_GDI_ERROR, metric.Ascent, x, y, color);
}

void GxTextureText::DrawCharA(GxGlyphFont* font, const GxTextSurface& surface, uint32_t code, int32_t x, int32_t y,
                              int32_t, GxColor color, uint32_t* blackBoxWidth)
{
    GxTextMetric metric;
    font->GetTextMetrics(&metric);
    std::memset(m_Buffer, 0, m_BufferSize);
    GxGlyphMetrics gm;
    uint32_t result = font->GetGlyphOutlineA(code, GX_GGO_GRAY8_BITMAP, &gm, m_BufferSize, m_Buffer);
    if (blackBoxWidth) *blackBoxWidth = gm.BlackBoxX;
    // The narrow form leaves out the full-width space of the code page and 0x02; a narrow
    // space is written like any other character.
    if (code == 0x8140 || code == 0x02) return;
    DrawGrayGlyph(surface, gm, result != GX_GDI_ERROR, metric.Ascent, x, y, color);
}

bool GxTextureText::DrawText(std::u16string_view text, int32_t x, int32_t y, int32_t size, GxColor color,
                             int32_t* endX, int32_t* endY)
{
    if (!m_pTexture) return false;
    std::unique_ptr<GxGlyphFont> font = OpenTextFont(size, m_FaceName);
    int32_t penX = x;
    if (font) {
        GxTextSurface surface;
        LockSurface(surface);
        for (char16_t c : text) {
            DrawChar(font.get(), surface, c, penX, y, size, color, nullptr);
            penX += GxGetCharWidth(c) * size / 2;
        }
        UnlockSurface(surface);
    }
    if (endX) *endX = penX;
    if (endY) *endY = y;
    return true;
}

bool GxTextureText::DrawTextA(std::string_view text, int32_t x, int32_t y, int32_t size, GxColor color,
                              int32_t* endX, int32_t* endY)
{
    if (!m_pTexture) return false;
    std::unique_ptr<GxGlyphFont> font = OpenTextFont(size, m_FaceName);
    int32_t penX = x;
    if (font) {
        GxTextSurface surface;
        LockSurface(surface);
        for (size_t i = 0; i < text.size();) {
            uint32_t code = 0;
            size_t n = NextNarrow(text, i, code);
            DrawCharA(font.get(), surface, code, penX, y, size, color, nullptr);
            penX += static_cast<int32_t>(n) * size / 2;
            i += n;
        }
        UnlockSurface(surface);
    }
    if (endX) *endX = penX;
    if (endY) *endY = y;
    return true;
}

bool GxTextureText::DrawTextWrap(std::u16string_view text, int32_t x, int32_t y, int32_t lineStartX, int32_t size,
                                 int32_t columnsPerLine, GxColor color, int32_t letterSpacing, int32_t lineSpacing,
                                 int32_t* endX, int32_t* endY, char16_t lineFeed)
{
    if (!m_pTexture) return false;
    std::unique_ptr<GxGlyphFont> font = OpenTextFont(size, m_FaceName);
    int32_t penX = x, penY = y;
    if (font) {
        GxTextSurface surface;
        LockSurface(surface);
        int32_t column = 0;
        for (char16_t c : text) {
            int32_t widthClass = GxGetCharWidth(c);
            bool feed = widthClass == 1 && c == lineFeed;
            if (feed || column >= columnsPerLine) {
                penY += size + lineSpacing;
                penX = lineStartX;
                column = 0;
                if (feed) continue;
            }
            DrawChar(font.get(), surface, c, penX, penY, size, color, nullptr);
            column += widthClass;
            penX += widthClass * size / 2 + letterSpacing;
        }
        UnlockSurface(surface);
    }
    if (endX) *endX = penX;
    if (endY) *endY = penY;
    return true;
}

bool GxTextureText::DrawTextWrapA(std::string_view text, int32_t x, int32_t y, int32_t lineStartX, int32_t size,
                                  int32_t columnsPerLine, GxColor color, int32_t letterSpacing, int32_t lineSpacing,
                                  int32_t* endX, int32_t* endY, char lineFeed)
{
    if (!m_pTexture) return false;
    std::unique_ptr<GxGlyphFont> font = OpenTextFont(size, m_FaceName);
    int32_t penX = x, penY = y;
    if (font) {
        GxTextSurface surface;
        LockSurface(surface);
        int32_t column = 0;
        for (size_t i = 0; i < text.size();) {
            uint32_t code = 0;
            auto n = static_cast<int32_t>(NextNarrow(text, i, code));
            i += n;
            bool feed = n == 1 && code == static_cast<uint8_t>(lineFeed);
            if (feed || column >= columnsPerLine) {
                penY += size + lineSpacing;
                penX = lineStartX;
                column = 0;
                if (feed) continue;
            }
            DrawCharA(font.get(), surface, code, penX, penY, size, color, nullptr);
            column += n;
            penX += n * size / 2 + letterSpacing;
        }
        UnlockSurface(surface);
    }
    if (endX) *endX = penX;
    if (endY) *endY = penY;
    return true;
}

// ---- Bitmap grid font -------------------------------------------------------------------------

bool GxTextureText::DrawBitmapFontChars(std::string_view text, const GxBitmapGridFont* font, int32_t x, int32_t y,
                                        bool wrap, int32_t lineStartX, int32_t columnsPerLine,
                                        int32_t letterSpacing, int32_t lineSpacing, int32_t* endX, int32_t* endY,
                                        char lineFeed)
{
    if (!m_pTexture) return false;
    if (!font || !font->texture || !font->texture->GetD3DTexture()) return false;
    int32_t column = 0;
    for (char ch : text) {
        auto code = static_cast<uint8_t>(ch);
        if (wrap) {
            bool feed = ch == lineFeed;
            if (feed || column >= columnsPerLine) {
                y += font->cellHeight + lineSpacing;
                x = lineStartX;
                column = 0;
                if (feed) continue;
            }
        }
        int32_t col = 0, row = 0;
        font->Locate(code, col, row);
        int32_t width = font->GetCharWidth(code);
        GxRectL src;
        src.left = static_cast<int32_t>(static_cast<float>(font->cellWidth * col) + font->originX);
        src.top = static_cast<int32_t>(static_cast<float>(font->cellHeight * row) + font->originY);
        src.right = src.left + width;
        src.bottom = static_cast<int32_t>(static_cast<float>(font->cellHeight * (row + 1)) + font->originY);
        // Cut to the source picture and to this texture's left and top (CopyRect cuts at the
        // right and bottom).
        src.right = std::min<int32_t>(src.right, static_cast<int32_t>(font->texture->GetWidth()));
        src.bottom = std::min<int32_t>(src.bottom, static_cast<int32_t>(font->texture->GetHeight()));
        int32_t dx = x, dy = y;
        if (dx < 0) {
            src.left -= dx;
            dx = 0;
        }
        if (dy < 0) {
            src.top -= dy;
            dy = 0;
        }
        if (width > 0 && src.left < src.right && src.top < src.bottom && src.left >= 0 && src.top >= 0 &&
            static_cast<uint32_t>(dx) < GetWidth() && static_cast<uint32_t>(dy) < GetHeight())
            CopyRect(font->texture, &src, dx, dy);
        ++column;
        x += width + (wrap ? letterSpacing : 0);
    }
    if (endX) *endX = x;
    if (endY) *endY = y;
    return true;
}

bool GxTextureText::DrawTextBitmapFont(std::u16string_view text, const GxBitmapGridFont* font, int32_t x, int32_t y,
                                       int32_t* endX, int32_t* endY)
{
    return DrawTextBitmapFontA(GxWideToAnsi(text), font, x, y, endX, endY);
}

bool GxTextureText::DrawTextBitmapFontA(std::string_view text, const GxBitmapGridFont* font, int32_t x, int32_t y,
                                        int32_t* endX, int32_t* endY)
{
    return DrawBitmapFontChars(text, font, x, y, false, 0, 0, 0, 0, endX, endY, '\0');
}

bool GxTextureText::DrawTextWrapBitmapFont(std::u16string_view text, const GxBitmapGridFont* font, int32_t x,
                                           int32_t y, int32_t lineStartX, int32_t columnsPerLine,
                                           int32_t letterSpacing, int32_t lineSpacing, int32_t* endX, int32_t* endY,
                                           char16_t lineFeed)
{
    std::string narrow;
    narrow.reserve(text.size());
    for (char16_t c : text) narrow.push_back(static_cast<char>(GxWideCharToSingleByte(c)));
    return DrawTextWrapBitmapFontA(narrow, font, x, y, lineStartX, columnsPerLine, letterSpacing, lineSpacing, endX,
                                   endY, static_cast<char>(GxWideCharToSingleByte(lineFeed)));
}

bool GxTextureText::DrawTextWrapBitmapFontA(std::string_view text, const GxBitmapGridFont* font, int32_t x,
                                            int32_t y, int32_t lineStartX, int32_t columnsPerLine,
                                            int32_t letterSpacing, int32_t lineSpacing, int32_t* endX,
                                            int32_t* endY, char lineFeed)
{
    return DrawBitmapFontChars(text, font, x, y, true, lineStartX, columnsPerLine, letterSpacing, lineSpacing, endX,
                               endY, lineFeed);
}

// ---- Glyph font -------------------------------------------------------------------------------

void GxTextureText::BlitGlyph4To32(const GxGlyphSheetFont& font, const GxTextSurface& surface, uint32_t index,
                                   int32_t widthClass, int32_t x, int32_t y, GxColor color)
{
    int32_t size = font.glyphSize;
    int64_t cx = static_cast<int64_t>(index % static_cast<uint32_t>(font.glyphsPerRow)) * (size / 2);
    int64_t cy = static_cast<int64_t>(index / static_cast<uint32_t>(font.glyphsPerRow)) * size;
    auto value = [&](int32_t i, int32_t j) { return static_cast<uint32_t>(font.GetPixel(cx + i, cy + j)); };
    WriteSheetBlock(surface, x, y, size / 2 * widthClass, size, value, value, color, 0, false);
}

void GxTextureText::BlitGlyph4To16(const GxGlyphSheetFont& font, const GxTextSurface& surface, uint32_t index,
                                   int32_t widthClass, int32_t x, int32_t y, GxColor color)
{
    BlitGlyph4To32(font, surface, index, widthClass, x, y, color);  // the writer follows the surface format
}

const uint8_t* GxTextureText::FilterGlyph(const GxGlyphSheetFont& font, uint32_t index, int32_t widthClass,
                                          bool edge, int32_t& planeWidth)
{
    int32_t size = font.glyphSize;
    int32_t w = size / 2 * widthClass;
    planeWidth = w + 4;
    int32_t planeHeight = size + 4;
    uint64_t need = 2ull * static_cast<uint64_t>(size + 4) * static_cast<uint64_t>(size + 4);
    uint64_t plane = static_cast<uint64_t>(planeWidth) * static_cast<uint64_t>(planeHeight);
    need = std::max(need, 2 * plane);
    if (need > UINT32_MAX || !ResizeBuffer(static_cast<uint32_t>(need))) return nullptr;
    std::memset(m_Buffer, 0, m_BufferSize);
    uint8_t* src = m_Buffer;
    uint8_t* dst = m_Buffer + plane;
    int64_t cx = static_cast<int64_t>(index % static_cast<uint32_t>(font.glyphsPerRow)) * (size / 2);
    int64_t cy = static_cast<int64_t>(index / static_cast<uint32_t>(font.glyphsPerRow)) * size;
    for (int32_t j = 0; j < size; ++j)
        for (int32_t i = 0; i < w; ++i) src[(j + 2) * planeWidth + (i + 2)] = font.GetPixel(cx + i, cy + j);
    auto at = [&](int32_t i, int32_t j) -> uint32_t { return src[j * planeWidth + i]; };
    for (int32_t j = 2; j < size + 2; ++j) {
        for (int32_t i = 2; i < w + 2; ++i) {
            uint32_t t;
            if (!edge) {
                t = (2 * at(i, j) + at(i, j - 1) / 2 + at(i, j + 1) / 2 + at(i - 1, j) / 2 + at(i + 1, j) / 2 +
                     at(i - 1, j - 1) / 4 + at(i + 1, j - 1) / 4 + at(i - 1, j + 1) / 4 + at(i + 1, j + 1) / 4) /
                    2;
            } else {
                uint32_t sum = 2 * at(i, j);
                for (int32_t dj = -1; dj <= 1; ++dj)
                    for (int32_t di = -1; di <= 1; ++di)
                        if (di != 0 || dj != 0) sum += at(i + di, j + dj) / 2;
                sum += at(i, j - 2) / 2 + at(i, j + 2) / 2 + at(i - 2, j) / 2 + at(i + 2, j) / 2;
                t = sum / 2;
            }
            dst[j * planeWidth + i] = static_cast<uint8_t>(std::min(t, 15u));
        }
    }
    return dst;
}

void GxTextureText::BlitGlyph4BoldTo32(const GxGlyphSheetFont& font, const GxTextSurface& surface, uint32_t index,
                                       int32_t widthClass, int32_t x, int32_t y, GxColor color)
{
    int32_t pw = 0;
    const uint8_t* plane = FilterGlyph(font, index, widthClass, false, pw);
    if (!plane) return;
    auto value = [&](int32_t i, int32_t j) { return static_cast<uint32_t>(plane[(j + 2) * pw + (i + 2)]); };
    WriteSheetBlock(surface, x, y, font.glyphSize / 2 * widthClass, font.glyphSize, value, value, color, 0, false);
}

void GxTextureText::BlitGlyph4BoldTo16(const GxGlyphSheetFont& font, const GxTextSurface& surface, uint32_t index,
                                       int32_t widthClass, int32_t x, int32_t y, GxColor color)
{
    BlitGlyph4BoldTo32(font, surface, index, widthClass, x, y, color);
}

void GxTextureText::BlitGlyph4EdgeTo32(const GxGlyphSheetFont& font, const GxTextSurface& surface, uint32_t index,
                                       int32_t widthClass, int32_t x, int32_t y, GxColor color, GxColor edgeColor)
{
    int32_t pw = 0;
    const uint8_t* plane = FilterGlyph(font, index, widthClass, true, pw);
    if (!plane) return;
    const uint8_t* glyph = m_Buffer;
    auto value = [&](int32_t i, int32_t j) { return static_cast<uint32_t>(plane[(j + 2) * pw + (i + 2)]); };
    auto original = [&](int32_t i, int32_t j) { return static_cast<uint32_t>(glyph[(j + 2) * pw + (i + 2)]); };
    WriteSheetBlock(surface, x, y, font.glyphSize / 2 * widthClass, font.glyphSize, value, original, color,
                    edgeColor, true);
}

void GxTextureText::BlitGlyph4EdgeTo16(const GxGlyphSheetFont& font, const GxTextSurface& surface, uint32_t index,
                                       int32_t widthClass, int32_t x, int32_t y, GxColor color, GxColor edgeColor)
{
    BlitGlyph4EdgeTo32(font, surface, index, widthClass, x, y, color, edgeColor);
}

void GxTextureText::DrawSheetGlyph(const GxGlyphSheetFont& font, const GxTextSurface& surface, uint32_t index,
                                   int32_t widthClass, int32_t x, int32_t y, GxColor color, int32_t mode,
                                   GxColor edgeColor)
{
    if (!surface.bits) return;
    bool is32 = surface.format == GXFMT_A8R8G8B8;
    if (!is32 && surface.format != GXFMT_A4R4G4B4) return;
    switch (mode) {
    case 1:
        if (is32) BlitGlyph4BoldTo32(font, surface, index, widthClass, x, y, color);
        else BlitGlyph4BoldTo16(font, surface, index, widthClass, x, y, color);
        break;
    case 2:
        if (is32) BlitGlyph4EdgeTo32(font, surface, index, widthClass, x, y, color, edgeColor);
        else BlitGlyph4EdgeTo16(font, surface, index, widthClass, x, y, color, edgeColor);
        break;
    default:
        if (is32) BlitGlyph4To32(font, surface, index, widthClass, x, y, color);
        else BlitGlyph4To16(font, surface, index, widthClass, x, y, color);
        break;
    }
}

bool GxTextureText::DrawGlyphFontChars(std::string_view text, const GxGlyphSheetFont* font, int32_t x, int32_t y,
                                       bool wrap, int32_t lineStartX, int32_t columnsPerLine, GxColor color,
                                       int32_t letterSpacing, int32_t lineSpacing, int32_t* endX, int32_t* endY,
                                       char lineFeed, int32_t mode, GxColor edgeColor)
{
    if (!m_pTexture) return false;
    if (!font || font->sheet.empty()) return false;
    int32_t size = font->glyphSize;
    bool drawable = size > 0 && size <= kMaxSheetGlyphSize && font->glyphsPerRow > 0 && font->sheetWidth > 0;
    GxTextSurface surface;
    if (drawable) LockSurface(surface);
    int32_t column = 0;
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        auto n = static_cast<int32_t>(NextNarrow(text, i, code));
        i += n;
        if (wrap) {
            bool feed = n == 1 && code == static_cast<uint8_t>(lineFeed);
            if (feed || column >= columnsPerLine) {
                y += size + lineSpacing;
                x = lineStartX;
                column = 0;
                if (feed) continue;
            }
        }
        uint32_t index = font->GetGlyphIndex(code);
        if (drawable && index < font->glyphCount)
            DrawSheetGlyph(*font, surface, index, n, x, y, color, mode, edgeColor);
        column += n;
        x += n * size / 2 + (wrap ? letterSpacing : 0);
    }
    UnlockSurface(surface);
    if (endX) *endX = x;
    if (endY) *endY = y;
    return true;
}

bool GxTextureText::DrawTextGlyphFont(std::u16string_view text, const GxGlyphSheetFont* font, int32_t x, int32_t y,
                                      GxColor color, int32_t* endX, int32_t* endY, int32_t mode, GxColor edgeColor)
{
    return DrawTextGlyphFontA(GxWideToAnsi(text), font, x, y, color, endX, endY, mode, edgeColor);
}

bool GxTextureText::DrawTextGlyphFontA(std::string_view text, const GxGlyphSheetFont* font, int32_t x, int32_t y,
                                       GxColor color, int32_t* endX, int32_t* endY, int32_t mode, GxColor edgeColor)
{
    return DrawGlyphFontChars(text, font, x, y, false, 0, 0, color, 0, 0, endX, endY, '\0', mode, edgeColor);
}

bool GxTextureText::DrawTextWrapGlyphFont(std::u16string_view text, const GxGlyphSheetFont* font, int32_t x,
                                          int32_t y, int32_t lineStartX, int32_t columnsPerLine, GxColor color,
                                          int32_t letterSpacing, int32_t lineSpacing, int32_t* endX, int32_t* endY,
                                          char16_t lineFeed, int32_t mode, GxColor edgeColor)
{
    std::string narrowFeed = GxWideToAnsi(std::u16string_view(&lineFeed, 1));
    char feed = narrowFeed.size() == 1 ? narrowFeed[0] : '\0';
    return DrawTextWrapGlyphFontA(GxWideToAnsi(text), font, x, y, lineStartX, columnsPerLine, color, letterSpacing,
                                  lineSpacing, endX, endY, feed, mode, edgeColor);
}

bool GxTextureText::DrawTextWrapGlyphFontA(std::string_view text, const GxGlyphSheetFont* font, int32_t x,
                                           int32_t y, int32_t lineStartX, int32_t columnsPerLine, GxColor color,
                                           int32_t letterSpacing, int32_t lineSpacing, int32_t* endX,
                                           int32_t* endY, char lineFeed, int32_t mode, GxColor edgeColor)
{
    return DrawGlyphFontChars(text, font, x, y, true, lineStartX, columnsPerLine, color, letterSpacing,
                              lineSpacing, endX, endY, lineFeed, mode, edgeColor);
}
