// The game started as the program starts it, with a compiled script of the test syntax and a
// recording main play screen ("SeqRukoMain"), for the system, message, text block and wait
// commands. Scripts run on the main worker through the game's command set.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/task/GxTaskManage.h"
#include "core/GxString.h"
#include "moa/GxMoaScriptHost.h"
#include "tests/support/GxHideScreen.h"
#include "tests/game/game_core_fixture.h"
#include "tests/support/GxMoaPackageBuilder.h"
#include "tests/support/GxRecordingMainScreen.h"

namespace cmdtest {

using gxtest::RecordingMainScreen;

// Every command word of these families with an index of its band; "endtext" is only a block end.
inline void AddCommandWords(GxMoaPackageBuilder& b)
{
    const struct { const char16_t* word; int32_t index; } words[] = {
        {u"rand", 300},           {u"getdialogresult", 501},    {u"getdebugmodeflag", 502},
        {u"getsystemsignature", 503}, {u"setgamedatatitle", 504}, {u"getreplaymode", 505},
        {u"getpassedlabel", 506}, {u"setnameidentifymode", 507}, {u"dlg", 508},
        {u"msg", 509},            {u"msgn", 510},               {u"msg.clear", 511},
        {u"text", 512},           {u"endtext", 513},            {u"wa.click", 2100},
        {u"wa.time", 2101},       {u"wa.layer", 2102},          {u"jumptotitle", 10000},
        {u"setextraoption", 10001}, {u"getextraoption", 10002},
    };
    for (const auto& w : words) b.AddBuiltin(w.word, w.index);
}

// The game folder's compiled script "MAIN" from the source.
inline void WriteScript(const std::filesystem::path& game, const char* source)
{
    GxMoaPackageBuilder b;
    AddCommandWords(b);
    ASSERT_TRUE(b.AddScript(u"MAIN", source)) << b.GetErrors();
    std::filesystem::create_directories(game / "bincode");
    ASSERT_TRUE(b.WriteFile((game / "bincode" / "moacode.mwb").string()));
}

// The save folder of StartedCore's settings, seen from the game folder before the start-up.
inline std::filesystem::path SaveFolderOf(const std::filesystem::path& game)
{
    return game.parent_path() / "docs" / "GameTest_SAVE";
}

struct CommandGame
{
    using Prepare = std::function<void(const std::filesystem::path&)>;

    explicit CommandGame(const char* source, const Prepare& extra = {})
        : app([&](const std::filesystem::path& game) {
              WriteScript(game, source);
              if (extra) extra(game);
          })
    {
        tm = app.core->GetTaskManage();
        gxtest::HideProgramMainScreen(tm);
        main = new RecordingMainScreen(tm->GetRootTask());
    }

    // Runs the main worker from the label until it stops; false when the script stopped on an
    // error (the flag is cleared for the next run).
    bool Run(const char16_t* label)
    {
        EXPECT_TRUE(g_MoaWorkerEx->StartAtLabel(label, nullptr)) << GxWideToUtf8(label);
        for (int i = 0; i < 10000 && g_MoaWorkerEx->Run(g_MoaBuiltinEx); ++i) {
        }
        const bool ok = !g_MoaEx->IsErrorStop();
        g_MoaEx->SetErrorStop(false);
        return ok;
    }
    // Starts at the label and runs that many statements; false when one stopped on an error.
    bool StartAndStep(const char16_t* label, int statements)
    {
        EXPECT_TRUE(g_MoaWorkerEx->StartAtLabel(label, nullptr)) << GxWideToUtf8(label);
        for (int i = 0; i < statements && g_MoaWorkerEx->Run(g_MoaBuiltinEx); ++i) {
        }
        const bool ok = !g_MoaEx->IsErrorStop();
        g_MoaEx->SetErrorStop(false);
        return ok;
    }
    GxMoaVariable& Var(const char16_t* name)
    {
        GxMoaVariableSet* set = g_MoaWorkerEx->GetVariableTable().FindVariable(name);
        EXPECT_NE(set, nullptr) << GxWideToUtf8(name);
        static GxMoaVariable none;
        return set ? set->m_Value : none;
    }
    GxUserData& Data() { return *app.core->GetUserData(); }
    GxUserDataPerman& Perman() { return *app.core->GetUserDataPerman(); }

    gametest::StartedCore app;
    GxTaskManage* tm = nullptr;
    RecordingMainScreen* main = nullptr;
};

}  // namespace cmdtest
