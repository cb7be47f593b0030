#include "layer/GxNcImageSet.h"

#include "graphics/GxGraphics.h"

#include <algorithm>

#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "graphics/GxResourceFactory.h"
#include "graphics/GxTexture.h"

namespace {

// Pages are shared through the texture factory (one texture per picture file, whichever set asks)
// and loaded at their own size: pattern coordinates are page pixels, so a stretched page would
// move every pattern. A page is decoded when a pattern of it is first drawn.
GxTexture* LoadFactoryTexture(const std::u16string& path, GxFormat format)
{
    return GxGetTextureFactory().GetTexture(path, GXTEXKIND_FILE_ON_USE, 0, 0, 1, format, 0, false);
}
void ReleaseFactoryTexture(GxTexture* texture) { GxGetTextureFactory().ReleaseTexture(texture); }
float TextureU(const GxTexture* texture, float x) { return texture->GetU(x); }
float TextureV(const GxTexture* texture, float y) { return texture->GetV(y); }

// Patterns draw through the immediate drawing: same corner and UV order as the quad record.
void DrawQuadImmediate(const GxNcQuad& quad)
{
    const GxFRect uv(quad.m_U0, quad.m_V0, quad.m_U1, quad.m_V1);
    const GxColor diffuse[4] = {quad.m_Diffuse, quad.m_Diffuse, quad.m_Diffuse, quad.m_Diffuse};
    const GxColor specular[4] = {quad.m_Specular, quad.m_Specular, quad.m_Specular, quad.m_Specular};
    GxGraphics::DrawTextureQuad(quad.m_Corner, uv, quad.m_pTexture, diffuse, specular, quad.m_BlendMode);
}

// The program's own graphics from the start: nothing has to install them. Constant-initialised,
// so image sets released by the factories at exit can still read it.
constexpr GxNcGraphicsHooks kDefaultHooks = {&LoadFactoryTexture, &ReleaseFactoryTexture, &TextureU, &TextureV,
                                             &DrawQuadImmediate};
GxNcGraphicsHooks g_Hooks = kDefaultHooks;

GxNcGraphicsHooks& Hooks() { return g_Hooks; }

bool Clean(GxContentReaderBase& r) { return r.GetErrorCount() == 0; }

bool ReadPage(GxContentReaderBase& r, GxNcCrammedImage& page)
{
    r.ReadGxStringStdW("m_FileName", page.m_FileName);
    r.ReadGxS32("m_ImageWidth", page.m_ImageWidth);
    r.ReadGxS32("m_ImageHeight", page.m_ImageHeight);
    r.ReadGxS32("m_Count", page.m_Count);
    r.ReadGxU32("m_PreserveFlag", page.m_PreserveFlag);
    return Clean(r);
}

bool ReadPattern(GxContentReaderBase& r, GxNcCrammedPattern& p)
{
    r.ReadGxS32("m_Left", p.m_Left);
    r.ReadGxS32("m_Top", p.m_Top);
    r.ReadGxS32("m_Width", p.m_Width);
    r.ReadGxS32("m_Height", p.m_Height);
    r.ReadGxS32("m_CrammedImageIndex", p.m_CrammedImageIndex);
    r.ReadGxS32("m_CrammedOffsetLeft", p.m_CrammedOffsetLeft);
    r.ReadGxS32("m_CrammedOffsetTop", p.m_CrammedOffsetTop);
    r.ReadGxS32("m_CrammedLeft", p.m_CrammedLeft);
    r.ReadGxS32("m_CrammedTop", p.m_CrammedTop);
    r.ReadGxS32("m_CrammedWidth", p.m_CrammedWidth);
    r.ReadGxS32("m_CrammedHeight", p.m_CrammedHeight);
    r.ReadGxF32("m_CenterPosX", p.m_CenterPosX);
    r.ReadGxF32("m_CenterPosY", p.m_CenterPosY);
    // Older files have no raw coordinates: they are there only when the next value is one.
    if (r.GetNextValueType() == VALTYPE_GxFRect) r.ReadGxFRect("m_CrammedRawUV", p.m_CrammedRawUV);
    r.ReadGxU32("m_NoCutoffFlag", p.m_NoCutoffFlag);
    uint32_t selected = 0;
    r.ReadGxU32("m_Selected", selected);
    return Clean(r);
}

bool ReadOriginImage(GxContentReaderBase& r, GxNcOriginImage& image)
{
    r.ReadGxStringStdW("m_FileName", image.m_FileName);
    int32_t patternCount = 0;  // the list's own count rules
    r.ReadGxS32("m_PatternCount", patternCount);
    r.ReadGxS32("m_ImageWidth", image.m_ImageWidth);
    r.ReadGxS32("m_ImageHeight", image.m_ImageHeight);
    r.ReadGxU32("m_PreserveFlag", image.m_PreserveFlag);
    if (!Clean(r)) return false;
    uint32_t count = 0;
    if (!r.ReadListBegin("m_PatternArray", count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        image.m_PatternArray.emplace_back();
        if (!ReadPattern(r, image.m_PatternArray.back())) return false;
    }
    return r.ReadListEnd();
}

// Packed rectangle of a pattern to draw, in page pixels, and where its top-left lands in source
// pixels.
struct PatternPart
{
    float srcLeft, srcTop;    // top-left corner in source pixels
    float pageLeft, pageTop;  // top-left in the page
    float width, height;
};

void DrawPart(const GxNcOriginImage* image, int32_t index, const GxMatrix& m, const GxFColor& diffuse,
              const GxFColor& specular, int32_t blendMode, const PatternPart& part)
{
    const GxNcCrammedPattern& p = image->m_PatternArray[static_cast<size_t>(index)];
    GxTexture* texture = p.m_pCrammedImage ? p.m_pCrammedImage->m_pTexture : nullptr;
    const GxNcGraphicsHooks& hooks = Hooks();
    if (!texture) {
        if (!p.m_DrawFailureLogged) {
            p.m_DrawFailureLogged = true;
            GxPrintSlightErrorLog(u"GxDrawCrammedPattern/No Page Texture(Image:%s Pattern:%d CrammedImageIndex:%d)\n",
                                  image->m_FileName, index, p.m_CrammedImageIndex);
        }
        return;
    }
    if (part.width <= 0.0f || part.height <= 0.0f) return;
    if (!hooks.m_GetU || !hooks.m_GetV || !hooks.m_DrawQuad) return;

    GxNcQuad quad;
    quad.m_U0 = hooks.m_GetU(texture, part.pageLeft);
    quad.m_V0 = hooks.m_GetV(texture, part.pageTop);
    quad.m_U1 = hooks.m_GetU(texture, part.pageLeft + part.width);
    quad.m_V1 = hooks.m_GetV(texture, part.pageTop + part.height);
    const float xs[4] = {part.srcLeft, part.srcLeft, part.srcLeft + part.width, part.srcLeft + part.width};
    const float ys[4] = {part.srcTop, part.srcTop + part.height, part.srcTop + part.height, part.srcTop};
    for (int i = 0; i < 4; ++i) {
        quad.m_Corner[i].x = xs[i] * m.m[0][0] + ys[i] * m.m[1][0] + m.m[3][0];
        quad.m_Corner[i].y = xs[i] * m.m[0][1] + ys[i] * m.m[1][1] + m.m[3][1];
    }
    quad.m_pTexture = texture;
    quad.m_Diffuse = GxPackColorArgb(diffuse);
    quad.m_Specular = GxPackColorArgb(specular);
    quad.m_BlendMode = blendMode;
    hooks.m_DrawQuad(quad);
}

bool ValidPattern(const GxNcOriginImage* image, int32_t index)
{
    return image && index >= 0 && index < image->GetPatternCount();
}

}  // namespace

void GxNcSetGraphicsHooks(const GxNcGraphicsHooks& hooks) { Hooks() = hooks; }
GxNcGraphicsHooks GxNcDefaultGraphicsHooks() { return kDefaultHooks; }
const GxNcGraphicsHooks& GxNcGetGraphicsHooks() { return Hooks(); }

// ---- GxNcCrammedImageSet ----

GxNcCrammedImageSet::~GxNcCrammedImageSet()
{
    ReleaseAll();
    ClearContent();
}

uint32_t GxNcCrammedImageSet::Release()
{
    uint32_t count = GxObjectRefCountNotAutoDelete::Release();
    if (count == 0) ClearContent();
    return count;
}

void GxNcCrammedImageSet::ClearContent()
{
    m_Name.clear();
    m_Folder.clear();
    m_OriginImageArray.clear();
    GxNcPageTextureReleaser release = Hooks().m_ReleasePageTexture;
    for (GxNcCrammedImage& page : m_CrammedImageArray) {
        page.m_FileName.clear();
        page.m_ImageWidth = page.m_ImageHeight = page.m_Count = 0;
        page.m_PreserveFlag = 0;
        if (page.m_pTexture && release) release(page.m_pTexture);
        page.m_pTexture = nullptr;
    }
    m_CrammedImageArray.clear();
}

void GxNcCrammedImageSet::SetName(std::u16string_view name)
{
    m_Name = std::u16string(name);
    m_Folder = GxGetDirectory(name);
}

bool GxNcCrammedImageSet::ReadFromBuffer(const GxBinBuffer& buffer)
{
    uint32_t version = 0;
    if (buffer.GetFirstByte() == 'T') {
        GxContentTextReader reader(buffer);
        return reader.ReadHeader("TGIMGSET", version) && Read(reader);
    }
    GxContentBinaryReader reader(buffer);
    return reader.ReadHeader("BGIMGSET", version) && Read(reader);
}

bool GxNcCrammedImageSet::Read(GxContentReaderBase& r)
{
    if (!Clean(r)) return false;
    r.ReadGxBool("m_EconomyMode", m_EconomyMode);
    if (!Clean(r)) return false;

    uint32_t count = 0;
    if (!r.ReadListBegin("m_CrammedImageArray", count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        m_CrammedImageArray.emplace_back();
        if (!ReadPage(r, m_CrammedImageArray.back())) return false;
    }
    if (!r.ReadListEnd()) return false;

    if (!r.ReadListBegin("m_OriginImageArray", count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        m_OriginImageArray.emplace_back();
        if (!ReadOriginImage(r, m_OriginImageArray.back())) return false;
    }
    if (!r.ReadListEnd()) return false;
    return Clean(r);
}

void GxNcCrammedImageSet::LinkPatterns()
{
    const int32_t pages = static_cast<int32_t>(m_CrammedImageArray.size());
    for (GxNcOriginImage& image : m_OriginImageArray) {
        for (size_t i = 0; i < image.m_PatternArray.size(); ++i) {
            GxNcCrammedPattern& p = image.m_PatternArray[i];
            if (p.m_CrammedImageIndex >= 0 && p.m_CrammedImageIndex < pages) {
                p.m_pCrammedImage = &m_CrammedImageArray[static_cast<size_t>(p.m_CrammedImageIndex)];
            } else {
                p.m_pCrammedImage = nullptr;
                GxPrintSlightErrorLog(u"画像が存在しません Pattern:%d Image:%s CrammedImageIndex:%d\n",
                                      static_cast<int32_t>(i), image.m_FileName, p.m_CrammedImageIndex);
            }
        }
    }
}

GxNcOriginImage* GxNcCrammedImageSet::FindOriginImage(std::u16string_view fileName)
{
    for (GxNcOriginImage& image : m_OriginImageArray)
        if (image.m_FileName == fileName) return &image;
    return nullptr;
}

const GxNcOriginImage* GxNcCrammedImageSet::FindOriginImage(std::u16string_view fileName) const
{
    return const_cast<GxNcCrammedImageSet*>(this)->FindOriginImage(fileName);
}

// ---- drawing ----

void GxDrawCrammedPattern(const GxNcOriginImage* image, int32_t patternIndex, const GxMatrix& matrix,
                          const GxFColor& diffuse, const GxFColor& specular, int32_t blendMode)
{
    if (!ValidPattern(image, patternIndex)) return;
    const GxNcCrammedPattern& p = image->m_PatternArray[static_cast<size_t>(patternIndex)];
    PatternPart part{static_cast<float>(p.m_CrammedOffsetLeft), static_cast<float>(p.m_CrammedOffsetTop),
                     static_cast<float>(p.m_CrammedLeft),       static_cast<float>(p.m_CrammedTop),
                     static_cast<float>(p.m_CrammedWidth),      static_cast<float>(p.m_CrammedHeight)};
    DrawPart(image, patternIndex, matrix, diffuse, specular, blendMode, part);
}

void GxDrawCrammedPatternClipped(const GxNcOriginImage* image, int32_t patternIndex, const GxMatrix& matrix,
                                 const GxFColor& diffuse, const GxFColor& specular, int32_t blendMode,
                                 const GxRect& clip)
{
    if (!ValidPattern(image, patternIndex)) return;
    const GxNcCrammedPattern& p = image->m_PatternArray[static_cast<size_t>(patternIndex)];
    // One axis: what lies before the clip's start is skipped, and the rest is limited to the
    // clip's extent. Computed in 64 bits: the rectangle and the pattern come from outside.
    auto axis = [](int32_t clipStart, int32_t clipEnd, int32_t offset, int32_t size, int64_t& skip) {
        int64_t extent;
        if (clipStart < offset) {
            skip = 0;
            extent = size;
        } else {
            skip = static_cast<int64_t>(clipStart) - offset;
            extent = size - skip;
        }
        return std::min<int64_t>(extent, static_cast<int64_t>(clipEnd) - clipStart);
    };
    int64_t skipX = 0, skipY = 0;
    int64_t width = axis(clip.left, clip.right, p.m_CrammedOffsetLeft, p.m_CrammedWidth, skipX);
    int64_t height = axis(clip.top, clip.bottom, p.m_CrammedOffsetTop, p.m_CrammedHeight, skipY);
    PatternPart part{static_cast<float>(p.m_CrammedOffsetLeft), static_cast<float>(p.m_CrammedOffsetTop),
                     static_cast<float>(p.m_CrammedLeft + skipX), static_cast<float>(p.m_CrammedTop + skipY),
                     static_cast<float>(width),                   static_cast<float>(height)};
    DrawPart(image, patternIndex, matrix, diffuse, specular, blendMode, part);
}
