// Runs scripts of the test syntax (tests/support/GxMoaPackageBuilder.h) on the script host that
// the start-up made, with the game's command set, as the main play screen runs the story: every
// game command word is in the package's builtin table with an index of its band.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "game/GxGameCommand.h"
#include "moa/GxMoaScriptHost.h"
#include "tests/support/GxMoaPackageBuilder.h"

namespace gametest {

// Loads the source as the script "MAIN" (its line n is the source's line n).
inline ::testing::AssertionResult LoadGameScript(std::string_view source)
{
    if (!g_MoaEx || !g_MoaWorkerEx) return ::testing::AssertionFailure() << "no script host";
    GxMoaPackageBuilder b;
    size_t count = 0;
    const GxGameCommandWord* words = GxGetGameCommandWords(&count);
    for (size_t i = 0; i < count; ++i) b.AddBuiltin(words[i].word, words[i].first);
    if (!b.AddScript(u"MAIN", source)) return ::testing::AssertionFailure() << b.GetErrors();
    if (!b.LoadInto(*g_MoaEx)) return ::testing::AssertionFailure() << "the package did not load";
    g_MoaEx->InitExternVariables();
    g_MoaWorkerEx->CreateScriptEntities();
    return ::testing::AssertionSuccess();
}

// Runs from the label until the worker stops (a bounded number of statements). False when the
// script stopped on an error.
inline bool RunGameScript(std::u16string_view label)
{
    g_MoaEx->ResetRunState();
    if (!g_MoaWorkerEx->StartAtLabel(label, nullptr)) return false;
    for (int i = 0; i < 1000 && g_MoaWorkerEx->Run(g_MoaBuiltinEx); ++i) {
    }
    return !g_MoaEx->IsErrorStop();
}

// Loads a script of one statement under the label "start" and runs it.
inline bool RunGameStatement(std::string_view statement)
{
    const ::testing::AssertionResult loaded = LoadGameScript("*start\n" + std::string(statement) + "\nexit()\n");
    EXPECT_TRUE(loaded) << statement;
    return loaded && RunGameScript(u"start");
}

}  // namespace gametest
