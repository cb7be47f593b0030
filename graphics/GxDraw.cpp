#include "graphics/GxDraw.h"

#include <cmath>
#include <vector>

#include "graphics/GxFontData.h"
#include "graphics/GxGDIFontMap.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"

namespace {

constexpr float kHalfPixel = -0.5f;

GxScreenVertex Vertex(const GxVector3& p, GxColor diffuse, GxColor specular, float u, float v)
{
    return GxScreenVertex{p.x, p.y, 0.0f, 1.0f, diffuse, specular, u, v};
}

// The draw matrix with the half-pixel shift of the textured draws.
GxMatrix ShiftedDrawMatrix()
{
    GxMatrix m = GxGraphics::GetDrawMatrix();
    m.AddTranslation(kHalfPixel, kHalfPixel, 0.0f);
    return m;
}

// The two fans around the centre: (top-left, bottom-left, centre, top-right) and (centre,
// bottom-left, bottom-right, top-right).
void DrawFivePointFans(const GxScreenVertex p[5], GxDeviceTexture* texture, int32_t blend)
{
    const GxScreenVertex first[4] = {p[0], p[1], p[4], p[3]};
    const GxScreenVertex second[4] = {p[4], p[1], p[2], p[3]};
    GxDrawFan(first, texture, blend);
    GxDrawFan(second, texture, blend);
}

}  // namespace

GxMatrix GxMakeDrawMatrix(float x, float y, float w, float h, const GxVector2& scale, const GxVector3& rotation,
                          const GxVector2& pivot)
{
    const float px = pivot.x * w, py = pivot.y * h;
    GxMatrix m;
    m.SetWorldZXY(GxVector3(x, y, 0.0f), rotation, GxVector3(scale.x, scale.y, 1.0f), GxVector3(px, py, 0.0f));
    m.AddTranslation(-px, -py, 0.0f);
    m *= GxGraphics::GetDrawMatrix();
    m.AddTranslation(kHalfPixel, kHalfPixel, 0.0f);
    return m;
}

bool GxIsOutsideViewport(const GxScreenVertex* v, uint32_t count)
{
    GxRectL vp;
    GxGraphics::GetViewport(&vp);
    const float left = static_cast<float>(vp.left), top = static_cast<float>(vp.top);
    const float right = static_cast<float>(vp.right), bottom = static_cast<float>(vp.bottom);
    bool allLeft = true, allRight = true, allAbove = true, allBelow = true;
    for (uint32_t i = 0; i < count; ++i) {
        allLeft = allLeft && v[i].x < left;
        allRight = allRight && v[i].x > right;
        allAbove = allAbove && v[i].y < top;
        allBelow = allBelow && v[i].y > bottom;
    }
    return allLeft || allRight || allAbove || allBelow;
}

void GxDrawFan(const GxScreenVertex vertices[4], GxDeviceTexture* texture, int32_t blend)
{
    GxDevice* device = GxGraphics::GetDevice();
    if (!device) return;
    GxGraphics::SetBlendMode(0, blend);
    GxGraphics::SetTexture(0, texture);
    GxGraphics::SetSoftwareVertexProcessing(0, 0);
    device->SetVertexShader(nullptr);
    device->SetFVF(GXFVF_SCREENVERTEX);
    device->DrawPrimitiveUP(GXPT_TRIANGLEFAN, 2, vertices, sizeof(GxScreenVertex));
}

void GxDrawLocalQuad(const GxMatrix& m, const GxFRect& local, const GxFRect& uv, GxDeviceTexture* texture,
                     GxColor diffuse, GxColor specular, int32_t blend)
{
    const GxScreenVertex v[4] = {
        Vertex(GxVector3(local.left, local.top, 0.0f) * m, diffuse, specular, uv.left, uv.top),
        Vertex(GxVector3(local.left, local.bottom, 0.0f) * m, diffuse, specular, uv.left, uv.bottom),
        Vertex(GxVector3(local.right, local.bottom, 0.0f) * m, diffuse, specular, uv.right, uv.bottom),
        Vertex(GxVector3(local.right, local.top, 0.0f) * m, diffuse, specular, uv.right, uv.top),
    };
    if (GxIsOutsideViewport(v, 4)) return;
    GxDrawFan(v, texture, blend);
}

void GxGraphics::DrawTexture(GxTexture* texture, float x, float y, const GxFRect& source, const GxVector2& scale,
                             const GxVector3& rotation, const GxVector2& pivot, const GxVector2& uvOffset,
                             GxColor diffuse, GxColor specular, int32_t blend)
{
    // An empty texture has no size to take texture coordinates from: nothing is drawn.
    if (!texture || !texture->GetD3DTexture() || texture->GetWidth() == 0 || texture->GetHeight() == 0) return;
    const float w = std::fabs(source.right - source.left), h = std::fabs(source.bottom - source.top);
    const GxMatrix m = GxMakeDrawMatrix(x, y, w, h, scale, rotation, pivot);
    const float tw = static_cast<float>(texture->GetWidth()), th = static_cast<float>(texture->GetHeight());
    const GxFRect uv(source.left / tw + uvOffset.x, source.top / th + uvOffset.y, source.right / tw + uvOffset.x,
                     source.bottom / th + uvOffset.y);
    GxDrawLocalQuad(m, GxFRect(0.0f, 0.0f, w, h), uv, texture->GetD3DTexture(), diffuse, specular, blend);
}

void GxGraphics::DrawTextureQuad(const GxVector2 corners[4], const GxFRect& uv, GxTexture* texture,
                                 const GxColor diffuse[4], const GxColor specular[4], int32_t blend)
{
    const GxMatrix m = ShiftedDrawMatrix();
    const float u[4] = {uv.left, uv.left, uv.right, uv.right};
    const float v[4] = {uv.top, uv.bottom, uv.bottom, uv.top};
    GxScreenVertex q[4];
    for (int i = 0; i < 4; ++i)
        q[i] = Vertex(GxVector3(corners[i].x, corners[i].y, 0.0f) * m, diffuse[i], specular[i], u[i], v[i]);
    if (GxIsOutsideViewport(q, 4)) return;
    GxDrawFan(q, texture ? texture->GetD3DTexture() : nullptr, blend);
}

void GxGraphics::DrawTextureFivePoint(GxTexture* texture, const GxVector3 points[5], const GxVector2* uvs,
                                      const GxVector2& uvOffset, const GxColor* diffuse, const GxColor* specular,
                                      int32_t blend)
{
    const GxMatrix m = ShiftedDrawMatrix();
    GxScreenVertex p[5];
    for (int i = 0; i < 5; ++i) {
        const GxVector3 t = points[i] * m;
        p[i] = GxScreenVertex{t.x,
                              t.y,
                              t.z,
                              1.0f,
                              diffuse ? diffuse[i] : 0xFFFFFFFFu,
                              specular ? specular[i] : 0u,
                              uvs ? uvs[i].x + uvOffset.x : 0.0f,
                              uvs ? uvs[i].y + uvOffset.y : 0.0f};
    }
    if (GxIsOutsideViewport(p, 5)) return;
    DrawFivePointFans(p, texture ? texture->GetD3DTexture() : nullptr, blend);
}

void GxGraphics::DrawTextureFlex(GxTextureFlex* texture, float x, float y, const GxVector2& scale,
                                 const GxVector3& rotation, const GxVector2& pivot, GxColor diffuse, GxColor specular,
                                 int32_t blend)
{
    if (!texture || texture->GetColumns() == 0 || texture->GetRows() == 0) return;
    const uint32_t columns = texture->GetColumns(), rows = texture->GetRows();
    const float tileW = static_cast<float>(texture->GetTileWidth());
    const float tileH = static_cast<float>(texture->GetTileHeight());
    const GxMatrix m = GxMakeDrawMatrix(x, y, static_cast<float>(texture->GetWidth()),
                                        static_cast<float>(texture->GetHeight()), scale, rotation, pivot);
    // Neighbouring tiles share their grid points, so their edges meet exactly.
    const uint32_t stride = columns + 1;
    // Kept between draws: every layer draws one of these every frame.
    static thread_local std::vector<GxVector3> grid;
    grid.resize(static_cast<size_t>(stride) * (rows + 1));
    for (uint32_t r = 0; r <= rows; ++r)
        for (uint32_t c = 0; c <= columns; ++c)
            grid[static_cast<size_t>(r) * stride + c] =
                GxVector3(static_cast<float>(c) * tileW, static_cast<float>(r) * tileH, 0.0f) * m;
    GxDeviceTexture* const* tiles = texture->GetD3DTextures();
    for (uint32_t r = 0; r < rows; ++r) {
        for (uint32_t c = 0; c < columns; ++c) {
            const size_t at = static_cast<size_t>(r) * stride + c;
            const GxScreenVertex q[4] = {
                Vertex(grid[at], diffuse, specular, 0.0f, 0.0f),
                Vertex(grid[at + stride], diffuse, specular, 0.0f, 1.0f),
                Vertex(grid[at + stride + 1], diffuse, specular, 1.0f, 1.0f),
                Vertex(grid[at + 1], diffuse, specular, 1.0f, 0.0f),
            };
            if (GxIsOutsideViewport(q, 4)) continue;
            GxDrawFan(q, tiles[static_cast<size_t>(r) * columns + c], blend);
        }
    }
}

void GxGraphics::DrawColorRect(const GxFRect& rect, const GxColor diffuse[5], const GxColor specular[5],
                               int32_t blend)
{
    const GxMatrix& m = GetDrawMatrix();
    const GxVector3 points[5] = {
        GxVector3(rect.left, rect.top, 0.0f),
        GxVector3(rect.left, rect.bottom, 0.0f),
        GxVector3(rect.right, rect.bottom, 0.0f),
        GxVector3(rect.right, rect.top, 0.0f),
        GxVector3((rect.left + rect.right) / 2.0f, (rect.top + rect.bottom) / 2.0f, 0.0f),
    };
    GxScreenVertex p[5];
    for (int i = 0; i < 5; ++i) p[i] = Vertex(points[i] * m, diffuse[i], specular[i], 0.0f, 0.0f);
    DrawFivePointFans(p, nullptr, blend);
}

void GxGraphics::DrawSolidRect(const GxFRect& rect, GxColor diffuse, GxColor specular, int32_t blend)
{
    const GxColor d[5] = {diffuse, diffuse, diffuse, diffuse, diffuse};
    const GxColor s[5] = {specular, specular, specular, specular, specular};
    DrawColorRect(rect, d, s, blend);
}

void GxGraphics::DrawTextFontData(GxFontData* font, std::u16string_view text, float x, float y,
                                  const GxVector2& scale, const GxVector3& rotation, const GxVector2& pivot,
                                  GxColor diffuse, GxColor specular, int32_t blend)
{
    if (font) GxDrawTextFontDataOf(*font, text, x, y, scale, rotation, pivot, diffuse, specular, blend);
}

void GxGraphics::DrawTextGDIFontMap(GxGDIFontMap* fontMap, std::u16string_view text, float x, float y,
                                    const GxVector2& scale, GxColor diffuse, GxColor specular, int32_t blend)
{
    if (fontMap) GxDrawTextGDIFontMapOf(*fontMap, text, x, y, scale, diffuse, specular, blend);
}

void GxGraphics::DrawGlyph(const GxGlyphRecord& glyph, float x, float y, const GxVector2& scale, GxColor diffuse,
                           GxColor specular, int32_t blend)
{
    GxDrawGlyphOf(glyph, x, y, scale, diffuse, specular, blend);
}

void GxGraphics::DrawGlyphEdge(const GxGlyphRecord& glyph, float x, float y, float offset, const GxVector2& scale,
                               GxColor diffuse, GxColor specular, int32_t blend)
{
    GxDrawGlyphEdgeOf(glyph, x, y, offset, scale, diffuse, specular, blend);
}
