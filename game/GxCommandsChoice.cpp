// The game's choice commands: they fill the choice menu of the game state item by item (argument
// i belongs to item i + 1; arguments past the last button are ignored), and `sel` hands the menu
// to the main play screen.
#include "app/GxCore.h"
#include "core/GxFormat.h"
#include "core/GxLog.h"
#include "game/GxGameCommandHandlers.h"
#include "game/GxMainScreen.h"
#include "game/GxUserData.h"
#include "moa/GxMoa.h"
#include "moa/GxMoaVariable.h"

namespace {

GxUserData* Data(GxGameCommandCall& call)
{
    GxUserData* data = call.core ? call.core->GetUserData() : nullptr;
    if (!data) call.Error(u"no game state");
    return data;
}

// Labels are stored even when missing, so that the pick reports its own error later.
bool SetLabels(GxGameCommandCall& call, bool useGosub)
{
    GxUserData* data = Data(call);
    if (!data) return false;
    std::vector<GxSelectMenuItem>& items = data->m_SelectItems;
    if (items.size() < 2) return true;
    const GxMoa* moa = call.worker.GetOwner();
    bool allFound = true;
    for (size_t k = 1; k < items.size(); ++k) {
        GxSelectMenuItem& item = items[k];
        const int32_t arg = static_cast<int32_t>(k - 1);
        item.m_UseGosub = false;
        if (!call.ArgPresent(arg)) {
            item.m_Label.clear();
            continue;
        }
        item.m_Label = call.ArgString(arg);
        item.m_UseGosub = useGosub;
        if (!moa || !moa->FindLabelInEntity(item.m_Label, call.entity)) {
            call.Error(u"選択肢[%d]のラベル[%s]は存在しません", static_cast<int32_t>(k), item.m_Label);
            allFound = false;
        }
    }
    return allFound;
}

bool SetFlags(GxGameCommandCall& call, bool GxSelectMenuItem::*flag)
{
    GxUserData* data = Data(call);
    if (!data) return false;
    std::vector<GxSelectMenuItem>& items = data->m_SelectItems;
    for (size_t k = 1; k < items.size(); ++k) {
        const int32_t arg = static_cast<int32_t>(k - 1);
        if (call.ArgPresent(arg)) items[k].*flag = call.Arg(arg)->GetInt64() != 0;
    }
    return true;
}

}  // namespace

bool GxCmdSelGo(GxGameCommandCall& call) { return SetLabels(call, false); }
bool GxCmdSelGosub(GxGameCommandCall& call) { return SetLabels(call, true); }
bool GxCmdSelVisible(GxGameCommandCall& call) { return SetFlags(call, &GxSelectMenuItem::m_Visible); }
bool GxCmdSelEnable(GxGameCommandCall& call) { return SetFlags(call, &GxSelectMenuItem::m_Enable); }

bool GxCmdSelCancel(GxGameCommandCall& call)
{
    GxUserData* data = Data(call);
    if (!data) return false;
    // Only an item that has a button can be the cancel pick; anything else means no cancel.
    const int32_t item = call.ArgPresent(0) ? call.ArgInt(0) : 0;
    const int32_t last = static_cast<int32_t>(data->m_SelectItems.size()) - 1;
    data->m_CancelSelectNum = (item >= 1 && item <= last) ? item : 0;
    return true;
}

bool GxCmdSelHash(GxGameCommandCall& call)
{
    GxUserData* data = Data(call);
    if (!data) return false;
    data->m_SelectHash = call.ArgPresent(0) ? call.ArgString(0) : std::u16string();
    return true;
}

bool GxCmdSel(GxGameCommandCall& call)
{
    GxUserData* data = Data(call);
    if (!data) return false;
    std::vector<GxSelectMenuItem>& items = data->m_SelectItems;
    for (size_t k = 1; k < items.size(); ++k) {
        const int32_t arg = static_cast<int32_t>(k - 1);
        GxSelectMenuItem& item = items[k];
        if (call.ArgPresent(arg)) {
            item.m_Text = call.ArgString(arg);
            continue;
        }
        item.m_Text.clear();
        item.m_Enable = false;
        item.m_Visible = false;
        item.m_UseGosub = false;
    }
    // Each choice point of a script remembers its picks under its own key.
    if (data->m_SelectHash.empty()) {
        data->m_SelectHash =
            GxFormatString(u"%s:%d", call.worker.GetScriptName(nullptr), call.worker.GetLine(nullptr) + 1);
    }
    data->m_HideWindowByCommandFlag = false;
    GxMainScreen* screen = GxFindMainScreen(call.core);
    if (!screen) {
        GxPrintErrorLog(u"GxCmdSel: no main play screen (SeqRukoMain) to show the choices\n");
        return true;
    }
    screen->StartSelect();
    return true;
}
