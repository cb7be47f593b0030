#include "app/GxTaskActor.h"

#include <limits>

#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxDrawKey.h"
#include "graphics/GxRenderState.h"

// ---------------------------------------------------------------------------------------------
// Visual state

bool GxActorVisualParam::WriteContent(GxContentWriterBase& writer) const
{
    writer.WriteGxBool("m_Visible", m_Visible);
    writer.WriteGxF32("m_OrderZ", m_OrderZ);
    writer.WriteGxS32("m_Alpha", m_Alpha);
    writer.WriteGxFColor("m_Color0", m_Color0);
    writer.WriteGxFColor("m_Color1", m_Color1);
    writer.WriteGxVector3("m_Pos", m_Pos);
    writer.WriteGxVector3("m_Scale", m_Scale);
    writer.WriteGxVector3("m_Rot", m_Rot);
    writer.WriteGxVector3("m_CenterPos", m_CenterPos);
    writer.WriteGxVector2("m_UVOffset", m_UVOffset);
    writer.WriteGxVector3("m_ShakeOffsetPos", m_ShakeOffsetPos);
    writer.WriteGxS32("m_BlendMode", m_BlendMode);
    return writer.GetErrorCount() == 0;
}

bool GxActorVisualParam::ReadContent(GxContentReaderBase& reader)
{
    reader.ReadGxBool("m_Visible", m_Visible);
    reader.ReadGxF32("m_OrderZ", m_OrderZ);
    reader.ReadGxS32("m_Alpha", m_Alpha);
    reader.ReadGxFColor("m_Color0", m_Color0);
    reader.ReadGxFColor("m_Color1", m_Color1);
    reader.ReadGxVector3("m_Pos", m_Pos);
    reader.ReadGxVector3("m_Scale", m_Scale);
    reader.ReadGxVector3("m_Rot", m_Rot);
    reader.ReadGxVector3("m_CenterPos", m_CenterPos);
    reader.ReadGxVector2("m_UVOffset", m_UVOffset);
    reader.ReadGxVector3("m_ShakeOffsetPos", m_ShakeOffsetPos);
    m_BlendMode = reader.ReadGxS32Value("m_BlendMode");
    return reader.GetErrorCount() == 0;
}

void GxActorVisualParam::Reset()
{
    m_Visible = true;
    m_OrderZ = 1000.0f;
    m_Alpha = 255;
    m_Color0 = GxFColor(1.0f, 1.0f, 1.0f, 1.0f);
    m_Color1 = GxFColor(0.0f, 0.0f, 0.0f, 0.0f);
    m_Pos.x = m_Pos.y = m_Pos.z = 0.0f;
    m_Scale.x = m_Scale.y = m_Scale.z = 1.0f;
    m_Rot.x = m_Rot.y = m_Rot.z = 0.0f;
    m_CenterPos.x = m_CenterPos.y = m_CenterPos.z = 0.0f;
    m_UVOffset = GxVector2();
    m_ShakeOffsetPos.x = m_ShakeOffsetPos.y = m_ShakeOffsetPos.z = 0.0f;
    m_BlendMode = BLENDMODE_ALPHA;
}

uint32_t GxActorVisualParam::GetColor0Argb(int32_t extraAlpha) const
{
    const float a = static_cast<float>(m_Alpha) * m_Color0.a * static_cast<float>(extraAlpha) / 255.0f / 255.0f;
    return GxPackColorArgb(m_Color0.r, m_Color0.g, m_Color0.b, a);
}

void GxActorVisualParam::AppendKey(GxDrawKey& key) const
{
    key.Add(m_Visible);
    key.Add(m_OrderZ);
    key.Add(m_Alpha);
    key.Add(m_Color0);
    key.Add(m_Color1);
    key.Add(m_Pos);
    key.Add(m_Scale);
    key.Add(m_Rot);
    key.Add(m_CenterPos);
    key.Add(m_UVOffset);
    key.Add(m_ShakeOffsetPos);
    key.Add(m_BlendMode);
}

// ---------------------------------------------------------------------------------------------
// Actor

GxTaskActor::GxTaskActor(const char16_t* taskName, const char16_t* localName, int32_t localIndex,
                         GxTaskBase* parent)
    : GxTaskFolder(taskName, localName, localIndex, parent)
{
    AddKindFlags(GxTaskKind::Actor);
}

GxTaskActor::~GxTaskActor() = default;

namespace {

GxVector3 Xyz(const GxVector3& v) { return GxVector3(v.x, v.y, v.z); }

}  // namespace

GxVector3 GxTaskActor::GetPos() const { return Xyz(m_Visual.m_Pos); }
GxVector3 GxTaskActor::GetScale() const { return Xyz(m_Visual.m_Scale); }
GxVector3 GxTaskActor::GetRot() const { return Xyz(m_Visual.m_Rot); }
GxVector3 GxTaskActor::GetCenterPos() const { return Xyz(m_Visual.m_CenterPos); }

GxVector3 GxTaskActor::GetAbsolutePos() const
{
    GxVector3 p = m_Visual.m_Pos + m_Visual.m_ShakeOffsetPos;
    if (m_Parent) p += m_Parent->GetAbsolutePos();
    p.w = 0.0f;
    return p;
}

void GxTaskActor::SetColor0ARGB(uint32_t argb)
{
    m_Visual.m_Color0 = GxFColor(static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
                                 static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
                                 static_cast<float>(argb & 0xFF) / 255.0f,
                                 static_cast<float>((argb >> 24) & 0xFF) / 255.0f);
}

GxMatrix GxTaskActor::GetWorldMatrix() const
{
    GxMatrix m;
    m.SetWorld(GetScale(), GetAbsolutePos(), GxDegreesToRadians(GetRot()), GetCenterPos());
    return m;
}

bool GxTaskActor::WriteContent(GxContentWriterBase& writer)
{
    GxTaskBase::WriteContent(writer);
    m_Visual.WriteContent(writer);
    for (const auto& queue : m_ActionQueue) {
        writer.WriteListBegin("m_ActionList", "", static_cast<uint32_t>(queue.size()));
        for (const GxActionParam& a : queue) {
            writer.WriteListItemBegin();
            a.WriteContent(writer);
            writer.WriteListItemEnd();
        }
        writer.WriteListEnd();
    }
    writer.WriteGxBool("m_ActionPause", m_ActionPause);
    return writer.GetErrorCount() == 0;
}

bool GxTaskActor::ReadContent(GxContentReaderBase& reader)
{
    GxTaskBase::ReadContent(reader);
    m_Visual.ReadContent(reader);
    for (int32_t q = 0; q < kActionQueueCount; ++q) {
        // The count only bounds the loop (elements are read one by one; see below).
        uint32_t count = 0;
        reader.ReadListBegin("m_ActionList", count);
        m_ActionQueue[q].clear();
        for (uint32_t i = 0; i < count; ++i) {
            const int errors = reader.GetErrorCount();
            GxActionParam a;
            reader.ReadListItemBegin();
            a.ReadContent(reader);
            reader.ReadListItemEnd();
            AddAction(q, a);
            // Past a failed item the stream is out of step: reading on would only add a logged
            // failure and a default action for every item the count still promises.
            if (reader.GetErrorCount() != errors) break;
        }
        reader.ReadListEnd();
    }
    reader.ReadGxBool("m_ActionPause", m_ActionPause);
    return reader.GetErrorCount() == 0;
}

int32_t GxTaskActor::ElapsedToMilliseconds(int64_t microseconds)
{
    const int64_t ms = microseconds / 1000;
    if (ms > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (ms < 0) return 0;
    return static_cast<int32_t>(ms);
}
