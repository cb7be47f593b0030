// One piece of content a layer shows (an Nc motion, one pattern of an image set, a picture, a
// solid colour, a movie or a texture): what it is, the names it was loaded from, the live
// resources it holds, its world matrix and playback state, and sub-layers drawn over a
// picture. Saved games keep the names only; Reload creates the resources again from them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxMath.h"
#include "layer/GxNcSnapshot.h"

class GxContentReaderBase;
class GxContentWriterBase;
class GxCore;
class GxNcProjectEx;
class GxNcCrammedImageSet;
struct GxNcOriginImage;
class GxTexture;
class GxTextureFlex;

enum GxLayerContentType : int32_t
{
    CONTENTTYPE_NONE = 0,
    CONTENTTYPE_NCMOTION = 1,
    CONTENTTYPE_IMAGESET = 2,
    CONTENTTYPE_FLEXTEXTURE = 3,
    CONTENTTYPE_SOLIDCOLOR = 5,
    CONTENTTYPE_MOVIE = 6,
    CONTENTTYPE_TEXTURE = 7,
    CONTENTTYPE_TEXTUREFILE = 8,
};

// The movie slots a layer may use (its buffer index plus 1).
constexpr uint32_t kGxLayerMovieSlotFirst = 1;
constexpr uint32_t kGxLayerMovieSlotLast = 2;
// The largest side of a texture or movie texture that a stored content may ask for.
constexpr int32_t kGxLayerContentMaxSide = 8192;

// What reloading needs of the game's settings and options.
struct GxLayerContentEnv
{
    std::u16string m_ErrorPicture;  // shown in place of a missing picture; empty: none
    int32_t m_MovieVolume = 0;      // hundredths of a decibel
};
// The running game's error picture and movie volume; without a game (or its settings), the
// settings' defaults.
GxLayerContentEnv GxGetLayerContentEnv(GxCore* core);

class GxSubLayerContent
{
public:
    GxSubLayerContent();
    virtual ~GxSubLayerContent();
    GxSubLayerContent(const GxSubLayerContent&) = delete;
    GxSubLayerContent& operator=(const GxSubLayerContent&) = delete;

    virtual bool WriteContent(GxContentWriterBase& writer);
    virtual bool ReadContent(GxContentReaderBase& reader);

    // Texture deleted, alpha 255, name empty, size and offset 0.
    void Clear();
    // Empties the sub-layer, then loads the picture (false for an empty name or a failed load;
    // the name is kept either way so that a reload can try again).
    bool Load(std::u16string_view fileName);

    std::unique_ptr<GxTextureFlex> m_pTexture;
    int32_t m_Alpha = 255;  // stored; the drawing does not use it
    std::u16string m_ContentFileName;
    int32_t m_Width = 0;
    int32_t m_Height = 0;
    GxVector2 m_OffsetPos;
};

class GxLayerContent
{
public:
    GxLayerContent();
    virtual ~GxLayerContent();
    GxLayerContent(const GxLayerContent&) = delete;
    GxLayerContent& operator=(const GxLayerContent&) = delete;

    virtual bool WriteContent(GxContentWriterBase& writer);
    // Resets first; creates no resources (Reload does).
    virtual bool ReadContent(GxContentReaderBase& reader);

    // Gives back every resource (a movie's slot is stopped and closed first) and sets every
    // field to its default; the sub-layers are emptied but keep their number.
    void Reset();
    void CreateSubLayerList(uint32_t count);
    GxSubLayerContent* GetSubLayer(uint32_t index);
    bool HasSubLayerTexture() const;
    uint32_t GetSubLayerCount() const { return static_cast<uint32_t>(m_pSubLayerList.size()); }

    // Creates the resources again from the stored names; true when all of them were made.
    bool Reload(GxCore* core) { return Reload(GxGetLayerContentEnv(core)); }
    bool Reload(const GxLayerContentEnv& env);

    int32_t m_ContentType = CONTENTTYPE_NONE;
    GxNcProjectEx* m_pProject = nullptr;          // a project-factory reference
    GxNcCrammedImageSet* m_pImageSet = nullptr;   // an image-set-factory reference
    std::unique_ptr<GxTextureFlex> m_pTextureFlex;
    std::unique_ptr<GxTexture> m_pTexture;        // a GxTextureMovie for movies
    GxNcMotionSnapShotEx m_SnapShot;              // the motion at the current frame
    int32_t m_Alpha = 255;
    std::u16string m_ContentFileName;
    std::vector<std::u16string> m_MultiContentFileName;
    int32_t m_Width = 0;
    int32_t m_Height = 0;
    GxNcOriginImage* m_pImage = nullptr;  // found again on reload; not stored
    std::u16string m_ImageName;
    int32_t m_PatternIndex = 0;
    int32_t m_FrameCount = 0;
    std::u16string m_MotionGroupName;
    std::u16string m_MotionName;
    GxMatrix m_MatWorld;
    GxFColor m_SolidColor{1.0f, 1.0f, 1.0f, 1.0f};
    uint32_t m_MyChannel = 0;
    int32_t m_LoopCount = 0;
    double m_LoopStartPos = 0.0;
    double m_MovieCurrentTime = 0.0;
    bool m_MovieAutoDisappear = true;
    std::vector<std::unique_ptr<GxSubLayerContent>> m_pSubLayerList;

private:
    void ReleaseResources();
    bool ReloadMovie(const GxLayerContentEnv& env);
};

// The picture file for an asset name: the name as given, else with ".png", ".dds", ".tga",
// ".jpg" or ".bmp" appended, the first that exists; false when none does.
bool GxLayerFindImageFile(std::u16string_view name, std::u16string* fileName);
