#include "ui/GxTaskUIPanel.h"

#include <typeinfo>

#include "app/DBUIModule.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxDrawKey.h"
#include "core/GxLog.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxResourceFactory.h"
#include "graphics/GxTextureFlex.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcImageSet.h"
#include "ui/GxMessageLayout.h"

namespace {

// Point sampling: widget pictures are drawn pixel for pixel.
constexpr uint32_t kPointFilter = 1;

// The actor's colour 1 with alpha m_Alpha x its own alpha / 255.
uint32_t SpecularArgb(const GxActorVisualParam& v)
{
    const GxFColor& c = v.m_Color1;
    return GxPackColorArgb(c.r, c.g, c.b, c.a * static_cast<float>(v.m_Alpha) / 255.0f);
}

}  // namespace

// ---- GxTaskUIPanelFx ----

GxTaskUIPanelFx::GxTaskUIPanelFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                 int32_t localIndex)
    : GxTaskUIBase(parent, taskName, localName, localIndex)
{
    SetTaskType(GxUIModuleType::PanelFx);
}

GxTaskUIPanelFx::~GxTaskUIPanelFx() { GxTaskUIPanelFx::ReleaseImages(); }

void GxTaskUIPanelFx::ApplyModule(const DBUIModuleData& module)
{
    GxTaskUIBase::ApplyModule(module);
    m_ImageFile = module.ImageName.empty() ? std::u16string() : module.ImageSetName + module.ImageName + u".png";
}

bool GxTaskUIPanelFx::LoadImageSet(const std::u16string& path)
{
    m_ImageFile = path;
    return true;
}

void GxTaskUIPanelFx::ApplyClientDefaults()
{
    // Stored sizes are outside data: the defaults saturate instead of overflowing.
    if (m_ClientWidth == 0) m_ClientWidth = GxMessageSaturate(int64_t{m_Width} - 2 * int64_t{m_ClientLeft});
    if (m_ClientHeight == 0) m_ClientHeight = GxMessageSaturate(int64_t{m_Height} - 2 * int64_t{m_ClientTop});
}

bool GxTaskUIPanelFx::LoadImages()
{
    bool loaded = false;
    if (!m_ImageFile.empty()) {
        GxTextureFlex* texture = GxGetTextureFlexFactory().GetTexture(m_ImageFile, GXFLEXKIND_FILE, 0, 0, GXFMT_UNKNOWN);
        ReleaseImages();
        m_pTexture = texture;
        loaded = texture != nullptr;
        m_Width = loaded ? static_cast<int32_t>(texture->GetImageWidth()) : 0;
        m_Height = loaded ? static_cast<int32_t>(texture->GetImageHeight()) : 0;
    } else {
        ReleaseImages();
        m_Width = m_Height = 0;
    }
    ApplyClientDefaults();
    return loaded;
}

void GxTaskUIPanelFx::ReleaseImages()
{
    if (!m_pTexture) return;
    GxGetTextureFlexFactory().ReleaseTexture(m_pTexture);
    m_pTexture = nullptr;
}

int GxTaskUIPanelFx::Update(int32_t step, int64_t elapsed)
{
    (void)step;
    return StandardUpdate(elapsed);
}

int GxTaskUIPanelFx::OnMouseMove(const GxMousePoint& pt, uint32_t keyState)
{
    (void)keyState;
    return StandardMouseMove(pt);
}

int GxTaskUIPanelFx::OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)keyState; (void)doubleClick;
    return StandardLeftDown(pt);
}

int GxTaskUIPanelFx::Draw(int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (!m_pTexture || !IsUIVisible()) return 0;
    const GxActorVisualParam& v = m_Visual;
    const GxVector3 pos = GetAbsolutePos();
    // The drawing takes its pivot as a fraction of the drawn size.
    const float w = static_cast<float>(m_pTexture->GetImageWidth());
    const float h = static_cast<float>(m_pTexture->GetImageHeight());
    const GxVector2 pivot(w != 0.0f ? v.m_CenterPos.x / w : 0.0f, h != 0.0f ? v.m_CenterPos.y / h : 0.0f);
    GxGraphics::BeginScene();
    GxGraphics::SetDefaultRenderState();
    GxGraphics::SetTextureFilter(kPointFilter);
    GxGraphics::DrawTextureFlex(m_pTexture, pos.x, pos.y, GxVector2(v.m_Scale.x, v.m_Scale.y),
                                GxDegreesToRadians(v.m_Rot), pivot, v.GetColor0Argb(m_ImageAlpha), SpecularArgb(v),
                                v.m_BlendMode);
    GxGraphics::EndScene();
    return 0;
}

void GxTaskUIPanelFx::AppendPanelKey(GxDrawKey& key)
{
    const bool drawn = m_pTexture && IsUIVisible();
    key.Add(drawn);
    if (!drawn) return;
    // The flexible texture's pictures are the device's to watch; its size is the pivot's.
    key.Add(m_pTexture);
    key.Add(m_pTexture->GetImageWidth());
    key.Add(m_pTexture->GetImageHeight());
    key.Add(GetAbsolutePos());
    key.Add(m_ImageAlpha);
    m_Visual.AppendKey(key);
}

bool GxTaskUIPanelFx::AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (typeid(*this) != typeid(GxTaskUIPanelFx)) return false;
    AppendPanelKey(key);
    return true;
}

// ---- GxTaskUIPanelIs ----

GxTaskUIPanelIs::GxTaskUIPanelIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                 int32_t localIndex)
    : GxTaskUIBase(parent, taskName, localName, localIndex)
{
    SetTaskType(GxUIModuleType::PanelIs);
}

GxTaskUIPanelIs::~GxTaskUIPanelIs() = default;

void GxTaskUIPanelIs::ApplyModule(const DBUIModuleData& module)
{
    GxTaskUIBase::ApplyModule(module);
    m_ImageSetName = GxUIImageSetFolder() + module.ImageSetName + u".gis";
    m_ImageName = module.ImageName;
}

bool GxTaskUIPanelIs::LoadImageSet(const std::u16string& path)
{
    GxUISplitImageSetPath(path, m_ImageSetName, m_ImageName);
    return true;
}

void GxTaskUIPanelIs::ApplyClientDefaults()
{
    // Stored sizes are outside data: the defaults saturate instead of overflowing.
    if (m_ClientWidth == 0) m_ClientWidth = GxMessageSaturate(int64_t{m_Width} - 2 * int64_t{m_ClientLeft});
    if (m_ClientHeight == 0) m_ClientHeight = GxMessageSaturate(int64_t{m_Height} - 2 * int64_t{m_ClientTop});
}

bool GxTaskUIPanelIs::FindOriginImage(const char16_t* setMissingFormat, const char16_t* imageMissingFormat)
{
    std::u16string debug;
    // A set the pool dropped since the last load must leave no pointer behind.
    m_pOriginImage = nullptr;
    GxNcCrammedImageSet* set = GxNcImageSetPool::Find(m_ImageSetName);
    if (!set) {
        GetTaskDebugString(debug);
        GxPrintErrorLog(setMissingFormat, m_ImageSetName, debug);
        return false;
    }
    m_pOriginImage = set->FindOriginImage(m_ImageName + u".png");
    if (!m_pOriginImage) {
        GetTaskDebugString(debug);
        GxPrintErrorLog(imageMissingFormat, m_ImageName, debug);
        return false;
    }
    if (!m_pOriginImage->m_PatternArray.empty()) {
        const GxNcCrammedPattern& first = m_pOriginImage->m_PatternArray.front();
        if (m_Width == 0) m_Width = first.m_Width;
        if (m_Height == 0) m_Height = first.m_Height;
    }
    ApplyClientDefaults();
    return true;
}

bool GxTaskUIPanelIs::LoadImages()
{
    if (m_ImageName.empty()) {
        m_pOriginImage = nullptr;
        m_Width = m_Height = 0;
        ApplyClientDefaults();
        return true;
    }
    return FindOriginImage(u"GxTaskUIPanelIs/ImageSet wasn't Loaded:%s [%s]\n",
                           u"GxTaskUIPanelIs/Image not found:%s [%s]\n");
}

void GxTaskUIPanelIs::ReleaseImages() { m_pOriginImage = nullptr; }

int32_t GxTaskUIPanelIs::GetPatternCount() const { return m_pOriginImage ? m_pOriginImage->GetPatternCount() : 0; }

int GxTaskUIPanelIs::Update(int32_t step, int64_t elapsed)
{
    (void)step;
    return StandardUpdate(elapsed);
}

int GxTaskUIPanelIs::OnMouseMove(const GxMousePoint& pt, uint32_t keyState)
{
    (void)keyState;
    return StandardMouseMove(pt);
}

int GxTaskUIPanelIs::OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)keyState; (void)doubleClick;
    return StandardLeftDown(pt);
}

int GxTaskUIPanelIs::Draw(int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (!IsUIVisible() || !m_pOriginImage) return 0;
    const GxActorVisualParam& v = m_Visual;
    GxMatrix world;
    world.SetWorld(v.m_Scale, GetAbsolutePos(), GxDegreesToRadians(v.m_Rot), v.m_CenterPos);
    // The image panels take the actor's alpha only, never m_ImageAlpha.
    const GxFColor diffuse(v.m_Color0.r, v.m_Color0.g, v.m_Color0.b,
                           v.m_Color0.a * static_cast<float>(v.m_Alpha) / 255.0f);
    GxGraphics::BeginScene();
    GxGraphics::SetDefaultRenderState();
    GxGraphics::SetTextureFilter(kPointFilter);
    GxDrawCrammedPattern(m_pOriginImage, m_PatternIndex, world, diffuse, v.m_Color1, v.m_BlendMode);
    GxGraphics::EndScene();
    return 0;
}

void GxTaskUIPanelIs::AppendPanelKey(GxDrawKey& key)
{
    const bool drawn = IsUIVisible() && m_pOriginImage;
    key.Add(drawn);
    if (!drawn) return;
    key.Add(m_pOriginImage);
    key.Add(m_PatternIndex);
    key.Add(GetAbsolutePos());
    m_Visual.AppendKey(key);
}

bool GxTaskUIPanelIs::AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (typeid(*this) != typeid(GxTaskUIPanelIs)) return false;
    AppendPanelKey(key);
    return true;
}

bool GxTaskUIPanelIs::WriteContent(GxContentWriterBase& w)
{
    GxTaskUIBase::WriteContent(w);
    w.WriteGxStringStdW("m_ImageName", m_ImageName);
    w.WriteGxStringStdW("m_ImageSetName", m_ImageSetName);
    w.WriteGxS32("m_PatternIndex", m_PatternIndex);
    return w.GetErrorCount() == 0;
}

bool GxTaskUIPanelIs::ReadContent(GxContentReaderBase& r)
{
    GxTaskUIBase::ReadContent(r);
    r.ReadGxStringStdW("m_ImageName", m_ImageName);
    r.ReadGxStringStdW("m_ImageSetName", m_ImageSetName);
    r.ReadGxS32("m_PatternIndex", m_PatternIndex);
    ReleaseImages();
    ResetEventState();
    return r.GetErrorCount() == 0;
}

// ---- GxTaskUIAnimePanelIs ----

GxTaskUIAnimePanelIs::GxTaskUIAnimePanelIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                           int32_t localIndex)
    : GxTaskUIPanelIs(parent, taskName, localName, localIndex)
{
    SetTaskType(GxUIModuleType::AnimePanelIs);
    m_EventBlockFlag = false;
}

GxTaskUIAnimePanelIs::~GxTaskUIAnimePanelIs() = default;

bool GxTaskUIAnimePanelIs::LoadImages()
{
    return FindOriginImage(u"GxTaskUIAnimePanelIs/ImageSet wasn't Loaded:%s[%s]\n",
                           u"GxTaskUIAnimePanelIs/Image not found:%s.png[%s]\n");
}

int GxTaskUIAnimePanelIs::Update(int32_t step, int64_t elapsed)
{
    GxTaskUIPanelIs::Update(step, elapsed);
    const int32_t count = GetPatternCount();
    if (m_pOriginImage && m_AnimeSpeed != 0 && count > 0) {
        const int32_t frame = GetUpdateCount();
        // INT32_MIN % -1 is undefined; its remainder is 0.
        const bool due = m_AnimeSpeed == -1 || frame % m_AnimeSpeed == 0;
        if (due)
            m_PatternIndex = static_cast<int32_t>((static_cast<uint32_t>(m_PatternIndex) + 1u) %
                                                  static_cast<uint32_t>(count));
    }
    IncUpdateCount();
    return 0;
}
