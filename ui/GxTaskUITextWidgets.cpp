#include "ui/GxTaskUITextWidgets.h"

#include <typeinfo>

#include "app/DBUIModule.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxDrawKey.h"
#include "core/GxLog.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "ui/GxUIText.h"

namespace {

constexpr uint32_t kPointFilter = 1;

}  // namespace

template <class Base>
GxTaskUITextBlock<Base>::GxTaskUITextBlock(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                           int32_t localIndex)
    : Base(parent, taskName, localName, localIndex),
      m_TextFontSize(GxUIFontSize(kDefaultFontIndex)),
      m_EdgeColor(GxUISystemEdgeColor())
{
}

template <class Base>
GxTaskUITextBlock<Base>::~GxTaskUITextBlock() = default;

template <class Base>
void GxTaskUITextBlock<Base>::SetTextFontIndex(int32_t index)
{
    if (!GxUIIsFontIndex(index)) {
        GxPrintErrorLogA("%s/SetTextFontIndex: no system font %d, font %d taken\n", TextClassName(), index,
                         kDefaultFontIndex);
        index = kDefaultFontIndex;
    }
    m_TextFontIndex = index;
    m_TextFontSize = GxUIFontSize(index);
}

template <class Base>
void GxTaskUITextBlock<Base>::ApplyModule(const DBUIModuleData& module)
{
    Base::ApplyModule(module);
    SetTextFontIndex(module.FontIndex);
}

template <class Base>
int GxTaskUITextBlock<Base>::Draw(int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (!this->IsUIVisible()) return 0;
    const GxActorVisualParam& v = this->m_Visual;
    GxGraphics::BeginScene();
    GxGraphics::SetDefaultRenderState();
    GxGraphics::SetTextureFilter(kPointFilter);
    DrawTextPicture();
    if (!this->m_Text.empty()) {
        // Kept between draws: a screen's captions are laid out every frame.
        static thread_local std::vector<GxUITextPlace> places;
        GxUILayoutTextBlock(places, this->m_Text, m_TextFontSize, this->m_ClientLeft, this->m_ClientTop,
                            this->m_ClientWidth, m_AutoAlign, GxUILineBreakChar());
        GxUIDrawTextPlaces(places, m_TextFontIndex, this->GetAbsolutePos(), v.m_Scale,
                           GxUIScaleColorAlpha(m_TextColor, v.m_Alpha), GxUIScaleColorAlpha(m_EdgeColor, v.m_Alpha),
                           m_UseEdge, v.m_BlendMode);
    }
    GxGraphics::EndScene();
    return 0;
}

template <class Base>
bool GxTaskUITextBlock<Base>::AppendTextBlockKey(GxDrawKey& key)
{
    const bool visible = this->IsUIVisible();
    key.Add(visible);
    if (!visible) return true;
    if (!AppendTextPictureKey(key)) return false;
    key.AddText(this->m_Text);
    if (this->m_Text.empty()) return true;
    const GxActorVisualParam& v = this->m_Visual;
    key.Add(m_TextFontIndex);
    key.Add(m_TextFontSize);
    // The glyphs: a font map's records change only with its textures, which the device watches.
    key.Add(GxGetGDIFontMap(m_TextFontIndex));
    key.Add(this->m_ClientLeft);
    key.Add(this->m_ClientTop);
    key.Add(this->m_ClientWidth);
    key.Add(m_AutoAlign);
    key.Add(GxUILineBreakChar());
    key.Add(this->GetAbsolutePos());
    key.Add(v.m_Scale);
    key.Add(v.m_Alpha);
    key.Add(v.m_BlendMode);
    key.Add(m_TextColor);
    key.Add(m_EdgeColor);
    key.Add(m_UseEdge);
    return true;
}

template <class Base>
bool GxTaskUITextBlock<Base>::WriteContent(GxContentWriterBase& w)
{
    Base::WriteContent(w);
    w.WriteGxS32("m_TextFontIndex", m_TextFontIndex);
    w.WriteGxS32("m_TextFontSize", m_TextFontSize);
    w.WriteGxU32("m_TextColor", m_TextColor);
    w.WriteGxU32("m_EdgeColor", m_EdgeColor);
    w.WriteGxBool("m_UseEdge", m_UseEdge);
    w.WriteGxS32("m_AutoAlign", m_AutoAlign);
    return w.GetErrorCount() == 0;
}

template <class Base>
bool GxTaskUITextBlock<Base>::ReadContent(GxContentReaderBase& r)
{
    Base::ReadContent(r);
    r.ReadGxS32("m_TextFontIndex", m_TextFontIndex);
    r.ReadGxS32("m_TextFontSize", m_TextFontSize);
    r.ReadGxU32("m_TextColor", m_TextColor);
    r.ReadGxU32("m_EdgeColor", m_EdgeColor);
    r.ReadGxBool("m_UseEdge", m_UseEdge);
    r.ReadGxS32("m_AutoAlign", m_AutoAlign);
    if (!GxUIIsFontIndex(m_TextFontIndex)) {
        GxPrintErrorLogA("%s/ReadContent: no system font %d, font %d taken\n", TextClassName(), m_TextFontIndex,
                         kDefaultFontIndex);
        m_TextFontIndex = kDefaultFontIndex;
    }
    return r.GetErrorCount() == 0;
}

template class GxTaskUITextBlock<GxTaskUIButtonIs>;
template class GxTaskUITextBlock<GxTaskUIPanelIs>;
template class GxTaskUITextBlock<GxTaskUIPanelFx>;

// ---- the three classes ----

GxTaskUITextButtonIs::GxTaskUITextButtonIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                           int32_t localIndex)
    : GxTaskUITextBlock<GxTaskUIButtonIs>(parent, taskName, localName, localIndex)
{
    SetTaskType(GxUIModuleType::TextButtonIs);
}

GxTaskUITextButtonIs::~GxTaskUITextButtonIs() = default;

void GxTaskUITextButtonIs::DrawTextPicture() { DrawPicture(1.0f); }

bool GxTaskUITextButtonIs::AppendTextPictureKey(GxDrawKey& key)
{
    AppendPictureKey(key, 1.0f);
    return true;
}

bool GxTaskUITextButtonIs::AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    return typeid(*this) == typeid(GxTaskUITextButtonIs) && AppendTextBlockKey(key);
}

GxTaskUITextPanelIs::GxTaskUITextPanelIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                         int32_t localIndex)
    : GxTaskUITextBlock<GxTaskUIPanelIs>(parent, taskName, localName, localIndex)
{
    SetTaskType(GxUIModuleType::TextPanelIs);
}

GxTaskUITextPanelIs::~GxTaskUITextPanelIs() = default;

void GxTaskUITextPanelIs::DrawTextPicture() { GxTaskUIPanelIs::Draw(0, 0); }

bool GxTaskUITextPanelIs::AppendTextPictureKey(GxDrawKey& key)
{
    AppendPanelKey(key);
    return true;
}

bool GxTaskUITextPanelIs::AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    return typeid(*this) == typeid(GxTaskUITextPanelIs) && AppendTextBlockKey(key);
}

GxTaskUITextPanelFx::GxTaskUITextPanelFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                         int32_t localIndex)
    : GxTaskUITextBlock<GxTaskUIPanelFx>(parent, taskName, localName, localIndex)
{
    SetTaskType(GxUIModuleType::TextPanelFx);
}

GxTaskUITextPanelFx::~GxTaskUITextPanelFx() = default;

void GxTaskUITextPanelFx::DrawTextPicture() { GxTaskUIPanelFx::Draw(0, 0); }

bool GxTaskUITextPanelFx::AppendTextPictureKey(GxDrawKey& key)
{
    AppendPanelKey(key);
    return true;
}

bool GxTaskUITextPanelFx::AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    return typeid(*this) == typeid(GxTaskUITextPanelFx) && AppendTextBlockKey(key);
}
