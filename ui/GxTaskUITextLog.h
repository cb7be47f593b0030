// The text log: a scrolling list of one-line entries, each with an optional icon string drawn in
// a bitmap font before its text. New lines go to the bottom; the oldest fall off beyond a
// maximum count or, with auto cross-out, one at a time on a timer. The widget value is the index
// of the top line shown, and a linked scroll-bar widget is kept in step with it. Lines are
// neither wrapped nor interpreted.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "ui/GxTaskUIPanel.h"

// One line of the log.
struct GxTextLogElement
{
    std::u16string m_Icon;
    std::u16string m_Text;
    std::u16string m_Link;  // kept and saved; nothing reads it
    uint32_t m_TextColor = 0xFFFFFFFFu;  // the colour given when added; the log draws its own
};

class GxTaskUITextLogFx : public GxTaskUIPanelFx
{
public:
    static constexpr int32_t kDefaultTextFont = 1;
    static constexpr int32_t kDefaultIconFont = 0;

    GxTaskUITextLogFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUITextLogFx() override;

    // The widget's enter, then the scroll bar re-synchronised and the cross-out interval
    // restarted.
    void OnSequenceEnter() override;
    // One cross-out step, then the panel's update.
    int Update(int32_t step, int64_t elapsed) override;
    // The panel's picture, then the rows from the top line on.
    int Draw(int32_t param, int32_t layer) override;
    // The base fields, the log's fields, then the lines as the list "GxTextLogElement".
    bool WriteContent(GxContentWriterBase& writer) override;
    bool ReadContent(GxContentReaderBase& reader) override;
    // The panel's part, then the text font of the module's FontIndex.
    void ApplyModule(const DBUIModuleData& module) override;
    // Adds the text as a line without icon in the log's colour.
    void SetText(const char16_t* text) override;

    // The glyph atlas and its size from the settings' font size table; an index outside the
    // atlases is logged and the default font taken.
    virtual void SetTextFont(int32_t index);
    // One of the bitmap fonts; an index outside them is logged and the default font taken.
    virtual void SetIconFont(int32_t index);
    virtual void SetTextColor(uint32_t argb) { m_TextColor = argb; }
    virtual void SetEdgeColor(uint32_t argb) { m_EdgeColor = argb; }
    // Appends a line, trims to the maximum, keeps the scroll bar's maximum and (with auto
    // scroll) shows the newest line.
    virtual void AddText(const char16_t* text, const char16_t* icon, uint32_t argb);
    // Removes every line; the scroll value, the scroll bar and the cross-out count stay.
    virtual void ClearText() { m_Lines.clear(); }
    virtual int32_t GetLineCount() const { return static_cast<int32_t>(m_Lines.size()); }
    // Takes effect at the next added line.
    virtual void SetMaxLine(int32_t count) { m_MaxLine = count; }
    virtual int32_t GetMaxLine() const { return m_MaxLine; }
    virtual void SetMaxView(int32_t count) { m_MaxView = count; }
    virtual int32_t GetMaxView() const { return m_MaxView; }
    // Removes lines from the top while more than max remain; max 0 (or below) keeps all.
    virtual void TrimLines(int32_t max);
    virtual void SetAutoScroll(bool on) { m_AutoScroll = on; }
    virtual bool GetAutoScroll() const { return m_AutoScroll; }
    virtual void SetAutoCrossout(bool on) { m_AutoCrossout = on; }
    virtual bool GetAutoCrossout() const { return m_AutoCrossout; }
    virtual void SetCrossoutWaitTime(int32_t ms) { m_CrossoutWaitTime = ms; }
    virtual int32_t GetCrossoutWaitTime() const { return m_CrossoutWaitTime; }
    // Links (or with null unlinks) the scroll bar; the log does not own it.
    virtual void SetScrollBar(GxTaskUIBase* bar) { m_pScrollBar = bar; }
    // The bar's maximum (last line index, at least 0), then its value from the log's.
    virtual void SyncScrollBar();

    const std::deque<GxTextLogElement>& GetLines() const { return m_Lines; }
    int32_t GetTextFontIndex() const { return m_TextFontIndex; }
    int32_t GetTextFontSize() const { return m_TextFontSize; }
    int32_t GetIconFontIndex() const { return m_IconFontIndex; }
    uint32_t GetTextColor() const { return m_TextColor; }
    uint32_t GetEdgeColor() const { return m_EdgeColor; }
    bool GetUseEdge() const { return m_UseEdge; }
    int32_t GetCrossoutCount() const { return m_CrossoutCount; }
    GxTaskUIBase* GetScrollBar() const { return m_pScrollBar; }

protected:
    void ScrollBarMax();

    int32_t m_TextFontIndex = kDefaultTextFont;
    int32_t m_TextFontSize = 15;
    int32_t m_IconFontIndex = kDefaultIconFont;
    uint32_t m_TextColor = 0xFFFFFFFFu;
    uint32_t m_EdgeColor = 0x80000000u;
    bool m_UseEdge = true;
    int32_t m_MaxLine = 100;
    int32_t m_MaxView = 16;
    bool m_AutoScroll = true;
    bool m_AutoCrossout = false;
    int32_t m_CrossoutWaitTime = 3000;
    int32_t m_CrossoutCount = 0;
    std::deque<GxTextLogElement> m_Lines;
    GxTaskUIBase* m_pScrollBar = nullptr;
};
