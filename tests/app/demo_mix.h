// The sound of the demo's headless runs (GX_AUDIO_CAPTURE: 44100 Hz, 16-bit stereo, one slice of
// 735 sample frames per main-loop frame), read back for checks over windows of frames: the
// level as the RMS about the window's mean (a constant sample value is silence), and the
// amplitude of one tone (Goertzel), which tells the demo's sounds apart by their pitches.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/core_test_util.h"

namespace coretest {

struct Mix
{
    static constexpr size_t kPerFrame = 44100 / 60;
    std::vector<double> mono;  // (left + right) / 2 per sample frame

    bool Read(const std::filesystem::path& file)
    {
        std::string bytes;
        if (!ReadFile(file, bytes) || bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0) return false;
        for (size_t at = 12; at + 8 <= bytes.size();) {
            const uint32_t size = uint32_t(uint8_t(bytes[at + 4])) | uint32_t(uint8_t(bytes[at + 5])) << 8 |
                                  uint32_t(uint8_t(bytes[at + 6])) << 16 | uint32_t(uint8_t(bytes[at + 7])) << 24;
            if (bytes.compare(at, 4, "data") == 0) {
                const size_t n = std::min<size_t>(size, bytes.size() - at - 8) / 4;
                mono.resize(n);
                auto sample = [&](size_t i) {
                    return double(int16_t(uint16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8)));
                };
                for (size_t i = 0; i < n; ++i) mono[i] = (sample(at + 8 + 4 * i) + sample(at + 10 + 4 * i)) / 2.0;
                return true;
            }
            at += 8 + size + (size & 1);
        }
        return false;
    }
    size_t Frames() const { return mono.size() / kPerFrame; }

    // The RMS about the mean of the main-loop frames [f0, f1); -1 when the mix is shorter.
    double Level(size_t f0, size_t f1) const
    {
        const size_t a = f0 * kPerFrame, b = f1 * kPerFrame;
        if (b > mono.size() || a >= b) return -1.0;
        double mean = 0.0;
        for (size_t i = a; i < b; ++i) mean += mono[i];
        mean /= double(b - a);
        double sum = 0.0;
        for (size_t i = a; i < b; ++i) sum += (mono[i] - mean) * (mono[i] - mean);
        return std::sqrt(sum / double(b - a));
    }

    // The amplitude of a sine of hz in the frames [f0, f1) (a sine of amplitude A gives about A).
    double Tone(size_t f0, size_t f1, double hz) const
    {
        const size_t a = f0 * kPerFrame, b = std::min(f1 * kPerFrame, mono.size());
        if (a >= b) return -1.0;
        const double w = 2.0 * 3.14159265358979323846 * hz / 44100.0, coeff = 2.0 * std::cos(w);
        double s1 = 0.0, s2 = 0.0;
        for (size_t i = a; i < b; ++i) {
            const double s0 = mono[i] + coeff * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
        return 2.0 * std::sqrt(std::max(power, 0.0)) / double(b - a);
    }

    // The strongest tone between lo and hi (steps of 2 Hz).
    double Band(size_t f0, size_t f1, double lo, double hi) const
    {
        double best = 0.0;
        for (double hz = lo; hz <= hi; hz += 2.0) best = std::max(best, Tone(f0, f1, hz));
        return best;
    }
};

}  // namespace coretest
