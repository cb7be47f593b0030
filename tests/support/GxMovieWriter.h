// Tiny movies encoded at test time with FFmpeg's own encoders: MPEG-1 video in an MPEG program
// stream (".mpg"), optionally with MP2 sound, every frame one solid colour so that a test can
// tell which frame a texture shows.
#pragma once

#include <cstdint>
#include <vector>

struct GxMovieSpec
{
    uint32_t width = 64;
    uint32_t height = 48;
    uint32_t fps = 25;  // an MPEG-1 rate: 24, 25, 30, 50 or 60
    // One 0xRRGGBB colour per frame.
    std::vector<uint32_t> colors;
    // A 440 Hz tone at 44100 Hz stereo for the movie's length.
    bool sound = true;
    // The video's bit rate (bits a second); solid frames need far less than the default.
    uint32_t videoBitRate = 400000;
    // Frames from one key frame to the next; frames that repeat the last colour cost little
    // between key frames.
    int gop = 5;
};

// The colours the default test movie uses: ten well-separated colours.
std::vector<uint32_t> GxMovieTestColors();

// The bytes of the ".mpg" file; empty on failure.
std::vector<uint8_t> GxWriteTestMovie(const GxMovieSpec& spec);

// A silent movie of fourteen seconds at 64x48 (the test colours over and over), encoded once per
// program: long enough for the positions the layer and game tests seek to. Empty on failure.
const std::vector<uint8_t>& GxLongTestMovie();

// Holds the sound clock (and with it every movie clock) still while it lives, so positions read
// back exactly as they were set; restores the steady clock at the end.
class GxFrozenSoundClock
{
public:
    GxFrozenSoundClock();
    ~GxFrozenSoundClock();
    GxFrozenSoundClock(const GxFrozenSoundClock&) = delete;
    GxFrozenSoundClock& operator=(const GxFrozenSoundClock&) = delete;
};

// True when every channel of a and b (0xRRGGBB, alpha ignored) is within tolerance.
bool GxMovieColorNear(uint32_t a, uint32_t b, int tolerance = 24);
