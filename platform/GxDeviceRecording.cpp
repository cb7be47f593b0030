#include "platform/GxDeviceRecording.h"

#include <algorithm>
#include <cstring>

namespace {

class RecordingDevice : public GxDeviceCore
{
public:
    using GxDeviceCore::GxDeviceCore;

protected:
    GxResult NativeCreateBackBuffer(const GxPresentParameters& p) override
    {
        size_t n = static_cast<size_t>(p.BackBufferWidth) * p.BackBufferHeight;
        m_Back.assign(n, 0);
        m_Front.assign(n, 0);
        m_Width = p.BackBufferWidth;
        m_Height = p.BackBufferHeight;
        m_Opaque = p.BackBufferFormat == GXFMT_X8R8G8B8;
        return GX_OK;
    }

    GxResult NativeClear(const GxRectL& rect, uint32_t flags, GxColor color, float, uint32_t) override
    {
        if (!(flags & GXCLEAR_TARGET)) return GX_OK;
        ++m_FrameStats.clearsExecuted;
        if (m_RenderTargets[0] == m_BackBuffer) {
            for (int32_t y = rect.top; y < rect.bottom; ++y)
                std::fill_n(m_Back.begin() + static_cast<size_t>(y) * m_Width + rect.left, rect.right - rect.left,
                            color);
        } else if (GxCoreTextureSurface* s = OwnTextureSurface(m_RenderTargets[0])) {
            // A texture target's pixels are its CPU copy here.
            GxCoreTexture::Level& l = s->Texture()->LevelAt(s->Level());
            if (!s->Texture()->Bits(s->Level())) return GXERR_OUTOFMEMORY;
            GxFormat f = s->Texture()->Desc().Format;
            uint32_t bpp = GxFormatBytesPerPixel(f);
            uint8_t pixel[4] = {0, 0, 0, 0};
            GxArgbToPixel(f, color, pixel);
            for (int32_t y = rect.top; y < rect.bottom; ++y) {
                uint8_t* p = l.bits + static_cast<size_t>(y) * l.pitch + static_cast<size_t>(rect.left) * bpp;
                for (int32_t x = rect.left; x < rect.right; ++x, p += bpp) std::memcpy(p, pixel, bpp);
            }
        }
        return GX_OK;
    }

    GxResult NativePresent(const GxRectL*, const GxRectL*, void*) override
    {
        if (presentFailure && GxFailed(*presentFailure)) return *presentFailure;
        ++m_FrameStats.framesShown;
        m_Front = m_Back;
        return GX_OK;
    }

    GxResult NativeReadBackBuffer(GxPixelImage* image) override { return Copy(m_Back, image); }
    GxResult NativeReadPresented(GxPixelImage* image) override { return Copy(m_Front, image); }

    // Draws are recorded, not rasterised.
    GxResult NativeDrawScreenVertices(GxPrimitiveType, uint32_t, const GxScreenVertex*, uint32_t) override
    {
        ++m_FrameStats.drawsExecuted;
        return GX_OK;
    }

public:
    std::shared_ptr<GxResult> presentFailure;

private:
    GxResult Copy(const std::vector<uint32_t>& src, GxPixelImage* image) const
    {
        image->width = m_Width;
        image->height = m_Height;
        image->pixels = src;
        if (m_Opaque)
            for (auto& p : image->pixels) p |= 0xFF000000u;
        return GX_OK;
    }

    std::vector<uint32_t> m_Back;
    std::vector<uint32_t> m_Front;
    uint32_t m_Width = 0;
    uint32_t m_Height = 0;
    bool m_Opaque = false;
};

class RecordingDirect3D : public GxDirect3DCore
{
public:
    explicit RecordingDirect3D(const GxRecordingAdapter& a)
        : GxDirect3DCore(a.desc),
          m_Failures(a.createDeviceFailures),
          m_Failure(a.createDeviceFailure),
          m_FormatChecks(a.formatChecks),
          m_PresentFailure(a.presentFailure)
    {
    }

    GxResult CheckDeviceFormat(uint32_t adapter, GxDeviceType type, GxFormat adapterFormat, uint32_t usage,
                               GxResourceType resourceType, GxFormat checkFormat) override
    {
        if (m_FormatChecks) m_FormatChecks->push_back(GxFormatCheck{adapterFormat, usage, checkFormat});
        return GxDirect3DCore::CheckDeviceFormat(adapter, type, adapterFormat, usage, resourceType, checkFormat);
    }

protected:
    GxResult MakeDevice(GxDeviceType type, void* focusWindow, uint32_t behaviorFlags,
                        const GxPresentParameters& params, GxDeviceCore** device) override
    {
        if (m_Failures > 0) {
            --m_Failures;
            return m_Failure;
        }
        auto* d = new RecordingDevice(this, type, focusWindow, behaviorFlags, params);
        d->Recorder().enabled = true;
        d->presentFailure = m_PresentFailure;
        *device = d;
        return GX_OK;
    }

private:
    uint32_t m_Failures;
    GxResult m_Failure;
    std::shared_ptr<std::vector<GxFormatCheck>> m_FormatChecks;
    std::shared_ptr<GxResult> m_PresentFailure;
};

}  // namespace

GxRecordingAdapter GxDefaultRecordingAdapter()
{
    GxRecordingAdapter a;
    GxAdapterDesc& d = a.desc;
    d.identifier.Description = "Recording Device";
    d.identifier.Driver = "gxrecord";
    d.identifier.DriverVersion = 1ull << 48;
    d.desktop = GxDisplayMode{1920, 1080, 60, GXFMT_X8R8G8B8};
    d.modes = {d.desktop, GxDisplayMode{1024, 768, 60, GXFMT_X8R8G8B8}};
    d.windowedFormats = {GXFMT_X8R8G8B8};
    d.backBufferFormats = {GXFMT_A8R8G8B8, GXFMT_X8R8G8B8};
    d.textureFormats = {GXFMT_A8R8G8B8, GXFMT_X8R8G8B8, GXFMT_A4R4G4B4, GXFMT_X4R4G4B4};
    d.renderTargetFormats = {GXFMT_A8R8G8B8, GXFMT_X8R8G8B8};
    d.depthStencilFormats = {GXFMT_D24S8, GXFMT_D24X8};
    d.caps = GxMakeGLDeviceCaps(8192, 16, 256.0f);
    return a;
}

GxDirect3D* GxCreateRecordingDirect3D(const GxRecordingAdapter& adapter) { return new RecordingDirect3D(adapter); }
