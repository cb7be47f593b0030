// What a motion looks like at one time: every layer evaluated, transforms and blend presets
// combined down the layer tree, five vertices per layer (four corners and the centre) built
// from its picture, deformation and colours, and the drawing of it all as five-point fans.
// A layer whose image key names another motion shows that motion nested inside it.
//
// Vertex order: 0 top left, 1 bottom left, 2 bottom right, 3 top right (y downwards), 4 centre.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/GxMath.h"
#include "layer/GxNcProject.h"

class GxNcMotionSnapShotEx;
class GxNcLayerSnapShotEx;

// Told of sound and event keys reached while a snapshot is made, and offered each layer before
// the standard drawing. Nothing in the engine passes one yet.
class GxNcMotionListener
{
public:
    virtual ~GxNcMotionListener() = default;
    virtual void OnSoundKey(const GxNcSoundKey& /*key*/) {}
    virtual void OnEventKey(const GxNcEventKey& /*key*/) {}
    // True when the layer was drawn by the listener itself.
    virtual bool DrawLayer(const GxNcMotionSnapShotEx& /*motion*/, const GxNcLayerSnapShotEx& /*layer*/,
                           const GxMatrix& /*matrix*/, const GxFColor& /*color*/, uint32_t /*filter*/,
                           int32_t /*blend*/)
    {
        return false;
    }
};

// The default track results.
const GxNcImageKey& GxNcDefaultImageKey();
GxNcVector4Key GxNcDefaultVector4Key();   // (0, 0, 0, 0)
GxNcVector2Key GxNcDefaultScale2DKey();   // (1, 1)
GxNcFloatKey GxNcDefaultAlphaKey();       // 1
GxNcUIntKey GxNcDefaultVisibleKey();      // 1
GxNcVertexKey GxNcDefaultVertexKey();     // all 0

class GxNcLayerSnapShotEx
{
public:
    GxNcLayerSnapShotEx();
    virtual ~GxNcLayerSnapShotEx();
    // Copies duplicate everything, the nested snapshot included.
    GxNcLayerSnapShotEx(const GxNcLayerSnapShotEx& other);
    GxNcLayerSnapShotEx& operator=(const GxNcLayerSnapShotEx& other);

    const GxNcImageKey& ImageKey() const { return *m_pImageKey; }

    // The last evaluation.
    int32_t m_Time = 0;
    int32_t m_LoopLength = 1;
    const GxNcLayer* m_pLayer = nullptr;
    // Present only while the layer shows a nested motion.
    std::unique_ptr<GxNcMotionSnapShotEx> m_pNested;

    // Track results, in evaluation order. The image result points at the key itself (or at the
    // shared default key): image keys carry names, and copying them every frame would allocate.
    const GxNcImageKey* m_pImageKey;
    GxNcVector4Key m_Position;
    GxNcVector4Key m_Scale;
    GxNcVector4Key m_Rotation;  // degrees
    GxNcVector4Key m_Center;
    GxNcVector2Key m_Scale2D;
    GxNcFloatKey m_Alpha;
    GxNcUIntKey m_Visible;
    GxNcVertexKey m_VertexOffset;
    GxNcVertexKey m_VertexColor;
    GxVector2 m_UVOffset;  // never evaluated: (0, 0)

    uint32_t m_BlendMode = 0;  // the layer's preset, or the parent's when the layer's is 0
    GxMatrix m_LocalMatrix;
    GxMatrix m_CombinedMatrix;
    GxVector4 m_Vertex[kGxNcVertexCount];
    GxVector2 m_UV[kGxNcVertexCount];
    GxFColor m_Color[kGxNcVertexCount];
};

class GxNcMotionSnapShotEx
{
public:
    GxNcMotionSnapShotEx();
    GxNcMotionSnapShotEx(const GxNcMotionSnapShotEx&) = default;
    GxNcMotionSnapShotEx& operator=(const GxNcMotionSnapShotEx&) = default;

    // Evaluates every layer of the motion at the time, combines the tree from the base matrix
    // (identity when null) and builds the vertices, moved by offset. alpha is handed on to
    // nested motions only; depth bounds the nesting (0: no nested motion is shown). A null
    // motion changes nothing.
    void Create(void* context, const GxNcMotion* motion, int32_t time, const GxVector4& offset,
                const GxMatrix* baseMatrix, float alpha, const GxFColor& color, int32_t depth,
                GxNcMotionListener* listener);
    void CreateCombinedParam(const GxMatrix* baseMatrix);

    // Draws the layers from the last in list order to the first (the first ends on top). The
    // colour's alpha is multiplied by alphaFactor; filter and blend override the layers' own
    // when not 0; the hook may draw a layer itself.
    void Draw(const GxMatrix& matrix, float alphaFactor, const GxFColor& color, const GxFColor& specular,
              uint32_t filter, int32_t blend, GxNcMotionListener* hook) const;

    // Forgets the motion; the layer records stay allocated for reuse.
    void Clear();

    int32_t GetLayerSnapShotCount() const { return m_LayerCount; }
    GxNcLayerSnapShotEx* GetLayerSnapShot(int32_t index)
    {
        return index >= 0 && index < m_LayerCount ? &m_LayerSnapShots[static_cast<size_t>(index)] : nullptr;
    }
    const GxNcLayerSnapShotEx* GetLayerSnapShot(int32_t index) const
    {
        return index >= 0 && index < m_LayerCount ? &m_LayerSnapShots[static_cast<size_t>(index)] : nullptr;
    }
    const GxNcMotion* GetMotion() const { return m_pMotion; }
    int32_t GetTime() const { return m_Time; }
    int32_t GetLoopLength() const { return m_LoopLength; }

    GxVector4 m_BoundsMin;
    GxVector4 m_BoundsMax;
    GxVector4 m_Offset;

private:
    void CreateCombinedParam_Sub(uint32_t parentBlend, const GxNcLayerNode* node, const GxMatrix& parentMatrix);

    int32_t m_Time = 0;
    int32_t m_LoopLength = 1;
    const GxNcMotion* m_pMotion = nullptr;
    // Grows to the largest layer count seen and never shrinks; the first m_LayerCount are live.
    std::vector<GxNcLayerSnapShotEx> m_LayerSnapShots;
    int32_t m_LayerCount = 0;
};

// Colours, geometry and the transformed vertices of one evaluated layer (with its combined
// matrix already set); a nested motion is created here.
void GxNcBuildLayerVertices(GxNcLayerSnapShotEx& snapshot, void* context, const GxVector4& offset, int32_t depth,
                            GxNcMotionListener* listener, const GxFColor& color);
