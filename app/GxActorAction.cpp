#include "app/GxActorAction.h"

#include <math.h>

#include "app/GxTaskActor.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxMath.h"
#include "core/GxRandom.h"
#include "core/GxInterpolate.h"

// ---------------------------------------------------------------------------------------------
// Record

GxActionParam::GxActionParam(const GxActionParam& other) { *this = other; }

GxActionParam& GxActionParam::operator=(const GxActionParam& other)
{
    m_ActionType = other.m_ActionType;
    m_TimeLeft = other.m_TimeLeft;
    m_TimeTotal = other.m_TimeTotal;
    m_Start = GxVector3(other.m_Start.x, other.m_Start.y, other.m_Start.z);
    m_End = GxVector3(other.m_End.x, other.m_End.y, other.m_End.z);
    m_InterMode = other.m_InterMode;
    m_InterParam = other.m_InterParam;
    m_InitCompleted = other.m_InitCompleted;
    return *this;
}

bool GxActionParam::WriteContent(GxContentWriterBase& writer) const
{
    writer.WriteGxS32("m_ActionType", m_ActionType);
    writer.WriteGxS32("m_TimeLeft", m_TimeLeft);
    writer.WriteGxS32("m_TimeTotal", m_TimeTotal);
    writer.WriteGxVector3("m_Start", m_Start);
    writer.WriteGxVector3("m_End", m_End);
    writer.WriteGxU32("m_InterMode", m_InterMode);
    writer.WriteGxS32("m_InterParam", m_InterParam);
    writer.WriteGxBool("m_InitCompleted", m_InitCompleted);
    return writer.GetErrorCount() == 0;
}

bool GxActionParam::ReadContent(GxContentReaderBase& reader)
{
    m_ActionType = reader.ReadGxS32Value("m_ActionType");
    reader.ReadGxS32("m_TimeLeft", m_TimeLeft);
    reader.ReadGxS32("m_TimeTotal", m_TimeTotal);
    reader.ReadGxVector3("m_Start", m_Start);
    reader.ReadGxVector3("m_End", m_End);
    reader.ReadGxU32("m_InterMode", m_InterMode);
    reader.ReadGxS32("m_InterParam", m_InterParam);
    reader.ReadGxBool("m_InitCompleted", m_InitCompleted);
    return reader.GetErrorCount() == 0;
}

float GxActionEase(uint32_t mode, float p)
{
    switch (mode) {
    case ACTIONINTER_EASEOUT: return GxInterpolatePowerEase(p, 0.4f, 0.0f, 1.0f);
    case ACTIONINTER_EASEIN: return GxInterpolatePowerEase(p, -0.4f, 0.0f, 1.0f);
    case ACTIONINTER_SINE: return GxInterpolateSine2Ease(p, -1.0f, 0.0f, 1.0f);
    default: return p;
    }
}

// ---------------------------------------------------------------------------------------------
// Evaluation

namespace {

void Lerp(GxVector3& out, const GxVector3& a, const GxVector3& b, float f)
{
    const float g = 1.0f - f;
    out.x = a.x * g + b.x * f;
    out.y = a.y * g + b.y * f;
    out.z = a.z * g + b.z * f;
    out.w = 0.0f;
}

void ZeroXyz(GxVector3& v) { v.x = v.y = v.z = 0.0f; }

bool IsDelayedChange(int32_t type)
{
    return type == ACTIONTYPE_SHOW || type == ACTIONTYPE_HIDE ||
           (type >= ACTIONTYPE_SETALPHA && type <= ACTIONTYPE_SETBLENDMODE);
}

}  // namespace

void GxTaskActor::BeginAction(GxActionParam& a)
{
    GxActorVisualParam& v = m_Visual;
    switch (a.m_ActionType) {
    case ACTIONTYPE_WAIT: break;
    case ACTIONTYPE_FADE: a.m_Start.x = static_cast<float>(v.m_Alpha); break;
    case ACTIONTYPE_MOVETO: a.m_Start = GxVector3(v.m_Pos.x, v.m_Pos.y, v.m_Pos.z); break;
    case ACTIONTYPE_SCALETO: a.m_Start = GxVector3(v.m_Scale.x, v.m_Scale.y, v.m_Scale.z); break;
    case ACTIONTYPE_ROTATETO: a.m_Start = GxVector3(v.m_Rot.x, v.m_Rot.y, v.m_Rot.z); break;
    case ACTIONTYPE_MOVEBY:
        a.m_Start = GxVector3(v.m_Pos.x, v.m_Pos.y, v.m_Pos.z);
        a.m_End += v.m_Pos;
        break;
    case ACTIONTYPE_SCALEBY:
        a.m_Start = GxVector3(v.m_Scale.x, v.m_Scale.y, v.m_Scale.z);
        a.m_End += v.m_Scale;
        break;
    case ACTIONTYPE_ROTATEBY:
        a.m_Start = GxVector3(v.m_Rot.x, v.m_Rot.y, v.m_Rot.z);
        a.m_End += v.m_Rot;
        break;
    case ACTIONTYPE_SHOW:
    case ACTIONTYPE_HIDE:
    case ACTIONTYPE_SHAKE:
    case ACTIONTYPE_SETALPHA:
    case ACTIONTYPE_SETCOLOR0:
    case ACTIONTYPE_SETCOLOR1:
    case ACTIONTYPE_SETBLENDMODE: ZeroXyz(a.m_Start); break;
    default: break;
    }
}

void GxTaskActor::Shake(const GxActionParam& a)
{
    const int64_t t = (static_cast<int64_t>(a.m_TimeTotal) - a.m_TimeLeft) / 16;
    // Whole pixels within the amplitudes: |sin| and r / 10000 are below 1, and truncation toward
    // zero keeps the result inside.
    float angle = static_cast<float>(GxRand() % 360 + 20 * t) * GxDegToRad;
    int32_t r = GxRand() % 10000;
    m_Visual.m_ShakeOffsetPos.x =
        static_cast<float>(GxTruncToInt32(static_cast<double>(sinf(angle)) * r / 10000.0 * a.m_End.x));
    angle = static_cast<float>(GxRand() % 360 + 20 * t) * GxDegToRad;
    r = GxRand() % 10000;
    m_Visual.m_ShakeOffsetPos.y =
        static_cast<float>(GxTruncToInt32(r * static_cast<double>(cosf(angle)) / 10000.0 * a.m_End.y));
}

void GxTaskActor::ApplyAction(GxActionParam& a, float f)
{
    GxActorVisualParam& v = m_Visual;
    switch (a.m_ActionType) {
    case ACTIONTYPE_FADE:
        // The values may come from a saved game: out-of-range ones saturate.
        v.m_Alpha = GxTruncToInt32(a.m_Start.x * (1.0f - f) + a.m_End.x * f);
        break;
    case ACTIONTYPE_MOVETO:
    case ACTIONTYPE_MOVEBY: Lerp(v.m_Pos, a.m_Start, a.m_End, f); break;
    case ACTIONTYPE_SCALETO:
    case ACTIONTYPE_SCALEBY: Lerp(v.m_Scale, a.m_Start, a.m_End, f); break;
    case ACTIONTYPE_ROTATETO:
    case ACTIONTYPE_ROTATEBY: Lerp(v.m_Rot, a.m_Start, a.m_End, f); break;
    case ACTIONTYPE_SHAKE:
        if ((GetUpdateCount() & 1) == 0) Shake(a);
        break;
    case ACTIONTYPE_SHOW: v.m_Visible = true; break;
    case ACTIONTYPE_HIDE: v.m_Visible = false; break;
    case ACTIONTYPE_SETALPHA: v.m_Alpha = GxTruncToInt32(a.m_End.x); break;
    case ACTIONTYPE_SETCOLOR0:
        v.m_Color0.r = a.m_End.x;
        v.m_Color0.g = a.m_End.y;
        v.m_Color0.b = a.m_End.z;
        break;
    case ACTIONTYPE_SETCOLOR1:
        v.m_Color1.r = a.m_End.x;
        v.m_Color1.g = a.m_End.y;
        v.m_Color1.b = a.m_End.z;
        break;
    case ACTIONTYPE_SETBLENDMODE: v.m_BlendMode = GxTruncToInt32(a.m_End.x); break;
    default: break;  // waits and unknown types only take time
    }
}

bool GxTaskActor::UpdateActionQueue(std::list<GxActionParam>& queue, int32_t e)
{
    // Time never runs backwards.
    if (e < 0) e = 0;
    while (!queue.empty()) {
        GxActionParam& a = queue.front();
        if (!a.m_InitCompleted) {
            a.m_InitCompleted = true;
            BeginAction(a);
        }
        // A negative time left (damaged saved data) must not hand extra time to the next action.
        if (a.m_TimeLeft < 0) a.m_TimeLeft = 0;
        if (a.m_TimeLeft < e) {
            e -= a.m_TimeLeft;
            a.m_TimeLeft = 0;
        } else {
            a.m_TimeLeft -= e;
            e = 0;
        }

        float p = 1.0f;
        if (a.m_TimeTotal >= 1) {
            p = static_cast<float>(a.m_TimeTotal - a.m_TimeLeft) / static_cast<float>(a.m_TimeTotal);
            if (p < 0.0f) p = 0.0f;
            if (p > 1.0f) p = 1.0f;
        }
        const float f = GxActionEase(a.m_InterMode, p);

        if (!IsDelayedChange(a.m_ActionType) || a.m_TimeLeft == 0) {
            ApplyAction(a, f);
            if (a.m_TimeLeft < 1) {
                if (a.m_ActionType == ACTIONTYPE_SHAKE) ZeroXyz(m_Visual.m_ShakeOffsetPos);
                queue.pop_front();
            }
        }
        if (e < 1) return !queue.empty();
    }
    return false;
}

bool GxTaskActor::UpdateAction(int32_t elapsed)
{
    const bool running0 = UpdateActionQueue(m_ActionQueue[0], elapsed);
    const bool running1 = UpdateActionQueue(m_ActionQueue[1], elapsed);
    return running0 || running1;
}

void GxTaskActor::FinishAction()
{
    // Every evaluation either uses up 10 seconds of the front action or removes it, so this ends.
    while (!IsActionFinished()) UpdateAction(10000);
    ZeroXyz(m_Visual.m_ShakeOffsetPos);
}

bool GxTaskActor::IsActionFinished() const { return m_ActionQueue[0].empty() && m_ActionQueue[1].empty(); }

void GxTaskActor::ClearAction()
{
    m_ActionQueue[0].clear();
    m_ActionQueue[1].clear();
}

bool GxTaskActor::AddAction(int32_t queue, const GxActionParam& action)
{
    if (queue < 0 || queue >= kActionQueueCount) return false;
    m_ActionQueue[queue].push_back(action);
    return true;
}

void GxTaskActor::Append(int32_t queue, int32_t type, int32_t time, const GxVector3& end, uint32_t mode)
{
    GxActionParam a;
    a.m_ActionType = type;
    a.m_TimeLeft = time;
    a.m_TimeTotal = time;
    a.m_End = end;
    a.m_InterMode = mode;
    AddAction(queue, a);
}

void GxTaskActor::AddActionWait(int32_t queue, int32_t time)
{
    Append(queue, ACTIONTYPE_WAIT, time, GxVector3(), ACTIONINTER_LINEAR);
}

void GxTaskActor::AddActionFadeIn(int32_t time)
{
    Append(0, ACTIONTYPE_FADE, time, GxVector3(255.0f, 0.0f, 0.0f), ACTIONINTER_LINEAR);
}

void GxTaskActor::AddActionFadeOut(int32_t time)
{
    Append(0, ACTIONTYPE_FADE, time, GxVector3(), ACTIONINTER_LINEAR);
}

void GxTaskActor::AddActionMoveTo(const GxVector3& target, int32_t time, uint32_t mode)
{
    Append(0, ACTIONTYPE_MOVETO, time, target, mode);
}

void GxTaskActor::AddActionMoveBy(const GxVector3& offset)
{
    Append(1, ACTIONTYPE_MOVEBY, 200, offset, ACTIONINTER_LINEAR);
}

void GxTaskActor::AddActionHide() { Append(0, ACTIONTYPE_HIDE, 0, GxVector3(), ACTIONINTER_LINEAR); }

void GxTaskActor::AddActionSetColor0(float red, float green, float blue)
{
    Append(0, ACTIONTYPE_SETCOLOR0, 0, GxVector3(red, green, blue), ACTIONINTER_LINEAR);
}
