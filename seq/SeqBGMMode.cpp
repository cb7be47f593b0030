#include "seq/SeqBGMMode.h"

#include "app/GxCore.h"
#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"
#include "game/DBBGMMode.h"
#include "game/GxGameFunctions.h"
#include "game/GxSystemConfig.h"
#include "graphics/GxGraphics.h"
#include "layer/GxNcFactory.h"
#include "layer/GxTaskLayer.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUIButton.h"
#include "seq/SeqScreenCommon.h"

namespace {

constexpr const char16_t* kExtraSetName = u"ui_extra.gis";
constexpr const char16_t* kNameSetName = u"ui_bgmname.gis";

}  // namespace

SeqBGMMode::SeqBGMMode(GxTaskBase* parent) : GxSeqTransitBase(u"SeqBGMMode", parent)
{
    SetUIEventEnabled(true);
    const SeqScreenTree tree = SeqBuildScreenTree(this, u"SeqBGMMode");
    m_UI = tree.ui;
    m_Background = tree.background;
}

SeqBGMMode::~SeqBGMMode() = default;

GxTaskBase* SeqBGMMode::Create(GxTaskBase* parent) { return new SeqBGMMode(parent); }

GxTaskUIBase* SeqBGMMode::FindWidget(const char16_t* localName, int32_t index)
{
    return SeqFindWidget(m_UI, localName, index);
}

void SeqBGMMode::SelectRadio(const char16_t* localName, int32_t index)
{
    SeqSelectRadio(m_UI, localName, index);
}

int32_t SeqBGMMode::CountTracks()
{
    DBBGMMode& table = GxGetDBBGMMode();
    int32_t count = 0;
    while (count < kMaxTracks && !table.GetRow(count + 1)->FileName.empty()) ++count;
    return count;
}

void SeqBGMMode::OnSequenceEnter()
{
    const GxSystemConfig& sc = SeqSystemConfig();
    m_Background->LoadImage(sc.m_AssetFolder[kGxFolderCgUi] + u"bg_bgmmode.png", 0);
    const std::u16string sets = sc.m_AssetFolder[kGxFolderUiGis];
    m_ExtraSet = GxNcImageSetPool::Add(sets + kExtraSetName);
    m_NameSet = GxNcImageSetPool::Add(sets + kNameSetName);
    GxStopBGM(1000);
    m_TrackCount = CountTracks();
    m_CurrentTrack = 0;
    for (GxTaskBase* t = m_UI->GetFirstChild(); t; t = t->GetNextSibling()) {
        if (!t->IsKindOf(GxTaskKind::UI)) continue;
        auto* widget = dynamic_cast<GxTaskUIBase*>(t);
        if (widget && widget->GetGroupID() == 1) widget->SetValueBool(false);
    }
    SelectRadio(u"btn_bgmstop", 0);
    UpdateIndicator();
}

void SeqBGMMode::OnSequenceLeave()
{
    GxSeqTransitBase::OnSequenceLeave();
    m_Background->Clear();
    const std::u16string sets = SeqSystemConfig().m_AssetFolder[kGxFolderUiGis];
    if (m_ExtraSet) GxNcImageSetPool::Release(sets + kExtraSetName);
    if (m_NameSet) GxNcImageSetPool::Release(sets + kNameSetName);
    m_ExtraSet = m_NameSet = false;
}

int SeqBGMMode::Render(int32_t step, int64_t elapsed)
{
    GxSeqTransitBase::Render(step, elapsed);
    RegisterRenderLayer(GxRenderLayer::Main, GxRenderOrder::Ascending, 13000.0f, 2);
    return 0;
}

int SeqBGMMode::Draw(int32_t param, int32_t layer)
{
    if (param != 2) return GxSeqTransitBase::Draw(param, layer);
    GxSeqServices& s = GxGetSeqServices();
    s.BeginScene();
    s.SetDefaultRenderState();
    s.EndScene();
    return 0;
}

int SeqBGMMode::OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)pt; (void)keyState; (void)doubleClick;
    SeqPressButton(this, FindWidget(u"btn_back", 0));
    return 0;
}

void SeqBGMMode::PlayCurrentTrack()
{
    SelectRadio(u"btn_bgmselect", m_CurrentTrack);
    DBBGMMode& table = GxGetDBBGMMode();
    // A button index from the UI data may name no row, or a row without music.
    if (m_CurrentTrack < 1 || m_CurrentTrack >= table.GetRowCapacity()) return;
    const DBBGMModeData& row = *table.GetRow(m_CurrentTrack);
    if (row.FileName.empty()) return;
    GxPlayBGM(SeqSystemConfig().m_AssetFolder[kGxFolderBgms] + row.FileName, 0, 0, 0, row.LoopPosTime, true);
}

void SeqBGMMode::UpdateIndicator()
{
    GxTaskUIBase* tip = FindWidget(u"tip_playing", 0);
    if (!tip) return;
    GxTaskUIBase* stop = FindWidget(u"btn_bgmstop", 0);
    GxTaskUIBase* track = FindWidget(u"btn_bgmselect", m_CurrentTrack);
    if ((stop && stop->GetValueBool()) || !track) {
        tip->Hide();
        return;
    }
    const GxVector3 p = track->GetPos();
    tip->SetPos(GxVector3(p.x - kIndicatorOffset, p.y, p.z));
    tip->Show();
}

int SeqBGMMode::OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    if (GxSeqTransitBase::OnUIEventLeftDown(sender, param) != 0) return 0;
    if (!sender) return 0;
    if (sender->IsKindOf(GxTaskKind::Button)) GxPlaySystemSound(0);
    if (SeqNameIs(sender, u"btn_back")) {
        GxTaskManage* tm = GetManager();
        if (tm && tm->GetPreviousSequence()) tm->ChangeSequenceByNameStr(tm->GetPreviousSequence()->GetTaskName());
        ClearUIEvents();
        return 1;
    }
    int handled = 1;
    if (SeqNameIs(sender, u"btn_bgmstop")) {
        GxStopBGM(1000);
    } else if (SeqNameIs(sender, u"btn_bgmplay")) {
        if (m_CurrentTrack < 1 || m_CurrentTrack > m_TrackCount) m_CurrentTrack = 1;
        PlayCurrentTrack();
    } else if (SeqNameIs(sender, u"btn_bgmprev") || SeqNameIs(sender, u"btn_bgmnext")) {
        if (SeqNameIs(sender, u"btn_bgmprev")) {
            if (--m_CurrentTrack < 1) m_CurrentTrack = m_TrackCount;
        } else if (++m_CurrentTrack > m_TrackCount) {
            m_CurrentTrack = 1;
        }
        PlayCurrentTrack();
        SelectRadio(u"btn_bgmplay", 0);
    } else if (SeqNameIs(sender, u"btn_bgmselect")) {
        m_CurrentTrack = sender->GetTaskLocalIndex();
        PlayCurrentTrack();
        SelectRadio(u"btn_bgmplay", 0);
        handled = 0;
    } else {
        return 0;
    }
    UpdateIndicator();
    return handled;
}
