#include "seq/SeqOpening.h"

#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFile.h"
#include "core/GxFrameTimer.h"
#include "core/GxLog.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "layer/GxTaskLayer.h"
#include "media/GxMovie.h"
#include "media/GxMoviePlayerFile.h"
#include "platform/GxPresentRect.h"
#include "seq/SeqSystem.h"
#include "ui/GxTaskUINull.h"
#include "seq/SeqScreenCommon.h"

namespace {

int32_t MovieVolume()
{
    const GxCore* core = GxGetCore();
    return core && core->GetUserConfig() ? core->GetUserConfig()->GetMovieVolume() : 0;
}

}  // namespace

SeqOpening::SeqOpening(GxTaskBase* parent) : GxSeqTransitBase(u"SeqOpening", parent)
{
    SetUIEventEnabled(true);
    auto* root = new GxTaskFolder(u"$ROOT:SeqOpening", nullptr, 0, this);
    auto* ui = new GxTaskFolder(u"$UI:SeqOpening", nullptr, 0, root);
    m_EventCaller = new GxTaskUINull(ui, nullptr, u"null_eventcaller", 0);
    m_Layer = new GxTaskLayer(u"$BGLAYER:SeqOpening", nullptr, 0, root);
    m_Layer->SetOrderZ(-10.0f);
}

void SeqOpening::OnSequenceEnter()
{
    GxSeqTransitBase::OnSequenceEnter();
    SetUpdateCount(0);
    const GxSystemConfig& sc = SeqSystemConfig();
    if (sc.m_MovNameOpening.empty()) return;
    const std::u16string path = sc.m_AssetFolder[kGxFolderMovies] + sc.m_MovNameOpening;
    if (GxFileGetSize(path) != 0)
        m_Layer->LoadMovie(path, kGxLogicalScreenWidth, kGxLogicalScreenHeight, 1, 0.0, MovieVolume(), false, 0);
}

void SeqOpening::OnSequenceLeave()
{
    GxSeqTransitBase::OnSequenceLeave();
    m_Layer->StopMovie();
    m_Layer->Clear();
}

int SeqOpening::Update(int32_t step, int64_t elapsed)
{
    (void)step;
    (void)elapsed;
    const GxSystemConfig& sc = SeqSystemConfig();
    if (GetUpdateCount() == 0) {
        if (!sc.m_MovNameOpening.empty()) {
            m_Layer->PlayMovie(MovieVolume());
            // The time spent loading is not to be caught up in update steps.
            if (GxCore* core = GxGetCore()) core->GetFrameTimer().ResetTime();
            if (sc.m_DebugModeFlag && m_Layer->GetCurrentContent()->m_ContentType == CONTENTTYPE_MOVIE) {
                GxMoviePlayerFile* player = GxMovie::GetPlayer(m_Layer->GetMoviePlayer());
                GxPrintDebugLog(u"MovieDuration:%f sec[%s]\n", player ? player->GetDuration() : 0.0,
                                sc.m_MovNameOpening);
            }
        }
    } else if (!m_Layer->IsMoviePlaying()) {
        if (GxTaskManage* tm = GetManager()) tm->ChangeSequenceByName(u"SeqTitle", 0);
    }
    DispatchUIEvents(nullptr);
    IncUpdateCount();
    return 0;
}

int SeqOpening::Skip()
{
    if (g_SystemDialogCount > 0) return 0;
    if (IsUIInputEnabled(m_EventCaller)) {
        m_EventCaller->RaiseUIEvent(1);
        return 1;
    }
    return 0;
}

int SeqOpening::OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)pt;
    (void)keyState;
    (void)doubleClick;
    return Skip();
}

int SeqOpening::OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)pt;
    (void)keyState;
    (void)doubleClick;
    return Skip();
}

int SeqOpening::OnSkipEvent(GxTaskUIBase* sender, GxUIEventParam* param)
{
    if (GxSeqBase::OnUIEventLeftDown(sender, param)) return 1;
    if (sender && sender->GetTaskLocalName() == u"null_eventcaller") {
        if (GxTaskManage* tm = GetManager()) tm->ChangeSequenceByName(u"SeqTitle", 0);
    }
    return 1;
}

int SeqOpening::OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param) { return OnSkipEvent(sender, param); }

int SeqOpening::OnUIEventRightDown(GxTaskUIBase* sender, GxUIEventParam* param) { return OnSkipEvent(sender, param); }

GxTaskBase* SeqOpening::Create(GxTaskBase* parent) { return new SeqOpening(parent); }
