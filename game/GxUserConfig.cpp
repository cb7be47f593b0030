#include "game/GxUserConfig.h"

#include <algorithm>
#include <cmath>

#include "app/GxCore.h"
#include "core/GxAtomicFile.h"
#include "core/GxBinBuffer.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxString.h"
#include "core/GxFile.h"
#include "core/GxLog.h"
#include "game/DBRukoChar.h"
#include "game/GxGameStartup.h"

namespace {

constexpr const char* kTag = "BCD";
constexpr uint32_t kVersion = 100;

std::u16string ConfigPath(GxCore* core)
{
    return (core ? core->GetSaveFolder() : std::u16string()) + u"userconf.dat";
}

// The stored fields in their order; one walk serves the writer and the reader.
template <class Int, class Bool>
void WalkFields(GxUserConfig& c, Int&& i32, Bool&& b)
{
    i32("m_ScreenMode", c.m_ScreenMode);
    i32("m_TextWaitTime", c.m_TextWaitTime);
    i32("m_TextLongWaitTime", c.m_TextLongWaitTime);
    i32("m_AutoWaitTime", c.m_AutoWaitTime);
    i32("m_TextWindowOpacity", c.m_TextWindowOpacity);
    b("m_AllowSkipUnreadText", c.m_AllowSkipUnreadText);
    b("m_FastShowReadedText", c.m_FastShowReadedText);
    b("m_ChangeColorReadedText", c.m_ChangeColorReadedText);
    b("m_ChangeColorSelectedMenu", c.m_ChangeColorSelectedMenu);
    b("m_KeepAutoModeAfterSelect", c.m_KeepAutoModeAfterSelect);
    b("m_KeepSkipModeAfterSelect", c.m_KeepSkipModeAfterSelect);
    b("m_StopScreenSaver", c.m_StopScreenSaver);
    b("m_VoiceStopTiming", c.m_VoiceStopTiming);
    b("m_WaitVoiceEndOnAutoMode", c.m_WaitVoiceEndOnAutoMode);
    i32("m_GameDataPage", c.m_GameDataPage);
    i32("m_LastGameDataFileNum", c.m_LastGameDataFileNum);
    i32("m_Volume_Master", c.m_Volume_Master);
    i32("m_Volume_BGM", c.m_Volume_BGM);
    i32("m_Volume_BGV", c.m_Volume_BGV);
    i32("m_Volume_System", c.m_Volume_System);
    i32("m_Volume_Sound", c.m_Volume_Sound);
    i32("m_Volume_Movie", c.m_Volume_Movie);
    i32("m_Volume_RestrainBGM", c.m_Volume_RestrainBGM);
    i32("m_Volume_VoiceMaster", c.m_Volume_VoiceMaster);
    for (int32_t& v : c.m_Volume_Voice) i32("m_Volume_Voice", v);
    b("m_Game_SkipBattleEffect", c.m_Game_SkipBattleEffect);
    b("m_Game_SkipSpecialAttackEffect", c.m_Game_SkipSpecialAttackEffect);
    b("m_Game_SkipBattleVoice", c.m_Game_SkipBattleVoice);
    i32("m_Game_MapScrollSpeed_ScreenEdge", c.m_Game_MapScrollSpeed_ScreenEdge);
    i32("m_Game_MapScrollSpeed_CursorKey", c.m_Game_MapScrollSpeed_CursorKey);
}

int32_t Percent(int32_t v) { return std::clamp(v, 0, 100); }

}  // namespace

int32_t GxVolumeToAttenuation(int32_t percent)
{
    const float x = static_cast<float>(Percent(percent)) / 100.0f;
    const float y = std::pow(x, 0.25f);
    const float level = 100.0f - y * 100.0f;
    return static_cast<int32_t>(level) * -96;
}

void GxUserConfig::SetDefault()
{
    m_ScreenMode = 0;
    m_TextWaitTime = 60;
    m_TextLongWaitTime = 480;
    m_AutoWaitTime = 3000;
    m_TextWindowOpacity = 255;
    m_AllowSkipUnreadText = false;
    m_FastShowReadedText = true;
    m_ChangeColorReadedText = true;
    m_ChangeColorSelectedMenu = true;
    m_KeepAutoModeAfterSelect = false;
    m_KeepSkipModeAfterSelect = false;
    m_StopScreenSaver = true;
    m_VoiceStopTiming = false;
    m_WaitVoiceEndOnAutoMode = true;
    m_Volume_Master = 100;
    m_Volume_BGM = 80;
    m_Volume_BGV = 100;
    m_Volume_System = 100;
    m_Volume_Sound = 100;
    m_Volume_Movie = 100;
    m_Volume_RestrainBGM = 100;
    m_Volume_VoiceMaster = 100;
    for (int32_t& v : m_Volume_Voice) v = 100;
    m_Game_SkipBattleEffect = false;
    m_Game_SkipSpecialAttackEffect = false;
    m_Game_SkipBattleVoice = false;
    m_Game_MapScrollSpeed_ScreenEdge = 50;
    m_Game_MapScrollSpeed_CursorKey = 50;
}

bool GxUserConfig::Serialize(std::string& out)
{
    return GxWriteContentBytes(
        true,
        [this](GxContentWriterBase& writer) {
            writer.WriteHeader(kTag, kVersion);
            WalkFields(
                *this, [&](const char* name, int32_t& v) { writer.WriteGxS32Alt(name, v); },
                [&](const char* name, bool& v) { writer.WriteGxBool(name, v); });
        },
        out);
}

bool GxUserConfig::WriteBytes(GxCore* core, const std::string& bytes)
{
    const std::u16string path = ConfigPath(core);
    if (!GxAtomicWriteFile(path, bytes.data(), bytes.size())) {
        m_FailedBytes = bytes;
        GxPrintErrorLog(u"Error/GxUserConfig Save Failed(%s: %s)\n", path, GxGetAtomicWriteFailure());
        return false;
    }
    m_FilePath = path;
    m_FileBytes = bytes;
    m_FailedBytes.clear();
    return true;
}

bool GxUserConfig::Save(GxCore* core)
{
    std::string bytes;
    if (!Serialize(bytes)) {
        GxPrintErrorLog(u"Error/GxUserConfig Save Failed(%s)\n", ConfigPath(core));
        return false;
    }
    return WriteBytes(core, bytes);
}

GxKeptWrite GxUserConfig::SaveIfChanged(GxCore* core)
{
    std::string bytes;
    if (!Serialize(bytes)) {
        GxPrintErrorLog(u"Error/GxUserConfig Save Failed(%s)\n", ConfigPath(core));
        return GxKeptWrite::Failed;
    }
    if (ConfigPath(core) == m_FilePath && (bytes == m_FileBytes || bytes == m_FailedBytes)) return GxKeptWrite::Unchanged;
    return WriteBytes(core, bytes) ? GxKeptWrite::Written : GxKeptWrite::Failed;
}

bool GxUserConfig::Load(GxCore* core)
{
    const std::u16string path = ConfigPath(core);
    if (!GxDiskFileExists(path)) return false;
    GxBinBuffer buffer;
    if (!GxFileLoadToBinBuffer(buffer, path, false, false) || buffer.GetSize() == 0) return false;
    GxContentBinaryReader reader(buffer);
    uint32_t version = 0;
    if (!reader.ReadHeader(kTag, version)) return false;
    WalkFields(
        *this, [&](const char* name, int32_t& v) { reader.ReadGxS32Alt(name, v); },
        [&](const char* name, bool& v) { reader.ReadGxBool(name, v); });
    // A damaged or hand-edited file must not give gain above full volume or a NaN attenuation.
    Clamp();
    // What is on disk now, so that only a change is written before the quit.
    m_FilePath = path;
    if (!Serialize(m_FileBytes)) m_FileBytes.clear();
    m_FailedBytes.clear();
    return true;
}

void GxUserConfig::Clamp()
{
    for (int32_t* v : {&m_Volume_Master, &m_Volume_BGM, &m_Volume_BGV, &m_Volume_System, &m_Volume_Sound,
                       &m_Volume_Movie, &m_Volume_RestrainBGM, &m_Volume_VoiceMaster})
        *v = Percent(*v);
    for (int32_t& v : m_Volume_Voice) v = Percent(v);
    m_TextWindowOpacity = std::clamp(m_TextWindowOpacity, 0, 255);
}

int32_t GxUserConfig::GetBGMVolume() const
{
    const float r = static_cast<float>(g_GxBgmRestrainPercent) / 100.0f;
    const float b = static_cast<float>(m_Volume_BGM);
    const float q = static_cast<float>(m_Volume_RestrainBGM) * b / 100.0f / 100.0f;
    const float t = b / 100.0f;
    const float v = r * t + q * (1.0f - r);
    const int32_t share = static_cast<int32_t>(v * 100.0f);
    return GxVolumeToAttenuation(share * m_Volume_Master / 100);
}

int32_t GxUserConfig::GetBGVVolume(bool mute) const
{
    return GxVolumeToAttenuation(mute ? 0 : m_Volume_BGV * m_Volume_Master / 100);
}

int32_t GxUserConfig::GetSoundVolume() const { return GxVolumeToAttenuation(m_Volume_Sound * m_Volume_Master / 100); }

int32_t GxUserConfig::GetMovieVolume() const { return GxVolumeToAttenuation(m_Volume_Movie * m_Volume_Master / 100); }

int32_t GxUserConfig::GetVoiceVolume(int32_t charID) const
{
    constexpr int32_t kSilent = -9600;
    if (charID < 0 || charID >= DBRukoChar::kRowCapacity) return kSilent;
    const int32_t group = GxGetDBRukoChar().GetRow(charID)->VoiceVolumeID;
    if (group < 0 || group >= kVoiceVolumeCount) return kSilent;
    return GxVolumeToAttenuation(m_Volume_Voice[group] * m_Volume_VoiceMaster * m_Volume_Master / 100 / 100);
}
