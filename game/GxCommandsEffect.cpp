// The game's screen-effect commands: fades from and to black, a coloured flash and the shake of
// the whole scene, on the main play screen's full-screen layers.
#include "game/GxCommandsScreen.h"
#include "game/GxGameCommandHandlers.h"
#include "game/GxGameFunctions.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "layer/GxTaskLayer.h"

namespace {

int32_t EffectTime(GxGameCommandCall& call, int32_t i)
{
    return GxCommandIntArg(call, i, GxCommandSystemConfig(call).m_BgTransitionTime);
}

}  // namespace

bool GxCmdFin(GxGameCommandCall& call)
{
    GxStartGlobalFadeIn(GxCommandTaskManage(call), EffectTime(call, 0));
    return true;
}

bool GxCmdFout(GxGameCommandCall& call)
{
    GxStartGlobalFadeOut(GxCommandTaskManage(call), EffectTime(call, 0));
    return true;
}

bool GxCmdFlash(GxGameCommandCall& call)
{
    GxTaskLayer* flash = GxCommandRequireLayer(call, kGxMainScreenFlash);
    if (!flash) return false;
    const int32_t up = EffectTime(call, 0);
    const int32_t down = EffectTime(call, 1);
    const uint32_t color = GxCommandColorArg(call, 2);
    // Appended: a flash already under way runs first.
    flash->AddActionSetColor0(static_cast<float>((color >> 16) & 0xFF) / 255.0f,
                              static_cast<float>((color >> 8) & 0xFF) / 255.0f,
                              static_cast<float>(color & 0xFF) / 255.0f);
    flash->AddActionFadeIn(up);
    flash->AddActionFadeOut(down);
    return true;
}

bool GxCmdFlashWa(GxGameCommandCall& call)
{
    const int32_t mask = GxCommandWaitMaskArg(call, 1);
    GxCommandWaitForLayer(call, kGxMainScreenFlash, mask, GxCommandFlagArg(call, 0));
    return true;
}

bool GxCmdShake(GxGameCommandCall& call)
{
    GxTaskLayer* visual = GxCommandRequireLayer(call, kGxMainScreenVisual);
    if (!visual) return false;
    const int32_t time = GxCommandIntArg(call, 0, kGxDefaultShakeTime);
    const GxVector3 amplitude(static_cast<float>(call.ArgInt(1)), static_cast<float>(call.ArgInt(2)), 0.0f, 0.0f);
    visual->StartShake(amplitude, time);
    return true;
}

bool GxCmdShakeEnd(GxGameCommandCall& call)
{
    GxTaskLayer* visual = GxCommandRequireLayer(call, kGxMainScreenVisual);
    if (!visual) return false;
    visual->StopShake();
    return true;
}
