// The panels: the plain picture widgets screens use as backgrounds, frames, dialog bodies and
// click areas, and the bases of the richer widgets.
// - GxTaskUIPanelFx shows one picture file of any size as a flexible texture.
// - GxTaskUIPanelIs shows one pattern of a source image of a crammed image set that the image-set
//   pool holds.
// - GxTaskUIAnimePanelIs steps through the patterns of its source image and never consumes the
//   pointer.
// All three hover, press and show tip help by the standard pointer protocol on their whole
// rectangle.
#pragma once

#include <cstdint>
#include <string>

#include "ui/GxTaskUIBase.h"

class GxDrawKey;
class GxTextureFlex;
struct GxNcOriginImage;

class GxTaskUIPanelFx : public GxTaskUIBase
{
public:
    GxTaskUIPanelFx(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    // Gives the texture reference back.
    ~GxTaskUIPanelFx() override;

    int Update(int32_t step, int64_t elapsed) override;
    int Draw(int32_t param, int32_t layer) override;
    bool AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer) override;
    int OnMouseMove(const GxMousePoint& pt, uint32_t keyState) override;
    int OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;

    // The base part, then the picture file ImageSetName + ImageName + ".png" (none for an empty
    // ImageName).
    void ApplyModule(const DBUIModuleData& module) override;
    // The path is the picture file.
    bool LoadImageSet(const std::u16string& path) override;
    // Takes a new reference of the file's texture before giving the old one back, so reloading
    // the same file never drops it; the size follows the picture (0 x 0 without one) and an
    // unset client rectangle becomes the size less the client offset on each side. True when
    // the picture exists.
    bool LoadImages() override;
    void ReleaseImages() override;

    const std::u16string& GetImageFile() const { return m_ImageFile; }
    GxTextureFlex* GetTexture() const { return m_pTexture; }

protected:
    // An unset client width (height) becomes the width (height) less twice the client offset.
    void ApplyClientDefaults();
    // The key of this class's Draw, for the classes that draw the panel under their own drawing.
    void AppendPanelKey(GxDrawKey& key);

    std::u16string m_ImageFile;
    GxTextureFlex* m_pTexture = nullptr;
};

class GxTaskUIPanelIs : public GxTaskUIBase
{
public:
    GxTaskUIPanelIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUIPanelIs() override;

    int Update(int32_t step, int64_t elapsed) override;
    int Draw(int32_t param, int32_t layer) override;
    bool AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer) override;
    int OnMouseMove(const GxMousePoint& pt, uint32_t keyState) override;
    int OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick) override;
    // The base fields, then m_ImageName, m_ImageSetName and m_PatternIndex; reading drops the
    // picture (found again by the next LoadImages) and the pointer state.
    bool WriteContent(GxContentWriterBase& writer) override;
    bool ReadContent(GxContentReaderBase& reader) override;

    // The base part, then the set "<UI image-set folder><ImageSetName>.gis" and its image.
    void ApplyModule(const DBUIModuleData& module) override;
    // "uigis/common/ok" names the image "ok" of "uigis/common.gis".
    bool LoadImageSet(const std::u16string& path) override;
    // Finds the source image "<m_ImageName>.png" in the pooled set (never loads a set). An
    // empty image name shows nothing and succeeds; a missing set or image is logged. An unset
    // size takes the first pattern's.
    bool LoadImages() override;
    // Forgets the image; the pool owns it.
    void ReleaseImages() override;

    // Stored unchecked: an index outside the patterns draws nothing.
    virtual void SetPatternIndex(int32_t index) { m_PatternIndex = index; }
    virtual int32_t GetPatternIndex() const { return m_PatternIndex; }
    // 0 without an image.
    virtual int32_t GetPatternCount() const;

    const std::u16string& GetImageName() const { return m_ImageName; }
    const std::u16string& GetImageSetName() const { return m_ImageSetName; }
    const GxNcOriginImage* GetOriginImage() const { return m_pOriginImage; }

protected:
    // The load of a named picture: finds its set and its picture (logging a missing one with the
    // class's own messages), takes the first pattern's size where none is set, and the client
    // rectangle's defaults.
    bool FindOriginImage(const char16_t* setMissingFormat, const char16_t* imageMissingFormat);
    void ApplyClientDefaults();
    // The key of this class's Draw.
    void AppendPanelKey(GxDrawKey& key);

    std::u16string m_ImageName;
    std::u16string m_ImageSetName;
    GxNcOriginImage* m_pOriginImage = nullptr;
    int32_t m_PatternIndex = 0;
};

class GxTaskUIAnimePanelIs : public GxTaskUIPanelIs
{
public:
    GxTaskUIAnimePanelIs(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUIAnimePanelIs() override;

    // The panel update, then one pattern step every m_AnimeSpeed updates (looping), counted by
    // the task's update counter from the first update.
    int Update(int32_t step, int64_t elapsed) override;
    // As the image panel, except that an empty image name is looked up like any other.
    bool LoadImages() override;
};
