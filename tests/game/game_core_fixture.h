// A started application object for the game tests: a temporary game folder with its settings
// file, the headless window, the recording graphics device and the recording sound layer, and
// GxCore::Initialize run as the program runs it. The game functions reach the object through
// GxGetCore() as in the program.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "app/GxCore.h"
#include "core/GxPackFile.h"
#include "game/DBBGMMode.h"
#include "game/DBCGMode.h"
#include "game/DBEffect.h"
#include "game/DBRPMode.h"
#include "game/DBRukoChar.h"
#include "game/DBUILayout.h"
#include "game/DBUIModule.h"
#include "platform/GxSdlWindow.h"
#include "tests/app/core_test_util.h"
#include "tests/support/GxRecordingSound.h"

namespace gametest {

// The program's tables are process-wide: every test that fills them empties them after.
inline void ClearGameTables()
{
    GxGetDBRukoChar().Clear();
    GxGetDBBGMMode().Clear();
    GxGetDBCGMode().Clear();
    GxGetDBCGModeParam().Clear();
    GxGetDBRPMode().Clear();
    GxGetDBUIModule().Clear();
    GxGetDBUILayout().Clear();
    GxGetDBEffect().Clear();
}

// The headless window services, with the captions set on the main window kept.
class CaptionRecordingWindow : public GxSdlWindowServices
{
public:
    using GxSdlWindowServices::GxSdlWindowServices;
    void SetWindowText(GxWindowHandle window, const std::u16string& text) override
    {
        captions.push_back(GxWideToUtf8(text));
        GxSdlWindowServices::SetWindowText(window, text);
    }
    std::vector<std::string> captions;
};

// Window is the headless window services the test wants to look into.
template <class Window>
struct BasicStartedCore
{
    coretest::TempGame game;
    std::optional<coretest::ScopedCwd> cwd;
    std::optional<coretest::ScopedEnv> docs;
    coretest::MessageBoxes boxes;
    coretest::RecordingDevice device;
    std::unique_ptr<Window> ws;
    GxRecordingSound sound;
    std::unique_ptr<GxCore> core;

    // prepare runs in the game folder before the start-up (to write data files).
    template <class Prepare>
    explicit BasicStartedCore(Prepare prepare,
                              const std::string& sysconf = "APP_TITLE=GameTest\nAPP_SAVEDIR=GameTest_SAVE\n")
        : game(sysconf)
    {
        cwd.emplace(game.game);
        docs.emplace("XDG_DOCUMENTS_DIR", game.docs.string());
        prepare(game.game);
        GxSdlWindowOptions o;
        o.headless = true;
        o.lockFolder = game.locks.string();
        ws = std::make_unique<Window>(o);
        EXPECT_TRUE(ws->Initialize());
        core = std::make_unique<GxCore>(ws.get());
        GxSetCore(core.get());
        initialized = core->Initialize();
        EXPECT_TRUE(initialized);
    }
    BasicStartedCore() : BasicStartedCore([](const std::filesystem::path&) {}) {}
    ~BasicStartedCore()
    {
        if (initialized) core->Finalize();
        core.reset();
        GxSetCore(nullptr);
        GxFileCloseAllPacks();
        ClearGameTables();
    }
    bool initialized = false;
};

using StartedCore = BasicStartedCore<CaptionRecordingWindow>;

}  // namespace gametest
