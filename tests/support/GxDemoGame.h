// The generated files of the bundled demo game ("demo/"): its pictures, grid fonts, shared
// image sets, music and movie. The demo's text files (settings, tables, script) are written by hand; its package
// comes from its script through GxWriteGamePackage. The demo generator tool writes these, and a
// test regenerates them and compares them with the committed ones.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace gxdemo {

// The title picture's colour (0xAARRGGBB), one colour over the whole picture.
constexpr uint32_t kTitleColor = 0xFF3060C0u;
// Where the title's start button sits on the screen (its layout row) and its size.
constexpr int32_t kStartLeft = 412, kStartTop = 600, kStartWidth = 200, kStartHeight = 48;

// The story's pictures, each one colour: the background, the speaker's stand picture (its size
// too: the story places it centred at the bottom), the event picture and the movie's frames.
constexpr uint32_t kBackgroundColor = 0xFF3A8A4Au;
constexpr uint32_t kStandColor = 0xFFE07030u;
constexpr int32_t kStandWidth = 240, kStandHeight = 600;
constexpr uint32_t kEventColor = 0xFF9040B0u;
constexpr uint32_t kMovieColor = 0xFFD0D020u;
// The gallery: its one picture slot (layout row) and the thumbnail drawn over it once seen.
constexpr uint32_t kThumbnailColor = 0xFF20C0C0u;
constexpr uint32_t kPlateColor = 0xFF505050u;
constexpr int32_t kSlotLeft = 64, kSlotTop = 120, kSlotWidth = 128, kSlotHeight = 96;
// The title's gallery button.
constexpr int32_t kGalleryLeft = 412, kGalleryTop = 660;
// The music's tone.
constexpr double kToneHz = 440.0;

// Relative path (UTF-8, "/" separated) -> the file's bytes.
std::map<std::string, std::string> GeneratedFiles();
// Writes every generated file under folder; false when one cannot be written.
bool WriteGeneratedFiles(const std::string& folder);

}  // namespace gxdemo
