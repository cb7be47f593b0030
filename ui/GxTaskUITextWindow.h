// The text window: lays a text out whole, with the message window's inline commands, ruby groups
// and line-breaking rules, and draws it every frame. The back-log screen shows each entry in one.
// It keeps its own text, waits for nothing and has no saved form of its own: its owner sets the
// text again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/GxMessageLayout.h"
#include "ui/GxTaskUIPanel.h"

class GxTaskUITextWindowFx : public GxTaskUIPanelFx
{
public:
    GxTaskUITextWindowFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUITextWindowFx() override;

    // The panel, then the rubies (while ruby is on) and the characters in their own colours.
    int Draw(int32_t param, int32_t layer) override;
    // The panel's, then the module's font and client rectangle as the text region.
    void ApplyModule(const DBUIModuleData& module) override;
    // Lays the text out with both line-breaking flags off.
    void SetText(const char16_t* text) override;
    const std::u16string& GetText() const override { return m_WindowText; }

    // Font index 0..5 (another is logged and becomes the default); returns the size.
    virtual int32_t SetTextFont(int32_t index);
    virtual int32_t SetRubyFont(int32_t index);
    virtual void ShowText() { m_VisibleText = true; }
    virtual void HideText() { m_VisibleText = false; }
    virtual void EnableRuby() { m_RubyOn = true; }
    virtual void DisableRuby() { m_RubyOn = false; }
    // Replaces the text (cut at a U+0000) and lays it out whole.
    virtual void SetMessage(const std::u16string& text, bool ignoreKinsoku, bool disableAutoNewline);
    virtual void ClearMessage();
    virtual int32_t GetTextLength() const { return static_cast<int32_t>(m_WindowText.size()); }
    virtual uint32_t GetShowCharCount() const { return static_cast<uint32_t>(m_Layout.m_ShowChars.size()); }
    virtual void SetTextRegion(int32_t left, int32_t top, int32_t width, int32_t height);
    virtual uint32_t GetRestCharCount() const { return m_Layout.GetRestCharCount(); }
    // Places every remaining character (one step at least); false.
    virtual bool ProcessAllChars();
    virtual bool ProcessNextChar();
    virtual void NewLine();
    virtual void NewPage() { m_Layout.NewPage(); }

    // The same operations under the names the script commands use.
    void SetWindowText(const std::u16string& text, bool ignoreKinsoku, bool disableAutoNewline)
    {
        SetMessage(text, ignoreKinsoku, disableAutoNewline);
    }
    void ClearWindowText() { ClearMessage(); }

    const GxMessageLayout& GetLayout() const { return m_Layout; }
    const std::vector<GxMessageCharElement>& GetShowChars() const { return m_Layout.m_ShowChars; }
    const std::vector<GxMessageRubyElement>& GetRubies() const { return m_Layout.m_Rubies; }
    int32_t GetLineHeight() const { return m_LineHeight; }
    bool IsRubyOn() const { return m_RubyOn; }
    bool IsTextVisible() const { return m_VisibleText; }
    uint32_t GetTextColor() const { return m_Layout.m_TextColor; }

private:
    // The line pitch as the ruby flag stands now, and the settings in force.
    void Bind();

    std::u16string m_WindowText;
    GxMessageLayout m_Layout;
    int32_t m_LineHeight;
    uint32_t m_ShadowColor;
    bool m_VisibleText = true;
    bool m_RubyOn = true;
    bool m_UseShadow = true;
};
