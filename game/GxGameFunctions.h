// The game's free functions over the sound channels and the main play screen that the script
// commands, the screens and the game state share. The forms without a state or task manager
// reach them through the application object (GxGetCore()).
#pragma once

#include <cstdint>
#include <string>

class GxCore;
class GxTaskManage;
class GxUserData;

// Play counts: the script's count L is what the records keep (1 once, 0 forever, n n times);
// the sound layer gets L - 1. Times are milliseconds. A play that the sound layer refuses keeps
// its record: the record says what was asked for. SE and voice indices outside 0..3 and system
// sounds outside 0..9 are refused with a log line (saved games can carry any number), and so are
// voices of a character outside the character table.

// With keepIfSame and the music record naming the same file: nothing, true. Otherwise fills the
// music record and cross-fades to the file on the music pair.
bool GxPlayBGM(const std::u16string& fileName, int32_t loop, uint32_t startPos, uint32_t fadeIn, uint32_t loopPos,
               bool keepIfSame);
// Ambient sound on channel 2.
bool GxPlayBGV(const std::u16string& fileName, int32_t loop, uint32_t startPos, uint32_t fadeIn, uint32_t loopPos);
// Stops channel 4 + i, then plays the file on it.
bool GxPlaySE(int32_t index, const std::u16string& fileName, int32_t loop, uint32_t startPos, uint32_t fadeIn,
              uint32_t loopPos);
// Records the voice (count 1) with its character, stops channel 8 + i and plays the file once.
bool GxPlayVoice(int32_t index, const std::u16string& fileName, int32_t charID);
// Plays voice record i again on channel 8 + i; false when the record is empty.
bool GxReplayVoice(int32_t index);
// System sound file i of the settings as a one-shot sound.
bool GxPlaySystemSound(int32_t index);
void GxStopBGM(uint32_t fadeOut);
void GxStopBGV(uint32_t fadeOut);
void GxStopSE(int32_t index, uint32_t fadeOut);
void GxStopVoice(int32_t index);
// The options' volumes applied to what plays now.
void GxUpdateBGMVolume();
void GxUpdateSEVolume();
// Each movie slot whose player plays gets the options' movie volume.
void GxUpdateMovieVolume();
void GxUpdateVoiceVolume();
// True when any of the four voice channels plays.
bool GxIsVoicePlaying();

// Starts the story at a script label: the default background on the main play screen's
// background layer, a fade-in of 1000 ms, the main worker at the label (logged when the label
// is missing) and the change to "SeqRukoMain" (logged when it is missing).
void GxStartGameAtLabel(GxCore* core, const std::u16string& label);

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
