// The demo game's menu screens: the widgets of the save, load, back log, settings, music-room and
// replay-room screens (the second UI layout and module tables, whose rows go on after the first
// ones), their pictures and image sets, the replay and music-room tables and the room's music.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/GxImageSetFile.h"

namespace gxdemo {

// The back log's background colour (0xAARRGGBB, over the whole picture).
constexpr uint32_t kLogBackColor = 0xFF206030u;
// The title's buttons to the replay room and the music room (left, top; 200 x 48 each).
constexpr int32_t kTitleEventLeft = 100, kTitleEventTop = 600;
constexpr int32_t kTitleMusicLeft = 100, kTitleMusicTop = 660;
// The settings button of the message window's row of buttons (the window's left and top added).
constexpr int32_t kMesConfigX = 32 + 688 + 32, kMesConfigY = 548 + 168 + 12;
constexpr int32_t kMesSaveX = 32 + 40 + 32, kMesSaveY = 548 + 168 + 12;
constexpr int32_t kMesLoadX = 32 + 112 + 32, kMesLoadY = 548 + 168 + 12;
// The settings screen: its sound tab's centre, the BGM slider's left and top (240 x 24, track
// from 20 to 220 of it).
constexpr int32_t kSoundTabX = 260, kSoundTabY = 60;
constexpr int32_t kBgmSliderLeft = 300, kBgmSliderTop = 240, kSliderTrackLeft = 20, kSliderTrackWidth = 200;
// The menu screens' back button (centre).
constexpr int32_t kBackX = 940, kBackY = 720;
// Save and load plate i's centre: plates stand in two columns of four.
inline int32_t PlateCenterX(int32_t i) { return (i / 4) * 484 + 52 + 220; }
inline int32_t PlateCenterY(int32_t i) { return (i % 4) * 131 + 150 + 56; }
// The user dialog's yes button (centre), where the system screen places it.
constexpr int32_t kDialogYesX = 436, kDialogYesY = 304;
// The replay room's first plate (centre) and the music room's first track button (centre).
constexpr int32_t kReplayPlateX = 100 + 64, kReplayPlateY = 120 + 48;
constexpr int32_t kTrackX = 300 + 120, kTrackY = 200 + 16;
// The replay scene's label and its music-room track file.
constexpr const char* kReplayLabel = "REPLAY1";
constexpr const char* kRoomMusic = "bgms/demo_room.wav";

// Adds the screens' files (tables, pictures, the room's music) to files and their image sets to
// sets (path under the game folder, images).
void AddScreenFiles(std::map<std::string, std::string>& files,
                    std::vector<std::pair<std::string, std::vector<gxtest::UIImageSpec>>>& sets);

}  // namespace gxdemo
