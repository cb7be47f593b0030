#include "layer/GxLayerContent.h"

#include "app/GxCore.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"
#include "layer/GxLayerSettings.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcImageSet.h"
#include "layer/GxNcProject.h"
#include "media/GxMovie.h"
#include "media/GxTextureMovie.h"

GxLayerContentEnv GxGetLayerContentEnv(GxCore* core)
{
    GxLayerContentEnv env;
    const GxLayerSettings* sc = core ? core->GetLayerSettings() : nullptr;
    env.m_ErrorPicture = sc ? sc->m_FileCgError : GxLayerSettings().m_FileCgError;
    if (const GxLayerOptions* uc = core ? core->GetLayerOptions() : nullptr) env.m_MovieVolume = uc->GetMovieVolume();
    return env;
}

bool GxLayerFindImageFile(std::u16string_view name, std::u16string* fileName)
{
    static constexpr std::u16string_view kExtensions[] = {u"", u".png", u".dds", u".tga", u".jpg", u".bmp"};
    if (name.empty()) return false;
    for (std::u16string_view ext : kExtensions) {
        std::u16string candidate(name);
        candidate += ext;
        if (GxFileExists(candidate) != 0) {
            if (fileName) *fileName = std::move(candidate);
            return true;
        }
    }
    return false;
}

// ---- sub-layer ----

GxSubLayerContent::GxSubLayerContent() = default;
GxSubLayerContent::~GxSubLayerContent() = default;

void GxSubLayerContent::Clear()
{
    m_pTexture.reset();
    m_Alpha = 255;
    m_ContentFileName.clear();
    m_Width = 0;
    m_Height = 0;
    m_OffsetPos = GxVector2();
}

bool GxSubLayerContent::Load(std::u16string_view fileName)
{
    Clear();
    if (fileName.empty()) return false;
    m_ContentFileName.assign(fileName);
    auto texture = std::make_unique<GxTextureFlex>();
    if (!texture->CreateFromFile(fileName, GXFMT_UNKNOWN, 0)) return false;
    m_Width = static_cast<int32_t>(texture->GetImageWidth());
    m_Height = static_cast<int32_t>(texture->GetImageHeight());
    m_pTexture = std::move(texture);
    return true;
}

bool GxSubLayerContent::WriteContent(GxContentWriterBase& w)
{
    w.WriteGxS32("m_Alpha", m_Alpha);
    w.WriteGxStringStdW("m_ContentFileName", m_ContentFileName);
    w.WriteGxS32("m_Width", m_Width);
    w.WriteGxS32("m_Height", m_Height);
    w.WriteGxVector2("m_OffsetPos", m_OffsetPos);
    return w.GetErrorCount() == 0;
}

bool GxSubLayerContent::ReadContent(GxContentReaderBase& r)
{
    Clear();
    r.ReadGxS32("m_Alpha", m_Alpha);
    r.ReadGxStringStdW("m_ContentFileName", m_ContentFileName);
    r.ReadGxS32("m_Width", m_Width);
    r.ReadGxS32("m_Height", m_Height);
    r.ReadGxVector2("m_OffsetPos", m_OffsetPos);
    return true;
}

// ---- content ----

GxLayerContent::GxLayerContent() = default;

GxLayerContent::~GxLayerContent()
{
    Reset();
    m_pSubLayerList.clear();
}

void GxLayerContent::ReleaseResources()
{
    if (m_pProject) GxGetNcProjectFactory().Release(m_pProject);
    m_pProject = nullptr;
    if (m_pImageSet) GxGetNcCrammedImageSetFactory().Release(m_pImageSet);
    m_pImageSet = nullptr;
    m_pImage = nullptr;
    m_pTextureFlex.reset();
    if (m_ContentType == CONTENTTYPE_MOVIE && m_pTexture) {
        // The slot's player writes into the texture: it goes first.
        GxMovie::Stop(m_MyChannel);
        GxMovie::Close(m_MyChannel);
    }
    m_pTexture.reset();
    m_SnapShot.Clear();
}

void GxLayerContent::Reset()
{
    ReleaseResources();
    m_ContentType = CONTENTTYPE_NONE;
    m_Alpha = 255;
    m_ContentFileName.clear();
    m_MultiContentFileName.clear();
    m_Width = 0;
    m_Height = 0;
    m_ImageName.clear();
    m_PatternIndex = 0;
    m_FrameCount = 0;
    m_MotionGroupName.clear();
    m_MotionName.clear();
    m_MatWorld.SetIdentity();
    m_SolidColor = GxFColor(1.0f, 1.0f, 1.0f, 1.0f);
    m_MyChannel = 0;
    m_LoopCount = 0;
    m_LoopStartPos = 0.0;
    m_MovieCurrentTime = 0.0;
    m_MovieAutoDisappear = true;
    for (auto& sub : m_pSubLayerList) sub->Clear();
}

void GxLayerContent::CreateSubLayerList(uint32_t count)
{
    m_pSubLayerList.clear();
    m_pSubLayerList.reserve(count);
    for (uint32_t i = 0; i < count; ++i) m_pSubLayerList.push_back(std::make_unique<GxSubLayerContent>());
}

GxSubLayerContent* GxLayerContent::GetSubLayer(uint32_t index)
{
    return index < m_pSubLayerList.size() ? m_pSubLayerList[index].get() : nullptr;
}

bool GxLayerContent::HasSubLayerTexture() const
{
    for (const auto& sub : m_pSubLayerList)
        if (sub->m_pTexture) return true;
    return false;
}

bool GxLayerContent::WriteContent(GxContentWriterBase& w)
{
    w.WriteGxS32("m_ContentType", m_ContentType);
    w.WriteGxS32("m_Alpha", m_Alpha);
    w.WriteGxStringStdW("m_ContentFileName", m_ContentFileName);
    w.WriteListBegin("m_MultiContentFileName", "", static_cast<uint32_t>(m_MultiContentFileName.size()));
    for (const auto& name : m_MultiContentFileName) {
        w.WriteListItemBegin();
        w.WriteGxStringStdW("", name);
        w.WriteListItemEnd();
    }
    w.WriteListEnd();
    w.WriteGxS32("m_Width", m_Width);
    w.WriteGxS32("m_Height", m_Height);
    w.WriteGxStringStdW("m_ImageName", m_ImageName);
    w.WriteGxS32("m_PatternIndex", m_PatternIndex);
    w.WriteGxS32("m_FrameCount", m_FrameCount);
    w.WriteGxStringStdW("m_MotionGroupName", m_MotionGroupName);
    w.WriteGxStringStdW("m_MotionName", m_MotionName);
    w.WriteGxMatrix("m_MatWorld", m_MatWorld);
    w.WriteGxFColor("m_SolidColor", m_SolidColor);
    w.WriteGxU32("m_MyChannel", m_MyChannel);
    w.WriteGxS32("m_LoopCount", m_LoopCount);
    w.WriteGxF64("m_LoopStartPos", m_LoopStartPos);
    w.WriteGxF64("m_MovieCurrentTime", m_MovieCurrentTime);
    w.WriteGxBool("m_MovieAutoDisappear", m_MovieAutoDisappear);
    w.WriteListBegin("m_pSubLayerList", "", static_cast<uint32_t>(m_pSubLayerList.size()));
    for (const auto& sub : m_pSubLayerList) {
        w.WriteListItemBegin();
        sub->WriteContent(w);
        w.WriteListItemEnd();
    }
    w.WriteListEnd();
    return true;
}

bool GxLayerContent::ReadContent(GxContentReaderBase& r)
{
    Reset();
    m_ContentType = r.ReadGxS32Value("m_ContentType");
    r.ReadGxS32("m_Alpha", m_Alpha);
    r.ReadGxStringStdW("m_ContentFileName", m_ContentFileName);
    uint32_t count = 0;
    // The stored counts only bound the loops: each item is read before it is kept, and the
    // first failed read ends the list.
    if (r.ReadListBegin("m_MultiContentFileName", count)) {
        m_MultiContentFileName.clear();
        for (uint32_t i = 0; i < count; ++i) {
            r.ReadListItemBegin();
            std::u16string name;
            if (!r.ReadGxStringStdW("", name)) break;
            m_MultiContentFileName.push_back(std::move(name));
            r.ReadListItemEnd();
        }
        r.ReadListEnd();
    }
    r.ReadGxS32("m_Width", m_Width);
    r.ReadGxS32("m_Height", m_Height);
    r.ReadGxStringStdW("m_ImageName", m_ImageName);
    r.ReadGxS32("m_PatternIndex", m_PatternIndex);
    r.ReadGxS32("m_FrameCount", m_FrameCount);
    r.ReadGxStringStdW("m_MotionGroupName", m_MotionGroupName);
    r.ReadGxStringStdW("m_MotionName", m_MotionName);
    r.ReadGxMatrix("m_MatWorld", m_MatWorld);
    r.ReadGxFColor("m_SolidColor", m_SolidColor);
    r.ReadGxU32("m_MyChannel", m_MyChannel);
    r.ReadGxS32("m_LoopCount", m_LoopCount);
    r.ReadGxF64("m_LoopStartPos", m_LoopStartPos);
    r.ReadGxF64("m_MovieCurrentTime", m_MovieCurrentTime);
    r.ReadGxBool("m_MovieAutoDisappear", m_MovieAutoDisappear);
    count = 0;
    if (r.ReadListBegin("m_pSubLayerList", count)) {
        m_pSubLayerList.clear();
        for (uint32_t i = 0; i < count; ++i) {
            const int errors = r.GetErrorCount();
            r.ReadListItemBegin();
            auto sub = std::make_unique<GxSubLayerContent>();
            sub->ReadContent(r);
            if (r.GetErrorCount() != errors) break;
            m_pSubLayerList.push_back(std::move(sub));
            r.ReadListItemEnd();
        }
        r.ReadListEnd();
    }
    return true;
}

bool GxLayerContent::Reload(const GxLayerContentEnv& env)
{
    bool ok = true;
    for (auto& sub : m_pSubLayerList) {
        if (sub->m_ContentFileName.empty()) continue;
        const std::u16string name = sub->m_ContentFileName;
        const GxVector2 offset = sub->m_OffsetPos;
        const int32_t alpha = sub->m_Alpha;
        ok = sub->Load(name) && ok;
        // Loading empties the sub-layer; where it sits and its stored alpha stay.
        sub->m_OffsetPos = offset;
        sub->m_Alpha = alpha;
    }
    switch (m_ContentType) {
    case CONTENTTYPE_NCMOTION:
        m_pProject = GxGetNcProjectFactory().Get(m_ContentFileName, m_ImageName, true);
        return m_pProject && ok;
    case CONTENTTYPE_IMAGESET:
        m_pImageSet = GxGetNcCrammedImageSetFactory().GetCrammedImageSet(m_ContentFileName, true);
        if (m_pImageSet) m_pImage = m_pImageSet->FindOriginImage(m_ImageName);
        return m_pImage && ok;
    case CONTENTTYPE_FLEXTEXTURE: {
        std::u16string file;
        if (!GxLayerFindImageFile(m_ContentFileName, &file)) file = env.m_ErrorPicture;
        auto texture = std::make_unique<GxTextureFlex>();
        if (file.empty() || !texture->CreateFromFile(file, GXFMT_UNKNOWN, 0)) return false;
        m_pTextureFlex = std::move(texture);
        return ok;
    }
    case CONTENTTYPE_MOVIE: return ReloadMovie(env) && ok;
    case CONTENTTYPE_TEXTURE: {
        if (m_Width <= 0 || m_Height <= 0 || m_Width > kGxLayerContentMaxSide || m_Height > kGxLayerContentMaxSide) {
            GxPrintErrorLog(u"Error/GxLayerContent Reload Texture Size(%d,%d)\n", m_Width, m_Height);
            return false;
        }
        auto texture = std::make_unique<GxTexture>();
        if (!texture->CreateTexture(u"", static_cast<uint32_t>(m_Width), static_cast<uint32_t>(m_Height),
                                    GXFMT_A8R8G8B8, 1))
            return false;
        m_pTexture = std::move(texture);
        return ok;
    }
    case CONTENTTYPE_TEXTUREFILE: {
        auto texture = std::make_unique<GxTexture>();
        bool made;
        if (m_ContentFileName.empty() && !m_MultiContentFileName.empty())
            made = texture->CreateFromFileMultiBlend(m_MultiContentFileName.front(), m_MultiContentFileName,
                                                     GXFMT_UNKNOWN, 1);
        else
            made = texture->CreateFromFile(m_ContentFileName, GXFMT_UNKNOWN, 1, 0, false);
        if (!made) return false;
        m_pTexture = std::move(texture);
        return ok;
    }
    default: return ok;
    }
}

bool GxLayerContent::ReloadMovie(const GxLayerContentEnv& env)
{
    // Saved games are outside data: a slot or size out of range must not reach the movie
    // player or the device.
    if (m_MyChannel < kGxLayerMovieSlotFirst || m_MyChannel > kGxLayerMovieSlotLast) {
        GxPrintErrorLog(u"Error/GxLayerContent Reload Movie Slot(%u %s)\n", m_MyChannel, m_ContentFileName);
        return false;
    }
    if (m_Width <= 0 || m_Height <= 0 || m_Width > kGxLayerContentMaxSide || m_Height > kGxLayerContentMaxSide) {
        GxPrintErrorLog(u"Error/GxLayerContent Reload Movie Size(%d,%d %s)\n", m_Width, m_Height, m_ContentFileName);
        return false;
    }
    auto texture = std::make_unique<GxTextureMovie>();
    if (!texture->CreateMovieTexture(m_ContentFileName, static_cast<uint32_t>(m_Width),
                                     static_cast<uint32_t>(m_Height), GXFMT_A8R8G8B8, 0, 0))
        return false;
    GxTextureMovie* movie = texture.get();
    m_pTexture = std::move(texture);
    if (!GxMovie::Open(m_MyChannel, m_ContentFileName, movie, 1, 0)) return false;
    GxMovie::SetLoopStart(m_MyChannel, m_LoopStartPos);
    GxMovie::SetPosition(m_MyChannel, m_MovieCurrentTime);
    return GxMovie::Play(m_MyChannel, m_LoopCount, env.m_MovieVolume);
}
