// The OpenGL entry points the device uses, loaded from the context's own loader (EGL or SDL), so
// that nothing depends on what the GL library happens to export. Add an entry to the list to use
// a further function.
#pragma once

#include <GL/glcorearb.h>

#define GX_GL_FUNCTIONS(X)                                                   \
    X(PFNGLGETSTRINGPROC, glGetString)                                       \
    X(PFNGLGETSTRINGIPROC, glGetStringi)                                     \
    X(PFNGLGETINTEGERVPROC, glGetIntegerv)                                   \
    X(PFNGLGETFLOATVPROC, glGetFloatv)                                       \
    X(PFNGLGETERRORPROC, glGetError)                                         \
    X(PFNGLVIEWPORTPROC, glViewport)                                         \
    X(PFNGLSCISSORPROC, glScissor)                                           \
    X(PFNGLENABLEPROC, glEnable)                                             \
    X(PFNGLDISABLEPROC, glDisable)                                           \
    X(PFNGLCLEARCOLORPROC, glClearColor)                                     \
    X(PFNGLCLEARDEPTHPROC, glClearDepth)                                     \
    X(PFNGLCLEARSTENCILPROC, glClearStencil)                                 \
    X(PFNGLCLEARPROC, glClear)                                               \
    X(PFNGLCOLORMASKPROC, glColorMask)                                       \
    X(PFNGLDEPTHMASKPROC, glDepthMask)                                       \
    X(PFNGLSTENCILMASKPROC, glStencilMask)                                   \
    X(PFNGLFINISHPROC, glFinish)                                             \
    X(PFNGLFLUSHPROC, glFlush)                                               \
    X(PFNGLPIXELSTOREIPROC, glPixelStorei)                                   \
    X(PFNGLREADPIXELSPROC, glReadPixels)                                     \
    X(PFNGLREADBUFFERPROC, glReadBuffer)                                     \
    X(PFNGLDRAWBUFFERPROC, glDrawBuffer)                                     \
    X(PFNGLGENTEXTURESPROC, glGenTextures)                                   \
    X(PFNGLDELETETEXTURESPROC, glDeleteTextures)                             \
    X(PFNGLBINDTEXTUREPROC, glBindTexture)                                   \
    X(PFNGLTEXIMAGE2DPROC, glTexImage2D)                                     \
    X(PFNGLTEXSUBIMAGE2DPROC, glTexSubImage2D)                               \
    X(PFNGLGETTEXIMAGEPROC, glGetTexImage)                                   \
    X(PFNGLTEXPARAMETERIPROC, glTexParameteri)                               \
    X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers)                           \
    X(PFNGLDELETEFRAMEBUFFERSPROC, glDeleteFramebuffers)                     \
    X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer)                           \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, glFramebufferTexture2D)                 \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, glFramebufferRenderbuffer)           \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, glCheckFramebufferStatus)             \
    X(PFNGLGENRENDERBUFFERSPROC, glGenRenderbuffers)                         \
    X(PFNGLDELETERENDERBUFFERSPROC, glDeleteRenderbuffers)                   \
    X(PFNGLBINDRENDERBUFFERPROC, glBindRenderbuffer)                         \
    X(PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC, glRenderbufferStorageMultisample) \
    X(PFNGLBLITFRAMEBUFFERPROC, glBlitFramebuffer)

struct GxGLFunctions
{
#define GX_GL_DECLARE(type, name) type name = nullptr;
    GX_GL_FUNCTIONS(GX_GL_DECLARE)
#undef GX_GL_DECLARE

    // Fills every entry through the loader; false (naming the first missing one) when any is absent.
    bool Load(void* (*getProc)(const char* name), const char** missing);
};
