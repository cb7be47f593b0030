// The picture viewer built by the program's screen list: the seen pictures of one set in turn,
// the scroll of a picture from one aligned place to another, dragging within the picture's
// bounds with the cursor to match, the keys, and the ways back to the gallery.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/GxUserDataPerman.h"
#include "layer/GxTaskLayer.h"
#include "seq/SeqCGModeView.h"
#include "tests/game/game_test_util.h"
#include "tests/seq/ScreenTestFixture.h"

namespace {

using screentest::CgRow;

struct Picture
{
    const char* name;
    uint32_t width, height;
};

class PictureViewer : public ::testing::Test
{
protected:
    PictureViewer()
        : g([](const std::filesystem::path& root) {
              ASSERT_TRUE(screentest::WriteBytes(root / "data/db_cgmode.txt",
                                             screentest::CgTable({
                                                 {7, 1, "t.png", {"p0", "p1", "p2", "p3", "p4"}},
                                                 {8, 1, "t.png", {"wide|LT|RT", "after"}},
                                                 {9, 1, "t.png", {"mid|MM"}},
                                                 {10, 1, "t.png", {"pan"}},
                                                 {11, 1, "t.png", {"m0", "m1", "m2"}},
                                                 {12, 1, "t.png", {"tall||"}},
                                                 {13, 1, "t.png", {"fits"}},
                                             })));
              const Picture pictures[] = {{"p0", 64, 48},     {"p1", 64, 48},    {"p2", 64, 48},   {"p3", 64, 48},
                                          {"p4", 64, 48},     {"wide", 2048, 768}, {"after", 64, 48},
                                          {"mid", 1000, 700}, {"pan", 2048, 768}, {"m0", 64, 48},  {"m2", 64, 48},
                                          {"tall", 1024, 1536}, {"fits", 1024, 768}};
              for (const Picture& p : pictures)
                  ASSERT_TRUE(screentest::WritePicture(root, std::string("cg/ev/") + p.name + ".png", p.width, p.height));
          })
    {
    }
    void SetUp() override
    {
        ASSERT_TRUE(g.initialized);
        g.core->GetUserDataPerman()->m_ShowedCGFlags = {
            {u"p1", 1}, {u"p3", 1}, {u"wide", 1}, {u"after", 1}, {u"mid", 1}, {u"pan", 1},
            {u"m0", 1}, {u"m1", 1}, {u"m2", 1},   {u"tall", 1},  {u"fits", 1}};
        m_View = dynamic_cast<SeqCGModeView*>(g.Tm()->FindTaskByName(u"SeqCGModeView"));
        ASSERT_NE(m_View, nullptr);
    }

    // Opens the viewer on the set as the gallery does.
    void Open(int32_t set)
    {
        if (g.Tm()->GetCurrentSequence() == m_View || g.Tm()->GetPendingSequence() == m_View) {
            g.Frame(16);
            if (g.Tm()->GetCurrentSequenceName() != u"SeqCGMode") g.Enter(u"SeqCGMode", 0);
        }
        g.Enter(u"SeqCGModeView", set);
    }
    GxTaskLayer* Layer() { return m_View->GetPictureLayer(); }
    std::u16string Shown() { return Layer()->GetCurrentContent()->m_ContentFileName; }
    float X() { return Layer()->GetPos().x; }
    float Y() { return Layer()->GetPos().y; }
    bool BackToGallery()
    {
        return g.Tm()->GetPendingSequenceName() == u"SeqCGMode" && g.Tm()->GetPendingSequenceParam() == 0;
    }

    screentest::Game g;
    SeqCGModeView* m_View = nullptr;
};

TEST_F(PictureViewer, ShowsOnlyTheSeenPicturesOfTheSetThenReturns)
{
    Open(7);
    EXPECT_EQ(m_View->GetSetID(), 7);
    EXPECT_EQ(m_View->GetPictureIndex(), 1);
    EXPECT_EQ(Shown(), u"cg/ev/p1.png");
    EXPECT_FALSE(Layer()->IsLocalTransit());  // the first picture is there at once

    g.Click(500.0f, 400.0f);
    EXPECT_EQ(m_View->GetPictureIndex(), 3);
    EXPECT_EQ(Shown(), u"cg/ev/p3.png");
    ASSERT_TRUE(Layer()->IsLocalTransit());
    EXPECT_EQ(Layer()->GetLocalTransit().m_TransitTimeTotal, 500);
    EXPECT_FALSE(g.Tm()->IsChangeSequencePending());

    g.Click(500.0f, 400.0f);
    EXPECT_TRUE(BackToGallery());
}

TEST_F(PictureViewer, SixKeysGoOnAndOtherKeysDoNothing)
{
    const GxWParam keys[] = {0x0D, 0x20, 0x25, 0x26, 0x27, 0x28};
    for (GxWParam key : keys) {
        Open(7);
        EXPECT_EQ(g.Tm()->OnKeyDown(0x41, 0), 0) << key;  // 'A'
        g.Frame(16);
        EXPECT_EQ(m_View->GetPictureIndex(), 1) << key;
        EXPECT_EQ(g.Tm()->OnKeyDown(key, 0), 1) << key;
        g.Frame(16);
        EXPECT_EQ(m_View->GetPictureIndex(), 3) << key;
        g.Key(key);
        EXPECT_TRUE(BackToGallery()) << key;
    }
}

TEST_F(PictureViewer, RightClickAndUnknownSetsGoBackToTheGallery)
{
    Open(7);
    g.RightDown(500.0f, 400.0f);
    g.Frame(16);
    EXPECT_TRUE(BackToGallery());

    // A set the table does not have shows nothing; the first input returns.
    for (int32_t set : {250, 200, -1, 6}) {
        Open(set);
        EXPECT_EQ(m_View->GetPictureIndex(), -1) << set;
        EXPECT_EQ(Layer()->GetCurrentContent()->m_ContentType, CONTENTTYPE_NONE) << set;
        g.Click(500.0f, 400.0f);
        EXPECT_TRUE(BackToGallery()) << set;
    }
}

TEST_F(PictureViewer, AMissingPictureIsLoggedAndThePreviousOneStays)
{
    Open(11);
    EXPECT_EQ(Shown(), u"cg/ev/m0.png");
    gametest::LogCapture log;
    g.Click(500.0f, 400.0f);
    EXPECT_EQ(log.Count("画像がありません m1"), 1u);
    EXPECT_EQ(m_View->GetPictureIndex(), 1);
    EXPECT_EQ(Shown(), u"cg/ev/m0.png");
    g.Click(500.0f, 400.0f);
    EXPECT_EQ(Shown(), u"cg/ev/m2.png");
}

TEST_F(PictureViewer, AScrollWaitsThenMovesAndAClickCompletesIt)
{
    Open(8);
    EXPECT_EQ(X(), 0.0f);
    EXPECT_EQ(Y(), 0.0f);
    EXPECT_EQ(m_View->GetEndPos().x, -1024.0f);
    EXPECT_EQ(m_View->GetEndPos().y, 0.0f);
    // 500 ms wait, then 30 + 8 x 1024 ms of move. Entering took part of the wait already.
    g.Frame(50);
    EXPECT_EQ(X(), 0.0f);
    for (int i = 0; i < 1000 && !Layer()->IsActionFinished(); ++i) g.Frame(16);
    EXPECT_EQ(X(), -1024.0f);
    EXPECT_EQ(Y(), 0.0f);

    // Measured from a fresh start: the whole scroll takes 8722 ms.
    m_View->ShowPicture(0, 0);
    ASSERT_EQ(X(), 0.0f);
    g.Frame(500);
    EXPECT_EQ(X(), 0.0f);
    g.Frame(8221);
    EXPECT_LT(X(), 0.0f);
    EXPECT_GT(X(), -1024.0f);
    g.Frame(1);
    EXPECT_EQ(X(), -1024.0f);

    // During the wait and during the move a click lands the picture at once and does not go on.
    for (int32_t after : {100, 3000}) {
        Open(8);
        g.Frame(after);
        g.Click(500.0f, 400.0f);
        EXPECT_EQ(X(), -1024.0f) << after;
        EXPECT_EQ(Y(), 0.0f) << after;
        EXPECT_EQ(m_View->GetPictureIndex(), 0) << after;
        EXPECT_TRUE(Layer()->IsActionFinished()) << after;
    }
    // The next click goes on.
    g.Click(500.0f, 400.0f);
    EXPECT_EQ(m_View->GetPictureIndex(), 1);

    // A key does not complete the scroll first: the next picture replaces it at once.
    Open(8);
    g.Frame(1000);
    g.Key(0x27);
    EXPECT_EQ(m_View->GetPictureIndex(), 1);
    EXPECT_EQ(Shown(), u"cg/ev/after.png");
    EXPECT_TRUE(Layer()->IsActionFinished());
    EXPECT_EQ(X(), 0.0f);
    ASSERT_TRUE(Layer()->IsLocalTransit());
    EXPECT_EQ(Layer()->GetLocalTransit().m_TransitTimeTotal, 500);
}

TEST_F(PictureViewer, DraggingStaysInsideThePictureAndShowsTheCursorOfItsAxes)
{
    struct Case
    {
        int32_t set;
        float moveX, moveY;
        float x, y;      // where the picture ends up
        int cursor;      // 3 all ways, 4 north-south, 5 west-east, 6 not allowed
    };
    const Case cases[] = {
        {10, 100.0f, 450.0f, -400.0f, 0.0f, 5},
        {10, -2000.0f, 100.0f, -1024.0f, 0.0f, 5},
        {10, 900.0f, 400.0f, 0.0f, 0.0f, 5},
        {12, 100.0f, 100.0f, 0.0f, -300.0f, 4},
        {12, 500.0f, -2000.0f, 0.0f, -768.0f, 4},
        // A picture that fits keeps its place, centred or not.
        {9, 600.0f, 450.0f, 12.0f, 34.0f, 6},
        {13, 0.0f, 0.0f, 0.0f, 0.0f, 6},
    };
    for (const Case& c : cases) {
        Open(c.set);
        const float startX = X();
        const float startY = Y();
        if (c.set == 9) {
            EXPECT_EQ(startX, 12.0f);  // "MM": (1024 - 1000) / 2, (768 - 700) / 2
            EXPECT_EQ(startY, 34.0f);
        }
        g.ws->cursors.clear();
        g.Move(500.0f, 400.0f);
        g.Down(500.0f, 400.0f);
        EXPECT_TRUE(m_View->IsDragging()) << c.set;
        g.Move(c.moveX, c.moveY);
        EXPECT_EQ(X(), c.x) << c.set << " " << c.moveX;
        EXPECT_EQ(Y(), c.y) << c.set << " " << c.moveY;
        ASSERT_FALSE(g.ws->cursors.empty()) << c.set;
        EXPECT_EQ(g.ws->cursors.back(), c.cursor) << c.set;
        g.Up(c.moveX, c.moveY);
        g.Frame(16);
        // A drag never goes on to the next picture; the arrow comes back.
        EXPECT_FALSE(m_View->IsDragging()) << c.set;
        EXPECT_EQ(m_View->GetPictureIndex(), 0) << c.set;
        EXPECT_FALSE(g.Tm()->IsChangeSequencePending()) << c.set;
        EXPECT_EQ(g.ws->cursors.back(), 1) << c.set;
        EXPECT_EQ(X(), c.x) << c.set;
    }

    // A second drag starts from where the first one left the picture.
    Open(10);
    g.Down(500.0f, 400.0f);
    g.Move(300.0f, 400.0f);
    g.Up(300.0f, 400.0f);
    g.Frame(16);
    g.Down(500.0f, 400.0f);
    g.Move(400.0f, 400.0f);
    EXPECT_EQ(X(), -300.0f);
    g.Up(400.0f, 400.0f);
    g.Frame(16);
}

TEST_F(PictureViewer, TakingHoldOfAScrollingPictureStopsTheScrollWhereItIs)
{
    Open(8);
    g.Frame(600);  // moving now
    const float x = X();
    ASSERT_LT(x, 0.0f);
    g.Down(500.0f, 400.0f);
    g.Move(510.0f, 400.0f);
    EXPECT_TRUE(Layer()->IsActionFinished());
    EXPECT_EQ(X(), x + 10.0f);
    g.Up(510.0f, 400.0f);
    g.Frame(1000);
    EXPECT_EQ(X(), x + 10.0f);
    EXPECT_EQ(m_View->GetPictureIndex(), 0);
}

}  // namespace
