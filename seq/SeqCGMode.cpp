#include "seq/SeqCGMode.h"

#include "app/GxCore.h"
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
#include "graphics/GxRenderState.h"
#include "layer/GxNcImageSet.h"
#include "ui/GxTaskUIBase.h"

namespace {

constexpr const char16_t* kThumbnailSetName = u"th_cgmode.gis";
constexpr int32_t kFontNum8 = 1;   // "FONT8NUM"

bool IsShown(std::u16string_view picture)
{
    GxCore* core = GxGetCore();
    const GxUserDataPerman* perman = core ? core->GetUserDataPerman() : nullptr;
    return perman && perman->m_ShowedCGFlags.find(picture) != perman->m_ShowedCGFlags.end();
}

}  // namespace

SeqCGMode::SeqCGMode(GxTaskBase* parent) : SeqPlateRoom(u"SeqCGMode", parent, u"btn_cgselect", kSlotCount, 10000.0f)
{
}

SeqCGMode::~SeqCGMode() = default;

GxTaskBase* SeqCGMode::Create(GxTaskBase* parent) { return new SeqCGMode(parent); }

int32_t SeqCGMode::GetSeenCount(int32_t setID) const
{
    if (setID < 0 || setID >= static_cast<int32_t>(m_SeenCount.size())) return 0;
    return m_SeenCount[static_cast<size_t>(setID)];
}

std::u16string SeqCGMode::GetPercentText() const
{
    return SeqPercentText(m_SeenPictures, m_TotalPictures);
}

void SeqCGMode::OnSequenceEnter()
{
    LoadImages(u"bg_cgmode.png", kThumbnailSetName);

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
    const GxSystemConfig& sc = SeqSystemConfig();
    // Coming back from the viewer, the same music plays on undisturbed.
    SeqPlayScreenMusic(sc.m_BgmNameCgMode, sc.m_BgmLoopCgMode);
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

void SeqCGMode::ShowPage(int32_t page)
{
    m_PageSets.clear();
    DBCGMode& table = GxGetDBCGMode();
    for (int32_t id = 0; id < kSetCount; ++id) {
        const DBCGModeData& row = *table.GetRow(id);
        if (row.Group == page && row.Count != 0) m_PageSets.push_back(id);
    }
    FillPlates(m_PageSets, [this](int32_t id) { return GetSeenCount(id) >= 1; });
}

int SeqCGMode::Draw(int32_t param, int32_t layer)
{
    if (param != 0) return SeqPlateRoom::Draw(param, layer);
    GxGetSeqServices().Clear(GXCLEAR_TARGET | GXCLEAR_ZBUFFER | GXCLEAR_STENCIL,
                             SeqSystemConfig().m_TransitionFillColor, 1.0f, 0);
    return 0;
}

void SeqCGMode::DrawOverlay()
{
    DrawShare(GetPercentText());
    DBCGMode& table = GxGetDBCGMode();
    ForEachShownPlate([&](GxTaskUIBase* slot, int32_t id) {
        if (id < 0 || id >= kSetCount) return;
        const DBCGModeData& row = *table.GetRow(id);
        const int32_t seen = GetSeenCount(id);
        DrawPlate(slot, row.Thumbnail, u"tip_cgplate.png", seen >= 1);
        if (row.Count <= 0) return;
        const std::u16string text = GxFormatString(u"%d/%d", seen, row.Count);
        if (GxFontData* font = GxGetFontData(kFontNum8)) {
            const GxVector3 p = slot->GetPos();
            const float x = p.x + static_cast<float>(slot->GetWidth()) - 8.0f * static_cast<float>(text.size());
            const float y = p.y + static_cast<float>(slot->GetHeight()) + 1.0f;
            GxGraphics::DrawTextFontData(font, text, x, y, GxVector2(1.0f, 1.0f), GxVector3(), GxVector2(0.0f, 0.0f),
                                         0xFFFFFFFFu, 0, BLENDMODE_ALPHA);
        }
    });
}

int SeqCGMode::OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    if (GxSeqTransitBase::OnUIEventLeftDown(sender, param) != 0) return 0;
    if (!sender) return 0;
    if (sender->IsKindOf(GxTaskKind::Button)) GxPlaySystemSound(0);
    GxTaskManage* tm = GetManager();
    if (SeqNameIs(sender, u"btn_back")) {
        GxTaskBase* title = tm ? tm->FindTaskByName(u"SeqTitle") : nullptr;
        if (title) tm->ChangeSequence(title, 0);
        else GxPrintErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", u"SeqTitle");
        ClearUIEvents();
        return 1;
    }
    if (SeqNameIs(sender, u"btn_pageselect")) {
        m_CurrentPage = GetSelectedPage();
        ShowPage(m_CurrentPage);
        return 1;
    }
    if (TurnPage(sender, [this](int32_t page) { ShowPage(page); })) return 1;
    if (SeqNameIs(sender, u"btn_cgselect")) {
        if (tm) tm->ChangeSequenceByName(u"SeqCGModeView", sender->GetValueInt());
        return 1;
    }
    return 0;
}
