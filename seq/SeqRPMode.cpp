#include "seq/SeqRPMode.h"

#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFormat.h"
#include "core/GxLog.h"
#include "game/DBRPMode.h"
#include "game/GxGameFunctions.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "layer/GxNcImageSet.h"
#include "moa/GxMoaScriptHost.h"
#include "moa/GxMoaWorker.h"
#include "ui/GxTaskUIBase.h"

namespace {

constexpr const char16_t* kThumbnailSetName = u"th_rpmode.gis";

}  // namespace

SeqRPMode::SeqRPMode(GxTaskBase* parent) : SeqPlateRoom(u"SeqRPMode", parent, u"btn_rpselect", kPlateCount, 13000.0f)
{
}

SeqRPMode::~SeqRPMode() = default;

GxTaskBase* SeqRPMode::Create(GxTaskBase* parent) { return new SeqRPMode(parent); }

bool SeqRPMode::IsUnlocked(int32_t row) const
{
    return row >= 0 && row < static_cast<int32_t>(m_Entries.size()) &&
           (m_Entries[static_cast<size_t>(row)] & kUnlocked) != 0;
}

std::u16string SeqRPMode::GetPercentText() const
{
    if (m_EntryCount <= 0) return std::u16string();
    return SeqPercentText(m_UnlockedCount, m_EntryCount);
}

void SeqRPMode::OnSequenceEnter()
{
    LoadImages(u"bg_rpmode.png", kThumbnailSetName);

    BuildEntries();
    m_CurrentPage = GetSelectedPage();
    ShowPage(m_CurrentPage);
    if (GxUserData* data = SeqUserData()) {
        // The room's music plays on through the reset; StartMusic decides about it.
        data->ResetForNewGame(false);
        data->m_ReplayMode = true;
    }
    StartMusic();
}

void SeqRPMode::StartMusic()
{
    const GxSystemConfig& sc = SeqSystemConfig();
    SeqPlayScreenMusic(sc.m_BgmNameRpMode, sc.m_BgmLoopRpMode);
}

void SeqRPMode::BuildEntries()
{
    m_PageCount = 0;
    m_EntryCount = 0;
    m_UnlockedCount = 0;
    DBRPMode& table = GxGetDBRPMode();
    const int32_t rows = table.GetRowCapacity();
    m_Entries.assign(static_cast<size_t>(rows), 0);
    GxCore* core = GxGetCore();
    const GxUserDataPerman* perman = core ? core->GetUserDataPerman() : nullptr;
    for (int32_t id = 0; id < rows; ++id) {
        const DBRPModeData& row = *table.GetRow(id);
        if (row.Group > m_PageCount) m_PageCount = row.Group;
        if (row.Label.empty()) continue;
        ++m_EntryCount;
        if (!m_ThumbnailSet || !m_ThumbnailSet->FindOriginImage(row.Thumbnail))
            GxPrintErrorLog(u"リプレイモードサムネイル %s (ID=%d)が見つかりません\n", row.Thumbnail, id);
        if (perman && perman->m_PassedReplayLabels.find(row.Label) != perman->m_PassedReplayLabels.end()) {
            m_Entries[static_cast<size_t>(id)] |= kUnlocked;
            ++m_UnlockedCount;
        }
    }
}

void SeqRPMode::ShowPage(int32_t page)
{
    m_PageRows.clear();
    DBRPMode& table = GxGetDBRPMode();
    for (int32_t id = 0; id < table.GetRowCapacity(); ++id) {
        if (table.GetRow(id)->Group == page) m_PageRows.push_back(id);
    }
    FillPlates(m_PageRows, [this](int32_t row) { return IsUnlocked(row); });
}

void SeqRPMode::DrawOverlay()
{
    DrawShare(GetPercentText());
    DBRPMode& table = GxGetDBRPMode();
    ForEachShownPlate([&](GxTaskUIBase* plate, int32_t row) {
        if (row < 0 || row >= table.GetRowCapacity()) return;
        DrawPlate(plate, table.GetRow(row)->Thumbnail, u"tip_rpplate.png", IsUnlocked(row));
    });
}

int SeqRPMode::OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    if (GxSeqTransitBase::OnUIEventLeftDown(sender, param) != 0) return 0;
    if (!sender) return 0;
    if (sender->IsKindOf(GxTaskKind::Button)) GxPlaySystemSound(0);
    GxTaskManage* tm = GetManager();
    if (SeqNameIs(sender, u"btn_back")) {
        if (GxUserData* data = SeqUserData()) data->m_ReplayMode = false;
        if (tm) tm->ChangeSequenceByName(u"SeqTitle", 0);
        ClearUIEvents();
        return 1;
    }
    if (SeqNameIs(sender, u"btn_pageselect")) {
        m_CurrentPage = sender->GetTaskLocalIndex();
        ShowPage(m_CurrentPage);
        return 1;
    }
    if (TurnPage(sender, [this](int32_t page) { ShowPage(page); })) return 1;
    if (SeqNameIs(sender, u"btn_rpselect")) {
        const int32_t row = sender->GetValueInt();
        DBRPMode& table = GxGetDBRPMode();
        const std::u16string label = row >= 0 && row < table.GetRowCapacity() ? table.GetRow(row)->Label : u"";
        GxStartGlobalFadeIn(tm, 200);
        if (!g_MoaWorkerEx || !g_MoaWorkerEx->StartAtLabel(label, nullptr))
            GxPrintErrorLog(u"スクリプトにラベル %s が存在しないため実行できません\n", label);
        if (tm) tm->ChangeSequenceByName(kGxMainScreenName, 0);
        return 1;
    }
    return 0;
}
