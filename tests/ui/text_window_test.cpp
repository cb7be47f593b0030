// The text window on the headless stage, built by the program's UI factory: whole texts laid out
// at once with the message layout (no margin, no waits, no trace of "%c" and "%w"), line pitch with
// and without ruby, colours that stay with their characters, and its recorded draw.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/DBUIModule.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

using namespace std::string_literals;
using gxtest::UIHarness;

class TextWindowTest : public ::testing::Test
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

    GxTaskUITextWindowFx* Make(int32_t regionWidth = 800, const char16_t* name = u"log_text")
    {
        DBUIModuleData m;
        m.ID = 2;
        m.UIType = GxUIModuleType::TextWindowFx;
        m.FontIndex = 2;
        m.ClientLeft = 5;
        m.ClientTop = 7;
        m.ClientWidth = regionWidth;
        m.ClientHeight = 100;
        auto* w = dynamic_cast<GxTaskUITextWindowFx*>(h.CreateFromModule(m, name, -1));
        EXPECT_NE(w, nullptr);
        return w;
    }

    UIHarness h;
};

TEST_F(TextWindowTest, LaysOutWholeWithoutWaitsOrMargin)
{
    GxTaskUITextWindowFx* w = Make();
    EXPECT_EQ(w->GetLayout().m_TextRegionLeft, 5);
    EXPECT_EQ(w->GetLayout().m_TextRegionWidth, 800);
    EXPECT_EQ(w->GetLineHeight(), 24);
    w->SetMessage(u"あ%cい%w(100)う%wえ%r≪漢／かん≫", false, false);
    const auto& chars = w->GetShowChars();
    ASSERT_EQ(chars.size(), 5u);
    EXPECT_EQ(w->GetRestCharCount(), 0u);
    EXPECT_EQ(w->GetTextLength(), static_cast<int32_t>(w->GetText().size()));
    const float xs[] = {0, 23, 46, 69};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(chars[i].m_OffsetPos.x, xs[i]) << i;
        EXPECT_EQ(chars[i].m_OffsetPos.y, 0.0f) << i;
    }
    EXPECT_EQ(chars[4].m_OffsetPos.y, 35.0f);  // S + 1 + R with ruby on
    ASSERT_EQ(w->GetRubies().size(), 1u);
    EXPECT_EQ(w->GetRubies()[0].m_Text, u"かん");

    // Without margin a line takes 34 full-width characters (782 + 23 reaches 800).
    w->SetMessage(std::u16string(40, u'あ'), false, false);
    EXPECT_EQ(w->GetShowChars()[33].m_OffsetPos.y, 0.0f);
    EXPECT_EQ(w->GetShowChars()[34].m_OffsetPos.x, 0.0f);
    EXPECT_EQ(w->GetShowChars()[34].m_OffsetPos.y, 35.0f);
    // The flags as the back log passes them.
    w->SetMessage(std::u16string(40, u'あ'), true, true);
    EXPECT_EQ(w->GetShowChars()[39].m_OffsetPos.y, 0.0f);
}

TEST_F(TextWindowTest, PitchFollowsTheRubyFlagWhenLaidOut)
{
    GxTaskUITextWindowFx* w = Make();
    w->DisableRuby();
    w->SetMessage(u"あ%rい", false, false);
    EXPECT_EQ(w->GetShowChars()[1].m_OffsetPos.y, 24.0f);
    w->EnableRuby();
    EXPECT_EQ(w->GetShowChars()[1].m_OffsetPos.y, 24.0f);  // laid out already
    w->SetText(u"あ%rい");
    EXPECT_EQ(w->GetShowChars()[1].m_OffsetPos.y, 35.0f);
    EXPECT_EQ(w->GetText(), u"あ%rい");
    // The base's own text is not touched.
    EXPECT_TRUE(w->GxTaskUIBase::GetText().empty());
}

TEST_F(TextWindowTest, ColoursStayWithTheirCharacters)
{
    GxMessageSystemConfig().m_SystemTextColor0 = 0xFF101010u;
    GxTaskUITextWindowFx* w = Make();
    w->SetWindowText(u"あ%a(0xFF0000)い%a(0x00FF00)う%aえ", false, false);
    const auto& c = w->GetShowChars();
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0].m_Color, 0xFF101010u);
    EXPECT_EQ(c[1].m_Color, 0xFFFF0000u);
    EXPECT_EQ(c[2].m_Color, 0xFF00FF00u);
    EXPECT_EQ(c[3].m_Color, 0xFF101010u);
    for (const auto& e : c) EXPECT_FALSE(e.m_ChangeColorFlag);
    // A new text starts from the settings' colour.
    w->SetMessage(u"あ", false, false);
    EXPECT_EQ(w->GetShowChars()[0].m_Color, 0xFF101010u);
}

TEST_F(TextWindowTest, EmptyAndNulTexts)
{
    GxTaskUITextWindowFx* w = Make();
    w->SetMessage(u"", false, false);
    EXPECT_EQ(w->GetShowCharCount(), 0u);
    EXPECT_TRUE(w->ProcessNextChar());
    EXPECT_FALSE(w->ProcessAllChars());
    w->SetMessage(u"あ\0い"s, false, false);
    EXPECT_EQ(w->GetShowCharCount(), 1u);
    EXPECT_EQ(w->GetTextLength(), 1);
    w->ClearWindowText();
    EXPECT_EQ(w->GetShowCharCount(), 0u);
    EXPECT_TRUE(w->GetText().empty());
}

TEST_F(TextWindowTest, DrawShadowAtTwoInEachCharactersColour)
{
    h.LoadFonts();
    GxTaskUITextWindowFx* w = Make();
    w->SetPos(GxVector3(100.0f, 200.0f, 0.0f));
    h.EnterScreen();
    w->SetMessage(u"≪あ／か≫%a(0xFF0000)い", false, false);
    std::vector<std::vector<GxScreenVertex>> quads;
    for (const auto& c : h.Frame(0))
        if (c.op == GxDeviceOp::DrawPrimitiveUP && !c.vertices.empty()) quads.push_back(c.vertices);
    // The reading (shadow, glyph), then per character its shadow and itself.
    ASSERT_EQ(quads.size(), 6u);
    auto at = [&](size_t i, float x, float y, uint32_t color) {
        EXPECT_FLOAT_EQ(quads[i][0].x + 0.5f, x) << i;
        EXPECT_FLOAT_EQ(quads[i][0].y + 0.5f, y) << i;
        EXPECT_EQ(quads[i][0].diffuse, color) << i;
    };
    // The reading: group x 0, (23 - 11) / 2 + R = 17 past the region's left.
    at(0, 100 + 5 + 17 + 1, 200 + 7 + 1, 0x80000000u);
    // Readings take the current colour, here the last "%a"'s.
    at(1, 100 + 5 + 17, 200 + 7, 0xFFFF0000u);
    at(2, 100 + 5 + 2, 200 + 7 + 11 + 2, 0x80000000u);
    at(3, 100 + 5, 200 + 7 + 11, 0xFFFFFFFFu);
    at(5, 100 + 5 + 23, 200 + 7 + 11, 0xFFFF0000u);

    // Ruby off: no reading, no ruby margin.
    w->DisableRuby();
    quads.clear();
    for (const auto& c : h.Frame(0))
        if (c.op == GxDeviceOp::DrawPrimitiveUP && !c.vertices.empty()) quads.push_back(c.vertices);
    ASSERT_EQ(quads.size(), 4u);
    at(1, 100 + 5, 200 + 7, 0xFFFFFFFFu);

    w->HideText();
    quads.clear();
    for (const auto& c : h.Frame(0))
        if (c.op == GxDeviceOp::DrawPrimitiveUP && !c.vertices.empty()) quads.push_back(c.vertices);
    EXPECT_TRUE(quads.empty());
}

}  // namespace
