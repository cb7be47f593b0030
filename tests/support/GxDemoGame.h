// The generated files of the bundled demo game ("demo/"): its pictures, grid fonts, image sets,
// data tables, music, effect, voice and movies. The settings ("system/sysconf.ini",
// "setting.ini") and the story ("scripts/main.txt") are written by hand; the package comes from
// the story through GxWriteGamePackage. The demo generator tool writes these, and a test
// regenerates them and compares them with the committed ones.
//
// The constants below are where things stand on the 1024 x 768 screen, so that the end-to-end
// tests click and look where the demo puts them.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace gxdemo {

// ---- title ----
// The title picture's colour (0xAARRGGBB) away from its lettering (above y 150 and below 330).
constexpr uint32_t kTitleColor = 0xFF3060C0u;
// The title's buttons: a column of text buttons, 200 x 48 each, from the top down.
constexpr int32_t kTitleButtonLeft = 412, kTitleButtonTop = 362, kTitleButtonStep = 56;
constexpr int32_t kTitleButtonWidth = 200, kTitleButtonHeight = 48;
enum TitleButton : int32_t { kStart, kLoad, kGallery, kReplay, kMusic, kConfig, kExit, kTitleButtonCount };
inline int32_t TitleButtonX(int32_t /*i*/) { return kTitleButtonLeft + kTitleButtonWidth / 2; }
inline int32_t TitleButtonY(int32_t i) { return kTitleButtonTop + i * kTitleButtonStep + kTitleButtonHeight / 2; }
// The title buttons' plate colour (their label is drawn over it in white).
constexpr uint32_t kTitlePlateColor = 0xE0183060u;

// ---- the story's pictures ----
// The meadow ("sky"): sky above the horizon, the ground colour below it.
constexpr int32_t kHorizon = 500;
constexpr uint32_t kBackgroundColor = 0xFF3A8A4Au;  // the ground
constexpr uint32_t kSkyTopColor = 0xFF4A90D8u, kSkyBottomColor = 0xFFB0DCF4u;
// The town at dusk ("town"), reached through the masked transition: its sky colour at the
// top-left corner, where no building stands.
constexpr uint32_t kTownSkyColor = 0xFF503068u;
// The speaker's stand pictures (normal and smiling): the dress in the stand colour fills the
// picture's width from two thirds of its height down.
constexpr uint32_t kStandColor = 0xFFE07030u;
constexpr int32_t kStandWidth = 240, kStandHeight = 600;
// The event pictures: one colour around their middle (probed at the screen's centre).
constexpr uint32_t kEventColor = 0xFF9040B0u;       // "ev_demo", the long answer's picture
constexpr uint32_t kFlowersColor = 0xFF2E6E3Au;     // "ev_flowers", the short answer's picture
constexpr uint32_t kMovieColor = 0xFFD0D020u;       // the event movie's frames
// The opening movie's frames, in turn (0xRRGGBB): two seconds at 25 frames a second, five
// colours in turn.
constexpr int32_t kOpeningFrames = 50;
uint32_t OpeningFrameColor(int32_t frame);

// ---- the main play screen ----
// The message window's text area (its client rectangle) and its text size and line pitch.
constexpr int32_t kTextLeft = 32 + 40, kTextTop = 548 + 40, kTextWidth = 880, kTextHeight = 120;
constexpr int32_t kTextSize = 23, kRubySize = 11, kLinePitch = kRubySize + kTextSize + 1;
// The name window's client area.
constexpr int32_t kNameLeft = 48 + 16, kNameTop = 496 + 8, kNameWidth = 208, kNameHeight = 32;
// The message window's buttons: a row of 64 x 24 buttons, button i at left kMesButtonLeft(i).
enum MesButton : int32_t {
    kMesSave, kMesLoad, kMesQSave, kMesQLoad, kMesReplayEnd, kMesAuto, kMesSkip, kMesLog, kMesVoice,
    kMesConfig, kMesHide, kMesButtonCount
};
constexpr int32_t kMesButtonTop = 548 + 168, kMesButtonWidth = 64, kMesButtonHeight = 24;
inline int32_t MesButtonLeft(int32_t i) { return 32 + 40 + 72 * i; }
inline int32_t MesButtonX(int32_t i) { return MesButtonLeft(i) + kMesButtonWidth / 2; }
constexpr int32_t kMesButtonY = kMesButtonTop + kMesButtonHeight / 2;
// The message window stands at order Z 1000, its name window at 1001; the window's buttons and
// its click-wait sign above both.
constexpr int32_t kMesChildOrder = 1010;
// The back-log button's tool tip: its delay (ms) and text.
constexpr int32_t kLogTipDelay = 600;
// The choice: two text buttons of 600 x 40 with 10 between, the first centred at (512, 244)
// once they have slid into place.
constexpr int32_t kChoiceX = 512, kChoiceFirstY = 244, kChoiceStep = 50;

// ---- the system screen's dialog (yes / no pair, lone OK) ----
constexpr int32_t kDialogYesX = 436, kDialogNoX = 588, kDialogOkX = 512, kDialogButtonY = 304;
// The dialog's text area.
constexpr int32_t kDialogTextLeft = 272 + 24, kDialogTextTop = 164 + 24, kDialogTextWidth = 432, kDialogTextHeight = 80;

// ---- menus ----
// The back button of the menu screens (centre).
constexpr int32_t kBackX = 940, kBackY = 720;
// Save and load plate i's centre: plates stand in two columns of four.
inline int32_t PlateCenterX(int32_t i) { return (i / 4) * 484 + 52 + 220; }
inline int32_t PlateCenterY(int32_t i) { return (i % 4) * 131 + 150 + 56; }
// The back log: row r's text window (880 x 100) and its voice button's centre.
inline int32_t LogRowTop(int32_t r) { return 60 + r * 110; }
constexpr int32_t kLogRowLeft = 72, kLogRowWidth = 880, kLogRowHeight = 100;
constexpr int32_t kLogTextLeft = kLogRowLeft + 16, kLogTextTop = 8;
inline int32_t LogVoiceX() { return 4 + 32; }
inline int32_t LogVoiceY(int32_t r) { return LogRowTop(r) + 38 + 12; }
constexpr uint32_t kLogBackColor = 0xFF204830u;
// The settings screen: its tab buttons' centres (system, sound, voice, game), sliders (240 x 24
// with the track from 20 to 220 of them) and on / off pairs.
inline int32_t ConfigTabX(int32_t i) { return 80 + i * 120 + 60; }
constexpr int32_t kConfigTabY = 60;
constexpr int32_t kSliderLeft = 300, kSliderTrackLeft = 20, kSliderTrackWidth = 200, kKnobWidth = 16;
constexpr int32_t kTextSpeedTop = 170, kBgmSliderTop = 240;
constexpr uint32_t kKnobColor = 0xFFE0E0E0u, kTrackColor = 0xFF303848u;
// The on / off pair of system-page option i (2 to 7) at the pair's top: "on" left, "off" right.
inline int32_t OptionTop(int32_t i) { return 290 + (i - 2) * 40; }
constexpr int32_t kOnX = 300 + 40, kOffX = 400 + 40, kOptionHeight = 32;
constexpr int32_t kReadColorOption = 4;  // the colour of text read before
// The title's and gallery's pictures, and the gallery's slots (128 x 96, five to a row).
constexpr uint32_t kThumbnailColor = kEventColor;  // the middle of the event picture's thumbnail
constexpr uint32_t kPlateColor = 0xFF505050u;      // a locked slot or plate, away from its mark
inline int32_t GallerySlotX(int32_t i) { return 64 + (i % 5) * 150 + 64; }
inline int32_t GallerySlotY(int32_t i) { return 100 + (i / 5) * 120 + 48; }
// The replay room's plate i (centre) and the music room's buttons (centres): play, stop, track
// t (1 to 3).
inline int32_t ReplayPlateX(int32_t k) { return 100 + (k % 5) * 150 + 64; }
inline int32_t ReplayPlateY(int32_t k) { return 72 + (k / 5) * 110 + 48; }
constexpr int32_t kMusicPlayX = 160, kMusicPlayY = 220, kMusicStopX = 160, kMusicStopY = 280;
inline int32_t TrackX() { return 300 + 120; }
inline int32_t TrackY(int32_t t) { return 200 + (t - 1) * 44 + 16; }
// The battle map's two story buttons (centres) and its save, load and settings buttons.
constexpr int32_t kMapEastX = 740, kMapEastY = 324, kMapWestX = 284, kMapWestY = 324;
constexpr uint32_t kMapLandColor = 0xFF5A8A3Au;

// ---- sounds ----
// The music's drones: the theme ("demo_theme"), the dusk music ("demo_night") and the room's
// track ("demo_room"), each under a tune above 390 Hz; the chime's pitch (above every tune's
// partials) and the voice's lowest pitch (its syllables run up to 16 % above it, between the
// drones and the tunes).
constexpr double kThemeDroneHz = 130.81, kNightDroneHz = 110.0, kRoomDroneHz = 146.83;
constexpr double kChimeHz = 2349.3, kVoiceHz = 220.0;
// The replay scene's label and its music-room track file.
constexpr const char* kReplayLabel = "REPLAY1";

// Relative path (UTF-8, "/" separated) -> the file's bytes.
std::map<std::string, std::string> GeneratedFiles();
// Writes every generated file under folder; false when one cannot be written.
bool WriteGeneratedFiles(const std::string& folder);

}  // namespace gxdemo
