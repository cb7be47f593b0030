#include "media/GxTextureMovie.h"

#include <algorithm>
#include <cstring>

#include "core/GxLog.h"
#include "core/GxString.h"

namespace {

uint32_t PixelBytes(GxFormat f)
{
    if (GxIs32BitFormat(f)) return 4;
    if (GxIs16BitFormat(f) || f == GXFMT_A1R5G5B5) return 2;
    return GxFormatBytesPerPixel(f);
}

void FillBuffer(std::vector<uint8_t>& buffer, GxFormat f, GxColor color)
{
    const uint32_t bpp = PixelBytes(f);
    if (bpp == 0) return;
    uint8_t pixel[16] = {};
    if (GxIs16BitFormat(f)) {
        const uint16_t c = GxColor32To16(color);
        std::memcpy(pixel, &c, 2);
    } else {
        GxArgbToPixel(f, color, pixel);
    }
    for (size_t i = 0; i + bpp <= buffer.size(); i += bpp) std::memcpy(buffer.data() + i, pixel, bpp);
}

}  // namespace

GxTextureMovie::~GxTextureMovie()
{
    std::lock_guard<std::recursive_mutex> guard(m_Lock);
    ClearBuffers();
}

void GxTextureMovie::ClearBuffers()
{
    m_Buffers[0].clear();
    m_Buffers[1].clear();
    m_Buffers[0].shrink_to_fit();
    m_Buffers[1].shrink_to_fit();
    m_Pitch = 0;
    m_Front = 0;
    m_Ready[0] = m_Ready[1] = false;
    m_BufferLocked = false;
    m_Dirty = false;
    m_Presented = m_HasFrame = false;
}

bool GxTextureMovie::Create(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format,
                            GxColor fillColor, bool dynamic)
{
    std::lock_guard<std::recursive_mutex> guard(m_Lock);
    ClearBuffers();
    m_FillColor = fillColor;
    m_Dynamic = dynamic;
    if (!CreateTexture(name, width, height, format, 1)) {
        GxPrintErrorLog(u"Error/GxTextureMovie::Create Failed(Type:Texture Name:\"%s\" Size:%d,%d CachePos:%d %s)\n",
                        name, m_Width, m_Height, 0, u"CreateTexture");
        return false;
    }
    const uint32_t bpp = PixelBytes(m_Format);
    m_Pitch = m_Width * bpp;
    for (auto& b : m_Buffers) {
        b.assign(static_cast<size_t>(m_Pitch) * m_Height, 0);
        FillBuffer(b, m_Format, m_FillColor);
    }
    UploadLocked(m_Front);
    return true;
}

bool GxTextureMovie::CreateA(std::string_view name, uint32_t width, uint32_t height, GxFormat format,
                             GxColor fillColor, bool dynamic)
{
    return Create(GxAnsiToWide(name), width, height, format, fillColor, dynamic);
}

void GxTextureMovie::Release()
{
    std::lock_guard<std::recursive_mutex> guard(m_Lock);
    GxTexture::Release();
    if (m_RefCount == 0) ClearBuffers();
}

void GxTextureMovie::OnLostDevice()
{
    std::lock_guard<std::recursive_mutex> guard(m_Lock);
    GxTexture::OnLostDevice();
    if (m_Dynamic) m_Ready[0] = m_Ready[1] = false;
}

void GxTextureMovie::OnResetDevice()
{
    std::lock_guard<std::recursive_mutex> guard(m_Lock);
    GxTexture::OnResetDevice();
    if (!m_Dynamic || m_Buffers[0].empty()) return;
    // A dynamic texture comes back in its fill colour until the next frame.
    for (auto& b : m_Buffers) FillBuffer(b, m_Format, m_FillColor);
    m_Dirty = false;
    if (!UploadLocked(m_Front))
        GxPrintErrorLog(u"Error/GxTextureMovie::Restore Failed(Size:%d,%d CachePos:%d %s)\n", m_Width, m_Height,
                        m_Front, u"LockRect");
}

uint32_t GxTextureMovie::GetMemorySize()
{
    if (GxIs32BitFormat(m_Format)) return m_Width * m_Height * 8;
    if (GxIs16BitFormat(m_Format)) return m_Width * m_Height * 4;
    return 0;
}

uint32_t GxTextureMovie::GetFrontIndex() const
{
    std::lock_guard<std::recursive_mutex> guard(m_Lock);
    return m_Front;
}

bool GxTextureMovie::IsFrameReady() const
{
    std::lock_guard<std::recursive_mutex> guard(m_Lock);
    return m_Ready[m_Front];
}

bool GxTextureMovie::Fill(uint32_t index, GxColor color)
{
    std::lock_guard<std::recursive_mutex> guard(m_Lock);
    if (index > 1 || m_Buffers[index].empty() || m_BufferLocked) return false;
    FillBuffer(m_Buffers[index], m_Format, color);
    if (index == m_Front) m_Dirty = true;
    return true;
}

bool GxTextureMovie::LockRect(uint32_t index, void** bits, int32_t* pitch)
{
    m_Lock.lock();
    if (m_BufferLocked) {
        GxPrintSlightErrorLog(u"Error/Texture LockRect Failed(Name:\"%s\" Size:%d,%d Texture Already Locked)\n", m_Name,
                              m_Width, m_Height);
        m_Lock.unlock();
        return false;
    }
    if (index > 1 || m_Buffers[index].empty()) {
        GxPrintSlightErrorLog(u"Error/Texture LockRect Failed(Name:\"%s\" Size:%d,%d %s)\n", m_Name, m_Width,
                              m_Height, u"no texture");
        m_Lock.unlock();
        return false;
    }
    m_BufferLocked = true;
    if (bits) *bits = m_Buffers[index].data();
    if (pitch) *pitch = static_cast<int32_t>(m_Pitch);
    return true;  // the lock stays held until UnlockRect
}

bool GxTextureMovie::UnlockRect(uint32_t index)
{
    std::lock_guard<std::recursive_mutex> guard(m_Lock);
    if (!m_BufferLocked || index > 1) return false;
    m_BufferLocked = false;
    if (index == m_Front) m_Dirty = true;
    m_Lock.unlock();  // the hold taken by LockRect
    return true;
}

uint32_t GxTextureMovie::Present()
{
    std::lock_guard<std::recursive_mutex> guard(m_Lock);
    const uint32_t old = m_Front;
    m_Ready[m_Front] = true;
    m_Front ^= 1u;
    m_Dirty = true;
    m_Presented = true;
    return old;
}

bool GxTextureMovie::ConvertPixel(GxFormat f, uint8_t b, uint8_t g, uint8_t r, uint8_t* dst)
{
    uint16_t v16 = 0;
    switch (f) {
    case GXFMT_A8R8G8B8:
    case GXFMT_X8R8G8B8:
        dst[0] = b;
        dst[1] = g;
        dst[2] = r;
        dst[3] = 255;
        return true;
    case GXFMT_A1R5G5B5:
        v16 = static_cast<uint16_t>(0x8000u | (uint32_t(r) & 0xF8u) << 7 | (uint32_t(g) & 0xF8u) << 2 | uint32_t(b) >> 3);
        break;
    case GXFMT_A4R4G4B4:
    case GXFMT_X4R4G4B4:
        v16 = static_cast<uint16_t>(0xF000u | (uint32_t(r) & 0xF0u) << 4 | (uint32_t(g) & 0xF0u) | uint32_t(b) >> 4);
        break;
    default: return false;
    }
    std::memcpy(dst, &v16, 2);
    return true;
}

bool GxTextureMovie::WriteFrame(const uint8_t* bgr, uint32_t width, uint32_t height, uint32_t srcPitch)
{
    std::lock_guard<std::recursive_mutex> guard(m_Lock);
    const uint32_t back = m_Front ^ 1u;
    std::vector<uint8_t>& dst = m_Buffers[back];
    if (dst.empty() || m_BufferLocked || !bgr) return false;
    const uint32_t w = std::min(width, m_Width), h = std::min(height, m_Height);
    const uint32_t bpp = PixelBytes(m_Format);
    uint8_t probe[4];
    if (GxIs32BitFormat(m_Format)) {
        // The common case, without a format switch per pixel: a full-screen movie's frame is
        // copied on the main thread.
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t* s = bgr + static_cast<size_t>(srcPitch) * y;
            uint8_t* d = dst.data() + static_cast<size_t>(m_Pitch) * y;
            for (uint32_t x = 0; x < w; ++x, s += 3, d += 4) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                d[3] = 255;
            }
        }
    } else if (ConvertPixel(m_Format, 0, 0, 0, probe)) {
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t* s = bgr + static_cast<size_t>(srcPitch) * y;
            uint8_t* d = dst.data() + static_cast<size_t>(m_Pitch) * y;
            for (uint32_t x = 0; x < w; ++x, s += 3, d += bpp) ConvertPixel(m_Format, s[0], s[1], s[2], d);
        }
    }
    Present();
    return true;
}

bool GxTextureMovie::UploadLocked(uint32_t index)
{
    if (m_Buffers[index].empty()) return false;
    void* bits = nullptr;
    int32_t pitch = 0;
    if (!GxTexture::LockRect(nullptr, &bits, &pitch, nullptr, nullptr, nullptr, false)) return false;
    const size_t row = std::min<size_t>(m_Pitch, pitch > 0 ? static_cast<size_t>(pitch) : 0);
    for (uint32_t y = 0; y < m_Height; ++y)
        std::memcpy(static_cast<uint8_t*>(bits) + static_cast<size_t>(pitch) * y,
                    m_Buffers[index].data() + static_cast<size_t>(m_Pitch) * y, row);
    GxTexture::UnlockRect();
    return true;
}

bool GxTextureMovie::UploadFrame()
{
    std::lock_guard<std::recursive_mutex> guard(m_Lock);
    if (!m_Dirty || m_BufferLocked) return false;
    m_Dirty = false;
    if (!UploadLocked(m_Front)) return false;
    if (m_Presented) m_HasFrame = true;
    return true;
}

bool GxTextureMovie::HasFrame() const
{
    std::lock_guard<std::recursive_mutex> guard(m_Lock);
    return m_HasFrame;
}

GxColor GxTextureMovie::GetBufferPixel(uint32_t index, uint32_t x, uint32_t y) const
{
    std::lock_guard<std::recursive_mutex> guard(m_Lock);
    if (index > 1 || m_Buffers[index].empty() || x >= m_Width || y >= m_Height) return 0;
    const uint8_t* p = m_Buffers[index].data() + static_cast<size_t>(m_Pitch) * y + size_t(x) * PixelBytes(m_Format);
    if (GxIs16BitFormat(m_Format)) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return GxColor16To32(v);
    }
    return GxPixelToArgb(m_Format, p);
}
