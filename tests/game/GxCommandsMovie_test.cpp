// The movie commands through the program's command set: a started core, the script host that
// start-up creates, and a movie layer under the main play screen's task name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include "app/task/GxTaskManage.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "game_core_fixture.h"
#include "game_test_util.h"
#include "layer/GxTaskLayer.h"
#include "media/GxMovie.h"
#include "moa/GxMoaScriptHost.h"
#include "moa/GxMoaVariable.h"
#include "tests/support/GxHideScreen.h"
#include "tests/support/GxMovieWriter.h"

namespace {

using Arg = std::variant<std::monostate, int64_t, std::u16string>;

// Calls a game command the way the executor does; the band index of the movie words.
bool CallCommand(std::u16string_view word, int32_t index, const std::vector<Arg>& args)
{
    GxMoaVariable array;
    if (!args.empty()) {
        array.MakeArray(static_cast<int32_t>(args.size()));
        for (size_t i = 0; i < args.size(); ++i) {
            GxMoaVariable* e = array.GetElement(static_cast<int32_t>(i));
            if (const auto* n = std::get_if<int64_t>(&args[i])) e->SetInt64(*n);
            if (const auto* s = std::get_if<std::u16string>(&args[i])) e->SetString(*s);
        }
    }
    GxMoaExecStack stack;
    GxMoaVariable result;
    return g_MoaBuiltinEx->CallBuiltin(word, index, array, *g_MoaWorkerEx, nullptr, stack, result);
}

bool Mv(const std::vector<Arg>& args) { return CallCommand(u"mv", 1400, args); }

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class MovieCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Core.initialized);
        ASSERT_NE(g_MoaBuiltinEx, nullptr);
        m_Core.core->GetUserConfig()->m_Volume_Movie = 50;
        WriteFile(m_Core.game.game / "movies" / "op.mpg", GxLongTestMovie());
        WriteFile(m_Core.game.game / "movies" / "blank.avi", {});
        GxTaskManage* tm = m_Core.core->GetTaskManage();
        gxtest::HideProgramMainScreen(tm);
        m_Layer = new GxTaskLayer(u"$MOVIELAYER:SeqRukoMain", nullptr, 0, tm->GetRootTask());
    }
    void TearDown() override { delete m_Layer; }

    // Puts something on the layer so that a clear shows.
    void Fill() { ASSERT_TRUE(m_Layer->LoadSolidColor(0xFF102030u, 0)); }

    gametest::StartedCore m_Core;
    GxTaskLayer* m_Layer = nullptr;
};

TEST_F(MovieCommands, ClearsAndPlaysByTheTableOfArguments)
{
    ASSERT_FALSE(GxLongTestMovie().empty());
    const int32_t volume = m_Core.core->GetUserConfig()->GetMovieVolume();
    ASSERT_NE(volume, 0);  // the options' volume must be told apart from a default

    struct Case
    {
        const char* what;
        std::vector<Arg> args;
        bool movie;       // a movie is the current content afterwards
        int32_t fadeMs;   // the cross-fade started; 0: none runs
        int32_t width, height, loopCount;  // the layer's record (loop value - 1)
        double loopStart;
    };
    const Case cases[] = {
        {"no arguments fade the layer out", {}, false, 1000, 0, 0, 0, 0.0},
        {"an empty name with a time of 0 clears at once", {std::u16string(u""), int64_t{0}}, false, 0, 0, 0, 0, 0.0},
        {"an empty name keeps the default time", {std::u16string(u"")}, false, 1000, 0, 0, 0, 0.0},
        {"a name only plays at the defaults", {std::u16string(u"op")}, true, 1000, 1024, 768, -1, 0.0},
        {"every argument given",
         {std::u16string(u"op"), int64_t{500}, int64_t{640}, int64_t{480}, int64_t{1}, int64_t{2500}},
         true, 500, 640, 480, 0, 2.5},
        {"the name with its extension", {std::u16string(u"op.mpg"), int64_t{0}}, true, 0, 1024, 768, -1, 0.0},
        {"a 0-byte file only clears", {std::u16string(u"blank"), int64_t{300}}, false, 300, 0, 0, 0, 0.0},
    };
    for (const Case& c : cases) {
        m_Layer->Clear();
        Fill();
        EXPECT_TRUE(Mv(c.args)) << c.what;
        const GxLayerContent* now = m_Layer->GetCurrentContent();
        EXPECT_EQ(now->m_ContentType, c.movie ? CONTENTTYPE_MOVIE : CONTENTTYPE_NONE) << c.what;
        EXPECT_EQ(m_Layer->IsLocalTransit(), c.fadeMs > 0) << c.what;
        if (c.fadeMs > 0) {
            EXPECT_EQ(m_Layer->GetLocalTransit().m_TransitTimeTotal, c.fadeMs) << c.what;
            EXPECT_EQ(m_Layer->GetOldContent().m_ContentType, CONTENTTYPE_SOLIDCOLOR) << c.what;
        } else {
            EXPECT_EQ(m_Layer->GetOldContent().m_ContentType, CONTENTTYPE_NONE) << c.what;
        }
        if (!c.movie) continue;
        EXPECT_EQ(now->m_ContentFileName, u"movies/op.mpg") << c.what;
        EXPECT_EQ(now->m_Width, c.width) << c.what;
        EXPECT_EQ(now->m_Height, c.height) << c.what;
        EXPECT_EQ(now->m_LoopCount, c.loopCount) << c.what;
        EXPECT_TRUE(now->m_MovieAutoDisappear) << c.what;
        const GxMovieSlotInfo slot = GxMovie::GetSlotInfo(m_Layer->GetMoviePlayer());
        EXPECT_TRUE(slot.m_Playing) << c.what;
        EXPECT_EQ(slot.m_LoopStart, c.loopStart) << c.what;
        EXPECT_EQ(slot.m_LoopCount, c.loopCount) << c.what;
        EXPECT_EQ(slot.m_Volume, volume) << c.what;
    }
    m_Layer->Clear();
}

TEST_F(MovieCommands, AMissingFileIsAnErrorAndLeavesTheLayer)
{
    Fill();
    gametest::LogCapture log;
    EXPECT_FALSE(Mv({std::u16string(u"none"), int64_t{0}}));
    EXPECT_EQ(log.Count("動画ファイルが見つかりません[movies/none]"), 1u);
    EXPECT_EQ(m_Layer->GetCurrentContent()->m_ContentType, CONTENTTYPE_SOLIDCOLOR);
    EXPECT_FALSE(m_Layer->IsLocalTransit());
}

TEST_F(MovieCommands, WithoutTheMovieLayerEveryLayerWordFails)
{
    delete m_Layer;
    m_Layer = nullptr;
    gametest::LogCapture log;
    EXPECT_FALSE(Mv({}));
    EXPECT_FALSE(CallCommand(u"mv.autostop", 1400, {}));
    EXPECT_EQ(log.Count("$MOVIELAYER:SeqRukoMain"), 2u);
}

TEST_F(MovieCommands, WaitStoresTheInputMaskWithBitZero)
{
    GxUserData* data = m_Core.core->GetUserData();
    struct Case
    {
        std::vector<Arg> args;
        int32_t hold;
        bool hide;
    };
    const Case cases[] = {
        {{}, 15, false},
        {{int64_t{0}, int64_t{2}}, 3, false},
        {{int64_t{0}, int64_t{0}}, 1, false},  // no input ends it, but the word stays set
        {{int64_t{1}}, 15, true},
        {{std::u16string(u""), int64_t{8}}, 9, false},
        {{int64_t{0x100000000}}, 15, true},  // the 64-bit value decides, not its low word
    };
    for (const Case& c : cases) {
        data->m_Hold_EndOfMovie = 0;
        data->m_HideWindowByCommandFlag = false;
        EXPECT_TRUE(CallCommand(u"mv.wa", 1400, c.args));
        EXPECT_EQ(data->m_Hold_EndOfMovie, c.hold);
        EXPECT_EQ(data->m_HideWindowByCommandFlag, c.hide);
    }
}

TEST_F(MovieCommands, AutoStopSetsTheLayersFadeTime)
{
    EXPECT_TRUE(CallCommand(u"mv.autostop", 1400, {}));
    EXPECT_EQ(m_Layer->GetMovieAutoDisappearTime(), 800);
    EXPECT_TRUE(CallCommand(u"mv.autostop", 1400, {int64_t{250}}));
    EXPECT_EQ(m_Layer->GetMovieAutoDisappearTime(), 250);
}

}  // namespace
