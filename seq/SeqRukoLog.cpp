#include "seq/SeqRukoLog.h"

#include <algorithm>

#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"
#include "game/GxGameFunctions.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "layer/GxTaskLayer.h"
#include "media/GxSound.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUITextWindow.h"
#include "seq/SeqScreenCommon.h"

namespace {

}  // namespace

SeqRukoLog::SeqRukoLog(GxTaskBase* parent) : GxSeqTransitBase(u"SeqRukoLog", parent)
{
    SetUIEventEnabled(true);
    const SeqScreenTree tree = SeqBuildScreenTree(this, u"SeqRukoLog");
    m_UI = tree.ui;
    m_Background = tree.background;
}

SeqRukoLog::~SeqRukoLog() = default;

GxTaskBase* SeqRukoLog::Create(GxTaskBase* parent) { return new SeqRukoLog(parent); }

GxTaskUIBase* SeqRukoLog::FindWidget(const char16_t* localName, int32_t index) const
{
    return SeqFindWidget(m_UI, localName, index);
}

int32_t SeqRukoLog::GetRowCount() const { return std::max(0, SeqSystemConfig().m_BackLogPerPage); }

int32_t SeqRukoLog::GetLogLength() const
{
    const GxUserData* data = SeqUserData();
    return data ? static_cast<int32_t>(data->m_MessageLog.size()) : 0;
}

int32_t SeqRukoLog::GetLastPosition() const { return std::max(0, GetLogLength() - GetRowCount()); }

std::u16string SeqRukoLog::RowText(const GxMessageLogElement& element)
{
    if (element.m_Name.empty()) return element.m_Message;
    return u"【" + element.m_Name + u"】%r" + element.m_Message;
}

void SeqRukoLog::OnSequenceEnter()
{
    m_ScrollPos = GetLastPosition();
    BuildLogList();
    m_Background->LoadImage(SeqSystemConfig().m_AssetFolder[kGxFolderCgUi] + u"bg_rukolog.png", 0);
}

void SeqRukoLog::OnSequenceLeave()
{
    GxSeqTransitBase::OnSequenceLeave();
    m_Background->Clear();
}

int SeqRukoLog::Update(int32_t step, int64_t elapsed)
{
    IncUpdateCount();
    return GxSeqTransitBase::Update(step, elapsed);
}

void SeqRukoLog::BuildLogList()
{
    const GxUserData* data = SeqUserData();
    const int32_t length = GetLogLength();
    for (int32_t r = 0; r < GetRowCount(); ++r) {
        auto* text = dynamic_cast<GxTaskUITextWindowFx*>(FindWidget(u"tip_logwindow", r));
        GxTaskUIBase* voice = FindWidget(u"btn_voiceplay", r);
        const int32_t line = m_ScrollPos + r;
        if (!data || line >= length) {
            if (text) text->ClearWindowText();
            if (voice) voice->Hide();
            continue;
        }
        const GxMessageLogElement& element = data->m_MessageLog[static_cast<size_t>(line)];
        if (text) text->SetWindowText(RowText(element), element.m_IgnoreKinsoku, element.m_DisenableAutoNewline);
        if (!voice) continue;
        bool anyVoice = false;
        for (const std::u16string& file : element.m_VoiceFileName) anyVoice = anyVoice || !file.empty();
        if (anyVoice) voice->Show();
        else voice->Hide();
    }
}

void SeqRukoLog::Scroll(int32_t delta)
{
    const int32_t last = GetLastPosition();
    if (delta < 0 && m_ScrollPos <= 0) return;
    if (delta > 0 && m_ScrollPos >= last) return;
    m_ScrollPos = std::clamp(m_ScrollPos + delta, 0, last);
    BuildLogList();
}

void SeqRukoLog::PressBack()
{
    SeqPressButton(this, FindWidget(u"btn_back", 0));
}

int SeqRukoLog::OnMouseWheel(const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState)
{
    (void)pt; (void)keyState;
    const int32_t notches = wheelDelta / 120;
    if (notches > 0) {
        Scroll(-1);
    } else if (notches < 0) {
        if (m_ScrollPos < GetLastPosition()) Scroll(1);
        else PressBack();
    }
    return 0;
}

int SeqRukoLog::OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)pt; (void)keyState; (void)doubleClick;
    PressBack();
    return 0;
}

void SeqRukoLog::ReplayVoices(int32_t row)
{
    const GxUserData* data = SeqUserData();
    const int32_t line = m_ScrollPos + row;
    if (!data || row < 0 || line >= GetLogLength()) return;
    GxCore* core = GxGetCore();
    const GxUserConfig* options = core ? core->GetUserConfig() : nullptr;
    const GxMessageLogElement& element = data->m_MessageLog[static_cast<size_t>(line)];
    for (int32_t i = 0; i < GxMessageLogElement::kVoiceCount; ++i) {
        if (element.m_VoiceFileName[i].empty()) continue;
        // A character outside the tables plays silent rather than not at all.
        const int32_t volume = options ? options->GetVoiceVolume(element.m_VoiceCharID[i]) : -9600;
        GxSound::PlayStreamFromFile(kGxSoundChannelVoice + static_cast<uint32_t>(i), element.m_VoiceFileName[i], 0, 0,
                                    0, volume, 0, 0);
    }
}

int SeqRukoLog::OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    if (GxSeqTransitBase::OnUIEventLeftDown(sender, param) != 0) return 0;
    if (!sender) return 0;
    if (sender->IsKindOf(GxTaskKind::Button)) GxPlaySystemSound(0);
    if (SeqNameIs(sender, u"btn_b")) Scroll(-1);
    else if (SeqNameIs(sender, u"btn_bb")) Scroll(-kFastStep);
    else if (SeqNameIs(sender, u"btn_f")) Scroll(1);
    else if (SeqNameIs(sender, u"btn_ff")) Scroll(kFastStep);
    else if (SeqNameIs(sender, u"btn_voiceplay")) ReplayVoices(sender->GetTaskLocalIndex());
    else if (SeqNameIs(sender, u"btn_back")) {
        GxTaskManage* tm = GetManager();
        GxTaskBase* previous = tm ? tm->GetPreviousSequence() : nullptr;
        if (previous) tm->ChangeSequenceByNameStr(previous->GetTaskName());
        ClearUIEvents();
        return 1;
    }
    return 0;
}
