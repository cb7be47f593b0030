#include "game/GxGameStatement.h"

#include <string>

#include "app/GxCore.h"
#include "core/GxString.h"
#include "game/GxGameLookup.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "moa/GxMoaWorker.h"

namespace {

// The name when its picture exists in the name folder, else empty. The screen looks the picture
// up in that folder itself, so it gets the name and not the path found here.
std::u16string NamePicture(const GxSystemConfig& config, const std::u16string& name)
{
    if (name.empty()) return {};
    std::u16string file = config.m_AssetFolder[kGxFolderCgName] + name;
    return GxFindImageFile(file) ? name : std::u16string();
}

}  // namespace

void GxShowScriptTextLine(GxCore* core, GxMoaWorker& worker, std::u16string_view text)
{
    GxMainScreen* screen = GxFindMainScreen(core);
    GxUserData* data = core ? core->GetUserData() : nullptr;
    GxUserDataPerman* perman = core ? core->GetUserDataPerman() : nullptr;
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;

    const std::u16string script = worker.GetScriptName(nullptr);
    const int32_t key = worker.GetLine(nullptr) + 1;
    const bool readBefore = perman && perman->GetReadedMessageFlag(script, key);
    const bool ignoreKinsoku = data && data->m_IgnoreKinsoku;
    const int32_t mode = data ? data->m_NameIdentifyMode : 0;
    const int separator = config ? GxFindFirstOf(text, config->m_NameSeparators) : -1;

    bool show = true;
    std::u16string_view message = text;
    // The back log keeps the speaker apart from the speech, as the message commands log them.
    std::u16string_view speaker;
    if (separator < 0 || mode == 0) {
        if (screen) screen->ClearName();
    } else if (mode == 1 || mode == 2 || mode == 3) {
        speaker = text.substr(0, separator);
        std::u16string name(speaker);
        message = text.substr(separator);
        if (mode == 2) name = NamePicture(*config, name);
        if (screen) screen->SetName(name, mode);
    } else {
        // An unknown name mode shows nothing of a line that names a speaker.
        show = false;
    }
    if (show && screen) screen->SetMessage(message, readBefore, ignoreKinsoku, false);

    if (data) {
        if (show) data->AppendMessageLog(std::u16string(speaker), std::u16string(message), ignoreKinsoku, false);
        else data->AppendMessageLog(std::u16string(), std::u16string(text), ignoreKinsoku, false);
    }
    if (perman) perman->SetReadedMessageFlag(script, key);
}
