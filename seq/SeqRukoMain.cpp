#include "seq/SeqRukoMain.h"

#include <typeinfo>

#include "app/DBUILayout.h"
#include "app/DBUIModule.h"
#include "app/GxCore.h"
#include "app/GxTaskActor.h"
#include "app/GxTaskControl.h"
#include "app/task/GxTaskFolder.h"
#include "app/task/GxTaskManage.h"
#include "core/GxDrawKey.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "game/DBRukoChar.h"
#include "game/GxGameFunctions.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxRenderState.h"
#include "layer/GxLayerContent.h"
#include "layer/GxTaskLayer.h"
#include "media/GxSound.h"
#include "moa/GxMoaScriptHost.h"
#include "platform/GxSdlKeyCodes.h"
#include "seq/SeqScreenCommon.h"
#include "seq/SeqSystem.h"
#include "ui/GxTaskUIButton.h"
#include "ui/GxTaskUIMessageWindow.h"

namespace {

int32_t ToMilliseconds(int64_t elapsed) { return GxTaskActor::ElapsedToMilliseconds(elapsed); }

GxTaskLayer* NewLayer(const char16_t* taskName, GxTaskBase* parent, float orderZ, int32_t blendMode)
{
    auto* layer = new GxTaskLayer(taskName, nullptr, 0, parent);
    layer->SetOrderZ(orderZ);
    layer->SetBlendMode(blendMode);
    return layer;
}

// The task and the whole subtree below it; the walks of GxTaskControl also take a task's later
// siblings, so they are started at the first child.
bool AnyActionIn(GxTaskBase* task)
{
    if (!task) return false;
    if (auto* actor = dynamic_cast<GxTaskActor*>(task); actor && !actor->IsActionFinished()) return true;
    return task->GetFirstChild() && GxTaskControl::IsAnyActionRunning(task->GetFirstChild());
}

bool AnyLocalTransitIn(GxTaskBase* task)
{
    if (!task) return false;
    if (auto* layer = dynamic_cast<GxLayerControl*>(task); layer && layer->IsLocalTransit()) return true;
    return task->GetFirstChild() && GxTaskControl::IsAnyLocalTransit(task->GetFirstChild());
}

void FinishActionsIn(GxTaskBase* task)
{
    if (!task) return;
    if (task->GetFirstChild()) GxTaskControl::FinishActions(task->GetFirstChild());
    if (auto* actor = dynamic_cast<GxTaskActor*>(task)) actor->FinishAction();
}

void EndLocalTransitsIn(GxTaskBase* task)
{
    if (!task) return;
    if (task->GetFirstChild()) GxTaskControl::EndLocalTransits(task->GetFirstChild());
    if (auto* layer = dynamic_cast<GxLayerControl*>(task)) layer->EndLocalTransit();
}

bool IsStreamPlaying(uint32_t channel) { return GxSound::IsStreamPlaying(channel); }

bool AnyStreamPlaying(uint32_t first, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        if (IsStreamPlaying(first + i)) return true;
    }
    return false;
}

}  // namespace

GxTaskBase* SeqRukoMainCreate(GxTaskBase* parent) { return new SeqRukoMain(parent); }

SeqRukoMain::SeqRukoMain(GxTaskBase* parent) : GxSeqTransitBase(kGxMainScreenName, parent)
{
    SetUIEventEnabled(true);
    const GxSystemConfig defaults;
    const GxSystemConfig* scp = Core() ? Core()->GetSystemConfig() : nullptr;
    const GxSystemConfig& sc = scp ? *scp : defaults;

    m_Root = new GxTaskFolder(kGxMainScreenRoot, nullptr, 0, this);
    m_Visual = new GxTaskLayer(kGxMainScreenVisual, nullptr, 0, m_Root);
    m_BgLayer = NewLayer(kGxMainScreenBGLayer, m_Visual, -100.0f, BLENDMODE_ALPHA);
    m_BgwLayer = NewLayer(kGxMainScreenBGWLayer, m_BgLayer, -10.0f, BLENDMODE_ALPHA);
    m_BgwLayer->Hide();
    m_MovieLayer = NewLayer(kGxMainScreenMovieLayer, m_Visual, -20.0f, BLENDMODE_ALPHA);
    m_MovieLayer->SetMovieAutoDisappearTime(sc.m_StandTransitionTime);
    m_GlobalFlash = NewLayer(kGxMainScreenFlash, m_Visual, 10000.0f, BLENDMODE_ADD);
    m_GlobalFlash->LoadSolidColor(0xFFFFFFFFu, 0);
    m_GlobalFlash->SetAlpha(0);
    m_GlobalFade = NewLayer(kGxMainScreenFade, m_Visual, 10001.0f, BLENDMODE_ALPHA);
    m_GlobalFade->LoadSolidColor(0xFF000000u, 0);
    m_GlobalFade->SetAlpha(0);
    m_Stand = new GxTaskFolder(kGxMainScreenStand, nullptr, 0, m_Visual);
    BuildStandLayers();

    m_UI = new GxTaskFolder(kGxMainScreenUI, nullptr, 0, m_Root);
    BuildWindows();
    m_Select = new GxTaskFolder(kGxMainScreenSelect, nullptr, 0, m_UI);
    BuildChoiceButtons();

    m_BGTransitLayer = new GxTaskLayer(kGxMainScreenBGTransit, nullptr, 0, m_Root);
    m_BGTransitLayer->SetOrderZ(20000.0f);
    const GxGraphicsSettings& gs = GxGetGraphicsSettings();
    m_BGTransitLayer->LoadTexture(static_cast<int32_t>(gs.backBufferWidth), static_cast<int32_t>(gs.backBufferHeight), 0);
    m_BGTransitLayer->Hide();
}

SeqRukoMain::~SeqRukoMain() = default;

void SeqRukoMain::BuildStandLayers()
{
    const DBRukoChar& table = GxGetDBRukoChar();
    for (int32_t id = 0; id < table.GetRowCapacity(); ++id) {
        const DBRukoCharData& row = *table.GetRow(id);
        if (row.CharName.empty() || row.CharName == u"*") continue;
        if (m_Stand->FindTaskLocalByString(row.CharName, 0)) {
            GxPrintErrorLog(u"立ち絵レイヤー名 [%s] は既に使用されているため作成できません\n", row.CharName);
            continue;
        }
        auto* layer = new GxTaskLayer(nullptr, row.CharName.c_str(), 0, m_Stand);
        layer->SetBlendMode(BLENDMODE_ALPHA);
        const uint32_t subLayers = row.SubLayerNum > 0 ? static_cast<uint32_t>(row.SubLayerNum) : 0u;
        layer->GetCurrentContent()->CreateSubLayerList(subLayers);
        // The layer hands out its other buffer read-only; the buffer itself is the layer's own.
        const_cast<GxLayerContent&>(layer->GetOldContent()).CreateSubLayerList(subLayers);
    }
}

void SeqRukoMain::BuildWindows()
{
    const int32_t opacity = UserConfig() ? UserConfig()->m_TextWindowOpacity : GxUserConfig().m_TextWindowOpacity;
    const GxSystemConfig* sc = Core() ? Core()->GetSystemConfig() : nullptr;

    if (const DBUILayoutData* row = GxFindUILayoutData(kGxMainScreenMesWin)) {
        GxTaskUIBase* widget = CreateUIFromModuleName(m_UI, *row, kGxMainScreenMesWin, -1);
        m_MessageWindow = dynamic_cast<GxTaskUIMessageWindowFx*>(widget);
        if (widget && !m_MessageWindow) {
            GxPrintErrorLog(u"SeqRukoMain::SeqRukoMain/メッセージウィンドウではありません(%s)\n", kGxMainScreenMesWin);
        }
    }
    if (m_MessageWindow) {
        m_MessageWindow->SetImageAlpha(opacity);
        m_MessageWindow->SetEventBlockFlag(false);
        m_MessageWindow->SetLetterMarginWidth(sc ? sc->m_MeswinLetterMarginWidth : GxSystemConfig().m_MeswinLetterMarginWidth);
    }
    if (m_MessageWindow) {
        GxTaskControl::CreateUIFromDBUILayout(this, kGxMainScreenMesWin);
    }

    if (const DBUILayoutData* row = GxFindUILayoutData(kGxMainScreenNameWin)) {
        m_NameWindow = CreateUIFromModuleName(m_UI, *row, kGxMainScreenNameWin, -1);
    }
    if (m_NameWindow) {
        m_NameWindow->SetImageAlpha(opacity);
        m_NameWindow->SetEventBlockFlag(false);
        m_NameWindow->Hide();
        m_NameImage = new GxTaskLayer(kGxMainScreenNameImage, nullptr, 0, m_NameWindow);
        m_NameImage->SetOrderZ(m_NameWindow->GetOrderZ() + 1.0f);
        m_NameImage->Hide();
    }
}

void SeqRukoMain::BuildChoiceButtons()
{
    const DBUIModuleData* module = GxFindUIModuleData(u"btn_select0");
    if (!module) return;
    const GxSystemConfig* sc = Core() ? Core()->GetSystemConfig() : nullptr;
    const int32_t count = sc ? sc->m_SelectButtonCount : GxSystemConfig().m_SelectButtonCount;
    for (int32_t i = 1; i <= count; ++i) {
        GxTaskUIBase* button = CreateUIFromModule(m_Select, *module, u"btn_select", i);
        if (!button) break;
        button->SetOrderZ(16000.0f);
        button->Hide();
    }
}

GxCore* SeqRukoMain::Core() const
{
    GxCore* core = m_Manager ? m_Manager->GetOwner() : nullptr;
    return core ? core : GxGetCore();
}

GxUserData* SeqRukoMain::UserData() const { return Core() ? Core()->GetUserData() : nullptr; }
GxUserConfig* SeqRukoMain::UserConfig() const { return Core() ? Core()->GetUserConfig() : nullptr; }

bool SeqRukoMain::IsMainWindowActive() { return Core() && Core()->IsActive(); }
bool SeqRukoMain::IsCtrlDown() { return GxGetKeyState(GxVK::Control) < 0; }

// The window's buttons are entered in the message window, the nearest folder above them.
GxTaskUIBase* SeqRukoMain::FindWidget(const char16_t* name) const
{
    return m_MessageWindow ? dynamic_cast<GxTaskUIBase*>(m_MessageWindow->FindTaskLocal(name, 0)) : nullptr;
}

void SeqRukoMain::ShowWidget(const char16_t* name, bool show) const
{
    if (GxTaskUIBase* w = FindWidget(name)) {
        if (show) w->Show();
        else w->Hide();
    }
}

void SeqRukoMain::ResetAutoButton()
{
    if (auto* w = m_MessageWindow ? dynamic_cast<GxTaskUIBase*>(m_MessageWindow->GetTaskLocal(u"btn_auto", 0)) : nullptr) {
        w->SetValueBool(false);
    }
}

void SeqRukoMain::ResetSkipButton()
{
    if (auto* w = m_MessageWindow ? dynamic_cast<GxTaskUIBase*>(m_MessageWindow->GetTaskLocal(u"btn_skip", 0)) : nullptr) {
        w->SetValueBool(false);
    }
}

// ---------------------------------------------------------------------------------------------
// Enter, leave, update, draw

void SeqRukoMain::OnSequenceEnter()
{
    m_BGTransit = GxTransitParam();
    m_ReplayEndLogged = false;
    GxUserData* data = UserData();
    if (data) data->SetRestoreSequence(kGxMainScreenName);
    const bool replay = data && data->m_ReplayMode;
    for (const char16_t* name : {u"btn_save", u"btn_load", u"btn_qsave", u"btn_qload"}) ShowWidget(name, !replay);
    ShowWidget(u"btn_rend", replay);
}

void SeqRukoMain::OnSequenceLeave()
{
    EndBGTransit();
    FinishActionsIn(m_Select);
    GxSeqTransitBase::OnSequenceLeave();
    GxMainScreenFlags& f = g_MainScreenFlags;
    if (f.skipMode) {
        f.skipMode = false;
        ResetSkipButton();
    }
    if (f.autoMode) {
        f.autoMode = false;
        ResetAutoButton();
    }
    f.windowHidden = false;
}

bool SeqRukoMain::EndBGTransit()
{
    if (!m_BGTransit.Stop()) return false;
    if (m_BGTransitLayer) m_BGTransitLayer->Hide();
    return true;
}

int SeqRukoMain::Update(int32_t step, int64_t elapsed)
{
    GxMainScreenFlags& f = g_MainScreenFlags;
    const int32_t ms = ToMilliseconds(elapsed);
    if (step == 0 && ((IsMainWindowActive() && IsCtrlDown()) || f.skipMode)) SkipStep();
    if (f.autoMode) UpdateAutoMode(ms);
    if (m_BGTransit.m_Transit) {
        m_BGTransit.m_TransitTimeLeft -= ms;
        if (m_BGTransit.m_TransitTimeLeft <= 0) EndBGTransit();
    }
    UpdateHolds(elapsed);
    if (GxTaskUIBase* icon = FindWidget(u"icon_wait")) {
        if (m_MessageWindow && m_MessageWindow->IsClickWaiting()) icon->Show();
        else icon->Hide();
    }

    GxUserData* data = UserData();
    const bool running = g_MoaWorkerEx && g_MoaWorkerEx->IsRunning();
    if (!running && data && data->m_ReplayMode) {
        GxTaskBase* room = m_Manager ? m_Manager->FindTaskByName(u"SeqRPMode") : nullptr;
        if (room) {
            m_Manager->ChangeSequence(room, 0);
        } else if (!m_ReplayEndLogged) {
            // Once per visit: the screen stays, and a line per frame would bury the log.
            GxPrintErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", u"SeqRPMode");
            m_ReplayEndLogged = true;
        }
        return 0;
    }

    if (DispatchUIEvents(nullptr) == 0) RunScript();
    IncUpdateCount();
    return 0;
}

void SeqRukoMain::RunScript()
{
    GxMoaWorkerEx* worker = g_MoaWorkerEx;
    if (!worker) return;
    int32_t statements = 0;
    while (IsIdle()) {
        if (statements == kStatementBudget) {
            if (!m_BudgetWarned) {
                GxPrintErrorLog(u"SeqRukoMain::Update/スクリプトが待機せずに%d文を実行したため、次のフレームで続行します"
                                u"[Script=\"%s\"/line=%d]\n",
                                kStatementBudget, worker->GetScriptName(nullptr), worker->GetLine(nullptr) + 1);
                m_BudgetWarned = true;
            }
            return;
        }
        ++statements;
        if (!worker->Run(g_MoaBuiltinEx)) break;
    }
    // The script waits, ends or stopped: a later loop is a new one.
    m_BudgetWarned = false;
}

int SeqRukoMain::Draw(int32_t param, int32_t layer)
{
    (void)layer;
    if (param != 0) {
        DrawTransit();
        return 0;
    }
    ClearScreen();
    GxSeqServices& s = GxGetSeqServices();
    s.BeginScene();
    s.SetDefaultRenderState();
    if (m_BGTransit.m_Transit && m_BGTransitLayer) {
        GxLayerContent* content = m_BGTransitLayer->GetCurrentContent();
        if (content && content->m_pTexture) ApplyMaskToGlobalRenderTexture(content->m_pTexture.get(), m_BGTransit.GetProgress());
    }
    s.EndScene();
    return 0;
}

bool SeqRukoMain::AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer)
{
    (void)layer;
    if (typeid(*this) != typeid(SeqRukoMain)) return false;
    // Every parameter but 0 draws the screen's transition.
    if (param != 0) return !m_TransitParam.m_Transit;
    // The background's masked change moves with its progress.
    if (m_BGTransit.m_Transit && m_BGTransitLayer) return false;
    return AppendTransitDrawKey(key, 0);
}

// ---------------------------------------------------------------------------------------------
// Idle and lock tests, visibility

bool SeqRukoMain::IsIdle()
{
    if (g_MainScreenFlags.windowHidden || g_SystemDialogCount > 0) return false;
    const GxUserData* data = UserData();
    if (data && data->m_IsSelecting) return false;
    if (AnyActionIn(m_Select)) return false;
    if (m_GlobalFade && !m_GlobalFade->IsActionFinished()) return false;
    if (!m_Manager || m_Manager->IsChangeSequencePending() || !m_Manager->IsMainStarted()) return false;
    if (IsInTransit() || m_BGTransit.m_Transit) return false;
    if (m_MessageWindow &&
        (m_MessageWindow->IsClickWaiting() || m_MessageWindow->IsWaiting() || m_MessageWindow->GetRestCharCount() > 0)) {
        return false;
    }
    if (!data) return true;
    return data->m_Hold_WaitClick == 0 && data->m_Hold_WaitTime == 0 && data->m_Hold_EndOfMovie == 0 &&
           data->m_Hold_EndOfLayerActionAll == 0 && data->m_Hold_EndOfLayerActionSeparate == 0 &&
           data->m_Hold_EndOfBGM == 0 && data->m_Hold_EndOfBGV == 0 && data->m_Hold_EndOfSE == 0 &&
           data->m_Hold_EndOfVoice == 0;
}

bool SeqRukoMain::IsUnlocked(int lock)
{
    if (g_MainScreenFlags.windowHidden || g_SystemDialogCount > 0) return false;
    if (!m_Manager || m_Manager->IsChangeSequencePending() || !m_Manager->IsMainStarted()) return false;
    if (IsInTransit() || m_BGTransit.m_Transit) return false;
    const GxUserData* data = UserData();
    if (data && data->m_Hold_WaitTime != 0) return false;
    return g_MainScreenFlags.lockCount[lock] == 0;
}

bool SeqRukoMain::IsUIVisible(GxTaskUIBase* widget)
{
    if (!widget || g_MainScreenFlags.windowHidden) return false;
    const GxUserData* data = UserData();
    if (data && data->m_HideWindowByCommandFlag) {
        auto isWindow = [](const GxTaskBase* t) {
            return t && (t->GetTaskName() == kGxMainScreenMesWin || t->GetTaskName() == kGxMainScreenNameWin);
        };
        if (isWindow(widget) || isWindow(widget->GetParent())) return false;
    }
    if (m_BGTransit.m_Transit) return false;
    return widget->IsVisibleAll();
}

// ---------------------------------------------------------------------------------------------
// Holds

GxTaskActor* SeqRukoMain::FindHoldLayer(const std::u16string& name) const
{
    GxTaskBase* task = nullptr;
    if (name.front() == u'$') task = m_Manager ? m_Manager->FindTaskByNameStr(name) : nullptr;
    else if (m_Stand) task = m_Stand->FindTaskLocalByString(name, 0);
    return dynamic_cast<GxTaskActor*>(task);
}

void SeqRukoMain::UpdateHolds(int64_t elapsed)
{
    GxUserData* data = UserData();
    if (!data) return;
    if (data->m_Hold_WaitTime != 0) {
        data->m_Hold_WaitTime_TimeLeft -= ToMilliseconds(elapsed);
        if (data->m_Hold_WaitTime_TimeLeft <= 0) {
            data->m_Hold_WaitTime = 0;
            data->m_Hold_WaitTime_TimeLeft = 0;
        }
    }
    if (data->m_Hold_EndOfMovie != 0 && !(m_MovieLayer && m_MovieLayer->IsMoviePlaying())) data->m_Hold_EndOfMovie = 0;
    if (data->m_Hold_EndOfLayerActionAll != 0 && !AnyActionIn(m_Visual) && !AnyLocalTransitIn(m_Visual)) {
        data->m_Hold_EndOfLayerActionAll = 0;
    }
    if (data->m_Hold_EndOfLayerActionSeparate != 0) {
        const std::u16string& name = data->m_Hold_EndOfLayerActionSeparate_LayerName;
        if (name.empty()) {
            data->m_Hold_EndOfLayerActionSeparate = 0;
        } else {
            GxTaskActor* layer = FindHoldLayer(name);
            auto* control = dynamic_cast<GxLayerControl*>(layer);
            if (!layer || (layer->IsActionFinished() && !(control && control->IsLocalTransit()))) {
                data->m_Hold_EndOfLayerActionSeparate_LayerName.clear();
                data->m_Hold_EndOfLayerActionSeparate = 0;
            }
        }
    }
    if (data->m_Hold_EndOfBGM != 0) {
        const int32_t bgm = GxSound::GetCurrentBGMIndex();
        if (!IsStreamPlaying(bgm == 1 ? kGxSoundChannelBGM1 : kGxSoundChannelBGM0)) data->m_Hold_EndOfBGM = 0;
    }
    if (data->m_Hold_EndOfBGV != 0 && !IsStreamPlaying(kGxSoundChannelBGV)) data->m_Hold_EndOfBGV = 0;
    if (data->m_Hold_EndOfSE != 0 && !AnyStreamPlaying(kGxSoundChannelSE, 4)) data->m_Hold_EndOfSE = 0;
    if (data->m_Hold_EndOfVoice != 0 && !AnyStreamPlaying(kGxSoundChannelVoice, 4)) data->m_Hold_EndOfVoice = 0;
}

bool SeqRukoMain::ReleaseHoldByInput(int32_t mask)
{
    GxUserData* data = UserData();
    if (!data) return false;
    if (data->m_Hold_WaitClick & mask) {
        data->m_Hold_WaitClick = 0;
    } else if (data->m_Hold_WaitTime & mask) {
        data->m_Hold_WaitTime = 0;
        data->m_Hold_WaitTime_TimeLeft = 0;
    } else if (data->m_Hold_EndOfMovie & mask) {
        if (m_MovieLayer) m_MovieLayer->StopMovie();
        data->m_Hold_EndOfMovie = 0;
    } else if (data->m_Hold_EndOfLayerActionAll & mask) {
        FinishActionsIn(m_Visual);
        EndLocalTransitsIn(m_Visual);
        data->m_Hold_EndOfLayerActionAll = 0;
    } else if (data->m_Hold_EndOfLayerActionSeparate & mask) {
        const std::u16string& name = data->m_Hold_EndOfLayerActionSeparate_LayerName;
        if (GxTaskActor* layer = name.empty() ? nullptr : FindHoldLayer(name)) {
            layer->FinishAction();
            if (auto* control = dynamic_cast<GxLayerControl*>(layer)) control->EndLocalTransit();
        }
        data->m_Hold_EndOfLayerActionSeparate_LayerName.clear();
        data->m_Hold_EndOfLayerActionSeparate = 0;
    } else if (data->m_Hold_EndOfBGM & mask) {
        GxStopBGM(0);
        data->m_Hold_EndOfBGM = 0;
    } else if (data->m_Hold_EndOfBGV & mask) {
        GxStopBGV(0);
        data->m_Hold_EndOfBGV = 0;
    } else if (data->m_Hold_EndOfSE & mask) {
        GxStopAllSE(data);
        data->m_Hold_EndOfSE = 0;
    } else if (data->m_Hold_EndOfVoice & mask) {
        GxStopAllVoice(data);
        data->m_Hold_EndOfVoice = 0;
    } else {
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Skip and auto

void SeqRukoMain::SkipStep()
{
    if (IsMainWindowMinimised() || g_MainScreenFlags.windowHidden) return;
    GxUserData* data = UserData();
    const GxUserConfig* options = UserConfig();
    const bool allowUnread = options && options->m_AllowSkipUnreadText;
    if (GxTaskUIMessageWindowFx* mw = m_MessageWindow) {
        if (mw->GetRestCharCount() > 0) {
            if (!mw->IsReaded() && !allowUnread) return;
            mw->FlushMessage(false, false);
        } else if (mw->IsClickWaiting()) {
            if (!mw->IsReaded() && !allowUnread) return;
            if (mw->ProcessClick() && data) data->ClearVoiceRecords();
        }
    }
    while (ReleaseHoldByInput(kHoldSkip)) {
    }
    if (!data || (data->m_Hold_EndOfLayerActionAll == 0 && data->m_Hold_EndOfLayerActionSeparate == 0)) {
        EndLocalTransitsIn(m_Root);
        FinishActionsIn(m_Visual);
    }
    EndBGTransit();
}

void SeqRukoMain::UpdateAutoMode(int32_t elapsedMs)
{
    GxMainScreenFlags& f = g_MainScreenFlags;
    if (f.windowHidden) return;
    const GxUserConfig defaults;
    const GxUserConfig& options = UserConfig() ? *UserConfig() : defaults;
    if (!m_MessageWindow || !m_MessageWindow->IsClickWaiting()) {
        f.autoCountdown = options.m_AutoWaitTime;
        return;
    }
    f.autoCountdown -= elapsedMs;
    if (f.autoCountdown > 0) return;
    if (options.m_WaitVoiceEndOnAutoMode && GxIsVoicePlaying()) {
        f.autoCountdown = 0;
        return;
    }
    f.autoCountdown = options.m_AutoWaitTime;
    if (m_MessageWindow->ProcessClick()) OnMessageEnd();
}

void SeqRukoMain::OnMessageEnd()
{
    GxUserData* data = UserData();
    if (data) data->ClearVoiceRecords();
    const GxUserConfig* options = UserConfig();
    if (!(options && options->m_VoiceStopTiming)) GxStopAllVoice(data);
}

// ---------------------------------------------------------------------------------------------
// Input

bool SeqRukoMain::RestoreWindow()
{
    if (!g_MainScreenFlags.windowHidden) return false;
    g_MainScreenFlags.windowHidden = false;
    return true;
}

void SeqRukoMain::SendLeftDown(GxTaskUIBase* widget, const GxMousePoint& pt)
{
    GxUIEventParam p(widget, GxUIEventType::LeftDown, 0);
    p.m_Values[0] = pt.x;
    p.m_Values[1] = pt.y;
    widget->SendUIEvent(p);
}

int SeqRukoMain::OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)pt; (void)keyState; (void)doubleClick;
    GxMainScreenFlags& f = g_MainScreenFlags;
    if (RestoreWindow()) return 1;
    if (f.skipMode) {
        f.skipMode = false;
        ResetSkipButton();
        return 1;
    }
    if (f.autoMode) {
        f.autoMode = false;
        ResetAutoButton();
        return 1;
    }
    if (ReleaseHoldByInput(kHoldClick)) return 1;
    if (g_SystemDialogCount <= 0 && m_MessageWindow && m_MessageWindow->ProcessClick()) OnMessageEnd();
    return 0;
}

int SeqRukoMain::OnMouseWheel(const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState)
{
    const int32_t notches = wheelDelta / 120;
    if (g_MainScreenFlags.windowHidden) return notches != 0 && RestoreWindow() ? 1 : 0;
    if (notches < 0) return OnMouseLeftDown(pt, keyState, false);
    if (notches > 0) {
        GxTaskUIBase* log = FindWidget(u"btn_log");
        if (log && IsUIInputEnabled(log)) {
            SendLeftDown(log, pt);
            return 1;
        }
    }
    return 0;
}

int SeqRukoMain::OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)keyState; (void)doubleClick;
    if (RestoreWindow()) return 0;
    GxTaskUIBase* hide = FindWidget(u"btn_hide");
    if (hide && IsUIInputEnabled(hide)) {
        SendLeftDown(hide, pt);
        return 1;
    }
    return 0;
}

int SeqRukoMain::OnKeyDown(GxWParam virtualKey, GxLParam lParam)
{
    (void)lParam;
    switch (static_cast<uint32_t>(virtualKey)) {
    case GxVK::Return:
    case GxVK::Right:
    case GxVK::Down:
        if (!RestoreWindow()) OnMouseLeftDown(GxMousePoint{-1.0f, -1.0f}, 0, false);
        return 1;
    case GxVK::Space:
        // An open system dialog (the quit dialog among them) keeps the window shown.
        if (!RestoreWindow() && g_SystemDialogCount <= 0) g_MainScreenFlags.windowHidden = true;
        return 1;
    default:
        return 0;
    }
}

void SeqRukoMain::ChangeTo(const char16_t* name)
{
    GxTaskBase* target = m_Manager ? m_Manager->FindTaskByName(name) : nullptr;
    if (target) m_Manager->ChangeSequence(target, 0);
    else GxPrintErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", name);
}

int SeqRukoMain::OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    if (GxSeqBase::OnUIEventLeftDown(sender, param)) return 1;
    if (!sender) return 0;
    if (SeqCloseFailure(this, sender)) return 1;
    if (dynamic_cast<GxTaskUIButtonIs*>(sender)) GxPlaySystemSound(0);
    GxMainScreenFlags& f = g_MainScreenFlags;
    GxUserData* data = UserData();
    const std::u16string& name = sender->GetTaskLocalName();
    if (name == u"btn_rend") {
        ChangeTo(u"SeqRPMode");
    } else if (name == u"btn_auto") {
        f.autoMode = sender->GetValueBool();
        if (f.autoMode) f.autoCountdown = UserConfig() ? UserConfig()->m_AutoWaitTime : GxUserConfig().m_AutoWaitTime;
    } else if (name == u"btn_skip") {
        f.skipMode = sender->GetValueBool();
    } else if (name == u"btn_log") {
        ChangeTo(u"SeqRukoLog");
    } else if (name == u"btn_voice") {
        bool any = false;
        for (int i = 0; data && i < GxUserData::kVoiceCount; ++i) any = any || !data->m_VoiceRecord[i].m_FileName.empty();
        if (any) {
            for (uint32_t i = 0; i < 4; ++i) GxSound::StopStream(kGxSoundChannelVoice + i);
            for (int32_t i = 0; i < GxUserData::kVoiceCount; ++i) GxReplayVoice(i);
        }
    } else if (name == u"btn_qsave") {
        QuickSave();
    } else if (name == u"btn_qload") {
        GxCore* core = Core();
        const GxSystemConfig* sc = core ? core->GetSystemConfig() : nullptr;
        const std::u16string file = sc ? sc->m_QuickSaveFileName : GxSystemConfig().m_QuickSaveFileName;
        if (core && GxDiskFileExists(core->GetSaveFolder() + file)) ChangeTo(u"SeqQuickLoad");
    } else if (name == u"btn_save") {
        CaptureThumbnail();
        ChangeTo(u"SeqSave");
    } else if (name == u"btn_load") {
        ChangeTo(u"SeqLoad");
    } else if (name == u"btn_config") {
        ChangeTo(u"SeqConfig");
    } else if (name == u"btn_hide") {
        f.windowHidden = true;
    } else if (name == u"btn_select") {
        SelectChoice(sender->GetTaskLocalIndex());
    } else {
        return 0;
    }
    return 1;
}
