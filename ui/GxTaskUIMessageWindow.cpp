#include "ui/GxTaskUIMessageWindow.h"

#include <cmath>
#include <typeinfo>

#include "app/DBUIModule.h"
#include "app/task/GxTaskManage.h"
#include "core/GxCharClass.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxDrawKey.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "ui/GxUISettings.h"

namespace {

constexpr uint32_t kPointFilter = 1;
// Shadows and outlines are always alpha-blended, whatever the actor's mode.
constexpr int32_t kShadowBlend = BLENDMODE_ALPHA;

std::u16string CutAtNul(const std::u16string& text)
{
    // A U+0000 would stop the layout without ending the text: flushes and reveals would spin.
    const size_t nul = text.find(u'\0');
    return nul == std::u16string::npos ? text : text.substr(0, nul);
}

}  // namespace

GxTaskUIMessageWindowFx::GxTaskUIMessageWindowFx(GxTaskBase* parent, const char16_t* taskName,
                                                 const char16_t* localName, int32_t localIndex)
    : GxTaskUIPanelFx(parent, taskName, localName, localIndex), m_Layout(&m_Text, true)
{
    SetTaskType(GxUIModuleType::MessageWindowFx);
    const GxUISettings& sc = GxMessageSystemConfig();
    m_Layout.m_TextFontSize = GxMessageFontSize(GxMessageLayout::kDefaultTextFont);
    m_Layout.m_RubyFontSize = GxMessageFontSize(GxMessageLayout::kDefaultRubyFont);
    m_Layout.m_LetterMarginWidth = 4;
    m_Layout.m_RubyMarginHeight = m_Layout.m_RubyFontSize;
    m_Layout.m_TextTotalHeight =
        GxMessageSaturate(int64_t{m_Layout.m_RubyFontSize} + m_Layout.m_TextFontSize + 1);
    m_Layout.m_TextColor = sc.m_MeswinTextColor0;
    m_ShadowColor = sc.m_MeswinShadowColor;
    m_EdgeColor = sc.m_MeswinEdgeColor;
}

GxTaskUIMessageWindowFx::~GxTaskUIMessageWindowFx() = default;

void GxTaskUIMessageWindowFx::Bind() { m_Layout.Bind(GxMessageSystemConfig().m_MeswinTextColor0); }

void GxTaskUIMessageWindowFx::ApplyModule(const DBUIModuleData& module)
{
    GxTaskUIPanelFx::ApplyModule(module);
    SetTextFont(module.FontIndex);
    SetTextRegion(module.ClientLeft, module.ClientTop, module.ClientWidth, module.ClientHeight);
}

void GxTaskUIMessageWindowFx::SetText(const char16_t* text)
{
    SetMessage(text ? std::u16string(text) : std::u16string(), true, false, false, false);
}

int32_t GxTaskUIMessageWindowFx::SetTextFont(int32_t index) { return m_Layout.SetTextFont(index, "GxTaskUIMessageWindowFx"); }

int32_t GxTaskUIMessageWindowFx::SetRubyFont(int32_t index) { return m_Layout.SetRubyFont(index, "GxTaskUIMessageWindowFx"); }

void GxTaskUIMessageWindowFx::SetTextRegion(int32_t left, int32_t top, int32_t width, int32_t height)
{
    m_Layout.SetTextRegion(left, top, width, height);
}

void GxTaskUIMessageWindowFx::SetProcessPos(int32_t pos)
{
    m_Layout.m_ProcessPos = pos;
    m_Layout.ClampProcessPos();
}

void GxTaskUIMessageWindowFx::ClearMessage()
{
    m_Text.clear();
    m_Layout.NewPage();
    m_Layout.m_ProcessPos = 0;
    m_Layout.m_RubyMode = false;
    m_Layout.m_ChangeColor = false;
    m_Layout.m_EnableAutoClickWait = false;
    m_Layout.m_ClickWaiting = false;
}

void GxTaskUIMessageWindowFx::SetMessage(const std::u16string& text, bool enableAutoClickWait, bool readed,
                                         bool ignoreKinsoku, bool disableAutoNewline)
{
    ClearMessage();
    m_Text = CutAtNul(text);
    m_Layout.m_EnableAutoClickWait = enableAutoClickWait;
    m_ReadedFlag = readed;
    m_Layout.m_IgnoreKinsoku = ignoreKinsoku;
    m_Layout.m_DisenableAutoNewline = disableAutoNewline;
    m_Layout.m_TextColor = GxMessageSystemConfig().m_MeswinTextColor0;
    if (readed && GxMessageUserConfig().m_FastShowReadedText) FlushMessage(true, true);
}

bool GxTaskUIMessageWindowFx::ProcessNextChar()
{
    Bind();
    return m_Layout.ProcessNextChar();
}

bool GxTaskUIMessageWindowFx::ProcessClick()
{
    m_Layout.m_WaitTimeLeft = 0;
    if (m_Layout.m_ClickWaiting) {
        m_Layout.m_ClickWaiting = false;
        return GetRestCharCount() == 0;
    }
    if (GetRestCharCount() > 0) FlushMessage(false, false);
    return false;
}

bool GxTaskUIMessageWindowFx::FlushMessage(bool toEnd, bool onlyIfRead)
{
    m_Layout.m_WaitTimeLeft = 0;
    if (onlyIfRead && !m_ReadedFlag) return false;
    if (!toEnd && m_Layout.m_ClickWaiting) return true;
    Bind();
    while (m_Layout.GetRestCharCount() > 0) {
        m_Layout.ProcessNextChar();
        if (!toEnd && m_Layout.m_ClickWaiting) return true;
    }
    return false;
}

int GxTaskUIMessageWindowFx::Update(int32_t step, int64_t elapsed)
{
    GxTaskUIPanelFx::Update(step, elapsed);
    Bind();
    // Catch-up steps pass 0, so the wait runs down once per frame.
    m_Layout.AddWait(-(elapsed / 1000));
    if (m_Layout.m_WaitTimeLeft <= 0) {
        while (m_Layout.GetRestCharCount() > 0 && !m_Layout.m_ClickWaiting) {
            if (m_Layout.ProcessNextChar()) {
                if (GxTaskManage* manager = GetManager()) manager->RequestEndUpdateSteps();
                break;
            }
            if (m_Layout.m_WaitTimeLeft > 0) break;
        }
    }
    if (m_Layout.m_WaitTimeLeft < 0) m_Layout.m_WaitTimeLeft = 0;
    return 0;
}

// ---- Drawing ----

uint32_t GxTaskUIMessageWindowFx::CharColor(const GxMessageCharElement& e) const
{
    const GxUISettings& sc = GxMessageSystemConfig();
    uint32_t color = sc.m_MeswinTextColor0;
    if (e.m_ChangeColorFlag)
        color = e.m_Color;
    else if (m_ReadedFlag && GxMessageUserConfig().m_ChangeColorReadedText)
        color = sc.m_MeswinTextColor1;
    return GxMessageScaleAlpha(color, m_Visual.m_Alpha);
}

int GxTaskUIMessageWindowFx::Draw(int32_t param, int32_t layer)
{
    GxTaskUIPanelFx::Draw(param, layer);
    if (!m_VisibleText || !IsUIVisible()) return 0;
    GxGraphics::BeginScene();
    GxGraphics::SetDefaultRenderState();
    GxGraphics::SetTextureFilter(kPointFilter);
    const GxVector3 abs = GetAbsolutePos();
    const GxVector2 scale(m_Visual.m_Scale.x, m_Visual.m_Scale.y);
    const uint32_t rubyColor = GxMessageScaleAlpha(m_Layout.m_TextColor, m_Visual.m_Alpha);
    const uint32_t shadowColor = GxMessageScaleAlpha(m_ShadowColor, m_Visual.m_Alpha);
    GxMessageDrawRubies(m_Layout, m_Layout.m_TextTotalHeight, abs, scale, m_UseShadow, rubyColor, shadowColor,
                        m_Visual.m_BlendMode);
    // A bitmap font named by the settings but not loaded would draw nothing: the atlas stands in.
    const GxFontData& bitmap = GxGetMessageWindowFontData();
    if (!GxMessageSystemConfig().m_MeswinTextBuiltinFontName.empty() && bitmap.GetCellHeight() > 0)
        DrawCharsBitmap(abs, scale, shadowColor);
    else
        DrawCharsAtlas(abs, scale, shadowColor);
    GxGraphics::EndScene();
    return 0;
}

bool GxTaskUIMessageWindowFx::AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    if (typeid(*this) != typeid(GxTaskUIMessageWindowFx)) return false;
    AppendPanelKey(key);
    const bool text = m_VisibleText && IsUIVisible();
    key.Add(text);
    if (!text) return true;
    key.Add(GetAbsolutePos());
    key.Add(m_Visual.m_Scale);
    key.Add(m_Visual.m_Alpha);
    key.Add(m_Visual.m_BlendMode);
    key.Add(m_UseShadow);
    key.Add(m_ShadowColor);
    key.Add(m_EdgeColor);
    key.Add(m_Layout.m_TextColor);
    GxMessageAppendRubiesKey(key, m_Layout, m_Layout.m_TextTotalHeight);
    // Either font: the bitmap font is loaded once at start-up, and a font map's records change
    // only with its textures, which the device watches.
    const GxFontData& bitmap = GxGetMessageWindowFontData();
    const bool useBitmap =
        !GxMessageSystemConfig().m_MeswinTextBuiltinFontName.empty() && bitmap.GetCellHeight() > 0;
    key.Add(useBitmap);
    if (useBitmap) key.Add(&bitmap);
    else key.Add(GxGetGDIFontMap(m_Layout.m_TextFontIndex));
    key.Add(m_Layout.m_TextFontSize);
    key.Add(m_Layout.m_TextRegionLeft);
    key.Add(m_Layout.m_TextRegionTop);
    key.Add(m_Layout.m_RubyMarginHeight);
    key.Add(m_Layout.m_ShowChars.size());
    for (const GxMessageCharElement& e : m_Layout.m_ShowChars) {
        key.Add(e.m_Char);
        key.Add(e.m_OffsetPos);
        key.Add(CharColor(e));
    }
    return true;
}

void GxTaskUIMessageWindowFx::DrawCharsAtlas(const GxVector3& abs, const GxVector2& scale, uint32_t shadowColor)
{
    GxGDIFontMap* atlas = GxGetGDIFontMap(m_Layout.m_TextFontIndex);
    if (!atlas) return;
    const float d = m_EdgeColor != 0 ? 3.0f : 2.0f;
    const float left = static_cast<float>(m_Layout.m_TextRegionLeft);
    const float top = static_cast<float>(m_Layout.m_TextRegionTop) + static_cast<float>(m_Layout.m_RubyMarginHeight);
    auto sx = [&](float x) { return x * scale.x + abs.x; };
    auto sy = [&](float y) { return y * scale.y + abs.y; };
    for (const GxMessageCharElement& e : m_Layout.m_ShowChars) {
        const GxGlyphRecord glyph = atlas->GetGlyph(e.m_Char);
        if (!glyph.texture) continue;
        const float x = left + e.m_OffsetPos.x, y = top + e.m_OffsetPos.y;
        if (m_UseShadow) GxGraphics::DrawGlyph(glyph, sx(x + d), sy(y + d), scale, shadowColor, 0, kShadowBlend);
        if (m_EdgeColor != 0) GxGraphics::DrawGlyphEdge(glyph, sx(x), sy(y), 1.0f, scale, m_EdgeColor, 0, kShadowBlend);
        GxGraphics::DrawGlyph(glyph, sx(x), sy(y), scale, CharColor(e), 0, m_Visual.m_BlendMode);
    }
}

void GxTaskUIMessageWindowFx::DrawCharsBitmap(const GxVector3& abs, const GxVector2& scale, uint32_t shadowColor)
{
    GxFontData* font = &GxGetMessageWindowFontData();
    const float d = m_EdgeColor != 0 ? 3.0f : 2.0f;
    const float s = static_cast<float>(m_Layout.m_TextFontSize);
    auto draw = [&](const std::u16string& one, float x, float y, uint32_t color, int32_t blend) {
        GxGraphics::DrawTextFontData(font, one, x * scale.x + abs.x, y * scale.y + abs.y, scale, GxVector3(),
                                     GxVector2(), color, 0, blend);
    };
    for (const GxMessageCharElement& e : m_Layout.m_ShowChars) {
        if (!font->HasGlyph(e.m_Char)) continue;
        const std::u16string one(1, e.m_Char);
        // Centred in the cell its width class gives it at the text size.
        const float cell = static_cast<float>(GxGetCharWidth(e.m_Char)) * s * 0.5f;
        const float glyphWidth = static_cast<float>(font->GetGlyphWidth(e.m_Char));
        const float x = std::trunc(static_cast<float>(m_Layout.m_TextRegionLeft) + e.m_OffsetPos.x +
                                   (cell - glyphWidth) * 0.5f);
        const float y = std::trunc(static_cast<float>(m_Layout.m_TextRegionTop) + e.m_OffsetPos.y +
                                   static_cast<float>(m_Layout.m_RubyMarginHeight));
        if (m_UseShadow) draw(one, x + d, y + d, shadowColor, kShadowBlend);
        if (m_EdgeColor != 0) {
            draw(one, x - 1.0f, y - 1.0f, m_EdgeColor, kShadowBlend);
            draw(one, x + 1.0f, y + 1.0f, m_EdgeColor, kShadowBlend);
            draw(one, x + 1.0f, y - 1.0f, m_EdgeColor, kShadowBlend);
            draw(one, x - 1.0f, y + 1.0f, m_EdgeColor, kShadowBlend);
        }
        draw(one, x, y, CharColor(e), m_Visual.m_BlendMode);
    }
}

// ---- Saved form ----

bool GxTaskUIMessageWindowFx::WriteContent(GxContentWriterBase& w)
{
    GxTaskUIBase::WriteContent(w);
    const GxMessageLayout& l = m_Layout;
    w.WriteGxStringStdW("m_Text", m_Text);
    w.WriteListBegin("m_ShowChars", "", static_cast<uint32_t>(l.m_ShowChars.size()));
    for (const GxMessageCharElement& e : l.m_ShowChars) {
        w.WriteListItemBegin();
        w.WriteGxU16("m_Char", e.m_Char);
        w.WriteGxVector3("m_OffsetPos", e.m_OffsetPos);
        w.WriteGxU32("m_Color", e.m_Color);
        w.WriteGxBool("m_ChangeColorFlag", e.m_ChangeColorFlag);
        w.WriteListItemEnd();
    }
    w.WriteListEnd();
    w.WriteListBegin("m_Rubies", "", static_cast<uint32_t>(l.m_Rubies.size()));
    for (const GxMessageRubyElement& r : l.m_Rubies) {
        w.WriteListItemBegin();
        w.WriteGxStringStdW("m_Text", r.m_Text);
        w.WriteGxS32("m_RubyCharWidth", r.m_RubyCharWidth);
        w.WriteGxS32("m_RubyUnderCharWidth", r.m_RubyUnderCharWidth);
        w.WriteGxVector3("m_OffsetPos", r.m_OffsetPos);
        w.WriteListItemEnd();
    }
    w.WriteListEnd();
    w.WriteGxS32("m_TextRegionLeft", l.m_TextRegionLeft);
    w.WriteGxS32("m_TextRegionTop", l.m_TextRegionTop);
    w.WriteGxS32("m_TextRegionWidth", l.m_TextRegionWidth);
    w.WriteGxS32("m_TextRegionHeight", l.m_TextRegionHeight);
    w.WriteGxS32("m_TextFontIndex", l.m_TextFontIndex);
    w.WriteGxS32("m_RubyFontIndex", l.m_RubyFontIndex);
    w.WriteGxS32("m_TextFontSize", l.m_TextFontSize);
    w.WriteGxS32("m_RubyFontSize", l.m_RubyFontSize);
    w.WriteGxS32("m_LetterMarginWidth", l.m_LetterMarginWidth);
    w.WriteGxS32("m_RubyMarginHeight", l.m_RubyMarginHeight);
    w.WriteGxS32("m_TextTotalHeight", l.m_TextTotalHeight);
    w.WriteGxS32("m_ProcessPos", l.m_ProcessPos);
    w.WriteGxBool("m_RubyMode", l.m_RubyMode);
    w.WriteGxS32("m_CursorX", l.m_CursorX);
    w.WriteGxS32("m_CursorY", l.m_CursorY);
    w.WriteGxU32("m_TextColor", l.m_TextColor);
    w.WriteGxU32("m_ShadowColor", m_ShadowColor);
    w.WriteGxBool("m_ChangeColor", l.m_ChangeColor);
    w.WriteGxBool("m_VisibleText", m_VisibleText);
    w.WriteGxBool("m_UseShadow", m_UseShadow);
    w.WriteGxBool("m_EnableAutoClickWait", l.m_EnableAutoClickWait);
    w.WriteGxBool("m_ClickWaiting", l.m_ClickWaiting);
    w.WriteGxBool("m_ReadedFlag", m_ReadedFlag);
    w.WriteGxBool("m_IgnoreKinsoku", l.m_IgnoreKinsoku);
    w.WriteGxBool("m_DisenableAutoNewline", l.m_DisenableAutoNewline);
    w.WriteGxS32("m_WaitTimeLeft", l.m_WaitTimeLeft);
    return w.GetErrorCount() == 0;
}

bool GxTaskUIMessageWindowFx::ReadContent(GxContentReaderBase& r)
{
    ClearMessage();
    GxTaskUIBase::ReadContent(r);
    GxMessageLayout& l = m_Layout;
    std::u16string text;
    r.ReadGxStringStdW("m_Text", text);
    m_Text = CutAtNul(text);

    // A stored count is outside data: items are read one by one and never allocated by it; past a
    // failed item the stream is out of step, so the list keeps only the items read whole.
    uint32_t count = 0;
    l.m_ShowChars.clear();
    if (r.ReadListBegin("m_ShowChars", count)) {
        for (uint32_t i = 0; i < count; ++i) {
            const int errors = r.GetErrorCount();
            GxMessageCharElement e;
            uint16_t c = 0;
            r.ReadListItemBegin();
            r.ReadGxU16("m_Char", c);
            e.m_Char = static_cast<char16_t>(c);
            r.ReadGxVector3("m_OffsetPos", e.m_OffsetPos);
            r.ReadGxU32("m_Color", e.m_Color);
            r.ReadGxBool("m_ChangeColorFlag", e.m_ChangeColorFlag);
            r.ReadListItemEnd();
            if (r.GetErrorCount() != errors) break;
            l.m_ShowChars.push_back(e);
        }
        r.ReadListEnd();
    }
    count = 0;
    l.m_Rubies.clear();
    if (r.ReadListBegin("m_Rubies", count)) {
        for (uint32_t i = 0; i < count; ++i) {
            const int errors = r.GetErrorCount();
            GxMessageRubyElement e;
            r.ReadListItemBegin();
            r.ReadGxStringStdW("m_Text", e.m_Text);
            r.ReadGxS32("m_RubyCharWidth", e.m_RubyCharWidth);
            r.ReadGxS32("m_RubyUnderCharWidth", e.m_RubyUnderCharWidth);
            r.ReadGxVector3("m_OffsetPos", e.m_OffsetPos);
            r.ReadListItemEnd();
            if (r.GetErrorCount() != errors) break;
            l.m_Rubies.push_back(std::move(e));
        }
        r.ReadListEnd();
    }
    r.ReadGxS32("m_TextRegionLeft", l.m_TextRegionLeft);
    r.ReadGxS32("m_TextRegionTop", l.m_TextRegionTop);
    r.ReadGxS32("m_TextRegionWidth", l.m_TextRegionWidth);
    r.ReadGxS32("m_TextRegionHeight", l.m_TextRegionHeight);
    r.ReadGxS32("m_TextFontIndex", l.m_TextFontIndex);
    r.ReadGxS32("m_RubyFontIndex", l.m_RubyFontIndex);
    l.m_TextFontIndex = GxMessageCheckFontIndex(l.m_TextFontIndex, GxMessageLayout::kDefaultTextFont,
                                                "GxTaskUIMessageWindowFx", "ReadContent");
    l.m_RubyFontIndex = GxMessageCheckFontIndex(l.m_RubyFontIndex, GxMessageLayout::kDefaultRubyFont,
                                                "GxTaskUIMessageWindowFx", "ReadContent");
    r.ReadGxS32("m_TextFontSize", l.m_TextFontSize);
    r.ReadGxS32("m_RubyFontSize", l.m_RubyFontSize);
    r.ReadGxS32("m_LetterMarginWidth", l.m_LetterMarginWidth);
    r.ReadGxS32("m_RubyMarginHeight", l.m_RubyMarginHeight);
    r.ReadGxS32("m_TextTotalHeight", l.m_TextTotalHeight);
    r.ReadGxS32("m_ProcessPos", l.m_ProcessPos);
    l.ClampProcessPos();
    r.ReadGxBool("m_RubyMode", l.m_RubyMode);
    r.ReadGxS32("m_CursorX", l.m_CursorX);
    r.ReadGxS32("m_CursorY", l.m_CursorY);
    r.ReadGxU32("m_TextColor", l.m_TextColor);
    r.ReadGxU32("m_ShadowColor", m_ShadowColor);
    r.ReadGxBool("m_ChangeColor", l.m_ChangeColor);
    r.ReadGxBool("m_VisibleText", m_VisibleText);
    r.ReadGxBool("m_UseShadow", m_UseShadow);
    r.ReadGxBool("m_EnableAutoClickWait", l.m_EnableAutoClickWait);
    r.ReadGxBool("m_ClickWaiting", l.m_ClickWaiting);
    r.ReadGxBool("m_ReadedFlag", m_ReadedFlag);
    r.ReadGxBool("m_IgnoreKinsoku", l.m_IgnoreKinsoku);
    r.ReadGxBool("m_DisenableAutoNewline", l.m_DisenableAutoNewline);
    r.ReadGxS32("m_WaitTimeLeft", l.m_WaitTimeLeft);
    return r.GetErrorCount() == 0;
}
