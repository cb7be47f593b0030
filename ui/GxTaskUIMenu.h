// The image menu: a vertical list of text rows over a frame of three pictures of a crammed image
// set, a head row, one body row per item and a foot row, all m_Height high. The owner fills it
// with items, hears a choice through SelectChange (18) and reads it back; the item under the
// pointer is highlighted and its description shown in a widget the owner names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/GxTaskUIBase.h"

struct GxNcOriginImage;

// One menu row. Copies are deep, sub-items included; of a sub-item only Text, OffsetX and
// OffsetY are used.
struct GxUIMenuItem
{
    std::u16string Text;
    std::u16string Label;
    int32_t ID = -1;
    std::u16string Descript;
    bool Enabled = true;
    bool Flagged = false;
    float OffsetX = 0.0f;
    float OffsetY = 0.0f;
    std::vector<GxUIMenuItem> SubItems;
};

class GxTaskUIMenuIs : public GxTaskUIBase
{
public:
    GxTaskUIMenuIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUIMenuIs() override;

    // Advances the actions only: the menu has no tip help.
    int Update(int32_t step, int64_t elapsed) override;
    int Draw(int32_t param, int32_t layer) override;
    int OnMouseMove(const GxMousePoint& pt, uint32_t keyState) override;
    int OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    // Head, one row per item, foot.
    int32_t GetHeight() const override;

    // The base part, then the set "<UI image-set folder><ImageSetName>.gis" and the image base name.
    void ApplyModule(const DBUIModuleData& module) override;
    // "uigis/menu/frame" names the images "frame_head.png" etc. of "uigis/menu.gis".
    bool LoadImageSet(const std::u16string& path) override;
    // Finds the three frame pictures in the pooled set; a missing set or picture is logged and
    // gives false. An unset row size takes the body's first pattern.
    bool LoadImages() override;
    void ReleaseImages() override;
    // Over an item row, strictly inside the client's horizontal span.
    bool IsHit(const GxVector3& origin, float x, float y) const override;

    virtual void SetTextFont(int32_t index) { m_FontIndex = index; }
    virtual GxUIMenuItem* AddItem(const GxUIMenuItem& item);
    virtual GxUIMenuItem* AddItem(const std::u16string& text, const std::u16string& label, int32_t id,
                                  const std::u16string& descript);
    // Removes every item and forgets hover and selection.
    virtual void ClearItems();
    virtual void ClearSelect();
    virtual void AddColumn(int32_t offset) { m_ColumnOffsetArray.push_back(offset); }
    virtual void SetDescriptTarget(GxTaskUIBase* target) { m_DescriptTarget = target; }
    virtual int32_t GetItemCount() const { return static_cast<int32_t>(m_ItemArray.size()); }
    virtual int32_t GetColumnCount() const { return static_cast<int32_t>(m_ColumnOffsetArray.size()); }
    // Null for an index outside the items.
    virtual GxUIMenuItem* GetItem(uint32_t index);
    // A scratch 0 for an index outside the columns.
    virtual int32_t& GetColumn(uint32_t index);
    virtual int32_t GetSelectIndex() const { return m_SelectIndex; }
    // Empty (-1) when no item is selected.
    virtual std::u16string GetSelectLabel() const;
    virtual int32_t GetSelectID() const;
    virtual int32_t GetHoverIndex() const { return m_HoverIndex; }

    const std::u16string& GetImageName() const { return m_ImageName; }
    const std::u16string& GetImageSetPath() const { return m_ImageSetPath; }
    int32_t GetFontIndex() const { return m_FontIndex; }

private:
    // The item under a hit point, -1 for a miss.
    int32_t ItemAt(float x, float y) const;
    const GxUIMenuItem* SelectedItem() const;
    void ShowDescript(const std::u16string& text);

    int32_t m_FontIndex = 1;
    std::vector<GxUIMenuItem> m_ItemArray;
    std::vector<int32_t> m_ColumnOffsetArray;
    int32_t m_HoverIndex = -1;
    int32_t m_SelectIndex = -1;
    uint32_t m_TextColor = 0xFFFFFFFFu;
    uint32_t m_HoverTextColor = 0xFFFFFFFFu;
    uint32_t m_HoverSpecularColor = 0xFF202020u;
    uint32_t m_SelectTextColor = 0xFF80A0FFu;
    uint32_t m_SelectSpecularColor = 0xFF202020u;
    uint32_t m_DisableTextColor = 0xFF80A0FFu;
    uint32_t m_HoverRectColor = 0x80FFFFFFu;
    GxTaskUIBase* m_DescriptTarget = nullptr;
    std::u16string m_ImageName;
    std::u16string m_ImageSetPath;
    GxNcOriginImage* m_pHeadImage = nullptr;
    GxNcOriginImage* m_pBodyImage = nullptr;
    GxNcOriginImage* m_pFootImage = nullptr;
    int32_t m_PatternIndex = 0;
    int32_t m_NoColumn = 0;
};
