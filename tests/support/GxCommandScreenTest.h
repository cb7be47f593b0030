// The fixture of the picture and effect command tests: a started application object (the
// program's own start-up, settings, game state and script host), the fake main play screen with
// stand layers "Ruko", "Mio" and "Ghost" under the task root, character rows for "Ruko" and
// "Mio" (none for "Ghost"), pictures written into the game folder, and scripts run through the
// script host with the error lines they log captured.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/task/GxTaskManage.h"
#include "game/DBRukoChar.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "tests/support/GxHideScreen.h"
#include "tests/game/game_core_fixture.h"
#include "tests/game/game_test_util.h"
#include "tests/support/GxFakeMainScreen.h"
#include "tests/support/GxNcWriter.h"
#include "tests/support/GxPictureWriter.h"

namespace gxtest {

class CommandScreenTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app = std::make_unique<gametest::StartedCore>();
        ASSERT_TRUE(app->initialized);
        gxtest::HideProgramMainScreen(app->core->GetTaskManage());
        screen = new FakeMainScreen(app->core->GetTaskManage()->GetRootTask(), {u"Ruko", u"Mio", u"Ghost"});
        DBRukoChar& chars = GxGetDBRukoChar();
        chars.GetRow(1)->CharName = u"Ruko";
        chars.GetRow(1)->StandPath = u"cg/stand/ruko/";
        chars.GetRow(1)->NCProjFileName = u"ruko";
        chars.GetRow(2)->CharName = u"Mio";
        chars.GetRow(2)->StandPath = u"cg/stand/mio/";
        chars.GetRow(2)->NCProjFileName = u"nowhere";
        log = std::make_unique<gametest::LogCapture>();
    }
    void TearDown() override
    {
        log.reset();
        app.reset();
    }

    // A picture of one colour at a path of the game folder.
    void WritePicture(const std::string& path, uint32_t width, uint32_t height, uint32_t argb = 0xFF808080u)
    {
        const std::vector<uint8_t> png = WritePngRgba(TestPicture(width, height, argb));
        ASSERT_TRUE(GxNcWriteFileBytes((app->game.game / path).string(), std::string(png.begin(), png.end())))
            << path;
    }
    void WriteBytes(const std::string& path, const std::string& bytes)
    {
        ASSERT_TRUE(GxNcWriteFileBytes((app->game.game / path).string(), bytes)) << path;
    }

    // Runs the lines after a label MAIN; true when the script ended without an error stop.
    bool Run(const std::string& lines)
    {
        bool stopped = true;
        EXPECT_TRUE(RunGameScript("*MAIN\n" + lines, &stopped)) << lines;
        return !stopped;
    }
    // The error lines logged so far, joined, for failure messages and searches.
    std::string Errors() const
    {
        std::string all;
        for (const std::string& l : log->lines) all += l;
        return all;
    }
    bool Logged(const std::string& text) const { return Errors().find(text) != std::string::npos; }

    // A layer wait as a script line states it: the wait mask it holds, and whether it hides the
    // message window.
    struct LayerWait
    {
        const char* script;
        int32_t mask;
        bool hidden;
    };
    // Runs each line from a cleared wait state; each must hold its mask on the layer.
    void ExpectLayerWaits(const std::vector<LayerWait>& cases, const std::u16string& layer)
    {
        for (const LayerWait& c : cases) {
            Data().m_HideWindowByCommandFlag = false;
            Data().m_Hold_EndOfLayerActionSeparate = 0;
            Data().m_Hold_EndOfLayerActionSeparate_LayerName.clear();
            ASSERT_TRUE(Run(std::string(c.script) + "\n")) << c.script << Errors();
            EXPECT_EQ(Data().m_Hold_EndOfLayerActionSeparate, c.mask) << c.script;
            EXPECT_EQ(Data().m_Hold_EndOfLayerActionSeparate_LayerName, layer) << c.script;
            EXPECT_EQ(Data().m_HideWindowByCommandFlag, c.hidden) << c.script;
        }
    }

    GxUserData& Data() { return *app->core->GetUserData(); }
    GxUserDataPerman& Perman() { return *app->core->GetUserDataPerman(); }
    GxSystemConfig& Settings() { return *app->core->GetSystemConfig(); }
    RecordingLayer& Stand(const char16_t* name) { return *screen->stands.at(name); }

    std::unique_ptr<gametest::StartedCore> app;
    std::unique_ptr<gametest::LogCapture> log;
    FakeMainScreen* screen = nullptr;  // owned by the task tree
};

}  // namespace gxtest
