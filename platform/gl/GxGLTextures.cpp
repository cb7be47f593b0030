#include "platform/gl/GxGLDevice.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/GxLog.h"

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
