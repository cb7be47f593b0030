// The back log built by the program's screen list from the UI layout: where it opens, the rows'
// text and voice buttons, the scroll buttons, the wheel and right click, the voice replay and
// the way back to the screen that opened it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "layer/GxTaskLayer.h"
#include "seq/SeqRukoLog.h"
#include "tests/seq/ScreenTestFixture.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUITextWindow.h"

namespace {

constexpr int kRows = 5;
float RowY(int r) { return 40.0f + 120.0f * static_cast<float>(r); }
constexpr float kVoiceX = 800.0f;
constexpr float kButtonY = 700.0f;
float ButtonX(int i) { return 100.0f + 120.0f * static_cast<float>(i); }
const char* const kButtons[] = {"btn_b", "btn_bb", "btn_f", "btn_ff", "btn_back"};

// Characters 1 and 2 speak in voice groups 3 and 4.
void WriteLogData(const std::filesystem::path& root)
{
    using screentest::LayoutRow;
    const std::vector<std::vector<std::string>> modules = {
        screentest::ModuleRow(1, 10, "mod_text", 600, 100),
        screentest::ModuleRow(2, 18, "mod_btn", 60, 40),
    };
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_uimodule.txt", screentest::TableText(modules)));
    std::vector<std::vector<std::string>> layout;
    int id = 1;
    const std::string ui = "$UI:SeqRukoLog";
    for (int r = 0; r < kRows; ++r) {
        layout.push_back(LayoutRow(id++, ui, "mod_text", "tip_logwindow", r, 20.0f, RowY(r)));
        layout.push_back(LayoutRow(id++, ui, "mod_btn", "btn_voiceplay", r, kVoiceX, RowY(r)));
    }
    for (int i = 0; i < 5; ++i) layout.push_back(LayoutRow(id++, ui, "mod_btn", kButtons[i], 0, ButtonX(i), kButtonY));
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_uilayout.txt", screentest::TableText(layout)));
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_rukochar.txt",
                                   "1\truko\t0\t\t\tvoice/\t3\t\n2\tmei\t0\t\t\tvoice/\t4\t\n"));
    ASSERT_TRUE(screentest::WritePicture(root, "cg/ui/bg_rukolog.png", 32, 24));
}

class BackLog : public ::testing::Test
{
protected:
    BackLog() : g(WriteLogData) {}

    SeqRukoLog* Log() { return dynamic_cast<SeqRukoLog*>(g.Tm()->FindTaskByName(u"SeqRukoLog")); }
    GxTaskUIBase* Widget(const char16_t* name, int index)
    {
        auto* ui = dynamic_cast<GxTaskFolder*>(g.Tm()->FindTaskByName(u"$UI:SeqRukoLog"));
        return ui ? dynamic_cast<GxTaskUIBase*>(ui->FindTaskLocal(name, index)) : nullptr;
    }
    std::u16string RowText(int r)
    {
        auto* text = dynamic_cast<GxTaskUITextWindowFx*>(Widget(u"tip_logwindow", r));
        return text ? text->GetText() : u"<no row>";
    }
    // Lines through the message log's own append, each with the voice records as they stand.
    void AddLines(int count)
    {
        for (int i = 0; i < count; ++i) g.core->GetUserData()->AppendMessageLog(u"", u"line" + Num(i), false, false);
    }
    static std::u16string Num(int i) { return GxUtf8ToWide(std::to_string(i)); }
    // The main play screen opens the log, as the player does it.
    void Open()
    {
        g.Enter(u"SeqRukoMain", 0);
        g.Enter(u"SeqRukoLog", 0);
    }
    void Press(const char* button)
    {
        for (int i = 0; i < 5; ++i)
            if (std::string(kButtons[i]) == button) g.Click(ButtonX(i) + 5.0f, kButtonY + 5.0f);
    }
    void Wheel(int32_t delta)
    {
        g.Tm()->OnMouseWheel(GxMousePoint{500.0f, 300.0f}, delta, 0);
        g.Frame(16);
    }

    screentest::Game g;
};

TEST_F(BackLog, AShortLogOpensAtItsStartAndTheWheelDownClosesItAtOnce)
{
    ASSERT_TRUE(g.initialized);
    AddLines(3);
    Open();
    SeqRukoLog* log = Log();
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->GetScrollPosition(), 0);
    EXPECT_EQ(RowText(0), u"line0");
    EXPECT_EQ(RowText(2), u"line2");
    for (int r = 3; r < kRows; ++r) {
        EXPECT_EQ(RowText(r), u"") << r;
        EXPECT_FALSE(Widget(u"btn_voiceplay", r)->IsVisible()) << r;
    }
    // Every scroll button stays put: there is nothing more to show.
    for (const char* b : {"btn_b", "btn_bb", "btn_f", "btn_ff"}) {
        Press(b);
        EXPECT_EQ(log->GetScrollPosition(), 0) << b;
    }
    Wheel(-120);
    g.Frame(16);
    EXPECT_EQ(g.Tm()->GetCurrentSequenceName(), u"SeqRukoMain");
}

TEST_F(BackLog, ScrollButtonsAndWheelStayInsideTheLog)
{
    ASSERT_TRUE(g.initialized);
    AddLines(12);
    Open();
    SeqRukoLog* log = Log();
    EXPECT_EQ(log->GetLastPosition(), 7);
    EXPECT_EQ(log->GetScrollPosition(), 7);
    EXPECT_EQ(RowText(0), u"line7");
    EXPECT_EQ(RowText(4), u"line11");

    struct Step
    {
        const char* input;  // a button, or "up" / "down" for one wheel event
        int32_t wheel;
        int expected;
    };
    const Step steps[] = {
        {"btn_bb", 0, 3}, {"btn_bb", 0, 0}, {"btn_b", 0, 0},  {"btn_f", 0, 1},   {"btn_ff", 0, 5},
        {"btn_f", 0, 6},  {"btn_ff", 0, 7}, {"btn_f", 0, 7},  {"up", 360, 6},    {"up", 120, 5},
        {"down", -480, 6}, {"up", 60, 6},   {"btn_b", 0, 5},  {"down", -120, 6}, {"down", -120, 7},
    };
    g.sound.TakeCalls();
    size_t presses = 0;
    for (const Step& s : steps) {
        if (s.wheel != 0) Wheel(s.wheel);
        else {
            Press(s.input);
            ++presses;
        }
        EXPECT_EQ(log->GetScrollPosition(), s.expected) << s.input << " " << s.wheel;
        EXPECT_EQ(RowText(0), u"line" + Num(s.expected)) << s.input;
    }
    EXPECT_EQ(g.Tm()->GetCurrentSequenceName(), u"SeqRukoLog");
    // Each press of a button is heard, the wheel is not.
    size_t pushes = 0;
    for (const std::string& c : g.sound.calls) pushes += c.rfind("PlayOneShot", 0) == 0;
    EXPECT_EQ(pushes, presses);

    // The next opening starts at the newest lines again.
    Press("btn_bb");
    g.Tm()->WalkMouseRightDown(g.Tm()->GetCurrentSequence(), GxMousePoint{10.0f, 10.0f}, 0);
    g.Frame(16);
    g.Frame(16);
    ASSERT_EQ(g.Tm()->GetCurrentSequenceName(), u"SeqRukoMain");
    AddLines(1);
    g.Enter(u"SeqRukoLog", 0);
    EXPECT_EQ(log->GetScrollPosition(), 8);
    EXPECT_EQ(RowText(4), u"line0");  // the 13th line: "line0" of the second batch
}

TEST_F(BackLog, RowsShowTheSpeakerAndAVoiceButtonWhenTheLineHasVoices)
{
    ASSERT_TRUE(g.initialized);
    GxUserData* data = g.core->GetUserData();
    data->AppendMessageLog(u"", u"narration", false, false);
    data->AppendMessageLog(u"ruko", u"hello", true, true);
    data->m_VoiceRecord[2].m_FileName = u"voice/v2.ogg";
    data->AppendMessageLog(u"", u"a voice alone", false, false);
    Open();
    EXPECT_EQ(RowText(0), u"narration");
    EXPECT_EQ(RowText(1), u"【ruko】%rhello");
    EXPECT_EQ(RowText(2), u"a voice alone");
    EXPECT_FALSE(Widget(u"btn_voiceplay", 0)->IsVisible());
    EXPECT_FALSE(Widget(u"btn_voiceplay", 1)->IsVisible());
    EXPECT_TRUE(Widget(u"btn_voiceplay", 2)->IsVisible());
    EXPECT_EQ(SeqRukoLog::RowText(data->m_MessageLog[1]), u"【ruko】%rhello");
}

TEST_F(BackLog, TheVoiceButtonPlaysEveryVoiceOfItsLineAtItsCharactersVolume)
{
    ASSERT_TRUE(g.initialized);
    GxUserConfig* options = g.core->GetUserConfig();
    options->m_Volume_Voice[3] = 50;
    options->m_Volume_Voice[4] = 25;
    GxUserData* data = g.core->GetUserData();
    data->AppendMessageLog(u"", u"first", false, false);
    data->m_VoiceRecord[0] = {u"voice/a.ogg", 1, 0, 0, 0, 1};
    data->m_VoiceRecord[1] = {u"voice/b.ogg", 1, 0, 0, 0, 2};
    data->m_VoiceRecord[3] = {u"voice/d.ogg", 1, 0, 0, 0, 1};
    data->AppendMessageLog(u"ruko", u"together", false, false);
    // Characters outside the tables, as an old saved game may carry them.
    data->ClearVoiceRecords();
    data->m_VoiceRecord[1] = {u"voice/x.ogg", 1, 0, 0, 0, 500};
    data->m_VoiceRecord[2] = {u"voice/y.ogg", 1, 0, 0, 0, -1};
    data->AppendMessageLog(u"", u"strangers", false, false);
    Open();
    g.sound.TakeCalls();

    g.Click(kVoiceX + 5.0f, RowY(1) + 5.0f);
    std::vector<std::string> plays;
    for (const std::string& c : g.sound.TakeCalls())
        if (c.rfind("PlayStream", 0) == 0) plays.push_back(c);
    const auto line = [](int channel, const char* file, int32_t volume) {
        return "PlayStream " + std::to_string(channel) + " " + file + " 0 0 0 " + std::to_string(volume) + " 0 0";
    };
    EXPECT_EQ(plays, (std::vector<std::string>{line(8, "voice/a.ogg", options->GetVoiceVolume(1)),
                                               line(9, "voice/b.ogg", options->GetVoiceVolume(2)),
                                               line(11, "voice/d.ogg", options->GetVoiceVolume(1))}));
    EXPECT_NE(options->GetVoiceVolume(1), options->GetVoiceVolume(2));
    EXPECT_GT(options->GetVoiceVolume(1), -9600);

    g.Click(kVoiceX + 5.0f, RowY(2) + 5.0f);
    plays.clear();
    for (const std::string& c : g.sound.TakeCalls())
        if (c.rfind("PlayStream", 0) == 0) plays.push_back(c);
    EXPECT_EQ(plays, (std::vector<std::string>{line(9, "voice/x.ogg", -9600), line(10, "voice/y.ogg", -9600)}));
}

TEST_F(BackLog, RightClickAndBackReturnToTheOpenerAndLeavingEmptiesTheBackground)
{
    ASSERT_TRUE(g.initialized);
    AddLines(2);
    Open();
    auto* layer = dynamic_cast<GxTaskLayer*>(g.Tm()->FindTaskByName(u"$BGLAYER:SeqRukoLog"));
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->GetWidth(), 32) << "the background picture is loaded";
    Press("btn_back");
    g.Frame(16);
    EXPECT_EQ(g.Tm()->GetCurrentSequenceName(), u"SeqRukoMain");
    EXPECT_EQ(layer->GetWidth(), 0);

    g.Enter(u"SeqRukoLog", 0);
    g.RightDown(10.0f, 10.0f);
    g.Frame(16);
    g.Frame(16);
    EXPECT_EQ(g.Tm()->GetCurrentSequenceName(), u"SeqRukoMain");
}

}  // namespace
