// The game's background and event-picture commands. Both pictures go to the main play
// screen's background layer; an event picture may bring a companion picture ("_w") for the
// layer above it.
#include <string>

#include "app/GxTaskControl.h"
#include "core/GxString.h"
#include "game/DBCGMode.h"
#include "game/GxCommandsScreen.h"
#include "game/GxGameCommandHandlers.h"
#include "game/GxGameLookup.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserDataPerman.h"
#include "layer/GxTaskLayer.h"
#include "moa/GxMoaVariable.h"

namespace {

// What differs between a background and an event picture.
struct PictureKind
{
    GxAssetFolderIndex folder;
    bool GxSystemConfig::*stopWhenMissing;
    bool event;
};

constexpr PictureKind kBackground{kGxFolderCgBg, &GxSystemConfig::m_ErrorStopNotFound_BG, false};
constexpr PictureKind kEvent{kGxFolderCgEv, &GxSystemConfig::m_ErrorStopNotFound_EV, true};

// An event picture counts as seen in the gallery when its file title names a gallery cell.
void MarkGalleryPictureSeen(GxGameCommandCall& call, const std::u16string& file)
{
    int32_t row = 0;
    int32_t entry = 0;
    if (!GxFindCGByFileTitle(file, &row, &entry)) return;
    if (GxUserDataPerman* perman = GxCommandUserDataPerman(call))
        perman->SetShowedCG(GxGetDBCGMode().GetRow(row)->FileName[entry]);
}

// The companion of an event picture: argument 7, or the picture's title with "_w", in the
// event folder. Loaded at once when it exists; otherwise the companion layer is emptied.
void ShowCompanion(GxGameCommandCall& call, GxTaskLayer& companion, const std::u16string& folder)
{
    std::u16string file = folder;
    if (call.ArgPresent(7)) file += GxGetFileTitle(call.ArgString(7));
    else file += GxGetFileTitle(call.ArgString(0)) + u"_w";
    if (GxFindImageFile(file)) companion.LoadImage(file, 0);
    else companion.Clear();
}

bool ShowPicture(GxGameCommandCall& call, const PictureKind& kind)
{
    GxMainScreen* screen = GxFindMainScreen(call.core);
    if (!screen) {
        call.Error(u"メイン画面が見つかりません[%s]", std::u16string(kGxMainScreenName));
        return false;
    }
    GxTaskLayer* companion = GxCommandRequireLayer(call, kGxMainScreenBGWLayer);
    GxTaskLayer* bg = companion ? GxCommandRequireLayer(call, kGxMainScreenBGLayer) : nullptr;
    if (!bg) return false;
    if (!kind.event) companion->Clear();
    bg->FinishAction();

    if (!call.ArgPresent(0)) {
        call.Error(u"画像ファイルを指定してください");
        return false;
    }
    const GxSystemConfig& sc = GxCommandSystemConfig(call);
    const std::u16string& folder = sc.m_AssetFolder[kind.folder];
    std::u16string picture = folder + call.ArgString(0);
    // With the switch off a missing picture goes to the layer, which shows its error picture.
    if (!GxFindImageFile(picture) && sc.*kind.stopWhenMissing) {
        if (kind.event) call.Error(u"画像ファイルが見つかりません[%s]", picture);
        else call.Error(u"画像ファイルが見つかりません");
        return false;
    }
    // The transition picture is checked before anything changes: a command refused for it has
    // neither marked the gallery nor touched the companion layer.
    std::u16string mask;
    if (call.ArgPresent(2)) {
        mask = sc.m_AssetFolder[kGxFolderCgTr] + call.ArgString(2);
        if (!GxFindImageFile(mask)) {
            if (kind.event) call.Error(u"トランジション画像ファイルが見つかりません[%s]", mask);
            else call.Error(u"トランジション画像ファイルが見つかりません");
            return false;
        }
    }
    if (kind.event) {
        MarkGalleryPictureSeen(call, picture);
        ShowCompanion(call, *companion, folder);
    }

    // An empty text is a given time of 0; only a missing argument takes the default.
    const GxMoaVariable* timeArg = call.Arg(1);
    const int32_t time = timeArg && !timeArg->IsNull() ? timeArg->GetInt() : sc.m_BgTransitionTime;

    if (time > 0) screen->CaptureScreen();
    GxVector3 pos = bg->GetPos();
    pos.x = static_cast<float>(call.ArgFloat(3));
    pos.y = static_cast<float>(call.ArgFloat(4));
    bg->SetPos(pos);
    const uint32_t color = GxCommandColorArg(call, 5);
    const bool clearStands = !GxCommandFlagArg(call, 6);

    if (time > 0) {
        screen->StartBGTransit(picture, mask, time, clearStands);
    } else {
        if (clearStands) {
            // The walk takes later siblings too: start at the folder's first layer.
            if (GxTaskBase* stand = GxCommandFindTask(call, kGxMainScreenStand))
                GxTaskControl::ClearLayers(stand->GetFirstChild(), 0);
        }
        bg->LoadImage(picture, 0);
    }
    bg->SetColor0ARGB(color);
    return true;
}

}  // namespace

bool GxCmdBg(GxGameCommandCall& call) { return ShowPicture(call, kBackground); }

bool GxCmdEv(GxGameCommandCall& call) { return ShowPicture(call, kEvent); }

bool GxCmdBgColor(GxGameCommandCall& call)
{
    GxTaskLayer* bg = GxCommandRequireLayer(call, kGxMainScreenBGLayer);
    if (!bg) return false;
    bg->SetColor0ARGB(GxCommandColorArg(call, 0));
    return true;
}

bool GxCmdBgActMove(GxGameCommandCall& call)
{
    GxTaskLayer* bg = GxCommandRequireLayer(call, kGxMainScreenBGLayer);
    if (!bg) return false;
    GxVector3 target = bg->GetPos();
    target.x = static_cast<float>(call.ArgFloat(0));
    target.y = static_cast<float>(call.ArgFloat(1));
    bg->m_ActionPause = false;
    // Queued behind earlier actions, which keep running.
    bg->AddActionMoveTo(target, GxCommandIntArg(call, 2, 0), ACTIONINTER_LINEAR);
    return true;
}

bool GxCmdBgWa(GxGameCommandCall& call)
{
    const int32_t mask = GxCommandWaitMaskArg(call, 1);
    GxCommandWaitForLayer(call, kGxMainScreenBGLayer, mask, GxCommandFlagArg(call, 0));
    return true;
}
