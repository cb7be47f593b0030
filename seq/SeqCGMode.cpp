#include "seq/SeqCGMode.h"

#include <cmath>

#include "app/GxCore.h"
#include "app/GxTaskControl.h"
#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFormat.h"
#include "core/GxLog.h"
#include "game/DBCGMode.h"
#include "game/GxGameFunctions.h"
#include "game/GxGameLookup.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserDataPerman.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcImageSet.h"
#include "layer/GxTaskLayer.h"
#include "ui/GxTaskUIButton.h"
#include "ui/GxTaskUIBase.h"

namespace {

constexpr const char16_t* kPlateSetName = u"ui_extra.gis";
constexpr const char16_t* kThumbnailSetName = u"th_cgmode.gis";
constexpr int32_t kFontNum8 = 1;   // "FONT8NUM"
constexpr int32_t kFontNum22 = 2;  // "FONT22NUM"
constexpr int32_t kBlendAlpha = 2;

GxSystemConfig* Config()
{
    GxCore* core = GxGetCore();
    return core ? core->GetSystemConfig() : nullptr;
}

std::u16string Folder(int32_t index)
{
    static const GxSystemConfig defaults;
    const GxSystemConfig* sc = Config();
    return (sc ? sc : &defaults)->m_AssetFolder[index];
}

bool NameIs(const GxTaskBase* task, std::u16string_view name)
{
    return task && (task->GetTaskLocalName() == name || task->GetTaskName() == name);
}

bool IsShown(std::u16string_view picture)
{
    GxCore* core = GxGetCore();
    const GxUserDataPerman* perman = core ? core->GetUserDataPerman() : nullptr;
    return perman && perman->m_ShowedCGFlags.find(picture) != perman->m_ShowedCGFlags.end();
}

}  // namespace

SeqCGMode::SeqCGMode(GxTaskBase* parent) : GxSeqTransitBase(u"SeqCGMode", parent)
{
    SetUIEventEnabled(true);
    auto* root = new GxTaskFolder(u"$ROOT:SeqCGMode", nullptr, 0, this);
    m_UI = new GxTaskFolder(u"$UI:SeqCGMode", nullptr, 0, root);
    GxTaskControl::CreateUIFromDBUILayout(this, u"$UI:SeqCGMode");
    m_Background = new GxTaskLayer(u"$BGLAYER:SeqCGMode", nullptr, 0, root);
    m_Background->SetOrderZ(-10.0f);
}

SeqCGMode::~SeqCGMode() = default;

GxTaskBase* SeqCGMode::Create(GxTaskBase* parent) { return new SeqCGMode(parent); }

GxTaskUIBase* SeqCGMode::FindWidget(const char16_t* localName, int32_t index)
{
    GxTaskBase* task = m_UI->FindTaskLocal(localName, index);
    return task && task->IsKindOf(GxTaskKind::UI) ? dynamic_cast<GxTaskUIBase*>(task) : nullptr;
}

int32_t SeqCGMode::GetSeenCount(int32_t setID) const
{
    if (setID < 0 || setID >= static_cast<int32_t>(m_SeenCount.size())) return 0;
    return m_SeenCount[static_cast<size_t>(setID)];
}

std::u16string SeqCGMode::GetPercentText() const
{
    const int32_t percent = m_TotalPictures > 0 ? static_cast<int32_t>(static_cast<int64_t>(m_SeenPictures) * 100 /
                                                                       m_TotalPictures)
                                                : 0;
    return GxFormatString(u"%3d", percent);
}

void SeqCGMode::OnSequenceEnter()
{
    m_Background->LoadImage(Folder(kGxFolderCgUi) + u"bg_cgmode.png", 0);
    const std::u16string sets = Folder(kGxFolderUiGis);
    GxNcImageSetPool::Add(sets + kPlateSetName);
    GxNcImageSetPool::Add(sets + kThumbnailSetName);
    m_PlateSet = GxNcImageSetPool::Find(sets + kPlateSetName);
    m_ThumbnailSet = GxNcImageSetPool::Find(sets + kThumbnailSetName);

    m_PageCount = 0;
    m_TotalPictures = 0;
    m_SeenPictures = 0;
    GxCountCGModeFiles();
    CountSeenPictures();
    m_CurrentPage = GetSelectedPage();
    ShowPage(m_CurrentPage);
    StartMusic();
}

void SeqCGMode::StartMusic()
{
    const GxSystemConfig* sc = Config();
    if (!sc || sc->m_BgmNameCgMode.empty()) {
        GxStopBGM(1000);
        return;
    }
    // Coming back from the viewer, the same music plays on undisturbed.
    GxPlayBGM(sc->m_AssetFolder[kGxFolderBgms] + sc->m_BgmNameCgMode, 0, 0, 0,
              static_cast<uint32_t>(sc->m_BgmLoopCgMode), true);
}

void SeqCGMode::OnSequenceLeave()
{
    GxSeqTransitBase::OnSequenceLeave();
    m_Background->Clear();
    const std::u16string sets = Folder(kGxFolderUiGis);
    if (m_PlateSet) GxNcImageSetPool::Release(sets + kPlateSetName);
    if (m_ThumbnailSet) GxNcImageSetPool::Release(sets + kThumbnailSetName);
    m_PlateSet = nullptr;
    m_ThumbnailSet = nullptr;
}

void SeqCGMode::CountSeenPictures()
{
    m_SeenCount.assign(kSetCount, 0);
    m_TotalPictures = 0;
    m_SeenPictures = 0;
    DBCGMode& table = GxGetDBCGMode();
    for (int32_t id = 0; id < kSetCount; ++id) {
        const DBCGModeData& row = *table.GetRow(id);
        if (row.FileName[0].empty()) continue;
        if (row.Group > m_PageCount) m_PageCount = row.Group;
        if (!m_ThumbnailSet || !m_ThumbnailSet->FindOriginImage(row.Thumbnail)) {
            GxPrintErrorLog(u"CGモードサムネイル %s (ID=%d)が見つかりません\n", row.Thumbnail, id);
        }
        // Count comes from the table file: it cannot take the walk past the row's pictures.
        const int32_t count = row.Count < DBCGModeData::kFileNameCount ? row.Count : DBCGModeData::kFileNameCount;
        for (int32_t j = 0; j < count; ++j) {
            if (row.FileName[j].empty()) continue;
            ++m_TotalPictures;
            if (IsShown(row.FileName[j])) {
                ++m_SeenCount[static_cast<size_t>(id)];
                ++m_SeenPictures;
            }
        }
    }
}

int32_t SeqCGMode::GetSelectedPage()
{
    for (GxTaskBase* t = m_UI->GetFirstChild(); t; t = t->GetNextSibling()) {
        if (!NameIs(t, u"btn_pageselect") || !t->IsKindOf(GxTaskKind::UI)) continue;
        auto* button = dynamic_cast<GxTaskUIBase*>(t);
        if (button && button->GetValueBool()) return t->GetTaskLocalIndex();
    }
    return 0;
}

void SeqCGMode::ShowPage(int32_t page)
{
    m_PageSets.clear();
    DBCGMode& table = GxGetDBCGMode();
    for (int32_t id = 0; id < kSetCount; ++id) {
        const DBCGModeData& row = *table.GetRow(id);
        if (row.Group == page && row.Count != 0) m_PageSets.push_back(id);
    }
    for (int32_t i = 0; i < kSlotCount; ++i) {
        GxTaskUIBase* slot = FindWidget(u"btn_cgselect", i);
        if (!slot) continue;
        if (i < static_cast<int32_t>(m_PageSets.size())) {
            const int32_t id = m_PageSets[static_cast<size_t>(i)];
            slot->Show();
            slot->SetValueInt(id);
            slot->SetEnabled(GetSeenCount(id) >= 1);
        } else {
            slot->Hide();
            slot->SetValueInt(0);
        }
    }
}

void SeqCGMode::SelectPageButton(int32_t page)
{
    GxTaskBase* button = m_UI->FindTaskLocal(u"btn_pageselect", page);
    if (auto* radio = dynamic_cast<GxTaskUIRadioButtonIs*>(button)) radio->Select();
}

int SeqCGMode::Update(int32_t step, int64_t elapsed)
{
    IncUpdateCount();  // the clock of the thumbnails' pulse
    return GxSeqTransitBase::Update(step, elapsed);
}

int SeqCGMode::Render(int32_t step, int64_t elapsed)
{
    GxSeqTransitBase::Render(step, elapsed);
    // Once more above the widgets, for the overlay.
    RegisterRenderLayer(GxRenderLayer::Main, GxRenderOrder::Ascending, 10000.0f, 2);
    return 0;
}

int SeqCGMode::Draw(int32_t param, int32_t layer)
{
    switch (param) {
    case 0: {
        const GxSystemConfig* sc = Config();
        GxGetSeqServices().Clear(GXCLEAR_TARGET | GXCLEAR_ZBUFFER | GXCLEAR_STENCIL,
                                 sc ? sc->m_TransitionFillColor : 0xFF000000u, 1.0f, 0);
        break;
    }
    case 1: DrawTransit(); break;
    case 2: DrawOverlay(); break;
    default: break;
    }
    (void)layer;
    return 0;
}

void SeqCGMode::DrawOverlay()
{
    GxSeqServices& s = GxGetSeqServices();
    s.BeginScene();
    s.SetDefaultRenderState();
    const GxVector2 scale(1.0f, 1.0f);
    const GxVector3 rotation;
    const GxVector2 pivot(0.0f, 0.0f);
    if (GxFontData* font = GxGetFontData(kFontNum22)) {
        GxGraphics::DrawTextFontData(font, GetPercentText(), 868.0f, 56.0f, scale, rotation, pivot, 0xFFFFFFFFu, 0,
                                     kBlendAlpha);
    }
    const GxFColor white(1.0f, 1.0f, 1.0f, 1.0f);
    DBCGMode& table = GxGetDBCGMode();
    for (int32_t i = 0; i < kSlotCount; ++i) {
        GxTaskUIBase* slot = FindWidget(u"btn_cgselect", i);
        if (!slot || !slot->IsVisible()) continue;
        const GxVector3 p = slot->GetPos();
        const int32_t id = slot->GetValueInt();
        if (id < 0 || id >= kSetCount) continue;
        const DBCGModeData& row = *table.GetRow(id);
        GxMatrix m;
        m.SetTranslation(p.x, p.y, 0.0f);
        const int32_t seen = GetSeenCount(id);
        if (seen >= 1) {
            GxFColor specular(0.0f, 0.0f, 0.0f, 0.0f);
            if (slot->GetHoverCount() != 0) {
                const float v = static_cast<float>(std::fabs(std::sin(GetUpdateCount() / 30.0)) * 0.25);
                specular = GxFColor(v, v, v, 1.0f);
            }
            const GxNcOriginImage* image = m_ThumbnailSet ? m_ThumbnailSet->FindOriginImage(row.Thumbnail) : nullptr;
            GxDrawCrammedPattern(image, 0, m, white, specular, kBlendAlpha);
        } else {
            const GxNcOriginImage* plate = m_PlateSet ? m_PlateSet->FindOriginImage(u"tip_cgplate.png") : nullptr;
            GxDrawCrammedPattern(plate, 0, m, white, GxFColor(0.0f, 0.0f, 0.0f, 0.0f), kBlendAlpha);
        }
        if (row.Count > 0) {
            const std::u16string text = GxFormatString(u"%d/%d", seen, row.Count);
            if (GxFontData* font = GxGetFontData(kFontNum8)) {
                const float x = p.x + static_cast<float>(slot->GetWidth()) - 8.0f * static_cast<float>(text.size());
                const float y = p.y + static_cast<float>(slot->GetHeight()) + 1.0f;
                GxGraphics::DrawTextFontData(font, text, x, y, scale, rotation, pivot, 0xFFFFFFFFu, 0, kBlendAlpha);
            }
        }
    }
    s.EndScene();
}

int SeqCGMode::OnMouseWheel(const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState)
{
    (void)pt; (void)keyState;
    // Whole notches only, and one page per wheel event however far it turned.
    const int32_t notches = wheelDelta / 120;
    GxTaskUIBase* prev = FindWidget(u"btn_prev", 0);
    if (!prev || !IsUIInputEnabled(prev)) return 0;
    if (notches > 0) {
        prev->RaiseUIEvent(GxUIEventType::LeftDown);
    } else if (notches < 0) {
        if (GxTaskUIBase* next = FindWidget(u"btn_next", 0)) next->RaiseUIEvent(GxUIEventType::LeftDown);
    }
    return 0;
}

int SeqCGMode::OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)pt; (void)keyState; (void)doubleClick;
    GxTaskUIBase* back = FindWidget(u"btn_back", 0);
    if (back && IsUIInputEnabled(back)) back->RaiseUIEvent(GxUIEventType::LeftDown);
    return 0;
}

int SeqCGMode::OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    if (GxSeqTransitBase::OnUIEventLeftDown(sender, param) != 0) return 0;
    if (!sender) return 0;
    if (sender->IsKindOf(GxTaskKind::Button)) GxPlaySystemSound(0);
    GxTaskManage* tm = GetManager();
    if (NameIs(sender, u"btn_back")) {
        GxTaskBase* title = tm ? tm->FindTaskByName(u"SeqTitle") : nullptr;
        if (title) tm->ChangeSequence(title, 0);
        else GxPrintErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", u"SeqTitle");
        ClearUIEvents();
        return 1;
    }
    if (NameIs(sender, u"btn_pageselect")) {
        m_CurrentPage = GetSelectedPage();
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
    if (NameIs(sender, u"btn_cgselect")) {
        if (tm) tm->ChangeSequenceByName(u"SeqCGModeView", sender->GetValueInt());
        return 1;
    }
    return 0;
}
