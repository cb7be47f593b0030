// The widgets that carry one block of text over their picture: captions on buttons, labels and
// values on panels. The text is the base's m_Text, laid out anew at every draw from the text
// fields below (so every setter takes effect at the next draw) and drawn from the glyph atlas of
// one system font, centred on one line or left-aligned, wrapped at the client width, with an
// optional outline. The picture is rotated with the actor, the text never is.
// - GxTaskUITextButtonIs: a push button with its caption; its picture ignores m_ImageAlpha.
// - GxTaskUITextPanelIs: an image panel with text.
// - GxTaskUITextPanelFx: a picture-file panel with text, or text alone.
#pragma once

#include <cstdint>

#include "ui/GxTaskUIButton.h"
#include "ui/GxTaskUIPanel.h"

// The text fields and operations over one of the picture widgets.
template <class Base>
class GxTaskUITextBlock : public Base
{
public:
    static constexpr int32_t kDefaultFontIndex = 2;

    GxTaskUITextBlock(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUITextBlock() override;

    // The picture as the widget class draws it, then the text.
    int Draw(int32_t param, int32_t layer) override;
    // The parent's keys, then m_TextFontIndex, m_TextFontSize, m_TextColor, m_EdgeColor, m_UseEdge
    // and m_AutoAlign. A stored size is kept as it is; a stored font index that names no system
    // font is logged and becomes the default index.
    bool WriteContent(GxContentWriterBase& writer) override;
    bool ReadContent(GxContentReaderBase& reader) override;
    // The parent's part, then the module's FontIndex.
    void ApplyModule(const DBUIModuleData& module) override;

    // The font and its size from the settings; an index that names no system font is logged and
    // the default index taken instead.
    virtual void SetTextFontIndex(int32_t index);
    virtual void SetTextColor(uint32_t argb) { m_TextColor = argb; }
    virtual void SetEdgeColor(uint32_t argb) { m_EdgeColor = argb; }
    // Non-zero centres a text of one line in the client rectangle.
    virtual void SetAutoAlign(int32_t align) { m_AutoAlign = align; }
    virtual int32_t GetAutoAlign() const { return m_AutoAlign; }

    int32_t GetTextFontIndex() const { return m_TextFontIndex; }
    int32_t GetTextFontSize() const { return m_TextFontSize; }
    uint32_t GetTextColor() const { return m_TextColor; }
    uint32_t GetEdgeColor() const { return m_EdgeColor; }
    bool GetUseEdge() const { return m_UseEdge; }

protected:
    // The class's name in log lines.
    virtual const char* TextClassName() const = 0;
    // The picture under the text, inside the draw's scene.
    virtual void DrawTextPicture() = 0;
    // The key of DrawTextPicture; false (the default) when the class cannot tell.
    virtual bool AppendTextPictureKey(GxDrawKey& key)
    {
        (void)key;
        return false;
    }
    // The key of Draw, for the classes that key their picture.
    bool AppendTextBlockKey(GxDrawKey& key);

    int32_t m_TextFontIndex = kDefaultFontIndex;
    int32_t m_TextFontSize;
    uint32_t m_TextColor = 0xFFFFFFFFu;
    uint32_t m_EdgeColor;
    bool m_UseEdge = true;
    int32_t m_AutoAlign = 1;
};

extern template class GxTaskUITextBlock<GxTaskUIButtonIs>;
extern template class GxTaskUITextBlock<GxTaskUIPanelIs>;
extern template class GxTaskUITextBlock<GxTaskUIPanelFx>;

class GxTaskUITextButtonIs : public GxTaskUITextBlock<GxTaskUIButtonIs>
{
public:
    GxTaskUITextButtonIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUITextButtonIs() override;

    bool AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer) override;

protected:
    const char* TextClassName() const override { return "GxTaskUITextButtonIs"; }
    // The state picture at the actor's alpha, without m_ImageAlpha.
    void DrawTextPicture() override;
    bool AppendTextPictureKey(GxDrawKey& key) override;
};

class GxTaskUITextPanelIs : public GxTaskUITextBlock<GxTaskUIPanelIs>
{
public:
    GxTaskUITextPanelIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUITextPanelIs() override;

    bool AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer) override;

protected:
    const char* TextClassName() const override { return "GxTaskUITextPanelIs"; }
    void DrawTextPicture() override;
    bool AppendTextPictureKey(GxDrawKey& key) override;
};

class GxTaskUITextPanelFx : public GxTaskUITextBlock<GxTaskUIPanelFx>
{
public:
    GxTaskUITextPanelFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUITextPanelFx() override;

    bool AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer) override;

protected:
    const char* TextClassName() const override { return "GxTaskUITextPanelFx"; }
    void DrawTextPicture() override;
    bool AppendTextPictureKey(GxDrawKey& key) override;
};
