// The tool-tip balloon: its defaults, the size SetText gives it, the placement beside the pointer
// on the screen, showing through the program's tip-help hook and hiding on the next move, the
// frame tiles and the text as drawn, the picture lookup and the stored form.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "game/DBUILayout.h"
#include "game/DBUIModule.h"
#include "seq/SeqSystem.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

using gxtest::UIHarness;

struct Quad
{
    float x = 0.0f, y = 0.0f, w = 0.0f, h = 0.0f;
    float u = 0.0f, v = 0.0f;  // at the top-left corner
    uint32_t diffuse = 0;
};

std::vector<Quad> Quads(const std::vector<GxDeviceCall>& calls)
{
    std::vector<Quad> out;
    for (const auto& c : calls) {
        if (c.op != GxDeviceOp::DrawPrimitiveUP || c.vertices.empty()) continue;
        Quad q{c.vertices[0].x, c.vertices[0].y, 0.0f, 0.0f, c.vertices[0].u, c.vertices[0].v, c.vertices[0].diffuse};
        float x1 = q.x, y1 = q.y;
        for (const auto& v : c.vertices) {
            if (v.x <= q.x && v.y <= q.y) {
                q.u = v.u;
                q.v = v.v;
            }
            q.x = std::min(q.x, v.x);
            q.y = std::min(q.y, v.y);
            x1 = std::max(x1, v.x);
            y1 = std::max(y1, v.y);
        }
        q.w = x1 - q.x;
        q.h = y1 - q.y;
        q.x += 0.5f;  // the drawing's half-pixel shift
        q.y += 0.5f;
        out.push_back(q);
    }
    return out;
}

std::u16string Repeat(char16_t c, size_t n) { return std::u16string(n, c); }

// Replaces the value of a key in the text form.
std::string SetStored(std::string bytes, const std::string& key, const std::string& value)
{
    const size_t at = bytes.find("\t" + key + "\t");
    EXPECT_NE(at, std::string::npos) << key;
    if (at == std::string::npos) return bytes;
    const size_t from = at + key.size() + 2;
    return bytes.replace(from, bytes.find('\n', from) - from, value);
}

class TipHelpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.IsReady());
        h.LoadFonts();
        tip = dynamic_cast<GxTaskUITipHelpIs*>(h.TipHelp());
        ASSERT_NE(tip, nullptr);
    }

    UIHarness h;
    GxTaskUITipHelpIs* tip = nullptr;
};

TEST_F(TipHelpTest, Defaults)
{
    EXPECT_EQ(tip->GetTaskType(), 45);
    EXPECT_FALSE(tip->GetEventBlockFlag());
    EXPECT_TRUE(tip->GetModalFlag());
    EXPECT_EQ(tip->GetModalPriority(), 1);
    EXPECT_EQ(tip->GetTextFontIndex(), 1);
    EXPECT_EQ(tip->GetTextFontSize(), 15);
    EXPECT_EQ(tip->GetTextColor(), 0xFFFFFFFFu);
    EXPECT_EQ(tip->GetEdgeColor(), 0x80000000u);
    EXPECT_TRUE(tip->GetUseEdge());
    EXPECT_EQ(tip->GetNewLineWidth(), 256);
    EXPECT_TRUE(tip->GetAutoHide());
    EXPECT_EQ(tip->GetPadding(), 8);
    EXPECT_EQ(tip->GetPatternCount(), 0);

    tip->SetTextFontIndex(4);
    EXPECT_EQ(tip->GetTextFontSize(), 22);
    tip->SetTextFontIndex(6);
    EXPECT_EQ(tip->GetTextFontIndex(), 1);
    EXPECT_EQ(tip->GetTextFontSize(), 15);
    EXPECT_TRUE(h.Logged("GxTaskUITipHelpIs/SetTextFontIndex: no system font 6, font 1 taken")) << h.Log().Joined();
}

TEST_F(TipHelpTest, SizeFollowsTheText)
{
    struct Case
    {
        const char* what;
        std::u16string text;
        int32_t width, height, last, widest;
    };
    const Case cases[] = {
        {"three full-width", u"あいう", 80, 32, 0, 60},
        {"sixteen: the line goes on", Repeat(u'あ', 16), 272, 32, 0, 255},
        {"seventeen: wraps at the end, no empty line", Repeat(u'あ', 17), 272, 32, 0, 255},
        {"eighteen: a second line", Repeat(u'あ', 18), 272, 48, 1, 255},
        {"line-break character", u"a|b", 48, 48, 1, 22},
        {"line feed", u"a\nb", 48, 48, 1, 22},
        {"a trailing break opens no line", u"a|", 48, 32, 0, 22},
        {"breaks only", u"||", 32, 48, 1, 0},
        {"empty", u"", 32, 32, 0, 0},
    };
    for (const Case& c : cases) {
        tip->Show();
        tip->SetText(c.text.c_str());
        EXPECT_EQ(tip->GetWidth(), c.width) << c.what;
        EXPECT_EQ(tip->GetHeight(), c.height) << c.what;
        int32_t widest = -1;
        EXPECT_EQ(tip->MeasureText(&widest), c.last) << c.what;
        EXPECT_EQ(widest, c.widest) << c.what;
        EXPECT_EQ(tip->IsVisible(), !c.text.empty()) << c.what;  // an empty text hides
    }
    EXPECT_EQ(tip->MeasureText(nullptr), 0);

    // Font, wrap width and padding take effect at the next SetText.
    tip->SetText(u"あいう");
    tip->SetTextFontIndex(5);
    tip->SetPadding(0);
    EXPECT_EQ(tip->GetWidth(), 80);
    tip->SetText(u"あいう");
    EXPECT_EQ(tip->GetWidth(), 16 * ((3 * 38 + 38 + 38 - 1) / 16));  // widest 152, no padding
    tip->SetNewLineWidth(114);  // 38 + 76 reaches it exactly after the second character
    tip->SetText(u"あいう");
    EXPECT_EQ(tip->MeasureText(nullptr), 1);
    EXPECT_EQ(tip->GetHeight(), 16 * ((3 * 38 - 1) / 16));
}

TEST_F(TipHelpTest, PlacementKeepsTheBalloonOnTheScreen)
{
    struct Case
    {
        float px, py;
        int32_t width, height;
        float x, y;
    };
    const Case cases[] = {
        {500, 300, 80, 32, 476, 324},    // 24 left of and below the point
        {1000, 700, 200, 64, 824, 612},  // turned: ends 24 right of and above the point
        {10, 10, 80, 32, 0, 34},         // clamped at the left edge
        {1000, 10, 80, 32, 944, 34},
        {10, 760, 80, 32, 0, 704},
        {1000, 10, 1100, 32, -76, 34},   // wider than the screen: kept at its right edge
    };
    for (const Case& c : cases) {
        tip->SetWidth(c.width);
        tip->SetHeight(c.height);
        EXPECT_EQ(tip->ShowAt(GxVector3(c.px, c.py, 0.0f, 0.0f)), 0);
        EXPECT_EQ(tip->GetPos().x, c.x) << c.px << "," << c.py;
        EXPECT_EQ(tip->GetPos().y, c.y) << c.px << "," << c.py;
    }
}

TEST_F(TipHelpTest, ShownByAHoveredButtonAndHiddenByTheNextMove)
{
    ASSERT_TRUE(h.WriteImageSet("uigis/btn.gis", {{u"ok_off.png", {{40, 20, 0xFF0000FFu}}}}));
    DBUIModuleData m;
    m.ID = 5;
    m.UIType = GxUIModuleType::ButtonIs;
    m.ModuleName = u"mod_ok";
    m.ImageSetName = u"btn";
    m.ImageName = u"ok";
    DBUILayoutData l;
    l.ModuleName = u"mod_ok";
    l.Visible = 1;
    l.Enabled = 1;
    l.Left = 1000.0f;
    l.Top = 700.0f;
    l.AutoHelpTime = 500;
    l.Descript = u"決定します";
    GxTaskUIBase* button = h.CreateFromLayout(m, l, u"btn_ok", -1);
    ASSERT_NE(button, nullptr);
    h.EnterScreen();

    EXPECT_EQ(h.Move(1010, 710), 1);
    h.Frame(500);
    ASSERT_EQ(h.TipRequests().size(), 1u);
    EXPECT_TRUE(tip->IsActive());
    EXPECT_TRUE(tip->IsVisible());
    EXPECT_EQ(tip->GetText(), u"決定します");
    EXPECT_EQ(tip->GetWidth(), 112);  // widest 75 + 15, + 15 + 16 - 1 = 120 -> 112
    EXPECT_EQ(tip->GetHeight(), 32);
    // Turned left of the point (922), then kept on the screen; below the point it fits.
    EXPECT_EQ(tip->GetPos().x, 1024.0f - 112.0f);
    EXPECT_EQ(tip->GetPos().y, 710.0f + 24.0f);
    EXPECT_EQ(Quads(h.Frame(16)).size(), 1u + 5u * 5u);  // the button, then the balloon's text

    // The next move hides it, and still reaches the button under it.
    EXPECT_EQ(h.Move(1011, 710), 1);
    EXPECT_FALSE(tip->IsVisible());
    EXPECT_EQ(button->GetHoverCount(), 1);

    // Without auto hide it stays.
    const std::string bytes = GxContentWriteToString(
        GxContentForm::Text, [&](GxContentWriterBase& w) { EXPECT_TRUE(tip->WriteContent(w)); });
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, SetStored(bytes, "m_AutoHide", "0"));
    GxContentTextReader r(buffer);
    ASSERT_TRUE(tip->ReadContent(r));
    EXPECT_FALSE(tip->GetAutoHide());
    SeqSystem::ShowTipHelp(h.Screen(), u"x", GxVector3(10.0f, 10.0f, 0.0f));
    EXPECT_TRUE(tip->IsVisible());
    EXPECT_EQ(h.Move(500, 500), 0);
    EXPECT_EQ(h.Move(600, 500), 0);
    EXPECT_TRUE(tip->IsVisible());
    EXPECT_EQ(tip->GetPos().x, 0.0f);
    EXPECT_EQ(tip->GetPos().y, 34.0f);
}

TEST_F(TipHelpTest, FrameTilesAndTextAsDrawn)
{
    ASSERT_TRUE(h.WriteImageSet("uigis/tip.gis", {{u"frame.png", {{64, 64, 0xFF808080u}}}}));
    ASSERT_TRUE(tip->LoadImageSet(u"uigis/tip/frame"));
    EXPECT_EQ(tip->GetImageSetName(), u"uigis/tip.gis");
    EXPECT_EQ(tip->GetImageName(), u"frame");
    h.EnterScreen();  // the enter walk loads the picture (the system screen's widgets too)
    ASSERT_TRUE(tip->LoadImages());
    EXPECT_EQ(tip->GetPatternCount(), 1);
    SeqSystem::ShowTipHelp(h.Screen(), u"あいう", GxVector3(124.0f, 76.0f, 0.0f));
    ASSERT_EQ(tip->GetPos().x, 100.0f);
    ASSERT_EQ(tip->GetPos().y, 100.0f);
    tip->SetTextColor(0xFF00FF00u);

    for (float scale : {1.0f, 2.0f}) {
        tip->GetVisualParam().m_Scale = GxVector3(scale, scale, 1.0f);
        tip->GetVisualParam().m_Rot = GxVector3(0.0f, 0.0f, scale == 2.0f ? 30.0f : 0.0f);
        const auto quads = Quads(h.Frame(16));
        // 5 x 2 tiles of 16 x 16, rows first, unscaled and unrotated.
        ASSERT_EQ(quads.size(), 10u + 3u * 5u) << scale;
        const float cellU[5] = {0.0f, 16.0f, 16.0f, 16.0f, 48.0f};
        for (int r = 0; r < 2; ++r) {
            for (int c = 0; c < 5; ++c) {
                const Quad& q = quads[static_cast<size_t>(r * 5 + c)];
                EXPECT_FLOAT_EQ(q.x, 100.0f + 16.0f * c) << scale << " " << r << "," << c;
                EXPECT_FLOAT_EQ(q.y, 100.0f + 16.0f * r) << scale << " " << r << "," << c;
                EXPECT_FLOAT_EQ(q.w, 16.0f);
                EXPECT_FLOAT_EQ(q.h, 16.0f);
                EXPECT_NEAR(q.u * 64.0f, cellU[c], 0.01f) << r << "," << c;
                EXPECT_NEAR(q.v * 64.0f, r == 0 ? 0.0f : 48.0f, 0.01f) << r << "," << c;
            }
        }
        // The glyphs from the padding on, 15 apart, with the actor's scale.
        for (int i = 0; i < 3; ++i) {
            const Quad& g = quads[10u + 5u * static_cast<size_t>(i) + 4u];
            EXPECT_EQ(g.diffuse, 0xFF00FF00u);
            EXPECT_FLOAT_EQ(g.x, 100.0f + scale * (8.0f + 15.0f * i)) << scale;
            EXPECT_FLOAT_EQ(g.y, 100.0f + scale * 8.0f) << scale;
            EXPECT_FLOAT_EQ(g.w, 15.0f * scale);
        }
    }

    // Alpha reaches the tiles and the text.
    tip->GetVisualParam().m_Scale = GxVector3(1.0f, 1.0f, 1.0f);
    tip->SetAlpha(128);
    const auto quads = Quads(h.Frame(16));
    EXPECT_EQ(quads[0].diffuse, 0x80FFFFFFu);
    EXPECT_EQ(quads[14].diffuse, 0x8000FF00u);
    EXPECT_EQ(quads[10].diffuse, 0x40000000u);
}

TEST_F(TipHelpTest, PictureLookup)
{
    ASSERT_TRUE(h.WriteImageSet("uigis/tip.gis", {{u"frame.png", {{64, 64, 0xFF808080u}}}}));
    DBUIModuleData m;
    m.ID = 6;
    m.UIType = GxUIModuleType::TipHelpIs;
    m.ImageSetName = u"tip";
    m.ImageName = u"frame";
    m.FontIndex = 3;
    auto* t = dynamic_cast<GxTaskUITipHelpIs*>(h.CreateFromModule(m, u"t", 0));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetImageSetName(), u"uigis/tip.gis");
    EXPECT_EQ(t->GetImageName(), u"frame");
    EXPECT_EQ(t->GetTextFontSize(), 24);
    ASSERT_TRUE(t->LoadImages());
    EXPECT_NE(t->GetFrameImage(), nullptr);
    EXPECT_EQ(t->GetWidth(), 0);  // the size never comes from the picture

    struct Case
    {
        const char16_t* path;
        bool loaded;
        const char* log;
    };
    const Case cases[] = {
        {u"uigis/tip/", true, nullptr},  // no frame: text only
        {u"uigis/none/frame", false, "GxTaskUITipHelpIs/ImageSet wasn't Loaded:uigis/none.gis [/t[0]:45]"},
        {u"uigis/tip/nope", false, "GxTaskUITipHelpIs/Image not found:nope.png [/t[0]:45]"},
    };
    h.EnterScreen();
    t->SetText(u"ab");
    for (const Case& c : cases) {
        ASSERT_TRUE(t->LoadImageSet(c.path));
        EXPECT_EQ(t->LoadImages(), c.loaded);
        EXPECT_EQ(t->GetFrameImage(), nullptr);
        EXPECT_EQ(t->GetPatternCount(), 0);
        if (c.log) EXPECT_TRUE(h.Logged(c.log)) << c.log << "\n" << h.Log().Joined();
        EXPECT_EQ(Quads(h.Frame(16)).size(), 2u * 5u);  // the text alone
    }
}

TEST_F(TipHelpTest, StoredForm)
{
    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        ASSERT_TRUE(tip->LoadImageSet(u"uigis/tip/frame"));
        tip->SetPatternIndex(2);
        tip->SetTextFontIndex(0);
        tip->SetTextColor(0x01020304u);
        tip->SetEdgeColor(0x05060708u);
        tip->SetNewLineWidth(300);
        tip->SetPadding(4);
        tip->SetText(u"abc");
        const std::string bytes =
            GxContentWriteToString(form, [&](GxContentWriterBase& w) { EXPECT_TRUE(tip->WriteContent(w)); });
        if (form == GxContentForm::Text) {
            const char* keys[] = {"m_EventBlockFlag", "m_ImageName",  "m_ImageSetName", "m_PatternIndex",
                                  "m_TextFontIndex",  "m_TextFontSize", "m_TextColor",  "m_EdgeColor",
                                  "m_UseEdge",        "m_NewLineWidth", "m_AutoHide",   "m_Padding"};
            for (size_t i = 1; i < std::size(keys); ++i)
                EXPECT_LT(bytes.find(std::string("\t") + keys[i - 1] + "\t"),
                          bytes.find(std::string("\t") + keys[i] + "\t"))
                    << keys[i];
        }
        auto* t = new GxTaskUITipHelpIs(h.Screen(), nullptr, u"copy", 0);
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, bytes);
        std::unique_ptr<GxContentReaderBase> r;
        if (form == GxContentForm::Text) r = std::make_unique<GxContentTextReader>(buffer);
        else r = std::make_unique<GxContentBinaryReader>(buffer);
        ASSERT_TRUE(t->ReadContent(*r)) << h.Log().Joined();
        EXPECT_TRUE(r->IsEnd());
        EXPECT_EQ(t->GetImageName(), u"frame");
        EXPECT_EQ(t->GetImageSetName(), u"uigis/tip.gis");
        EXPECT_EQ(t->GetPatternIndex(), 2);
        EXPECT_EQ(t->GetTextFontIndex(), 0);
        EXPECT_EQ(t->GetTextFontSize(), 11);
        EXPECT_EQ(t->GetTextColor(), 0x01020304u);
        EXPECT_EQ(t->GetEdgeColor(), 0x05060708u);
        EXPECT_EQ(t->GetNewLineWidth(), 300);
        EXPECT_EQ(t->GetPadding(), 4);
        EXPECT_EQ(t->GetText(), u"abc");
        EXPECT_EQ(t->GetWidth(), tip->GetWidth());
        t->Kill();
        h.Frame(16);
    }
    // A stored font index outside the system fonts: logged, font 1, the stored size kept.
    const std::string bytes = GxContentWriteToString(
        GxContentForm::Text, [&](GxContentWriterBase& w) { EXPECT_TRUE(tip->WriteContent(w)); });
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, SetStored(bytes, "m_TextFontIndex", "12"));
    GxContentTextReader r(buffer);
    ASSERT_TRUE(tip->ReadContent(r));
    EXPECT_EQ(tip->GetTextFontIndex(), 1);
    EXPECT_EQ(tip->GetTextFontSize(), 11);
    EXPECT_TRUE(h.Logged("GxTaskUITipHelpIs/ReadContent: no system font 12, font 1 taken")) << h.Log().Joined();
}

}  // namespace
