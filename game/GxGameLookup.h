// Finding rows of the game data tables by name, resolving resource names that may omit their
// extension, and the two steps of the gallery tables (the start-up split and the count when the
// gallery is entered). Loose files and pack members both count as existing.
#pragma once

#include <cstdint>
#include <string>

#include "app/DBUILayout.h"
#include "app/DBUIModule.h"

// The first character row whose CharName is not empty and equals the name; -1 when none.
int32_t GxFindCharID(const std::u16string& name);
// The loop position (ms) of the first music-room row whose FileName equals the path's file name
// (ASCII case folded); 0 when none.
uint32_t GxFindBGMLoopPos(const std::u16string& path);
// True when a replay row has a non-empty Label equal to the label.
bool GxIsReplayLabel(const std::u16string& label);
// The first gallery row and FileName entry (0..30) equal (ASCII case folded) to the path's file
// name cut before its first "."; row and entry 0 and false when none.
bool GxFindCGByFileTitle(const std::u16string& path, int32_t* row, int32_t* entry);

// Each tries the name as given, then the name with each extension of its kind in order:
// pictures ".png" ".dds" ".tga" ".jpg" ".bmp", sounds ".ogg" ".wav", movies ".mpg" ".avi",
// motions ".gnc". The first that exists is left in the name; false, the name unchanged, when
// none exists.
bool GxFindImageFile(std::u16string& name);
bool GxFindSoundFile(std::u16string& name);
bool GxFindMovieFile(std::u16string& name);
bool GxFindMotionFile(std::u16string& name);
// The first character (rows 1..79, VoicePath neither empty nor "*") for which VoicePath + name,
// + ".ogg" or + ".wav" exists: that path is left in the name and the row returned. 0 (the name
// unchanged) when none has it; row 0 is never searched, so 0 always means "not found".
int32_t GxFindVoiceFile(std::u16string& name);

// Splits every non-empty gallery FileName entry 0..30 "picture|a|b" into the picture (gallery
// table) and "a|b" (the same entry of the gallery parameter table).
void GxSplitCGModeFileNames();
// Every gallery row with a first picture and a Count of 0 gets the number of non-empty entries
// 0..30; a Count given in the file stays.
void GxCountCGModeFiles();
