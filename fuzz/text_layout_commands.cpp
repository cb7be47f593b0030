// Fuzz target: the layout text texture's in-text commands and wrapping over arbitrary text:
// control characters chosen by the input, the default colour handler or a handler that claims
// any number of characters, drawn a few characters at a time and then whole. Glyphs come from
// a block rasteriser and the texture lives on the recording device (CPU pixels), so writes
// outside the texture show.
// Input: 6 bytes of settings, then the text as UTF-16 little-endian.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "core/GxLog.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxTextureTextEx.h"
#include "platform/GxDeviceRecording.h"
#include "platform/GxGlyphRasterizer.h"

namespace {

// Every character a solid block half the height wide (full width from U+0080).
class BlockRasterizer : public GxGlyphRasterizer
{
public:
    std::unique_ptr<GxGlyphFont> CreateFont(const GxLogFont& font) override
    {
        return std::make_unique<Font>(font.Height > 0 ? font.Height : 16);
    }

private:
    class Font : public GxGlyphFont
    {
    public:
        explicit Font(int32_t height) : m_Height(height) {}
        bool GetTextMetrics(GxTextMetric* m) override
        {
            m->Height = m_Height;
            m->Ascent = m_Height - m_Height / 4;
            m->Descent = m_Height / 4;
            return true;
        }
        uint32_t GetGlyphOutlineW(uint32_t ch, uint32_t format, GxGlyphMetrics* gm, uint32_t size, void* buffer) override
        {
            if (format != GX_GGO_GRAY8_BITMAP) return GX_GDI_ERROR;
            const uint32_t w = static_cast<uint32_t>((ch < 0x80 ? 1 : 2) * m_Height / 2);
            const uint32_t h = static_cast<uint32_t>(m_Height - m_Height / 4);
            GxGlyphMetrics m;
            m.BlackBoxX = w;
            m.BlackBoxY = h;
            m.GlyphOriginX = 0;
            m.GlyphOriginY = static_cast<int32_t>(h);
            m.CellIncX = static_cast<int16_t>(w);
            *gm = m;
            const uint32_t need = GxGray8Pitch(w) * h;
            if (!buffer || size == 0 || need == 0) return need;
            if (size < need) return GX_GDI_ERROR;
            std::memset(buffer, 64, need);
            return need;
        }

    private:
        int32_t m_Height;
    };
};

GxTextureTextEx* Texture()
{
    static GxTextureTextEx* texture = [] {
        static BlockRasterizer rasterizer;
        GxSetGlyphRasterizer(&rasterizer);
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory([](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
        if (!GxGraphics::Create(nullptr, nullptr, nullptr, nullptr)) __builtin_trap();
        auto* t = new GxTextureTextEx;
        if (!t->CreateTexture(u"fuzz", 128, 64, GXFMT_A8R8G8B8, 1)) __builtin_trap();
        return t;
    }();
    return texture;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    GxSetErrorLogPath(u"/dev/null");
    GxSetDebugLogPath(u"/dev/null");
    GxSetDeviceLogPath(u"/dev/null");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6) return 0;
    GxTextureTextEx* t = Texture();
    // Control characters: small codes, so that the text meets them often.
    const char16_t lineFeed = data[0] & 0x0F, start = data[0] >> 4, end = data[1] & 0x0F;
    t->SetControlChars(lineFeed, start, end);
    t->SetSpacing(static_cast<int8_t>(data[2]), static_cast<int8_t>(data[3]));
    t->SetFontSize(4 + data[4] % 40);
    const uint32_t claim = data[5];
    if (data[1] & 0x10) {
        t->SetCommandHandler([claim](GxTextureTextEx*, std::u16string_view, char16_t, int32_t) { return claim; });
    } else {
        t->SetCommandHandler(&GxTextureTextEx::DefaultCommandHandler);
    }
    const GxRectL rect{static_cast<int8_t>(data[2]), static_cast<int8_t>(data[3]), 64 + (data[4] & 0x7F), 48};
    t->SetLayoutRect((data[1] & 0x20) ? &rect : nullptr);

    std::u16string text;
    for (size_t i = 6; i + 1 < size && text.size() < 512; i += 2)
        text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    t->ClearAll();
    t->SetText(text);
    const uint32_t step = 1 + (data[5] & 7);
    for (int i = 0; i < 64 && t->DrawNextWithCommands(step) > 0; ++i) {
    }
    t->AppendText(text);
    t->DrawAllWithCommands();
    t->SetProgress(0);
    t->DrawAll();
    return 0;
}
