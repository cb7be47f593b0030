// The picture gallery built by the program's screen list from the UI layout and gallery tables:
// counts rebuilt on entry, slots and pages, the overlay's plates and thumbnails, the wheel and
// right click, the music, and the way out.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/GxSeqBase.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "layer/GxNcImageSet.h"
#include "seq/SeqCGMode.h"
#include "tests/support/GxHideScreen.h"
#include "tests/game/game_test_util.h"
#include "tests/seq/ScreenTestFixture.h"
#include "ui/GxTaskUIBase.h"

namespace {

using screentest::CgRow;

using screentest::PlateX;
using screentest::PlateY;
using screentest::QuadRecorder;

// The gallery's widgets: 25 slots, page buttons 1..3 (page 1 on), previous, next and back.
void WriteGalleryData(const std::filesystem::path& root, const std::vector<CgRow>& rows,
                      const std::vector<std::u16string>& thumbnails)
{
    ASSERT_NO_FATAL_FAILURE(screentest::WritePlateRoomLayout(root, "SeqCGMode", "btn_cgselect"));
    ASSERT_TRUE(screentest::WriteBytes(root / "data/db_cgmode.txt", screentest::CgTable(rows)));

    std::vector<screentest::SetImage> thumbs;
    for (const std::u16string& t : thumbnails) thumbs.push_back({t, 100, 80});
    ASSERT_TRUE(screentest::WriteImageSet(root, "uigis/th_cgmode.gis", thumbs));
    ASSERT_TRUE(screentest::WriteImageSet(root, "uigis/ui_extra.gis", {{u"tip_cgplate.png", 90, 80}}));
    ASSERT_TRUE(screentest::WritePicture(root, "cg/ui/bg_cgmode.png", 64, 48));
}

SeqCGMode* Gallery(screentest::Game& g) { return dynamic_cast<SeqCGMode*>(g.Tm()->FindTaskByName(u"SeqCGMode")); }

GxTaskUIBase* Widget(screentest::Game& g, const char16_t* name, int index)
{
    return g.Widget(u"SeqCGMode", name, index);
}

// Leaves the gallery for the viewer and comes back, as the player does.
void ReEnter(screentest::Game& g)
{
    g.Enter(u"SeqCGModeView", 1);
    g.Enter(u"SeqCGMode", 0);
}

TEST(PictureGallery, SlotsOverlayAndShareFollowWhatWasSeen)
{
    screentest::Game g([](const std::filesystem::path& root) {
        WriteGalleryData(root,
                         {{1, 1, "th1.png", {"a1", "a2"}}, {2, 1, "th2.png", {"b1", "b2", "b3"}},
                          {3, 1, "th3.png", {"c1"}, 0}, {4, 2, "th4.png", {"d1"}}},
                         {u"th1.png", u"th2.png", u"th3.png", u"th4.png"});
    });
    ASSERT_TRUE(g.initialized);
    {
        const QuadRecorder quads;
        g.Enter(u"SeqCGMode", 0);
        g.Frame(16);
        SeqCGMode* gallery = Gallery(g);
        ASSERT_NE(gallery, nullptr);
        EXPECT_EQ(gallery->GetCurrentPage(), 1);
        EXPECT_EQ(gallery->GetPageCount(), 2);
        EXPECT_EQ(gallery->GetTotalPictures(), 7);
        EXPECT_EQ(gallery->GetSeenPictures(), 0);
        EXPECT_EQ(gallery->GetPercentText(), u"  0");
        EXPECT_EQ(gallery->GetPageSets(), (std::vector<int32_t>{1, 2, 3}));
        for (int i = 0; i < 3; ++i) {
            GxTaskUIBase* slot = Widget(g, u"btn_cgselect", i);
            ASSERT_NE(slot, nullptr);
            EXPECT_TRUE(slot->IsVisible()) << i;
            EXPECT_FALSE(slot->IsEnabled()) << i;
            EXPECT_EQ(slot->GetValueInt(), i + 1);
        }
        for (int i = 3; i < 25; ++i) EXPECT_FALSE(Widget(g, u"btn_cgselect", i)->IsVisible()) << i;
        // Three plates, one at each used slot, nothing pulsing.
        std::vector<QuadRecorder::Quad> plates;
        for (const auto& q : QuadRecorder::Quads())
            if (q.width == 90.0f) plates.push_back(q);
        ASSERT_GE(plates.size(), 3u);
        EXPECT_EQ(plates.size() % 3, 0u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(plates[static_cast<size_t>(i)].x, PlateX(i));
            EXPECT_EQ(plates[static_cast<size_t>(i)].y, PlateY(i));
            EXPECT_EQ(plates[static_cast<size_t>(i)].specular, 0u);
        }
        for (const auto& q : QuadRecorder::Quads()) EXPECT_NE(q.width, 100.0f) << "no thumbnail while nothing is seen";
    }

    // Seen in a later play: the counts are rebuilt when the gallery is entered again.
    GxUserDataPerman* perman = g.core->GetUserDataPerman();
    perman->m_ShowedCGFlags = {{u"a2", 1}, {u"b1", 1}, {u"b3", 1}, {u"zz", 1}};
    ReEnter(g);
    SeqCGMode* gallery = Gallery(g);
    EXPECT_EQ(gallery->GetSeenPictures(), 3);
    EXPECT_EQ(gallery->GetSeenCount(1), 1);
    EXPECT_EQ(gallery->GetSeenCount(2), 2);
    EXPECT_EQ(gallery->GetPercentText(), u" 42");  // 3 * 100 / 7
    EXPECT_TRUE(Widget(g, u"btn_cgselect", 0)->IsEnabled());
    EXPECT_TRUE(Widget(g, u"btn_cgselect", 1)->IsEnabled());
    EXPECT_FALSE(Widget(g, u"btn_cgselect", 2)->IsEnabled());

    // Thumbnails for the sets with a seen picture; the one under the pointer pulses.
    const QuadRecorder quads;
    g.Frame(16);
    Widget(g, u"btn_cgselect", 1)->SetHoverCount(1);
    QuadRecorder::Quads().clear();
    g.Draw();
    std::vector<QuadRecorder::Quad> thumbs;
    for (const auto& q : QuadRecorder::Quads())
        if (q.width == 100.0f) thumbs.push_back(q);
    ASSERT_EQ(thumbs.size(), 2u);
    EXPECT_EQ(thumbs[0].x, PlateX(0));
    EXPECT_EQ(thumbs[0].specular, 0u);
    EXPECT_EQ(thumbs[1].x, PlateX(1));
    EXPECT_EQ(thumbs[1].specular >> 24, 0xFFu);
    const int32_t frame = gallery->GetUpdateCount();
    const float pulse = static_cast<float>(std::fabs(std::sin(frame / 30.0)) * 0.25);
    EXPECT_EQ(thumbs[1].specular, GxPackColorArgb(pulse, pulse, pulse, 1.0f));
}

TEST(PictureGallery, PagesWrapBothWaysWithTheRadioButtonsAndTheWheel)
{
    screentest::Game g([](const std::filesystem::path& root) {
        WriteGalleryData(root, {{1, 1, "t.png", {"a"}}, {2, 2, "t.png", {"b"}}, {3, 3, "t.png", {"c"}}}, {u"t.png"});
    });
    ASSERT_TRUE(g.initialized);
    g.Enter(u"SeqCGMode", 0);
    SeqCGMode* gallery = Gallery(g);
    auto expectPage = [&](int page, const char* what) {
        EXPECT_EQ(gallery->GetCurrentPage(), page) << what;
        EXPECT_EQ(gallery->GetPageSets(), (std::vector<int32_t>{page})) << what;
        EXPECT_EQ(Widget(g, u"btn_cgselect", 0)->GetValueInt(), page) << what;
        for (int p = 1; p <= 3; ++p) EXPECT_EQ(Widget(g, u"btn_pageselect", p)->GetValueBool(), p == page) << what;
    };
    expectPage(1, "the page the UI data turns on");
    g.Click(710.0f, 710.0f);  // previous
    expectPage(3, "previous from the first page");
    g.Click(810.0f, 710.0f);  // next
    expectPage(1, "next from the last page");
    g.Click(810.0f, 710.0f);
    expectPage(2, "next");

    // One press per wheel event, whole notches only.
    struct Turn
    {
        int32_t delta;
        int page;
    };
    const Turn turns[] = {{240, 1}, {60, 1}, {-60, 1}, {-119, 1}, {-120, 2}, {-360, 3}, {120, 2}};
    for (const Turn& t : turns) {
        g.Tm()->OnMouseWheel(GxMousePoint{500.0f, 400.0f}, t.delta, 0);
        g.Frame(16);
        expectPage(t.page, ("wheel " + std::to_string(t.delta)).c_str());
    }

    // The page buttons keep their state: the gallery reopens where it was left.
    ReEnter(g);
    expectPage(2, "reopened");
}

TEST(PictureGallery, APageShowsItsLowestTwentyFiveUsedSetsAndCountsStayInTheRow)
{
    screentest::Game g([](const std::filesystem::path& root) {
        std::vector<CgRow> rows;
        for (int id = 10; id < 40; ++id) rows.push_back({id, 1, "t.png", {"p" + std::to_string(id)}});
        rows.push_back({5, 1, "t.png", {}, 0});  // no pictures, no Count: no set at all
        rows.push_back({6, 2, "gone.png", {"q6"}});
        // A Count beyond the row's 32 picture cells reads no further than the row.
        CgRow big{7, 2, "t.png", {}, 99};
        for (int j = 0; j < 32; ++j) big.files.push_back("r" + std::to_string(j));
        rows.push_back(big);
        WriteGalleryData(root, rows, {u"t.png"});
    });
    ASSERT_TRUE(g.initialized);
    GxUserDataPerman* perman = g.core->GetUserDataPerman();
    for (int j = 0; j < 32; ++j) perman->m_ShowedCGFlags[u"r" + GxUtf8ToWide(std::to_string(j))] = 1;
    perman->m_ShowedCGFlags[u"p12"] = 1;
    gametest::LogCapture log;
    g.Enter(u"SeqCGMode", 0);
    SeqCGMode* gallery = Gallery(g);

    std::vector<int32_t> expected;
    for (int id = 10; id < 40; ++id) expected.push_back(id);
    EXPECT_EQ(gallery->GetPageSets(), expected);
    for (int i = 0; i < 25; ++i) {
        GxTaskUIBase* slot = Widget(g, u"btn_cgselect", i);
        EXPECT_TRUE(slot->IsVisible());
        EXPECT_EQ(slot->GetValueInt(), 10 + i);
        EXPECT_EQ(slot->IsEnabled(), i == 2);
    }
    EXPECT_EQ(gallery->GetTotalPictures(), 30 + 1 + 32);
    EXPECT_EQ(gallery->GetSeenPictures(), 33);
    EXPECT_EQ(gallery->GetSeenCount(7), 32);
    EXPECT_EQ(gallery->GetSeenCount(5), 0);
    EXPECT_EQ(log.Count("CGモードサムネイル gone.png (ID=6)が見つかりません"), 1u);
    EXPECT_EQ(log.Count("CGモードサムネイル t.png"), 0u);
}

TEST(PictureGallery, MusicStartsOnceAndIsKeptOnReEntry)
{
    screentest::Game g(
        [](const std::filesystem::path& root) { WriteGalleryData(root, {{1, 1, "t.png", {"a"}}}, {u"t.png"}); },
        "APP_TITLE=GalleryTest\nAPP_SAVEDIR=GalleryTest_SAVE\nBGM_NAME_CGMODE=gallery.ogg\nBGM_LOOP_CGMODE=1234\n");
    ASSERT_TRUE(g.initialized);
    g.sound.TakeCalls();
    g.Enter(u"SeqCGMode", 0);
    const GxSoundChannelRecord& record = g.core->GetUserData()->m_BGMRecord;
    EXPECT_EQ(record.m_FileName, u"bgms/gallery.ogg");
    EXPECT_EQ(record.m_LoopPosTime, 1234u);
    size_t plays = 0;
    for (const std::string& c : g.sound.TakeCalls()) {
        if (c.rfind("PlayBGM bgms/gallery.ogg -1 0 0", 0) == 0) ++plays;
        EXPECT_EQ(c.find("StopBGM"), std::string::npos) << c;
    }
    EXPECT_EQ(plays, 1u);

    ReEnter(g);
    for (const std::string& c : g.sound.TakeCalls()) {
        EXPECT_EQ(c.find("PlayBGM"), std::string::npos) << c;
        EXPECT_EQ(c.find("StopBGM"), std::string::npos) << c;
    }
    EXPECT_EQ(record.m_FileName, u"bgms/gallery.ogg");
}

TEST(PictureGallery, WithoutItsMusicTheGalleryFadesTheMusicOut)
{
    screentest::Game g(
        [](const std::filesystem::path& root) { WriteGalleryData(root, {{1, 1, "t.png", {"a"}}}, {u"t.png"}); });
    ASSERT_TRUE(g.initialized);
    g.core->GetUserData()->m_BGMRecord.m_FileName = u"bgms/title.ogg";
    g.sound.TakeCalls();
    g.Enter(u"SeqCGMode", 0);
    EXPECT_TRUE(g.core->GetUserData()->m_BGMRecord.m_FileName.empty());
    size_t stops = 0;
    for (const std::string& c : g.sound.TakeCalls()) stops += c == "StopBGM 1000";
    EXPECT_EQ(stops, 1u);
}

TEST(PictureGallery, ThumbnailsOpenTheViewerAndRightClickGoesBackToTheTitle)
{
    screentest::Game g([](const std::filesystem::path& root) {
        WriteGalleryData(root, {{1, 1, "t.png", {"a"}}, {4, 1, "t.png", {"b"}}}, {u"t.png"});
    });
    ASSERT_TRUE(g.initialized);
    g.core->GetUserDataPerman()->m_ShowedCGFlags[u"b"] = 1;
    g.Enter(u"SeqCGMode", 0);

    // A locked set does not open; a seen one opens the viewer on its set.
    g.Click(PlateX(0) + 10.0f, PlateY(0) + 10.0f);
    EXPECT_FALSE(g.Tm()->IsChangeSequencePending());
    g.Click(PlateX(1) + 10.0f, PlateY(1) + 10.0f);
    ASSERT_TRUE(g.Tm()->IsChangeSequencePending());
    EXPECT_EQ(g.Tm()->GetPendingSequenceName(), u"SeqCGModeView");
    EXPECT_EQ(g.Tm()->GetPendingSequenceParam(), 4);

    // Without a title screen the gallery stays and says so.
    gxtest::HideProgramScreen(g.Tm(), u"SeqTitle");
    g.Frame(16);
    g.Enter(u"SeqCGMode", 0);
    {
        gametest::LogCapture log;
        g.RightDown(500.0f, 400.0f);
        g.Frame(16);
        EXPECT_EQ(log.Count("遷移先のシーケンスが見つかりません(SeqTitle)"), 1u);
        EXPECT_FALSE(g.Tm()->IsChangeSequencePending());
    }
    auto* title = new GxSeqBase(u"SeqTitle", g.Tm()->GetRootTask());
    g.RightDown(500.0f, 400.0f);
    g.Frame(16);
    EXPECT_EQ(g.Tm()->GetPendingSequence(), title);
    g.Frame(16);
    EXPECT_EQ(g.Tm()->GetCurrentSequence(), title);
}

}  // namespace
