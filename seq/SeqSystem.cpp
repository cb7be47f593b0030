#include "seq/SeqSystem.h"

#include <algorithm>
#include <typeinfo>

#include "app/DBUIModule.h"
#include "app/GxCore.h"
#include "app/GxDebugConsole.h"
#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFormat.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "game/GxGameFunctions.h"
#include "game/GxGameStartup.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "media/GxSound.h"
#include "moa/GxMoaBuiltinDefault.h"
#include "moa/GxMoaEditorLaunch.h"
#include "moa/GxMoaScriptHost.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUITipHelp.h"

namespace {

constexpr int32_t kSoundOpen = 2;
constexpr int32_t kSoundClose = 3;
constexpr int32_t kSilent = -9600;
constexpr int32_t kDuckStep = 4;

constexpr GxWParam kKeyEscape = 0x1B;
constexpr GxWParam kKeyF1 = 0x70;
constexpr GxWParam kKeyF2 = 0x71;
constexpr GxWParam kKeyF8 = 0x77;
constexpr GxWParam kKeyF11 = 0x7A;

GxTaskManage* ManagerOf(GxTaskBase* anyTask) { return anyTask ? anyTask->GetManager() : nullptr; }

GxTaskBase* FindTask(GxTaskBase* anyTask, const char16_t* name)
{
    GxTaskManage* manager = ManagerOf(anyTask);
    return manager ? manager->FindTaskByName(name) : nullptr;
}

GxTaskUIBase* AsWidget(GxTaskBase* task)
{
    return task && task->IsKindOf(GxTaskKind::UI) ? dynamic_cast<GxTaskUIBase*>(task) : nullptr;
}

// The dialog's child widget of that local name and index.
GxTaskUIBase* FindButton(GxTaskBase* dialog, const char16_t* localName, int32_t index)
{
    if (!dialog) return nullptr;
    for (GxTaskBase* child = dialog->GetFirstChild(); child; child = child->GetNextSibling()) {
        if (child->GetTaskLocalName() == localName && child->GetTaskLocalIndex() == index) return AsWidget(child);
    }
    return nullptr;
}

// Every widget of the dialog (itself included) forgets a press or hover from its last opening.
void ResetEventStates(GxTaskBase* dialog)
{
    if (GxTaskUIBase* w = AsWidget(dialog)) w->ResetEventState();
    if (!dialog) return;
    for (GxTaskBase* child = dialog->GetFirstChild(); child; child = child->GetNextSibling()) {
        if (GxTaskUIBase* w = AsWidget(child)) w->ResetEventState();
    }
}

void CloseDialog(GxTaskBase* anyTask, const char16_t* name, bool playSound)
{
    if (GxTaskBase* dialog = FindTask(anyTask, name)) dialog->Pause();
    if (playSound) GxPlaySystemSound(kSoundClose);
    if (g_SystemDialogCount > 0) --g_SystemDialogCount;
}

bool IsOpen(GxTaskBase* anyTask, const char16_t* name)
{
    GxTaskBase* dialog = FindTask(anyTask, name);
    return dialog && dialog->IsActive();
}

void SetButtonShown(GxTaskUIBase* button, bool shown)
{
    if (!button) return;
    if (shown) button->Show();
    else button->Hide();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction

SeqSystem::SeqSystem(GxTaskBase* parent) : GxSeqBase(u"SeqSystem", parent) { BuildWidgets(); }

SeqSystem::~SeqSystem() = default;

GxTaskBase* SeqSystem::Create(GxTaskBase* parent) { return new SeqSystem(parent); }

int32_t SeqSystem::PairLeftX(int32_t dialogWidth, int32_t buttonWidth)
{
    return (dialogWidth - (2 * buttonWidth + kButtonGap)) / 2;
}

int32_t SeqSystem::LoneX(int32_t dialogWidth, int32_t buttonWidth) { return (dialogWidth - buttonWidth) / 2; }

int32_t SeqSystem::ButtonY(int32_t dialogHeight, int32_t buttonHeight)
{
    return dialogHeight - kButtonBottom - buttonHeight;
}

void SeqSystem::BuildWidgets()
{
    enum class Place { PairLeft, PairRight, Lone };
    auto makeDialog = [this](const char16_t* name, float z, const char16_t* text) -> GxTaskUIBase* {
        const DBUIModuleData* module = GxFindUIModuleData(name);  // logs a missing module
        GxTaskUIBase* dialog = module ? CreateUIFromModule(this, *module, name, -1) : nullptr;
        if (!dialog) return nullptr;
        dialog->SetOrderZ(z);
        dialog->SetModalFlag(true);
        dialog->SetText(text);
        dialog->CenterInParentX(0);
        dialog->CenterInParentY(-120);
        dialog->LoadImages();
        return dialog;
    };
    auto makeButton = [this](GxTaskUIBase* dialog, const char16_t* moduleName, const char16_t* name, int32_t index,
                             float z, Place place, bool hidden) {
        if (!dialog) return;
        const DBUIModuleData* module = GxFindUIModuleData(moduleName);
        GxTaskUIBase* button = module ? CreateUIFromModule(dialog, *module, name, index) : nullptr;
        if (!button) return;
        button->SetOrderZ(z);
        const int32_t w = button->GetWidth();
        const int32_t left = PairLeftX(dialog->GetWidth(), w);
        const int32_t x = place == Place::PairLeft ? left : place == Place::PairRight ? left + w + kButtonGap
                                                                                       : LoneX(dialog->GetWidth(), w);
        button->SetPos(GxVector3(static_cast<float>(x),
                                 static_cast<float>(ButtonY(dialog->GetHeight(), button->GetHeight())), 0.0f));
        button->LoadImages();
        if (hidden) button->Hide();
    };

    GxTaskUIBase* shutdown = makeDialog(u"dlg_shutdown", 19000.0f, u"ゲームを終了しますか？");
    if (shutdown) shutdown->SetTopMostFlag(true);
    makeButton(shutdown, u"btn_yes", u"btn_dlgshutdown_yes", 0, 19001.0f, Place::PairLeft, false);
    makeButton(shutdown, u"btn_no", u"btn_dlgshutdown_no", 0, 19001.0f, Place::PairRight, false);
    if (shutdown) shutdown->Pause();

    GxTaskUIBase* user = makeDialog(u"dlg_user", 18000.0f, u"ユーザーダイアログ");
    makeButton(user, u"btn_yes", u"btn_dlguser_yes", 0, 18001.0f, Place::PairLeft, true);
    makeButton(user, u"btn_no", u"btn_dlguser_no", 0, 18001.0f, Place::PairRight, true);
    makeButton(user, u"btn_ok", u"btn_dlguser_ok", 0, 18001.0f, Place::PairLeft, true);
    makeButton(user, u"btn_cancel", u"btn_dlguser_cancel", 0, 18001.0f, Place::PairRight, true);
    makeButton(user, u"btn_ok", u"btn_dlguser_ok", 1, 18001.0f, Place::Lone, true);
    if (user) user->Pause();

    if (const DBUIModuleData* module = GxFindUIModuleData(u"tip_help")) {
        if (GxTaskUIBase* tip = CreateUIFromModule(this, *module, u"tip_help", -1)) {
            tip->SetOrderZ(17000.0f);
            tip->LoadImages();
            tip->Pause();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Dialogs

void SeqSystem::OpenUserDialog(GxTaskBase* anyTask, const std::u16string& key, const std::u16string& text, int32_t kind)
{
    GxTaskUIBase* dialog = AsWidget(FindTask(anyTask, u"dlg_user"));
    // Without the dialog nothing could close it again: the count would lock the game.
    if (!dialog) {
        GxPrintErrorLog(u"SeqSystem::OpenUserDialog/ダイアログがありません(%s)\n", u"dlg_user");
        return;
    }
    SetUserDialogKey(key);
    ResetEventStates(dialog);
    ++g_SystemDialogCount;
    {
        dialog->SetModalPriority(kUserDialogPriority);
        dialog->SetText(text.c_str());
        dialog->Resume();
        const bool okCancel = kind == kDialogOkCancel;
        const bool yesNo = kind == kDialogYesNo;
        SetButtonShown(FindButton(dialog, u"btn_dlguser_ok", 0), okCancel);
        SetButtonShown(FindButton(dialog, u"btn_dlguser_cancel", 0), okCancel);
        SetButtonShown(FindButton(dialog, u"btn_dlguser_yes", 0), yesNo);
        SetButtonShown(FindButton(dialog, u"btn_dlguser_no", 0), yesNo);
        SetButtonShown(FindButton(dialog, u"btn_dlguser_ok", 1), !okCancel && !yesNo);
    }
    GxPlaySystemSound(kSoundOpen);
}

void SeqSystem::CloseUserDialog(GxTaskBase* anyTask, bool playSound) { CloseDialog(anyTask, u"dlg_user", playSound); }

void SeqSystem::CloseShutdownDialog(GxTaskBase* anyTask, bool playSound)
{
    CloseDialog(anyTask, u"dlg_shutdown", playSound);
}

bool SeqSystem::OpenShutdownDialog(GxTaskBase* anyTask)
{
    // The player must see the question even when the message window was hidden.
    g_MainScreenFlags.windowHidden = false;
    if (auto* system = dynamic_cast<SeqSystem*>(FindTask(anyTask, u"SeqSystem"))) system->m_ShutdownKey = u"EXITGAME";
    GxTaskUIBase* dialog = AsWidget(FindTask(anyTask, u"dlg_shutdown"));
    if (!dialog) {
        GxPrintErrorLog(u"SeqSystem::OpenShutdownDialog/ダイアログがありません(%s)\n", u"dlg_shutdown");
        return false;
    }
    ResetEventStates(dialog);
    ++g_SystemDialogCount;
    dialog->SetModalPriority(g_SystemDialogCount);
    dialog->Resume();
    GxPlaySystemSound(kSoundOpen);
    return true;
}

bool SeqSystem::IsUserDialogOpen(GxTaskBase* anyTask) { return IsOpen(anyTask, u"dlg_user"); }

bool SeqSystem::IsShutdownDialogOpen(GxTaskBase* anyTask) { return IsOpen(anyTask, u"dlg_shutdown"); }

void SeqSystem::ShowTipHelp(GxTaskBase* anyTask, const std::u16string& text, const GxVector3& pos)
{
    GxTaskUIBase* tip = AsWidget(FindTask(anyTask, u"tip_help"));
    // A dead tip is on its way out: resuming it would bring it back.
    if (!tip || tip->IsDead()) return;
    tip->Resume();
    tip->Show();
    tip->SetText(text.c_str());
    // The balloon places itself beside the pointer, kept on the screen; another widget under
    // that name just goes to the point.
    if (auto* balloon = dynamic_cast<GxTaskUITipHelpIs*>(tip)) balloon->ShowAt(pos);
    else tip->SetPos(pos);
}

void SeqSystem::InstallWidgetHooks() { GxSetUITipHelpHandler(&SeqSystem::ShowTipHelp); }

void SeqSystem::InstallDialogHooks()
{
    GxSystemDialogHooks hooks;
    hooks.closeShutdownDialog = &SeqSystem::CloseShutdownDialog;
    hooks.closeUserDialog = &SeqSystem::CloseUserDialog;
    hooks.openUserDialog = &SeqSystem::OpenUserDialog;
    hooks.setLastDialogResult = [](int32_t result) {
        GxCore* core = GxGetCore();
        if (core && core->GetUserData()) core->GetUserData()->m_LastDialogResult = result;
    };
    GxSetSystemDialogHooks(hooks);
}

// ---------------------------------------------------------------------------------------------
// Frame

int SeqSystem::Update(int32_t step, int64_t elapsed)
{
    (void)elapsed;
    if (step != 0) return 0;
    const bool voice = GxIsVoicePlaying();
    g_GxBgmRestrainPercent = voice ? std::max(g_GxBgmRestrainPercent - kDuckStep, 0)
                                   : std::min(g_GxBgmRestrainPercent + kDuckStep, 100);
    GxUpdateBGMVolume();
    if (GxSound::IsStreamPlaying(kGxSoundChannelBGV)) {
        GxCore* core = GxGetCore();
        const GxUserConfig* options = core ? core->GetUserConfig() : nullptr;
        GxSound::SetStreamVolume(kGxSoundChannelBGV, options ? options->GetBGVVolume(voice) : kSilent);
    }
    IncUpdateCount();
    return 0;
}

int SeqSystem::Render(int32_t step, int64_t elapsed)
{
    (void)step; (void)elapsed;
    RegisterRenderLayer(GxRenderLayer::Overlay, GxRenderOrder::Ascending, 0.0f, 0);
    return 0;
}

bool SeqSystem::ShouldDrawDebugOverlay(GxCore* core)
{
    const GxSystemConfig* sc = core ? core->GetSystemConfig() : nullptr;
    if (!sc) return false;
    if (sc->m_DebugConsoleFlag) return true;
    if (GxGetErrorCount() == 0) return false;
    return !sc->m_SkipSlightError || (g_MoaEx && g_MoaEx->IsErrorStop());
}

int SeqSystem::Draw(int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    GxSeqServices& s = GxGetSeqServices();
    s.BeginScene();
    s.SetDefaultRenderState();
    GxCore* core = GxGetCore();
    if (ShouldDrawDebugOverlay(core)) GxDrawDebugOverlay(core, &GxGetDebugConsole(), 0.0f, 0.0f);
    s.EndScene();
    return 0;
}

bool SeqSystem::AppendDrawKey(GxDrawKey& key, int32_t param, int32_t layer)
{
    (void)key; (void)param; (void)layer;
    return typeid(*this) == typeid(SeqSystem) && !ShouldDrawDebugOverlay(GxGetCore());
}

// ---------------------------------------------------------------------------------------------
// Window and keys

int SeqSystem::OnClose()
{
    // Without a quit dialog to ask, the window closes at once.
    if (IsShutdownDialogOpen(this)) return 0;
    return OpenShutdownDialog(this) ? 1 : 0;
}

int SeqSystem::OnKeyDown(GxWParam virtualKey, GxLParam lParam)
{
    (void)lParam;
    if (virtualKey == kKeyEscape) {
        if (g_MainScreenFlags.windowHidden) return 0;
        if (IsShutdownDialogOpen(this)) CloseShutdownDialog(this, true);
        else OpenShutdownDialog(this);
        return 1;
    }
    GxCore* core = GxGetCore();
    GxSystemConfig* sc = core ? core->GetSystemConfig() : nullptr;
    if (!sc || !sc->m_DebugModeFlag) return 0;
    switch (virtualKey) {
    case kKeyF1: DumpVariables(core, false); break;
    case kKeyF2: DumpVariables(core, true); break;
    case kKeyF8: sc->m_DebugConsoleFlag = !sc->m_DebugConsoleFlag; break;
    case kKeyF11: OpenEditorAtScript(); break;
    default: break;
    }
    return 0;
}

bool SeqSystem::DumpVariables(GxCore* core, bool externVariables)
{
    if (!core) return false;
    const std::u16string path = core->GetSaveFolder() + (externVariables ? u"vardump_extern.txt" : u"vardump.txt");
    GxTaskManage* tm = core->GetTaskManage();
    const std::u16string sequence = tm ? tm->GetCurrentSequenceName() : std::u16string();
    // The task manager keeps one parameter per sequence; the second is always 0.
    const int32_t param = tm ? tm->GetCurrentSequenceParam() : 0;
    std::u16string text = GxFormatString(u"Sequence:%s(%d,%d):%s\n", sequence, param, 0, GxGetNowString());
    if (externVariables) {
        if (g_MoaEx) GxMoaDumpProgram(*g_MoaEx, text, 0);
    } else if (g_MoaWorkerEx) {
        g_MoaWorkerEx->Dump(text, 0);
    }
    if (!GxMoaWriteDumpFile(path, text)) return false;
    if (externVariables) GxPrintDebugLog(u"%sに永続&広域変数をダンプしました\n", path);
    else GxPrintDebugLog(u"%sに通常変数をダンプしました\n", path);
    return true;
}

void SeqSystem::OpenEditorAtScript()
{
    if (!g_MoaWorkerEx || !g_MoaEx) return;
    const std::u16string script = g_MoaWorkerEx->GetScriptName(nullptr);
    if (script.empty()) return;
    GxCore* core = GxGetCore();
    const GxSystemConfig* sc = core ? core->GetSystemConfig() : nullptr;
    if (!sc) return;
    const std::u16string path = GxGetFullPath(sc->m_AssetFolder[kGxFolderScripts] + script);
    int32_t line = std::max(g_MoaWorkerEx->GetSourceLine(nullptr), 1);
    if (g_MoaEx->IsErrorStop()) ++line;
    // A template is split before it is expanded, so a path with blanks stays one argument.
    if (sc->m_TextEditorCommand.empty()) GxOpenInTextEditor(path, line);
    else GxExecuteTextEditorCommand(sc->m_TextEditorCommand, path, line);
}
