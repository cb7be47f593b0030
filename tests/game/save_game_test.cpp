// Saved games through the started application object: a fixture tree with the main play
// screen's task names, the script package that start-up loads and the recording sound layer.
// Round trips in both forms, the sound records, damaged and foreign files refused before
// anything changes, a stand picture whose character is gone, a save killed mid-write, and a
// folder fsync that fails after the rename.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/task/GxTaskFolder.h"
#include "app/task/GxTaskManage.h"
#include "core/GxAtomicFile.h"
#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "game/DBRukoChar.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "layer/GxTaskLayer.h"
#include "moa/GxMoaScriptHost.h"
#include "app/GxSeqBase.h"
#include "platform/GxPosixSafeWrite.h"
#include "tests/game/game_core_fixture.h"
#include "tests/game/game_test_util.h"
#include "tests/support/GxHideScreen.h"
#include "tests/support/GxMoaPackageBuilder.h"
#include "ui/GxTaskUIMessageWindow.h"
#include "ui/GxTaskUITextWidgets.h"

namespace {

using gametest::StartedCore;

std::u16string W(const std::string& s) { return GxUtf8ToWide(s); }
std::string U8(const std::u16string& s) { return GxWideToUtf8(s); }

// A stand layer whose own content holds a nested stratum, as a richer layer may write.
class NestedStandLayer : public GxTaskLayer
{
public:
    using GxTaskLayer::GxTaskLayer;
    bool WriteContent(GxContentWriterBase& w) override
    {
        GxTaskLayer::WriteContent(w);
        w.WriteTreeStratumBegin();
        w.WriteGxS32("inner", inner);
        w.WriteTreeStratumEnd();
        return w.GetErrorCount() == 0;
    }
    bool ReadContent(GxContentReaderBase& r) override
    {
        GxTaskLayer::ReadContent(r);
        r.ReadTreeStratumBegin();
        r.ReadGxS32("inner", inner);
        r.ReadTreeStratumEnd();
        return r.GetErrorCount() == 0;
    }
    int32_t inner = 0;
};

// The tasks the save reads and writes, under the names the main play screen gives them.
struct MainScreenTree
{
    explicit MainScreenTree(GxTaskManage* tm)
    {
        // A bare stand-in under the screen's name: the save reaches the tasks by name only.
        gxtest::HideProgramMainScreen(tm);
        screen = new GxSeqBase(u"SeqRukoMain", tm->GetRootTask());
        auto* root = new GxTaskFolder(u"$ROOT:SeqRukoMain", nullptr, 0, screen);
        visual = new GxTaskLayer(u"$VISUAL:SeqRukoMain", nullptr, 0, root);
        layers[0] = visual;
        layers[1] = new GxTaskLayer(u"$BGLAYER:SeqRukoMain", nullptr, 0, visual);
        layers[2] = new GxTaskLayer(u"$BGWLAYER:SeqRukoMain", nullptr, 0, layers[1]);
        layers[3] = new GxTaskLayer(u"$MOVIELAYER:SeqRukoMain", nullptr, 0, visual);
        layers[4] = new GxTaskLayer(u"$GLOBALFLASH:SeqRukoMain", nullptr, 0, visual);
        layers[5] = new GxTaskLayer(u"$GLOBALFADE:SeqRukoMain", nullptr, 0, visual);
        stand = new GxTaskFolder(u"$STAND:SeqRukoMain", nullptr, 0, visual);
        auto* ui = new GxTaskFolder(u"$UI:SeqRukoMain", nullptr, 0, root);
        meswin = new GxTaskUIMessageWindowFx(ui, u"$MESWIN:SeqRukoMain", nullptr, 0);
        namewin = new GxTaskUITextPanelFx(ui, u"$NAMEWIN:SeqRukoMain", nullptr, 0);
        nameimage = new GxTaskLayer(u"$NAMEIMAGE:SeqRukoMain", nullptr, 0, namewin);
        select = new GxTaskFolder(u"$SELECT:SeqRukoMain", nullptr, 0, ui);
        for (int i = 1; i <= 10; ++i) buttons[i] = new GxTaskUITextButtonIs(select, nullptr, u"btn_select", i);
    }
    GxSeqBase* screen;
    GxTaskLayer* visual;
    GxTaskLayer* layers[6];
    GxTaskFolder* stand;
    GxTaskUIMessageWindowFx* meswin;
    GxTaskUITextPanelFx* namewin;
    GxTaskLayer* nameimage;
    GxTaskFolder* select;
    GxTaskUITextButtonIs* buttons[11] = {};
};

void WritePackage(const std::filesystem::path& game)
{
    GxMoaPackageBuilder b;
    ASSERT_TRUE(b.AddScript(u"MAIN", "EXTERN INGAME score = 0\nGLOBAL INGAME flag = 0\n*start\n> one\n> two\n*later\n> three\n"))
        << b.GetErrors();
    std::filesystem::create_directories(game / "bincode");
    b.WriteFile((game / "bincode" / "moacode.mwb").string());
}

std::string ReadFile(const std::u16string& path)
{
    std::ifstream in(U8(path), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
void WriteFile(const std::u16string& path, const std::string& bytes)
{
    std::ofstream out(U8(path), std::ios::binary | std::ios::trunc);
    out << bytes;
}

// One log entry's bytes as the binary writer stores them.
std::string ElementBytes(const GxMessageLogElement& e)
{
    FILE* f = std::tmpfile();
    GxContentBinaryWriter w(f);
    GxUserData::WriteMessageLogElement(w, e);
    std::fflush(f);
    std::string out(static_cast<size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    EXPECT_EQ(std::fread(out.data(), 1, out.size(), f), out.size());
    std::fclose(f);
    return out;
}
std::string BE32(uint32_t v)
{
    std::string s(4, '\0');
    GxStoreBE32(reinterpret_cast<uint8_t*>(s.data()), v);
    return s;
}

class SaveGameTest : public ::testing::Test
{
protected:
    SaveGameTest() : app(&WritePackage) {}
    void SetUp() override
    {
        ASSERT_TRUE(app.initialized);
        ASSERT_NE(g_MoaWorkerEx, nullptr);
        data = app.core->GetUserData();
        DBRukoChar& chars = GxGetDBRukoChar();
        chars.GetRow(1)->CharName = u"ruko";
        chars.GetRow(2)->CharName = u"mio";
        chars.GetRow(3)->CharName = u"*";
        chars.GetRow(5)->CharName = u"kai";
        tree.emplace(app.core->GetTaskManage());
        ruko = new GxTaskLayer(nullptr, u"ruko", 0, tree->stand);
        mio = new NestedStandLayer(nullptr, u"mio", 0, tree->stand);
        kai = new GxTaskLayer(nullptr, u"kai", 0, tree->stand);
    }
    std::u16string Slot(int n) const
    {
        char name[32];
        std::snprintf(name, sizeof name, "gamedata%03d.gd", n);
        return app.core->GetSaveFolder() + W(name);
    }

    // A game in progress with every part of the state set apart from its defaults.
    void FillGame()
    {
        data->m_GameDataTitle = u"第一章";
        data->m_RestoreSequence = u"SeqRukoMain";
        data->m_RestoreSubParam = u"sub";
        data->m_GameDataOption = 0x80000005u;
        data->m_IsSelecting = true;
        data->m_LastSelectNum = 3;
        data->m_CancelSelectNum = 2;
        data->m_SelectHash = u"menu1";
        for (int i = 1; i <= 3; ++i) {
            GxSelectMenuItem& item = data->m_SelectItems[static_cast<size_t>(i)];
            item.m_Text = W("choice " + std::to_string(i));
            item.m_Label = W("*label" + std::to_string(i));
            item.m_Enable = i != 2;
            item.m_Visible = i != 3;
            item.m_BeforeSelected = i == 1;
            item.m_UseGosub = i == 3;
        }
        data->m_Hold_WaitClick = 2;
        data->m_Hold_WaitTime = 10;
        data->m_Hold_WaitTime_TimeLeft = 1234;
        data->m_Hold_EndOfMovie = 3;
        data->m_Hold_EndOfLayerActionAll = 4;
        data->m_Hold_EndOfLayerActionSeparate = 5;
        data->m_Hold_EndOfLayerActionSeparate_LayerName = u"ruko";
        data->m_Hold_EndOfBGM = 6;
        data->m_Hold_EndOfBGV = 7;
        data->m_Hold_EndOfSE = 8;
        data->m_Hold_EndOfVoice = 9;
        data->m_NameIdentifyMode = 1;
        data->m_IgnoreKinsoku = true;
        data->m_LastDialogResult = 1;
        data->m_MessageLog.clear();
        for (int i = 0; i < 100; ++i) {
            for (int k = 0; k < GxUserData::kVoiceCount; ++k) {
                data->m_VoiceRecord[k].m_FileName = W("vo/" + std::to_string(i) + "_" + std::to_string(k));
                data->m_VoiceRecord[k].m_CharID = (i + k) % 80;
            }
            data->AppendMessageLog(W("name" + std::to_string(i)), W("メッセージ " + std::to_string(i)), i % 2 == 0,
                                   i % 3 == 0);
            data->m_MessageLog.back().m_ShowNameByText = i % 5 != 0;
        }
        data->ClearVoiceRecords();
        data->m_HideWindowByCommandFlag = false;

        g_MoaWorkerEx->FindVariable(u"score")->m_Value.SetInt64(42);
        g_MoaWorkerEx->FindVariable(u"flag")->m_Value.SetInt64(7);
        ASSERT_TRUE(g_MoaWorkerEx->StartAtLabel(u"later", nullptr));

        for (int i = 0; i < 6; ++i) tree->layers[i]->SetAlpha(10 + i);
        tree->layers[1]->SetPos(GxVector3(12, 34, 0));
        ruko->SetAlpha(101);
        if (mio) mio->SetAlpha(102);
        if (mio) mio->inner = 55;
        kai->SetAlpha(103);
        kai->SetPos(GxVector3(-5, 6, 0));
        tree->meswin->SetText(u"こんにちは");
        tree->namewin->SetText(u"ルコ");
        tree->nameimage->SetAlpha(44);
        tree->buttons[1]->SetText(u"choice 1");
        tree->buttons[2]->SetText(u"choice 2");
        app.core->GetUserDataPerman()->SetSelectedMenuFlag(u"menu1", 2);
    }

    // Everything FillGame set, as the state and the tree hold it now.
    struct Snapshot
    {
        std::vector<std::string> state;
        std::vector<int32_t> alphas;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot Take() const
    {
        Snapshot s;
        auto add = [&](const std::string& k, const std::string& v) { s.state.push_back(k + "=" + v); };
        add("title", U8(data->m_GameDataTitle));
        add("seq", U8(data->m_RestoreSequence));
        add("sub", U8(data->m_RestoreSubParam));
        add("option", std::to_string(data->m_GameDataOption));
        add("selecting", std::to_string(data->m_IsSelecting));
        add("last", std::to_string(data->m_LastSelectNum));
        add("cancel", std::to_string(data->m_CancelSelectNum));
        add("hash", U8(data->m_SelectHash));
        add("items", std::to_string(data->m_SelectItems.size()));
        for (const GxSelectMenuItem& i : data->m_SelectItems)
            add("item", U8(i.m_Text) + "|" + U8(i.m_Label) + "|" + std::to_string(i.m_Enable) +
                            std::to_string(i.m_Visible) + std::to_string(i.m_BeforeSelected) +
                            std::to_string(i.m_UseGosub));
        const int32_t holds[] = {data->m_Hold_WaitClick,        data->m_Hold_WaitTime,
                                 data->m_Hold_WaitTime_TimeLeft, data->m_Hold_EndOfMovie,
                                 data->m_Hold_EndOfLayerActionAll, data->m_Hold_EndOfLayerActionSeparate,
                                 data->m_Hold_EndOfBGM,          data->m_Hold_EndOfBGV,
                                 data->m_Hold_EndOfSE,           data->m_Hold_EndOfVoice,
                                 data->m_NameIdentifyMode,       data->m_LastDialogResult};
        for (int32_t h : holds) add("hold", std::to_string(h));
        add("holdLayer", U8(data->m_Hold_EndOfLayerActionSeparate_LayerName));
        add("kinsoku", std::to_string(data->m_IgnoreKinsoku));
        add("hide", std::to_string(data->m_HideWindowByCommandFlag));
        add("log", std::to_string(data->m_MessageLog.size()));
        for (const GxMessageLogElement& e : data->m_MessageLog) {
            std::string v = U8(e.m_Name) + "|" + U8(e.m_Message) + "|" + std::to_string(e.m_IgnoreKinsoku) +
                            std::to_string(e.m_DisenableAutoNewline) + std::to_string(e.m_ShowNameByText);
            for (int k = 0; k < GxMessageLogElement::kVoiceCount; ++k)
                v += "|" + U8(e.m_VoiceFileName[k]) + ":" + std::to_string(e.m_VoiceCharID[k]);
            add("entry", v);
        }
        add("score", std::to_string(g_MoaWorkerEx->FindVariable(u"score")->m_Value.GetInt()));
        add("flag", std::to_string(g_MoaWorkerEx->FindVariable(u"flag")->m_Value.GetInt()));
        add("running", std::to_string(g_MoaWorkerEx->IsRunning()));
        add("line", std::to_string(g_MoaWorkerEx->GetLine(nullptr)));
        add("bgpos", std::to_string(tree->layers[1]->GetPos().x) + "," + std::to_string(tree->layers[1]->GetPos().y));
        add("kaipos", std::to_string(kai->GetPos().x) + "," + std::to_string(kai->GetPos().y));
        add("meswin", U8(tree->meswin->GetText()));
        add("namewin", U8(tree->namewin->GetText()));
        add("button1", U8(tree->buttons[1]->GetText()));
        add("button2", U8(tree->buttons[2]->GetText()));
        add("inner", mio ? std::to_string(mio->inner) : "-");
        for (int i = 0; i < 6; ++i) s.alphas.push_back(tree->layers[i]->GetAlpha());
        for (GxTaskLayer* l : {ruko, static_cast<GxTaskLayer*>(mio), kai, tree->nameimage})
            s.alphas.push_back(l ? l->GetAlpha() : -1);
        return s;
    }

    // Everything moved away from what FillGame set.
    void Disturb()
    {
        data->ResetForNewGame(true);
        data->m_GameDataTitle = u"other";
        data->m_HideWindowByCommandFlag = false;
        for (int i = 0; i < 6; ++i) tree->layers[i]->SetAlpha(200);
        tree->layers[1]->SetPos(GxVector3(0, 0, 0));
        for (GxTaskLayer* l : {ruko, static_cast<GxTaskLayer*>(mio), kai, tree->nameimage})
            if (l) l->SetAlpha(200);
        if (mio) mio->inner = 0;
        kai->SetPos(GxVector3(0, 0, 0));
        tree->meswin->SetText(u"later text");
        tree->namewin->SetText(u"");
        tree->buttons[1]->SetText(u"");
        tree->buttons[2]->SetText(u"");
        app.sound.TakeCalls();
    }

    StartedCore app;
    GxUserData* data = nullptr;
    std::optional<MainScreenTree> tree;
    GxTaskLayer* ruko = nullptr;
    NestedStandLayer* mio = nullptr;
    GxTaskLayer* kai = nullptr;
};

TEST_F(SaveGameTest, RoundTripRestoresTheWholeGameInBothForms)
{
    for (const bool binary : {true, false}) {
        SCOPED_TRACE(binary ? "binary" : "text");
        FillGame();
        const Snapshot saved = Take();
        ASSERT_EQ(data->m_MessageLog.size(), 100u);
        ASSERT_TRUE(data->SaveGameData(Slot(1), binary));
        EXPECT_EQ(ReadFile(Slot(1)).substr(0, 3), binary ? "BGD" : "TGD");
        Disturb();
        ASSERT_NE(Take(), saved);

        app.core->GetUserConfig()->m_TextWindowOpacity = 180;
        app.core->GetSystemConfig()->m_MeswinLetterMarginWidth = 9;
        ASSERT_TRUE(data->LoadGameData(Slot(1), true));
        EXPECT_EQ(Take().state, saved.state);
        EXPECT_EQ(Take().alphas, saved.alphas);
        // The current options and settings win over the saved window look.
        EXPECT_EQ(tree->meswin->GetImageAlpha(), 180);
        EXPECT_EQ(tree->namewin->GetImageAlpha(), 180);
        EXPECT_EQ(tree->meswin->GetLetterMarginWidth(), 9);
        // A visible choice picked before under the menu's hash takes the second colour.
        const GxSystemConfig* sc = app.core->GetSystemConfig();
        EXPECT_EQ(tree->buttons[1]->GetTextColor(), sc->m_SelectTextColor0);
        EXPECT_EQ(tree->buttons[2]->GetTextColor(), sc->m_SelectTextColor1);
        app.core->GetUserConfig()->m_TextWindowOpacity = 255;
    }
}

TEST_F(SaveGameTest, HeaderAndStateOnlyLoads)
{
    FillGame();
    ASSERT_TRUE(data->SaveGameData(Slot(7)));
    GxGameDataHeader h;
    ASSERT_TRUE(GxUserData::LoadGameDataHeader(Slot(7), h));
    EXPECT_TRUE(h.valid);
    EXPECT_EQ(U8(h.m_GameDataTitle), "第一章");
    EXPECT_EQ(U8(h.m_RestoreSequence), "SeqRukoMain");
    EXPECT_EQ(U8(h.m_RestoreSubParam), "sub");
    EXPECT_EQ(h.m_GameDataOption, 0x80000005u);
    EXPECT_TRUE(std::regex_match(U8(h.m_SaveTime), std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)"))) << U8(h.m_SaveTime);

    GxGameDataHeader missing;
    missing.valid = true;
    EXPECT_FALSE(GxUserData::LoadGameDataHeader(Slot(8), missing));
    EXPECT_FALSE(missing.valid);

    // Without restore-all only the running state comes back: no sound, script or layer.
    const Snapshot saved = Take();
    data->m_GameDataTitle = u"other";
    data->m_MessageLog.clear();
    ruko->SetAlpha(200);
    app.sound.TakeCalls();
    ASSERT_TRUE(data->LoadGameData(Slot(7), false));
    EXPECT_EQ(U8(data->m_GameDataTitle), "第一章");
    EXPECT_EQ(data->m_MessageLog.size(), 100u);
    EXPECT_EQ(ruko->GetAlpha(), 200);
    EXPECT_TRUE(app.sound.TakeCalls().empty());
}

TEST_F(SaveGameTest, SoundRecordsRestartMusicAmbienceAndEffectsButNeverVoices)
{
    data->m_BGMRecord = {u"bgm/theme", 0, 1200, 3000, 500, 0};
    app.sound.SetPlaying(0, "bgm/theme");
    data->m_BGVRecord = {u"bgv/wind", 0, 0, 0, 0, 0};
    app.sound.SetPlaying(2, "bgv/wind");
    data->m_SERecord[1] = {u"se/door", 1, 0, 0, 0, 0};  // ended: its channel is silent
    data->m_SERecord[2] = {u"se/rain", 0, 50, 60, 300, 0};
    app.sound.SetPlaying(6, "se/rain");
    data->m_VoiceRecord[0] = {u"vo/a001", 1, 0, 0, 0, 3};
    app.sound.SetPlaying(8, "vo/a001");

    ASSERT_TRUE(data->SaveGameData(Slot(2)));
    EXPECT_TRUE(data->m_SERecord[1].m_FileName.empty()) << "a silent channel's record is emptied at save";
    EXPECT_EQ(U8(data->m_SERecord[2].m_FileName), "se/rain");

    data->m_VoiceRecord[0].Clear();
    app.sound.TakeCalls();
    ASSERT_TRUE(data->LoadGameData(Slot(2), true));
    const std::vector<std::string> calls = app.sound.TakeCalls();
    auto has = [&](const std::string& prefix) {
        return std::any_of(calls.begin(), calls.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    };
    EXPECT_TRUE(has("StopBGM 0"));
    EXPECT_TRUE(has("StopAllOneShot"));
    const int32_t bgmVolume = app.core->GetUserConfig()->GetBGMVolume();
    EXPECT_TRUE(has("PlayBGM bgm/theme -1 1200 1000 " + std::to_string(bgmVolume) + " 0 3000")) << ::testing::PrintToString(calls);
    EXPECT_TRUE(has("PlayStream 2 bgv/wind -1 0 1000 "));
    EXPECT_TRUE(has("PlayStream 6 se/rain -1 50 0 "));
    EXPECT_FALSE(has("PlayStream 5 ")) << "an ended effect is not restarted";
    EXPECT_FALSE(has("PlayStream 8 ")) << "a voice is never replayed";
    EXPECT_EQ(data->m_BGMRecord.m_FadeInTime, 1000);
    EXPECT_EQ(data->m_BGMRecord.m_StartSeekPosTime, 1200u);
    EXPECT_EQ(U8(data->m_VoiceRecord[0].m_FileName), "vo/a001");
    EXPECT_EQ(data->m_VoiceRecord[0].m_CharID, 3);
    EXPECT_TRUE(data->m_SERecord[1].m_FileName.empty());
    EXPECT_TRUE(app.sound.channels[0].playing || app.sound.channels[1].playing);
    EXPECT_FALSE(app.sound.channels[8].playing);
}

// Every file here must be refused with the game as it was: no reset, no sound, no layer read.
TEST_F(SaveGameTest, DamagedAndForeignFilesChangeNothing)
{
    FillGame();
    ASSERT_TRUE(data->SaveGameData(Slot(3), true));
    ASSERT_TRUE(data->SaveGameData(Slot(4), false));
    const std::string binary = ReadFile(Slot(3));
    const std::string text = ReadFile(Slot(4));
    const std::string entry = ElementBytes(data->m_MessageLog.front());
    const size_t logList = binary.find(std::string("\x20", 1) + BE32(100));
    ASSERT_NE(logList, std::string::npos);
    const size_t selectList = binary.find(std::string("\x20", 1) + BE32(11));
    ASSERT_NE(selectList, std::string::npos);

    Disturb();
    FillGame();
    data->m_GameDataTitle = u"untouched";
    data->m_HideWindowByCommandFlag = false;
    const Snapshot before = Take();
    app.sound.TakeCalls();

    struct Case
    {
        std::string what;
        std::string bytes;
    };
    std::vector<Case> cases;
    auto patched = [&](size_t at, const std::string& with) {
        std::string b = binary;
        b.replace(at, with.size(), with);
        return b;
    };
    cases.push_back({"empty", ""});
    cases.push_back({"foreign binary tag", patched(0, "QGD")});
    cases.push_back({"foreign text tag", "TPD" + text.substr(3)});
    cases.push_back({"wrong value type (binary block for a string)", patched(20, "\x1B")});
    cases.push_back({"log count far beyond the bytes", patched(logList + 1, BE32(0xFFFFFFFFu))});
    cases.push_back({"log count one too many", patched(logList + 1, BE32(101))});
    cases.push_back({"select count beyond the bytes", patched(selectList + 1, BE32(0x7FFFFFFFu))});
    for (size_t cut : {size_t(1), size_t(19), size_t(20), size_t(21), logList, logList + 3, logList + entry.size(),
                       binary.size() / 2, binary.size() - 40, binary.size() - 1})
        cases.push_back({"binary cut at " + std::to_string(cut), binary.substr(0, cut)});
    for (size_t k = 1; k < 16; ++k) {
        const size_t cut = binary.size() * k / 16 + 7;
        cases.push_back({"binary cut at " + std::to_string(cut), binary.substr(0, cut)});
    }
    // The last line is "21\t}": its brace is decoration, so the cut takes its code.
    for (size_t cut : {text.size() / 3, text.size() / 2, text.size() - 4})
        cases.push_back({"text cut at " + std::to_string(cut), text.substr(0, cut)});

    const std::u16string path = Slot(5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(path, c.bytes);
        EXPECT_FALSE(data->LoadGameData(path, true));
        const Snapshot now = Take();
        EXPECT_EQ(now.state, before.state);
        EXPECT_EQ(now.alphas, before.alphas);
        EXPECT_FALSE(data->m_HideWindowByCommandFlag) << "no reset ran";
        EXPECT_TRUE(app.sound.TakeCalls().empty());
    }
}

// Counts past what a save holds: select items beyond the menu and log entries beyond the
// newest 100 are read and dropped, and the rest of the file loads.
TEST_F(SaveGameTest, ItemsAndEntriesBeyondWhatASaveHoldsAreDropped)
{
    FillGame();
    data->m_SelectItems.resize(13);
    data->m_SelectItems[12].m_Text = u"extra";
    ASSERT_TRUE(data->SaveGameData(Slot(6)));
    std::string bytes = ReadFile(Slot(6));

    // Fifty more entries before the stored hundred: the oldest ones.
    GxMessageLogElement old;
    old.m_Name = u"old";
    old.m_Message = u"oldest";
    const std::string extra = ElementBytes(old);
    const size_t logList = bytes.find(std::string("\x20", 1) + BE32(100));
    ASSERT_NE(logList, std::string::npos);
    std::string more;
    for (int i = 0; i < 50; ++i) more += extra;
    bytes.replace(logList + 1, 4, BE32(150));
    bytes.insert(logList + 5, more);
    WriteFile(Slot(6), bytes);

    Disturb();
    ASSERT_TRUE(data->LoadGameData(Slot(6), true));
    EXPECT_EQ(data->m_SelectItems.size(), 11u);
    EXPECT_EQ(U8(data->m_SelectItems[1].m_Text), "choice 1");
    ASSERT_EQ(data->m_MessageLog.size(), 100u);
    EXPECT_EQ(U8(data->m_MessageLog.front().m_Name), "name0");
    EXPECT_EQ(U8(data->m_MessageLog.back().m_Name), "name99");
    EXPECT_EQ(U8(tree->meswin->GetText()), "こんにちは") << "what follows the lists reads on";
}

TEST_F(SaveGameTest, AStandPictureOfARemovedCharacterIsSkippedAndTheRestLoads)
{
    for (const bool binary : {true, false}) {
        SCOPED_TRACE(binary ? "binary" : "text");
        if (!mio) mio = new NestedStandLayer(nullptr, u"mio", 0, tree->stand);
        FillGame();
        ASSERT_TRUE(data->SaveGameData(Slot(9), binary));
        // The character is gone from the table and its layer from the screen.
        GxGetDBRukoChar().GetRow(2)->CharName.clear();
        delete mio;
        mio = nullptr;
        Disturb();
        gametest::LogCapture log;
        EXPECT_TRUE(data->LoadGameData(Slot(9), true));
        EXPECT_EQ(log.Count("no stand layer mio"), 1u);
        EXPECT_EQ(ruko->GetAlpha(), 101);
        EXPECT_EQ(kai->GetAlpha(), 103);
        EXPECT_FLOAT_EQ(kai->GetPos().x, -5.0f);
        EXPECT_EQ(U8(tree->meswin->GetText()), "こんにちは");
        EXPECT_EQ(U8(tree->buttons[2]->GetText()), "choice 2");
        GxGetDBRukoChar().GetRow(2)->CharName = u"mio";
    }
}

TEST_F(SaveGameTest, ASaveThatCannotBeWrittenLeavesNothing)
{
    FillGame();
    const std::u16string blocker = app.core->GetSaveFolder() + u"notafolder";
    WriteFile(blocker, "x");
    EXPECT_FALSE(data->SaveGameData(blocker + u"/gamedata001.gd"));
    EXPECT_EQ(ReadFile(blocker), "x");
}

// Fails the fsync of folders only, as a file system may that cannot sync one.
int FolderFsyncFails(int fd)
{
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EIO;
        return -1;
    }
    return fsync(fd);
}

// The folder's fsync comes after the rename: the new save is in place and whole, so the save
// stands, with a warning that its durability across a power loss is open.
TEST_F(SaveGameTest, AFolderFsyncFailingAfterTheRenameStillSavesWithAWarning)
{
    FillGame();
    const std::u16string path = Slot(3);
    data->m_GameDataTitle = u"old";
    ASSERT_TRUE(data->SaveGameData(path));
    data->m_GameDataTitle = u"new";
    gametest::LogCapture log;
    const GxPosixFsyncFunc previous = GxPosixSetFsync(&FolderFsyncFails);
    const bool saved = data->SaveGameData(path);
    GxPosixSetFsync(previous);
    EXPECT_TRUE(saved);
    EXPECT_EQ(log.Count("Warning/GxAtomicFileWriter SyncFolder Failed"), 1u);
    EXPECT_EQ(log.Count("Error/"), 0u);
    data->m_GameDataTitle = u"other";
    ASSERT_TRUE(data->LoadGameData(path, true));
    EXPECT_EQ(U8(data->m_GameDataTitle), "new");
    EXPECT_EQ(data->m_MessageLog.size(), 100u);
    // Nothing was left beside the save.
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(U8(app.core->GetSaveFolder())))
        files += e.path().filename().string().rfind(U8(u"gamedata003.gd"), 0) == 0;
    EXPECT_EQ(files, 1u);
}

// ---- a save killed at varied moments ----

int g_Events = 0;
int g_KillAtEvent = 0;
bool g_KillHalf = false;

void CountingKillHook(GxAtomicWriteStage stage, int fd)
{
    if (++g_Events != g_KillAtEvent) return;
    if (g_KillHalf && stage == GxAtomicWriteStage::DataWritten) {
        const off_t size = lseek(fd, 0, SEEK_END);
        if (ftruncate(fd, size / 2) != 0) _exit(3);
    }
    raise(SIGKILL);
}

TEST_F(SaveGameTest, ASaveKilledAtAnyMomentLeavesACompleteOldOrNewSave)
{
    // A large game: long messages in every log entry.
    FillGame();
    for (GxMessageLogElement& e : data->m_MessageLog) e.m_Message = std::u16string(2000, u'あ');
    const std::u16string path = Slot(10);
    data->m_GameDataTitle = u"old";
    ASSERT_TRUE(data->SaveGameData(path));

    // Three stages per save; the child alternates the titles "A" and "B".
    for (int event = 1; event <= 10; ++event) {
        for (const bool half : {false, true}) {
            if (half && event % 3 != 1) continue;  // truncation only where data was just written
            SCOPED_TRACE("event " + std::to_string(event) + (half ? " half" : ""));
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                g_Events = 0;
                g_KillAtEvent = event;
                g_KillHalf = half;
                GxSetAtomicWriteHook(&CountingKillHook);
                for (int i = 0; i < 100; ++i) {
                    data->m_GameDataTitle = i % 2 == 0 ? u"A" : u"B";
                    data->SaveGameData(path);
                }
                _exit(0);
            }
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

            const int stage = (event - 1) % 3;  // 0 written, 1 synced, 2 renamed
            const int done = (event - 1) / 3 + (stage == 2 ? 1 : 0);
            const std::string expected = done == 0 ? "old" : ((done - 1) % 2 == 0 ? "A" : "B");
            GxGameDataHeader h;
            ASSERT_TRUE(GxUserData::LoadGameDataHeader(path, h));
            EXPECT_EQ(U8(h.m_GameDataTitle), expected);
            ASSERT_TRUE(data->LoadGameData(path, true));
            EXPECT_EQ(U8(data->m_GameDataTitle), expected);
            EXPECT_EQ(data->m_MessageLog.size(), 100u);
            data->m_GameDataTitle = u"old";
            ASSERT_TRUE(data->SaveGameData(path));
        }
    }
}

}  // namespace
