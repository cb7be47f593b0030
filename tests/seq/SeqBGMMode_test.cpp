// The music room built by the program's screen list from the UI layout and music-room tables:
// the track count, entering silent, play/stop/previous/next/select with wrapping, the
// now-playing indicator, the way back, and the music that outlives the room.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/GxSeqBase.h"
#include "app/task/GxRenderLayer.h"
#include "game/GxUserData.h"
#include "seq/SeqBGMMode.h"
#include "tests/support/GxHideScreen.h"
#include "tests/seq/ScreenTestFixture.h"
#include "ui/GxTaskUIBase.h"

namespace {

constexpr float kTrackX = 300.0f;
float TrackY(int track) { return 100.0f + 50.0f * static_cast<float>(track); }

// Tracks 1..5 and 7 have music, 6 has none. Tracks are radio group 1, play and stop group 2.
void WriteMusicRoom(const std::filesystem::path& root)
{
    using screentest::LayoutRow;
    const std::vector<std::vector<std::string>> modules = {
        screentest::ModuleRow(1, 18, "mod_btn", 60, 40),
        screentest::ModuleRow(2, 20, "mod_radio", 200, 40),
        screentest::ModuleRow(3, 45, "mod_tip", 30, 30),
    };
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_uimodule.txt", screentest::TableText(modules)));
    const std::string ui = "$UI:SeqBGMMode";
    std::vector<std::vector<std::string>> layout;
    int id = 1;
    // Track 3's button comes switched on from the data: entering switches it off.
    for (int t = 1; t <= 7; ++t)
        layout.push_back(LayoutRow(id++, ui, "mod_radio", "btn_bgmselect", t, kTrackX, TrackY(t), 1, t == 3));
    layout.push_back(LayoutRow(id++, ui, "mod_radio", "btn_bgmplay", 0, 600.0f, 600.0f, 2, 1));
    layout.push_back(LayoutRow(id++, ui, "mod_radio", "btn_bgmstop", 0, 600.0f, 660.0f, 2));
    layout.push_back(LayoutRow(id++, ui, "mod_btn", "btn_bgmprev", 0, 700.0f, 700.0f));
    layout.push_back(LayoutRow(id++, ui, "mod_btn", "btn_bgmnext", 0, 800.0f, 700.0f));
    layout.push_back(LayoutRow(id++, ui, "mod_btn", "btn_back", 0, 900.0f, 700.0f));
    layout.push_back(LayoutRow(id++, ui, "mod_tip", "tip_playing", 0, 10.0f, 10.0f));
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_uilayout.txt", screentest::TableText(layout)));
    std::vector<std::vector<std::string>> tracks;
    for (int t = 1; t <= 7; ++t) {
        if (t == 6) continue;
        tracks.push_back({std::to_string(t), "track" + std::to_string(t), "t" + std::to_string(t) + ".ogg",
                          std::to_string(t * 100), std::to_string(t)});
    }
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_bgmmode.txt", screentest::TableText(tracks)));
    ASSERT_TRUE(screentest::WritePicture(root, "cg/ui/bg_bgmmode.png", 64, 48));
}

SeqBGMMode* Room(screentest::Game& g) { return dynamic_cast<SeqBGMMode*>(g.Tm()->FindTaskByName(u"SeqBGMMode")); }

GxTaskUIBase* Widget(screentest::Game& g, const char16_t* name, int index)
{
    return g.Widget(u"SeqBGMMode", name, index);
}

// The music plays the sound layer was asked for.
std::vector<std::string> Plays(screentest::Game& g)
{
    std::vector<std::string> out;
    for (const std::string& c : g.sound.TakeCalls())
        if (c.rfind("PlayBGM", 0) == 0 || c.rfind("StopBGM", 0) == 0) out.push_back(c.substr(0, c.find(' ', c.find(' ') + 1)));
    return out;
}

void ClickTrack(screentest::Game& g, int t) { g.Click(kTrackX + 5.0f, TrackY(t) + 5.0f); }

TEST(MusicRoom, EntersSilentAndStepsThroughTheTracksWithWrapping)
{
    screentest::Game g(WriteMusicRoom);
    ASSERT_TRUE(g.initialized);
    g.core->GetUserData()->m_BGMRecord.m_FileName = u"bgms/title.ogg";
    g.sound.TakeCalls();
    g.Enter(u"SeqBGMMode", 0);
    SeqBGMMode* room = Room(g);
    ASSERT_NE(room, nullptr);
    EXPECT_EQ(room->GetTrackCount(), 5) << "row 6 has no file: rows beyond it do not count";
    EXPECT_EQ(room->GetCurrentTrack(), 0);
    EXPECT_EQ(Plays(g), (std::vector<std::string>{"StopBGM 1000"}));
    const GxSoundChannelRecord& record = g.core->GetUserData()->m_BGMRecord;
    EXPECT_TRUE(record.m_FileName.empty());
    EXPECT_FALSE(Widget(g, u"btn_bgmselect", 3)->GetValueBool()) << "group 1 switched off";
    EXPECT_TRUE(Widget(g, u"btn_bgmstop", 0)->GetValueBool());
    EXPECT_FALSE(Widget(g, u"btn_bgmplay", 0)->GetValueBool());
    EXPECT_FALSE(Widget(g, u"tip_playing", 0)->IsVisible());

    // Play with nothing selected plays track 1.
    g.Click(605.0f, 605.0f);
    EXPECT_EQ(room->GetCurrentTrack(), 1);
    EXPECT_EQ(record.m_FileName, u"bgms/t1.ogg");
    EXPECT_EQ(record.m_LoopPosTime, 100u);
    EXPECT_EQ(record.m_Loop, 0);
    std::vector<std::string> calls = g.sound.TakeCalls();
    size_t plays = 0;
    for (const std::string& c : calls)
        plays += c.rfind("PlayBGM bgms/t1.ogg -1 0 0 ", 0) == 0 && c.substr(c.rfind(' ') + 1) == "100";
    EXPECT_EQ(plays, 1u);
    EXPECT_TRUE(Widget(g, u"btn_bgmselect", 1)->GetValueBool());
    GxTaskUIBase* tip = Widget(g, u"tip_playing", 0);
    EXPECT_TRUE(tip->IsVisible());
    EXPECT_EQ(tip->GetPos().x, kTrackX - 37.0f);
    EXPECT_EQ(tip->GetPos().y, TrackY(1));

    // Previous from track 1 wraps to the last track, next from it back to 1.
    struct Step
    {
        float x;
        int track;
    };
    const Step steps[] = {{705.0f, 5}, {805.0f, 1}, {805.0f, 2}, {705.0f, 1}};
    for (const Step& s : steps) {
        g.Click(s.x, 705.0f);
        EXPECT_EQ(room->GetCurrentTrack(), s.track);
        EXPECT_EQ(record.m_FileName, u"bgms/t" + std::u16string(1, static_cast<char16_t>(u'0' + s.track)) + u".ogg");
        EXPECT_TRUE(Widget(g, u"btn_bgmselect", s.track)->GetValueBool()) << s.track;
        EXPECT_TRUE(Widget(g, u"btn_bgmplay", 0)->GetValueBool()) << s.track;
        EXPECT_EQ(Widget(g, u"tip_playing", 0)->GetPos().y, TrackY(s.track));
    }

    // The track that already plays is not started again; another one is.
    g.sound.TakeCalls();
    ClickTrack(g, 1);
    for (const std::string& c : g.sound.TakeCalls()) EXPECT_EQ(c.find("PlayBGM"), std::string::npos) << c;
    ClickTrack(g, 4);
    EXPECT_EQ(room->GetCurrentTrack(), 4);
    EXPECT_EQ(record.m_FileName, u"bgms/t4.ogg");
    g.Click(605.0f, 605.0f);  // play: track 4 plays already
    for (const std::string& c : g.sound.TakeCalls()) {
        if (c.rfind("PlayBGM", 0) == 0) EXPECT_EQ(c.rfind("PlayBGM bgms/t4.ogg", 0), 0u) << c;
    }
    EXPECT_EQ(room->GetCurrentTrack(), 4);

    // Stop: the music fades out over a second and the indicator goes.
    g.Click(605.0f, 665.0f);
    EXPECT_TRUE(record.m_FileName.empty());
    bool stopped = false;
    for (const std::string& c : g.sound.TakeCalls()) stopped |= c == "StopBGM 1000";
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(Widget(g, u"tip_playing", 0)->IsVisible());
}

TEST(MusicRoom, ItsOwnDrawPassComesAboveTheWidgets)
{
    screentest::Game g(WriteMusicRoom);
    ASSERT_TRUE(g.initialized);
    g.Enter(u"SeqBGMMode", 0);
    g.core->ClearRenderLayers();
    g.Tm()->RenderTasks(g.Tm()->GetCurrentSequence(), 0, 0);
    const auto& entries = g.core->GetRenderLayers().GetList(GxRenderLayer::Main)->GetEntries();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().task, Room(g));
    EXPECT_EQ(entries.back().orderKey, 13000.0f);
    EXPECT_EQ(entries.back().param, 2);
    g.core->DrawRenderLayers();
}

TEST(MusicRoom, RightClickReturnsToTheScreenItCameFromAndTheMusicPlaysOn)
{
    screentest::Game g(WriteMusicRoom);
    ASSERT_TRUE(g.initialized);
    gxtest::HideProgramScreen((g.Tm()->GetRootTask())->GetManager(), u"SeqTitle");
    auto* title = new GxSeqBase(u"SeqTitle", g.Tm()->GetRootTask());
    g.Enter(u"SeqTitle", 0);
    g.Enter(u"SeqBGMMode", 0);
    ClickTrack(g, 2);
    EXPECT_EQ(g.core->GetUserData()->m_BGMRecord.m_FileName, u"bgms/t2.ogg");
    g.sound.TakeCalls();

    g.RightDown(500.0f, 400.0f);
    g.Frame(16);
    EXPECT_EQ(g.Tm()->GetPendingSequence(), title);
    g.Frame(16);
    EXPECT_EQ(g.Tm()->GetCurrentSequence(), title);
    EXPECT_EQ(g.core->GetUserData()->m_BGMRecord.m_FileName, u"bgms/t2.ogg");
    for (const std::string& c : g.sound.TakeCalls()) {
        EXPECT_EQ(c.find("StopBGM"), std::string::npos) << c;
        EXPECT_EQ(c.find("FadeOutStream 0"), std::string::npos) << c;
    }

    // Entering again starts silent once more.
    g.Enter(u"SeqBGMMode", 0);
    EXPECT_EQ(Room(g)->GetCurrentTrack(), 0);
    EXPECT_TRUE(g.core->GetUserData()->m_BGMRecord.m_FileName.empty());
}

}  // namespace
