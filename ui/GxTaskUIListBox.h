// The drawn list box: a scrolling list of text lines over a drawn panel's picture. The value is
// the scroll position (the first visible line), always within 0..max(count - visible, 0). The
// owner fills it with lines, may attach a slider as its scroll bar and a widget that shows the
// description of the line under the pointer, and hears a click through SelectChange (18).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/GxTaskUIPanel.h"

// One line. Copies are deep. Sub-items are further columns, drawn in their line's colour.
struct GxUIListItem
{
    std::u16string PrefixText;
    std::u16string Text;
    std::u16string Label;
    int32_t ID = -1;
    std::u16string Descript;
    int32_t PrefixFontIndex = 0;
    bool Enabled = true;
    bool Flagged = false;
    float OffsetX = 0.0f;
    float OffsetY = 0.0f;
    uint32_t Color = 0xFFFFFFFFu;
    std::vector<GxUIListItem> SubItems;
};

class GxTaskUIListBoxFx : public GxTaskUIPanelFx
{
public:
    GxTaskUIListBoxFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUIListBoxFx() override;

    // Loads the picture, forgets the pointer state and brings the scroll bar in line.
    void OnSequenceEnter() override;
    int Draw(int32_t param, int32_t layer) override;
    int OnMouseMove(const GxMousePoint& pt, uint32_t keyState) override;
    int OnMouseWheel(const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState) override;
    int OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    // The base fields, then the text font, its size, text and edge colours and the edge switch.
    bool WriteContent(GxContentWriterBase& writer) override;
    bool ReadContent(GxContentReaderBase& reader) override;
    // The panel part, then the record's font.
    void ApplyModule(const DBUIModuleData& module) override;
    // As the panel, except that an unset client width (height) loses one client offset, not
    // two; an unset visible count becomes the whole lines the client height holds.
    bool LoadImages() override;
    // The scroll position, clamped; the scroll bar is not told.
    void SetValueBool(bool value) override;
    void SetValueInt(int32_t value) override;
    void SetValue(double value) override;

    // A font outside 0..5 is logged and font 1 taken; the size follows the settings.
    virtual void SetTextFont(int32_t index);
    virtual void SetTextColor(uint32_t argb) { m_TextColor = argb; }
    virtual void SetEdgeColor(uint32_t argb) { m_EdgeColor = argb; }
    // A prefix font outside 0..8 is logged and font 0 taken.
    virtual GxUIListItem* AddItem(const GxUIListItem& item);
    virtual GxUIListItem* AddItem(const char16_t* text, const char16_t* prefixText, int32_t prefixFontIndex,
                                  const char16_t* label, int32_t id, const char16_t* descript);
    virtual void ClearItems();
    virtual void ClearSelect();
    virtual void AddColumn(int32_t offset) { m_ColumnOffsetArray.push_back(offset); }
    virtual void ClearColumns();
    virtual int32_t GetItemCount() const { return static_cast<int32_t>(m_ItemArray.size()); }
    virtual int32_t GetColumnCount() const { return static_cast<int32_t>(m_ColumnOffsetArray.size()); }
    // Null for an index outside the lines.
    virtual GxUIListItem* GetItem(uint32_t index);
    // A scratch 0 for an index outside the columns.
    virtual int32_t& GetColumn(uint32_t index);
    virtual void SetDescriptTarget(GxTaskUIBase* target) { m_DescriptTarget = target; }
    virtual void SetScrollBar(GxTaskUIBase* scrollBar) { m_ScrollBar = scrollBar; }
    virtual int32_t GetSelectIndex() const { return m_SelectIndex; }
    // Empty (-1) when no line is selected.
    virtual std::u16string GetSelectLabel() const;
    virtual int32_t GetSelectID() const;
    virtual int32_t GetHoverIndex() const { return m_HoverIndex; }
    virtual void SetVisibleLineCount(int32_t count) { m_VisibleLineCount = count; }
    virtual int32_t GetVisibleLineCount() const { return m_VisibleLineCount; }
    // The scroll bar's range and value from the lines and the scroll position.
    virtual void UpdateScrollBar();

    int32_t GetTextFontIndex() const { return m_TextFontIndex; }
    int32_t GetTextFontSize() const { return m_TextFontSize; }
    uint32_t GetTextColor() const { return m_TextColor; }
    uint32_t GetEdgeColor() const { return m_EdgeColor; }
    bool GetUseEdge() const { return m_UseEdge; }

private:
    int32_t MaxScroll() const;
    // The font size and a pixel above and below; wide, so a stored size cannot overflow it.
    int64_t LineHeight() const { return static_cast<int64_t>(m_TextFontSize) + 2; }
    // The line under (x, y) inside the client rectangle and the visible rows, -1 for none.
    int32_t LineAt(float x, float y) const;
    const GxUIListItem* SelectedItem() const;
    void ShowDescript(const std::u16string& text);
    void ResetIndices();

    int32_t m_TextFontIndex = 1;
    int32_t m_TextFontSize = 0;
    uint32_t m_TextColor = 0xFFFFFFFFu;
    uint32_t m_EdgeColor = 0x80000000u;
    bool m_UseEdge = true;
    int32_t m_VisibleLineCount = 0;
    std::vector<GxUIListItem> m_ItemArray;
    std::vector<int32_t> m_ColumnOffsetArray;
    int32_t m_SpareIndex0 = -1;
    int32_t m_HoverIndex = -1;
    int32_t m_SpareIndex1 = -1;
    int32_t m_SelectIndex = -1;
    uint32_t m_HoverRectColor = 0x4000FFFFu;
    uint32_t m_SelectRectColor = 0x9000FFFFu;
    uint32_t m_SelectTextColor = 0xFFFFFFFFu;
    uint32_t m_DisableTextColor = 0xFF806040u;
    GxTaskUIBase* m_DescriptTarget = nullptr;
    GxTaskUIBase* m_ScrollBar = nullptr;
    int32_t m_NoColumn = 0;
};
