#include "platform/gl/GxGLDevice.h"

#include <utility>

#include "core/GxLog.h"
#include "platform/GxPresentRect.h"

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
    m_ShownTextureChanges = m_FrameTextureChanges;
    m_FrameTextureChanges = TextureChangeCount();
    m_ShownStartState = m_FrameStartState;
    CaptureDrawState(m_FrameStartState);
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
    m_FrameTextureChanges = TextureChangeCount();
    CaptureDrawState(m_FrameStartState);
    ++m_Epoch;
}

bool GxGLDevice::NativeRepeatShownFrame()
{
    // In place of a whole frame only, and of one that the present would find unchanged.
    if (m_Frame.Size() != 0 || m_Executed != 0) return false;
    if (!m_Waiting || m_ForceFrame || !m_ShownValid || !m_Presented) return false;
    if (m_ShownArgs.hasSource || m_ShownArgs.hasDest) return false;
    // The shown frame sampled every texture as it still is, and its first calls found the state
    // the device is in now (what they did not set themselves they took from there).
    if (TextureChangeCount() != m_ShownTextureChanges) return false;
    DrawState now;
    CaptureDrawState(now);
    if (!(now == m_ShownStartState)) return false;
    if (!m_Context.IsHeadless()) {
        uint32_t w = 0, h = 0;
        m_Context.DrawableSize(&w, &h);
        if (w != m_ShownArgs.drawableWidth || h != m_ShownArgs.drawableHeight || m_Context.WindowSpoilt()) return false;
    }
    ++m_FrameStats.framesElided;
    return true;
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
