#include "seq/SeqSaveLoad.h"

#include "app/GxCore.h"
#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFile.h"
#include "core/GxFormat.h"
#include "core/GxLog.h"
#include "game/GxGameFunctions.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxTexture.h"
#include "layer/GxNcFactory.h"
#include "layer/GxTaskLayer.h"
#include "seq/SeqSystem.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUIButton.h"
#include "seq/SeqScreenCommon.h"

namespace {

constexpr const char16_t* kImageSetName = u"ui_saveload.gis";
constexpr int32_t kPlateFont = 1;  // "FONTSIZE_1"
constexpr GxColor kWhite = 0xFFFFFFFFu;

GxUserConfig* UserConfig()
{
    GxCore* core = GxGetCore();
    return core ? core->GetUserConfig() : nullptr;
}

bool IsNamed(const GxTaskBase* task, std::u16string_view name, int32_t index)
{
    if (!task) return false;
    if (task->GetTaskLocalName() == name && task->GetTaskLocalIndex() == index) return true;
    // A widget made with index -1 carries its name as the task name.
    return index == 0 && task->GetTaskName() == name;
}

bool FromUserDialog(const GxTaskUIBase* sender)
{
    return sender && sender->GetParent() && sender->GetParent()->GetTaskName() == u"dlg_user";
}

}  // namespace

SeqSaveLoadBase::SeqSaveLoadBase(const Texts& texts, GxTaskBase* parent)
    : GxSeqTransitBase(texts.name, parent), m_Texts(texts)
{
    SetUIEventEnabled(true);
    const SeqScreenTree tree = SeqBuildScreenTree(this, texts.name);
    m_UI = tree.ui;
    m_Background = tree.background;
}

SeqSaveLoadBase::~SeqSaveLoadBase() = default;

GxCore* SeqSaveLoadBase::Core() { return GxGetCore(); }

GxTaskUIBase* SeqSaveLoadBase::FindWidget(std::u16string_view localName, int32_t index)
{
    for (GxTaskBase* t = m_UI->GetFirstChild(); t; t = t->GetNextSibling()) {
        if (IsNamed(t, localName, index) && t->IsKindOf(GxTaskKind::UI)) return dynamic_cast<GxTaskUIBase*>(t);
    }
    return nullptr;
}

GxVector3 SeqSaveLoadBase::PlatePosition(int32_t plate)
{
    return GxVector3(static_cast<float>(plate / 4 * 484 + 52), static_cast<float>(plate % 4 * 131 + 150), 0.0f);
}

GxVector3 SeqSaveLoadBase::NewMarkPosition(int32_t plate)
{
    return GxVector3(static_cast<float>(plate / 4 * 484 + 446), static_cast<float>(plate % 4 * 131 + 151), 0.0f);
}

std::u16string SeqSaveLoadBase::GameDataPath(int32_t slot)
{
    GxCore* core = Core();
    return (core ? core->GetSaveFolder() : std::u16string()) + GxFormatString(u"gamedata%03d.gd", slot);
}

std::u16string SeqSaveLoadBase::ThumbnailPath(int32_t slot)
{
    GxCore* core = Core();
    return (core ? core->GetSaveFolder() : std::u16string()) + GxFormatString(u"thumb%03d.png", slot);
}

std::u16string SeqSaveLoadBase::PlateLine1(const GxGameDataHeader& header, int32_t slot)
{
    if (!header.valid) return GxFormatString(u"データがありません    No.%03d", slot);
    return GxFormatString(u"%s    No.%03d", header.m_SaveTime, slot);
}

std::u16string SeqSaveLoadBase::PlateLine2(const GxGameDataHeader& header)
{
    return header.valid ? header.m_GameDataTitle : std::u16string();
}

int32_t SeqSaveLoadBase::GetPlateSlot(int32_t plate) const
{
    const GxUserConfig* uc = UserConfig();
    const int32_t page = uc ? uc->m_GameDataPage : 0;
    return page * kPlateCount + Clamp(plate) + 1;
}

void SeqSaveLoadBase::OnSequenceEnter()
{
    const GxSystemConfig& sc = SeqSystemConfig();
    m_Background->LoadImage(sc.m_AssetFolder[kGxFolderCgUi] + m_Texts.background, 0);
    m_ImageSetAdded = GxNcImageSetPool::Add(sc.m_AssetFolder[kGxFolderUiGis] + kImageSetName);
    m_PendingSlot = -1;
    RefreshPlates();
}

void SeqSaveLoadBase::OnSequenceLeave()
{
    GxSeqTransitBase::OnSequenceLeave();
    m_Background->Clear();
    if (m_ImageSetAdded) GxNcImageSetPool::Release(SeqSystemConfig().m_AssetFolder[kGxFolderUiGis] + kImageSetName);
    m_ImageSetAdded = false;
}

void SeqSaveLoadBase::RefreshPlates()
{
    GxUserConfig* uc = UserConfig();
    // The page comes from "userconf.dat": a damaged value must not address slots beyond 80.
    if (uc && (uc->m_GameDataPage < 0 || uc->m_GameDataPage >= kPageCount)) uc->m_GameDataPage = 0;
    const int32_t page = uc ? uc->m_GameDataPage : 0;
    for (int32_t k = 1; k <= kPageCount; ++k) {
        if (GxTaskUIBase* b = FindWidget(GxFormatString(u"b%02d", k), 0)) b->SetValueBool(k - 1 == page);
    }
    for (int32_t i = 0; i < kPlateCount; ++i) {
        m_Thumbnails[i].reset();
        m_Headers[i] = GxGameDataHeader();
    }
    for (int32_t i = 0; i < kPlateCount; ++i) {
        const int32_t slot = page * kPlateCount + i + 1;
        GxTaskUIBase* plate = FindWidget(u"btn_fileplate", i);
        if (plate && m_DisableEmptyPlates) plate->SetEnabled(false);
        const std::u16string data = GameDataPath(slot);
        // A file whose header does not read shows as no data, and like an empty slot it
        // offers nothing to load and no picture.
        if (!GxDiskFileExists(data) || !GxUserData::LoadGameDataHeader(data, m_Headers[i]) || !m_Headers[i].valid) continue;
        if (plate && m_DisableEmptyPlates) plate->SetEnabled(true);
        const std::u16string thumb = ThumbnailPath(slot);
        if (GxDiskFileExists(thumb)) {
            auto texture = std::make_unique<GxTexture>();
            if (texture->CreateFromFile(thumb, GXFMT_UNKNOWN, 1, 0, false)) m_Thumbnails[i] = std::move(texture);
        }
    }
    GxTaskUIBase* mark = FindWidget(u"tip_new", 0);
    if (!mark) return;
    const int32_t last = uc ? uc->m_LastGameDataFileNum : 0;
    if (last >= 1 && last <= kSlotCount && (last - 1) / kPlateCount == page &&
        m_Headers[(last - 1) % kPlateCount].valid) {
        mark->SetPos(NewMarkPosition((last - 1) % kPlateCount));
        mark->Show();
    } else {
        mark->Hide();
    }
}

int SeqSaveLoadBase::Render(int32_t step, int64_t elapsed)
{
    GxSeqTransitBase::Render(step, elapsed);
    // Above the widgets: the plates' pictures lie under the thumbnails and texts.
    RegisterRenderLayer(GxRenderLayer::Main, GxRenderOrder::Ascending, 10000.0f, 2);
    return 0;
}

int SeqSaveLoadBase::Draw(int32_t param, int32_t layer)
{
    switch (param) {
    case 0:
        GxGetSeqServices().Clear(GXCLEAR_TARGET | GXCLEAR_ZBUFFER | GXCLEAR_STENCIL, SeqSystemConfig().m_TransitionFillColor,
                                 1.0f, 0);
        break;
    case 1: DrawTransit(); break;
    case 2: DrawPlates(); break;
    default: break;
    }
    (void)layer;
    return 0;
}

void SeqSaveLoadBase::DrawPlates()
{
    GxSeqServices& s = GxGetSeqServices();
    s.BeginScene();
    s.SetDefaultRenderState();
    const GxSystemConfig& sc = SeqSystemConfig();
    const GxVector2 one(1.0f, 1.0f);
    const GxVector3 rotation;
    const GxVector2 pivot(0.0f, 0.0f);
    GxGDIFontMap* font = GxGetGDIFontMap(kPlateFont);
    for (int32_t i = 0; i < kPlateCount; ++i) {
        const GxVector3 p = PlatePosition(i);
        // The picture was captured at one eighth of the screen: it is drawn as it is.
        if (GxTexture* t = m_Thumbnails[i].get()) {
            const float w = static_cast<float>(t->GetImageWidth()), h = static_cast<float>(t->GetImageHeight());
            GxGraphics::DrawTexture(t, p.x, p.y, GxFRect(0.0f, 0.0f, w, h), one, rotation, pivot,
                                    GxVector2(0.0f, 0.0f), kWhite, 0, BLENDMODE_ALPHA);
        }
        if (!font) continue;
        const std::u16string lines[2] = {PlateLine1(m_Headers[i], GetPlateSlot(i)), PlateLine2(m_Headers[i])};
        for (int32_t n = 0; n < 2; ++n) {
            const float x = p.x + 152.0f, y = p.y + (n == 0 ? 4.0f : 34.0f);
            GxGraphics::DrawTextGDIFontMap(font, lines[n], x + 2.0f, y + 2.0f, one, sc.m_SystemShadowColor, 0,
                                           BLENDMODE_ALPHA);
            GxGraphics::DrawTextGDIFontMap(font, lines[n], x, y, one, kWhite, 0, BLENDMODE_ALPHA);
        }
    }
    s.EndScene();
}

int SeqSaveLoadBase::OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)pt; (void)keyState; (void)doubleClick;
    SeqPressButton(this, FindWidget(u"btn_back", 0));
    return 0;
}

void SeqSaveLoadBase::PlayPushSound(GxTaskUIBase* sender)
{
    if (dynamic_cast<GxTaskUIButtonIs*>(sender)) GxPlaySystemSound(0);
}

bool SeqSaveLoadBase::OnPageButton(GxTaskUIBase* sender)
{
    GxUserConfig* uc = UserConfig();
    for (int32_t k = 1; k <= kPageCount; ++k) {
        if (!IsNamed(sender, GxFormatString(u"b%02d", k), 0) || sender->GetParent() != m_UI) continue;
        if (uc) uc->m_GameDataPage = k - 1;
        RefreshPlates();
        return true;
    }
    return false;
}

bool SeqSaveLoadBase::OnPlate(GxTaskUIBase* sender)
{
    if (!sender || sender->GetTaskLocalName() != u"btn_fileplate" || sender->GetParent() != m_UI) return false;
    if (SeqSystem::IsUserDialogOpen(this)) return true;
    const int32_t plate = sender->GetTaskLocalIndex();
    if (plate < 0 || plate >= kPlateCount) return true;
    SeqSystem::OpenUserDialog(this, m_Texts.confirmKey, m_Texts.confirmText, SeqSystem::kDialogYesNo);
    m_PendingSlot = GetPlateSlot(plate);
    return true;
}

int32_t SeqSaveLoadBase::TakeConfirmation(GxTaskUIBase* sender, bool* taken)
{
    *taken = false;
    if (!FromUserDialog(sender) || SeqSystem::GetUserDialogKey() != m_Texts.confirmKey) return 0;
    const std::u16string& name = sender->GetTaskLocalName();
    if (name != u"btn_dlguser_yes" && name != u"btn_dlguser_no") return 0;
    *taken = true;
    SeqSystem::CloseUserDialog(this, true);
    const int32_t slot = m_PendingSlot;
    m_PendingSlot = -1;
    return name == u"btn_dlguser_yes" && slot >= 1 && slot <= kSlotCount ? slot : 0;
}

bool SeqSaveLoadBase::OnBackButton(GxTaskUIBase* sender)
{
    if (!IsNamed(sender, u"btn_back", 0)) return false;
    GxTaskManage* tm = GetManager();
    if (tm && tm->GetPreviousSequence()) tm->ChangeSequenceByNameStr(tm->GetPreviousSequenceName());
    ClearUIEvents();
    return true;
}
