#include "platform/gl/GxGLDevice.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/GxLog.h"
#include "platform/GxPresentRect.h"

namespace {

constexpr GLenum kMaxAnisotropy = 0x84FF;          // GL_MAX_TEXTURE_MAX_ANISOTROPY
constexpr GLenum kNvxAvailableVidmem = 0x9049;     // GL_GPU_MEMORY_INFO_CURRENT_AVAILABLE_VIDMEM_NVX (KiB)
constexpr GLenum kAtiTextureFreeMemory = 0x87FC;   // GL_TEXTURE_FREE_MEMORY_ATI (KiB, first of four)

// "4.5 (Core Profile) Mesa 22.3.6" -> 22.3.6.0: the last dotted number of the version text is
// the driver's own version on the usual drivers; four 16-bit parts, the most significant first.
uint64_t ParseDriverVersion(const std::string& version)
{
    std::string best;
    size_t i = 0;
    while (i < version.size()) {
        while (i < version.size() && version[i] == ' ') ++i;
        size_t j = i;
        while (j < version.size() && version[j] != ' ') ++j;
        std::string token = version.substr(i, j - i);
        if (!token.empty() && std::isdigit(static_cast<unsigned char>(token[0])) &&
            token.find('.') != std::string::npos)
            best = token;
        i = j;
    }
    uint64_t parts[4] = {0, 0, 0, 0};
    int n = 0;
    size_t k = 0;
    while (n < 4 && k < best.size()) {
        uint64_t v = 0;
        bool any = false;
        while (k < best.size() && std::isdigit(static_cast<unsigned char>(best[k]))) {
            v = std::min<uint64_t>(v * 10 + static_cast<uint64_t>(best[k] - '0'), 0xFFFF);
            ++k;
            any = true;
        }
        if (!any) break;
        parts[n++] = v;
        if (k < best.size() && best[k] == '.') ++k;
        else break;
    }
    return (parts[0] << 48) | (parts[1] << 32) | (parts[2] << 16) | parts[3];
}

GxDisplayMode DesktopMode(void* window, const GxDisplayMode& fallback)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return fallback;
    int index = window ? SDL_GetWindowDisplayIndex(static_cast<SDL_Window*>(window)) : 0;
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(index < 0 ? 0 : index, &m) != 0 || m.w <= 0 || m.h <= 0) return fallback;
    return GxDisplayMode{static_cast<uint32_t>(m.w), static_cast<uint32_t>(m.h),
                         m.refresh_rate > 0 ? static_cast<uint32_t>(m.refresh_rate) : 60u, GXFMT_X8R8G8B8};
}

int SwapInterval(uint32_t presentationInterval)
{
    switch (presentationInterval) {
    case GXPRESENT_INTERVAL_IMMEDIATE: return 0;
    case GXPRESENT_INTERVAL_TWO: return 2;
    case GXPRESENT_INTERVAL_THREE: return 3;
    case GXPRESENT_INTERVAL_FOUR: return 4;
    default: return 1;
    }
}

}  // namespace

// ---- Adapter ------------------------------------------------------------------------------------

GxGLDirect3D::GxGLDirect3D(const GxAdapterDesc& desc, std::unique_ptr<GxGLContext> context)
    : GxDirect3DCore(desc), m_Context(std::move(context))
{
}

GxGLDirect3D::~GxGLDirect3D() = default;

GxAdapterDesc GxGLDirect3D::Describe(GxGLContext& context, const GxDisplayMode& desktop, const GxDisplayMode& extra)
{
    const GxGLFunctions& gl = context.GL();
    GxAdapterDesc d;
    d.identifier.Description = context.Renderer();
    d.identifier.Driver = context.Vendor();
    d.identifier.DriverVersion = ParseDriverVersion(context.Version());
    d.desktop = desktop;
    d.modes.push_back(desktop);
    if (!(extra == desktop)) d.modes.push_back(extra);
    d.windowedFormats = {GXFMT_X8R8G8B8};
    d.backBufferFormats = {GXFMT_A8R8G8B8, GXFMT_X8R8G8B8};
    d.textureFormats = {GXFMT_A8R8G8B8, GXFMT_X8R8G8B8, GXFMT_A4R4G4B4, GXFMT_X4R4G4B4};
    d.renderTargetFormats = {GXFMT_A8R8G8B8, GXFMT_X8R8G8B8};
    d.depthStencilFormats = {GXFMT_D24S8, GXFMT_D24X8};

    GLint maxTexture = 0;
    gl.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    GLfloat anisotropy = 1.0f;
    if (context.HasExtension("GL_EXT_texture_filter_anisotropic") ||
        context.HasExtension("GL_ARB_texture_filter_anisotropic"))
        gl.glGetFloatv(kMaxAnisotropy, &anisotropy);
    GLfloat pointRange[2] = {1.0f, 1.0f};
    gl.glGetFloatv(GL_POINT_SIZE_RANGE, pointRange);
    d.caps = GxMakeGLDeviceCaps(static_cast<uint32_t>(std::max(maxTexture, 64)),
                                static_cast<uint32_t>(std::max(anisotropy, 1.0f)), pointRange[1]);

    GLint maxSamples = 0;
    gl.glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    for (uint32_t t = 2; t <= GXMULTISAMPLE_MAX; ++t) {
        uint32_t q = static_cast<GLint>(t) <= maxSamples ? 1 : 0;
        d.multiSampleQuality[0][t] = q;
        d.multiSampleQuality[1][t] = q;
    }

    GLint kib[4] = {0, 0, 0, 0};
    if (context.HasExtension("GL_NVX_gpu_memory_info")) gl.glGetIntegerv(kNvxAvailableVidmem, kib);
    else if (context.HasExtension("GL_ATI_meminfo")) gl.glGetIntegerv(kAtiTextureFreeMemory, kib);
    if (kib[0] > 0) d.availableTextureMem = static_cast<uint32_t>(std::min<int64_t>(int64_t{kib[0]} * 1024, 0xFFFFFFFF));
    while (gl.glGetError() != GL_NO_ERROR) {
    }
    return d;
}

GxResult GxGLDirect3D::MakeDevice(GxDeviceType type, void* focusWindow, uint32_t behaviorFlags,
                                  const GxPresentParameters& params, GxDeviceCore** device)
{
    if (!m_Context->MakeCurrent()) return GXERR_DRIVERINTERNALERROR;
    *device = new GxGLDevice(this, type, focusWindow, behaviorFlags, params);
    return GX_OK;
}

bool GxGLDirect3D::WindowSize(void*, uint32_t* width, uint32_t* height)
{
    if (m_Context->DrawableSize(width, height)) return true;
    return m_Context->WindowSize(width, height);
}

GxDirect3D* GxCreateGLDirect3D(const GxDirect3DCreateParams& params)
{
    if (params.sdkVersion != GX_DEVICE_SDK_VERSION) {
        GxPrintErrorLog(u"Error/GLDevice Create Failed(SDK version 0x%x)\n", params.sdkVersion);
        return nullptr;
    }
    std::string error;
    std::unique_ptr<GxGLContext> context = GxGLContext::Create(params.window, &error);
    if (!context) {
        GxPrintErrorLog(u"Error/GLDevice Create Failed(%S)\n", error);
        return nullptr;
    }
    GxDisplayMode desktop = DesktopMode(params.window, params.extraMode);
    GxAdapterDesc desc = GxGLDirect3D::Describe(*context, desktop, params.extraMode);
    return new GxGLDirect3D(desc, std::move(context));
}

// ---- Device -------------------------------------------------------------------------------------

GxGLDevice::GxGLDevice(GxGLDirect3D* direct3D, GxDeviceType type, void* focusWindow, uint32_t behaviorFlags,
                       const GxPresentParameters& params)
    : GxDeviceCore(direct3D, type, focusWindow, behaviorFlags, params),
      m_Context(direct3D->Context()),
      gl(direct3D->Context().GL())
{
}

GxGLDevice::~GxGLDevice()
{
    m_Context.MakeCurrent();
    // What still waits is not drawn: nothing will show it.
    m_Waiting = false;
    m_Frame.Clear();
    m_Shown.Clear();
    DetachTextures();
    FreeTargets();
    if (m_ClearFramebuffer) gl.glDeleteFramebuffers(1, &m_ClearFramebuffer);
    if (m_SolidTexture) gl.glDeleteTextures(1, &m_SolidTexture);
}

bool GxGLDevice::MakeTarget(Target& t, uint32_t width, uint32_t height, uint32_t samples)
{
    gl.glGenFramebuffers(1, &t.framebuffer);
    gl.glBindFramebuffer(GL_FRAMEBUFFER, t.framebuffer);
    if (samples > 1) {
        gl.glGenRenderbuffers(1, &t.renderbuffer);
        gl.glBindRenderbuffer(GL_RENDERBUFFER, t.renderbuffer);
        gl.glRenderbufferStorageMultisample(GL_RENDERBUFFER, static_cast<GLsizei>(samples), GL_RGBA8,
                                            static_cast<GLsizei>(width), static_cast<GLsizei>(height));
        gl.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, t.renderbuffer);
    } else {
        gl.glGenTextures(1, &t.texture);
        gl.glBindTexture(GL_TEXTURE_2D, t.texture);
        gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0,
                        GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        gl.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t.texture, 0);
        gl.glBindTexture(GL_TEXTURE_2D, 0);
    }
    bool ok = gl.glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (ok) {
        // A fresh back buffer is black; an opaque format keeps its alpha at one throughout.
        gl.glDisable(GL_SCISSOR_TEST);
        gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        gl.glClearColor(0.0f, 0.0f, 0.0f, m_Opaque ? 1.0f : 0.0f);
        gl.glClear(GL_COLOR_BUFFER_BIT);
    }
    gl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return ok && gl.glGetError() == GL_NO_ERROR;
}

void GxGLDevice::FreeTarget(Target& t)
{
    if (t.framebuffer) gl.glDeleteFramebuffers(1, &t.framebuffer);
    if (t.texture) gl.glDeleteTextures(1, &t.texture);
    if (t.renderbuffer) gl.glDeleteRenderbuffers(1, &t.renderbuffer);
    t = Target();
}

void GxGLDevice::FreeTargets()
{
    FreeTarget(m_Back);
    FreeTarget(m_Front);
    FreeTarget(m_Scratch);
}

GxResult GxGLDevice::NativeCreateBackBuffer(const GxPresentParameters& p)
{
    if (!m_Context.MakeCurrent()) return GXERR_DRIVERINTERNALERROR;
    while (gl.glGetError() != GL_NO_ERROR) {
    }
    FreeTargets();
    m_Width = p.BackBufferWidth;
    m_Height = p.BackBufferHeight;
    m_Samples = p.MultiSampleType >= 2 ? p.MultiSampleType : 0;
    m_Opaque = p.BackBufferFormat == GXFMT_X8R8G8B8;
    m_Presented = false;
    m_BackHoldsPresented = false;
    m_FrontHoldsPresented = false;
    m_WindowPicture.valid = false;
    // A new back buffer (a reset, a mode change): the frame so far is dropped, and the next one
    // is drawn whatever it holds.
    m_BackSerial = NextSerial();
    m_Frame.Clear();
    m_Executed = 0;
    m_Waiting = false;
    m_ShownValid = false;
    ++m_Epoch;
    if (!MakeTarget(m_Back, m_Width, m_Height, m_Samples)) {
        FreeTargets();
        GxPrintErrorLog(u"Error/GLDevice CreateBackBuffer Failed(Size:%d,%d)\n", m_Width, m_Height);
        return GXERR_OUTOFVIDEOMEMORY;
    }
    m_Context.SetSwapInterval(SwapInterval(p.PresentationInterval));
    return GX_OK;
}

void GxGLDevice::BackBufferWillChange()
{
    m_WindowPicture.valid = false;
    if (!m_BackHoldsPresented) return;
    m_BackHoldsPresented = false;
    // The presented picture lives on in the back buffer until the next drawing; a copy is kept
    // only once somebody has asked for it.
    if (!m_KeepPresented) return;
    if (!m_Front.framebuffer && !MakeTarget(m_Front, m_Width, m_Height, 0)) {
        FreeTarget(m_Front);
        return;
    }
    GLuint source = ResolvedBackBuffer();
    if (!source) return;
    GLint w = static_cast<GLint>(m_Width), h = static_cast<GLint>(m_Height);
    gl.glDisable(GL_SCISSOR_TEST);
    gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
    gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_Front.framebuffer);
    gl.glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    gl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
    m_FrontHoldsPresented = true;
}

GxResult GxGLDevice::NativeClear(const GxRectL& rect, uint32_t flags, GxColor color, float, uint32_t)
{
    if (!(flags & GXCLEAR_TARGET)) return GX_OK;
    GxGLFrameCommand c;
    c.rect = rect;
    c.color = color;
    uint32_t width = m_Width, height = m_Height;
    if (m_RenderTargets[0] == m_BackBuffer) {
        c.targetSerial = m_BackSerial;
    } else {
        GxCoreTextureSurface* s = OwnTextureSurface(m_RenderTargets[0]);
        if (!s) return GX_OK;
        GxCoreTexture* t = s->Texture();
        c.target = t;
        c.targetSerial = t->serial;
        c.targetVersion = t->version;
        c.level = static_cast<uint8_t>(s->Level());
        width = t->LevelAt(s->Level()).width;
        height = t->LevelAt(s->Level()).height;
        // Its pixels are the GPU's from here on, drawn or still waiting.
        t->gpuNewer = true;
    }
    m_Frame.AddClear(c);
    m_Frame.NoteCommand(c, rect.left <= 0 && rect.top <= 0 && rect.right >= static_cast<int32_t>(width) &&
                               rect.bottom >= static_cast<int32_t>(height));
    return Submit();
}

GxResult GxGLDevice::ExecuteClear(const GxGLFrameCommand& c)
{
    const GxRectL& rect = c.rect;
    GLuint framebuffer = m_Back.framebuffer;
    bool opaque = m_Opaque;
    if (!c.target) {
        BackBufferWillChange();
    } else {
        GxCoreTexture& t = *c.target;
        const GxCoreTexture::Level& l = t.LevelAt(c.level);
        const bool whole = rect.left <= 0 && rect.top <= 0 && rect.right >= static_cast<int32_t>(l.width) &&
                           rect.bottom >= static_cast<int32_t>(l.height);
        if (whole && t.clearPending && c.level == 0 && t.GetLevelCount() == 1 && !l.bits) {
            // One colour over a target that has no storage yet: the colour is all it holds
            // until something draws into it or reads it (a scene capture of a plain screen).
            t.solid = true;
            t.solidColor = t.Desc().Format == GXFMT_X8R8G8B8 ? (c.color | 0xFF000000u) : c.color;
            ++m_FrameStats.clearsExecuted;
            return GX_OK;
        }
        if (!Realize(t, &rect, c.level)) return GXERR_OUTOFVIDEOMEMORY;
        if (!t.nativeFramebuffer) return GX_OK;
        framebuffer = t.nativeFramebuffer;
        opaque = t.Desc().Format == GXFMT_X8R8G8B8;
    }
    const GxColor color = c.color;
    ++m_FrameStats.clearsExecuted;
    gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    gl.glEnable(GL_SCISSOR_TEST);
    gl.glScissor(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    float a = opaque ? 1.0f : static_cast<float>((color >> 24) & 0xFF) / 255.0f;
    gl.glClearColor(static_cast<float>((color >> 16) & 0xFF) / 255.0f, static_cast<float>((color >> 8) & 0xFF) / 255.0f,
                    static_cast<float>(color & 0xFF) / 255.0f, a);
    gl.glClear(GL_COLOR_BUFFER_BIT);
    gl.glDisable(GL_SCISSOR_TEST);
    gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    return gl.glGetError() == GL_NO_ERROR ? GX_OK : GXERR_DRIVERINTERNALERROR;
}

GLuint GxGLDevice::ResolvedBackBuffer()
{
    if (m_Samples == 0) return m_Back.framebuffer;
    if (!m_Scratch.framebuffer && !MakeTarget(m_Scratch, m_Width, m_Height, 0)) {
        FreeTarget(m_Scratch);
        return 0;
    }
    gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, m_Back.framebuffer);
    gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_Scratch.framebuffer);
    GLint w = static_cast<GLint>(m_Width), h = static_cast<GLint>(m_Height);
    gl.glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    gl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return m_Scratch.framebuffer;
}

// ---- Frames ---------------------------------------------------------------------------------------

GxResult GxGLDevice::Submit()
{
    const size_t i = m_Frame.Size() - 1;
    if (m_Waiting && i < m_Shown.Size() && m_Frame.SameCommand(i, m_Shown, i)) {
        GxGLFrameCommand& c = m_Frame.At(i);
        if (c.target) c.target->pendingEpoch = m_Epoch;
        if (c.texture) c.texture->pendingEpoch = m_Epoch;
        return GX_OK;
    }
    return Flush();
}

GxResult GxGLDevice::Flush()
{
    m_Waiting = false;
    ++m_Epoch;
    GxResult last = GX_OK;
    while (m_Executed < m_Frame.Size()) {
        const size_t i = m_Executed++;
        last = Execute(m_Frame.At(i));
        // A command that waited has no caller left to hear of a failure; the newest one's
        // caller (Submit's) gets it back.
        if (GxFailed(last) && m_Executed < m_Frame.Size())
            GxPrintSlightErrorLog(u"Warning/GLDevice Deferred %S Failed(0x%x)\n",
                                  m_Frame.At(i).kind == GxGLFrameCommand::Kind::Clear ? "Clear" : "DrawPrimitiveUP",
                                  static_cast<uint32_t>(last));
    }
    return last;
}

GxResult GxGLDevice::Execute(const GxGLFrameCommand& c)
{
    return c.kind == GxGLFrameCommand::Kind::Clear ? ExecuteClear(c) : ExecuteDraw(c);
}

void GxGLDevice::EndFrame(const PresentArgs& args)
{
    std::swap(m_Frame, m_Shown);
    m_Frame.Clear();
    m_Executed = 0;
    m_ShownValid = true;
    m_ShownArgs = args;
    m_ForceFrame = false;
    ++m_Epoch;
    // A frame whose picture depends on more than its list is drawn every time: the next one
    // need not wait for a comparison.
    m_Waiting = m_Shown.SelfContained();
}

void GxGLDevice::AbandonFrame()
{
    Flush();
    m_Frame.Clear();
    m_Executed = 0;
    m_ShownValid = false;
    m_Waiting = false;
    ++m_Epoch;
}

GxResult GxGLDevice::Present(const GxRectL* source, const GxRectL* dest, void* destWindow, const void* dirtyRegion)
{
    m_PresentReached = false;
    const GxResult r = GxDeviceCore::Present(source, dest, destWindow, dirtyRegion);
    // Not presented (a lost device, an open scene): the frame's calls are carried out and the
    // next frame starts afresh.
    if (!m_PresentReached) AbandonFrame();
    return r;
}

void GxGLDevice::NativeTextureWillChange(GxCoreTexture& t)
{
    if (Waits(t)) Flush();
    // The write comes from the CPU copy, which is whole (a partial write read the GPU's pixels
    // back first): the one colour is gone.
    t.solid = false;
}

GxGLCoverTexture GxGLDevice::CoverFacts(GxCoreTexture* t)
{
    GxGLCoverTexture f;
    // A texture the backend keeps no copy of samples as white, as no texture does.
    if (!t || !t->HasDeviceCopy()) return f;
    const GxCoreTexture::Level& l = t->LevelAt(0);
    f.present = true;
    f.width = l.width;
    f.height = l.height;
    f.levels = t->GetLevelCount();
    const GxFormat format = t->Desc().Format;
    if (t->IsRenderTarget()) {
        // What the GPU drew is not looked at: only a target without alpha is known opaque.
        if (format == GXFMT_X8R8G8B8 || format == GXFMT_X4R4G4B4) {
            f.opaqueWidth = f.width;
            f.opaqueHeight = f.height;
        }
        return f;
    }
    // Pixels still to be made are not known yet (and not made for this question).
    if (t->ContentPending()) return f;
    if (t->opaqueVersion != t->version && !t->gpuNewer) NoteOpaqueRect(*t);
    if (t->opaqueVersion == t->version) {
        f.opaqueWidth = t->opaqueWidth;
        f.opaqueHeight = t->opaqueHeight;
    }
    return f;
}

void GxGLDevice::NoteOpaqueRect(GxCoreTexture& t)
{
    const GxCoreTexture::Level& l = t.LevelAt(0);
    // Without a CPU copy (never written) the level is all zero.
    GxGLOpaqueRect(t.Desc().Format, l.bits, l.pitch, l.width, l.height, &t.opaqueWidth, &t.opaqueHeight);
    t.opaqueVersion = t.version;
}

GxResult GxGLDevice::NativePresent(const GxRectL* source, const GxRectL* dest, void*)
{
    m_PresentReached = true;
    PresentArgs args;
    args.hasSource = source != nullptr;
    args.hasDest = dest != nullptr;
    if (source) args.source = *source;
    if (dest) args.dest = *dest;
    if (!m_Context.IsHeadless()) m_Context.DrawableSize(&args.drawableWidth, &args.drawableHeight);
    // Every command waited, each equal to the shown frame's, as many as it had: the picture is
    // on the screen already. A window the system may have spoilt is drawn all the same.
    const bool unchanged = m_Waiting && !m_ForceFrame && m_ShownValid && m_Presented &&
                           m_Frame.Size() == m_Shown.Size() && m_Frame.SelfContained() && args == m_ShownArgs &&
                           (m_Context.IsHeadless() || !m_Context.WindowSpoilt());
    if (unchanged) {
        ++m_FrameStats.framesElided;
        EndFrame(args);
        return GX_OK;
    }
    Flush();
    ++m_FrameStats.framesShown;
    const GxResult r = PresentPicture(source, dest);
    EndFrame(args);
    return r;
}

GxResult GxGLDevice::PresentPicture(const GxRectL* source, const GxRectL* dest)
{
    GLint w = static_cast<GLint>(m_Width), h = static_cast<GLint>(m_Height);
    gl.glDisable(GL_SCISSOR_TEST);
    if (!m_Context.IsHeadless()) {
        uint32_t dw = 0, dh = 0;
        m_Context.DrawableSize(&dw, &dh);
        GxRectL s = source ? *source : GxRectL{0, 0, w, h};
        GxRectL d;
        if (dest) {
            d = *dest;
        } else {
            // The display keeps its mode: the picture goes whole and undistorted into whatever
            // the window system made of the window, with black bars around it.
            const GxPresentRect fit = GxFitPresentRect(s.right - s.left, s.bottom - s.top, static_cast<int32_t>(dw),
                                                       static_cast<int32_t>(dh));
            d = GxRectL{fit.left, fit.top, fit.Right(), fit.Bottom()};
        }
        const bool spoilt = m_Context.TakeWindowSpoilt();
        const WindowPicture& last = m_WindowPicture;
        if (!spoilt && last.valid && last.source == s && last.dest == d && last.drawableWidth == dw &&
            last.drawableHeight == dh) {
            // The window already shows this very picture.
            m_Presented = true;
            m_BackHoldsPresented = true;
            m_FrontHoldsPresented = false;
            return gl.glGetError() == GL_NO_ERROR ? GX_OK : GXERR_DRIVERINTERNALERROR;
        }
        m_WindowPicture.valid = false;
        GLuint picture = ResolvedBackBuffer();
        if (!picture) return GXERR_DRIVERINTERNALERROR;
        gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, picture);
        gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        // Only the part of the window the picture leaves uncovered needs its black.
        if (d.left > 0 || d.top > 0 || d.right < static_cast<int32_t>(dw) || d.bottom < static_cast<int32_t>(dh)) {
            gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            gl.glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
            gl.glClear(GL_COLOR_BUFFER_BIT);
        }
        bool scaled = (s.right - s.left) != (d.right - d.left) || (s.bottom - s.top) != (d.bottom - d.top);
        // The window is bottom-up: its destination rows run the other way.
        GLint H = static_cast<GLint>(dh);
        gl.glBlitFramebuffer(s.left, s.top, s.right, s.bottom, d.left, H - d.top, d.right, H - d.bottom,
                             GL_COLOR_BUFFER_BIT, scaled ? GL_LINEAR : GL_NEAREST);
        gl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
        m_Context.SwapWindow();
        m_WindowPicture = {true, s, d, dw, dh};
    } else {
        gl.glFlush();
    }
    m_Presented = true;
    m_BackHoldsPresented = true;
    m_FrontHoldsPresented = false;
    return gl.glGetError() == GL_NO_ERROR ? GX_OK : GXERR_DRIVERINTERNALERROR;
}

GxResult GxGLDevice::ReadFramebuffer(GLuint framebuffer, GxPixelImage* image)
{
    if (!framebuffer) return GXERR_INVALIDCALL;
    image->width = m_Width;
    image->height = m_Height;
    image->pixels.assign(static_cast<size_t>(m_Width) * m_Height, 0);
    gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    gl.glReadBuffer(GL_COLOR_ATTACHMENT0);
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // BGRA bytes in memory are the 0xAARRGGBB words; our framebuffers keep the top row first.
    gl.glReadPixels(0, 0, static_cast<GLsizei>(m_Width), static_cast<GLsizei>(m_Height), GL_BGRA,
                    GL_UNSIGNED_INT_8_8_8_8_REV, image->pixels.data());
    gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    if (m_Opaque)
        for (auto& p : image->pixels) p |= 0xFF000000u;
    return gl.glGetError() == GL_NO_ERROR ? GX_OK : GXERR_DRIVERINTERNALERROR;
}

GxResult GxGLDevice::NativeReadBackBuffer(GxPixelImage* image)
{
    if (m_Executed < m_Frame.Size()) Flush();
    return ReadFramebuffer(ResolvedBackBuffer(), image);
}

GxResult GxGLDevice::NativeReadPresented(GxPixelImage* image)
{
    m_KeepPresented = true;
    if (!m_Presented) {
        // Nothing shown since the back buffer was made: the screen is black.
        image->width = m_Width;
        image->height = m_Height;
        image->pixels.assign(static_cast<size_t>(m_Width) * m_Height, m_Opaque ? 0xFF000000u : 0u);
        return GX_OK;
    }
    if (m_BackHoldsPresented) return ReadFramebuffer(ResolvedBackBuffer(), image);
    if (m_FrontHoldsPresented) return ReadFramebuffer(m_Front.framebuffer, image);
    // Drawn over before the first request: the picture is gone.
    return GXERR_INVALIDCALL;
}

// ---- Textures -----------------------------------------------------------------------------------

namespace {

struct GLPixelFormat
{
    GLint internal;
    GLenum format;
    GLenum type;
};

GLPixelFormat GLFormatOf(GxFormat f)
{
    switch (f) {
    case GXFMT_A4R4G4B4:
    case GXFMT_X4R4G4B4:
        // 0xARGB words: blue in the low nibble, alpha in the high one.
        return {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV};
    case GXFMT_A8:
    case GXFMT_L8: return {GL_R8, GL_RED, GL_UNSIGNED_BYTE};
    default: return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV};
    }
}

// Keeps the caller's texture binding across our own texture work.
class TextureBindingGuard
{
public:
    explicit TextureBindingGuard(const GxGLFunctions& gl) : m_GL(gl) { gl.glGetIntegerv(GL_TEXTURE_BINDING_2D, &m_Old); }
    ~TextureBindingGuard() { m_GL.glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(m_Old)); }

private:
    const GxGLFunctions& m_GL;
    GLint m_Old = 0;
};

}  // namespace

// The largest content sent by way of the fill buffer (a 512 x 512 page of 32-bit pixels); the
// buffer is kept for the next one.
constexpr size_t kFillBufferBytes = 1u << 20;

GxResult GxGLDevice::NativeCreateTexture(GxCoreTexture& t)
{
    // The GL objects are made at the texture's first use (Realize): the driver zero-fills new
    // storage, which a texture made at start-up and unused by the first frame need not pay.
    if (t.HasDeviceCopy()) t.clearPending = true;
    return GX_OK;
}

GxResult GxGLDevice::MakeNative(GxCoreTexture& t, const uint8_t* level0)
{
    while (gl.glGetError() != GL_NO_ERROR) {
    }
    TextureBindingGuard guard(gl);
    const GxFormat f = t.Desc().Format;
    const GLPixelFormat pf = GLFormatOf(f);
    GLuint name = 0;
    gl.glGenTextures(1, &name);
    t.nativeTexture = name;
    gl.glBindTexture(GL_TEXTURE_2D, name);
    gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // Storage only: what the CPU copy holds is sent by the caller; the rest is cleared on the GPU.
    for (uint32_t i = 0; i < t.GetLevelCount(); ++i) {
        GxCoreTexture::Level& l = t.LevelAt(i);
        gl.glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), pf.internal, static_cast<GLsizei>(l.width),
                        static_cast<GLsizei>(l.height), 0, pf.format, pf.type, i == 0 && level0 ? level0 : l.bits);
    }
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(t.GetLevelCount() - 1));
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // Formats without alpha sample as opaque; A8 is alpha only, L8 grey.
    if (f == GXFMT_X8R8G8B8 || f == GXFMT_X4R4G4B4) {
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    } else if (f == GXFMT_A8) {
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R, GL_ZERO);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_G, GL_ZERO);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_B, GL_ZERO);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_RED);
    } else if (f == GXFMT_L8) {
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_G, GL_RED);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_B, GL_RED);
        gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    }
    bool ok = gl.glGetError() == GL_NO_ERROR;
    if (ok && t.IsRenderTarget()) {
        GLuint fb = 0;
        gl.glGenFramebuffers(1, &fb);
        t.nativeFramebuffer = fb;
        gl.glBindFramebuffer(GL_FRAMEBUFFER, fb);
        gl.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, name, 0);
        ok = gl.glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        gl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
        ok = gl.glGetError() == GL_NO_ERROR && ok;
    }
    if (!ok) {
        NativeReleaseTexture(t);
        return GXERR_OUTOFVIDEOMEMORY;
    }
    return GX_OK;
}

bool GxGLDevice::Realize(GxCoreTexture& t, const GxRectL* written, uint32_t level)
{
    if (!t.clearPending) return true;
    t.clearPending = false;
    // Content made at its first use is made now, and goes with the storage: by way of the fill
    // buffer when its copy would be dropped right after (content waits only on single-level
    // managed textures, the tiles of a picture among them), else in the CPU copy.
    const uint8_t* level0 = nullptr;
    if (t.ContentPending()) {
        const GxCoreTexture::Level& l = t.LevelAt(0);
        const size_t bytes = static_cast<size_t>(l.pitch) * l.height;
        if (bytes <= kFillBufferBytes && !t.keepCopy) {
            m_FillBuffer.assign(bytes, 0);
            t.FillInto(m_FillBuffer.data());
            level0 = m_FillBuffer.data();
        } else if (!t.Bits(0)) {
            return false;
        }
    }
    // A target that held one colour gets it in its storage.
    const bool solid = t.solid;
    const uint32_t fill = solid ? t.solidColor : 0u;
    t.solid = false;
    // Levels with a CPU copy go with the storage itself.
    if (GxFailed(MakeNative(t, level0))) {
        GxPrintSlightErrorLog(u"Warning/GLDevice Texture Storage Failed(Size:%d,%d)\n", t.Desc().Width,
                              t.Desc().Height);
        // The content made for the storage stays in the CPU copy.
        if (level0 && t.Bits(0)) std::memcpy(t.LevelAt(0).bits, level0, m_FillBuffer.size());
        return false;
    }
    if (level0) {
        const GxCoreTexture::Level& l = t.LevelAt(0);
        GxGLOpaqueRect(t.Desc().Format, level0, l.pitch, l.width, l.height, &t.opaqueWidth, &t.opaqueHeight);
        t.opaqueVersion = t.version;
        t.gpuNewer = true;
        return true;
    }
    // A write that covers the whole of a single-level texture leaves nothing to clear.
    const GxCoreTexture::Level& l0 = t.LevelAt(0);
    if (written && level == 0 && t.GetLevelCount() == 1 && written->left <= 0 && written->top <= 0 &&
        written->right >= static_cast<int32_t>(l0.width) && written->bottom >= static_cast<int32_t>(l0.height))
        return true;
    TextureBindingGuard guard(gl);
    bool cleared = true;
    for (uint32_t i = 0; i < t.GetLevelCount(); ++i) {
        // A level with a CPU copy went with the storage (unless it held one colour: a copy made
        // since then only waits for the pixels to be read back into it).
        if (t.LevelAt(i).bits && !(solid && i == 0)) continue;
        if (!m_ClearFramebuffer) gl.glGenFramebuffers(1, &m_ClearFramebuffer);
        gl.glBindFramebuffer(GL_FRAMEBUFFER, m_ClearFramebuffer);
        gl.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t.nativeTexture,
                                  static_cast<GLint>(i));
        if (gl.glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
            gl.glDisable(GL_SCISSOR_TEST);
            gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            gl.glClearColor(static_cast<float>((fill >> 16) & 0xFF) / 255.0f,
                            static_cast<float>((fill >> 8) & 0xFF) / 255.0f, static_cast<float>(fill & 0xFF) / 255.0f,
                            static_cast<float>(fill >> 24) / 255.0f);
            gl.glClear(GL_COLOR_BUFFER_BIT);
        } else {
            cleared = false;
        }
        gl.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
        gl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
        // A level the GPU cannot clear gets its pixels from a CPU copy.
        if (!cleared) {
            if (!t.Bits(i)) return false;
            const GxCoreTexture::Level& l = t.LevelAt(i);
            if (solid) {
                const uint32_t bpp = GxFormatBytesPerPixel(t.Desc().Format);
                for (uint32_t y = 0; y < l.height; ++y)
                    for (uint32_t x = 0; x < l.width; ++x)
                        GxArgbToPixel(t.Desc().Format, fill, l.bits + static_cast<size_t>(y) * l.pitch + x * bpp);
            }
            if (GxFailed(NativeUploadTexture(t, i, GxRectL{0, 0, static_cast<int32_t>(l.width),
                                                            static_cast<int32_t>(l.height)})))
                return false;
            cleared = true;
        }
    }
    DropWrittenOnceCopy(t);
    // GL errors surface in the caller's own check.
    return true;
}

void GxGLDevice::DropWrittenOnceCopy(GxCoreTexture& t)
{
    GxCoreTexture::Level& l = t.LevelAt(0);
    if (t.GetLevelCount() != 1 || t.Desc().Pool != GXPOOL_MANAGED || t.IsRenderTarget() || t.writes > 1 || t.keepCopy ||
        l.locked || !l.bits || !t.nativeTexture || t.clearPending)
        return;
    // What frames need to know of its pixels is taken while they are at hand.
    if (t.opaqueVersion != t.version) NoteOpaqueRect(t);
    std::free(l.bits);
    l.bits = nullptr;
    t.gpuNewer = true;
}

GxResult GxGLDevice::NativeUploadTexture(GxCoreTexture& t, uint32_t level, const GxRectL& rect)
{
    if (Waits(t)) Flush();
    // Before the first use the CPU copy is the texture: the storage is made from it then, so
    // a picture loaded and not yet shown costs no GL memory.
    if (!t.LevelAt(level).bits || t.clearPending) return GX_OK;
    if (!t.nativeTexture) return GX_OK;
    TextureBindingGuard guard(gl);
    const GLPixelFormat pf = GLFormatOf(t.Desc().Format);
    GxCoreTexture::Level& l = t.LevelAt(level);
    uint32_t bpp = GxFormatBytesPerPixel(t.Desc().Format);
    gl.glBindTexture(GL_TEXTURE_2D, t.nativeTexture);
    gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(l.width));
    const uint8_t* first = l.bits + static_cast<size_t>(rect.top) * l.pitch + static_cast<size_t>(rect.left) * bpp;
    gl.glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), rect.left, rect.top, rect.right - rect.left,
                       rect.bottom - rect.top, pf.format, pf.type, first);
    gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    if (gl.glGetError() != GL_NO_ERROR) return GXERR_DRIVERINTERNALERROR;
    DropWrittenOnceCopy(t);
    return GX_OK;
}

GxResult GxGLDevice::NativeDownloadTexture(GxCoreTexture& t, uint32_t level)
{
    if (Waits(t)) Flush();
    t.gpuNewer = false;
    if (!Realize(t)) return GXERR_OUTOFVIDEOMEMORY;
    const GLPixelFormat pf = GLFormatOf(t.Desc().Format);
    if (!t.nativeFramebuffer && t.nativeTexture) {
        // A texture whose CPU copy was dropped: GL holds the only copy of its pixels.
        TextureBindingGuard guard(gl);
        gl.glBindTexture(GL_TEXTURE_2D, t.nativeTexture);
        gl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
        gl.glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), pf.format, pf.type, t.LevelAt(level).bits);
        gl.glPixelStorei(GL_PACK_ALIGNMENT, 4);
        return gl.glGetError() == GL_NO_ERROR ? GX_OK : GXERR_DRIVERINTERNALERROR;
    }
    // Only level 0 of a render target is ever drawn into.
    if (!t.nativeFramebuffer || level != 0) return GX_OK;
    GxCoreTexture::Level& l = t.LevelAt(0);
    gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, t.nativeFramebuffer);
    gl.glReadBuffer(GL_COLOR_ATTACHMENT0);
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.glReadPixels(0, 0, static_cast<GLsizei>(l.width), static_cast<GLsizei>(l.height), pf.format, pf.type, l.bits);
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    return gl.glGetError() == GL_NO_ERROR ? GX_OK : GXERR_DRIVERINTERNALERROR;
}

void GxGLDevice::NativeReleaseTexture(GxCoreTexture& t)
{
    if (Waits(t)) Flush();
    if (t.nativeFramebuffer) {
        GLuint fb = t.nativeFramebuffer;
        gl.glDeleteFramebuffers(1, &fb);
    }
    if (t.nativeTexture) {
        GLuint name = t.nativeTexture;
        gl.glDeleteTextures(1, &name);
    }
    t.nativeFramebuffer = 0;
    t.nativeTexture = 0;
}

GxResult GxGLDevice::NativeReadTexture(GxCoreTexture& t, uint32_t level, GxPixelImage* image)
{
    if (Waits(t)) Flush();
    if (!Realize(t)) return GXERR_OUTOFVIDEOMEMORY;
    if (!t.nativeTexture) return GxDeviceCore::NativeReadTexture(t, level, image);
    TextureBindingGuard guard(gl);
    const GxFormat f = t.Desc().Format;
    GxCoreTexture::Level& l = t.LevelAt(level);
    image->width = l.width;
    image->height = l.height;
    image->pixels.assign(static_cast<size_t>(l.width) * l.height, 0);
    gl.glBindTexture(GL_TEXTURE_2D, t.nativeTexture);
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (GxFormatBytesPerPixel(f) == 1) {
        std::vector<uint8_t> bytes(image->pixels.size());
        gl.glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RED, GL_UNSIGNED_BYTE, bytes.data());
        for (size_t i = 0; i < bytes.size(); ++i) image->pixels[i] = GxPixelToArgb(f, &bytes[i]);
    } else {
        // GL widens four-bit channels exactly (n x 17), as the CPU conversion does.
        gl.glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                         image->pixels.data());
        if (f == GXFMT_X8R8G8B8 || f == GXFMT_X4R4G4B4)
            for (auto& p : image->pixels) p |= 0xFF000000u;
    }
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return gl.glGetError() == GL_NO_ERROR ? GX_OK : GXERR_DRIVERINTERNALERROR;
}
