// The gauge bar on the headless stage, built by the program's UI factory: the fill width table and
// the recorded clipped fill, timed changes (shown value, countdown, restarts, long frames, range
// changes during a change), the image load, the pointer (hover and presses that pass through) and
// the stored form, including damaged stored values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "game/DBUIModule.h"
#include "layer/GxNcImageSet.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

using gxtest::UIHarness;

constexpr float kX = 100.0f;
constexpr float kY = 200.0f;

std::vector<std::vector<GxScreenVertex>> Quads(const std::vector<GxDeviceCall>& calls)
{
    std::vector<std::vector<GxScreenVertex>> out;
    for (const auto& c : calls)
        if (c.op == GxDeviceOp::DrawPrimitiveUP && !c.vertices.empty()) out.push_back(c.vertices);
    return out;
}

// The horizontal extent of a quad on the screen.
std::pair<float, float> SpanX(const std::vector<GxScreenVertex>& v)
{
    float lo = v[0].x, hi = v[0].x;
    for (const auto& p : v) {
        lo = std::min(lo, p.x);
        hi = std::max(hi, p.x);
    }
    return {lo, hi};
}

class HBarTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.IsReady());
        ASSERT_TRUE(h.WriteImageSet("uigis/bar.gis", {{u"hp_back.png", {{220, 20, 0xFF202020u}}},
                                                      {u"hp_on.png", {{220, 20, 0xFF00FF00u}, {220, 20, 0xFFFF0000u}}},
                                                      {u"hp_front.png", {{220, 20, 0x80FFFFFFu}}},
                                                      {u"plain_on.png", {{220, 20, 0xFF00FF00u}}},
                                                      {u"empty_back.png", {{50, 10, 0xFF00FF00u}}}}))
            << h.Log().Joined();
    }

    GxTaskUIHBarIs* Make(const char16_t* image = u"hp", const char16_t* set = u"bar")
    {
        DBUIModuleData m;
        m.ID = 1;
        m.UIType = GxUIModuleType::HBarIs;
        m.ImageSetName = set;
        m.ImageName = image;
        m.ClientLeft = 10;
        auto* bar = dynamic_cast<GxTaskUIHBarIs*>(h.CreateFromModule(m, u"bar"));
        if (bar) {
            bar->SetPos(GxVector3(kX, kY, 0.0f));
            bar->SetMax(100.0);
        }
        return bar;
    }

    UIHarness h;
};

TEST_F(HBarTest, FillWidthTableAndTheRecordedClip)
{
    GxTaskUIHBarIs* bar = Make();
    ASSERT_NE(bar, nullptr);
    h.EnterScreen();
    ASSERT_EQ(bar->GetClientWidth(), 200);
    ASSERT_EQ(bar->GetHeight(), 20);
    struct Case
    {
        double min, max, value;
        int32_t fill;
    };
    const Case cases[] = {
        {0, 100, 40, 80}, {0, 100, 40.9, 81}, {0, 100, 0, 0},   {0, 100, 100, 200},
        {0, 100, 150, 200}, {0, 100, -5, 0},  {50, 100, 75, 100}, {0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        bar->SetMax(c.max);
        bar->SetMin(c.min);
        bar->SetValue(c.value);
        EXPECT_EQ(bar->GetFillWidth(), c.fill) << c.value;
        const auto quads = Quads(h.Frame(16));
        // Back, fill (when it has a width), front.
        ASSERT_EQ(quads.size(), c.fill > 0 ? 3u : 2u) << c.value;
        EXPECT_EQ(SpanX(quads[0]).first, SpanX(quads.back()).first);
        if (c.fill > 0) {
            const auto [lo, hi] = SpanX(quads[1]);
            EXPECT_NEAR(lo, kX + 10, 0.5f) << c.value;
            EXPECT_NEAR(hi - lo, static_cast<float>(c.fill), 0.01f) << c.value;
        }
    }

    // A pattern the fill lacks draws no fill (and the back and front draw nothing either).
    bar->SetMax(100);
    bar->SetMin(0);
    bar->SetValue(50);
    EXPECT_EQ(bar->GetPatternCount(), 2);
    bar->SetPatternIndex(1);
    EXPECT_EQ(Quads(h.Frame(16)).size(), 1u);  // only the fill has a second pattern
    bar->SetPatternIndex(2);
    EXPECT_TRUE(Quads(h.Frame(16)).empty());
    bar->SetPatternIndex(-1);
    EXPECT_TRUE(Quads(h.Frame(16)).empty());
}

TEST_F(HBarTest, TimedChangeRunsLinearlyAndEnds)
{
    GxTaskUIHBarIs* bar = Make();
    h.EnterScreen();
    bar->SetValueTimed(100.0, 1000);
    EXPECT_TRUE(bar->IsChanging());
    for (int i = 0; i < 5; ++i) {
        h.Frame(50);
        EXPECT_DOUBLE_EQ(bar->GetValue(), 100.0);
    }
    EXPECT_DOUBLE_EQ(bar->GetShownValue(), 25.0);
    EXPECT_EQ(bar->GetFillWidth(), 50);
    for (int i = 0; i < 14; ++i) h.Frame(50);
    EXPECT_TRUE(bar->IsChanging());
    EXPECT_NEAR(bar->GetShownValue(), 95.0, 1e-5);  // the fraction is a single float
    h.Frame(50);
    EXPECT_FALSE(bar->IsChanging());
    EXPECT_DOUBLE_EQ(bar->GetShownValue(), 100.0);
    EXPECT_DOUBLE_EQ(bar->GetOldValue(), 100.0);
    EXPECT_EQ(bar->GetChangeTimeTotal(), 0);

    // One frame longer than the time left ends the change in that update.
    bar->SetValueIntTimed(20, 300);
    h.Frame(100);
    EXPECT_NEAR(bar->GetShownValue(), 100.0 - 80.0 / 3.0, 1e-5);
    h.Frame(5000);
    EXPECT_FALSE(bar->IsChanging());
    EXPECT_DOUBLE_EQ(bar->GetShownValue(), 20.0);

    // No time: the target shows at once and the next update settles the start on it.
    bar->SetValueTimed(70.0, 0);
    EXPECT_FALSE(bar->IsChanging());
    EXPECT_DOUBLE_EQ(bar->GetShownValue(), 70.0);
    h.Frame(16);
    EXPECT_DOUBLE_EQ(bar->GetOldValue(), 70.0);
    bar->SetValueTimed(10.0, -5);
    EXPECT_DOUBLE_EQ(bar->GetShownValue(), 10.0);
    h.Frame(16);
    EXPECT_EQ(bar->GetChangeTimeTotal(), 0);

    // A timed target is clamped; an immediate set and FinishChange end a change.
    bar->SetValueTimed(500.0, 1000);
    EXPECT_DOUBLE_EQ(bar->GetValue(), 100.0);
    h.Frame(500);
    bar->FinishChange();
    EXPECT_FALSE(bar->IsChanging());
    EXPECT_DOUBLE_EQ(bar->GetShownValue(), 100.0);
    bar->SetValueTimed(0.0, 1000);
    h.Frame(500);
    bar->SetValue(30.0);
    EXPECT_FALSE(bar->IsChanging());
    EXPECT_DOUBLE_EQ(bar->GetShownValue(), 30.0);
    EXPECT_DOUBLE_EQ(bar->GetOldValue(), 30.0);
}

TEST_F(HBarTest, RestartRunsFromTheValueShown)
{
    GxTaskUIHBarIs* bar = Make();
    h.EnterScreen();
    bar->SetValueTimed(100.0, 1000);
    h.Frame(250);
    ASSERT_DOUBLE_EQ(bar->GetShownValue(), 25.0);
    bar->SetValueTimed(50.0, 1000);
    // No jump back: the new change starts where the bar stands.
    EXPECT_DOUBLE_EQ(bar->GetOldValue(), 25.0);
    EXPECT_DOUBLE_EQ(bar->GetShownValue(), 25.0);
    EXPECT_EQ(bar->GetChangeTimeLeft(), 1000);
    h.Frame(500);
    EXPECT_DOUBLE_EQ(bar->GetShownValue(), 37.5);
    h.Frame(500);
    EXPECT_DOUBLE_EQ(bar->GetShownValue(), 50.0);
    EXPECT_FALSE(bar->IsChanging());
}

TEST_F(HBarTest, RangeChangesKeepTheChangeInside)
{
    GxTaskUIHBarIs* bar = Make();
    h.EnterScreen();
    bar->SetValue(10.0);
    bar->SetValueTimed(60.0, 1000);
    bar->SetMin(30.0);
    EXPECT_DOUBLE_EQ(bar->GetOldValue(), 30.0);
    EXPECT_DOUBLE_EQ(bar->GetValue(), 60.0);
    EXPECT_TRUE(bar->IsChanging());
    bar->SetMax(50.0);
    EXPECT_DOUBLE_EQ(bar->GetValue(), 50.0);
    EXPECT_DOUBLE_EQ(bar->GetOldValue(), 30.0);
    h.Frame(500);
    EXPECT_DOUBLE_EQ(bar->GetShownValue(), 40.0);
    bar->SetMax(20.0);  // below the minimum: the range is inverted and the new end wins
    EXPECT_DOUBLE_EQ(bar->GetValue(), 20.0);
    EXPECT_DOUBLE_EQ(bar->GetOldValue(), 20.0);
    bar->SetValue(std::nan(""));
    EXPECT_DOUBLE_EQ(bar->GetValue(), 30.0);
    // No range change or value raises an event.
    h.ClearRecords();
    h.Frame(16);
    EXPECT_TRUE(h.Events().empty());
}

TEST_F(HBarTest, LoadsItsThreeImages)
{
    GxTaskUIHBarIs* bar = Make();
    EXPECT_TRUE(bar->LoadImages());
    EXPECT_NE(bar->GetImage(GxTaskUIHBarIs::Front), nullptr);
    EXPECT_NE(bar->GetImage(GxTaskUIHBarIs::Fill), nullptr);
    EXPECT_NE(bar->GetImage(GxTaskUIHBarIs::Back), nullptr);
    for (int32_t slot : {2, 3, 4}) EXPECT_EQ(bar->GetImage(slot), nullptr);
    bar->Kill();
    h.Frame(0);

    // Only the fill is required; the size follows it.
    bar = Make(u"plain");
    EXPECT_TRUE(bar->LoadImages());
    EXPECT_EQ(bar->GetWidth(), 220);
    EXPECT_EQ(bar->GetImage(GxTaskUIHBarIs::Back), nullptr);
    bar->Kill();
    h.Frame(0);

    bar = Make(u"empty");
    EXPECT_FALSE(bar->LoadImages());
    EXPECT_TRUE(h.Logged("GxTaskUIHBarIs/Image not found:empty_on.png [/bar[0]:41]")) << h.Log().Joined();
    EXPECT_EQ(bar->GetPatternCount(), 0);
    bar->Kill();
    h.Frame(0);

    bar = Make(u"hp", u"gone");
    EXPECT_FALSE(bar->LoadImages());
    EXPECT_TRUE(h.Logged("GxTaskUIHBarIs/ImageSet wasn't Loaded:uigis/gone.gis [/bar[0]:41]")) << h.Log().Joined();
}

TEST_F(HBarTest, HoverAndPressOnTheWholeRectangleWithoutConsuming)
{
    GxTaskUIHBarIs* bar = Make();
    bar->SetAutoHelpTime(10);
    h.EnterScreen();
    // The client rectangle starts 10 pixels in; the whole rectangle counts.
    EXPECT_EQ(h.Move(kX + 2, kY + 2), 0);
    EXPECT_EQ(bar->GetHoverCount(), 1);
    EXPECT_EQ(h.Down(kX + 2, kY + 2), 0);
    EXPECT_EQ(bar->GetEventState(), GxUIEventType::LeftDown);
    h.ClearRecords();
    h.Frame(100);
    ASSERT_EQ(h.Events().size(), 2u);
    EXPECT_EQ(h.Events()[0].type, GxUIEventType::MouseOver);
    EXPECT_EQ(h.Events()[1].type, GxUIEventType::LeftDown);
    EXPECT_TRUE(h.TipRequests().empty());  // the bar never shows tip help
    EXPECT_EQ(bar->GetEventState(), GxUIEventType::LeftDown);  // kept by the update

    bar->SetEventBlockFlag(true);
    EXPECT_EQ(h.Down(kX + 219, kY + 19), 1);
    EXPECT_EQ(h.Down(kX + 220, kY + 19), 0);
    h.SetPointer(kX + 220, kY);
    h.Frame(16);
    EXPECT_EQ(bar->GetHoverCount(), 0);
    EXPECT_EQ(bar->GetEventState(), GxUIEventType::MouseOut);
}

TEST_F(HBarTest, StoredFormKeepsARunningChange)
{
    GxTaskUIHBarIs* a = Make();
    h.EnterScreen();
    a->SetPatternIndex(1);
    a->SetValueTimed(80.0, 1000);
    h.Frame(250);
    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        const std::string bytes =
            GxContentWriteToString(form, [&](GxContentWriterBase& w) { EXPECT_TRUE(a->WriteContent(w)); });
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, bytes);
        std::unique_ptr<GxContentReaderBase> r;
        if (form == GxContentForm::Text) r = std::make_unique<GxContentTextReader>(buffer);
        else r = std::make_unique<GxContentBinaryReader>(buffer);
        auto* b = new GxTaskUIHBarIs(h.Screen(), u"b", nullptr, 0);
        ASSERT_TRUE(b->ReadContent(*r)) << h.Log().Joined();
        EXPECT_EQ(b->GetImageName(), u"hp");
        EXPECT_EQ(b->GetImageSetName(), u"uigis/bar.gis");
        EXPECT_EQ(b->GetPatternIndex(), 1);
        EXPECT_DOUBLE_EQ(b->GetValue(), 80.0);
        EXPECT_DOUBLE_EQ(b->GetOldValue(), 0.0);
        EXPECT_EQ(b->GetChangeTimeLeft(), 750);
        EXPECT_EQ(b->GetChangeTimeTotal(), 1000);
        EXPECT_EQ(b->GetImage(GxTaskUIHBarIs::Fill), nullptr);  // found again at the next load
        // The restored change runs on from where it was.
        b->Update(0, 250000);
        EXPECT_DOUBLE_EQ(b->GetShownValue(), 40.0);
        b->Kill();
        h.Frame(0);
    }
}

TEST_F(HBarTest, DamagedStoredValuesKeepTheFillInside)
{
    GxTaskUIHBarIs* a = Make();
    h.EnterScreen();
    a->SetValue(40.0);
    const std::string text =
        GxContentWriteToString(GxContentForm::Text, [&](GxContentWriterBase& w) { EXPECT_TRUE(a->WriteContent(w)); });
    struct Case
    {
        const char* value;
        int32_t fill;
    };
    const Case cases[] = {{"nan", 0}, {"250.0", 200}, {"-1e300", 0}, {"inf", 200}};
    for (const Case& c : cases) {
        std::string damaged = text;
        const std::string key = "m_Value\t";
        const size_t at = damaged.find(key);
        ASSERT_NE(at, std::string::npos);
        const size_t end = damaged.find('\n', at);
        damaged.replace(at + key.size(), end - at - key.size(), c.value);
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, damaged);
        GxContentTextReader r(buffer);
        auto* b = new GxTaskUIHBarIs(h.Screen(), u"b", nullptr, 0);
        ASSERT_TRUE(b->ReadContent(r)) << c.value << "\n" << h.Log().Joined();
        EXPECT_EQ(b->GetFillWidth(), c.fill) << c.value;
        b->Kill();
        h.Frame(0);
    }
}

}  // namespace
