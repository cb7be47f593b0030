// The tool-tip balloon: a frame tiled from the 16 x 16 cells of one 64 x 64 picture (corners,
// edges and inside from a 4 x 4 grid), sized by SetText to the text it holds, which is drawn
// inside with an optional outline. The system screen holds one, named "tip_help", and shows it
// beside the pointer through ShowAt; with m_AutoHide the next pointer move hides it again (the
// move still goes on to the widgets below).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/GxTaskUIBase.h"
#include "ui/GxUIText.h"

struct GxNcOriginImage;

class GxTaskUITipHelpIs : public GxTaskUIBase
{
public:
    static constexpr int32_t kDefaultFontIndex = 1;
    static constexpr int32_t kCellSize = 16;

    GxTaskUITipHelpIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUITipHelpIs() override;

    // Actions only.
    int Update(int32_t step, int64_t elapsed) override;
    // Frame tiles without the actor's scale or rotation, then the text with its scale.
    int Draw(int32_t param, int32_t layer) override;
    // The base fields, then the image names, pattern, font, colours, outline, wrap width, auto
    // hide and padding. A stored font index that names no system font is logged and becomes 1.
    bool WriteContent(GxContentWriterBase& writer) override;
    bool ReadContent(GxContentReaderBase& reader) override;
    // Hides a visible balloon when m_AutoHide is set; never takes the move.
    int OnMouseMove(const GxMousePoint& pt, uint32_t keyState) override;
    // The base part, the font, then "<UI image-set folder><ImageSetName>.gis" and the picture name.
    void ApplyModule(const DBUIModuleData& module) override;
    // "uigis/common/tip" names the picture "tip" of "uigis/common.gis".
    bool LoadImageSet(const std::u16string& path) override;
    // Finds "<m_ImageName>.png" in the pooled set; an empty name means no frame and succeeds. The
    // size never comes from the picture.
    bool LoadImages() override;
    void ReleaseImages() override;
    // Stores the text and sizes the balloon to it (multiples of 16, at least 32 x 32); an empty
    // text hides the balloon.
    void SetText(const char16_t* text) override;

    // The font and its size from the settings; an index that names no system font is logged and
    // font 1 taken instead.
    virtual void SetTextFontIndex(int32_t index);
    virtual void SetTextColor(uint32_t argb) { m_TextColor = argb; }
    virtual void SetEdgeColor(uint32_t argb) { m_EdgeColor = argb; }
    virtual void SetNewLineWidth(int32_t width) { m_NewLineWidth = width; }
    virtual int32_t GetNewLineWidth() const { return m_NewLineWidth; }
    virtual void SetPadding(int32_t padding) { m_Padding = padding; }
    virtual int32_t GetPadding() const { return m_Padding; }
    virtual void SetPatternIndex(int32_t index) { m_PatternIndex = index; }
    virtual int32_t GetPatternIndex() const { return m_PatternIndex; }
    // 0 without a frame picture.
    virtual int32_t GetPatternCount() const;
    // Places the balloon 24 pixels left of and below the pointer position p, turned to the other
    // side of the point where it would leave the 1024 x 768 screen, and kept on it.
    virtual int ShowAt(const GxVector3& p);
    // The index of the last line of the text (a line break or wrap at the very end opens none);
    // widest, when given, gets the widest line's extent plus one font size.
    virtual int32_t MeasureText(int32_t* widest);

    const std::u16string& GetImageName() const { return m_ImageName; }
    const std::u16string& GetImageSetName() const { return m_ImageSetName; }
    const GxNcOriginImage* GetFrameImage() const { return m_pFrameImage; }
    int32_t GetTextFontIndex() const { return m_TextFontIndex; }
    int32_t GetTextFontSize() const { return m_TextFontSize; }
    uint32_t GetTextColor() const { return m_TextColor; }
    uint32_t GetEdgeColor() const { return m_EdgeColor; }
    bool GetUseEdge() const { return m_UseEdge; }
    bool GetAutoHide() const { return m_AutoHide; }

private:
    // The text walk: the placed characters (when places is given), the last line index and the
    // widest extent.
    int64_t WalkText(std::vector<GxUITextPlace>* places, int64_t* widest) const;
    void DrawFrame(const GxVector3& origin);

    std::u16string m_ImageName;
    std::u16string m_ImageSetName;
    GxNcOriginImage* m_pFrameImage = nullptr;
    int32_t m_PatternIndex = 0;
    int32_t m_TextFontIndex = kDefaultFontIndex;
    int32_t m_TextFontSize;
    uint32_t m_TextColor = 0xFFFFFFFFu;
    uint32_t m_EdgeColor;
    bool m_UseEdge = true;
    int32_t m_NewLineWidth = 256;
    bool m_AutoHide = true;
    int32_t m_Padding = 8;
};
