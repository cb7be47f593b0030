// The game's command set: routing by band and word, the words the dispatcher answers itself,
// the trace and debug-log overrides, and the argument and alignment helpers.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "app/GxSeqBase.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "game/DBRPMode.h"
#include "game/GxGameCommand.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "moa/GxMoaScriptHost.h"
#include "moa/GxMoaVariable.h"
#include "tests/support/GxHideScreen.h"
#include "tests/game/game_core_fixture.h"
#include "tests/support/GxMoaPackageBuilder.h"

namespace {

// Every line of every log, with its level (0 lesser errors, 1 errors, 2 debug); the log files
// go to the test's temporary folder meanwhile.
class AllLogs : public GxDebugListenerBase
{
public:
    AllLogs()
        : m_Previous(GxGetDebugListener()), m_ErrorPath(GxGetLogPath(GxLogFile::Error)),
          m_DebugPath(GxGetLogPath(GxLogFile::Debug))
    {
        GxSetErrorLogPath(GxUtf8ToWide(::testing::TempDir() + "game_command_error.log"));
        GxSetDebugLogPath(GxUtf8ToWide(::testing::TempDir() + "game_command_debug.log"));
        GxSetDebugListener(this);
    }
    ~AllLogs() override
    {
        GxSetDebugListener(m_Previous);
        GxSetErrorLogPath(m_ErrorPath);
        GxSetDebugLogPath(m_DebugPath);
    }
    void OnDebugOutput(const std::u16string& text, int level) override { lines.push_back({level, text}); }
    std::vector<std::pair<int, std::u16string>> lines;

private:
    GxDebugListenerBase* m_Previous;
    std::u16string m_ErrorPath;
    std::u16string m_DebugPath;
};

// A program with one script MAIN, its worker started at MAIN, and the command set, all over an
// optional application object.
struct Host
{
    explicit Host(GxCore* core, const char* source = "*MAIN\nx = 1\n") : worker(&program, core), commands(core)
    {
        GxMoaPackageBuilder b;
        EXPECT_TRUE(b.AddScript(u"MAIN", source)) << b.GetErrors();
        EXPECT_TRUE(b.LoadInto(program));
        program.InitExternVariables();
        worker.CreateScriptEntities();
        EXPECT_TRUE(worker.StartAtLabel(u"MAIN", nullptr));
    }

    // Calls the command with the arguments (an Array) and returns its answer.
    bool Call(std::u16string_view name, int32_t index, std::vector<std::u16string> args = {})
    {
        GxMoaVariable array;
        array.SetArraySize(static_cast<int32_t>(args.size()));
        for (size_t i = 0; i < args.size(); ++i) array.GetElement(static_cast<int32_t>(i))->SetString(args[i]);
        result.SetNull();
        return commands.CallBuiltin(name, index, array, worker, nullptr, worker.GetExecStack(), result);
    }

    GxMoaEx program;
    GxMoaWorkerEx worker;
    GxMoaBuiltinEx commands;
    GxMoaVariable result;
};

TEST(GameCommandRouting, TheIndexSelectsTheBandAndTheWordItsHandler)
{
    struct Case
    {
        const char16_t* name;
        int32_t index;
        bool answer;
        uint32_t errors;  // a routed word that refuses its arguments reports; an unrouted one is silent
    };
    const Case cases[] = {
        {u"rand", 300, true, 0},
        {u"rand", 499, true, 0},
        {u"rand", 500, false, 0},  // looked up only in its own band
        {u"rand", 999, false, 0},
        {u"getlastselect", 500, true, 0},
        {u"getlastselect", 999, true, 0},
        {u"getlastselect", 1000, false, 0},
        {u"GetLastSelect", 500, false, 0},  // exact comparison
        {u"getlastselect ", 500, false, 0},
        {u"getlastselect", 0, false, 0},
        {u"getlastselect", -5, false, 0},
        {u"getlastselect", 1600, false, 0},
        {u"getlastselect", 2400, false, 0},
        {u"bmap_jumptoselect", 20000, false, 0},
        {u"bmap_jumptoselect", 29999, false, 0},
        {u"bmap_jumptoselect", 30000, true, 0},
        {u"bmap_jumptoselect", INT32_MAX, true, 0},
        {u"sp.color", 1000, false, 1},  // no layer named "-3"
        {u"sp.color", 1100, false, 0},
        {u"wa.click", 2100, true, 0},
        {u"rp.setall", 2399, true, 0},
        {u"abs", 101, true, 0},  // a generic builtin
    };
    AllLogs logs;
    for (const Case& c : cases) {
        Host host(nullptr);
        const std::string label = GxWideToUtf8(c.name) + " at " + std::to_string(c.index);
        EXPECT_EQ(host.Call(c.name, c.index, {u"-3"}), c.answer) << label;
        EXPECT_EQ(host.program.GetErrorCount(), c.errors) << label;
    }
}

TEST(GameCommandRouting, AliasesRunTheSameHandlerAndNoWordLiesInAGap)
{
    size_t count = 0;
    const GxGameCommandWord* words = GxGetGameCommandWords(&count);
    ASSERT_GT(count, 0u);
    auto handler = [&](const char16_t* word) -> GxGameCommandHandler {
        for (size_t i = 0; i < count; ++i) {
            if (std::u16string_view(words[i].word) == word) return words[i].handler;
        }
        ADD_FAILURE() << GxWideToUtf8(word) << " is not in the table";
        return nullptr;
    };
    const std::pair<const char16_t*, const char16_t*> same[] = {
        {u"ev.color", u"bg.color"}, {u"ev.act_move", u"bg.act_move"}, {u"ev.wa", u"bg.wa"},
        {u"se", u"se_0"},           {u"vo", u"vo_0"}};
    for (const auto& [alias, word] : same) EXPECT_EQ(handler(alias), handler(word)) << GxWideToUtf8(alias);
    const std::pair<const char16_t*, const char16_t*> apart[] = {
        {u"ev", u"bg"}, {u"se_1", u"se_0"}, {u"vo_3", u"vo_0"}, {u"se", u"vo"}};
    for (const auto& [a, b] : apart) EXPECT_NE(handler(a), handler(b)) << GxWideToUtf8(a);

    for (size_t i = 0; i < count; ++i) {
        const GxGameCommandWord& w = words[i];
        for (const auto& [first, last] : {std::pair{1600, 1999}, std::pair{2400, 9999}, std::pair{20000, 29999}}) {
            EXPECT_TRUE(w.last < first || w.first > last) << GxWideToUtf8(w.word);
        }
        EXPECT_GE(w.first, 300) << GxWideToUtf8(w.word);
    }
}

TEST(GameCommandDebugOutput, TraceAndDebugLogOnlyInDebugModeAndNeverAsAFormat)
{
    gametest::StartedCore app;
    ASSERT_TRUE(app.initialized);
    GxSystemConfig* sc = app.core->GetSystemConfig();
    for (const bool debug : {false, true}) {
        sc->m_DebugModeFlag = debug;
        for (const int32_t index : {6, 7}) {
            Host host(app.core.get());
            AllLogs logs;
            EXPECT_TRUE(host.Call(u"trace", index, {u"%s%n"}));
            std::vector<std::u16string> debugLines;
            for (const auto& [level, text] : logs.lines) {
                if (level == 2) debugLines.push_back(text);
            }
            if (!debug) {
                EXPECT_TRUE(debugLines.empty()) << index;
            } else {
                ASSERT_EQ(debugLines.size(), 1u) << index;
                EXPECT_EQ(debugLines[0], u"%s%n\n") << index;
            }
            // Without arguments the text is empty; with no Array nothing is written.
            logs.lines.clear();
            EXPECT_TRUE(host.Call(u"trace", index));
            GxMoaVariable notArray;
            notArray.SetInt64(5);
            EXPECT_TRUE(host.commands.CallBuiltin(u"trace", index, notArray, host.worker, nullptr,
                                                  host.worker.GetExecStack(), host.result));
            EXPECT_EQ(logs.lines.size(), debug ? 1u : 0u) << index;
            if (debug && !logs.lines.empty()) {
                EXPECT_EQ(logs.lines[0].second, u"\n");
            }
        }
    }
}

TEST(GameCommandDispatcherWords, QueriesAndSwitchesReachTheGameObjects)
{
    gametest::StartedCore app;
    ASSERT_TRUE(app.initialized);
    GxCore* core = app.core.get();
    GxUserData* data = core->GetUserData();
    GxTaskManage* tm = core->GetTaskManage();
    Host host(core);

    ASSERT_TRUE(host.Call(u"getsavedir", 500));
    EXPECT_EQ(host.result.GetString(), core->GetSaveFolder());
    EXPECT_FALSE(core->GetSaveFolder().empty());

    data->m_LastSelectNum = 3;
    data->m_GameDataTitle = u"第二章";
    ASSERT_TRUE(host.Call(u"getlastselect", 600));
    EXPECT_EQ(host.result.GetValueType(), GxMoaValueType::Int);
    EXPECT_EQ(host.result.GetInt(), 3);
    ASSERT_TRUE(host.Call(u"getgamedatatitle", 600));
    EXPECT_EQ(host.result.GetString(), u"第二章");

    // The sequence record: current and previous name and parameter; parameter 1 is never given.
    auto* a = new GxSeqBase(u"SeqTestA", tm->GetRootTask());
    auto* b = new GxSeqBase(u"SeqTestB", tm->GetRootTask());
    ASSERT_TRUE(tm->ChangeSequence(a, -7));
    tm->ExecuteChangeSequence();
    ASSERT_TRUE(tm->ChangeSequence(b, 42));
    tm->ExecuteChangeSequence();
    const std::pair<const char16_t*, int64_t> ints[] = {{u"getcurseqparam0", 42},
                                                        {u"getcurseqparam1", 0},
                                                        {u"getprevseqparam0", -7},
                                                        {u"getprevseqparam1", 0}};
    for (const auto& [word, value] : ints) {
        ASSERT_TRUE(host.Call(word, 700)) << GxWideToUtf8(word);
        EXPECT_EQ(host.result.GetInt(), value) << GxWideToUtf8(word);
    }
    ASSERT_TRUE(host.Call(u"getcurseqname", 700));
    EXPECT_EQ(host.result.GetString(), u"SeqTestB");
    ASSERT_TRUE(host.Call(u"getprevseqname", 700));
    EXPECT_EQ(host.result.GetString(), u"SeqTestA");

    data->m_HideWindowByCommandFlag = false;
    ASSERT_TRUE(host.Call(u"msg.hide", 800));
    EXPECT_TRUE(data->m_HideWindowByCommandFlag);
    ASSERT_TRUE(host.Call(u"msg.show", 800));
    EXPECT_FALSE(data->m_HideWindowByCommandFlag);

    EXPECT_EQ(host.program.GetErrorCount(), 0u);
}

TEST(GameCommandDispatcherWords, ReplayEndStopsTheScriptOnlyInAReplay)
{
    gametest::StartedCore app;
    ASSERT_TRUE(app.initialized);
    GxUserData* data = app.core->GetUserData();
    for (const bool replay : {false, true}) {
        data->m_ReplayMode = replay;
        Host host(app.core.get());
        ASSERT_TRUE(host.worker.IsRunning());
        EXPECT_TRUE(host.Call(u"rp.end", 2200));
        EXPECT_EQ(host.worker.IsRunning(), !replay) << replay;
    }
    data->m_ReplayMode = false;
}

TEST(GameCommandDispatcherWords, SetAllFlagsAndTheBattleMapJump)
{
    gametest::StartedCore app;
    ASSERT_TRUE(app.initialized);
    GxCore* core = app.core.get();
    DBRPMode& rp = GxGetDBRPMode();
    rp.GetRow(0)->Label = u"*rp_one";
    rp.GetRow(4)->Label = u"*rp_two";
    Host host(core);
    GxUserDataPerman* perman = core->GetUserDataPerman();
    ASSERT_TRUE(host.Call(u"rp.setall", 2200));
    EXPECT_EQ(perman->m_PassedReplayLabels, (GxUserDataPerman::LabelSet{u"*rp_one", u"*rp_two"}));

    GxTaskManage* tm = core->GetTaskManage();
    gxtest::HideProgramScreen(tm, u"SeqBmapSelect");
    AllLogs logs;
    EXPECT_TRUE(host.Call(u"bmap_jumptoselect", 30000));
    ASSERT_EQ(logs.lines.size(), 1u);
    EXPECT_EQ(logs.lines[0].second, u"遷移先のシーケンスが見つかりません(SeqBmapSelect)\n");
    auto* bmap = new GxSeqBase(u"SeqBmapSelect", tm->GetRootTask());
    EXPECT_TRUE(host.Call(u"bmap_jumptoselect", 30000));
    EXPECT_EQ(tm->GetPendingSequence(), bmap);
    EXPECT_EQ(tm->GetPendingSequenceParam(), 0);
    EXPECT_EQ(host.program.GetErrorCount(), 0u);
}

TEST(GameCommandArguments, MissingArgumentsGrowAsNullAndAnEmptyStringIsAbsent)
{
    Host host(nullptr);
    GxMoaVariable args;
    args.SetArraySize(3);
    args.GetElement(0)->SetString(u"");
    args.GetElement(1)->SetString(u"0");
    GxGameCommandCall call{u"x", args, host.worker, nullptr, host.worker.GetExecStack(), host.commands, host.result,
                           nullptr};
    EXPECT_FALSE(call.ArgPresent(0)) << "an empty string is absent";
    EXPECT_TRUE(call.ArgPresent(1));
    EXPECT_FALSE(call.ArgPresent(2)) << "Null";
    EXPECT_FALSE(call.ArgPresent(5));
    EXPECT_EQ(args.GetArraySize(), 6) << "reading grows the array with Null";
    EXPECT_TRUE(args.GetElement(5)->IsNull());
    EXPECT_EQ(call.ArgInt(7), 0);
    EXPECT_EQ(call.ArgString(7), u"");

    GxMoaVariable scalar;
    scalar.SetInt64(9);
    GxGameCommandCall noArray{u"x", scalar, host.worker, nullptr, host.worker.GetExecStack(), host.commands,
                              host.result, nullptr};
    EXPECT_EQ(noArray.Arg(0), nullptr);
    EXPECT_FALSE(noArray.ArgPresent(0));
    EXPECT_EQ(scalar.GetInt(), 9);
}

TEST(GameCommandArguments, AlignmentTable)
{
    enum Kind { None, Int, Float, Str };
    struct Case
    {
        bool horizontal;
        Kind kind;
        double number;
        const char16_t* text;
        float size;
        float expected;
    };
    const float def = 17.25f;
    const Case cases[] = {
        {true, None, 0, nullptr, 301, def},     {true, Int, 12, nullptr, 301, 12.0f},
        {true, Float, 2.5, nullptr, 301, 2.5f}, {true, Str, 0, u"L", 301, 0.0f},
        {true, Str, 0, u"M", 301, 361.5f},      {true, Str, 0, u"R", 301, 723.0f},
        {true, Str, 0, u"M", 300.5f, 361.5f},   {true, Str, 0, u"R", 300.5f, 723.0f},
        {true, Str, 0, u"m", 301, def},         {true, Str, 0, u"", 301, def},
        {false, None, 0, nullptr, 200, 568.0f}, {false, None, 0, nullptr, 200.5f, 567.5f},
        {false, Int, -4, nullptr, 200, -4.0f},  {false, Str, 0, u"T", 200, 0.0f},
        {false, Str, 0, u"M", 201, 283.5f},     {false, Str, 0, u"B", 200.5f, 567.0f},
        {false, Str, 0, u"m", 200, 568.0f},     {false, Str, 0, u"X", 200.5f, 567.5f},
    };
    for (const Case& c : cases) {
        GxMoaVariable v;
        if (c.kind == Int) v.SetInt64(static_cast<int64_t>(c.number));
        if (c.kind == Float) v.SetFloat(c.number);
        if (c.kind == Str) v.SetString(c.text);
        const GxMoaVariable* arg = c.kind == None ? nullptr : &v;
        const float got = c.horizontal ? GxCommandAlignX(arg, def, c.size) : GxCommandAlignY(arg, c.size);
        EXPECT_FLOAT_EQ(got, c.expected) << (c.horizontal ? "x " : "y ") << (c.text ? GxWideToUtf8(c.text) : "")
                                         << " size " << c.size;
        if (c.kind == None) {
            GxMoaVariable null;
            const float viaNull = c.horizontal ? GxCommandAlignX(&null, def, c.size) : GxCommandAlignY(&null, c.size);
            EXPECT_FLOAT_EQ(viaNull, c.expected) << "a Null argument is no argument";
        }
    }
}

}  // namespace
