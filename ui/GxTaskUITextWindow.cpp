#include "ui/GxTaskUITextWindow.h"

#include "app/DBUIModule.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "ui/GxUISettings.h"

namespace {

constexpr uint32_t kPointFilter = 1;
constexpr int32_t kShadowBlend = BLENDMODE_ALPHA;

}  // namespace

GxTaskUITextWindowFx::GxTaskUITextWindowFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                                           int32_t localIndex)
    : GxTaskUIPanelFx(parent, taskName, localName, localIndex), m_Layout(&m_WindowText, false)
{
    SetTaskType(GxUIModuleType::TextWindowFx);
    const GxUISettings& sc = GxMessageSystemConfig();
    m_Layout.m_TextFontSize = GxMessageFontSize(GxMessageLayout::kDefaultTextFont);
    m_Layout.m_RubyFontSize = GxMessageFontSize(GxMessageLayout::kDefaultRubyFont);
    m_Layout.m_LetterMarginWidth = 0;
    m_Layout.m_RubyMarginHeight = m_Layout.m_RubyFontSize;
    m_LineHeight = GxMessageSaturate(int64_t{m_Layout.m_TextFontSize} + 1);
    m_Layout.m_TextColor = sc.m_SystemTextColor0;
    m_ShadowColor = sc.m_SystemShadowColor;
}

GxTaskUITextWindowFx::~GxTaskUITextWindowFx() = default;

void GxTaskUITextWindowFx::Bind()
{
    m_Layout.Bind(GxMessageSystemConfig().m_SystemTextColor0);
    m_Layout.m_TextTotalHeight = GxMessageSaturate(int64_t{m_LineHeight} + (m_RubyOn ? m_Layout.m_RubyFontSize : 0));
}

void GxTaskUITextWindowFx::ApplyModule(const DBUIModuleData& module)
{
    GxTaskUIPanelFx::ApplyModule(module);
    SetTextFont(module.FontIndex);
    SetTextRegion(module.ClientLeft, module.ClientTop, module.ClientWidth, module.ClientHeight);
}

void GxTaskUITextWindowFx::SetText(const char16_t* text)
{
    SetMessage(text ? std::u16string(text) : std::u16string(), false, false);
}

int32_t GxTaskUITextWindowFx::SetTextFont(int32_t index) { return m_Layout.SetTextFont(index, "GxTaskUITextWindowFx"); }

int32_t GxTaskUITextWindowFx::SetRubyFont(int32_t index) { return m_Layout.SetRubyFont(index, "GxTaskUITextWindowFx"); }

void GxTaskUITextWindowFx::SetTextRegion(int32_t left, int32_t top, int32_t width, int32_t height)
{
    m_Layout.SetTextRegion(left, top, width, height);
}

void GxTaskUITextWindowFx::ClearMessage()
{
    m_WindowText.clear();
    m_Layout.NewPage();
    m_Layout.m_ProcessPos = 0;
    m_Layout.m_RubyMode = false;
}

void GxTaskUITextWindowFx::SetMessage(const std::u16string& text, bool ignoreKinsoku, bool disableAutoNewline)
{
    ClearMessage();
    m_Layout.m_IgnoreKinsoku = ignoreKinsoku;
    m_Layout.m_DisenableAutoNewline = disableAutoNewline;
    // A U+0000 would stop the layout short of the end and ProcessAllChars would never return.
    const size_t nul = text.find(u'\0');
    m_WindowText = nul == std::u16string::npos ? text : text.substr(0, nul);
    m_Layout.m_TextColor = GxMessageSystemConfig().m_SystemTextColor0;
    ProcessAllChars();
}

bool GxTaskUITextWindowFx::ProcessAllChars()
{
    Bind();
    do {
        m_Layout.ProcessNextChar();
    } while (m_Layout.GetRestCharCount() > 0);
    return false;
}

bool GxTaskUITextWindowFx::ProcessNextChar()
{
    Bind();
    return m_Layout.ProcessNextChar();
}

void GxTaskUITextWindowFx::NewLine()
{
    Bind();
    m_Layout.NewLine();
}

int GxTaskUITextWindowFx::Draw(int32_t param, int32_t layer)
{
    GxTaskUIPanelFx::Draw(param, layer);
    if (!m_VisibleText || !IsUIVisible()) return 0;
    GxGraphics::BeginScene();
    GxGraphics::SetDefaultRenderState();
    GxGraphics::SetTextureFilter(kPointFilter);
    const GxVector3 abs = GetAbsolutePos();
    const GxVector2 scale(m_Visual.m_Scale.x, m_Visual.m_Scale.y);
    const int32_t alpha = m_Visual.m_Alpha;
    const uint32_t shadowColor = GxMessageScaleAlpha(m_ShadowColor, alpha);
    if (m_RubyOn)
        GxMessageDrawRubies(m_Layout, GxMessageSaturate(int64_t{m_LineHeight} + m_Layout.m_RubyFontSize), abs, scale, m_UseShadow,
                            GxMessageScaleAlpha(m_Layout.m_TextColor, alpha), shadowColor, m_Visual.m_BlendMode);
    if (GxGDIFontMap* atlas = GxGetGDIFontMap(m_Layout.m_TextFontIndex)) {
        const float left = static_cast<float>(m_Layout.m_TextRegionLeft);
        const float top = static_cast<float>(m_Layout.m_TextRegionTop) +
                          static_cast<float>(m_RubyOn ? m_Layout.m_RubyMarginHeight : 0);
        for (const GxMessageCharElement& e : m_Layout.m_ShowChars) {
            const GxGlyphRecord glyph = atlas->GetGlyph(e.m_Char);
            if (!glyph.texture) continue;
            const float x = left + e.m_OffsetPos.x, y = top + e.m_OffsetPos.y;
            if (m_UseShadow)
                GxGraphics::DrawGlyph(glyph, (x + 2.0f) * scale.x + abs.x, (y + 2.0f) * scale.y + abs.y, scale,
                                      shadowColor, 0, kShadowBlend);
            GxGraphics::DrawGlyph(glyph, x * scale.x + abs.x, y * scale.y + abs.y, scale,
                                  GxMessageScaleAlpha(e.m_Color, alpha), 0, m_Visual.m_BlendMode);
        }
    }
    GxGraphics::EndScene();
    return 0;
}
