// A glyph rasteriser with fixed bitmaps for exact layout and blit checks, and a recording device
// for the textures the text classes draw into.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxTexture.h"
#include "platform/GxDeviceRecording.h"
#include "platform/GxGlyphRasterizer.h"

namespace gxtest {

struct FakeGlyph
{
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t originX = 0;
    int32_t originY = 0;
    std::vector<uint8_t> gray;  // width x height levels, rows not padded
};

// Unless told otherwise every character is a solid block of level 64 that fills its cell from
// the cell's top to the baseline: width class x height / 2 wide (by the ASCII rule: below U+0080
// half width), ascent high, at the pen. The ascent is three quarters of the height.
class FakeRasterizer : public GxGlyphRasterizer
{
public:
    std::map<char16_t, FakeGlyph> glyphs;
    std::vector<GxLogFont> fonts;   // every font asked for
    std::vector<uint32_t> outlines; // every character rendered (after the narrow conversion)
    bool failCreate = false;

    static int32_t AscentFor(int32_t height) { return height - height / 4; }

    std::unique_ptr<GxGlyphFont> CreateFont(const GxLogFont& font) override
    {
        fonts.push_back(font);
        if (failCreate) return nullptr;
        return std::make_unique<Font>(this, font.Height);
    }

private:
    class Font : public GxGlyphFont
    {
    public:
        Font(FakeRasterizer* owner, int32_t height) : m_Owner(owner), m_Height(height) {}

        bool GetTextMetrics(GxTextMetric* m) override
        {
            m->Height = m_Height;
            m->Ascent = AscentFor(m_Height);
            m->Descent = m_Height - m->Ascent;
            return true;
        }

        uint32_t GetGlyphOutlineW(uint32_t ch, uint32_t format, GxGlyphMetrics* gm, uint32_t size,
                                  void* buffer) override
        {
            if (format != GX_GGO_GRAY8_BITMAP) return GX_GDI_ERROR;
            m_Owner->outlines.push_back(ch);
            FakeGlyph g;
            auto it = m_Owner->glyphs.find(static_cast<char16_t>(ch));
            if (it != m_Owner->glyphs.end()) {
                g = it->second;
            } else {
                g.width = static_cast<uint32_t>((ch < 0x80 ? 1 : 2) * m_Height / 2);
                g.height = static_cast<uint32_t>(AscentFor(m_Height));
                g.originY = AscentFor(m_Height);
                g.gray.assign(static_cast<size_t>(g.width) * g.height, 64);
            }
            GxGlyphMetrics m;
            m.BlackBoxX = g.width;
            m.BlackBoxY = g.height;
            m.GlyphOriginX = g.originX;
            m.GlyphOriginY = g.originY;
            m.CellIncX = static_cast<int16_t>(g.width);
            *gm = m;
            uint32_t pitch = GxGray8Pitch(g.width);
            uint32_t need = pitch * g.height;
            if (!buffer || size == 0 || need == 0) return need;
            if (size < need) return GX_GDI_ERROR;
            auto* out = static_cast<uint8_t*>(buffer);
            for (uint32_t y = 0; y < g.height; ++y)
                std::memcpy(out + y * pitch, g.gray.data() + static_cast<size_t>(y) * g.width, g.width);
            return need;
        }

    private:
        FakeRasterizer* m_Owner;
        int32_t m_Height;
    };
};

// Installs a fake rasteriser and a recording device for the test's lifetime.
class TextDeviceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GxSetGlyphRasterizer(&fake);
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory(
            [](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
        ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr));
    }
    void TearDown() override
    {
        GxSetGlyphRasterizer(nullptr);
        GxGraphics::Release();
        GxGraphics::SetDirect3DFactory(nullptr);
        GxGetGraphicsSettings().SetStartupValues();
    }

    FakeRasterizer fake;
};

// Level 0 of a 32-bit or 16-bit texture as 32-bit or 16-bit words, top row first.
inline std::vector<uint32_t> ReadPixels(GxTexture& t)
{
    std::vector<uint32_t> out;
    void* bits = nullptr;
    int32_t pitch = 0;
    uint32_t w = 0, h = 0;
    GxFormat f = GXFMT_UNKNOWN;
    if (!t.LockRect(nullptr, &bits, &pitch, &w, &h, &f, true)) return out;
    out.resize(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y) {
        const auto* row = static_cast<const uint8_t*>(bits) + static_cast<size_t>(y) * pitch;
        for (uint32_t x = 0; x < w; ++x)
            out[static_cast<size_t>(y) * w + x] = GxFormatBytesPerPixel(f) == 4
                                                     ? reinterpret_cast<const uint32_t*>(row)[x]
                                                     : reinterpret_cast<const uint16_t*>(row)[x];
    }
    t.UnlockRect();
    return out;
}

inline uint32_t PixelAt(const std::vector<uint32_t>& pixels, GxTexture& t, uint32_t x, uint32_t y)
{
    return pixels[static_cast<size_t>(y) * t.GetWidth() + x];
}

}  // namespace gxtest
