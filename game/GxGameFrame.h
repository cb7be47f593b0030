// One frame of the main loop: wait for the frame timer, run its update steps over the task tree,
// draw the ten render layers and present.
#pragma once

class GxCore;
class GxFrameTimer;

// Always true.
bool GxRunGameFrame(GxCore* core);
// In a window with DebugModeFlag on, right after the timer measured the rate anew: the caption
// "<title> FPS <measured>/<target>".
void GxUpdateFrameCaption(GxCore* core, const GxFrameTimer& timer);
