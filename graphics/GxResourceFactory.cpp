#include "graphics/GxResourceFactory.h"

#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"
#include "graphics/GxTextureText.h"
#include "graphics/GxTextureTextEx.h"

namespace {

// Creation through a fresh object: on failure the object is destroyed and none is given.
template <class T, class Create>
typename GxNamedResourceList<T>::Entry Made(T* object, Create&& create)
{
    typename GxNamedResourceList<T>::Entry e;
    if (!create(object)) {
        delete object;
        return e;
    }
    e.object = object;
    e.resource = object;
    return e;
}

}  // namespace

// ---- Textures ------------------------------------------------------------------------------------

GxTextureFactory::GxTextureFactory()
    : m_List(u"Warning/GxTextureFactory You tried to release the texture does not exist(0x%x)\n",
             u"Warning/GxTextureFactory You tried to release the texture does not exist(%s)\n")
{
}

GxTextureFactory::~GxTextureFactory() { m_List.ReleaseAll(); }

void GxTextureFactory::SetMovieMaker(Maker maker)
{
    GxMutexScopedLock lock(&m_List.Lock());
    m_MovieMaker = std::move(maker);
}

GxTexture* GxTextureFactory::GetTexture(std::u16string_view name, int32_t kind, uint32_t width, uint32_t height,
                                        uint32_t mipLevels, GxFormat format, uint32_t, bool loadFlag)
{
    using Entry = GxNamedResourceList<GxTexture>::Entry;
    return m_List.Get(name, [&]() -> Entry {
        switch (kind) {
        case GXTEXKIND_FILE:
            return Made(new GxTexture, [&](GxTexture* t) { return t->CreateFromFile(name, format, mipLevels, 0, loadFlag); });
        case GXTEXKIND_FILE_ON_USE:
            return Made(new GxTexture, [&](GxTexture* t) { return t->CreateFromFileOnUse(name, format, 0); });
        case GXTEXKIND_TEXTURE:
            return Made(new GxTexture,
                        [&](GxTexture* t) { return t->CreateTexture(name, width, height, format, mipLevels); });
        case GXTEXKIND_RENDERTARGET:
            return Made(new GxTexture, [&](GxTexture* t) { return t->CreateRenderTarget(name, width, height, format); });
        case GXTEXKIND_TEXT:
            return Made(static_cast<GxTexture*>(new GxTextureText),
                        [&](GxTexture* t) { return t->CreateTexture(name, width, height, format, mipLevels); });
        case GXTEXKIND_TEXTEX:
            // The layout texture's own CreateTexture.
            return Made(static_cast<GxTexture*>(new GxTextureTextEx),
                        [&](GxTexture* t) { return t->CreateTexture(name, width, height, format, mipLevels); });
        case GXTEXKIND_MOVIE: {
            if (!m_MovieMaker) return Entry{};
            GxTextureRequest request;
            request.name = name;
            request.kind = kind;
            request.width = width;
            request.height = height;
            request.mipLevels = mipLevels;
            request.format = format;
            request.loadFlag = loadFlag;
            GxTexture* t = m_MovieMaker(request);
            return Entry{t, t};
        }
        default: return Entry{};
        }
    });
}

GxTexture* GxTextureFactory::GetTextureA(std::string_view name, int32_t kind, uint32_t width, uint32_t height,
                                         uint32_t mipLevels, GxFormat format, uint32_t unused, bool loadFlag)
{
    return GetTexture(GxAnsiToWide(name), kind, width, height, mipLevels, format, unused, loadFlag);
}

GxTexture* GxTextureFactory::FindTexture(std::u16string_view name) { return m_List.Find(name); }
GxTexture* GxTextureFactory::FindTextureA(std::string_view name) { return FindTexture(GxAnsiToWide(name)); }
void GxTextureFactory::ReleaseTexture(GxTexture* texture) { m_List.Release(texture); }
void GxTextureFactory::ReleaseTexture(std::u16string_view name) { m_List.Release(name); }
void GxTextureFactory::ReleaseTextureA(std::string_view name) { ReleaseTexture(GxAnsiToWide(name)); }
void GxTextureFactory::ReleaseAll() { m_List.ReleaseAll(); }
int32_t GxTextureFactory::GetCount() { return m_List.GetCount(); }

// ---- Flexible textures -----------------------------------------------------------------------------

GxTextureFlexFactory::GxTextureFlexFactory()
    : m_List(u"Warning/GxTextureFlexFactory You tried to release the texture does not exist(0x%x)\n",
             u"Warning/GxTextureFlexFactory You tried to release the texture does not exist(%s)\n")
{
}

GxTextureFlexFactory::~GxTextureFlexFactory() { m_List.ReleaseAll(); }

GxTextureFlex* GxTextureFlexFactory::GetTexture(std::u16string_view name, int32_t kind, uint32_t width,
                                                uint32_t height, GxFormat format)
{
    using Entry = GxNamedResourceList<GxTextureFlex>::Entry;
    return m_List.Get(name, [&]() -> Entry {
        switch (kind) {
        case GXFLEXKIND_FILE:
            return Made(new GxTextureFlex, [&](GxTextureFlex* t) { return t->CreateFromFileOnUse(name, format, 0); });
        case GXFLEXKIND_TEXTURE:
            return Made(new GxTextureFlex, [&](GxTextureFlex* t) { return t->CreateTexture(name, width, height, format); });
        default: return Entry{};
        }
    });
}

GxTextureFlex* GxTextureFlexFactory::GetTextureA(std::string_view name, int32_t kind, uint32_t width, uint32_t height,
                                                 GxFormat format)
{
    return GetTexture(GxAnsiToWide(name), kind, width, height, format);
}

GxTextureFlex* GxTextureFlexFactory::FindTexture(std::u16string_view name) { return m_List.Find(name); }
GxTextureFlex* GxTextureFlexFactory::FindTextureA(std::string_view name) { return FindTexture(GxAnsiToWide(name)); }
void GxTextureFlexFactory::ReleaseTexture(GxTextureFlex* texture) { m_List.Release(texture); }
void GxTextureFlexFactory::ReleaseTexture(std::u16string_view name) { m_List.Release(name); }
void GxTextureFlexFactory::ReleaseTextureA(std::string_view name) { ReleaseTexture(GxAnsiToWide(name)); }
void GxTextureFlexFactory::ReleaseAll() { m_List.ReleaseAll(); }
int32_t GxTextureFlexFactory::GetCount() { return m_List.GetCount(); }

// ---- Shader effects ----------------------------------------------------------------------------------

GxShaderFactory::GxShaderFactory()
    : m_List(u"Warning/GxShaderFactory You tried to release the shader does not exist(0x%x)\n",
             u"Warning/GxShaderFactory You tried to release the shader does not exist(%s)\n")
{
}

GxShaderFactory::~GxShaderFactory() { m_List.ReleaseAll(); }

void GxShaderFactory::SetMaker(Maker maker)
{
    GxMutexScopedLock lock(&m_List.Lock());
    m_Maker = std::move(maker);
}

GxShaderEffect* GxShaderFactory::GetShader(std::u16string_view name, bool skipValidation)
{
    using Entry = GxNamedResourceList<GxShaderEffect>::Entry;
    return m_List.Get(name, [&]() -> Entry {
        if (!m_Maker) return Entry{};
        GxShaderEffectRef made = m_Maker(name, skipValidation);
        return Entry{made.effect, made.resource};
    });
}

GxShaderEffect* GxShaderFactory::GetShaderA(std::string_view name, bool skipValidation)
{
    return GetShader(GxAnsiToWide(name), skipValidation);
}

GxShaderEffect* GxShaderFactory::FindShader(std::u16string_view name) { return m_List.Find(name); }
GxShaderEffect* GxShaderFactory::FindShaderA(std::string_view name) { return FindShader(GxAnsiToWide(name)); }
void GxShaderFactory::ReleaseShader(GxShaderEffect* shader) { m_List.Release(shader); }
void GxShaderFactory::ReleaseShader(std::u16string_view name) { m_List.Release(name); }
void GxShaderFactory::ReleaseShaderA(std::string_view name) { ReleaseShader(GxAnsiToWide(name)); }
void GxShaderFactory::ReleaseAll() { m_List.ReleaseAll(); }
int32_t GxShaderFactory::GetCount() { return m_List.GetCount(); }

// ---- The engine's factories ----------------------------------------------------------------------------

GxTextureFactory& GxGetTextureFactory()
{
    static GxTextureFactory factory;
    return factory;
}

GxTextureFlexFactory& GxGetTextureFlexFactory()
{
    static GxTextureFlexFactory factory;
    return factory;
}

GxShaderFactory& GxGetShaderFactory()
{
    static GxShaderFactory factory;
    return factory;
}
