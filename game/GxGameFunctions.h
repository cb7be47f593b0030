// The game's free functions over the sound channels and the main play screen that the script
// commands, the screens and the game state share. The forms without a state or task manager
// reach them through the application object (GxGetCore()).
#pragma once

#include <cstdint>

class GxTaskManage;
class GxUserData;

// For SE index 0..3: empties its record and stops sound channel 4 + i at once. True.
bool GxStopAllSE();
bool GxStopAllSE(GxUserData* data);
// For voice index 0..3: stops sound channel 8 + i at once and empties its record. True.
bool GxStopAllVoice();
bool GxStopAllVoice(GxUserData* data);

// The main play screen's full-screen cover "$GLOBALFADE:SeqRukoMain" drops its pending actions,
// then fades to transparent (FadeIn: the picture shows) or to opaque (FadeOut: the cover hides
// it) over the time, or at once when the time is not above 0. Nothing without the layer.
void GxStartGlobalFadeIn(int32_t time);
void GxStartGlobalFadeIn(GxTaskManage* tm, int32_t time);
void GxStartGlobalFadeOut(int32_t time);
void GxStartGlobalFadeOut(GxTaskManage* tm, int32_t time);
