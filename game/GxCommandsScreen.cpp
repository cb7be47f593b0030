#include "game/GxCommandsScreen.h"

#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "layer/GxTaskLayer.h"
#include "moa/GxMoaVariable.h"

GxTaskManage* GxCommandTaskManage(const GxGameCommandCall& call)
{
    return call.core ? call.core->GetTaskManage() : nullptr;
}

const GxSystemConfig& GxCommandSystemConfig(const GxGameCommandCall& call)
{
    static const GxSystemConfig defaults;
    const GxSystemConfig* sc = call.core ? call.core->GetSystemConfig() : nullptr;
    return sc ? *sc : defaults;
}

GxUserData* GxCommandUserData(const GxGameCommandCall& call) { return call.core ? call.core->GetUserData() : nullptr; }

GxUserDataPerman* GxCommandUserDataPerman(const GxGameCommandCall& call)
{
    return call.core ? call.core->GetUserDataPerman() : nullptr;
}

GxTaskBase* GxCommandFindTask(const GxGameCommandCall& call, const char16_t* taskName)
{
    GxTaskManage* tm = GxCommandTaskManage(call);
    return tm ? tm->FindTaskByName(taskName) : nullptr;
}

GxTaskLayer* GxCommandFindLayer(const GxGameCommandCall& call, const char16_t* taskName)
{
    return dynamic_cast<GxTaskLayer*>(GxCommandFindTask(call, taskName));
}

GxTaskLayer* GxCommandRequireLayer(GxGameCommandCall& call, const char16_t* taskName)
{
    GxTaskLayer* layer = GxCommandFindLayer(call, taskName);
    if (!layer) call.Error(u"レイヤーが見つかりません[%s]", std::u16string(taskName));
    return layer;
}

uint32_t GxCommandColorArg(GxGameCommandCall& call, int32_t i)
{
    if (!call.ArgPresent(i)) return 0xFFFFFFFFu;
    const GxMoaVariable* v = call.Arg(i);
    return 0xFF000000u | (static_cast<uint32_t>(v->GetInt64()) & 0x00FFFFFFu);
}

int32_t GxCommandIntArg(GxGameCommandCall& call, int32_t i, int32_t defaultValue)
{
    return call.ArgPresent(i) ? call.ArgInt(i) : defaultValue;
}

bool GxCommandFlagArg(GxGameCommandCall& call, int32_t i)
{
    return call.ArgPresent(i) && call.Arg(i)->GetInt64() != 0;
}

int32_t GxCommandWaitMaskArg(GxGameCommandCall& call, int32_t i)
{
    return call.ArgPresent(i) ? (call.ArgInt(i) | 1) : 15;
}

void GxCommandWaitForLayer(const GxGameCommandCall& call, const std::u16string& layerName, int32_t mask,
                           bool hideWindow)
{
    GxUserData* data = GxCommandUserData(call);
    if (!data) return;
    if (hideWindow) data->m_HideWindowByCommandFlag = true;
    data->m_Hold_EndOfLayerActionSeparate = mask;
    data->m_Hold_EndOfLayerActionSeparate_LayerName = layerName;
}
