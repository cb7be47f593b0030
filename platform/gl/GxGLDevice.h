// The GL backend of the device. The adapter is synthesised from the GL limits and the desktop
// mode: one adapter named by GL_RENDERER, the desktop mode plus the engine's logical screen mode,
// the formats the device stores, and multisampling only where GL offers it.
//
// The back buffer and the presented copy (made only when needed) are framebuffer objects whose row 0 is the top row, as
// in the engine's own pixel order; only the final copy into a window turns the picture upright
// for GL's bottom-up window. Drawing keeps to that order: pixel (x, y) of a W x H target goes to
// clip position (2x / W - 1, 2y / H - 1) with no flip, and texture row 0 is the picture's top row,
// so render targets read back and sample without any turning.
#pragma once

#include <memory>

#include "platform/GxDeviceCore.h"
#include "platform/gl/GxGLContext.h"
#include "platform/gl/GxGLFunctions.h"
#include "platform/gl/GxGLFrame.h"

class GxGLDrawPipeline;
struct GxGLDrawPipelineDeleter
{
    void operator()(GxGLDrawPipeline* pipeline) const;
};

class GxGLDirect3D : public GxDirect3DCore
{
public:
    GxGLDirect3D(const GxAdapterDesc& desc, std::unique_ptr<GxGLContext> context);
    ~GxGLDirect3D() override;

    GxGLContext& Context() { return *m_Context; }

    // The adapter description for a context, the desktop mode and the extra mode.
    static GxAdapterDesc Describe(GxGLContext& context, const GxDisplayMode& desktop, const GxDisplayMode& extra);

protected:
    GxResult MakeDevice(GxDeviceType type, void* focusWindow, uint32_t behaviorFlags,
                        const GxPresentParameters& params, GxDeviceCore** device) override;
    bool WindowSize(void* window, uint32_t* width, uint32_t* height) override;

private:
    std::unique_ptr<GxGLContext> m_Context;
};

class GxGLDevice : public GxDeviceCore
{
public:
    GxGLDevice(GxGLDirect3D* direct3D, GxDeviceType type, void* focusWindow, uint32_t behaviorFlags,
               const GxPresentParameters& params);
    ~GxGLDevice() override;

    GxResult Present(const GxRectL* source, const GxRectL* dest, void* destWindow, const void* dirtyRegion) override;
    void ForceFrame() override { m_ForceFrame = true; }

protected:
    GxResult NativeCreateBackBuffer(const GxPresentParameters& params) override;
    GxResult NativeClear(const GxRectL& rect, uint32_t flags, GxColor color, float z, uint32_t stencil) override;
    GxResult NativePresent(const GxRectL* source, const GxRectL* dest, void* destWindow) override;
    bool NativeRepeatShownFrame() override;
    GxResult NativeReadBackBuffer(GxPixelImage* image) override;
    GxResult NativeReadPresented(GxPixelImage* image) override;

    // Textures: managed and default-pool textures get a GL texture (render targets also a
    // framebuffer), made at first use, that follows the CPU copy; drawing into a texture target
    // marks it gpuNewer.
    GxResult NativeCreateTexture(GxCoreTexture& texture) override;
    GxResult NativeUploadTexture(GxCoreTexture& texture, uint32_t level, const GxRectL& rect) override;
    GxResult NativeDownloadTexture(GxCoreTexture& texture, uint32_t level) override;
    void NativeReleaseTexture(GxCoreTexture& texture) override;
    GxResult NativeReadTexture(GxCoreTexture& texture, uint32_t level, GxPixelImage* image) override;
    void NativeTextureWillChange(GxCoreTexture& texture) override;

    // Drawing (GxGLDraw.cpp): into the back buffer or a texture target, through the stand-in
    // program made on the first draw. New textures are made and zeroed at their first use.
    // Clears and draws are kept in the frame's list (GxGLFrame.h) first: while the frame asks
    // what the last shown frame asked, they wait; at the first difference, or when something
    // needs their pixels, the waiting ones are carried out and the rest of the frame goes
    // straight on. A present whose whole frame waited, and equals the shown one, draws nothing.
    GxResult NativeDrawScreenVertices(GxPrimitiveType type, uint32_t primitiveCount, const GxScreenVertex* vertices,
                                      uint32_t vertexCount) override;

private:
    // How a frame was presented: a frame presented otherwise than the shown one is drawn.
    struct PresentArgs
    {
        bool hasSource = false, hasDest = false;
        GxRectL source{}, dest{};
        uint32_t drawableWidth = 0, drawableHeight = 0;
        bool operator==(const PresentArgs&) const = default;
    };

    // The frame's newest command: waits while the frame equals the shown one, else it (and all
    // that waited) is carried out; the result of carrying it out.
    GxResult Submit();
    // Carries out every waiting command and ends the waiting for this frame.
    GxResult Flush();
    GxResult Execute(const GxGLFrameCommand& command);
    GxResult ExecuteClear(const GxGLFrameCommand& command);
    GxResult ExecuteDraw(const GxGLFrameCommand& command);
    // Whether a waiting command uses the texture.
    bool Waits(const GxCoreTexture& texture) const { return m_Waiting && texture.pendingEpoch == m_Epoch; }
    // The frame was shown (or found equal to the shown one): it becomes the shown frame.
    void EndFrame(const PresentArgs& args);
    // The frame cannot be compared any more: what waits is carried out and the next frame is
    // drawn whatever it holds.
    void AbandonFrame();
    // Shows the back buffer (NativePresent once the frame is drawn).
    GxResult PresentPicture(const GxRectL* source, const GxRectL* dest);
    // What decides whether a draw with this texture covers its target (GxGLFrame.h).
    GxGLCoverTexture CoverFacts(GxCoreTexture* texture);
    // A 1 x 1 texture of that colour (0xAARRGGBB), for sampling a target that holds one colour.
    GLuint SolidTexture(uint32_t argb);
    void NoteOpaqueRect(GxCoreTexture& texture);

    struct Target
    {
        GLuint framebuffer = 0;
        GLuint texture = 0;
        GLuint renderbuffer = 0;
    };

    bool MakeTarget(Target& t, uint32_t width, uint32_t height, uint32_t samples);
    void FreeTarget(Target& t);
    void FreeTargets();
    // The back buffer as a single-sampled framebuffer (resolved into the scratch target when the
    // back buffer is multisampled).
    GLuint ResolvedBackBuffer();
    GxResult ReadFramebuffer(GLuint framebuffer, GxPixelImage* image);
    // Called before anything draws into the back buffer: keeps the presented picture when asked.
    void BackBufferWillChange();
    // Makes a new texture's GL objects at its first use and zeroes them on the GPU, unless that
    // use writes the whole of it (written: the rectangle of the given level about to be
    // written). Levels that have a CPU copy are sent with the storage. False when GL cannot
    // make them.
    bool Realize(GxCoreTexture& texture, const GxRectL* written = nullptr, uint32_t level = 0);
    // The GL texture (and a render target's framebuffer) with storage only; level 0 takes
    // level0 when given, else its CPU copy.
    GxResult MakeNative(GxCoreTexture& texture, const uint8_t* level0 = nullptr);
    // Frees the CPU copy of a texture written once (a loaded picture) now that GL holds its
    // pixels: such a copy would only double the memory of every picture. A later lock reads
    // the pixels back (gpuNewer).
    void DropWrittenOnceCopy(GxCoreTexture& texture);

    GxGLContext& m_Context;
    const GxGLFunctions& gl;
    Target m_Back;
    Target m_Front;
    Target m_Scratch;
    uint32_t m_Width = 0;
    uint32_t m_Height = 0;
    uint32_t m_Samples = 0;
    bool m_Opaque = false;
    // The presented picture: shown at all since the back buffer was made; still in the back
    // buffer (nothing drawn since); copied into the front target. The copy is kept only after
    // ReadPresented has been asked once (m_KeepPresented), so a program that never reads the
    // presented picture has no second full-size target.
    bool m_Presented = false;
    bool m_BackHoldsPresented = false;
    bool m_FrontHoldsPresented = false;
    bool m_KeepPresented = false;
    // The window shows the back buffer as it is, placed as last time: an unchanged frame is
    // not drawn into the window again (the copy costs a software rasteriser most of an idle
    // frame).
    struct WindowPicture
    {
        bool valid = false;
        GxRectL source{};
        GxRectL dest{};
        uint32_t drawableWidth = 0;
        uint32_t drawableHeight = 0;
    };
    WindowPicture m_WindowPicture;
    GLuint m_ClearFramebuffer = 0;  // attaches a new texture's levels to clear them
    // Where content made at its first use is made (up to kFillBufferBytes) on its way to GL:
    // the texture never gets a CPU copy, which it would give up at once.
    std::vector<uint8_t> m_FillBuffer;
    GLuint m_SolidTexture = 0;
    uint32_t m_SolidColor = 0;
    bool m_SolidColorSet = false;

    // Frames: the one being given and the last one shown, with how it was presented.
    GxGLFrameList m_Frame;
    GxGLFrameList m_Shown;
    bool m_ShownValid = false;
    PresentArgs m_ShownArgs;
    // TextureChangeCount() and the device's state as the frame being given began, and as the
    // shown one began.
    uint64_t m_FrameTextureChanges = 0;
    uint64_t m_ShownTextureChanges = 0;
    DrawState m_FrameStartState{};
    DrawState m_ShownStartState{};
    size_t m_Executed = 0;   // commands of m_Frame carried out
    bool m_Waiting = false;  // the frame's commands so far equal the shown frame's and wait
    uint64_t m_Epoch = 1;    // marks the textures of waiting commands (pendingEpoch)
    bool m_ForceFrame = false;
    bool m_PresentReached = false;
    uint64_t m_BackSerial = 0;  // the back buffer as a target of frame commands

    // Last member: it goes first, while the context is still current.
    std::unique_ptr<GxGLDrawPipeline, GxGLDrawPipelineDeleter> m_DrawPipeline;
    bool m_DrawPipelineFailed = false;
};
