// The main play screen's script-facing operations: the message and the speaker's name, the
// choices, the background change through a mask, the resets of windows and layers, the quick
// save and the thumbnail of a save.
#include <string>

#include "app/DBUILayout.h"
#include "app/DBUIModule.h"
#include "app/GxCore.h"
#include "app/GxTaskControl.h"
#include "app/task/GxTaskFolder.h"
#include "core/GxLog.h"
#include "game/DBRukoChar.h"
#include "game/GxGameLookup.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "layer/GxTaskLayer.h"
#include "media/GxMovie.h"
#include "moa/GxMoaScriptHost.h"
#include "platform/GxPresentRect.h"
#include "seq/SeqRukoMain.h"
#include "seq/SeqScreenCommon.h"
#include "ui/GxTaskUIMessageWindow.h"
#include "ui/GxTaskUITextWidgets.h"

namespace {

constexpr int32_t kScreenWidth = kGxLogicalScreenWidth;
constexpr float kChoiceSlide = 32.0f;
constexpr int32_t kChoiceFadeTime = 200;
constexpr int32_t kChoiceDelayStep = 50;
constexpr int32_t kPickedHoldTime = 400;
constexpr float kChoiceOrderZ = 16000.0f;

GxTaskUIBase* ChoiceButton(GxTaskFolder* select, int32_t index)
{
    return select ? dynamic_cast<GxTaskUIBase*>(select->FindTaskLocal(u"btn_select", index)) : nullptr;
}

// Actions dropped, position, scale, rotation, colour and the rest back to their defaults.
void ResetActor(GxTaskActor* actor)
{
    if (!actor) return;
    actor->ClearAction();
    actor->GetVisualParam().Reset();
}

void ResetLayer(GxTaskLayer* layer, float orderZ, bool show)
{
    if (!layer) return;
    ResetActor(layer);
    layer->Clear();
    layer->SetOrderZ(orderZ);
    if (show) layer->Show();
    else layer->Hide();
}

void ResetCover(GxTaskLayer* layer, float orderZ)
{
    if (!layer) return;
    layer->ClearAction();
    layer->SetOrderZ(orderZ);
    layer->SetAlpha(0);
    layer->Show();
}

// A window back to its module and layout rows, with its pictures reloaded.
void ReapplyWindow(GxTaskUIBase* window, const char16_t* module, const char16_t* taskName, int32_t opacity)
{
    if (!window) return;
    window->ClearAction();
    if (const DBUIModuleData* m = GxFindUIModuleData(module)) window->ApplyModule(*m);
    if (const DBUILayoutData* l = GxFindUILayoutData(taskName)) window->ApplyLayout(*l);
    window->LoadImages();
    window->SetImageAlpha(opacity);
}

// The window keeps a reveal wait across its own clear (a message set next inherits it). The
// screen's clears also end it: an empty window in a timed wait would hold the script back with
// nothing left to show. A click on an empty window only ends that wait.
void EmptyMessageWindow(GxTaskUIMessageWindowFx* window)
{
    if (!window) return;
    window->ClearMessage();
    window->ProcessClick();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Background transition

bool SeqRukoMain::CaptureScreen()
{
    GxGetSeqServices().RenderSceneToGlobalTexture();
    GxGetGlobalRenderTargets().renderTextures[0].TransferRenderTargetToMemory();
    return true;
}

bool SeqRukoMain::StartBGTransit(std::u16string_view backgroundFile, std::u16string_view maskFile, int32_t timeMs,
                                 bool clearStands)
{
    GetCaptureSurface(maskFile);
    m_BGTransit.Start(timeMs);
    if (clearStands && m_Stand && m_Stand->GetFirstChild()) GxTaskControl::ClearLayers(m_Stand->GetFirstChild(), 0);
    if (m_BGTransitLayer) m_BGTransitLayer->Show();
    if (m_BgLayer) m_BgLayer->LoadImage(backgroundFile, 0);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Message and name

void SeqRukoMain::SetMessage(std::u16string_view text, bool readBefore, bool ignoreKinsoku, bool noAutoNewline)
{
    if (GxUserData* data = UserData()) data->m_HideWindowByCommandFlag = false;
    if (m_MessageWindow) m_MessageWindow->SetMessage(std::u16string(text), true, readBefore, ignoreKinsoku, noAutoNewline);
}

void SeqRukoMain::ClearMessage()
{
    EmptyMessageWindow(m_MessageWindow);
    ClearName();
}

void SeqRukoMain::SetName(std::u16string_view name, int32_t mode)
{
    if (name.empty() || mode == 0) {
        ClearName();
        return;
    }
    if (mode < 1 || mode > 3) return;

    std::u16string picture;
    bool found = false;
    if (mode != 1) {
        const GxSystemConfig* sc = Core() ? Core()->GetSystemConfig() : nullptr;
        picture = (sc ? sc->m_AssetFolder[kGxFolderCgName] : GxSystemConfig().m_AssetFolder[kGxFolderCgName]) +
                  std::u16string(name);
        found = GxFindImageFile(picture);
    }
    if (mode == 2 && !found) {
        ClearName();
        return;
    }
    if (found) {
        if (m_NameWindow) {
            m_NameWindow->SetText(u"");
            m_NameWindow->Show();
        }
        if (m_NameImage) {
            m_NameImage->LoadTextureFile(picture, 0);
            m_NameImage->Show();
        }
        return;
    }
    // Mode 1, or mode 3 without a picture: the name as text.
    if (m_NameWindow) {
        m_NameWindow->SetText(std::u16string(name).c_str());
        m_NameWindow->Show();
    }
    if (m_NameImage) {
        m_NameImage->Clear();
        m_NameImage->Hide();
    }
}

void SeqRukoMain::ClearName()
{
    if (m_NameWindow) {
        m_NameWindow->SetText(u"");
        m_NameWindow->Hide();
    }
    if (m_NameImage) {
        m_NameImage->Clear();
        m_NameImage->Hide();
    }
}

// ---------------------------------------------------------------------------------------------
// Choices

void SeqRukoMain::StartSelect()
{
    GxUserData* data = UserData();
    if (!data) return;
    const std::vector<GxSelectMenuItem>& items = data->m_SelectItems;
    const int32_t n = static_cast<int32_t>(items.size());

    // Only items with a button count: a visible item without one would wait for a pick that
    // can never come.
    int32_t count = 0;
    for (int32_t i = 1; i < n; ++i) count += items[i].m_Visible && ChoiceButton(m_Select, i) ? 1 : 0;
    if (count == 0) {
        data->m_LastSelectNum = 0;
        return;
    }

    const GxSystemConfig defaults;
    const GxSystemConfig& sc = Core() && Core()->GetSystemConfig() ? *Core()->GetSystemConfig() : defaults;
    const GxUserConfig* options = UserConfig();
    const bool markPicked = options && options->m_ChangeColorSelectedMenu;
    const GxUserDataPerman* perman = Core() ? Core()->GetUserDataPerman() : nullptr;

    const GxTaskUIBase* first = ChoiceButton(m_Select, 1);
    const int32_t h = (first ? first->GetHeight() : 0) + 10;
    const float windowY = m_MessageWindow ? m_MessageWindow->GetPos().y : 0.0f;
    int32_t y = static_cast<int32_t>((windowY - static_cast<float>(count * h)) * 0.5f);
    int32_t delay = 0;
    for (int32_t i = 1; i < n; ++i) {
        GxTaskUIBase* button = ChoiceButton(m_Select, i);
        if (!button) continue;
        const GxSelectMenuItem& item = items[i];
        if (!item.m_Visible) {
            button->Hide();
            continue;
        }
        button->SetText(item.m_Text.c_str());
        button->SetEnabled(item.m_Enable);
        button->Show();
        const int32_t x = (kScreenWidth - button->GetWidth()) / 2 - 32;
        GxVector3 pos = button->GetPos();
        pos.x = static_cast<float>(x);
        pos.y = static_cast<float>(y);
        button->SetPos(pos);
        button->SetAlpha(0);
        button->AddActionWait(0, delay);
        button->AddActionWait(1, delay);
        button->AddActionFadeIn(kChoiceFadeTime);
        button->AddActionMoveBy(GxVector3(kChoiceSlide, 0.0f, 0.0f));
        if (auto* text = dynamic_cast<GxTaskUITextButtonIs*>(button)) {
            const bool pickedBefore = markPicked && perman && perman->GetSelectedMenuFlag(data->m_SelectHash, i);
            text->SetTextColor(pickedBefore ? sc.m_SelectTextColor1 : sc.m_SelectTextColor0);
        }
        y += h;
        delay += kChoiceDelayStep;
    }
    data->m_LastSelectNum = 0;
    data->m_IsSelecting = true;
}

void SeqRukoMain::SelectChoice(int32_t index)
{
    GxMainScreenFlags& f = g_MainScreenFlags;
    const GxUserConfig* options = UserConfig();
    if (!(options && options->m_KeepAutoModeAfterSelect)) {
        f.autoMode = false;
        ResetAutoButton();
    }
    if (!(options && options->m_KeepSkipModeAfterSelect)) {
        f.skipMode = false;
        ResetSkipButton();
    }

    for (GxTaskBase* t = m_Select ? m_Select->GetFirstChild() : nullptr; t; t = t->GetNextSibling()) {
        auto* button = dynamic_cast<GxTaskUIBase*>(t);
        if (!button || !button->IsVisible()) continue;
        if (button->GetTaskLocalIndex() == index) {
            button->AddActionWait(0, kPickedHoldTime);
            button->AddActionFadeOut(kChoiceFadeTime);
        } else {
            button->AddActionFadeOut(kChoiceFadeTime);
            button->AddActionMoveBy(GxVector3(kChoiceSlide, 0.0f, 0.0f));
        }
        button->AddActionHide();
    }

    GxUserData* data = UserData();
    if (!data) return;
    data->m_LastSelectNum = index;
    data->m_IsSelecting = false;
    if (GxUserDataPerman* perman = Core() ? Core()->GetUserDataPerman() : nullptr) {
        perman->SetSelectedMenuFlag(data->m_SelectHash, index);
    }

    const bool known = index >= 1 && index < static_cast<int32_t>(data->m_SelectItems.size());
    const GxSelectMenuItem item = known ? data->m_SelectItems[index] : GxSelectMenuItem();
    if (!item.m_Label.empty()) {
        GxMoaWorkerEx* worker = g_MoaWorkerEx;
        const bool ok = worker && (item.m_UseGosub ? worker->CallLabel(item.m_Label, nullptr)
                                                   : worker->JumpToLabel(item.m_Label, nullptr));
        if (!ok) {
            GxPrintErrorLog(u"選択肢[%d]番のラベル [%s] が見つかりません\n", index, item.m_Label);
            if (worker && worker->GetOwner()) worker->GetOwner()->SetErrorStop();
        }
    }
    data->ClearSelectMenu();
}

// ---------------------------------------------------------------------------------------------
// Resets

void SeqRukoMain::ResetVisuals()
{
    GxMovie::StopAll();

    if (m_Visual) {
        m_Visual->StopShake();
        ResetActor(m_Visual);
    }
    ResetLayer(m_BgLayer, -100.0f, true);
    ResetLayer(m_BgwLayer, -10.0f, false);
    ResetLayer(m_MovieLayer, -20.0f, true);
    ResetCover(m_GlobalFlash, 10000.0f);
    ResetCover(m_GlobalFade, 10001.0f);
    EndBGTransit();

    const DBRukoChar& table = GxGetDBRukoChar();
    for (int32_t id = 0; m_Stand && id < table.GetRowCapacity(); ++id) {
        const std::u16string& name = table.GetRow(id)->CharName;
        if (name.empty()) continue;
        if (auto* layer = dynamic_cast<GxTaskLayer*>(m_Stand->FindTaskLocalByString(name, 0))) {
            layer->Clear();
            ResetActor(layer);
        }
    }

    GxMainScreenFlags& f = g_MainScreenFlags;
    if (f.autoMode) {
        f.autoMode = false;
        ResetAutoButton();
    }
    if (f.skipMode) {
        f.skipMode = false;
        ResetSkipButton();
    }
    EmptyMessageWindow(m_MessageWindow);
}

void SeqRukoMain::ResetWindows()
{
    ResetVisuals();
    const int32_t opacity = UserConfig() ? UserConfig()->m_TextWindowOpacity : GxUserConfig().m_TextWindowOpacity;
    EmptyMessageWindow(m_MessageWindow);
    ReapplyWindow(m_MessageWindow, u"tip_msgwindow", kGxMainScreenMesWin, opacity);
    ReapplyWindow(m_NameWindow, u"tip_namewindow", kGxMainScreenNameWin, opacity);
    if (m_NameImage) {
        m_NameImage->ClearAction();
        if (m_NameWindow) m_NameImage->SetOrderZ(m_NameWindow->GetOrderZ() + 1.0f);
    }
    ClearName();
    for (GxTaskBase* t = m_Select ? m_Select->GetFirstChild() : nullptr; t; t = t->GetNextSibling()) {
        if (auto* button = dynamic_cast<GxTaskUIBase*>(t)) {
            button->ClearAction();
            button->SetOrderZ(kChoiceOrderZ);
            button->Hide();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Saving

void SeqRukoMain::QuickSave()
{
    GxCore* core = Core();
    GxUserData* data = UserData();
    if (!core || !data) return;
    const GxSystemConfig* sc = core->GetSystemConfig();
    const std::u16string file = sc ? sc->m_QuickSaveFileName : GxSystemConfig().m_QuickSaveFileName;
    const std::u16string path = core->GetSaveFolder() + file;
    // A shipped game shows no log: a quick save that did not reach the disk says so on screen,
    // as the save screen does.
    if (!data->SaveGameData(path, true)) {
        GxPrintErrorLog(u"SeqRukoMain::QuickSave/セーブに失敗しました(%s)\n", path);
        SeqShowFailure(this, u"SAVEERROR", u"セーブに失敗しました");
    }
}

void SeqRukoMain::CaptureThumbnail()
{
    // $BGWLAYER is hidden during play but belongs in the thumbnail of a save.
    if (m_BgwLayer) m_BgwLayer->Show();
    CaptureScreen();
    if (m_BgwLayer) m_BgwLayer->Hide();
    CaptureSaveThumbnail();
}
