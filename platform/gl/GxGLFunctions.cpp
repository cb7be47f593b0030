#include "platform/gl/GxGLFunctions.h"

bool GxGLFunctions::Load(void* (*getProc)(const char* name), const char** missing)
{
#define GX_GL_LOAD(type, name)                                    \
    name = reinterpret_cast<type>(getProc(#name));                \
    if (!name) {                                                  \
        if (missing) *missing = #name;                            \
        return false;                                             \
    }
    GX_GL_FUNCTIONS(GX_GL_LOAD)
#undef GX_GL_LOAD
    return true;
}
