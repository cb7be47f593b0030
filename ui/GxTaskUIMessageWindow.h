// The message window: shows one script message at a time over its panel and reveals it
// character by character at the player's text speed, waiting for clicks where the text says so.
// The main play screen sets each message, feeds clicks to ProcessClick and lets the script go on
// only while the window is not waiting and has placed every character.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/GxMessageLayout.h"
#include "ui/GxTaskUIPanel.h"

class GxTaskUIMessageWindowFx : public GxTaskUIPanelFx
{
public:
    GxTaskUIMessageWindowFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName,
                            int32_t localIndex);
    ~GxTaskUIMessageWindowFx() override;

    // The panel's update, then the timed reveal: the wait runs down by the frame's elapsed time
    // and characters are placed while it is spent.
    int Update(int32_t step, int64_t elapsed) override;
    // The panel, then rubies and characters with shadow and outline.
    int Draw(int32_t param, int32_t layer) override;
    bool AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer) override;
    // The base fields, then the text, the placed records and the layout state.
    bool WriteContent(GxContentWriterBase& writer) override;
    bool ReadContent(GxContentReaderBase& reader) override;
    // The panel's, then the module's font and client rectangle as the text region.
    void ApplyModule(const DBUIModuleData& module) override;
    // A message with a click wait at its end.
    void SetText(const char16_t* text) override;

    // Font index 0..5 (another is logged and becomes the default); returns the size.
    virtual int32_t SetTextFont(int32_t index);
    virtual int32_t SetRubyFont(int32_t index);
    virtual void ShowText() { m_VisibleText = true; }
    virtual void HideText() { m_VisibleText = false; }
    // Replaces the message (cut at a U+0000); a message read before shows whole when the player
    // option says so.
    virtual void SetMessage(const std::u16string& text, bool enableAutoClickWait, bool readed, bool ignoreKinsoku,
                            bool disableAutoNewline);
    virtual void ClearMessage();
    virtual int32_t GetTextLength() const { return static_cast<int32_t>(m_Text.size()); }
    virtual uint32_t GetShowCharCount() const { return static_cast<uint32_t>(m_Layout.m_ShowChars.size()); }
    virtual bool IsReaded() const { return m_ReadedFlag; }
    virtual void SetTextRegion(int32_t left, int32_t top, int32_t width, int32_t height);
    // Kept inside 0..length.
    virtual void SetProcessPos(int32_t pos);
    virtual int32_t GetProcessPos() const { return m_Layout.m_ProcessPos; }
    virtual uint32_t GetRestCharCount() const { return m_Layout.GetRestCharCount(); }
    virtual bool IsClickWaiting() const { return m_Layout.m_ClickWaiting; }
    virtual bool IsWaiting() const { return m_Layout.m_WaitTimeLeft > 0; }
    // A click: ends a click wait (true when the message is finished) or shows everything up to
    // the next click wait at once (false).
    virtual bool ProcessClick();
    // Places characters up to the next click wait, or with toEnd to the end of the text; with
    // onlyIfRead only a message read before. True when it stopped at a click wait.
    virtual bool FlushMessage(bool toEnd, bool onlyIfRead);
    virtual void SetLetterMarginWidth(int32_t width) { m_Layout.m_LetterMarginWidth = width; }
    virtual int32_t GetLetterMarginWidth() const { return m_Layout.m_LetterMarginWidth; }
    virtual bool ProcessNextChar();
    virtual void NewLine() { m_Layout.NewLine(); }
    virtual void NewPage() { m_Layout.NewPage(); }

    const GxMessageLayout& GetLayout() const { return m_Layout; }
    const std::vector<GxMessageCharElement>& GetShowChars() const { return m_Layout.m_ShowChars; }
    const std::vector<GxMessageRubyElement>& GetRubies() const { return m_Layout.m_Rubies; }
    int32_t GetWaitTimeLeft() const { return m_Layout.m_WaitTimeLeft; }
    uint32_t GetTextColor() const { return m_Layout.m_TextColor; }
    uint32_t GetShadowColor() const { return m_ShadowColor; }
    uint32_t GetEdgeColor() const { return m_EdgeColor; }
    bool IsTextVisible() const { return m_VisibleText; }

private:
    void Bind();
    void DrawRubies(const GxVector3& abs, const GxVector2& scale, uint32_t rubyColor, uint32_t shadowColor);
    void DrawCharsAtlas(const GxVector3& abs, const GxVector2& scale, uint32_t shadowColor);
    void DrawCharsBitmap(const GxVector3& abs, const GxVector2& scale, uint32_t shadowColor);
    uint32_t CharColor(const GxMessageCharElement& e) const;

    GxMessageLayout m_Layout;
    uint32_t m_ShadowColor;
    uint32_t m_EdgeColor;  // 0: no outline; not saved
    bool m_VisibleText = true;
    bool m_UseShadow = true;
    bool m_ReadedFlag = false;
};
