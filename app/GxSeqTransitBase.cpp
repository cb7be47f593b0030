#include "app/GxSeqTransitBase.h"

#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxDrawKey.h"
#include "graphics/GxRenderState.h"
#include "platform/GxPresentRect.h"

// ---------------------------------------------------------------------------------------------
// Timer record

bool GxTransitParam::WriteContent(GxContentWriterBase& writer) const
{
    writer.WriteGxBool("m_Transit", m_Transit);
    writer.WriteGxS32("m_TransitTimeLeft", m_TransitTimeLeft);
    writer.WriteGxS32("m_TransitTimeTotal", m_TransitTimeTotal);
    return writer.GetErrorCount() == 0;
}

bool GxTransitParam::ReadContent(GxContentReaderBase& reader)
{
    reader.ReadGxBool("m_Transit", m_Transit);
    reader.ReadGxS32("m_TransitTimeLeft", m_TransitTimeLeft);
    reader.ReadGxS32("m_TransitTimeTotal", m_TransitTimeTotal);
    return reader.GetErrorCount() == 0;
}

float GxTransitParam::GetProgress() const
{
    if (!m_Transit || m_TransitTimeTotal <= 0) return 1.0f;
    // In 64 bits: a stored time left far outside the total must not overflow.
    const float p = static_cast<float>(static_cast<int64_t>(m_TransitTimeTotal) - m_TransitTimeLeft) /
                    static_cast<float>(m_TransitTimeTotal);
    if (p < 0.0f) return 0.0f;
    if (p > 1.0f) return 1.0f;
    return p;
}

// ---------------------------------------------------------------------------------------------
// Screen base with transition

GxSeqTransitBase::GxSeqTransitBase(const char16_t* taskName, GxTaskBase* parent) : GxSeqBase(taskName, parent)
{
    AddKindFlags(GxTaskKind::SeqTransit);
}

GxSeqTransitBase::~GxSeqTransitBase() = default;

bool GxSeqTransitBase::StartTransit(int32_t time)
{
    m_TransitParam.Start(time);
    AddInputMask(kTransitInputMask);
    return true;
}

bool GxSeqTransitBase::EndTransit()
{
    if (!m_TransitParam.Stop()) return false;
    RemoveInputMask(kTransitInputMask);
    return true;
}

void GxSeqTransitBase::OnSequenceLeave()
{
    GxSeqBase::OnSequenceLeave();
    EndTransit();
    if (!m_Manager) return;
    GxTaskBase* next = m_Manager->GetPendingSequence();
    if (!next || !next->IsKindOf(GxTaskKind::SeqTransit)) return;
    GxSeqTransitBase* nextScreen = dynamic_cast<GxSeqTransitBase*>(next);
    if (!nextScreen) return;
    GxSeqServices& s = GxGetSeqServices();
    s.RenderSceneToGlobalTexture();
    nextScreen->StartTransit(s.GetTransitTime());
}

int GxSeqTransitBase::UpdatePreMain(int32_t step, int64_t elapsed)
{
    (void)step;
    if (m_TransitParam.m_Transit) {
        const int64_t left = static_cast<int64_t>(m_TransitParam.m_TransitTimeLeft) - elapsed / 1000;
        if (left >= 1) {
            m_TransitParam.m_TransitTimeLeft = static_cast<int32_t>(left);
            return 0;
        }
        m_TransitParam.m_TransitTimeLeft = 0;
        m_TransitParam.m_Transit = false;
        RemoveInputMask(kTransitInputMask);
    }
    StartMain();
    return 0;
}

int GxSeqTransitBase::Render(int32_t step, int64_t elapsed)
{
    (void)step; (void)elapsed;
    RegisterRenderLayer(GxRenderLayer::Background, GxRenderOrder::Default, 0.0f, 0);
    if (m_TransitParam.m_Transit) RegisterRenderLayer(GxRenderLayer::Overlay, GxRenderOrder::Default, 0.0f, 1);
    return 0;
}

int GxSeqTransitBase::Draw(int32_t param, int32_t layer)
{
    (void)layer;
    if (param == 0) ClearScreen();
    else if (param == 1) DrawTransit();
    return 0;
}

bool GxSeqTransitBase::AppendTransitDrawKey(GxDrawKey& key, int32_t param)
{
    if (param == 0) key.Add(GxGetSeqServices().GetBackgroundColor());
    return param != 1 || !m_TransitParam.m_Transit;
}

void GxSeqTransitBase::DrawTransit()
{
    if (!m_TransitParam.m_Transit) return;
    GxSeqServices& s = GxGetSeqServices();
    s.BeginScene();
    s.SetDefaultRenderState();
    const float p = m_TransitParam.GetProgress();
    const uint32_t color = GxPackColorArgb(1.0f, 1.0f, 1.0f, 1.0f - p);
    const GxFRect screen(0.0f, 0.0f, static_cast<float>(kGxLogicalScreenWidth),
                         static_cast<float>(kGxLogicalScreenHeight));
    s.DrawGlobalRenderTexture(0.0f, 0.0f, screen, color, 0, BLENDMODE_ALPHA);
    s.EndScene();
}
