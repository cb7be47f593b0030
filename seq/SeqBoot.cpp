#include "seq/SeqBoot.h"

#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"
#include "game/GxSystemConfig.h"
#include "platform/GxSdlKeyCodes.h"

SeqBoot::SeqBoot(GxTaskBase* parent) : GxSeqTransitBase(u"SeqBoot", parent) { SetUIEventEnabled(true); }

void SeqBoot::OnSequenceLeave() { GxSeqTransitBase::OnSequenceLeave(); }

int SeqBoot::Update(int32_t step, int64_t elapsed)
{
    (void)step;
    (void)elapsed;
    const GxCore* core = GxGetCore();
    const GxSystemConfig* sc = core ? core->GetSystemConfig() : nullptr;
    // Holding Ctrl at start skips the opening movie.
    const bool ctrlHeld = GxGetKeyState(GxVK::Control) < 0;
    const bool opening = sc && !sc->m_MovNameOpening.empty() && !ctrlHeld;
    if (GxTaskManage* tm = GetManager()) tm->ChangeSequenceByName(opening ? u"SeqOpening" : u"SeqTitle", 0);
    IncUpdateCount();
    return 0;
}

GxTaskBase* SeqBoot::Create(GxTaskBase* parent) { return new SeqBoot(parent); }
