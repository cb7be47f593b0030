#include "game/GxGameFrame.h"

#include "app/GxCore.h"
#include "app/GxCoreDevice.h"
#include "app/GxCoreTrace.h"
#include "app/GxDebugWindow.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFormat.h"
#include "core/GxThreadManage.h"
#include "game/GxKeptData.h"
#include "game/GxSystemConfig.h"
#include "graphics/GxGraphicsSettings.h"

void GxUpdateFrameCaption(GxCore* core, const GxFrameTimer& timer)
{
    const GxSystemConfig* sc = core->GetSystemConfig();
    if (!sc || !sc->m_DebugModeFlag || !timer.HasJustMeasured() || !GxCoreDeviceIsWindowed()) return;
    if (!core->GetMainWindow() || !core->GetWindowServices()) return;
    std::u16string caption =
        GxFormatString(u"%s FPS %2.2f/%d", core->GetTitle(), static_cast<double>(timer.GetFPS()), timer.GetWaitRate());
    if (caption.size() > 255) caption.resize(255);
    core->GetWindowServices()->SetWindowText(core->GetMainWindow(), caption);
}

bool GxRunGameFrame(GxCore* core)
{
    GxFrameTimer& timer = core->GetFrameTimer();
    GxCoreTrace("WaitFrame");
    timer.WaitFrame(GxGetGraphicsSettings().vsyncInterval == 1);
    GxUpdateFrameCaption(core, timer);

    GxTaskManage* tm = core->GetTaskManage();
    const int32_t steps = timer.GetStepCount();
    for (int32_t step = 0; step < steps; ++step) {
        GxCoreTrace("UpdateStep");
        core->ClearRenderLayers();
        if (tm->GetRootTask()) tm->DeleteDeadTasks(tm->GetRootTask());
        tm->ClearStepFlags();
        if (core->GetThreadManage()) core->GetThreadManage()->DispatchMessages();
        const int64_t elapsed = step == 0 ? timer.GetElapsed() : 0;
        GxTaskBase* current = tm->GetCurrentSequence();
        GxTaskBase* persistent = tm->GetPersistentRoot();
        if (!tm->IsUpdateSuspended()) {
            if (current) {
                if (!tm->IsMainStarted()) tm->UpdatePreMainTasks(current, step, elapsed);
                tm->UpdateTasks(current, step, elapsed);
            }
            if (persistent) tm->UpdateTasks(persistent, step, elapsed);
        }
        tm->RenderSequences(current, persistent, step, elapsed);
        if (tm->ShouldEndUpdateSteps()) break;
    }

    const GxDebugWindowState& debugWindow = GxGetDebugWindowState();
    const bool debugShown = debugWindow.window && debugWindow.visible;
    // A still screen: the picture stays as it is, without walking its drawing again.
    if (!core->RepeatsLastFrame(!debugShown)) {
        GxCoreTrace("DrawRenderLayers");
        core->DrawRenderLayers();
        if (debugShown) GxPaintDebugWindow();
        GxCoreTrace("Present");
        GxCoreDevicePresent();
    }
    // Once the picture is out: what the player set or unlocked since the last second.
    GxCoreTrace("GxKeptDataWriter::OnFrameEnd");
    GxGetKeptDataWriter().OnFrameEnd(core, timer.GetElapsed());
    return true;
}
