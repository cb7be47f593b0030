// The sliders on the headless stage, built by the program's UI factory: the track clicks and drags
// of both axes (values, events, widened ends, knob presses, releases anywhere), the clamping
// setters, empty ranges and tracks without length, the knob's slide after a track click, the
// image loads with their fallbacks, the knob and disabled looks as drawn, and a linked widget.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "game/DBUIModule.h"
#include "layer/GxNcImageSet.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

using gxtest::UIHarness;

constexpr float kX = 100.0f;  // widget position
constexpr float kY = 100.0f;

DBUIModuleData Module(int32_t type, const char16_t* image, int32_t clientLeft, int32_t clientTop)
{
    DBUIModuleData m;
    m.ID = 1;
    m.UIType = type;
    m.ImageSetName = u"sld";
    m.ImageName = image;
    m.ClientLeft = clientLeft;
    m.ClientTop = clientTop;
    return m;
}

std::vector<std::vector<GxScreenVertex>> Quads(const std::vector<GxDeviceCall>& calls)
{
    std::vector<std::vector<GxScreenVertex>> out;
    for (const auto& c : calls)
        if (c.op == GxDeviceOp::DrawPrimitiveUP && !c.vertices.empty()) out.push_back(c.vertices);
    return out;
}

float MinX(const std::vector<GxScreenVertex>& v)
{
    float m = v[0].x;
    for (const auto& p : v) m = std::min(m, p.x);
    return m;
}
float MinY(const std::vector<GxScreenVertex>& v)
{
    float m = v[0].y;
    for (const auto& p : v) m = std::min(m, p.y);
    return m;
}
float MinU(const std::vector<GxScreenVertex>& v)
{
    float m = v[0].u;
    for (const auto& p : v) m = std::min(m, p.u);
    return m;
}

class SliderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.IsReady());
        // Patterns lie side by side on one page in this order; each image's left edge on the
        // page tells the drawn image apart.
        images = {
            {u"vol_off.png", {{30, 10, 0xFF0000FFu}}},     {u"vol_on.png", {{30, 10, 0xFF00FF00u}}},
            {u"vol_over.png", {{30, 10, 0xFFFF0000u}}},    {u"vol_na.png", {{30, 10, 0xFF808080u}}},
            {u"vol_back.png", {{220, 20, 0xFF202020u}}},   {u"vol_backna.png", {{220, 20, 0xFF404040u}}},
            {u"lite_off.png", {{30, 10, 0xFF0000FFu}}},    {u"lite_over.png", {{30, 10, 0xFFFF0000u}}},
            {u"lite_back.png", {{220, 20, 0xFF202020u}}},  {u"vert_off.png", {{10, 30, 0xFF0000FFu}}},
            {u"vert_back.png", {{20, 120, 0xFF202020u}}},  {u"bare_off.png", {{30, 10, 0xFF0000FFu}}},
        };
        ASSERT_TRUE(h.WriteImageSet("uigis/sld.gis", images)) << h.Log().Joined();
    }

    GxTaskUISliderIs* Make(int32_t type, const char16_t* image, int32_t clientLeft = 10, int32_t clientTop = 0)
    {
        auto* w = dynamic_cast<GxTaskUISliderIs*>(h.CreateFromModule(Module(type, image, clientLeft, clientTop), u"s"));
        if (w) w->SetPos(GxVector3(kX, kY, 0.0f));
        return w;
    }

    // The image whose cell on the page starts where the quad's texture does.
    std::u16string DrawnImage(const std::vector<GxScreenVertex>& quad) const
    {
        const GxNcCrammedImageSet* set = GxNcImageSetPool::Find(u"uigis/sld.gis");
        const GxNcGraphicsHooks& hooks = GxNcGetGraphicsHooks();
        if (!set || !hooks.m_GetU) return u"no set";
        std::u16string best = u"?";
        float bestDistance = 1e9f;
        for (const auto& image : images) {
            const GxNcOriginImage* origin = set->FindOriginImage(image.name);
            const GxNcCrammedPattern& p = origin->m_PatternArray.front();
            const float u = hooks.m_GetU(p.m_pCrammedImage->m_pTexture, static_cast<float>(p.m_CrammedLeft));
            const float d = std::fabs(u - MinU(quad));
            if (d < bestDistance) {
                bestDistance = d;
                best = image.name;
            }
        }
        return best;
    }

    // Events delivered in the next frame, by code.
    std::vector<gxtest::UIEventRecord> Deliver(int32_t code)
    {
        h.ClearRecords();
        h.Frame(0);
        std::vector<gxtest::UIEventRecord> out;
        for (const auto& e : h.Events())
            if (e.type == code) out.push_back(e);
        return out;
    }

    UIHarness h;
    std::vector<gxtest::UIImageSpec> images;
};

TEST_F(SliderTest, TrackClickJumpsAndDragMovesFromThere)
{
    GxTaskUISliderIs* s = Make(GxUIModuleType::HSliderIs, u"vol");
    ASSERT_NE(s, nullptr);
    h.EnterScreen();
    ASSERT_EQ(s->GetClientWidth(), 200);
    ASSERT_EQ(s->GetMax(), 100.0);

    // 50 pixels right of the track start: a quarter of the range.
    EXPECT_EQ(h.Down(kX + 10 + 50, kY + 10), 1);
    EXPECT_DOUBLE_EQ(s->GetValue(), 25.0);
    EXPECT_EQ(s->GetKnobPos(), 50.0f);
    EXPECT_EQ(s->GetSlideCount(), GxTaskUISliderIs::kSlideUpdates);
    auto changes = Deliver(GxUIEventType::ValueChange);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].sender, s);
    EXPECT_EQ(changes[0].param.m_Values[0], kX + 60);
    EXPECT_EQ(changes[0].param.m_Values[4], kX);

    // Still held: 20 pixels to the right adds 10.
    h.Move(kX + 10 + 70, kY + 10);
    EXPECT_DOUBLE_EQ(s->GetValue(), 35.0);
    EXPECT_EQ(s->GetKnobPos(), 70.0f);
    EXPECT_EQ(s->GetKnobDrawPos(), 70.0f);
    EXPECT_EQ(Deliver(GxUIEventType::ValueChange).size(), 1u);
    EXPECT_EQ(s->GetEventState(), GxUIEventType::ValueChange);
}

TEST_F(SliderTest, ClickTable)
{
    struct Case
    {
        const char* what;
        double min, max, start;
        float x;  // pointer x relative to the track start
        double value;
        int32_t valueInt;
    };
    const Case cases[] = {
        {"no snapping to steps", 0, 3, 0, 101, 1.515, 1},
        // The knob (30 wide) overhangs the track ends by 15 pixels, where a click still counts.
        {"widened left end sets the minimum", 0, 100, 100, -10, 0.0, 0},
        {"widened right end sets the maximum", 0, 100, 0, 205, 100.0, 100},
        {"last pixel of the widened area", 0, 100, 0, 214, 100.0, 100},
        {"inverted range clamps to the minimum first", 10, 0, 0, 100, 10.0, 10},
    };
    GxTaskUISliderIs* s = Make(GxUIModuleType::HSliderIs, u"vol");
    h.EnterScreen();
    for (const Case& c : cases) {
        s->SetMax(c.max);
        s->SetMin(c.min);
        s->SetValue(c.start);
        EXPECT_EQ(h.Down(kX + 10 + c.x, kY + 10), 1) << c.what;
        h.Up(kX + 10 + c.x, kY + 10);
        EXPECT_NEAR(s->GetValue(), c.value, 1e-12) << c.what;
        EXPECT_EQ(s->GetValueInt(), c.valueInt) << c.what;
        EXPECT_EQ(Deliver(GxUIEventType::ValueChange).size(), 1u) << c.what;
    }
    // Beyond the widened area nothing hits.
    s->SetMax(100);
    s->SetMin(0);
    EXPECT_EQ(h.Down(kX + 10 + 215, kY + 10), 0);
    EXPECT_EQ(h.Down(kX + 10 - 16, kY + 10), 0);
    EXPECT_EQ(h.Down(kX + 10 + 50, kY + 20), 0);  // below the client rectangle
    EXPECT_TRUE(Deliver(GxUIEventType::ValueChange).empty());
}

TEST_F(SliderTest, KnobPressPostsNothingAndMovesPostAtTheLimit)
{
    GxTaskUISliderIs* s = Make(GxUIModuleType::HSliderIs, u"vol");
    h.EnterScreen();
    s->SetValue(50.0);
    const float knob = kX + 10 + 100;
    EXPECT_TRUE(s->IsHitKnob(s->GetAbsolutePos(), knob + 15, kY + 10));   // both ends included
    EXPECT_FALSE(s->IsHitKnob(s->GetAbsolutePos(), knob + 16, kY + 10));
    h.Move(knob + 3, kY + 10);
    EXPECT_EQ(h.Down(knob + 3, kY + 10), 1);
    EXPECT_TRUE(s->IsDragging());
    EXPECT_DOUBLE_EQ(s->GetValue(), 50.0);
    EXPECT_TRUE(Deliver(GxUIEventType::ValueChange).empty());

    // Each move of the drag posts, also past the end where the value stays at the limit, and
    // the drag goes on outside the widget without consuming the moves there.
    h.Move(knob + 23, kY + 10);
    EXPECT_DOUBLE_EQ(s->GetValue(), 60.0);
    EXPECT_EQ(h.Move(knob + 500, kY + 300), 0);
    EXPECT_DOUBLE_EQ(s->GetValue(), 100.0);
    h.Move(knob + 600, kY + 300);
    EXPECT_DOUBLE_EQ(s->GetValue(), 100.0);
    EXPECT_EQ(Deliver(GxUIEventType::ValueChange).size(), 3u);
    // While dragging the widget stays hovered and shows the pressed knob.
    EXPECT_EQ(s->GetHoverCount(), 1);
    EXPECT_EQ(s->GetImageIndex(), GxTaskUISliderIs::Pressed);

    // A release far outside ends the drag and is not consumed.
    EXPECT_EQ(h.Up(0, 0), 0);
    EXPECT_FALSE(s->IsDragging());
    h.Move(knob, kY + 300);
    EXPECT_DOUBLE_EQ(s->GetValue(), 100.0);
    h.ClearRecords();
    h.Frame(0);
    h.Frame(0);  // an event posted in an update reaches the listener in the next
    EXPECT_EQ(s->GetHoverCount(), 0);
    EXPECT_EQ(s->GetImageIndex(), GxTaskUISliderIs::Normal);
    ASSERT_EQ(h.Events().size(), 1u);
    EXPECT_EQ(h.Events()[0].type, GxUIEventType::MouseOut);
}

TEST_F(SliderTest, SettersClampAndPlaceTheKnob)
{
    GxTaskUISliderIs* s = Make(GxUIModuleType::HSliderIs, u"vol");
    h.EnterScreen();
    s->SetValue(80.0);
    EXPECT_EQ(s->GetKnobPos(), 160.0f);
    s->SetMax(50.0);
    EXPECT_DOUBLE_EQ(s->GetValue(), 50.0);
    EXPECT_EQ(s->GetKnobPos(), 200.0f);
    EXPECT_EQ(s->GetKnobDrawPos(), 200.0f);
    // Above the maximum: the range is inverted, and the value's placing clamps to the maximum
    // last.
    s->SetMin(60.0);
    EXPECT_DOUBLE_EQ(s->GetValue(), 50.0);
    s->SetMin(0.0);
    s->SetMax(100.0);
    s->SetValueInt(-5);
    EXPECT_DOUBLE_EQ(s->GetValue(), 0.0);
    s->SetValueBool(true);
    EXPECT_DOUBLE_EQ(s->GetValue(), 1.0);
    s->SetValue(std::nan(""));
    EXPECT_DOUBLE_EQ(s->GetValue(), 0.0);
    // Setting the value raises nothing.
    EXPECT_TRUE(Deliver(GxUIEventType::ValueChange).empty());
}

TEST_F(SliderTest, EmptyRangeStaysAtItsLimitAndDrawsDisabled)
{
    GxTaskUISliderIs* s = Make(GxUIModuleType::HSliderIs, u"vol");
    h.EnterScreen();
    s->SetMax(0.0);
    s->SetValue(5.0);
    EXPECT_DOUBLE_EQ(s->GetValue(), 0.0);
    EXPECT_EQ(s->GetKnobPos(), 0.0f);
    EXPECT_EQ(s->PosToValue(120.0), 0.0);
    EXPECT_EQ(s->PixelsToValueDelta(40.0), 0.0);
    // A click on the track away from the knob still reports, with the value unchanged.
    EXPECT_EQ(h.Down(kX + 10 + 120, kY + 10), 1);
    EXPECT_DOUBLE_EQ(s->GetValue(), 0.0);
    const auto changes = Deliver(GxUIEventType::ValueChange);
    EXPECT_EQ(changes.size(), 1u);
    h.Up(0, 0);

    const auto quads = Quads(h.Frame(16));
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(DrawnImage(quads[0]), u"vol_backna.png");
    EXPECT_EQ(DrawnImage(quads[1]), u"vol_na.png");
}

TEST_F(SliderTest, TrackWithoutLengthMapsLikeAnEmptyRange)
{
    // No back picture and no module width: the track has no length.
    DBUIModuleData m = Module(GxUIModuleType::HSliderIs, u"bare", 0, 0);
    m.Height = 20;
    auto* s = dynamic_cast<GxTaskUISliderIs*>(h.CreateFromModule(m, u"s"));
    ASSERT_NE(s, nullptr);
    s->SetPos(GxVector3(kX, kY, 0.0f));
    h.EnterScreen();
    ASSERT_EQ(s->GetClientWidth(), 0);
    s->SetValue(40.0);
    EXPECT_DOUBLE_EQ(s->GetValue(), 40.0);
    EXPECT_EQ(s->ValueToPos(40.0), 0.0);
    EXPECT_EQ(s->PosToValue(3.0), 0.0);
    EXPECT_EQ(s->PixelsToValueDelta(10.0), 0.0);
    EXPECT_EQ(s->GetKnobPos(), 0.0f);
    // The knob overhangs the empty track: a press grabs it, and drags change nothing.
    EXPECT_EQ(h.Down(kX + 2, kY + 2), 1);
    h.Move(kX + 40, kY + 2);
    EXPECT_DOUBLE_EQ(s->GetValue(), 40.0);
    const auto changes = Deliver(GxUIEventType::ValueChange);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_FALSE(std::isnan(s->GetKnobDrawPos()));
}

TEST_F(SliderTest, VerticalSliderHasItsMinimumAtTheTop)
{
    GxTaskUISliderIs* s = Make(GxUIModuleType::VSliderIs, u"vert", 0, 10);
    ASSERT_NE(dynamic_cast<GxTaskUIVSliderIs*>(s), nullptr);
    EXPECT_EQ(s->GetTaskType(), GxUIModuleType::VSliderIs);
    h.EnterScreen();
    ASSERT_EQ(s->GetClientHeight(), 100);
    EXPECT_EQ(h.Down(kX + 10, kY + 10 + 30), 1);
    EXPECT_DOUBLE_EQ(s->GetValue(), 30.0);
    EXPECT_EQ(s->GetKnobPos(), 30.0f);
    h.Move(kX + 300, kY + 10 + 50);  // only the y distance counts
    EXPECT_DOUBLE_EQ(s->GetValue(), 50.0);
    h.Up(0, 0);
    // The knob (30 tall) widens the track upwards and downwards by 15, not sideways.
    EXPECT_TRUE(s->IsHit(s->GetAbsolutePos(), kX + 5, kY + 10 - 15));
    EXPECT_FALSE(s->IsHit(s->GetAbsolutePos(), kX + 5, kY + 10 - 16));
    EXPECT_FALSE(s->IsHit(s->GetAbsolutePos(), kX - 1, kY + 50));

    // The knob is centred across the track and placed along it.
    s->SetValue(60.0);
    const auto quads = Quads(h.Frame(16));
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(DrawnImage(quads[1]), u"vert_off.png");
    EXPECT_NEAR(MinX(quads[1]), kX + 0 + 10 - 5, 0.5f);
    EXPECT_NEAR(MinY(quads[1]), kY + 10 + 60 - 15, 0.5f);
}

TEST_F(SliderTest, UnblockedSliderLetsTheClickThrough)
{
    GxTaskUISliderIs* s = Make(GxUIModuleType::HSliderIs, u"vol");
    s->SetEventBlockFlag(false);
    h.EnterScreen();
    EXPECT_EQ(h.Down(kX + 10 + 50, kY + 10), 0);
    EXPECT_DOUBLE_EQ(s->GetValue(), 25.0);
    EXPECT_EQ(h.Move(kX + 10 + 60, kY + 10), 0);
    EXPECT_EQ(Deliver(GxUIEventType::ValueChange).size(), 2u);
}

TEST_F(SliderTest, KnobSlidesToItsTargetAfterATrackClick)
{
    GxTaskUISliderIs* s = Make(GxUIModuleType::HSliderIs, u"vol");
    h.EnterScreen();
    h.Down(kX + 10 + 160, kY + 10);
    h.Up(kX + 10 + 160, kY + 10);
    ASSERT_EQ(s->GetKnobPos(), 160.0f);
    EXPECT_EQ(s->GetKnobDrawPos(), 0.0f);
    // Each update keeps t^81 of the remaining distance, t running down from 1.00 by 0.01.
    const double kept[] = {1.0, 0.443, 0.195, 0.085};
    double remaining = 160.0;
    for (double k : kept) {
        h.Frame(16);
        const double now = 160.0 - s->GetKnobDrawPos();
        EXPECT_NEAR(now / remaining, k, 0.001);
        remaining = now;
    }
    EXPECT_LT(remaining / 160.0, 0.008);
    for (int i = 4; i < GxTaskUISliderIs::kSlideUpdates; ++i) h.Frame(16);
    EXPECT_EQ(s->GetSlideCount(), 0);
    EXPECT_EQ(s->GetKnobDrawPos(), 160.0f);

    // The drawn knob follows: its left edge is half a knob before the target.
    const auto quads = Quads(h.Frame(16));
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(DrawnImage(quads[0]), u"vol_back.png");
    EXPECT_NEAR(MinX(quads[0]), kX, 0.5f);
    EXPECT_NEAR(MinX(quads[1]), kX + 10 + 160 - 15, 0.5f);
    EXPECT_NEAR(MinY(quads[1]), kY + 10 - 5, 0.5f);
}

TEST_F(SliderTest, KnobImageFollowsHoverAndPress)
{
    GxTaskUISliderIs* s = Make(GxUIModuleType::HSliderIs, u"vol");
    s->SetAutoHelpTime(100);
    s->SetDescript(u"音量");
    h.EnterScreen();
    auto knobImage = [&] { return DrawnImage(Quads(h.Frame(60))[1]); };
    EXPECT_EQ(knobImage(), u"vol_off.png");
    h.Move(kX + 20, kY + 10);
    EXPECT_EQ(s->GetEventState(), GxUIEventType::MouseOver);
    EXPECT_EQ(knobImage(), u"vol_over.png");
    EXPECT_EQ(knobImage(), u"vol_over.png");
    ASSERT_EQ(h.TipRequests().size(), 1u);  // 120 ms hovered
    EXPECT_EQ(h.TipRequests()[0].text, u"音量");
    h.Down(kX + 10, kY + 10);
    EXPECT_EQ(knobImage(), u"vol_on.png");
    h.Up(kX + 10, kY + 10);
    EXPECT_EQ(knobImage(), u"vol_over.png");
    // The slider keeps the code of its last pointer event across updates (a knob press sets
    // none).
    EXPECT_EQ(s->GetEventState(), GxUIEventType::MouseOver);
    s->SetEnabled(false);
    EXPECT_EQ(knobImage(), u"vol_na.png");
}

TEST_F(SliderTest, LoadTable)
{
    struct Case
    {
        const char* what;
        int32_t type;
        const char16_t* set;
        const char16_t* image;
        bool loaded;
        const char16_t* pressed;  // the image in the pressed slot, or null
        const char16_t* disabled;
        const char16_t* backDisabled;
        int32_t width, knobWidth;
        const char* log;
    };
    const Case cases[] = {
        {"all six", 30, u"sld", u"vol", true, u"vol_on.png", u"vol_na.png", u"vol_backna.png", 220, 30, nullptr},
        {"fallbacks", 30, u"sld", u"lite", true, u"lite_over.png", u"lite_off.png", u"lite_back.png", 220, 30,
         nullptr},
        {"knob only", 30, u"sld", u"bare", true, nullptr, u"bare_off.png", nullptr, 0, 30, nullptr},
        {"no knob", 30, u"sld", u"none", false, nullptr, nullptr, nullptr, 0, 0,
         "GxTaskUIHSliderIs/Image not found:none_off.png [/s[0]:30]"},
        {"no set", 30, u"gone", u"vol", false, nullptr, nullptr, nullptr, 0, 0,
         "GxTaskUIHSliderIs/ImageSet wasn't Loaded:uigis/gone.gis [/s[0]:30]"},
        {"vertical: no knob", 31, u"sld", u"none", false, nullptr, nullptr, nullptr, 0, 0,
         "GxTaskUIVSliderIs/Image not found:none_off.png [/s[0]:31]"},
        {"vertical: no set", 31, u"gone", u"vol", false, nullptr, nullptr, nullptr, 0, 0,
         "GxTaskUIVSliderIs/ImageSet wasn't Loaded:uigis/gone.gis [/s[0]:31]"},
    };
    auto name = [](const GxNcOriginImage* image) { return image ? image->m_FileName : std::u16string(); };
    for (const Case& c : cases) {
        DBUIModuleData m = Module(c.type, c.image, 0, 0);
        m.ImageSetName = c.set;
        auto* s = dynamic_cast<GxTaskUISliderIs*>(h.CreateFromModule(m, u"s"));
        ASSERT_NE(s, nullptr) << c.what;
        EXPECT_EQ(s->LoadImages(), c.loaded) << c.what;
        EXPECT_EQ(name(s->GetImage(GxTaskUISliderIs::Pressed)), c.pressed ? c.pressed : u"") << c.what;
        EXPECT_EQ(name(s->GetImage(GxTaskUISliderIs::Disabled)), c.disabled ? c.disabled : u"") << c.what;
        EXPECT_EQ(name(s->GetImage(GxTaskUISliderIs::BackDisabled)), c.backDisabled ? c.backDisabled : u"")
            << c.what;
        EXPECT_EQ(s->GetWidth(), c.width) << c.what;
        EXPECT_EQ(s->GetKnobWidth(), c.knobWidth) << c.what;
        if (c.log) {
            EXPECT_TRUE(h.Logged(c.log)) << c.what << "\n" << h.Log().Joined();
        }
        s->Kill();
        h.Frame(0);
    }
    // An image path names the set by its folder.
    GxTaskUISliderIs* s = Make(GxUIModuleType::HSliderIs, u"x");
    ASSERT_TRUE(s->LoadImageSet(u"uigis/sld/vol"));
    EXPECT_EQ(s->GetImageSetName(), u"uigis/sld.gis");
    ASSERT_TRUE(s->LoadImages());
    s->ReleaseImages();
    for (int32_t i = 0; i < GxTaskUISixImageIs::kImageCount; ++i) EXPECT_EQ(s->GetImage(i), nullptr);
}

TEST_F(SliderTest, LinkedWidgetReceivesThePlayersValue)
{
    GxTaskUISliderIs* s = Make(GxUIModuleType::HSliderIs, u"vol");
    DBUIModuleData bm;
    bm.UIType = GxUIModuleType::HBarIs;
    auto* bar = dynamic_cast<GxTaskUIHBarIs*>(h.CreateFromModule(bm, u"bar"));
    ASSERT_NE(bar, nullptr);
    bar->SetMax(100.0);
    s->SetLinkedWidget(bar);
    h.EnterScreen();
    h.Down(kX + 10 + 100, kY + 10);
    EXPECT_DOUBLE_EQ(bar->GetValue(), 50.0);
    h.Move(kX + 10 + 120, kY + 10);
    EXPECT_DOUBLE_EQ(bar->GetValue(), 60.0);
    h.Up(0, 0);
    // A value a screen sets is not passed on.
    s->SetValue(10.0);
    EXPECT_DOUBLE_EQ(bar->GetValue(), 60.0);
}

}  // namespace
