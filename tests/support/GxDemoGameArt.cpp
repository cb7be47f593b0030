#include "tests/support/GxDemoGameArt.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "platform/GxGlyphRasterizer.h"

namespace gxdemo {

namespace {

using gxtest::TestPicture;

constexpr double kPi = 3.14159265358979323846;

// The fonts of the labels: the IPA Gothic face at each size asked for, made once.
class LabelFonts
{
public:
    GxGlyphFont* At(int32_t size)
    {
        auto it = m_Fonts.find(size);
        if (it != m_Fonts.end()) return it->second.get();
        if (!m_Rasterizer) m_Rasterizer = GxCreateFreeTypeRasterizer();
        GxLogFont description;
        description.Height = -size;  // the em size in pixels
        description.FaceName = u"IPAGothic";
        std::unique_ptr<GxGlyphFont> font = m_Rasterizer ? m_Rasterizer->CreateFont(description) : nullptr;
        GxGlyphFont* raw = font.get();
        m_Fonts.emplace(size, std::move(font));
        return raw;
    }

private:
    std::unique_ptr<GxGlyphRasterizer> m_Rasterizer;
    std::map<int32_t, std::unique_ptr<GxGlyphFont>> m_Fonts;
};

LabelFonts& Fonts()
{
    static LabelFonts fonts;
    return fonts;
}

// Blends colour over the pixel with the coverage (0..1) taken from the colour's alpha too.
void Blend(TestPicture& p, int32_t x, int32_t y, uint32_t color, double coverage)
{
    if (x < 0 || y < 0 || x >= int32_t(p.width) || y >= int32_t(p.height) || coverage <= 0.0) return;
    uint32_t& d = p.At(uint32_t(x), uint32_t(y));
    const double a = coverage * double(color >> 24) / 255.0;
    const double da = double(d >> 24) / 255.0;
    const double oa = a + da * (1.0 - a);
    if (oa <= 0.0) return;
    uint32_t out = uint32_t(std::lround(oa * 255.0)) << 24;
    for (int shift : {16, 8, 0}) {
        const double s = double((color >> shift) & 0xFF), t = double((d >> shift) & 0xFF);
        const double v = (s * a + t * da * (1.0 - a)) / oa;
        out |= uint32_t(std::clamp<long>(std::lround(v), 0, 255)) << shift;
    }
    d = out;
}

void DrawGlyphs(TestPicture& p, const std::u16string& text, int32_t size, int32_t x, int32_t y, uint32_t color,
                int32_t dx, int32_t dy)
{
    GxGlyphFont* font = Fonts().At(size);
    if (!font) return;
    GxTextMetric metric;
    font->GetTextMetrics(&metric);
    const int32_t baseline = y + metric.Ascent;
    int32_t pen = x;
    std::vector<uint8_t> bits;
    for (char16_t ch : text) {
        GxGlyphMetrics gm;
        const uint32_t bytes = font->GetGlyphOutlineW(ch, GX_GGO_GRAY8_BITMAP, &gm, 0, nullptr);
        if (bytes != GX_GDI_ERROR && bytes > 0) {
            bits.assign(bytes, 0);
            font->GetGlyphOutlineW(ch, GX_GGO_GRAY8_BITMAP, &gm, bytes, bits.data());
            const uint32_t pitch = GxGray8Pitch(gm.BlackBoxX);
            for (uint32_t row = 0; row < gm.BlackBoxY; ++row)
                for (uint32_t col = 0; col < gm.BlackBoxX; ++col) {
                    const uint8_t level = bits[row * pitch + col];
                    if (level == 0) continue;
                    // Sixteen steps of coverage keep a label's colours few (palette pictures).
                    Blend(p, pen + gm.GlyphOriginX + int32_t(col) + dx, baseline - gm.GlyphOriginY + int32_t(row) + dy,
                          color, double((level + 2) / 4) / 16.0);
                }
        }
        if (bytes != GX_GDI_ERROR) pen += gm.CellIncX;
    }
}

// A smooth rise and fall over [0, 1].
double Swell(double t) { return t <= 0.0 || t >= 1.0 ? 0.0 : std::sin(kPi * t); }

int16_t Clip(double v) { return int16_t(std::clamp<long>(std::lround(v), -32767, 32767)); }

}  // namespace

std::string PngFile(const TestPicture& picture)
{
    const std::vector<uint8_t> bytes = gxtest::WritePngCompact(picture);
    return std::string(bytes.begin(), bytes.end());
}

gxtest::UIImageSpec ImageOf(const std::u16string& name, const TestPicture& picture)
{
    gxtest::UIPatternSpec pattern(int32_t(picture.width), int32_t(picture.height));
    pattern.pixels = picture.pixels;
    return gxtest::UIImageSpec{name, {pattern}};
}

int32_t LabelWidth(const std::u16string& text, int32_t size)
{
    GxGlyphFont* font = Fonts().At(size);
    int32_t width = 0;
    for (char16_t ch : text) {
        GxGlyphMetrics gm;
        if (font && font->GetGlyphOutlineW(ch, GX_GGO_GRAY8_BITMAP, &gm, 0, nullptr) != GX_GDI_ERROR) width += gm.CellIncX;
    }
    return width;
}

void DrawLabel(TestPicture& picture, const std::u16string& text, int32_t size, int32_t x, int32_t y, uint32_t color,
               uint32_t edge)
{
    if (edge != 0)
        for (const auto& [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}})
            DrawGlyphs(picture, text, size, x, y, edge, dx, dy);
    DrawGlyphs(picture, text, size, x, y, color, 0, 0);
}

void DrawLabelCentred(TestPicture& picture, const std::u16string& text, int32_t size, int32_t cx, int32_t cy,
                      uint32_t color, uint32_t edge)
{
    DrawLabel(picture, text, size, cx - LabelWidth(text, size) / 2, cy - size / 2, color, edge);
}

TestPicture Plate(int32_t w, int32_t h, uint32_t fill, uint32_t frame, const std::u16string& label, int32_t size,
                  uint32_t textColor)
{
    TestPicture p(uint32_t(w), uint32_t(h), fill);
    for (int32_t x = 0; x < w; ++x) p.At(uint32_t(x), 0) = p.At(uint32_t(x), uint32_t(h - 1)) = frame;
    for (int32_t y = 0; y < h; ++y) p.At(0, uint32_t(y)) = p.At(uint32_t(w - 1), uint32_t(y)) = frame;
    if (!label.empty()) DrawLabelCentred(p, label, size, w / 2, h / 2, textColor);
    return p;
}

void FillRect(TestPicture& p, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t color)
{
    for (int32_t y = std::max(y0, 0); y < std::min(y1, int32_t(p.height)); ++y)
        for (int32_t x = std::max(x0, 0); x < std::min(x1, int32_t(p.width)); ++x) p.At(uint32_t(x), uint32_t(y)) = color;
}

void FillCircle(TestPicture& p, int32_t cx, int32_t cy, int32_t r, uint32_t color)
{
    for (int32_t y = cy - r; y <= cy + r; ++y)
        for (int32_t x = cx - r; x <= cx + r; ++x) {
            const int32_t dx = x - cx, dy = y - cy;
            if (dx * dx + dy * dy <= r * r && x >= 0 && y >= 0 && x < int32_t(p.width) && y < int32_t(p.height))
                p.At(uint32_t(x), uint32_t(y)) = color;
        }
}

void FillGradient(TestPicture& p, uint32_t top, uint32_t bottom, uint32_t y0, uint32_t y1)
{
    for (uint32_t y = y0; y < y1 && y < p.height; ++y) {
        const double t = y1 - y0 > 1 ? double(y - y0) / double(y1 - y0 - 1) : 0.0;
        uint32_t c = 0;
        for (int shift : {24, 16, 8, 0}) {
            const double a = double((top >> shift) & 0xFF), b = double((bottom >> shift) & 0xFF);
            c |= uint32_t(std::lround(a + (b - a) * t)) << shift;
        }
        for (uint32_t x = 0; x < p.width; ++x) p.At(x, y) = c;
    }
}

TestPicture StandPicture(const std::string& expression, int32_t w, int32_t h, uint32_t dress)
{
    TestPicture p(uint32_t(w), uint32_t(h), 0);
    const int32_t cx = w / 2;
    const uint32_t hair = 0xFF402818u, skin = 0xFFF8DCC4u, eye = 0xFF302040u, mouth = 0xFFB04040u, trim = 0xFFFFF0E0u;
    // Dress: a trapezoid from the shoulders, full width from two thirds down, so that the
    // figure covers everything behind its lower part.
    const int32_t shoulders = 230, full = h * 2 / 3;
    for (int32_t y = shoulders; y < h; ++y) {
        const int32_t half = y >= full ? w / 2 : 50 + (w / 2 - 50) * (y - shoulders) / (full - shoulders);
        FillRect(p, cx - half, y, cx + half, y + 1, dress);
    }
    FillRect(p, cx - 50, shoulders, cx + 50, shoulders + 10, trim);  // collar
    FillRect(p, cx - 14, 190, cx + 14, shoulders, skin);              // neck
    // Hair behind the face, the face, and the fringe: the hair's disc down to the brow.
    FillCircle(p, cx, 120, 78, hair);
    FillRect(p, cx - 78, 120, cx + 78, 250, hair);
    FillCircle(p, cx, 140, 60, skin);
    for (int32_t y = 42; y < 108; ++y)
        for (int32_t x = cx - 78; x <= cx + 78; ++x)
            if ((x - cx) * (x - cx) + (y - 120) * (y - 120) <= 78 * 78) p.At(uint32_t(x), uint32_t(y)) = hair;
    // Eyes and mouth by expression.
    if (expression == "smile") {
        for (int32_t side : {-1, 1})
            for (int32_t i = -10; i <= 10; ++i) {
                const int32_t y = 138 - (10 * 10 - i * i) / 20;  // an arc: closed, smiling eyes
                FillRect(p, cx + side * 24 + i - 1, y, cx + side * 24 + i + 2, y + 3, eye);
            }
        for (int32_t i = -16; i <= 16; ++i) {
            const int32_t y = 168 + (16 * 16 - i * i) / 40;
            FillRect(p, cx + i - 1, y, cx + i + 2, y + 3, mouth);
        }
    } else {
        for (int32_t side : {-1, 1}) {
            FillRect(p, cx + side * 24 - 7, 122, cx + side * 24 + 7, 146, eye);
            FillRect(p, cx + side * 24 - 3, 126, cx + side * 24 + 1, 132, 0xFFFFFFFFu);  // a gleam
        }
        FillRect(p, cx - 10, 174, cx + 10, 178, mouth);
    }
    return p;
}

std::vector<int16_t> Melody(int rate, const std::vector<double>& notes, double beat, double droneHz, double level)
{
    const size_t perNote = size_t(beat * rate);
    std::vector<int16_t> out(perNote * notes.size());
    for (size_t n = 0; n < notes.size(); ++n)
        for (size_t i = 0; i < perNote; ++i) {
            const size_t at = n * perNote + i;
            const double t = double(at) / rate, local = double(i) / double(perNote);
            // Each note swells in and fades to a floor, so the line never falls silent.
            const double env = 0.45 + 0.55 * std::exp(-3.0 * local) * std::min(1.0, local * 40.0);
            const double note = std::sin(2 * kPi * notes[n] * t) + 0.3 * std::sin(4 * kPi * notes[n] * t);
            const double drone = 0.5 * std::sin(2 * kPi * droneHz * t);
            out[at] = Clip(level * (0.7 * env * note + drone) / 1.5);
        }
    return out;
}

std::vector<int16_t> Chime(int rate, double seconds, double hz, double level)
{
    std::vector<int16_t> out(size_t(seconds * rate));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / rate;
        const double env = std::exp(-4.0 * t) * std::min(1.0, t * 400.0);
        out[i] = Clip(level * env * (std::sin(2 * kPi * hz * t) + 0.5 * std::sin(2 * kPi * hz * 1.5 * t)) / 1.5);
    }
    return out;
}

std::vector<int16_t> VoicePhrase(int rate, int syllables, double syllableSeconds, double baseHz, double level)
{
    const size_t per = size_t(syllableSeconds * rate);
    std::vector<int16_t> out(per * size_t(syllables));
    double phase = 0.0;
    for (size_t at = 0; at < out.size(); ++at) {
        const size_t s = at / per;
        const double local = double(at % per) / double(per);
        // Each syllable keeps its pitch; the pitch steps between syllables and falls at the end.
        const double hz = baseHz * (1.0 + 0.08 * double(s % 3)) * (s + 1 == size_t(syllables) ? 0.9 : 1.0);
        phase += 2 * kPi * hz / rate;
        double v = 0.0;
        // Harmonics weighted like an open vowel.
        for (int k = 1; k <= 6; ++k) v += std::sin(phase * k) * (k == 2 || k == 3 ? 0.8 : 0.35) / k;
        out[at] = Clip(level * (0.15 + 0.85 * Swell(local)) * v);
    }
    return out;
}

}  // namespace gxdemo
