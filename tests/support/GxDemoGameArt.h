// The demo game's drawn and sounded assets: labels set in the IPA Gothic font through the
// engine's FreeType rasteriser, button plates with their labels, the speaker's stand pictures,
// the backgrounds, and the tones of its music, effect and voice. Everything is computed from
// fixed numbers, so the generator writes the same bytes on every run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/GxImageSetFile.h"
#include "tests/support/GxPictureWriter.h"

namespace gxdemo {

// ---- pictures ----

// A picture file's bytes in its smallest PNG form (gxtest::WritePngCompact).
std::string PngFile(const gxtest::TestPicture& picture);
// A source image of an image set: the picture as its one pattern.
gxtest::UIImageSpec ImageOf(const std::u16string& name, const gxtest::TestPicture& picture);

// The pixel width of a text set at size pixels (the sum of its advances).
int32_t LabelWidth(const std::u16string& text, int32_t size);
// Draws text with its cell's top-left at (x, y) in colour (0xAARRGGBB), blended over the
// picture; an edge colour other than 0 draws a one-pixel outline under the glyphs first.
void DrawLabel(gxtest::TestPicture& picture, const std::u16string& text, int32_t size, int32_t x, int32_t y,
               uint32_t color, uint32_t edge = 0);
// The same, centred on (cx, cy).
void DrawLabelCentred(gxtest::TestPicture& picture, const std::u16string& text, int32_t size, int32_t cx, int32_t cy,
                      uint32_t color, uint32_t edge = 0);

// A button plate: its fill with a one-pixel frame, and a label centred on it when one is given.
gxtest::TestPicture Plate(int32_t w, int32_t h, uint32_t fill, uint32_t frame, const std::u16string& label = {},
                          int32_t size = 0, uint32_t textColor = 0xFFFFFFFFu);

// The speaker's stand picture for an expression ("normal", "smile"): a figure on a transparent
// ground whose dress fills the lower part in the stand colour.
gxtest::TestPicture StandPicture(const std::string& expression, int32_t w, int32_t h, uint32_t dress);

// A vertical gradient from top to bottom colour over rows [y0, y1) of the picture.
void FillGradient(gxtest::TestPicture& picture, uint32_t top, uint32_t bottom, uint32_t y0, uint32_t y1);
void FillRect(gxtest::TestPicture& picture, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t color);
void FillCircle(gxtest::TestPicture& picture, int32_t cx, int32_t cy, int32_t r, uint32_t color);

// ---- sounds (16-bit mono samples) ----

// A melody over a soft drone: the notes' frequencies in turn, each beat seconds long.
std::vector<int16_t> Melody(int rate, const std::vector<double>& notes, double beat, double droneHz, double level);
// A bell: two partials decaying over the length.
std::vector<int16_t> Chime(int rate, double seconds, double hz, double level);
// A voice-like phrase: syllables of a tone rich in harmonics, each at its own pitch and shaped by
// its own swell.
std::vector<int16_t> VoicePhrase(int rate, int syllables, double syllableSeconds, double baseHz, double level);

}  // namespace gxdemo
