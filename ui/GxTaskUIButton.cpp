#include "ui/GxTaskUIButton.h"

#include <typeinfo>

#include "app/DBUIModule.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxDrawKey.h"
#include "core/GxLog.h"
#include "graphics/GxGraphics.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcImageSet.h"

namespace {

// Point sampling: widget pictures are drawn pixel for pixel.
constexpr uint32_t kPointFilter = 1;

constexpr const char16_t* kSuffixes[GxTaskUIButtonIs::kImageSlotCount] = {
    u"_off.png", u"_on.png", u"_over.png", u"_na.png", u"_onover.png", u"_onna.png",
};

}  // namespace

// ---- GxTaskUIButtonIs ----

GxTaskUIButtonIs::GxTaskUIButtonIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                   int32_t localIndex)
    : GxTaskUIBase(parent, taskName, localName, localIndex)
{
    SetTaskType(GxUIModuleType::ButtonIs);
    AddKindFlags(GxTaskKind::Button);
}

GxTaskUIButtonIs::~GxTaskUIButtonIs() { GxTaskUIButtonIs::ReleaseImages(); }

void GxTaskUIButtonIs::ApplyModule(const DBUIModuleData& module)
{
    GxTaskUIBase::ApplyModule(module);
    m_ImageSetName = GxUIImageSetFolder() + module.ImageSetName + u".gis";
    m_ImageName = module.ImageName;
}

bool GxTaskUIButtonIs::LoadImageSet(const std::u16string& path)
{
    GxUISplitImageSetPath(path, m_ImageSetName, m_ImageName);
    return true;
}

bool GxTaskUIButtonIs::FindImages(int32_t slotCount, const char16_t* setMissingFormat,
                                  const char16_t* imageMissingFormat)
{
    // A set the pool dropped since the last load must leave no pointer behind.
    ReleaseImages();
    std::u16string debug;
    GxNcCrammedImageSet* set = GxNcImageSetPool::Find(m_ImageSetName);
    if (!set) {
        GetTaskDebugString(debug);
        GxPrintErrorLog(setMissingFormat, m_ImageSetName, debug);
        return false;
    }
    for (int32_t i = 0; i < slotCount; ++i) m_Images[i] = set->FindOriginImage(m_ImageName + kSuffixes[i]);
    if (!m_Images[kImageOff]) {
        ReleaseImages();
        GetTaskDebugString(debug);
        GxPrintErrorLog(imageMissingFormat, m_ImageName + kSuffixes[kImageOff], debug);
        return false;
    }
    return true;
}

void GxTaskUIButtonIs::ApplySizeDefaults()
{
    const GxNcOriginImage* off = m_Images[kImageOff];
    if (off && !off->m_PatternArray.empty()) {
        const GxNcCrammedPattern& first = off->m_PatternArray.front();
        if (m_Width == 0) m_Width = first.m_Width;
        if (m_Height == 0) m_Height = first.m_Height;
    }
    if (m_ClientWidth == 0) m_ClientWidth = m_Width - 2 * m_ClientLeft;
    if (m_ClientHeight == 0) m_ClientHeight = m_Height - 2 * m_ClientTop;
}

bool GxTaskUIButtonIs::LoadImages()
{
    if (!FindImages(4, u"GxTaskUIButtonIs/ImageSet wasn't Loaded:%s [%s]\n",
                    u"GxTaskUIButtonIs/Image not found:%s [%s]\n"))
        return false;
    if (!m_Images[kImageOn]) m_Images[kImageOn] = m_Images[kImageOver];
    if (!m_Images[kImageNotAvailable]) m_Images[kImageNotAvailable] = m_Images[kImageOff];
    ApplySizeDefaults();
    return true;
}

void GxTaskUIButtonIs::ReleaseImages()
{
    for (GxNcOriginImage*& image : m_Images) image = nullptr;
}

const GxNcOriginImage* GxTaskUIButtonIs::GetImage(int32_t slot) const
{
    return slot >= 0 && slot < kImageSlotCount ? m_Images[slot] : nullptr;
}

void GxTaskUIButtonIs::ResetEventState()
{
    GxTaskUIBase::ResetEventState();
    m_ImageIndex = 0;
    m_PressCount = 0;
}

int GxTaskUIButtonIs::OnMouseMove(const GxMousePoint& pt, uint32_t keyState)
{
    (void)keyState;
    return StandardMouseMove(pt);
}

int GxTaskUIButtonIs::OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)keyState; (void)doubleClick;
    return StandardLeftDown(pt);
}

void GxTaskUIButtonIs::OnStandardPress(const GxMousePoint& pt)
{
    (void)pt;
    m_PressCount = kPressUpdates;
}

int GxTaskUIButtonIs::Update(int32_t step, int64_t elapsed)
{
    (void)step;
    const int32_t ms = ElapsedToMilliseconds(elapsed);
    UpdateAction(ms);
    UpdateHoverEnd(false);
    if (m_EventState == GxUIEventType::LeftDown || m_PressCount > 0) m_ImageIndex = kImageOn;
    else if (m_HoverCount != 0) m_ImageIndex = kImageOver;
    else m_ImageIndex = kImageOff;
    m_EventState = 0;
    UpdateTipHelp(ms);
    if (m_PressCount > 0) --m_PressCount;
    return 0;
}

const GxNcOriginImage* GxTaskUIButtonIs::PictureToDraw() const
{
    if (!m_Enabled) return m_Images[kImageNotAvailable];
    const GxNcOriginImage* image = GetImage(m_ImageIndex);
    return image ? image : m_Images[kImageOff];
}

void GxTaskUIButtonIs::DrawPicture(float alpha)
{
    const GxNcOriginImage* image = PictureToDraw();
    if (!image) return;
    const GxActorVisualParam& v = m_Visual;
    GxMatrix world;
    world.SetWorld(v.m_Scale, GetAbsolutePos(), GxDegreesToRadians(v.m_Rot), v.m_CenterPos);
    const GxFColor diffuse(v.m_Color0.r, v.m_Color0.g, v.m_Color0.b,
                           v.m_Color0.a * alpha * static_cast<float>(v.m_Alpha) / 255.0f);
    GxGraphics::BeginScene();
    GxGraphics::SetDefaultRenderState();
    GxGraphics::SetTextureFilter(kPointFilter);
    GxDrawCrammedPattern(image, m_PatternIndex, world, diffuse, v.m_Color1, v.m_BlendMode);
    GxGraphics::EndScene();
}

void GxTaskUIButtonIs::AppendPictureKey(GxDrawKey& key, float alpha)
{
    const GxNcOriginImage* image = PictureToDraw();
    key.Add(image);
    if (!image) return;
    key.Add(alpha);
    key.Add(m_PatternIndex);
    m_Visual.AppendKey(key);
    key.Add(GetAbsolutePos());
}

bool GxTaskUIButtonIs::AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (typeid(*this) != typeid(GxTaskUIButtonIs)) return false;
    const bool visible = IsUIVisible();
    key.Add(visible);
    if (visible) AppendPictureKey(key, static_cast<float>(m_ImageAlpha) / 255.0f);
    return true;
}

int GxTaskUIButtonIs::Draw(int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (!IsUIVisible()) return 0;
    DrawPicture(static_cast<float>(m_ImageAlpha) / 255.0f);
    return 0;
}

bool GxTaskUIButtonIs::WriteContent(GxContentWriterBase& w)
{
    GxTaskUIBase::WriteContent(w);
    w.WriteGxStringStdW("m_ImageName", m_ImageName);
    w.WriteGxStringStdW("m_ImageSetName", m_ImageSetName);
    w.WriteGxS32("m_ImageIndex", m_ImageIndex);
    w.WriteGxS32("m_PatternIndex", m_PatternIndex);
    return w.GetErrorCount() == 0;
}

bool GxTaskUIButtonIs::ReadContent(GxContentReaderBase& r)
{
    GxTaskUIBase::ReadContent(r);
    r.ReadGxStringStdW("m_ImageName", m_ImageName);
    r.ReadGxStringStdW("m_ImageSetName", m_ImageSetName);
    r.ReadGxS32("m_ImageIndex", m_ImageIndex);
    r.ReadGxS32("m_PatternIndex", m_PatternIndex);
    ReleaseImages();
    ResetEventState();
    return r.GetErrorCount() == 0;
}

// ---- GxTaskUIToggleButtonIs ----

GxTaskUIToggleButtonIs::GxTaskUIToggleButtonIs(GxTaskBase* parent, const char16_t* taskName,
                                               const char16_t* localName, int32_t localIndex)
    : GxTaskUIButtonIs(parent, taskName, localName, localIndex)
{
    SetTaskType(GxUIModuleType::ToggleButtonIs);
}

GxTaskUIToggleButtonIs::~GxTaskUIToggleButtonIs() = default;

bool GxTaskUIToggleButtonIs::LoadImages()
{
    if (!FindImages(kImageSlotCount, u"GxTaskUIToggleButtonIs/ImageSet wasn't Loaded:%s [%s]\n",
                    u"GxTaskUIToggleButtonIs/Image not found:%s [%s]\n"))
        return false;
    if (!m_Images[kImageOn]) {
        // Without an on picture the over picture marks "on", so hovering while off must not
        // look the same.
        m_Images[kImageOn] = m_Images[kImageOver];
        m_Images[kImageOver] = m_Images[kImageOff];
    }
    if (!m_Images[kImageNotAvailable]) m_Images[kImageNotAvailable] = m_Images[kImageOff];
    if (!m_Images[kImageOnOver]) m_Images[kImageOnOver] = m_Images[kImageOn];
    if (!m_Images[kImageOnNotAvailable]) m_Images[kImageOnNotAvailable] = m_Images[kImageNotAvailable];
    ApplySizeDefaults();
    return true;
}

void GxTaskUIToggleButtonIs::OnStandardPress(const GxMousePoint& pt)
{
    (void)pt;
    if (m_AutoToggleFlag) SetValueBool(!GetValueBool());
}

void GxTaskUIToggleButtonIs::UpdateToggleImageIndex()
{
    const bool on = GetValueBool();
    const bool hover = m_HoverCount != 0;
    if (on) m_ImageIndex = hover ? kImageOnOver : kImageOn;
    else m_ImageIndex = hover ? kImageOver : kImageOff;
}

const GxNcOriginImage* GxTaskUIToggleButtonIs::PictureToDraw() const
{
    if (!m_Enabled) return GetValueBool() ? m_Images[kImageOnNotAvailable] : m_Images[kImageNotAvailable];
    return GxTaskUIButtonIs::PictureToDraw();
}

int GxTaskUIToggleButtonIs::Draw(int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (!IsUIVisible()) return 0;
    UpdateToggleImageIndex();
    DrawPicture(static_cast<float>(m_ImageAlpha) / 255.0f);
    return 0;
}

bool GxTaskUIToggleButtonIs::AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (typeid(*this) != typeid(GxTaskUIToggleButtonIs) && typeid(*this) != typeid(GxTaskUIRadioButtonIs))
        return false;
    const bool visible = IsUIVisible();
    key.Add(visible);
    if (!visible) return true;
    // The draw takes its picture from the value and the hover first; a frame that is not drawn
    // must leave the index as a drawn one would.
    UpdateToggleImageIndex();
    AppendPictureKey(key, static_cast<float>(m_ImageAlpha) / 255.0f);
    return true;
}

bool GxTaskUIToggleButtonIs::WriteContent(GxContentWriterBase& w)
{
    GxTaskUIButtonIs::WriteContent(w);
    w.WriteGxBool("m_AutoToggleFlag", m_AutoToggleFlag);
    return w.GetErrorCount() == 0;
}

bool GxTaskUIToggleButtonIs::ReadContent(GxContentReaderBase& r)
{
    GxTaskUIButtonIs::ReadContent(r);
    r.ReadGxBool("m_AutoToggleFlag", m_AutoToggleFlag);
    return r.GetErrorCount() == 0;
}

// ---- GxTaskUIRadioButtonIs ----

GxTaskUIRadioButtonIs::GxTaskUIRadioButtonIs(GxTaskBase* parent, const char16_t* taskName,
                                             const char16_t* localName, int32_t localIndex)
    : GxTaskUIToggleButtonIs(parent, taskName, localName, localIndex)
{
    SetTaskType(GxUIModuleType::RadioButtonIs);
}

GxTaskUIRadioButtonIs::~GxTaskUIRadioButtonIs() = default;

void GxTaskUIRadioButtonIs::Select()
{
    if (const GxTaskBase* parent = GetParent()) {
        for (GxTaskBase* t = parent->GetFirstChild(); t; t = t->GetNextSibling()) {
            if (t->GetTaskType() != GxUIModuleType::RadioButtonIs || !t->IsKindOf(GxTaskKind::UI)) continue;
            auto* radio = dynamic_cast<GxTaskUIBase*>(t);
            if (radio && radio->GetGroupID() == GetGroupID()) radio->SetValueBool(false);
        }
    }
    SetValueBool(true);
}

void GxTaskUIRadioButtonIs::OnStandardPress(const GxMousePoint& pt)
{
    (void)pt;
    if (m_AutoToggleFlag) Select();
}
