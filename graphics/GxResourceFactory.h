// The named, reference-counted factories: every user of one picture file shares one texture.
// GxTextureFactory (textures of several kinds), GxTextureFlexFactory (tiled textures) and
// GxShaderFactory (shader effects) share one design: a list in creation order that owns the
// objects, keyed by the object's own name compared without case; a Get of a known name adds a
// reference and ignores the creation arguments; the last release destroys the object. Every
// operation holds the factory's own lock. Warnings go to the slight-error log.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxLog.h"
#include "core/GxMutex.h"
#include "core/GxString.h"
#include "graphics/GxD3DResource.h"
#include "platform/GxDevice.h"

class GxTexture;
class GxTextureFlex;
class GxShaderEffect;

// The shared list. T is the factory's object type; the list reaches it through its resource
// base (name, references, deleting destructor), so T may be an incomplete type here.
template <class T>
class GxNamedResourceList : public GxObjectNotCopyable
{
public:
    struct Entry
    {
        T* object = nullptr;
        GxD3DResourceBase* resource = nullptr;
    };

    GxNamedResourceList(const char16_t* missingObjectWarning, const char16_t* missingNameWarning)
        : m_MissingObject(missingObjectWarning), m_MissingName(missingNameWarning)
    {
    }
    ~GxNamedResourceList() override { ReleaseAll(); }

    GxMutex& Lock() { return m_Lock; }

    // The first entry whose name matches, or none; no reference is taken.
    T* Find(std::u16string_view name)
    {
        GxMutexScopedLock lock(&m_Lock);
        Entry* e = FindEntry(name);
        return e ? e->object : nullptr;
    }

    // A known name gets one more reference; otherwise make() creates the object (holding its one
    // reference) or gives none, and the new entry is appended.
    template <class Make>
    T* Get(std::u16string_view name, Make&& make)
    {
        GxMutexScopedLock lock(&m_Lock);
        if (Entry* e = FindEntry(name)) {
            e->resource->AddRef();
            return e->object;
        }
        Entry made = make();
        if (!made.object || !made.resource) return nullptr;
        m_Entries.push_back(made);
        return made.object;
    }

    void Release(T* object)
    {
        GxMutexScopedLock lock(&m_Lock);
        for (size_t i = 0; i < m_Entries.size(); ++i)
            if (m_Entries[i].object == object) {
                Drop(i);
                return;
            }
        GxPrintSlightErrorLog(m_MissingObject, static_cast<const void*>(object));
    }

    void Release(std::u16string_view name)
    {
        GxMutexScopedLock lock(&m_Lock);
        for (size_t i = 0; i < m_Entries.size(); ++i)
            if (GxCompareNoCase(m_Entries[i].resource->GetName(), name) == 0) {
                Drop(i);
                return;
            }
        GxPrintSlightErrorLog(m_MissingName, name);
    }

    // Destroys every object whatever its count.
    void ReleaseAll()
    {
        GxMutexScopedLock lock(&m_Lock);
        std::vector<Entry> entries;
        entries.swap(m_Entries);
        for (Entry& e : entries) delete e.resource;
    }

    int32_t GetCount()
    {
        GxMutexScopedLock lock(&m_Lock);
        return static_cast<int32_t>(m_Entries.size());
    }

private:
    Entry* FindEntry(std::u16string_view name)
    {
        for (Entry& e : m_Entries)
            if (GxCompareNoCase(e.resource->GetName(), name) == 0) return &e;
        return nullptr;
    }

    void Drop(size_t i)
    {
        GxD3DResourceBase* r = m_Entries[i].resource;
        r->Release();
        if (r->GetRefCount() != 0) return;
        m_Entries.erase(m_Entries.begin() + static_cast<std::ptrdiff_t>(i));
        delete r;
    }

    GxMutex m_Lock;
    std::vector<Entry> m_Entries;
    const char16_t* m_MissingObject;
    const char16_t* m_MissingName;
};

// ---- Textures ------------------------------------------------------------------------------------

// Kinds of GxTextureFactory::GetTexture.
enum GxTextureKind : int32_t {
    GXTEXKIND_FILE = 1,          // GxTexture::CreateFromFile
    GXTEXKIND_TEXTURE = 2,       // GxTexture::CreateTexture
    GXTEXKIND_RENDERTARGET = 3,  // GxTexture::CreateRenderTarget
    GXTEXKIND_NONE = 4,          // nothing is made
    GXTEXKIND_TEXT = 5,          // GxTextureText
    GXTEXKIND_TEXTEX = 6,        // GxTextureTextEx
    GXTEXKIND_MOVIE = 7,         // GxTextureMovie
    GXTEXKIND_FILE_ON_USE = 8,   // GxTexture::CreateFromFileOnUse (mip levels and load flag unused)
};

// What a Get asked for, handed to the maker of movie textures.
struct GxTextureRequest
{
    std::u16string_view name;
    int32_t kind = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t mipLevels = 0;
    GxFormat format = GXFMT_UNKNOWN;
    bool loadFlag = true;
};

class GxTextureFactory
{
public:
    // Makes and creates a movie texture, which then holds its one reference; none when creation
    // fails (the maker destroys what it allocated; the object logged its own error).
    using Maker = std::function<GxTexture*(const GxTextureRequest& request)>;

    GxTextureFactory();
    virtual ~GxTextureFactory();

    // The texture of that name with one more reference, or a new one of the kind: 1 from the
    // picture file (load flag = scale to fit), 2 an empty texture, 3 a render target, 5 a text
    // texture, 6 a text layout texture (both empty, as kind 2), 7 a movie texture through the
    // movie maker (none until one is set), 8 from the picture file decoded at its first use;
    // 4 and other kinds give none. unused is kept for
    // callers that pass it; nothing reads it.
    virtual GxTexture* GetTexture(std::u16string_view name, int32_t kind, uint32_t width, uint32_t height,
                                  uint32_t mipLevels, GxFormat format, uint32_t unused, bool loadFlag);
    virtual GxTexture* GetTextureA(std::string_view name, int32_t kind, uint32_t width, uint32_t height,
                                   uint32_t mipLevels, GxFormat format, uint32_t unused, bool loadFlag);
    virtual GxTexture* FindTexture(std::u16string_view name);
    virtual GxTexture* FindTextureA(std::string_view name);
    virtual void ReleaseTexture(GxTexture* texture);
    virtual void ReleaseTexture(std::u16string_view name);
    virtual void ReleaseTextureA(std::string_view name);
    virtual void ReleaseAll();
    virtual int32_t GetCount();

    // Where movie textures (kind 7) come from: the movie subsystem sets it; none clears.
    void SetMovieMaker(Maker maker);

private:
    GxNamedResourceList<GxTexture> m_List;
    Maker m_MovieMaker;
};

// ---- Flexible textures -----------------------------------------------------------------------------

enum GxTextureFlexKind : int32_t {
    GXFLEXKIND_FILE = 1,     // GxTextureFlex::CreateFromFileOnUse: decoded when first drawn
    GXFLEXKIND_TEXTURE = 2,  // GxTextureFlex::CreateTexture
};

class GxTextureFlexFactory
{
public:
    GxTextureFlexFactory();
    virtual ~GxTextureFlexFactory();

    virtual GxTextureFlex* GetTexture(std::u16string_view name, int32_t kind, uint32_t width, uint32_t height,
                                      GxFormat format);
    virtual GxTextureFlex* GetTextureA(std::string_view name, int32_t kind, uint32_t width, uint32_t height,
                                       GxFormat format);
    virtual GxTextureFlex* FindTexture(std::u16string_view name);
    virtual GxTextureFlex* FindTextureA(std::string_view name);
    virtual void ReleaseTexture(GxTextureFlex* texture);
    virtual void ReleaseTexture(std::u16string_view name);
    virtual void ReleaseTextureA(std::string_view name);
    virtual void ReleaseAll();
    virtual int32_t GetCount();

private:
    GxNamedResourceList<GxTextureFlex> m_List;
};

// ---- Shader effects ----------------------------------------------------------------------------------

// A created effect as the factory keeps it: the effect and the same object as a resource.
struct GxShaderEffectRef
{
    GxShaderEffect* effect = nullptr;
    GxD3DResourceBase* resource = nullptr;
};

class GxShaderFactory
{
public:
    // Allocates an effect and runs its CreateFromFile (name, skip validation); none when that
    // fails (the maker destroys the object).
    using Maker = std::function<GxShaderEffectRef(std::u16string_view name, bool skipValidation)>;

    GxShaderFactory();
    virtual ~GxShaderFactory();

    virtual GxShaderEffect* GetShader(std::u16string_view name, bool skipValidation);
    virtual GxShaderEffect* GetShaderA(std::string_view name, bool skipValidation);
    virtual GxShaderEffect* FindShader(std::u16string_view name);
    virtual GxShaderEffect* FindShaderA(std::string_view name);
    virtual void ReleaseShader(GxShaderEffect* shader);
    virtual void ReleaseShader(std::u16string_view name);
    virtual void ReleaseShaderA(std::string_view name);
    virtual void ReleaseAll();
    virtual int32_t GetCount();

    // The shader-effect subsystem sets how effects are made; until then Get gives none.
    void SetMaker(Maker maker);

private:
    GxNamedResourceList<GxShaderEffect> m_List;
    Maker m_Maker;
};

// The engine's three factories. They live until the process ends; the graphics shutdown reports
// and empties them before the device goes.
GxTextureFactory& GxGetTextureFactory();
GxTextureFlexFactory& GxGetTextureFlexFactory();
GxShaderFactory& GxGetShaderFactory();
