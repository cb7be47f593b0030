// The message window on the headless stage, built by the program's UI factory: the layout table
// (line breaking with its lists, rubies, inline commands and their numbers), the timed reveal
// in harness frames with clicks, flushes and the read-text options, the recorded draws (shadow,
// outline, colours, rubies, the bitmap-font cells) and the saved form.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/task/GxTaskManage.h"
#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "game/DBUIModule.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

using namespace std::string_literals;
using gxtest::UIHarness;

std::u16string Repeat(const std::u16string& s, int n)
{
    std::u16string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// The drawn quads of a frame, as their vertices.
std::vector<std::vector<GxScreenVertex>> Quads(const std::vector<GxDeviceCall>& calls)
{
    std::vector<std::vector<GxScreenVertex>> out;
    for (const auto& c : calls)
        if (c.op == GxDeviceOp::DrawPrimitiveUP && !c.vertices.empty()) out.push_back(c.vertices);
    return out;
}

// The destination blend in force at each draw: shadows and outlines always blend normally, the
// text takes the actor's mode.
std::vector<uint32_t> DestBlendPerDraw(const std::vector<GxDeviceCall>& calls)
{
    std::vector<uint32_t> out;
    uint32_t current = 0;
    for (const auto& c : calls) {
        if (c.op == GxDeviceOp::SetRenderState && c.args[0] == GXRS_DESTBLEND) current = c.args[1];
        if (c.op == GxDeviceOp::DrawPrimitiveUP && !c.vertices.empty()) out.push_back(current);
    }
    return out;
}

// Top-left corner of a quad with the half-pixel shift undone.
struct Corner
{
    float x, y;
    uint32_t color;
    float w;
};
Corner TopLeft(const std::vector<GxScreenVertex>& q)
{
    return {q[0].x + 0.5f, q[0].y + 0.5f, q[0].diffuse, q[2].x - q[0].x};
}

class MessageWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.IsReady()) << h.Log().Joined();
        GxMessageSystemConfig().SetDefault();
        GxMessageUserConfig().SetDefault();
    }
    void TearDown() override
    {
        GxMessageSystemConfig().SetDefault();
        GxMessageUserConfig().SetDefault();
    }

    // A window as the main play screen makes it: through the factory from a module row whose
    // client rectangle is the text region.
    GxTaskUIMessageWindowFx* Make(int32_t regionWidth = 800, const char16_t* name = u"$MESWIN")
    {
        DBUIModuleData m;
        m.ID = 1;
        m.UIType = GxUIModuleType::MessageWindowFx;
        m.FontIndex = 2;
        m.ClientWidth = regionWidth;
        m.ClientHeight = 200;
        auto* w = dynamic_cast<GxTaskUIMessageWindowFx*>(h.CreateFromModule(m, name, -1));
        EXPECT_NE(w, nullptr);
        return w;
    }

    // Lays the text out to its end.
    static void Layout(GxTaskUIMessageWindowFx* w, const std::u16string& text, bool ignoreKinsoku = false,
                       bool disableAutoNewline = false)
    {
        w->SetMessage(text, false, false, ignoreKinsoku, disableAutoNewline);
        w->FlushMessage(true, false);
    }

    UIHarness h;
};

TEST_F(MessageWindowTest, FactoryDefaultsFromSettingsAndModule)
{
    GxMessageSystemConfig().m_FontSize[3] = 30;
    DBUIModuleData m;
    m.ID = 1;
    m.UIType = GxUIModuleType::MessageWindowFx;
    m.FontIndex = 3;
    m.ClientLeft = 10;
    m.ClientTop = 20;
    m.ClientWidth = 640;
    m.ClientHeight = 120;
    auto* w = dynamic_cast<GxTaskUIMessageWindowFx*>(h.CreateFromModule(m, u"$MESWIN", -1));
    ASSERT_NE(w, nullptr);
    const GxMessageLayout& l = w->GetLayout();
    EXPECT_EQ(l.m_TextFontIndex, 3);
    EXPECT_EQ(l.m_TextFontSize, 30);
    EXPECT_EQ(l.m_RubyFontSize, 11);
    // The pitch and ruby margin come from the default sizes and stay.
    EXPECT_EQ(l.m_RubyMarginHeight, 11);
    EXPECT_EQ(l.m_TextTotalHeight, 35);
    EXPECT_EQ(l.m_LetterMarginWidth, 4);
    EXPECT_EQ(l.m_TextRegionLeft, 10);
    EXPECT_EQ(l.m_TextRegionTop, 20);
    EXPECT_EQ(l.m_TextRegionWidth, 640);
    EXPECT_EQ(l.m_TextRegionHeight, 120);
    EXPECT_EQ(w->GetTextColor(), 0xFFFFFFFFu);
    EXPECT_EQ(w->GetShadowColor(), 0x80000000u);
    EXPECT_EQ(w->GetEdgeColor(), 0x80000000u);

    // SetText is a message with a click wait at its end.
    w->SetText(u"あ");
    w->FlushMessage(true, false);
    EXPECT_TRUE(w->IsClickWaiting());
    EXPECT_EQ(w->GetText(), u"あ");
}

TEST_F(MessageWindowTest, FontIndicesOutsideTheTableFallBackToTheDefaults)
{
    GxTaskUIMessageWindowFx* w = Make();
    EXPECT_EQ(w->SetTextFont(5), 38);
    EXPECT_EQ(w->SetTextFont(6), 23);
    EXPECT_EQ(w->GetLayout().m_TextFontIndex, 2);
    EXPECT_TRUE(h.Logged("GxTaskUIMessageWindowFx/SetTextFont")) << h.Log().Joined();
    EXPECT_EQ(w->SetRubyFont(-1), 11);
    EXPECT_EQ(w->GetLayout().m_RubyFontIndex, 0);
    EXPECT_TRUE(h.Logged("GxTaskUIMessageWindowFx/SetRubyFont"));
}

// One placed character of a layout case.
struct Placed
{
    int index;  // into the placed characters
    char16_t c;
    int x, y;
};

struct LayoutCase
{
    const char* name;
    std::u16string text;
    bool ignoreKinsoku, disableAutoNewline;
    size_t count;
    std::vector<Placed> placed;
};

TEST_F(MessageWindowTest, LayoutTable)
{
    const std::u16string line29 = Repeat(u"あ", 29);
    const std::u16string line28 = Repeat(u"あ", 28);
    const LayoutCase cases[] = {
        // S 23 + M 4: 27 a character; the right-edge test fires after the 29th.
        {"29 a line", Repeat(u"あ", 31), false, false, 31, {{0, u'あ', 0, 0}, {28, u'あ', 756, 0}, {29, u'あ', 0, 35}}},
        {"full stop hangs", line29 + u"。い", false, false, 31, {{29, u'。', 783, 0}, {30, u'い', 0, 35}}},
        {"only one hangs", line29 + u"。、い", false, false, 32, {{29, u'。', 783, 0}, {30, u'、', 0, 35}}},
        {"full stop moves down without kinsoku", line29 + u"。", true, false, 30, {{29, u'。', 0, 35}}},
        {"bracket leaves the last slot", line28 + u"「い", false, false, 30, {{28, u'「', 0, 35}, {29, u'い', 27, 35}}},
        {"bracket stays without kinsoku", line28 + u"「い", true, false, 30, {{28, u'「', 756, 0}, {29, u'い', 0, 35}}},
        {"no automatic break", Repeat(u"あ", 31), false, true, 31, {{30, u'あ', 810, 0}}},
        {"no break still breaks at %r", u"あ%rい", false, true, 2, {{1, u'い', 0, 35}}},
        {"%p starts a page", u"あ%rい%pう", false, false, 1, {{0, u'う', 0, 0}}},
        {"%% shows one percent, half width", u"%%あ", false, false, 2, {{0, u'%', 0, 0}, {1, u'あ', 15, 0}}},
        {"% before any character shows it", u"%xあ", false, false, 2, {{0, u'x', 0, 0}}},
        {"% at the end shows nothing", u"あ%", false, false, 1, {{0, u'あ', 0, 0}}},
        {"empty brackets vanish", u"%w()あ", false, false, 1, {{0, u'あ', 0, 0}}},
        {"no number leaves the rest as text", u"%w(abc)", false, false, 4,
         {{0, u'a', 0, 0}, {3, u')', 45, 0}}},
        {"a missing ) leaves the rest", u"%w(5あ", false, false, 1, {{0, u'あ', 0, 0}}},
        {"a signed hex is its sign and zero", u"%w(+0x10)", false, false, 4, {{0, u'x', 0, 0}}},
        {"%c and %w leave no character", u"あ%cい%w(10)う%w", false, false, 3, {{2, u'う', 54, 0}}},
        {"reading not placed", u"≪漢字／かんじ≫です", false, false, 4,
         {{0, u'漢', 0, 0}, {1, u'字', 27, 0}, {2, u'で', 54, 0}}},
        {"no separator drops the opening symbol", u"≪漢字", false, false, 2, {{0, u'漢', 0, 0}}},
        {"no closing symbol: the reading runs to the end", u"≪漢／かん", false, false, 1, {{0, u'漢', 0, 0}}},
        {"commands inside the base are characters", u"≪%r／あ≫", false, false, 2,
         {{0, u'%', 0, 0}, {1, u'r', 15, 0}}},
        {"an empty base shows no reading", u"≪／かな≫い", false, false, 1, {{0, u'い', 0, 0}}},
    };
    GxTaskUIMessageWindowFx* w = Make();
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        Layout(w, c.text, c.ignoreKinsoku, c.disableAutoNewline);
        EXPECT_EQ(w->GetRestCharCount(), 0u);
        const auto& chars = w->GetShowChars();
        ASSERT_EQ(chars.size(), c.count);
        for (const Placed& p : c.placed) {
            ASSERT_LT(static_cast<size_t>(p.index), chars.size());
            EXPECT_EQ(chars[p.index].m_Char, p.c) << p.index;
            EXPECT_EQ(chars[p.index].m_OffsetPos.x, p.x) << p.index;
            EXPECT_EQ(chars[p.index].m_OffsetPos.y, p.y) << p.index;
        }
    }
}

TEST_F(MessageWindowTest, RubyGroupsMeasureReadingAndBase)
{
    GxTaskUIMessageWindowFx* w = Make();
    Layout(w, u"≪漢字／かんじ≫ああ≪字／じ≫");
    const auto& rubies = w->GetRubies();
    ASSERT_EQ(rubies.size(), 2u);
    EXPECT_EQ(rubies[0].m_Text, u"かんじ");
    EXPECT_EQ(rubies[0].m_RubyCharWidth, 33);
    EXPECT_EQ(rubies[0].m_RubyUnderCharWidth, 46);
    EXPECT_EQ(rubies[0].m_OffsetPos.x, 0.0f);  // raised to 0
    EXPECT_EQ(rubies[1].m_Text, u"じ");
    EXPECT_EQ(rubies[1].m_OffsetPos.x, 108.0f - 11.0f);
    EXPECT_EQ(w->GetShowCharCount(), 5u);
    EXPECT_FALSE(w->GetLayout().m_RubyMode);
}

TEST_F(MessageWindowTest, ColourCommands)
{
    GxTaskUIMessageWindowFx* w = Make();
    Layout(w, u"あ%a(0xFF0000)い%a(0x80123456)う%aえ%a(");
    const auto& chars = w->GetShowChars();
    ASSERT_EQ(chars.size(), 4u);
    EXPECT_EQ(chars[0].m_Color, 0xFFFFFFFFu);
    EXPECT_FALSE(chars[0].m_ChangeColorFlag);
    EXPECT_EQ(chars[1].m_Color, 0xFFFF0000u);
    EXPECT_TRUE(chars[1].m_ChangeColorFlag);
    EXPECT_EQ(chars[2].m_Color, 0xFF123456u);  // always opaque
    EXPECT_EQ(chars[3].m_Color, 0xFFFFFFFFu);
    EXPECT_FALSE(chars[3].m_ChangeColorFlag);
}

struct WaitCase
{
    std::u16string text;
    int32_t wait;  // after one step from a fresh message
};

TEST_F(MessageWindowTest, WaitNumbers)
{
    const WaitCase cases[] = {
        {u"あ", 60},           {u"%w(1000)", 1000}, {u"%w", 480},   {u"%w(0x10)", 16},
        {u"%w(010)", 8},       {u"%w(-50)", -50},   {u"%w(+0x10)", 0}, {u"%w(09)", 0},
        {u"%w(0X1f)", 31},     {u"%r", 0},          {u"%a(0xFF)あ", 60},
    };
    GxTaskUIMessageWindowFx* w = Make();
    for (const WaitCase& c : cases) {
        w->ClearMessage();
        w->ProcessClick();  // nothing left: only the wait back to 0
        w->SetMessage(c.text, false, false, false, false);
        w->ProcessNextChar();
        EXPECT_EQ(w->GetWaitTimeLeft(), c.wait) << &c - cases;
    }
}

TEST_F(MessageWindowTest, WaitSumSaturates)
{
    GxTaskUIMessageWindowFx* w = Make();
    w->SetMessage(u"%w(2000000000)%w(2000000000)%w(0xFFFFFFFF)", false, false, false, false);
    w->ProcessNextChar();
    w->ProcessNextChar();
    EXPECT_EQ(w->GetWaitTimeLeft(), INT32_MAX);
    w->ProcessNextChar();  // 0xFFFFFFFF reads as -1
    EXPECT_EQ(w->GetWaitTimeLeft(), INT32_MAX - 1);
}

TEST_F(MessageWindowTest, ClickWaitAndEndInFrames)
{
    GxTaskUIMessageWindowFx* w = Make();
    h.EnterScreen();
    w->SetMessage(u"あ%cい", true, false, false, false);
    h.Frame(0);
    EXPECT_EQ(w->GetShowCharCount(), 1u);
    EXPECT_TRUE(w->IsWaiting());
    h.Frame(16);
    h.Frame(16);
    h.Frame(16);
    h.Frame(11);  // 59 ms: still waiting
    EXPECT_FALSE(w->IsClickWaiting());
    h.Frame(1);  // 60 ms: the "%c"
    EXPECT_TRUE(w->IsClickWaiting());
    EXPECT_TRUE(h.Manager().IsEndUpdateStepsRequested());
    h.Frame(100);
    EXPECT_EQ(w->GetShowCharCount(), 1u);
    EXPECT_FALSE(w->ProcessClick());  // a character remains
    EXPECT_FALSE(w->IsClickWaiting());
    h.Frame(0);
    EXPECT_EQ(w->GetShowCharCount(), 2u);
    EXPECT_TRUE(w->IsClickWaiting());  // the end, with the auto click wait
    EXPECT_EQ(w->GetRestCharCount(), 0u);
    EXPECT_TRUE(w->ProcessClick());
}

TEST_F(MessageWindowTest, ClickMidRevealShowsUpToTheNextClickWait)
{
    GxTaskUIMessageWindowFx* w = Make();
    h.EnterScreen();
    w->SetMessage(u"あいう%cえお", true, false, false, false);
    h.Frame(16);
    ASSERT_EQ(w->GetShowCharCount(), 1u);
    EXPECT_FALSE(w->ProcessClick());
    EXPECT_EQ(w->GetShowCharCount(), 3u);
    EXPECT_TRUE(w->IsClickWaiting());
    // A flush at a click wait says so and places nothing.
    EXPECT_TRUE(w->FlushMessage(false, false));
    EXPECT_EQ(w->GetShowCharCount(), 3u);
    EXPECT_FALSE(w->FlushMessage(true, true));  // not read before
    EXPECT_FALSE(w->FlushMessage(true, false));
    EXPECT_EQ(w->GetShowCharCount(), 5u);
}

TEST_F(MessageWindowTest, TimedWaitsInFrames)
{
    GxTaskUIMessageWindowFx* w = Make();
    h.EnterScreen();
    w->SetMessage(u"あ%w(1000)い%wう", false, false, false, false);
    h.Frame(0);
    ASSERT_EQ(w->GetShowCharCount(), 1u);
    h.Frame(60);  // the 60 ms of "あ" spent: "%w(1000)" starts
    EXPECT_EQ(w->GetShowCharCount(), 1u);
    EXPECT_EQ(w->GetWaitTimeLeft(), 1000);
    h.Frame(999);
    EXPECT_EQ(w->GetShowCharCount(), 1u);
    h.Frame(1);
    EXPECT_EQ(w->GetShowCharCount(), 2u);
    h.Frame(60);
    EXPECT_EQ(w->GetWaitTimeLeft(), 480);
    h.Frame(479);
    EXPECT_EQ(w->GetShowCharCount(), 2u);
    h.Frame(1);
    EXPECT_EQ(w->GetShowCharCount(), 3u);
}

TEST_F(MessageWindowTest, TextSpeedZeroAndLongFrames)
{
    GxTaskUIMessageWindowFx* w = Make();
    h.EnterScreen();
    w->SetMessage(u"あいうえお", false, false, false, false);
    h.Frame(0);
    ASSERT_EQ(w->GetShowCharCount(), 1u);
    h.Frame(200);  // 60 - 200: three more are due, the fourth waits 40 ms
    EXPECT_EQ(w->GetShowCharCount(), 4u);
    EXPECT_EQ(w->GetWaitTimeLeft(), 40);

    GxMessageUserConfig().m_TextWaitTime = 0;
    w->SetMessage(u"あいう%cえお", false, false, false, false);
    h.Frame(39);  // a new message keeps the wait left
    EXPECT_EQ(w->GetShowCharCount(), 0u);
    h.Frame(1);
    EXPECT_EQ(w->GetShowCharCount(), 3u);
    EXPECT_TRUE(w->IsClickWaiting());
    w->ProcessClick();
    h.Frame(16);
    EXPECT_EQ(w->GetShowCharCount(), 5u);
    EXPECT_FALSE(w->IsClickWaiting());
    EXPECT_FALSE(w->IsWaiting());
}

TEST_F(MessageWindowTest, ReadMessageShowsWholeWithFastShow)
{
    GxTaskUIMessageWindowFx* w = Make();
    w->SetMessage(u"あ%cい", true, true, false, false);
    EXPECT_EQ(w->GetShowCharCount(), 2u);
    EXPECT_TRUE(w->IsReaded());
    EXPECT_TRUE(w->IsClickWaiting());
    GxMessageUserConfig().m_FastShowReadedText = false;
    w->SetMessage(u"あ%cい", true, true, false, false);
    EXPECT_EQ(w->GetShowCharCount(), 0u);
}

TEST_F(MessageWindowTest, NulEndsTheTextAndPositionsStayInside)
{
    GxTaskUIMessageWindowFx* w = Make();
    w->SetMessage(u"あ\0い"s, false, false, false, false);
    EXPECT_EQ(w->GetTextLength(), 1);
    EXPECT_FALSE(w->FlushMessage(true, false));
    EXPECT_EQ(w->GetRestCharCount(), 0u);
    EXPECT_EQ(w->GetShowCharCount(), 1u);

    w->SetMessage(u"あいう", false, false, false, false);
    w->SetProcessPos(100);
    EXPECT_EQ(w->GetProcessPos(), 3);
    EXPECT_EQ(w->GetRestCharCount(), 0u);
    w->SetProcessPos(-5);
    EXPECT_EQ(w->GetProcessPos(), 0);
    EXPECT_EQ(w->GetRestCharCount(), 3u);
}

// ---- Drawing ----

TEST_F(MessageWindowTest, DrawShadowOutlineAndColours)
{
    h.LoadFonts();
    GxTaskUIMessageWindowFx* w = Make();
    w->SetPos(GxVector3(100.0f, 50.0f, 0.0f));
    GxMessageSystemConfig().m_MeswinEdgeColor = 0;  // taken when the window is made
    GxTaskUIMessageWindowFx* plain = Make(800, u"$PLAIN");
    plain->HideText();
    h.EnterScreen();
    w->SetMessage(u"あ%a(0xFF0000)い", false, false, false, false);
    w->FlushMessage(true, false);
    auto quads = Quads(h.Frame(0));
    // Per character: the shadow 3 px off (an outline is set), four outline copies, the glyph.
    ASSERT_EQ(quads.size(), 12u);
    const float x0 = 100.0f, y0 = 50.0f + 11.0f;
    const Corner expect[] = {
        {x0 + 3, y0 + 3, 0x80000000u, 23}, {x0 - 1, y0 - 1, 0x80000000u, 23}, {x0 + 1, y0 + 1, 0x80000000u, 23},
        {x0 + 1, y0 - 1, 0x80000000u, 23}, {x0 - 1, y0 + 1, 0x80000000u, 23}, {x0, y0, 0xFFFFFFFFu, 23},
    };
    for (size_t i = 0; i < 6; ++i) {
        const Corner got = TopLeft(quads[i]);
        EXPECT_FLOAT_EQ(got.x, expect[i].x) << i;
        EXPECT_FLOAT_EQ(got.y, expect[i].y) << i;
        EXPECT_EQ(got.color, expect[i].color) << i;
        EXPECT_FLOAT_EQ(got.w, expect[i].w) << i;
    }
    EXPECT_FLOAT_EQ(TopLeft(quads[11]).x, x0 + 27);
    EXPECT_EQ(TopLeft(quads[11]).color, 0xFFFF0000u);

    // Without an outline colour: shadow 2 px off and no copies; the actor's alpha scales the
    // shadow and the text.
    w->HideText();
    plain->ShowText();
    plain->SetAlpha(128);
    plain->SetMessage(u"あ", false, false, false, false);
    plain->FlushMessage(true, false);
    quads = Quads(h.Frame(0));
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_FLOAT_EQ(TopLeft(quads[0]).x, 2.0f);
    EXPECT_FLOAT_EQ(TopLeft(quads[0]).y, 13.0f);
    EXPECT_EQ(TopLeft(quads[0]).color, 0x40000000u);
    EXPECT_EQ(TopLeft(quads[1]).color, 0x80FFFFFFu);
}

TEST_F(MessageWindowTest, DrawShadowsAndOutlinesBlendNormallyTextTakesTheActorsMode)
{
    h.LoadFonts();
    GxTaskUIMessageWindowFx* w = Make();
    w->SetBlendMode(3);  // additive
    h.EnterScreen();
    w->SetMessage(u"≪あ／か≫", false, false, false, false);
    w->FlushMessage(true, false);
    const std::vector<uint32_t> got = DestBlendPerDraw(h.Frame(0));
    const uint32_t normal = GXBLEND_INVSRCALPHA, add = GXBLEND_ONE;
    // The reading (its shadow in the actor's mode too), then shadow, four outlines, the text.
    EXPECT_EQ(got, (std::vector<uint32_t>{add, add, normal, normal, normal, normal, normal, add}));
}

TEST_F(MessageWindowTest, DrawReadTextColour)
{
    h.LoadFonts();
    GxMessageSystemConfig().m_MeswinEdgeColor = 0;
    GxTaskUIMessageWindowFx* w = Make();
    h.EnterScreen();
    struct Case
    {
        bool readed, changeOption;
        uint32_t plain, coloured;
    };
    const Case cases[] = {
        {true, true, 0xFFAAEEFFu, 0xFF00FF00u},
        {true, false, 0xFFFFFFFFu, 0xFF00FF00u},
        {false, true, 0xFFFFFFFFu, 0xFF00FF00u},
    };
    for (const Case& c : cases) {
        GxMessageUserConfig().m_ChangeColorReadedText = c.changeOption;
        w->SetMessage(u"あ%a(0x00FF00)い", false, c.readed, false, false);
        w->FlushMessage(true, false);
        const auto quads = Quads(h.Frame(0));
        ASSERT_EQ(quads.size(), 4u);
        EXPECT_EQ(TopLeft(quads[1]).color, c.plain);
        EXPECT_EQ(TopLeft(quads[3]).color, c.coloured);
    }
}

TEST_F(MessageWindowTest, DrawRubiesCentredOverTheirBase)
{
    h.LoadFonts();
    GxMessageSystemConfig().m_MeswinEdgeColor = 0;
    GxTaskUIMessageWindowFx* w = Make();
    GxTaskUIMessageWindowFx* narrow = Make(33, u"$NARROW");
    narrow->HideText();
    h.EnterScreen();
    w->SetMessage(u"≪漢字／かんじ≫", false, false, false, false);
    w->FlushMessage(true, false);
    const auto quads = Quads(h.Frame(0));
    // Three reading glyphs (shadow 1 px off, then the glyph), then two characters.
    ASSERT_EQ(quads.size(), 10u);
    // (46 - 33) / 2 = 6 past the group's x (0), plus R.
    EXPECT_FLOAT_EQ(TopLeft(quads[0]).x, 18.0f);
    EXPECT_FLOAT_EQ(TopLeft(quads[0]).y, 1.0f);
    EXPECT_FLOAT_EQ(TopLeft(quads[1]).x, 17.0f);
    EXPECT_FLOAT_EQ(TopLeft(quads[1]).y, 0.0f);
    EXPECT_FLOAT_EQ(TopLeft(quads[1]).w, 11.0f);
    EXPECT_FLOAT_EQ(TopLeft(quads[3]).x, 28.0f);
    EXPECT_FLOAT_EQ(TopLeft(quads[5]).x, 39.0f);
    EXPECT_FLOAT_EQ(TopLeft(quads[7]).y, 11.0f);  // the base under the ruby margin

    // A reading that would start at the right edge wraps to the next line.
    w->HideText();
    narrow->ShowText();
    narrow->SetMessage(u"あ≪字／じ≫", false, false, true, true);
    narrow->FlushMessage(true, false);
    const auto wrapped = Quads(h.Frame(0));
    ASSERT_EQ(wrapped.size(), 6u);
    // x = 27 - 11 + (23 - 11) / 2 = 22 and 33 <= 11 + 22: the reading starts the next line.
    EXPECT_FLOAT_EQ(TopLeft(wrapped[1]).x, 11.0f);
    EXPECT_FLOAT_EQ(TopLeft(wrapped[1]).y, 35.0f);
}

// A ".fmp" bitmap font of 'A' (10 px) and 'B' (16 px), cells 20 px high.
std::string FmpBytes()
{
    std::string b(96 + 2 * 8, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto put16 = [&](size_t at, uint16_t v) {
        b[at] = static_cast<char>(v & 0xFF);
        b[at + 1] = static_cast<char>(v >> 8);
    };
    put32(16, 'A');
    put32(20, 'B');
    put32(40, 16);
    put32(44, 20);
    put32(52, 32);
    put32(56, 20);
    put16(96 + 0, 0);
    put16(96 + 4, 10);
    put16(104 + 0, 16);
    put16(104 + 4, 16);
    return b;
}

TEST_F(MessageWindowTest, DrawBitmapFontCentredInItsCells)
{
    ASSERT_TRUE(h.WritePicture("fonts/msgfont.png", gxtest::TestPicture(32, 20, 0xFFFFFFFFu)));
    {
        const std::string fmp = FmpBytes();
        FILE* f = fopen((h.Folder().Path() + "/fonts/msgfont.fmp").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fwrite(fmp.data(), 1, fmp.size(), f);
        fclose(f);
    }
    h.LoadFonts(u"msgfont");
    GxMessageSystemConfig().m_MeswinTextBuiltinFontName = u"msgfont";
    GxTaskUIMessageWindowFx* w = Make();
    h.EnterScreen();
    w->SetMessage(u"AあB", false, false, false, false);
    w->FlushMessage(true, false);
    ASSERT_EQ(w->GetShowCharCount(), 3u);
    const auto quads = Quads(h.Frame(0));
    // "あ" is not in the font: skipped. Per character: shadow, four outline copies, the text.
    ASSERT_EQ(quads.size(), 12u) << h.Log().Joined();
    // 'A': cell 11.5, glyph 10: x = trunc(0.75) = 0; y = 11.
    EXPECT_FLOAT_EQ(TopLeft(quads[5]).x, 0.0f);
    EXPECT_FLOAT_EQ(TopLeft(quads[5]).y, 11.0f);
    EXPECT_FLOAT_EQ(TopLeft(quads[5]).w, 10.0f);
    EXPECT_FLOAT_EQ(TopLeft(quads[0]).x, 3.0f);
    EXPECT_FLOAT_EQ(TopLeft(quads[1]).x, -1.0f);
    EXPECT_FLOAT_EQ(TopLeft(quads[1]).y, 10.0f);
    // 'B' after "A" (15) and "あ" (27): 42 + (11.5 - 16) / 2 = 39.75, truncated.
    EXPECT_FLOAT_EQ(TopLeft(quads[11]).x, 39.0f);
    EXPECT_FLOAT_EQ(TopLeft(quads[11]).w, 16.0f);
}

TEST_F(MessageWindowTest, BitmapFontNamedButNotLoadedDrawsFromTheAtlas)
{
    h.LoadFonts();
    GxMessageSystemConfig().m_MeswinTextBuiltinFontName = u"missing";
    GxMessageSystemConfig().m_MeswinEdgeColor = 0;
    GxTaskUIMessageWindowFx* w = Make();
    h.EnterScreen();
    w->SetMessage(u"あ", false, false, false, false);
    w->FlushMessage(true, false);
    const auto quads = Quads(h.Frame(0));
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_FLOAT_EQ(TopLeft(quads[1]).w, 23.0f);
}

// ---- Saved form ----

class MessageWindowSaveTest : public MessageWindowTest, public ::testing::WithParamInterface<GxContentForm>
{
protected:
    bool Restore(GxTaskUIMessageWindowFx* to, const std::string& bytes)
    {
        GxContentFillBuffer(m_Buffer, bytes);
        std::unique_ptr<GxContentReaderBase> r;
        if (GetParam() == GxContentForm::Text) r = std::make_unique<GxContentTextReader>(m_Buffer);
        else r = std::make_unique<GxContentBinaryReader>(m_Buffer);
        return to->ReadContent(*r);
    }
    GxBinBuffer m_Buffer;
};

void ExpectSameLayout(const GxTaskUIMessageWindowFx* a, const GxTaskUIMessageWindowFx* b)
{
    ASSERT_EQ(a->GetShowCharCount(), b->GetShowCharCount());
    for (size_t i = 0; i < a->GetShowChars().size(); ++i) {
        const auto &x = a->GetShowChars()[i], &y = b->GetShowChars()[i];
        EXPECT_EQ(x.m_Char, y.m_Char);
        EXPECT_EQ(x.m_OffsetPos, y.m_OffsetPos);
        EXPECT_EQ(x.m_Color, y.m_Color);
        EXPECT_EQ(x.m_ChangeColorFlag, y.m_ChangeColorFlag);
    }
    ASSERT_EQ(a->GetRubies().size(), b->GetRubies().size());
    for (size_t i = 0; i < a->GetRubies().size(); ++i) {
        EXPECT_EQ(a->GetRubies()[i].m_Text, b->GetRubies()[i].m_Text);
        EXPECT_EQ(a->GetRubies()[i].m_OffsetPos, b->GetRubies()[i].m_OffsetPos);
        EXPECT_EQ(a->GetRubies()[i].m_RubyCharWidth, b->GetRubies()[i].m_RubyCharWidth);
    }
    const GxMessageLayout &l = a->GetLayout(), &m = b->GetLayout();
    EXPECT_EQ(l.m_CursorX, m.m_CursorX);
    EXPECT_EQ(l.m_CursorY, m.m_CursorY);
    EXPECT_EQ(l.m_ProcessPos, m.m_ProcessPos);
    EXPECT_EQ(l.m_TextColor, m.m_TextColor);
    EXPECT_EQ(l.m_ChangeColor, m.m_ChangeColor);
    EXPECT_EQ(l.m_ClickWaiting, m.m_ClickWaiting);
    EXPECT_EQ(l.m_WaitTimeLeft, m.m_WaitTimeLeft);
    EXPECT_EQ(l.m_LetterMarginWidth, m.m_LetterMarginWidth);
    EXPECT_EQ(a->GetText(), b->GetText());
}

TEST_P(MessageWindowSaveTest, SaveDuringAClickWaitRestoresAndContinues)
{
    GxTaskUIMessageWindowFx* a = Make(800, u"$A");
    GxTaskUIMessageWindowFx* b = Make(800, u"$B");
    b->SetLetterMarginWidth(0);
    b->SetMessage(u"ほか", false, true, true, true);
    a->SetMessage(u"≪漢字／かんじ≫%a(0xFF0000)あ%r%cいう%cえ", true, false, false, false);
    EXPECT_TRUE(a->FlushMessage(false, false));
    ASSERT_TRUE(a->IsClickWaiting());
    const std::string bytes =
        GxContentWriteToString(GetParam(), [&](GxContentWriterBase& w) { ASSERT_TRUE(a->WriteContent(w)); });
    ASSERT_TRUE(Restore(b, bytes)) << h.Log().Joined();
    ExpectSameLayout(a, b);
    EXPECT_FALSE(b->IsReaded());

    // Both go on alike.
    EXPECT_FALSE(a->ProcessClick());
    EXPECT_FALSE(b->ProcessClick());
    for (auto* w : {a, b}) {
        EXPECT_TRUE(w->FlushMessage(false, false));
        EXPECT_FALSE(w->ProcessClick());
        w->FlushMessage(true, false);
    }
    ExpectSameLayout(a, b);
    EXPECT_TRUE(b->ProcessClick());
}

TEST_P(MessageWindowSaveTest, StoredFaultsAreMended)
{
    // A text holding U+0000 and font indices outside the table.
    struct Poked : GxTaskUIMessageWindowFx
    {
        using GxTaskUIMessageWindowFx::GxTaskUIMessageWindowFx;
        void SetRawText(const std::u16string& t) { m_Text = t; }
    };
    auto* a = new Poked(h.Screen(), u"$POKED", nullptr, 0);
    a->SetMessage(u"あい", false, false, false, false);
    a->SetRawText(u"あ\0い"s);
    std::string bytes =
        GxContentWriteToString(GetParam(), [&](GxContentWriterBase& w) { a->WriteContent(w); });
    GxTaskUIMessageWindowFx* b = Make();
    EXPECT_TRUE(Restore(b, bytes)) << h.Log().Joined();
    EXPECT_EQ(b->GetTextLength(), 1);
    EXPECT_FALSE(b->FlushMessage(true, false));
    EXPECT_EQ(b->GetRestCharCount(), 0u);
}

TEST_P(MessageWindowSaveTest, HugeListCountReadsOnlyTheItemsThere)
{
    GxTaskUIMessageWindowFx* a = Make(800, u"$A");
    const std::string bytes = GxContentWriteToString(GetParam(), [&](GxContentWriterBase& w) {
        a->GxTaskUIBase::WriteContent(w);
        w.WriteGxStringStdW("m_Text", u"あ");
        w.WriteListBegin("m_ShowChars", "", 0x80000000u);
        w.WriteListEnd();
    });
    GxTaskUIMessageWindowFx* b = Make(800, u"$B");
    EXPECT_FALSE(Restore(b, bytes));
    EXPECT_EQ(b->GetShowCharCount(), 0u);
    EXPECT_EQ(b->GetTextLength(), 1);
}

INSTANTIATE_TEST_SUITE_P(Forms, MessageWindowSaveTest, ::testing::Values(GxContentForm::Binary, GxContentForm::Text));

}  // namespace
