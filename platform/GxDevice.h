// The graphics device the engine draws through: a Direct3D-9-like interface of our own with two
// backends, OpenGL 3.3 core (a window context through SDL2, or headless through EGL on Mesa's
// surfaceless platform) and a recording backend that keeps every call and CPU pixel copies for
// exact tests. The engine above is written once against these classes.
//
// Objects are reference counted: a creating call hands out one reference, AddRef adds one,
// Release drops one and deletes the object at zero. Children (swap chains, surfaces, textures)
// never keep the device alive; once the device is gone their calls fail with GXERR_INVALIDCALL.
//
// All calls are made on the thread that created the device (the main thread): GL contexts are
// bound to it. Threads that produce pixels fill CPU buffers that the main thread uploads.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/GxDeviceTypes.h"

class GxDevice;
class GxDirect3D;

class GxDeviceObject
{
public:
    GxDeviceObject(const GxDeviceObject&) = delete;
    GxDeviceObject& operator=(const GxDeviceObject&) = delete;

    uint32_t AddRef() { return ++m_RefCount; }
    uint32_t Release()
    {
        uint32_t n = --m_RefCount;
        if (n == 0) delete this;
        return n;
    }

protected:
    GxDeviceObject() = default;
    virtual ~GxDeviceObject() = default;

private:
    std::atomic<uint32_t> m_RefCount{1};
};

// Drops a reference and clears the pointer.
template <typename T>
inline void GxSafeRelease(T*& p)
{
    if (p) {
        p->Release();
        p = nullptr;
    }
}

class GxDeviceSurface : public GxDeviceObject
{
public:
    virtual GxResult GetDesc(GxSurfaceDesc* desc) = 0;
    // CPU access: pBits points at the rectangle's first pixel (none = the whole surface), rows
    // Pitch bytes apart, top row first, pixels in the surface's format.
    virtual GxResult LockRect(GxLockedRect* locked, const GxRectL* rect, uint32_t flags) = 0;
    virtual GxResult UnlockRect() = 0;
};

class GxDeviceTexture : public GxDeviceObject
{
public:
    virtual uint32_t GetLevelCount() = 0;
    virtual GxResult GetLevelDesc(uint32_t level, GxSurfaceDesc* desc) = 0;
    virtual GxResult GetSurfaceLevel(uint32_t level, GxDeviceSurface** surface) = 0;
    virtual GxResult LockRect(uint32_t level, GxLockedRect* locked, const GxRectL* rect, uint32_t flags) = 0;
    virtual GxResult UnlockRect(uint32_t level) = 0;
    virtual GxResult AddDirtyRect(const GxRectL* rect) = 0;

    // Our own addition. The pixels of a new managed one-level texture come from fill when they
    // are first used (drawn, locked, read, copied), written into level 0 as it is stored
    // (zero-filled before; rows top first, pitch bytes apart): a picture that is never shown is
    // never decoded. Refused (INVALIDCALL) for other textures and once the pixels were used.
    using ContentFill = std::function<void(uint8_t* bits, uint32_t pitch)>;
    virtual GxResult SetContentOnUse(ContentFill fill) = 0;
    // Our own addition. The texture is drawn into by the CPU again and again (made empty for
    // that, as a page of glyphs is): its CPU copy is kept once the GPU has the pixels, where a
    // loaded picture's may be let go.
    virtual void KeepCopy() = 0;
};

class GxDeviceSwapChain : public GxDeviceObject
{
public:
    virtual GxResult Present(const GxRectL* source, const GxRectL* dest, void* destWindow, uint32_t flags) = 0;
    virtual GxResult GetBackBuffer(uint32_t index, GxDeviceSurface** surface) = 0;
    virtual GxResult GetPresentParameters(GxPresentParameters* params) = 0;
};

// Shader and vertex-buffer objects are not used by the engine's drawing: it only ever binds none.
class GxDeviceVertexShader;
class GxDeviceVertexBuffer;

// ---- Call recording ---------------------------------------------------------------------------

enum class GxDeviceOp : uint8_t {
    TestCooperativeLevel,
    Reset,
    Present,
    CreateAdditionalSwapChain,
    CreateTexture,
    CreateOffscreenPlainSurface,
    CreateRenderTarget,
    CreateDepthStencilSurface,
    UpdateTexture,
    GetRenderTargetData,
    StretchRect,
    SetRenderTarget,
    SetDepthStencilSurface,
    BeginScene,
    EndScene,
    Clear,
    SetViewport,
    SetRenderState,
    SetTextureStageState,
    SetSamplerState,
    SetTexture,
    SetLight,
    LightEnable,
    SetSoftwareVertexProcessing,
    SetFVF,
    SetVertexShader,
    SetStreamSource,
    DrawPrimitiveUP,
};

// One device call as the engine made it. The meaning of the argument words follows the call's
// parameter order (integers and flags in args, floats in f, the object passed in object).
struct GxDeviceCall
{
    GxDeviceOp op = GxDeviceOp::TestCooperativeLevel;
    uint32_t args[6] = {0, 0, 0, 0, 0, 0};
    float f[4] = {0, 0, 0, 0};
    const void* object = nullptr;
    std::vector<GxRectL> rects;            // Clear, Present (source, dest), StretchRect
    std::vector<GxScreenVertex> vertices;  // DrawPrimitiveUP with 32-byte vertices
    GxResult result = GX_OK;
};

class GxDeviceRecorder
{
public:
    bool enabled = false;
    std::vector<GxDeviceCall> calls;

    void Clear() { calls.clear(); }
    size_t Count(GxDeviceOp op) const
    {
        size_t n = 0;
        for (const auto& c : calls) n += c.op == op ? 1 : 0;
        return n;
    }
};

// What the device did with the frames it was given (see GxDevice::ForceFrame).
struct GxFrameStats
{
    uint64_t framesShown = 0;    // presents that drew and showed their frame
    uint64_t framesElided = 0;   // presents whose frame equalled the last one shown: no GPU work
    uint64_t drawsExecuted = 0;  // draws the backend carried out
    uint64_t clearsExecuted = 0;
};

// ---- The device -------------------------------------------------------------------------------

class GxDevice : public GxDeviceObject
{
public:
    // Presentation and device loss.
    virtual GxResult TestCooperativeLevel() = 0;
    virtual uint32_t GetAvailableTextureMem() = 0;
    virtual GxResult Reset(GxPresentParameters* params) = 0;
    virtual GxResult Present(const GxRectL* source, const GxRectL* dest, void* destWindow, const void* dirtyRegion) = 0;
    virtual GxResult GetSwapChain(uint32_t index, GxDeviceSwapChain** swapChain) = 0;
    virtual GxResult CreateAdditionalSwapChain(GxPresentParameters* params, GxDeviceSwapChain** swapChain) = 0;
    virtual GxResult GetBackBuffer(uint32_t swapChain, uint32_t index, GxDeviceSurface** surface) = 0;
    virtual GxResult GetDirect3D(GxDirect3D** direct3D) = 0;
    virtual GxResult GetDeviceCaps(GxDeviceCaps* caps) = 0;

    // Resources.
    virtual GxResult CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, GxFormat format,
                                   GxPool pool, GxDeviceTexture** texture) = 0;
    virtual GxResult CreateOffscreenPlainSurface(uint32_t width, uint32_t height, GxFormat format, GxPool pool,
                                                 GxDeviceSurface** surface) = 0;
    virtual GxResult CreateRenderTarget(uint32_t width, uint32_t height, GxFormat format, GxMultiSampleType msType,
                                        uint32_t msQuality, bool lockable, GxDeviceSurface** surface) = 0;
    virtual GxResult CreateDepthStencilSurface(uint32_t width, uint32_t height, GxFormat format,
                                               GxMultiSampleType msType, uint32_t msQuality, bool discard,
                                               GxDeviceSurface** surface) = 0;
    virtual GxResult UpdateTexture(GxDeviceTexture* source, GxDeviceTexture* dest) = 0;
    virtual GxResult GetRenderTargetData(GxDeviceSurface* renderTarget, GxDeviceSurface* dest) = 0;
    virtual GxResult StretchRect(GxDeviceSurface* source, const GxRectL* sourceRect, GxDeviceSurface* dest,
                                 const GxRectL* destRect, GxTextureFilter filter) = 0;

    // Targets.
    virtual GxResult SetRenderTarget(uint32_t index, GxDeviceSurface* surface) = 0;
    virtual GxResult GetRenderTarget(uint32_t index, GxDeviceSurface** surface) = 0;
    virtual GxResult SetDepthStencilSurface(GxDeviceSurface* surface) = 0;
    virtual GxResult GetDepthStencilSurface(GxDeviceSurface** surface) = 0;

    // Scenes, clearing and the viewport. Clear works inside the viewport: with no rectangles on
    // the whole of it, else on each rectangle cut to it.
    virtual GxResult BeginScene() = 0;
    virtual GxResult EndScene() = 0;
    virtual GxResult Clear(uint32_t count, const GxRectL* rects, uint32_t flags, GxColor color, float z,
                           uint32_t stencil) = 0;
    virtual GxResult SetViewport(const GxViewport* viewport) = 0;
    virtual GxResult GetViewport(GxViewport* viewport) = 0;

    // The fixed-function state (a shader stands in for it in the GL backend).
    virtual GxResult SetRenderState(GxRenderStateType state, uint32_t value) = 0;
    virtual GxResult GetRenderState(GxRenderStateType state, uint32_t* value) = 0;
    virtual GxResult SetTextureStageState(uint32_t stage, GxTextureStageStateType type, uint32_t value) = 0;
    virtual GxResult GetTextureStageState(uint32_t stage, GxTextureStageStateType type, uint32_t* value) = 0;
    virtual GxResult SetSamplerState(uint32_t sampler, GxSamplerStateType type, uint32_t value) = 0;
    virtual GxResult GetSamplerState(uint32_t sampler, GxSamplerStateType type, uint32_t* value) = 0;
    virtual GxResult SetTexture(uint32_t stage, GxDeviceTexture* texture) = 0;
    virtual GxResult SetLight(uint32_t index, const GxLight* light) = 0;
    virtual GxResult LightEnable(uint32_t index, bool enable) = 0;
    virtual GxResult SetSoftwareVertexProcessing(bool software) = 0;
    virtual bool GetSoftwareVertexProcessing() = 0;
    virtual GxResult SetFVF(uint32_t fvf) = 0;
    virtual GxResult SetVertexShader(GxDeviceVertexShader* shader) = 0;
    virtual GxResult SetStreamSource(uint32_t stream, GxDeviceVertexBuffer* buffer, uint32_t offset,
                                     uint32_t stride) = 0;
    virtual GxResult DrawPrimitiveUP(GxPrimitiveType type, uint32_t primitiveCount, const void* vertices,
                                     uint32_t stride) = 0;

    // Our own additions: reading pixels back for captures and tests, the loss test hook and the
    // call record.
    //
    // ReadBackBuffer gives the current back buffer; ReadPresented the picture of the last Present
    // (a black picture of the back-buffer size before the first one). The GL device keeps no
    // copy of the presented picture until ReadPresented has been asked once: before that, the
    // picture can be read only until the next drawing into the back buffer (INVALIDCALL after).
    virtual GxResult ReadBackBuffer(GxPixelImage* image) = 0;
    virtual GxResult ReadPresented(GxPixelImage* image) = 0;
    // A texture level as the device itself holds it (the GL texture object, not the CPU copy),
    // as 0xAARRGGBB words.
    virtual GxResult ReadTexture(GxDeviceTexture* texture, uint32_t level, GxPixelImage* image) = 0;
    // Makes the device lost: Present answers GXERR_DEVICELOST, TestCooperativeLevel answers
    // GXERR_DEVICELOST lostAnswers times and then GXERR_DEVICENOTRESET until Reset succeeds.
    virtual void SimulateDeviceLoss(uint32_t lostAnswers) = 0;
    virtual GxDeviceRecorder& Recorder() = 0;
    // A frame (the calls between two presents) that asks the GL device for exactly what the
    // last shown frame asked (the same draws, clears, states and targets, the same textures at
    // the same contents) is not drawn and its present shows nothing new: the screen already
    // holds that picture, and ReadPresented gives it. ForceFrame makes the next present draw and
    // show its frame whatever it holds; a screenshot or a capture asks for it. The recording
    // device draws every frame.
    virtual void ForceFrame() = 0;
    // Counts one more present of the last shown frame, without its calls and without showing
    // anything, when the device can vouch that the frame's calls would ask for that very picture
    // again: nothing called since that present, the frame's picture depending on its calls alone,
    // no texture made, written or released since the frame began, the window unspoilt and its
    // drawable the same, the device not lost, no frame forced. The caller must know the calls
    // would be the same; the device knows the textures. False, with nothing done, otherwise (and
    // always on the recording device): the caller draws and presents the frame.
    virtual bool RepeatShownFrame() = 0;
    virtual GxFrameStats GetFrameStats() = 0;
};

// ---- The adapter object ------------------------------------------------------------------------

class GxDirect3D : public GxDeviceObject
{
public:
    virtual uint32_t GetAdapterCount() = 0;
    virtual GxResult GetAdapterIdentifier(uint32_t adapter, uint32_t flags, GxAdapterIdentifier* identifier) = 0;
    virtual uint32_t GetAdapterModeCount(uint32_t adapter, GxFormat format) = 0;
    virtual GxResult EnumAdapterModes(uint32_t adapter, GxFormat format, uint32_t index, GxDisplayMode* mode) = 0;
    virtual GxResult GetAdapterDisplayMode(uint32_t adapter, GxDisplayMode* mode) = 0;
    virtual GxResult CheckDeviceType(uint32_t adapter, GxDeviceType type, GxFormat adapterFormat,
                                     GxFormat backBufferFormat, bool windowed) = 0;
    virtual GxResult CheckDeviceFormat(uint32_t adapter, GxDeviceType type, GxFormat adapterFormat, uint32_t usage,
                                       GxResourceType resourceType, GxFormat checkFormat) = 0;
    virtual GxResult CheckDeviceMultiSampleType(uint32_t adapter, GxDeviceType type, GxFormat surfaceFormat,
                                                bool windowed, GxMultiSampleType msType, uint32_t* qualityLevels) = 0;
    virtual GxResult GetDeviceCaps(uint32_t adapter, GxDeviceType type, GxDeviceCaps* caps) = 0;
    virtual GxResult CreateDevice(uint32_t adapter, GxDeviceType type, void* focusWindow, uint32_t behaviorFlags,
                                  GxPresentParameters* params, GxDevice** device) = 0;
};

// Which device the engine gets.
enum class GxDeviceBackend : uint8_t { GL, Recording };

struct GxDirect3DCreateParams
{
    uint32_t sdkVersion = GX_DEVICE_SDK_VERSION;
    // The native window (an SDL_Window* made with SDL_WINDOW_OPENGL), or none. Without a window,
    // or when GxGLIsHeadless() says so, the GL backend draws headless through EGL.
    void* window = nullptr;
    // A display mode the adapter lists beside the desktop mode (the engine's logical screen).
    GxDisplayMode extraMode{1024, 768, 60, GXFMT_X8R8G8B8};
};

// The GL device object; none (with one error-log line naming the cause) when the version does
// not match or no GL 3.3 core context can be made.
GxDirect3D* GxCreateGLDirect3D(const GxDirect3DCreateParams& params);
