// The sound side of the headless harness (platform/GxHeadless.h):
//   GX_UNPACED=1              the sound clock follows the frame clock (each frame 1/60 s), and
//                             the mixer runs on its manual backend, each main-loop frame pulling
//                             44100/60 frames (remainder carried): fades, last-use times and
//                             the sounds themselves advance with the frames, not the machine
//   GX_AUDIO_CAPTURE=file.wav headless only: the mixer runs on its manual backend as above (also
//                             paced), and the mix is written as a 44100 Hz 16-bit stereo WAV at
//                             shutdown
// The entry calls Begin before the sound starts, Frame after each main-loop frame and End after
// the sound is released; the sound start-up opens the backend that Backend names.
#pragma once

#include <cstdint>
#include <string>

#include "platform/GxMixer.h"

struct GxSoundHarnessOptions
{
    bool headless = false;
    bool unpaced = false;
    std::string capturePath;  // "" for no capture
};

class GxSoundHarness
{
public:
    GxSoundHarness() = delete;

    // The options from the environment, given whether the run is headless and unpaced.
    static GxSoundHarnessOptions FromEnvironment(bool headless, bool unpaced);
    static void Begin(const GxSoundHarnessOptions& options);
    // The backend the sound start-up opens: the manual one while capturing or unpaced, SDL's
    // dummy driver headless (no sound card is asked for), else the device.
    static GxMixerBackendKind Backend();
    // One main-loop frame has run.
    static void Frame();
    // Writes the capture (false when that failed) and restores the sound clock.
    static bool End();
};
