// The player's options over an untrusted "userconf.dat": whatever the file holds, the loaded
// volumes stay in 0..100, the opacity in 0..255, and every attenuation in -9600..0.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/GxLog.h"
#include "game/GxUserConfig.h"

namespace {

const std::string& WorkFolder()
{
    static const std::string folder = [] {
        char templ[] = "/tmp/gxfuzz_userconf_XXXXXX";
        const char* made = mkdtemp(templ);
        return std::string(made ? made : "/tmp");
    }();
    return folder;
}

void CheckAttenuation(int32_t a)
{
    if (a > 0 || a < -9600) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        GxSetErrorLogPath(u"/dev/null");
        GxSetDebugLogPath(u"/dev/null");
        if (chdir(WorkFolder().c_str()) != 0) return false;
        std::atexit([] {
            std::remove((WorkFolder() + "/userconf.dat").c_str());
            rmdir(WorkFolder().c_str());
        });
        return true;
    }();
    (void)ready;

    FILE* f = std::fopen("userconf.dat", "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

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
