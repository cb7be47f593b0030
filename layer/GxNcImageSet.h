// Image sets (".gis"): texture atlases in which the patterns of several source pictures are
// packed into a few page pictures, and the drawing of one pattern as a textured quad.
//
// Stored form (either form of the content stream; tags "TGIMGSET" / "BGIMGSET"):
//   m_EconomyMode (bool)
//   list m_CrammedImageArray: m_FileName, m_ImageWidth, m_ImageHeight, m_Count, m_PreserveFlag
//   list m_OriginImageArray: m_FileName, m_PatternCount (ignored: the list count rules),
//     m_ImageWidth, m_ImageHeight, m_PreserveFlag, list m_PatternArray: eleven S32 (m_Left ..
//     m_CrammedHeight), m_CenterPosX, m_CenterPosY, [m_CrammedRawUV (FRect), only when the next
//     value is one], m_NoCutoffFlag, m_Selected (ignored)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxBinBuffer.h"
#include "core/GxMath.h"
#include "layer/GxNcFactory.h"
#include "platform/GxDeviceTypes.h"

class GxTexture;
class GxContentReaderBase;

// One page picture of a set.
struct GxNcCrammedImage
{
    std::u16string m_FileName;  // relative to the set's folder
    int32_t m_ImageWidth = 0;
    int32_t m_ImageHeight = 0;
    int32_t m_Count = 0;
    uint32_t m_PreserveFlag = 0;
    GxTexture* m_pTexture = nullptr;  // from the texture factory; null until loaded
};

// One cell of a source picture and where it was packed.
struct GxNcCrammedPattern
{
    int32_t m_Left = 0;  // the cell in the source picture
    int32_t m_Top = 0;
    int32_t m_Width = 0;
    int32_t m_Height = 0;
    int32_t m_CrammedImageIndex = -1;
    int32_t m_CrammedOffsetLeft = 0;  // top-left of the packed pixels in source coordinates
    int32_t m_CrammedOffsetTop = 0;
    int32_t m_CrammedLeft = 0;  // the packed rectangle in its page
    int32_t m_CrammedTop = 0;
    int32_t m_CrammedWidth = 0;
    int32_t m_CrammedHeight = 0;
    float m_CenterPosX = 0.0f;  // pivot in source coordinates
    float m_CenterPosY = 0.0f;
    GxFRect m_CrammedRawUV;  // (0, 0, 0, 0) when the file has none
    uint32_t m_NoCutoffFlag = 0;
    GxNcCrammedImage* m_pCrammedImage = nullptr;  // the page; null for an invalid index
    mutable bool m_DrawFailureLogged = false;     // a pattern that cannot be drawn is reported once
};

// One source picture.
struct GxNcOriginImage
{
    std::u16string m_FileName;  // the name keys and callers find it by
    int32_t m_ImageWidth = 0;
    int32_t m_ImageHeight = 0;
    uint32_t m_PreserveFlag = 0;
    std::vector<GxNcCrammedPattern> m_PatternArray;
    GxTexture* m_pTexture = nullptr;  // optional whole picture attached by other parts; not owned

    int32_t GetPatternCount() const { return static_cast<int32_t>(m_PatternArray.size()); }
};

class GxNcCrammedImageSet : public GxObjectRefCountNotAutoDelete
{
public:
    GxNcCrammedImageSet() { m_RefCount = 1; }
    ~GxNcCrammedImageSet() override;

    // At 0 the set is emptied and its page textures go back to the texture factory.
    uint32_t Release() override;

    // Reads the stream (text form when the first byte is 'T'); false on a wrong header or any
    // reading error. Pages are not linked here.
    bool ReadFromBuffer(const GxBinBuffer& buffer);
    bool Read(GxContentReaderBase& reader);
    // Links every pattern to its page; an invalid index is reported and left unlinked.
    void LinkPatterns();

    // The first source image whose file name equals the name exactly, or null.
    GxNcOriginImage* FindOriginImage(std::u16string_view fileName);
    const GxNcOriginImage* FindOriginImage(std::u16string_view fileName) const;

    const std::u16string& GetName() const { return m_Name; }
    const std::u16string& GetFolder() const { return m_Folder; }
    // The factory key and its folder part.
    void SetName(std::u16string_view name);

    bool m_EconomyMode = false;
    std::vector<GxNcCrammedImage> m_CrammedImageArray;
    std::vector<GxNcOriginImage> m_OriginImageArray;

private:
    void ClearContent();

    std::u16string m_Name;
    std::u16string m_Folder;
};

// ---- graphics seams ----
// Page pictures come from the texture factory and patterns are drawn by the immediate drawing.
// These are the hooks from the start (tests may swap in fakes): pages are got from and given
// back to GxTextureFactory (kind file, one mip level, at their own size), texture coordinates
// come from GxTexture::GetU and GetV, and quads go to GxGraphics::DrawTextureQuad.

// Get-or-create of a picture texture from a file with the given format, or null.
using GxNcPageTextureLoader = GxTexture* (*)(const std::u16string& path, GxFormat format);
// Gives a texture from the loader back (release by object).
using GxNcPageTextureReleaser = void (*)(GxTexture* texture);
// Texture coordinates of a page pixel position (the texture's GetU and GetV).
using GxNcTextureCoord = float (*)(const GxTexture* texture, float pixel);

// One textured quad: corners top-left, bottom-left, bottom-right, top-right; UVs per corner
// (u0, v0), (u0, v1), (u1, v1), (u1, v0); colours packed 0xAARRGGBB.
struct GxNcQuad
{
    GxVector2 m_Corner[4];
    float m_U0 = 0.0f;
    float m_V0 = 0.0f;
    float m_U1 = 0.0f;
    float m_V1 = 0.0f;
    GxTexture* m_pTexture = nullptr;
    uint32_t m_Diffuse = 0;
    uint32_t m_Specular = 0;
    int32_t m_BlendMode = 0;
};
using GxNcQuadDrawer = void (*)(const GxNcQuad& quad);

struct GxNcGraphicsHooks
{
    GxNcPageTextureLoader m_LoadPageTexture = nullptr;
    GxNcPageTextureReleaser m_ReleasePageTexture = nullptr;
    GxNcTextureCoord m_GetU = nullptr;
    GxNcTextureCoord m_GetV = nullptr;
    GxNcQuadDrawer m_DrawQuad = nullptr;
};
void GxNcSetGraphicsHooks(const GxNcGraphicsHooks& hooks);
GxNcGraphicsHooks GxNcDefaultGraphicsHooks();
const GxNcGraphicsHooks& GxNcGetGraphicsHooks();

// Draws one pattern of a source image as a textured quad: nothing when the image is null or
// the index is not below its pattern count; nothing (reported once per pattern) when the
// pattern has no page texture. The matrix maps source pixels (x' = x m11 + y m21 + m41,
// y' = x m12 + y m22 + m42).
void GxDrawCrammedPattern(const GxNcOriginImage* image, int32_t patternIndex, const GxMatrix& matrix,
                          const GxFColor& diffuse, const GxFColor& specular, int32_t blendMode);
// The same, drawing only the part of the packed rectangle inside clip (left, top, right,
// bottom, in source pixels); the part is placed at the pattern's own offset.
void GxDrawCrammedPatternClipped(const GxNcOriginImage* image, int32_t patternIndex, const GxMatrix& matrix,
                                 const GxFColor& diffuse, const GxFColor& specular, int32_t blendMode,
                                 const GxRect& clip);
