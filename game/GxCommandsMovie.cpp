// The game's movie commands: a movie on the main play screen's movie layer, the wait for its
// end, and the time in which a finished movie fades itself out.
#include "app/GxCore.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFile.h"
#include "game/GxGameCommandHandlers.h"
#include "game/GxGameLookup.h"
#include "game/GxMainScreen.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "layer/GxTaskLayer.h"
#include "moa/GxMoaVariable.h"
#include "platform/GxPresentRect.h"

namespace {

constexpr int32_t kDefaultEffectTime = 1000;  // ms
constexpr int32_t kDefaultAutoStopTime = 800;  // ms

GxCore* CoreOf(GxGameCommandCall& call) { return call.core ? call.core : GxGetCore(); }

// The given argument as the script's 64-bit value cut to 32 bits, else the default.
int32_t IntOr(GxGameCommandCall& call, int32_t i, int32_t fallback)
{
    if (!call.ArgPresent(i)) return fallback;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(call.Arg(i)->GetInt64())));
}

// The movie layer of the main play screen; reported when the screen has none.
GxTaskLayer* FindMovieLayer(GxGameCommandCall& call)
{
    GxCore* core = CoreOf(call);
    GxTaskManage* tm = core ? core->GetTaskManage() : nullptr;
    GxTaskBase* task = tm ? tm->FindTaskByName(kGxMainScreenMovieLayer) : nullptr;
    auto* layer = dynamic_cast<GxTaskLayer*>(task);
    if (!layer) call.Error(u"movie layer $MOVIELAYER:SeqRukoMain not found");
    return layer;
}

}  // namespace

bool GxCmdMv(GxGameCommandCall& call)
{
    const int32_t time = IntOr(call, 1, kDefaultEffectTime);
    const int32_t width = IntOr(call, 2, kGxLogicalScreenWidth);
    const int32_t height = IntOr(call, 3, kGxLogicalScreenHeight);
    const int32_t loop = IntOr(call, 4, 0);
    const double loopStart = call.ArgPresent(5) ? static_cast<double>(call.Arg(5)->GetInt64()) / 1000.0 : 0.0;

    GxTaskLayer* layer = FindMovieLayer(call);
    if (!layer) return false;
    if (!call.ArgPresent(0)) {
        layer->StartLocalTransit(time);
        return true;
    }

    GxCore* core = CoreOf(call);
    GxSystemConfig* sc = core ? core->GetSystemConfig() : nullptr;
    const std::u16string joined = (sc ? sc->m_AssetFolder[kGxFolderMovies] : std::u16string(u"movies/")) +
                                  call.ArgString(0);
    std::u16string file = joined;
    if (!GxFindMovieFile(file)) {
        call.Error(u"動画ファイルが見つかりません[%s]", joined);
        return false;
    }
    // An empty file stands for "no movie": the layer is cleared as without a name.
    if (GxFileGetSize(file) == 0) {
        layer->StartLocalTransit(time);
        return true;
    }
    GxUserConfig* uc = core ? core->GetUserConfig() : nullptr;
    const int32_t volume = uc ? uc->GetMovieVolume() : 0;
    // A movie that does not open leaves the layer empty; the layer logs why.
    layer->LoadMovie(file, width, height, loop, loopStart, volume, true, time);
    return true;
}

bool GxCmdMvWa(GxGameCommandCall& call)
{
    GxCore* core = CoreOf(call);
    GxUserData* data = core ? core->GetUserData() : nullptr;
    if (!data) {
        call.Error(u"no game state");
        return false;
    }
    if (call.ArgPresent(0) && call.Arg(0)->GetInt64() != 0) data->m_HideWindowByCommandFlag = true;
    // Bit 0 keeps the word non-zero even for a mask that lets no input end the wait.
    data->m_Hold_EndOfMovie = call.ArgPresent(1) ? (IntOr(call, 1, 0) | 1) : 15;
    return true;
}

bool GxCmdMvAutoStop(GxGameCommandCall& call)
{
    const int32_t time = IntOr(call, 0, kDefaultAutoStopTime);
    GxTaskLayer* layer = FindMovieLayer(call);
    if (!layer) return false;
    layer->SetMovieAutoDisappearTime(time);
    return true;
}
