#include "platform/gl/GxGLDevice.h"

#include "core/GxLog.h"

// The adapter: GxGLAdapter.cpp; frames, presenting and reading back: GxGLPresent.cpp; textures:
// GxGLTextures.cpp.

namespace {

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
