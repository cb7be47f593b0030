// Sound fixtures for the mixer, buffer and player tests: ramp sounds in which every sample frame
// tells its own index, so a rendered frame shows which source frame it came from, and a scope that
// opens the manual mixer the way start-up opens a backend.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/GxMixer.h"

// PCM bytes of `frames` ramp frames. 16-bit stereo: left = index % 32768, right = index / 32768
// (GxRampIndex reads them back); 16-bit mono: index x step; 8-bit: index % 256 in both channels.
std::vector<uint8_t> GxRampPcm(uint32_t frames, int channels, int bits, int step = 1);
// A whole WAV file of the ramp.
std::vector<uint8_t> GxRampWav(uint32_t frames, int channels, int rate, int bits, int step = 1);
// A WAV of frames of one constant 16-bit value (both channels when stereo).
std::vector<uint8_t> GxConstantWav(uint32_t frames, int channels, int rate, int16_t value);

// The source index of a rendered 16-bit stereo ramp frame.
inline int64_t GxRampIndex(const int16_t* frame) { return int64_t(frame[0]) + int64_t(frame[1]) * 32768; }

// Opens the manual backend for the test's lifetime (and closes whatever was open).
class GxManualMixerScope
{
public:
    GxManualMixerScope();
    ~GxManualMixerScope();
    GxManualMixerScope(const GxManualMixerScope&) = delete;
    GxManualMixerScope& operator=(const GxManualMixerScope&) = delete;

    bool IsOpen() const { return GxMixer::Get() != nullptr; }
    // Renders frames of interleaved stereo and appends them to Output().
    std::vector<int16_t> Render(uint32_t frames);
    const std::vector<int16_t>& Output() const { return m_Output; }

private:
    std::vector<int16_t> m_Output;
};
