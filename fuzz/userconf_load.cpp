// The player's options over an untrusted "userconf.dat": whatever the file holds, the loaded
// volumes stay in 0..100, the opacity in 0..255, and every attenuation in -9600..0.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/input_file_fuzz.h"
#include "game/GxUserConfig.h"

namespace {

void CheckAttenuation(int32_t a)
{
    if (a > 0 || a < -9600) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!gxfuzz::WriteInputFile("userconf.dat", data, size)) return 0;

    GxUserConfig c;
    c.Load(nullptr);
    for (int32_t v : {c.m_Volume_Master, c.m_Volume_BGM, c.m_Volume_BGV, c.m_Volume_System, c.m_Volume_Sound,
                      c.m_Volume_Movie, c.m_Volume_RestrainBGM, c.m_Volume_VoiceMaster})
        if (v < 0 || v > 100) abort();
    for (int32_t v : c.m_Volume_Voice)
        if (v < 0 || v > 100) abort();
    if (c.m_TextWindowOpacity < 0 || c.m_TextWindowOpacity > 255) abort();
    CheckAttenuation(c.GetBGMVolume());
    CheckAttenuation(c.GetBGVVolume(false));
    CheckAttenuation(c.GetSoundVolume());
    CheckAttenuation(c.GetMovieVolume());
    CheckAttenuation(c.GetVoiceVolume(0));
    return 0;
}
