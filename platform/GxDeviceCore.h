// What both device backends share: the adapter object driven by a plain description of the
// adapter, and the device's bookkeeping (present parameters, loss state, scenes, viewport, state
// tables, implicit swap chain and back buffer, call record). A backend supplies the few
// operations that touch pixels.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/GxDevice.h"

// Everything the adapter object answers.
struct GxAdapterDesc
{
    uint32_t adapterCount = 1;
    bool identifierAvailable = true;
    GxAdapterIdentifier identifier;
    GxDisplayMode desktop{1024, 768, 60, GXFMT_X8R8G8B8};
    std::vector<GxDisplayMode> modes;            // the full-screen modes, every format
    std::vector<GxFormat> windowedFormats;       // display formats a device can draw into in a window
    std::vector<GxFormat> backBufferFormats;     // formats a back buffer may have
    std::vector<GxFormat> textureFormats;        // plain textures and surfaces
    std::vector<GxFormat> renderTargetFormats;   // textures and surfaces used as render targets
    std::vector<GxFormat> depthStencilFormats;
    bool capsAvailable = true;
    GxDeviceCaps caps;
    // Quality levels per multisample type, [0] full screen and [1] windowed; 0 = not supported.
    // Type 0 (no multisampling) is always supported with one level.
    uint32_t multiSampleQuality[2][GXMULTISAMPLE_MAX + 1] = {};
    bool halAvailable = true;
    bool refAvailable = false;
    uint32_t availableTextureMem = 512u << 20;
};

// The capabilities a GL 3.3 core device offers the engine, given the GL limits.
GxDeviceCaps GxMakeGLDeviceCaps(uint32_t maxTextureSize, uint32_t maxAnisotropy, float maxPointSize);

class GxDeviceCore;

class GxDirect3DCore : public GxDirect3D
{
public:
    explicit GxDirect3DCore(const GxAdapterDesc& desc) : m_Desc(desc) {}

    const GxAdapterDesc& Desc() const { return m_Desc; }

    uint32_t GetAdapterCount() override;
    GxResult GetAdapterIdentifier(uint32_t adapter, uint32_t flags, GxAdapterIdentifier* identifier) override;
    uint32_t GetAdapterModeCount(uint32_t adapter, GxFormat format) override;
    GxResult EnumAdapterModes(uint32_t adapter, GxFormat format, uint32_t index, GxDisplayMode* mode) override;
    GxResult GetAdapterDisplayMode(uint32_t adapter, GxDisplayMode* mode) override;
    GxResult CheckDeviceType(uint32_t adapter, GxDeviceType type, GxFormat adapterFormat, GxFormat backBufferFormat,
                             bool windowed) override;
    GxResult CheckDeviceFormat(uint32_t adapter, GxDeviceType type, GxFormat adapterFormat, uint32_t usage,
                               GxResourceType resourceType, GxFormat checkFormat) override;
    GxResult CheckDeviceMultiSampleType(uint32_t adapter, GxDeviceType type, GxFormat surfaceFormat, bool windowed,
                                        GxMultiSampleType msType, uint32_t* qualityLevels) override;
    GxResult GetDeviceCaps(uint32_t adapter, GxDeviceType type, GxDeviceCaps* caps) override;
    GxResult CreateDevice(uint32_t adapter, GxDeviceType type, void* focusWindow, uint32_t behaviorFlags,
                          GxPresentParameters* params, GxDevice** device) override;

    // Checks present parameters against the adapter and fills what they leave open (size 0 in a
    // window: the window's size; format UNKNOWN in a window: the desktop format; count 0: 1).
    GxResult CompletePresentParameters(GxPresentParameters& params, void* window);

protected:
    bool TypeAvailable(GxDeviceType type) const;
    // The backend's device; a failure leaves *device untouched and returns the reason.
    virtual GxResult MakeDevice(GxDeviceType type, void* focusWindow, uint32_t behaviorFlags,
                                const GxPresentParameters& params, GxDeviceCore** device) = 0;
    // The size of a window's drawable area, for present parameters of size 0.
    virtual bool WindowSize(void* window, uint32_t* width, uint32_t* height);

    GxAdapterDesc m_Desc;
};

// Surfaces made by the device itself (the back buffer) share this object.
class GxCoreSurface : public GxDeviceSurface
{
public:
    enum class Role : uint8_t { BackBuffer };

    GxCoreSurface(GxDeviceCore* device, Role role, const GxSurfaceDesc& desc)
        : m_Device(device), m_Role(role), m_Desc(desc) {}

    GxResult GetDesc(GxSurfaceDesc* desc) override;
    GxResult LockRect(GxLockedRect* locked, const GxRectL* rect, uint32_t flags) override;
    GxResult UnlockRect() override;

    Role GetRole() const { return m_Role; }
    const GxSurfaceDesc& Desc() const { return m_Desc; }
    void SetDesc(const GxSurfaceDesc& desc) { m_Desc = desc; }
    void Detach() { m_Device = nullptr; }
    GxDeviceCore* Device() const { return m_Device; }

private:
    GxDeviceCore* m_Device;
    Role m_Role;
    GxSurfaceDesc m_Desc;
};

class GxCoreTexture;

// A level of a texture seen as a surface. It holds a reference on its texture; a texture hands
// out one surface object per level (the same object while it lives).
class GxCoreTextureSurface : public GxDeviceSurface
{
public:
    GxCoreTextureSurface(GxCoreTexture* texture, uint32_t level);
    ~GxCoreTextureSurface() override;

    GxResult GetDesc(GxSurfaceDesc* desc) override;
    GxResult LockRect(GxLockedRect* locked, const GxRectL* rect, uint32_t flags) override;
    GxResult UnlockRect() override;

    GxCoreTexture* Texture() const { return m_Texture; }
    uint32_t Level() const { return m_Level; }

private:
    GxCoreTexture* m_Texture;
    uint32_t m_Level;
};

// A texture of either backend. A level's pixels may have a CPU copy in the stored layout of the
// format (rows top first, no padding), made only when something locks, copies or reads the
// level: a texture nobody touches that way costs no CPU memory. Until it is made, the level
// is all zero (the backend clears its own copy on the GPU) unless the GPU drew into it. The
// backend keeps its own copy in step: the CPU copy is uploaded when a lock ends or the device
// writes it (UpdateTexture, StretchRect), and a render target that the GPU drew into is read
// back before its pixels are used (gpuNewer). A backend may also drop the CPU copy of a
// texture written once when its own copy holds the pixels; gpuNewer then brings it back on
// the next use.
//
// Off-screen plain surfaces and render-target surfaces are one-level textures that only their
// surface object reaches (stand-alone).
//
// A texture may outlive its device: the device then frees the backend's objects and detaches
// it, and every call fails with GXERR_INVALIDCALL.
class GxCoreTexture : public GxDeviceTexture
{
public:
    struct Level
    {
        uint32_t width = 0;
        uint32_t height = 0;
        uint32_t pitch = 0;
        uint8_t* bits = nullptr;  // the CPU copy, or null while none is made (see Bits)
        bool locked = false;
        bool readOnly = false;
        GxRectL lockRect;
    };

    GxCoreTexture(GxDeviceCore* device, const GxSurfaceDesc& desc, uint32_t levels, bool standalone);
    ~GxCoreTexture() override;

    uint32_t GetLevelCount() override { return static_cast<uint32_t>(m_Levels.size()); }
    GxResult GetLevelDesc(uint32_t level, GxSurfaceDesc* desc) override;
    GxResult GetSurfaceLevel(uint32_t level, GxDeviceSurface** surface) override;
    GxResult LockRect(uint32_t level, GxLockedRect* locked, const GxRectL* rect, uint32_t flags) override;
    GxResult UnlockRect(uint32_t level) override;
    GxResult AddDirtyRect(const GxRectL* rect) override;
    GxResult SetContentOnUse(ContentFill fill) override;
    void KeepCopy() override { keepCopy = true; }
    // Whether level 0's pixels still wait for their fill (see SetContentOnUse).
    bool ContentPending() const { return static_cast<bool>(m_Fill); }
    // Makes the waiting content into bits (zero-filled, level 0's pitch) instead of a CPU copy,
    // for a backend that sends it to the GPU at once; it counts as the first write. False when
    // no content waits.
    bool FillInto(uint8_t* bits);

    // Whether every level's size is within what a CPU copy may take.
    bool SizeAllowed() const;
    // The level's CPU copy, made zero-filled on first use (and filled, when its content waits
    // for its first use); null when memory is short. It does not read back GPU drawing:
    // SyncFromDevice does (and makes the copy for it).
    uint8_t* Bits(uint32_t level);
    GxDeviceCore* Device() const { return m_Device; }
    void Detach() { m_Device = nullptr; }
    const GxSurfaceDesc& Desc() const { return m_Desc; }
    Level& LevelAt(uint32_t level) { return m_Levels[level]; }
    bool IsStandalone() const { return m_Standalone; }
    bool IsRenderTarget() const { return (m_Desc.Usage & GXUSAGE_RENDERTARGET) != 0; }
    // Whether the backend keeps a copy (managed and default pool); system-memory and scratch
    // textures live in CPU memory only.
    bool HasDeviceCopy() const { return m_Desc.Pool == GXPOOL_MANAGED || m_Desc.Pool == GXPOOL_DEFAULT; }
    bool AnyLevelLocked() const;

    // The backend's objects (GL: texture and framebuffer names) and whether the GPU holds
    // drawing that the CPU copy has not seen.
    uint32_t nativeTexture = 0;
    uint32_t nativeFramebuffer = 0;
    bool gpuNewer = false;
    // The backend's copy is still to be made and zeroed: done at its first use, so that a
    // texture made at start-up and not used by the first frame costs neither the storage nor
    // its clear.
    bool clearPending = false;
    // Locks that wrote (ended without the read-only flag). A texture written once, as a loaded
    // picture is, may give its CPU copy up once the backend holds the pixels; one written again
    // keeps it, so that repeated writes do not read the GPU back each time.
    uint32_t writes = 0;
    // Set by KeepCopy: the CPU copy is never let go for being written once.
    bool keepCopy = false;
    // Who the texture is, never reused by another one, and how often its pixels were written
    // from outside the device's drawing (a lock that wrote, UpdateTexture, StretchRect,
    // GetRenderTargetData into it). Drawing into it does not count: a frame's drawing is known
    // from its calls.
    const uint64_t serial;
    uint64_t version = 0;
    // The backend's bookkeeping of frames: the epoch of the frame whose waiting calls use the
    // texture, and the rectangle (0, 0, opaqueWidth, opaqueHeight) of level 0 known to be
    // opaque at version opaqueVersion.
    uint64_t pendingEpoch = 0;
    // A render target cleared whole before its storage was made holds that one colour (stored
    // as 0xAARRGGBB, alpha one for formats without alpha) until something else uses it.
    bool solid = false;
    uint32_t solidColor = 0;
    uint64_t opaqueVersion = ~0ull;
    uint32_t opaqueWidth = 0;
    uint32_t opaqueHeight = 0;

private:
    friend class GxCoreTextureSurface;

    GxDeviceCore* m_Device;
    GxSurfaceDesc m_Desc;
    std::vector<Level> m_Levels;
    std::vector<GxCoreTextureSurface*> m_Surfaces;  // no reference: a surface holds one on us
    bool m_Standalone;
    ContentFill m_Fill;
};

class GxCoreSwapChain : public GxDeviceSwapChain
{
public:
    explicit GxCoreSwapChain(GxDeviceCore* device) : m_Device(device) {}

    GxResult Present(const GxRectL* source, const GxRectL* dest, void* destWindow, uint32_t flags) override;
    GxResult GetBackBuffer(uint32_t index, GxDeviceSurface** surface) override;
    GxResult GetPresentParameters(GxPresentParameters* params) override;

    void Detach() { m_Device = nullptr; }

private:
    GxDeviceCore* m_Device;
};

class GxDeviceCore : public GxDevice
{
public:
    GxDeviceCore(GxDirect3DCore* direct3D, GxDeviceType type, void* focusWindow, uint32_t behaviorFlags,
                 const GxPresentParameters& params);
    ~GxDeviceCore() override;

    // Makes the back buffer; called once right after construction.
    GxResult Initialize();

    GxResult TestCooperativeLevel() override;
    uint32_t GetAvailableTextureMem() override;
    GxResult Reset(GxPresentParameters* params) override;
    GxResult Present(const GxRectL* source, const GxRectL* dest, void* destWindow, const void* dirtyRegion) override;
    GxResult GetSwapChain(uint32_t index, GxDeviceSwapChain** swapChain) override;
    GxResult CreateAdditionalSwapChain(GxPresentParameters* params, GxDeviceSwapChain** swapChain) override;
    GxResult GetBackBuffer(uint32_t swapChain, uint32_t index, GxDeviceSurface** surface) override;
    GxResult GetDirect3D(GxDirect3D** direct3D) override;
    GxResult GetDeviceCaps(GxDeviceCaps* caps) override;

    GxResult CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, GxFormat format,
                           GxPool pool, GxDeviceTexture** texture) override;
    GxResult CreateOffscreenPlainSurface(uint32_t width, uint32_t height, GxFormat format, GxPool pool,
                                         GxDeviceSurface** surface) override;
    GxResult CreateRenderTarget(uint32_t width, uint32_t height, GxFormat format, GxMultiSampleType msType,
                                uint32_t msQuality, bool lockable, GxDeviceSurface** surface) override;
    GxResult CreateDepthStencilSurface(uint32_t width, uint32_t height, GxFormat format, GxMultiSampleType msType,
                                       uint32_t msQuality, bool discard, GxDeviceSurface** surface) override;
    GxResult UpdateTexture(GxDeviceTexture* source, GxDeviceTexture* dest) override;
    GxResult GetRenderTargetData(GxDeviceSurface* renderTarget, GxDeviceSurface* dest) override;
    GxResult StretchRect(GxDeviceSurface* source, const GxRectL* sourceRect, GxDeviceSurface* dest,
                         const GxRectL* destRect, GxTextureFilter filter) override;

    GxResult SetRenderTarget(uint32_t index, GxDeviceSurface* surface) override;
    GxResult GetRenderTarget(uint32_t index, GxDeviceSurface** surface) override;
    GxResult SetDepthStencilSurface(GxDeviceSurface* surface) override;
    GxResult GetDepthStencilSurface(GxDeviceSurface** surface) override;

    GxResult BeginScene() override;
    GxResult EndScene() override;
    GxResult Clear(uint32_t count, const GxRectL* rects, uint32_t flags, GxColor color, float z,
                   uint32_t stencil) override;
    GxResult SetViewport(const GxViewport* viewport) override;
    GxResult GetViewport(GxViewport* viewport) override;

    GxResult SetRenderState(GxRenderStateType state, uint32_t value) override;
    GxResult GetRenderState(GxRenderStateType state, uint32_t* value) override;
    GxResult SetTextureStageState(uint32_t stage, GxTextureStageStateType type, uint32_t value) override;
    GxResult GetTextureStageState(uint32_t stage, GxTextureStageStateType type, uint32_t* value) override;
    GxResult SetSamplerState(uint32_t sampler, GxSamplerStateType type, uint32_t value) override;
    GxResult GetSamplerState(uint32_t sampler, GxSamplerStateType type, uint32_t* value) override;
    GxResult SetTexture(uint32_t stage, GxDeviceTexture* texture) override;
    GxResult SetLight(uint32_t index, const GxLight* light) override;
    GxResult LightEnable(uint32_t index, bool enable) override;
    GxResult SetSoftwareVertexProcessing(bool software) override;
    bool GetSoftwareVertexProcessing() override;
    GxResult SetFVF(uint32_t fvf) override;
    GxResult SetVertexShader(GxDeviceVertexShader* shader) override;
    GxResult SetStreamSource(uint32_t stream, GxDeviceVertexBuffer* buffer, uint32_t offset,
                             uint32_t stride) override;
    GxResult DrawPrimitiveUP(GxPrimitiveType type, uint32_t primitiveCount, const void* vertices,
                             uint32_t stride) override;

    GxResult ReadBackBuffer(GxPixelImage* image) override;
    GxResult ReadPresented(GxPixelImage* image) override;
    GxResult ReadTexture(GxDeviceTexture* texture, uint32_t level, GxPixelImage* image) override;
    void SimulateDeviceLoss(uint32_t lostAnswers) override;
    GxDeviceRecorder& Recorder() override { return m_Recorder; }
    void ForceFrame() override {}
    bool RepeatShownFrame() override;
    GxFrameStats GetFrameStats() override { return m_FrameStats; }

    // A fresh serial for a texture or a back buffer.
    static uint64_t NextSerial();

    // Read by the backends and the swap chain.
    const GxPresentParameters& Params() const { return m_Params; }
    GxDeviceType Type() const { return m_Type; }
    uint32_t BehaviorFlags() const { return m_BehaviorFlags; }
    void* FocusWindow() const { return m_FocusWindow; }
    int SceneCount() const { return m_SceneCount; }
    // The number of live objects in the default pool; Reset refuses while any exists.
    uint32_t DefaultPoolObjects() const { return m_DefaultPoolObjects; }

protected:
    // (Re)makes the back buffer and the presented copy for the parameters.
    virtual GxResult NativeCreateBackBuffer(const GxPresentParameters& params) = 0;
    // Clears one rectangle of the current render target, already cut to the viewport.
    virtual GxResult NativeClear(const GxRectL& rect, uint32_t flags, GxColor color, float z, uint32_t stencil) = 0;
    virtual GxResult NativePresent(const GxRectL* source, const GxRectL* dest, void* destWindow) = 0;
    // RepeatShownFrame once the device is known usable and outside a scene; the base repeats
    // nothing.
    virtual bool NativeRepeatShownFrame() { return false; }
    virtual GxResult NativeReadBackBuffer(GxPixelImage* image) = 0;
    virtual GxResult NativeReadPresented(GxPixelImage* image) = 0;
    // Draws pre-transformed 32-byte vertices with the current state. Not provided yet.
    virtual GxResult NativeDrawScreenVertices(GxPrimitiveType type, uint32_t primitiveCount,
                                              const GxScreenVertex* vertices, uint32_t vertexCount);

    // Texture hooks. Create makes the backend's copy of a texture whose CPU pixels exist (zero);
    // Upload sends a rectangle of a level's CPU pixels; Download fetches a render target's
    // level into its CPU pixels; Release frees the backend's objects; ReadTexture gives the
    // backend's own copy. The base forms serve a backend without a separate copy.
    virtual GxResult NativeCreateTexture(GxCoreTexture& texture);
    virtual GxResult NativeUploadTexture(GxCoreTexture& texture, uint32_t level, const GxRectL& rect);
    virtual GxResult NativeDownloadTexture(GxCoreTexture& texture, uint32_t level);
    virtual void NativeReleaseTexture(GxCoreTexture& texture);
    virtual GxResult NativeReadTexture(GxCoreTexture& texture, uint32_t level, GxPixelImage* image);
    // Called before a texture's pixels are written from outside drawing (its CPU copy or the
    // backend's), after its version was raised.
    virtual void NativeTextureWillChange(GxCoreTexture& texture);

    // A texture surface of this device, or none.
    GxCoreTextureSurface* OwnTextureSurface(GxDeviceSurface* surface) const;
    GxCoreTexture* OwnTexture(GxDeviceTexture* texture) const;
    // Brings a level's CPU pixels up to date with what the GPU drew.
    GxResult SyncFromDevice(GxCoreTexture& texture, uint32_t level);
    // A write from outside drawing is about to change the texture's pixels.
    void TextureWillChange(GxCoreTexture& texture);
    // Frees the backend's objects of every live texture and detaches them; a backend calls it
    // from its destructor while its context still exists.
    void DetachTextures();
    // Raised whenever a texture is made, written from outside drawing or released: a frame
    // that began at the same count sampled the textures as they still are.
    uint64_t TextureChangeCount() const { return m_TextureChanges; }
    // The state the next call finds: a frame that begins in the state another frame began in,
    // and makes its calls, ends as that one ended.
    struct DrawState
    {
        uint32_t renderStates[GX_RENDERSTATE_COUNT];
        uint32_t stageStates[GX_TEXTURESTAGE_COUNT][GX_TEXTURESTAGESTATE_COUNT];
        uint32_t samplerStates[GX_SAMPLER_COUNT][GX_SAMPLERSTATE_COUNT];
        GxViewport viewport;
        const void* textures[GX_SAMPLER_COUNT];
        const void* renderTarget;
        const void* depthStencil;
        uint32_t fvf;
        bool softwareVertexProcessing;
        bool operator==(const DrawState& other) const { return std::memcmp(this, &other, sizeof(DrawState)) == 0; }
    };
    // Every byte set, padding included, so that two equal states compare equal.
    void CaptureDrawState(DrawState& out) const;
    // Textures' bookkeeping.
    void AddLiveTexture(GxCoreTexture* texture);
    void ForgetTexture(GxCoreTexture* texture);
    GxResult MakeTexture(const GxSurfaceDesc& desc, uint32_t levels, bool standalone, GxCoreTexture** texture);

    void ResetState();
    // The entry of one call; stays valid until the next call is recorded.
    GxDeviceCall& Record(GxDeviceOp op, GxResult result);

    enum class Loss : uint8_t { None, Lost, NotReset };

    GxDirect3DCore* m_Direct3D;
    GxDeviceType m_Type;
    void* m_FocusWindow;
    uint32_t m_BehaviorFlags;
    GxPresentParameters m_Params;
    GxDeviceCaps m_Caps;

    GxCoreSwapChain* m_SwapChain = nullptr;
    GxCoreSurface* m_BackBuffer = nullptr;
    std::vector<GxDeviceSurface*> m_RenderTargets;  // one reference each
    GxDeviceSurface* m_DepthStencil = nullptr;

    Loss m_Loss = Loss::None;
    uint32_t m_LostAnswers = 0;
    int m_SceneCount = 0;
    uint32_t m_DefaultPoolObjects = 0;
    GxViewport m_Viewport;

    uint32_t m_RenderStates[GX_RENDERSTATE_COUNT] = {};
    uint32_t m_StageStates[GX_TEXTURESTAGE_COUNT][GX_TEXTURESTAGESTATE_COUNT] = {};
    uint32_t m_SamplerStates[GX_SAMPLER_COUNT][GX_SAMPLERSTATE_COUNT] = {};
    GxDeviceTexture* m_Textures[GX_SAMPLER_COUNT] = {};  // one reference each
    std::vector<GxLight> m_Lights;
    std::vector<bool> m_LightEnabled;
    bool m_SoftwareVertexProcessing = false;
    uint32_t m_FVF = 0;

    GxDeviceRecorder m_Recorder;
    GxFrameStats m_FrameStats;
    std::vector<GxCoreTexture*> m_LiveTextures;
    uint64_t m_TextureChanges = 0;

    friend class GxCoreTexture;
    friend class GxCoreTextureSurface;
    friend class GxCoreAdditionalSwapChain;  // GxDeviceChains.h
};
