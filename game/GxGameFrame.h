// One frame of the main loop: wait for the frame timer, run its update steps over the task tree,
// draw the ten render layers and present.
#pragma once

class GxCore;

// Always true.
bool GxRunGameFrame(GxCore* core);
