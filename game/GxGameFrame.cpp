#include "game/GxGameFrame.h"

#include "app/GxCore.h"
#include "app/GxCoreDevice.h"
#include "app/GxCoreTrace.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFormat.h"
#include "core/GxThreadManage.h"
#include "game/GxSystemConfig.h"

bool GxRunGameFrame(GxCore* core)
{
    GxFrameTimer& timer = core->GetFrameTimer();
    GxCoreTrace("WaitFrame");
    timer.WaitFrame(false);

    // The measured rate in the caption, in debug mode; the text changes only when the timer has
    // measured anew.
    GxSystemConfig* sc = core->GetSystemConfig();
    static float s_ShownFPS = -1.0f;
    if (sc && sc->m_DebugModeFlag && GxCoreDeviceIsWindowed() && core->GetMainWindow() &&
        timer.GetFPS() != s_ShownFPS) {
        s_ShownFPS = timer.GetFPS();
        std::u16string caption =
            GxFormatString(u"%s FPS %2.2f/%d", core->GetTitle(), static_cast<double>(s_ShownFPS), timer.GetWaitRate());
        if (caption.size() > 255) caption.resize(255);
        core->GetWindowServices()->SetWindowText(core->GetMainWindow(), caption);
    }

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
        if (current) tm->RenderTasks(current, step, elapsed);
        if (persistent) tm->RenderTasks(persistent, step, elapsed);
        if (tm->ShouldEndUpdateSteps()) break;
    }

    GxCoreTrace("DrawRenderLayers");
    core->DrawRenderLayers();
    GxCoreTrace("Present");
    GxCoreDevicePresent();
    return true;
}
