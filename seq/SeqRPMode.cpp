#include "seq/SeqRPMode.h"

#include <cmath>

#include "app/GxCore.h"
#include "app/GxTaskControl.h"
#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFormat.h"
#include "core/GxLog.h"
#include "game/DBRPMode.h"
#include "game/GxGameFunctions.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcImageSet.h"
#include "layer/GxTaskLayer.h"
#include "moa/GxMoaScriptHost.h"
#include "moa/GxMoaWorker.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUIButton.h"

namespace {

constexpr const char16_t* kPlateSetName = u"ui_extra.gis";
constexpr const char16_t* kThumbnailSetName = u"th_rpmode.gis";
constexpr int32_t kFontNum22 = 2;  // "FONT22NUM"
constexpr int32_t kBlendAlpha = 2;

const GxSystemConfig& Config()
{
    static const GxSystemConfig defaults;
    GxCore* core = GxGetCore();
    const GxSystemConfig* sc = core ? core->GetSystemConfig() : nullptr;
    return sc ? *sc : defaults;
}

bool NameIs(const GxTaskBase* task, std::u16string_view name)
{
    return task && (task->GetTaskLocalName() == name || task->GetTaskName() == name);
}

GxUserData* UserData()
{
    GxCore* core = GxGetCore();
    return core ? core->GetUserData() : nullptr;
}

}  // namespace

SeqRPMode::SeqRPMode(GxTaskBase* parent) : GxSeqTransitBase(u"SeqRPMode", parent)
{
    SetUIEventEnabled(true);
    auto* root = new GxTaskFolder(u"$ROOT:SeqRPMode", nullptr, 0, this);
    m_UI = new GxTaskFolder(u"$UI:SeqRPMode", nullptr, 0, root);
    m_Background = new GxTaskLayer(u"$BGLAYER:SeqRPMode", nullptr, 0, root);
    m_Background->SetOrderZ(-10.0f);
    GxTaskControl::CreateUIFromDBUILayout(this, u"$UI:SeqRPMode");
}

SeqRPMode::~SeqRPMode() = default;

GxTaskBase* SeqRPMode::Create(GxTaskBase* parent) { return new SeqRPMode(parent); }

GxTaskUIBase* SeqRPMode::FindWidget(const char16_t* localName, int32_t index)
{
    GxTaskBase* task = m_UI->FindTaskLocal(localName, index);
    return task && task->IsKindOf(GxTaskKind::UI) ? dynamic_cast<GxTaskUIBase*>(task) : nullptr;
}

bool SeqRPMode::IsUnlocked(int32_t row) const
{
    return row >= 0 && row < static_cast<int32_t>(m_Entries.size()) &&
           (m_Entries[static_cast<size_t>(row)] & kUnlocked) != 0;
}

std::u16string SeqRPMode::GetPercentText() const
{
    if (m_EntryCount <= 0) return std::u16string();
    return GxFormatString(u"%3d", static_cast<int32_t>(static_cast<int64_t>(m_UnlockedCount) * 100 / m_EntryCount));
}

void SeqRPMode::OnSequenceEnter()
{
    const GxSystemConfig& sc = Config();
    m_Background->LoadImage(sc.m_AssetFolder[kGxFolderCgUi] + u"bg_rpmode.png", 0);
    const std::u16string sets = sc.m_AssetFolder[kGxFolderUiGis];
    m_PlateHeld = GxNcImageSetPool::Add(sets + kPlateSetName);
    m_ThumbnailHeld = GxNcImageSetPool::Add(sets + kThumbnailSetName);
    m_PlateSet = GxNcImageSetPool::Find(sets + kPlateSetName);
    m_ThumbnailSet = GxNcImageSetPool::Find(sets + kThumbnailSetName);

    BuildEntries();
    m_CurrentPage = GetSelectedPage();
    ShowPage(m_CurrentPage);
    if (GxUserData* data = UserData()) {
        // The room's music plays on through the reset; StartMusic decides about it.
        data->ResetForNewGame(false);
        data->m_ReplayMode = true;
    }
    StartMusic();
}

void SeqRPMode::StartMusic()
{
    const GxSystemConfig& sc = Config();
    if (sc.m_BgmNameRpMode.empty()) {
        GxStopBGM(1000);
        return;
    }
    GxPlayBGM(sc.m_AssetFolder[kGxFolderBgms] + sc.m_BgmNameRpMode, 0, 0, 0,
              static_cast<uint32_t>(sc.m_BgmLoopRpMode), true);
}

void SeqRPMode::OnSequenceLeave()
{
    GxSeqTransitBase::OnSequenceLeave();
    m_Background->Clear();
    const std::u16string sets = Config().m_AssetFolder[kGxFolderUiGis];
    if (m_PlateHeld) GxNcImageSetPool::Release(sets + kPlateSetName);
    if (m_ThumbnailHeld) GxNcImageSetPool::Release(sets + kThumbnailSetName);
    m_PlateHeld = m_ThumbnailHeld = false;
    m_PlateSet = m_ThumbnailSet = nullptr;
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

int32_t SeqRPMode::GetSelectedPage()
{
    for (GxTaskBase* t = m_UI->GetFirstChild(); t; t = t->GetNextSibling()) {
        if (!NameIs(t, u"btn_pageselect") || !t->IsKindOf(GxTaskKind::UI)) continue;
        auto* button = dynamic_cast<GxTaskUIBase*>(t);
        if (button && button->GetValueBool()) return t->GetTaskLocalIndex();
    }
    return 0;
}

void SeqRPMode::SelectPageButton(int32_t page)
{
    if (auto* radio = dynamic_cast<GxTaskUIRadioButtonIs*>(m_UI->FindTaskLocal(u"btn_pageselect", page)))
        radio->Select();
}

void SeqRPMode::ShowPage(int32_t page)
{
    m_PageRows.clear();
    DBRPMode& table = GxGetDBRPMode();
    for (int32_t id = 0; id < table.GetRowCapacity(); ++id) {
        if (table.GetRow(id)->Group == page) m_PageRows.push_back(id);
    }
    for (int32_t k = 0; k < kPlateCount; ++k) {
        GxTaskUIBase* plate = FindWidget(u"btn_rpselect", k);
        if (!plate) continue;
        if (k < static_cast<int32_t>(m_PageRows.size())) {
            const int32_t row = m_PageRows[static_cast<size_t>(k)];
            plate->Show();
            plate->SetValueInt(row);
            plate->SetEnabled(IsUnlocked(row));
        } else {
            plate->Hide();
            plate->SetValueInt(0);
        }
    }
}

int SeqRPMode::Update(int32_t step, int64_t elapsed)
{
    IncUpdateCount();  // the clock of the hovered thumbnail's pulse
    return GxSeqTransitBase::Update(step, elapsed);
}

int SeqRPMode::Render(int32_t step, int64_t elapsed)
{
    GxSeqTransitBase::Render(step, elapsed);
    RegisterRenderLayer(GxRenderLayer::Main, GxRenderOrder::Ascending, 13000.0f, 2);
    return 0;
}

int SeqRPMode::Draw(int32_t param, int32_t layer)
{
    if (param != 2) return GxSeqTransitBase::Draw(param, layer);
    DrawOverlay();
    return 0;
}

void SeqRPMode::DrawOverlay()
{
    GxSeqServices& s = GxGetSeqServices();
    s.BeginScene();
    s.SetDefaultRenderState();
    const GxVector2 scale(1.0f, 1.0f);
    const GxVector3 rotation;
    const GxVector2 pivot(0.0f, 0.0f);
    if (m_EntryCount > 0) {
        if (GxFontData* font = GxGetFontData(kFontNum22)) {
            GxGraphics::DrawTextFontData(font, GetPercentText(), 868.0f, 56.0f, scale, rotation, pivot, 0xFFFFFFFFu,
                                         0, kBlendAlpha);
        }
    }
    const GxFColor white(1.0f, 1.0f, 1.0f, 1.0f);
    DBRPMode& table = GxGetDBRPMode();
    for (int32_t k = 0; k < kPlateCount; ++k) {
        GxTaskUIBase* plate = FindWidget(u"btn_rpselect", k);
        if (!plate || !plate->IsVisible()) continue;
        const int32_t row = plate->GetValueInt();
        if (row < 0 || row >= table.GetRowCapacity()) continue;
        const GxVector3 p = plate->GetPos();
        GxMatrix m;
        m.SetTranslation(p.x, p.y, 0.0f);
        if (IsUnlocked(row)) {
            GxFColor specular(0.0f, 0.0f, 0.0f, 0.0f);
            if (plate->GetHoverCount() != 0) {
                const float v = static_cast<float>(std::fabs(std::sin(GetUpdateCount() / 30.0)) * 0.25);
                specular = GxFColor(v, v, v, 1.0f);
            }
            const std::u16string& thumbnail = table.GetRow(row)->Thumbnail;
            const GxNcOriginImage* image = m_ThumbnailSet ? m_ThumbnailSet->FindOriginImage(thumbnail) : nullptr;
            GxDrawCrammedPattern(image, 0, m, white, specular, kBlendAlpha);
        } else {
            const GxNcOriginImage* blank = m_PlateSet ? m_PlateSet->FindOriginImage(u"tip_rpplate.png") : nullptr;
            GxDrawCrammedPattern(blank, 0, m, white, GxFColor(0.0f, 0.0f, 0.0f, 0.0f), kBlendAlpha);
        }
    }
    s.EndScene();
}

int SeqRPMode::OnMouseWheel(const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState)
{
    (void)pt; (void)keyState;
    // Whole notches only, one page per wheel event.
    const int32_t notches = wheelDelta / 120;
    GxTaskUIBase* button = notches > 0 ? FindWidget(u"btn_prev", 0) : notches < 0 ? FindWidget(u"btn_next", 0) : nullptr;
    if (button && IsUIInputEnabled(button)) button->RaiseUIEvent(GxUIEventType::LeftDown);
    return 0;
}

int SeqRPMode::OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)pt; (void)keyState; (void)doubleClick;
    GxTaskUIBase* back = FindWidget(u"btn_back", 0);
    if (back && IsUIInputEnabled(back)) back->RaiseUIEvent(GxUIEventType::LeftDown);
    return 0;
}

int SeqRPMode::OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    if (GxSeqTransitBase::OnUIEventLeftDown(sender, param) != 0) return 0;
    if (!sender) return 0;
    if (sender->IsKindOf(GxTaskKind::Button)) GxPlaySystemSound(0);
    GxTaskManage* tm = GetManager();
    if (NameIs(sender, u"btn_back")) {
        if (GxUserData* data = UserData()) data->m_ReplayMode = false;
        if (tm) tm->ChangeSequenceByName(u"SeqTitle", 0);
        ClearUIEvents();
        return 1;
    }
    if (NameIs(sender, u"btn_pageselect")) {
        m_CurrentPage = sender->GetTaskLocalIndex();
        ShowPage(m_CurrentPage);
        return 1;
    }
    if (NameIs(sender, u"btn_prev")) {
        if (--m_CurrentPage < 1) m_CurrentPage = m_PageCount;
        SelectPageButton(m_CurrentPage);
        ShowPage(m_CurrentPage);
        return 1;
    }
    if (NameIs(sender, u"btn_next")) {
        if (++m_CurrentPage > m_PageCount) m_CurrentPage = 1;
        SelectPageButton(m_CurrentPage);
        ShowPage(m_CurrentPage);
        return 1;
    }
    if (NameIs(sender, u"btn_rpselect")) {
        const int32_t row = sender->GetValueInt();
        DBRPMode& table = GxGetDBRPMode();
        const std::u16string label = row >= 0 && row < table.GetRowCapacity() ? table.GetRow(row)->Label : u"";
        GxStartGlobalFadeIn(tm, 200);
        if (!g_MoaWorkerEx || !g_MoaWorkerEx->StartAtLabel(label, nullptr))
            GxPrintErrorLog(u"スクリプトにラベル %s が存在しないため実行できません\n", label);
        if (tm) tm->ChangeSequenceByName(u"SeqRukoMain", 0);
        return 1;
    }
    return 0;
}
