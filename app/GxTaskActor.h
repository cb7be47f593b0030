// The visible task: a folder with a visual state (visibility, draw order, alpha, two colours,
// position, scale, rotation, centre, UV offset, shake offset, blend preset) and two queues of
// timed actions that change that state over time. Layers and widgets derive from it and read the
// state when they draw; the actor itself draws nothing.
#pragma once

#include <cstdint>
#include <list>

#include "app/GxActorAction.h"
#include "app/task/GxTaskFolder.h"
#include "core/GxMath.h"
#include "graphics/GxRenderState.h"

class GxDrawKey;

class GxActorVisualParam
{
public:
    GxActorVisualParam() = default;
    virtual ~GxActorVisualParam() = default;

    // The fields in their order, with the types of the stream; true when its error count is 0.
    virtual bool WriteContent(GxContentWriterBase& writer) const;
    virtual bool ReadContent(GxContentReaderBase& reader);

    // Back to the defaults below (the vectors' fourth components are left alone).
    void Reset();

    // m_Color0's red, green and blue with alpha m_Alpha x m_Color0.a x extraAlpha / 255 / 255,
    // packed to 0xAARRGGBB (channels clamped to 0..1).
    uint32_t GetColor0Argb(int32_t extraAlpha) const;
    // Every field, for a draw key (GxTaskBase::AppendDrawKey).
    void AppendKey(GxDrawKey& key) const;

    bool m_Visible = true;
    float m_OrderZ = 1000.0f;  // sort key in the render-layer lists
    int32_t m_Alpha = 255;     // 0..255 by convention; not clamped
    GxFColor m_Color0 = GxFColor(1.0f, 1.0f, 1.0f, 1.0f);
    GxFColor m_Color1 = GxFColor(0.0f, 0.0f, 0.0f, 0.0f);
    GxVector3 m_Pos;                                     // screen pixels, y down
    GxVector3 m_Scale = GxVector3(1.0f, 1.0f, 1.0f);
    GxVector3 m_Rot;                                     // degrees about x, y, z
    GxVector3 m_CenterPos;                               // pivot, relative to the actor
    GxVector2 m_UVOffset;
    GxVector3 m_ShakeOffsetPos;                          // added to the position while shaking
    int32_t m_BlendMode = BLENDMODE_ALPHA;               // blend preset (GxBlendMode)
};

class GxTaskActor : public GxTaskFolder
{
public:
    static constexpr int32_t kActionQueueCount = 2;

    GxTaskActor(const char16_t* taskName, const char16_t* localName, int32_t localIndex, GxTaskBase* parent);
    ~GxTaskActor() override;

    // Copies of the state with w = 0.
    GxVector3 GetPos() const override;
    GxVector3 GetScale() const override;
    GxVector3 GetRot() const override;
    GxVector3 GetCenterPos() const override;
    // Position plus shake offset plus the parent's absolute position: only translation
    // accumulates, a parent's scale and rotation do not move the child.
    GxVector3 GetAbsolutePos() const override;

    // The base part, the visual state, queue 0 and queue 1 as lists of actions, m_ActionPause.
    bool WriteContent(GxContentWriterBase& writer) override;
    bool ReadContent(GxContentReaderBase& reader) override;

    virtual void Hide() { m_Visual.m_Visible = false; }
    virtual void Show() { m_Visual.m_Visible = true; }
    virtual bool IsVisible() const { return m_Visual.m_Visible; }
    virtual void SetOrderZ(float z) { m_Visual.m_OrderZ = z; }
    virtual float GetOrderZ() const { return m_Visual.m_OrderZ; }
    virtual int32_t SetBlendMode(int32_t mode) { return m_Visual.m_BlendMode = mode; }
    virtual int32_t GetBlendMode() const { return m_Visual.m_BlendMode; }
    virtual int32_t SetAlpha(int32_t alpha) { return m_Visual.m_Alpha = alpha; }
    virtual int32_t GetAlpha() const { return m_Visual.m_Alpha; }
    // The setters copy all four components.
    virtual void SetPos(const GxVector3& pos) { m_Visual.m_Pos = pos; }
    virtual void SetScale(const GxVector3& scale) { m_Visual.m_Scale = scale; }
    virtual void SetRot(const GxVector3& rot) { m_Visual.m_Rot = rot; }
    virtual void SetCenterPos(const GxVector3& centre) { m_Visual.m_CenterPos = centre; }
    virtual void SetUVOffset(const GxVector2& offset) { m_Visual.m_UVOffset = offset; }
    virtual void SetColor0(const GxFColor& color) { m_Visual.m_Color0 = color; }
    // Each byte of 0xAARRGGBB divided by 255.
    virtual void SetColor0ARGB(uint32_t argb);
    virtual GxFColor GetColor0() const { return m_Visual.m_Color0; }
    // The content's size; a plain actor has none.
    virtual int32_t GetWidth() const { return 0; }
    virtual int32_t GetHeight() const { return 0; }

    // T(-centre) x S x Rx x Ry x Rz x T(centre + absolute position), rotations turned from
    // degrees into radians.
    GxMatrix GetWorldMatrix() const;

    GxActorVisualParam& GetVisualParam() { return m_Visual; }
    const GxActorVisualParam& GetVisualParam() const { return m_Visual; }

    // Actions. Times are milliseconds.
    // Advances queue 0, then queue 1, by the same time; true while either still holds an action.
    bool UpdateAction(int32_t elapsed);
    // Runs every pending action to its end, exactly as if its time had run out, and clears the
    // shake offset.
    void FinishAction();
    bool IsActionFinished() const;
    // Drops every pending action; the visual state stays as it is.
    void ClearAction();

    void AddActionWait(int32_t queue, int32_t time);
    void AddActionFadeIn(int32_t time);
    void AddActionFadeOut(int32_t time);
    void AddActionMoveTo(const GxVector3& target, int32_t time, uint32_t mode);
    void AddActionMoveBy(const GxVector3& offset);
    void AddActionHide();
    void AddActionSetColor0(float red, float green, float blue);
    // Appends a copy of a record to a queue (0 or 1); false for another queue index.
    bool AddAction(int32_t queue, const GxActionParam& action);

    const std::list<GxActionParam>& GetActionQueue(int32_t queue) const { return m_ActionQueue[queue & 1]; }

    // Saved and restored with the actor; cleared by script commands and layer clears. The
    // action evaluation does not look at it.
    bool m_ActionPause = false;

    // Microseconds of a frame step as the whole milliseconds the actions count.
    static int32_t ElapsedToMilliseconds(int64_t microseconds);

protected:
    GxActorVisualParam m_Visual;
    // Lists: an empty one allocates nothing (every widget has two, nearly always empty), and an
    // action that adds another while it runs keeps its place.
    std::list<GxActionParam> m_ActionQueue[kActionQueueCount];

private:
    // One queue with elapsed time e; true when the queue still holds an action.
    bool UpdateActionQueue(std::list<GxActionParam>& queue, int32_t e);
    void BeginAction(GxActionParam& a);
    void ApplyAction(GxActionParam& a, float f);
    void Shake(const GxActionParam& a);
    void Append(int32_t queue, int32_t type, int32_t time, const GxVector3& end, uint32_t mode);
};
