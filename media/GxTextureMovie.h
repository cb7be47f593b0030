// The texture pair that receives decoded movie frames: two CPU buffers in the texture's format
// and one device texture. A frame is copied into the back buffer (under the texture's lock, so a
// frame may come from any thread) and presented; the main thread uploads the front buffer into
// the device texture when a new frame was presented (GL only ever on the main thread). Drawing
// uses the device texture like any other GxTexture.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/GxTexture.h"

class GxTextureMovie : public GxTexture
{
public:
    GxTextureMovie() = default;
    ~GxTextureMovie() override;

    // Power-of-two texture sides (square on square-only devices) for an image of width x height;
    // format 0 takes the device's texture format. Both buffers and the device texture start as
    // the fill colour. Dynamic textures lose their frame with the device.
    bool Create(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format, GxColor fillColor,
                bool dynamic);
    bool CreateA(std::string_view name, uint32_t width, uint32_t height, GxFormat format, GxColor fillColor,
                 bool dynamic);
    // The layers' creation: opaque black, not dynamic.
    bool CreateMovieTexture(std::u16string_view name, uint32_t width, uint32_t height, GxFormat format,
                            uint32_t /*reserved0*/, uint32_t /*reserved1*/)
    {
        return Create(name, width, height, format, 0xFF000000u, false);
    }

    void Release() override;
    void OnLostDevice() override;
    void OnResetDevice() override;
    // Both buffers: width x height x 8 for 32-bit formats, x 4 for 16-bit ones, else 0.
    uint32_t GetMemorySize() override;

    // Index of the front (drawn) and back (written) buffers.
    uint32_t GetFrontIndex() const;
    uint32_t GetBackIndex() const { return GetFrontIndex() ^ 1u; }
    bool IsFrameReady() const;
    GxColor GetFillColor() const { return m_FillColor; }
    bool IsDynamic() const { return m_Dynamic; }

    using GxTexture::Fill;
    using GxTexture::LockRect;
    using GxTexture::UnlockRect;
    // Buffer index: every pixel the colour (16-bit formats take its 16-bit form).
    bool Fill(uint32_t index, GxColor color);
    // Buffer index, whole buffer; a second lock before UnlockRect is refused. The texture's lock
    // is held from LockRect to UnlockRect.
    bool LockRect(uint32_t index, void** bits, int32_t* pitch);
    bool UnlockRect(uint32_t index);
    // Marks the front buffer ready, swaps front and back; the old front index.
    uint32_t Present();

    // Copies a frame of B, G, R pixels (rows top first, srcPitch bytes apart) into the back buffer
    // and presents it: min(frame, texture) pixels, converted to the texture's format (other
    // formats: nothing). False when the texture holds no buffers.
    bool WriteFrame(const uint8_t* bgr, uint32_t width, uint32_t height, uint32_t srcPitch);

    // Main thread: sends the front buffer to the device texture when a frame was presented since
    // the last upload. True when it uploaded.
    bool UploadFrame();
    // True once a presented frame has reached the device texture. Until then the texture holds
    // only its fill colour, which is no picture of the movie: a layer shows nothing for it.
    bool HasFrame() const;

    // One pixel of a buffer as 0xAARRGGBB (tests and diagnostics); 0 outside.
    GxColor GetBufferPixel(uint32_t index, uint32_t x, uint32_t y) const;

    // The frame conversion of one B, G, R pixel into a pixel of format f (2 or 4 bytes at dst).
    // False for a format that takes no frames.
    static bool ConvertPixel(GxFormat f, uint8_t b, uint8_t g, uint8_t r, uint8_t* dst);

private:
    bool UploadLocked(uint32_t index);
    void ClearBuffers();

    mutable std::recursive_mutex m_Lock;
    std::vector<uint8_t> m_Buffers[2];
    uint32_t m_Pitch = 0;
    uint32_t m_Front = 0;
    bool m_Ready[2] = {false, false};
    bool m_BufferLocked = false;
    bool m_Dirty = false;
    bool m_Presented = false;  // a frame was presented since the buffers were made
    bool m_HasFrame = false;   // ... and uploaded
    bool m_Dynamic = false;
    GxColor m_FillColor = 0;
};
