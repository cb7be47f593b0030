#include "seq/SeqConfig.h"

#include "app/GxCore.h"
#include "app/GxTaskControl.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "game/GxGameFunctions.h"
#include "game/GxGameStartup.h"
#include "game/GxKeptData.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "layer/GxNcFactory.h"
#include "layer/GxTaskLayer.h"
#include "seq/SeqSystem.h"
#include "ui/GxTaskUIBase.h"
#include "seq/SeqScreenCommon.h"

namespace {

constexpr const char16_t* kImageSetName = u"ui_config.gis";
constexpr const char16_t* kPageFolders[SeqConfig::kPageCount] = {
    u"$UI_SYSTEM:SeqConfig", u"$UI_SOUND:SeqConfig", u"$UI_VOICE:SeqConfig", u"$UI_GAME:SeqConfig"};
constexpr const char16_t* kTabButtons[SeqConfig::kPageCount] = {
    u"btn_tabconf_system", u"btn_tabconf_sound", u"btn_tabconf_voice", u"btn_tabconf_game"};
constexpr const char16_t* kBackgrounds[SeqConfig::kPageCount] = {
    u"bg_config_system.png", u"bg_config_sound.png", u"bg_config_voice.png", u"bg_config_game.png"};

constexpr const char16_t* kKeyReturnTitle = u"RETURNTITLE";
constexpr const char16_t* kKeyInitConfig = u"INITCONF";

std::u16string PictureFolder() { return SeqSystemConfig().m_AssetFolder[kGxFolderCgUi]; }

GxUserConfig* Options()
{
    GxCore* core = GxGetCore();
    return core ? core->GetUserConfig() : nullptr;
}

}  // namespace

SeqConfig::SeqConfig(GxTaskBase* parent) : GxSeqTransitBase(u"SeqConfig", parent)
{
    SetUIEventEnabled(true);
    auto* root = new GxTaskFolder(u"$ROOT:SeqConfig", nullptr, 0, this);
    m_UI = new GxTaskFolder(u"$UI:SeqConfig", nullptr, 0, root);
    for (int32_t p = 0; p < kPageCount; ++p) m_Pages[p] = new GxTaskFolder(kPageFolders[p], nullptr, 0, root);
    m_Background = new GxTaskLayer(u"$BGLAYER:SeqConfig", nullptr, 0, root);
    m_Background->SetOrderZ(-10.0f);
    GxTaskControl::CreateUIFromDBUILayout(this, u"$UI:SeqConfig");
    for (const char16_t* folder : kPageFolders) GxTaskControl::CreateUIFromDBUILayout(this, folder);
}

SeqConfig::~SeqConfig() = default;

GxTaskBase* SeqConfig::Create(GxTaskBase* parent) { return new SeqConfig(parent); }

GxTaskFolder* SeqConfig::GetPage(int32_t page) const
{
    return page >= 0 && page < kPageCount ? m_Pages[page] : nullptr;
}

GxTaskUIBase* SeqConfig::TabButton(int32_t page) const
{
    GxTaskBase* task = m_UI->GetTaskLocal(kTabButtons[page], 0);
    return task && task->IsKindOf(GxTaskKind::UI) ? dynamic_cast<GxTaskUIBase*>(task) : nullptr;
}

bool SeqConfig::IsTabOn(int32_t page) const
{
    const GxTaskUIBase* tab = TabButton(page);
    return tab && tab->GetValueBool();
}

void SeqConfig::SelectTabPage()
{
    int32_t selected = -1;
    for (int32_t p = 0; p < kPageCount && selected < 0; ++p) {
        if (IsTabOn(p)) selected = p;
    }
    if (selected < 0) return;
    m_SelectedPage = selected;
    m_Background->LoadImage(PictureFolder() + kBackgrounds[selected], 0);
    for (int32_t p = 0; p < kPageCount; ++p) {
        if (p == selected) m_Pages[p]->Resume();
        else m_Pages[p]->Pause();
    }
}

void SeqConfig::OnSequenceEnter()
{
    SelectTabPage();
    m_ImageSetHeld = GxNcImageSetPool::Add(GxUIImageSetFolder() + kImageSetName);
    ReadUserConfig();
}

void SeqConfig::OnSequenceLeave()
{
    GxSeqTransitBase::OnSequenceLeave();
    StoreGeneralOptions();
    StoreSoundVolumes();
    StoreVoiceVolumes();
    // Written at the frame's end when anything changed, so a crash does not lose it.
    GxGetKeptDataWriter().RequestOptionsWrite(GxGetCore());
    m_Background->Clear();
    if (m_ImageSetHeld) GxNcImageSetPool::Release(GxUIImageSetFolder() + kImageSetName);
    m_ImageSetHeld = false;
}

int SeqConfig::OnChangeScreenMode(int32_t fromMode, int32_t toMode)
{
    (void)fromMode; (void)toMode;
    ShowScreenMode();
    return 0;
}

int SeqConfig::OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
{
    (void)pt; (void)keyState; (void)doubleClick;
    GxTaskBase* task = m_UI->GetTaskLocal(u"btn_back", 0);
    SeqPressButton(this, task && task->IsKindOf(GxTaskKind::UI) ? dynamic_cast<GxTaskUIBase*>(task) : nullptr);
    return 0;
}

bool SeqConfig::ChangeMode(int32_t userMode)
{
    GxUserConfig* options = Options();
    const auto change = GxGetGameStartupServices().changeScreenMode;
    const bool changed = options && change && change(userMode == 1 ? kModeFullScreen : kModeWindow);
    if (changed) options->m_ScreenMode = userMode;
    // A refused change must not leave the buttons showing a mode the window does not have.
    ShowScreenMode();
    return changed;
}

void SeqConfig::StoreSelectedVolumes()
{
    if (IsTabOn(kPageSound)) StoreSoundVolumes();
    if (IsTabOn(kPageVoice)) StoreVoiceVolumes();
}

int SeqConfig::OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    if (GxSeqTransitBase::OnUIEventLeftDown(sender, param) != 0) return 0;
    if (!sender) return 0;
    if (sender->IsKindOf(GxTaskKind::Button)) GxPlaySystemSound(0);

    for (int32_t p = 0; p < kPageCount; ++p) {
        if (SeqNameIs(sender, kTabButtons[p])) {
            SelectTabPage();
            return 1;
        }
    }
    const GxUserConfig* options = Options();
    const int32_t mode = options ? options->m_ScreenMode : 0;
    if (SeqNameIs(sender, u"btn_window") && mode == 1) {
        if (ChangeMode(0)) return 1;
    } else if (SeqNameIs(sender, u"btn_fullscreen") && mode == 0) {
        if (ChangeMode(1)) return 1;
    }

    if (SeqNameIs(sender, u"btn_title") && !SeqSystem::IsUserDialogOpen(this)) {
        SeqSystem::OpenUserDialog(this, kKeyReturnTitle, u"タイトル画面に戻りますか？", SeqSystem::kDialogYesNo);
    }
    if (SeqSystem::GetUserDialogKey() == kKeyReturnTitle) {
        if (SeqNameIs(sender, u"btn_dlguser_yes")) {
            SeqSystem::CloseUserDialog(this, true);
            if (GxTaskManage* tm = GetManager()) tm->ChangeSequenceByName(u"SeqTitle", 0);
            return 1;
        }
        if (SeqNameIs(sender, u"btn_dlguser_no")) SeqSystem::CloseUserDialog(this, true);
    }
    if (SeqNameIs(sender, u"btn_init")) {
        if (!SeqSystem::IsUserDialogOpen(this)) {
            SeqSystem::OpenUserDialog(this, kKeyInitConfig, u"設定を初期化しますか？", SeqSystem::kDialogYesNo);
        }
        return 1;
    }
    if (SeqSystem::GetUserDialogKey() == kKeyInitConfig) {
        if (SeqNameIs(sender, u"btn_dlguser_yes")) {
            SeqSystem::CloseUserDialog(this, true);
            ResetUserConfig();
        } else if (SeqNameIs(sender, u"btn_dlguser_no")) {
            SeqSystem::CloseUserDialog(this, true);
        }
    }
    if (SeqNameIs(sender, u"btn_exit")) {
        GxTaskManage* tm = GetManager();
        GxTaskBase* system = tm ? tm->FindTaskByName(u"SeqSystem") : nullptr;
        if (system) system->OnClose();
        else GxPrintErrorLog(u"SeqConfig::OnUIEventLeftDown/システム画面がありません\n");
        return 1;
    }
    if (SeqNameIs(sender, u"btn_back")) {
        GxTaskManage* tm = GetManager();
        GxTaskBase* previous = tm ? tm->GetPreviousSequence() : nullptr;
        if (previous) tm->ChangeSequenceByNameStr(previous->GetTaskName());
        ClearUIEvents();
        return 1;
    }
    StoreSelectedVolumes();
    return 0;
}

int SeqConfig::OnUIEventValueChange(GxTaskUIBase* sender, GxUIEventParam* param)
{
    (void)sender; (void)param;
    StoreSelectedVolumes();
    return 0;
}
