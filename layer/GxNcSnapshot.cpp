#include "layer/GxNcSnapshot.h"

#include <algorithm>
#include <cfloat>

#include "core/GxLog.h"
#include "graphics/GxGraphics.h"
#include "layer/GxNcEvaluate.h"
#include "layer/GxNcImageSet.h"

// ---- default track results ----

const GxNcImageKey& GxNcDefaultImageKey()
{
    static const GxNcImageKey key;
    return key;
}

GxNcVector4Key GxNcDefaultVector4Key() { return GxNcVector4Key(); }

GxNcVector2Key GxNcDefaultScale2DKey()
{
    GxNcVector2Key key;
    key.m_Value = GxVector2(1.0f, 1.0f);
    return key;
}

GxNcFloatKey GxNcDefaultAlphaKey()
{
    GxNcFloatKey key;
    key.m_Value = 1.0f;
    return key;
}

GxNcUIntKey GxNcDefaultVisibleKey()
{
    GxNcUIntKey key;
    key.m_Value = 1;
    return key;
}

GxNcVertexKey GxNcDefaultVertexKey() { return GxNcVertexKey(); }

// ---- layer snapshot ----

GxNcLayerSnapShotEx::GxNcLayerSnapShotEx()
    : m_pImageKey(&GxNcDefaultImageKey()),
      m_Position(GxNcDefaultVector4Key()),
      m_Scale(GxNcDefaultVector4Key()),
      m_Rotation(GxNcDefaultVector4Key()),
      m_Center(GxNcDefaultVector4Key()),
      m_Scale2D(GxNcDefaultScale2DKey()),
      m_Alpha(GxNcDefaultAlphaKey()),
      m_Visible(GxNcDefaultVisibleKey()),
      m_VertexOffset(GxNcDefaultVertexKey()),
      m_VertexColor(GxNcDefaultVertexKey())
{
}

GxNcLayerSnapShotEx::~GxNcLayerSnapShotEx() = default;

GxNcLayerSnapShotEx::GxNcLayerSnapShotEx(const GxNcLayerSnapShotEx& other)
    : m_Time(other.m_Time),
      m_LoopLength(other.m_LoopLength),
      m_pLayer(other.m_pLayer),
      m_pNested(other.m_pNested ? std::make_unique<GxNcMotionSnapShotEx>(*other.m_pNested) : nullptr),
      m_pImageKey(other.m_pImageKey),
      m_Position(other.m_Position),
      m_Scale(other.m_Scale),
      m_Rotation(other.m_Rotation),
      m_Center(other.m_Center),
      m_Scale2D(other.m_Scale2D),
      m_Alpha(other.m_Alpha),
      m_Visible(other.m_Visible),
      m_VertexOffset(other.m_VertexOffset),
      m_VertexColor(other.m_VertexColor),
      m_UVOffset(other.m_UVOffset),
      m_BlendMode(other.m_BlendMode),
      m_LocalMatrix(other.m_LocalMatrix),
      m_CombinedMatrix(other.m_CombinedMatrix)
{
    std::copy(std::begin(other.m_Vertex), std::end(other.m_Vertex), m_Vertex);
    std::copy(std::begin(other.m_UV), std::end(other.m_UV), m_UV);
    std::copy(std::begin(other.m_Color), std::end(other.m_Color), m_Color);
}

GxNcLayerSnapShotEx& GxNcLayerSnapShotEx::operator=(const GxNcLayerSnapShotEx& other)
{
    if (this != &other) {
        GxNcLayerSnapShotEx copy(other);
        m_pNested = std::move(copy.m_pNested);
        m_Time = copy.m_Time;
        m_LoopLength = copy.m_LoopLength;
        m_pLayer = copy.m_pLayer;
        m_pImageKey = copy.m_pImageKey;
        m_Position = copy.m_Position;
        m_Scale = copy.m_Scale;
        m_Rotation = copy.m_Rotation;
        m_Center = copy.m_Center;
        m_Scale2D = copy.m_Scale2D;
        m_Alpha = copy.m_Alpha;
        m_Visible = copy.m_Visible;
        m_VertexOffset = copy.m_VertexOffset;
        m_VertexColor = copy.m_VertexColor;
        m_UVOffset = copy.m_UVOffset;
        m_BlendMode = copy.m_BlendMode;
        m_LocalMatrix = copy.m_LocalMatrix;
        m_CombinedMatrix = copy.m_CombinedMatrix;
        std::copy(std::begin(copy.m_Vertex), std::end(copy.m_Vertex), m_Vertex);
        std::copy(std::begin(copy.m_UV), std::end(copy.m_UV), m_UV);
        std::copy(std::begin(copy.m_Color), std::end(copy.m_Color), m_Color);
    }
    return *this;
}

// ---- motion snapshot ----

GxNcMotionSnapShotEx::GxNcMotionSnapShotEx()
    : m_BoundsMin(FLT_MAX, FLT_MAX, FLT_MAX, FLT_MAX), m_BoundsMax(-FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX)
{
}

void GxNcMotionSnapShotEx::Clear()
{
    m_pMotion = nullptr;
    for (auto& s : m_LayerSnapShots) s.m_pNested.reset();
    m_LayerCount = 0;
    m_Time = 0;
    m_LoopLength = 1;
}

void GxNcMotionSnapShotEx::Create(void* context, const GxNcMotion* motion, int32_t time, const GxVector4& offset,
                                  const GxMatrix* baseMatrix, float alpha, const GxFColor& color, int32_t depth,
                                  GxNcMotionListener* listener)
{
    (void)alpha;  // reaches nested motions through each layer's own alpha result
    if (!motion) return;
    m_pMotion = motion;
    m_Offset = offset;
    m_Time = time;
    m_LoopLength = motion->m_EndTime > 1 ? motion->m_EndTime : 1;
    m_LayerCount = motion->GetLayerCount();
    if (m_LayerSnapShots.size() < static_cast<size_t>(m_LayerCount))
        m_LayerSnapShots.resize(static_cast<size_t>(m_LayerCount));
    for (int32_t i = 0; i < m_LayerCount; ++i) {
        const GxNcLayer* layer = motion->m_LayerList[static_cast<size_t>(i)].get();
        GxNcEvaluateLayerTracks(m_LayerSnapShots[static_cast<size_t>(i)], layer, time, m_LoopLength,
                                layer ? layer->m_LoopMode : 0);
    }
    CreateCombinedParam(baseMatrix);
    for (int32_t i = 0; i < m_LayerCount; ++i)
        GxNcBuildLayerVertices(m_LayerSnapShots[static_cast<size_t>(i)], context, offset, depth, listener, color);
    if (!listener) return;
    const auto& sounds = motion->m_SoundTrack;
    if (!sounds.empty()) {
        const int32_t i = GxNcFindKeyIndexAtTime(sounds.data(), static_cast<int32_t>(sounds.size()), time);
        if (sounds[static_cast<size_t>(i)].m_Time == time) listener->OnSoundKey(sounds[static_cast<size_t>(i)]);
    }
    for (const auto& events : motion->m_EventTracks) {
        if (events.empty()) continue;
        const int32_t i = GxNcFindKeyIndexAtTime(events.data(), static_cast<int32_t>(events.size()), time);
        if (events[static_cast<size_t>(i)].m_Time == time) listener->OnEventKey(events[static_cast<size_t>(i)]);
    }
}

void GxNcMotionSnapShotEx::CreateCombinedParam(const GxMatrix* baseMatrix)
{
    if (!m_pMotion) return;
    const GxMatrix start = baseMatrix ? *baseMatrix : GxMatrix();
    CreateCombinedParam_Sub(1, m_pMotion->GetTreeTop(), start);
}

void GxNcMotionSnapShotEx::CreateCombinedParam_Sub(uint32_t parentBlend, const GxNcLayerNode* node,
                                                   const GxMatrix& parentMatrix)
{
    for (; node; node = node->Next()) {
        // An unlinked node skips its own subtree only; its siblings are still combined, so they
        // do not keep last frame's matrices.
        if (node->m_LayerIndex < 0 || node->m_LayerIndex >= m_LayerCount) {
            GxPrintErrorLog(u"GxNcMotionSnapShotEx::CreateCombinedParam_Sub/Layer:%s Tree is not prepared\n",
                            node->m_LayerName);
            continue;
        }
        GxNcLayerSnapShotEx& s = m_LayerSnapShots[static_cast<size_t>(node->m_LayerIndex)];
        const GxVector4& scale = s.m_Scale.m_Value;
        const GxVector4& pos = s.m_Position.m_Value;
        const GxVector4& rot = s.m_Rotation.m_Value;
        const GxVector4& centre = s.m_Center.m_Value;
        s.m_LocalMatrix.SetWorld(GxVector3(s.m_Scale2D.m_Value.x * scale.x, s.m_Scale2D.m_Value.y * scale.y, scale.z),
                                 GxVector3(pos.x, pos.y, pos.z),
                                 GxVector3(rot.x * GxDegToRad, rot.y * GxDegToRad, rot.z * GxDegToRad),
                                 GxVector3(centre.x, centre.y, centre.z));
        s.m_CombinedMatrix = s.m_LocalMatrix * parentMatrix;
        const uint32_t own = s.m_pLayer ? s.m_pLayer->m_BlendMode : 0;
        s.m_BlendMode = own != 0 ? own : parentBlend;
        if (node->Child()) CreateCombinedParam_Sub(s.m_BlendMode, node->Child(), s.m_CombinedMatrix);
    }
}

namespace {

int32_t ClampToInt32(int64_t v)
{
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

void SetRect(GxNcLayerSnapShotEx& s, float w, float h)
{
    const float l = -w / 2.0f, t = -h / 2.0f, r = w / 2.0f, b = h / 2.0f;
    s.m_Vertex[0] = GxVector4(l, t, 0.0f, 0.0f);
    s.m_Vertex[1] = GxVector4(l, b, 0.0f, 0.0f);
    s.m_Vertex[2] = GxVector4(r, b, 0.0f, 0.0f);
    s.m_Vertex[3] = GxVector4(r, t, 0.0f, 0.0f);
    s.m_Vertex[4] = GxVector4(0.0f, 0.0f, 0.0f, 0.0f);
}

void SetDefaultUV(GxNcLayerSnapShotEx& s)
{
    s.m_UV[0] = GxVector2(0.0f, 0.0f);
    s.m_UV[1] = GxVector2(0.0f, 1.0f);
    s.m_UV[2] = GxVector2(1.0f, 1.0f);
    s.m_UV[3] = GxVector2(1.0f, 0.0f);
    s.m_UV[4] = GxVector2(0.5f, 0.5f);
}

const GxNcCrammedPattern* FindPattern(const GxNcImageKey& key)
{
    const GxNcOriginImage* image = key.m_pOriginImage;
    if (!image || key.m_PatternIndex < 0 || key.m_PatternIndex >= image->GetPatternCount()) return nullptr;
    return &image->m_PatternArray[static_cast<size_t>(key.m_PatternIndex)];
}

}  // namespace

void GxNcBuildLayerVertices(GxNcLayerSnapShotEx& s, void* context, const GxVector4& offset, int32_t depth,
                            GxNcMotionListener* listener, const GxFColor& q)
{
    const float alpha = s.m_Alpha.m_Value;
    for (int k = 0; k < kGxNcVertexCount; ++k) {
        const GxVector4& c = s.m_VertexColor.m_Value[k];
        s.m_Color[k] = GxFColor(c.x * q.r, c.y * q.g, c.z * q.b, c.w * alpha * q.a);
    }

    const GxNcImageKey& key = s.ImageKey();
    bool nested = false;
    if (const GxNcCrammedPattern* p = FindPattern(key)) {
        const float left = static_cast<float>(p->m_CrammedOffsetLeft);
        const float top = static_cast<float>(p->m_CrammedOffsetTop);
        const float width = static_cast<float>(p->m_CrammedWidth);
        const float height = static_cast<float>(p->m_CrammedHeight);
        s.m_Vertex[0] = GxVector4(left, top, 0.0f, 0.0f);
        s.m_Vertex[1] = GxVector4(left, top + height, 0.0f, 0.0f);
        s.m_Vertex[2] = GxVector4(left + width, top + height, 0.0f, 0.0f);
        s.m_Vertex[3] = GxVector4(left + width, top, 0.0f, 0.0f);
        s.m_Vertex[4] = GxVector4(left + width / 2.0f, top + height / 2.0f, 0.0f, 0.0f);
        const GxTexture* whole = key.m_pOriginImage->m_pTexture;
        const GxNcGraphicsHooks& hooks = GxNcGetGraphicsHooks();
        if (p->m_pCrammedImage && p->m_pCrammedImage->m_pTexture) {
            const GxFRect& uv = p->m_CrammedRawUV;
            s.m_UV[0] = GxVector2(uv.left, uv.top);
            s.m_UV[1] = GxVector2(uv.left, uv.bottom);
            s.m_UV[2] = GxVector2(uv.right, uv.bottom);
            s.m_UV[3] = GxVector2(uv.right, uv.top);
            s.m_UV[4] = GxVector2((uv.left + uv.right) / 2.0f, (uv.top + uv.bottom) / 2.0f);
        } else if (whole && hooks.m_GetU && hooks.m_GetV) {
            const float cellLeft = static_cast<float>(p->m_Left), cellTop = static_cast<float>(p->m_Top);
            for (int k = 0; k < kGxNcVertexCount; ++k)
                s.m_UV[k] = GxVector2(hooks.m_GetU(whole, cellLeft + s.m_Vertex[k].x),
                                      hooks.m_GetV(whole, cellTop + s.m_Vertex[k].y));
        } else {
            SetDefaultUV(s);
        }
        if ((p->m_pCrammedImage && p->m_pCrammedImage->m_pTexture) || whole) {
            for (auto& uv : s.m_UV) uv = GxVector2(uv.x + s.m_UVOffset.x, uv.y + s.m_UVOffset.y);
        }
        for (int k = 0; k < kGxNcVertexCount; ++k) {
            const GxVector4& d = s.m_VertexOffset.m_Value[k];
            s.m_Vertex[k].x += d.x - p->m_CenterPosX;
            s.m_Vertex[k].y += d.y - p->m_CenterPosY;
        }
    } else if (key.m_ImageSetName.empty()) {
        SetRect(s, static_cast<float>(key.m_Width), static_cast<float>(key.m_Height));
        SetDefaultUV(s);
        const GxNcMotion* m = key.m_pMotion;
        if (!key.m_MotionGroupName.empty() && m && depth > 0) {
            const GxNcLayer* layer = s.m_pLayer;
            int64_t t = s.m_Time;
            if (layer && layer->m_LoopMode == 2) t %= layer->m_LastTime > 1 ? layer->m_LastTime : 1;
            t += static_cast<int64_t>(key.m_OffsetFrame) - key.m_Time;
            if (t < 0) t = 0;
            if (key.m_LoopMode != 0) t %= m->m_EndTime > 1 ? m->m_EndTime : 1;
            if (!s.m_pNested) s.m_pNested = std::make_unique<GxNcMotionSnapShotEx>();
            s.m_pNested->Create(context, m, ClampToInt32(t), offset, &s.m_CombinedMatrix, alpha, s.m_Color[0],
                                depth - 1, listener);
            nested = true;
        }
    } else {
        SetRect(s, 64.0f, 64.0f);
        SetDefaultUV(s);
    }
    if (!nested) s.m_pNested.reset();

    for (auto& v : s.m_Vertex) {
        const GxVector3 t = GxVector3(v.x, v.y, v.z) * s.m_CombinedMatrix;
        v = GxVector4(t.x + offset.x, t.y + offset.y, t.z + offset.z, 0.0f);
    }
}

void GxNcMotionSnapShotEx::Draw(const GxMatrix& matrix, float alphaFactor, const GxFColor& color,
                                const GxFColor& specular, uint32_t filter, int32_t blend,
                                GxNcMotionListener* hook) const
{
    if (!m_pMotion) return;
    const int32_t count = std::min(m_pMotion->GetLayerCount(), m_LayerCount);
    const GxFColor q(color.r, color.g, color.b, color.a * alphaFactor);
    const GxColor packedSpecular = GxPackColorArgb(specular);
    for (int32_t i = count - 1; i >= 0; --i) {
        const GxNcLayerSnapShotEx& s = m_LayerSnapShots[static_cast<size_t>(i)];
        const GxNcLayer* layer = m_pMotion->m_LayerList[static_cast<size_t>(i)].get();
        if (!layer) continue;
        if (hook && hook->DrawLayer(*this, s, matrix, color, filter, blend)) continue;
        const GxNcImageKey& key = s.ImageKey();
        if (layer->m_EditVisible == 0 || layer->m_LayerType == 1 || layer->m_LayerType == 2) continue;
        if (key.m_ImageSetName.empty() && key.m_MotionGroupName.empty()) continue;
        if (s.m_Visible.m_Value == 0) continue;
        if (s.m_pNested) {
            s.m_pNested->Draw(matrix, alphaFactor, color, specular, 0, 0, nullptr);
            continue;
        }
        const GxNcCrammedPattern* p = FindPattern(key);
        // A pattern whose page has no texture would come out as an untextured white shape.
        if (!p || !p->m_pCrammedImage || !p->m_pCrammedImage->m_pTexture) continue;
        GxVector3 points[kGxNcVertexCount];
        GxColor diffuse[kGxNcVertexCount];
        GxColor speculars[kGxNcVertexCount];
        for (int k = 0; k < kGxNcVertexCount; ++k) {
            const GxVector4& v = s.m_Vertex[k];
            points[k] = GxVector3(v.x, v.y, v.z) * matrix;
            const GxFColor& c = s.m_Color[k];
            diffuse[k] = GxPackColorArgb(GxFColor(c.r * q.r, c.g * q.g, c.b * q.b, c.a * q.a));
            speculars[k] = packedSpecular;
        }
        GxGraphics::SetTextureFilter(filter != 0 ? filter : layer->m_FilterMode);
        GxGraphics::DrawTextureFivePoint(p->m_pCrammedImage->m_pTexture, points, s.m_UV, GxVector2(), diffuse,
                                         speculars, blend != 0 ? blend : static_cast<int32_t>(s.m_BlendMode));
    }
}
