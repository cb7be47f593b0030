// The text button and the text panels: the layout of their one block of text (alignment, line
// breaks, wrapping), the glyphs each draw places with outline, colours, alpha, scale and rotation,
// the picture under the text, the font index with its size and the stored form.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "core/GxDrawKey.h"
#include "game/DBUIModule.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"
#include "ui/GxUIText.h"

namespace {

using gxtest::UIHarness;

struct Quad
{
    float x = 0.0f, y = 0.0f, w = 0.0f, h = 0.0f;
    uint32_t diffuse = 0;
};

std::vector<Quad> Quads(const std::vector<GxDeviceCall>& calls)
{
    std::vector<Quad> out;
    for (const auto& c : calls) {
        if (c.op != GxDeviceOp::DrawPrimitiveUP || c.vertices.empty()) continue;
        float x0 = c.vertices[0].x, x1 = x0, y0 = c.vertices[0].y, y1 = y0;
        for (const auto& v : c.vertices) {
            x0 = std::min(x0, v.x);
            x1 = std::max(x1, v.x);
            y0 = std::min(y0, v.y);
            y1 = std::max(y1, v.y);
        }
        // Undo the half-pixel shift of the drawing.
        out.push_back({x0 + 0.5f, y0 + 0.5f, x1 - x0, y1 - y0, c.vertices[0].diffuse});
    }
    return out;
}

std::vector<Quad> WithColour(const std::vector<Quad>& quads, uint32_t diffuse)
{
    std::vector<Quad> out;
    for (const Quad& q : quads)
        if (q.diffuse == diffuse) out.push_back(q);
    return out;
}

TEST(TextBlockLayout, AlignmentBreaksAndWraps)
{
    struct Case
    {
        const char* what;
        std::u16string text;
        int32_t size, left, top, width, align;
        std::vector<std::pair<int64_t, int64_t>> places;
    };
    const Case cases[] = {
        {"centred: W 96 in 200", u"あいうえ", 24, 0, 0, 200, 1, {{52, 0}, {76, 0}, {100, 0}, {124, 0}}},
        {"centred from the client left", u"あいうえ", 24, 10, 5, 200, 1, {{62, 5}, {86, 5}, {110, 5}, {134, 5}}},
        {"half width counts half", u"abc", 24, 0, 0, 200, 1, {{82, 0}, {94, 0}, {106, 0}}},
        {"line break: left-aligned, one size lower", u"あい|うえ", 24, 10, 0, 200, 1,
         {{10, 0}, {34, 0}, {10, 24}, {34, 24}}},
        {"not aligned", u"あいうえ", 24, 0, 0, 200, 0, {{0, 0}, {24, 0}, {48, 0}, {72, 0}}},
        {"full width wraps after the fourth", u"ああああああ", 24, 0, 0, 100, 0,
         {{0, 0}, {24, 0}, {48, 0}, {72, 0}, {0, 24}, {24, 24}}},
        {"half width wraps after the seventh", u"aaaaaaaaa", 24, 0, 0, 100, 0,
         {{0, 0}, {12, 0}, {24, 0}, {36, 0}, {48, 0}, {60, 0}, {72, 0}, {0, 24}, {12, 24}}},
        {"a line reaching the width exactly wraps", u"あああああ", 24, 0, 0, 96, 0,
         {{0, 0}, {24, 0}, {48, 0}, {0, 24}, {24, 24}}},
        {"too wide starts at the client left", u"あああああ", 24, 3, 0, 100, 1,
         {{3, 0}, {27, 0}, {51, 0}, {75, 0}, {3, 24}}},
        {"a line feed is a half-width character here", u"a\nb", 24, 0, 0, 200, 0, {{0, 0}, {12, 0}, {24, 0}}},
        {"empty", u"", 24, 0, 0, 200, 1, {}},
    };
    for (const Case& c : cases) {
        const auto places = GxUILayoutTextBlock(c.text, c.size, c.left, c.top, c.width, c.align, u'|');
        std::vector<std::pair<int64_t, int64_t>> got;
        for (const auto& p : places) got.emplace_back(p.x, p.y);
        EXPECT_EQ(got, c.places) << c.what;
    }
}

class TextWidgetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.IsReady());
        h.LoadFonts();
        ASSERT_TRUE(h.WriteImageSet("uigis/txt.gis", {{u"cap_off.png", {{200, 40, 0xFF0000FFu}}},
                                                     {u"cap_over.png", {{200, 40, 0xFF00FFFFu}}},
                                                     {u"plate.png", {{200, 40, 0xFF00FF00u}}}}))
            << h.Log().Joined();
        ASSERT_TRUE(h.WritePicture("cg/plate.png", gxtest::TestPicture(200, 40, 0xFFFF0000u)));
    }

    template <class T>
    T* Make(int32_t type, const char16_t* set, const char16_t* image, int32_t fontIndex = 3)
    {
        DBUIModuleData m;
        m.ID = 4;
        m.UIType = type;
        m.ModuleName = u"mod_txt";
        m.ImageSetName = set;
        m.ImageName = image;
        m.FontIndex = fontIndex;
        m.ClientWidth = 200;
        m.ClientHeight = 40;
        auto* w = dynamic_cast<T*>(h.CreateFromModule(m, u"txt", 0));
        if (w) {
            w->SetPos(GxVector3(100.0f, 100.0f, 0.0f));
            w->SetOrderZ(static_cast<float>(++order));
        }
        return w;
    }

    UIHarness h;
    int32_t order = 0;
};

TEST_F(TextWidgetTest, ConstructorDefaultsAndTheFontIndex)
{
    auto* panel = new GxTaskUITextPanelIs(h.Screen(), nullptr, u"p", 0);
    EXPECT_EQ(panel->GetTaskType(), 17);
    EXPECT_EQ(panel->GetTextFontIndex(), 2);
    EXPECT_EQ(panel->GetTextFontSize(), 23);
    EXPECT_EQ(panel->GetTextColor(), 0xFFFFFFFFu);
    EXPECT_EQ(panel->GetEdgeColor(), 0x80000000u);
    EXPECT_TRUE(panel->GetUseEdge());
    EXPECT_EQ(panel->GetAutoAlign(), 1);
    panel->SetTextFontIndex(0);
    EXPECT_EQ(panel->GetTextFontSize(), 11);
    panel->SetTextFontIndex(5);
    EXPECT_EQ(panel->GetTextFontSize(), 38);

    // An index naming no system font is logged and the default font taken.
    for (int32_t bad : {-1, 6, 1000}) {
        panel->SetTextFontIndex(bad);
        EXPECT_EQ(panel->GetTextFontIndex(), 2) << bad;
        EXPECT_EQ(panel->GetTextFontSize(), 23) << bad;
    }
    EXPECT_TRUE(h.Logged("GxTaskUITextPanelIs/SetTextFontIndex: no system font 6, font 2 taken")) << h.Log().Joined();

    // From the module's FontIndex column, through the program's factory.
    auto* button = Make<GxTaskUITextButtonIs>(21, u"txt", u"cap", 0);
    EXPECT_EQ(button->GetTextFontSize(), 11);
    auto* fx = Make<GxTaskUITextPanelFx>(11, u"cg/", u"plate", 9);
    EXPECT_EQ(fx->GetTextFontIndex(), 2);
    EXPECT_EQ(fx->GetTextFontSize(), 23);
    EXPECT_TRUE(h.Logged("GxTaskUITextPanelFx/SetTextFontIndex: no system font 9")) << h.Log().Joined();
}

TEST_F(TextWidgetTest, GlyphsOfATextButtonWithOutlineAlphaScaleAndRotation)
{
    auto* button = Make<GxTaskUITextButtonIs>(21, u"txt", u"cap");
    h.EnterScreen();
    button->SetText(u"あいうえ");
    button->SetTextColor(0xFF00FF00u);
    button->SetEdgeColor(0xFF800000u);

    auto quads = Quads(h.Frame(16));
    ASSERT_EQ(quads.size(), 1u + 4u * 5u);
    EXPECT_EQ(quads[0].w, 200.0f);  // the picture first
    // Per character: the outline at the four diagonal offsets, then the glyph.
    for (size_t i = 0; i < 4; ++i) {
        const float x = 100.0f + 52.0f + 24.0f * static_cast<float>(i);
        std::vector<std::pair<float, float>> edge;
        for (size_t k = 0; k < 4; ++k) {
            const Quad& q = quads[1 + i * 5 + k];
            EXPECT_EQ(q.diffuse, 0xFF800000u);
            edge.emplace_back(q.x - x, q.y - 100.0f);
        }
        EXPECT_EQ(edge, (std::vector<std::pair<float, float>>{{-1, -1}, {1, 1}, {1, -1}, {-1, 1}}));
        const Quad& glyph = quads[1 + i * 5 + 4];
        EXPECT_EQ(glyph.diffuse, 0xFF00FF00u);
        EXPECT_FLOAT_EQ(glyph.x, x);
        EXPECT_FLOAT_EQ(glyph.y, 100.0f);
        EXPECT_FLOAT_EQ(glyph.w, 24.0f);
    }

    // Alpha 128 halves the text and outline alpha.
    button->SetAlpha(128);
    quads = Quads(h.Frame(16));
    EXPECT_EQ(WithColour(quads, 0x8000FF00u).size(), 4u);
    EXPECT_EQ(WithColour(quads, 0x80800000u).size(), 16u);
    button->SetAlpha(255);

    // Scale 2 doubles the offsets and the glyphs; rotation turns the picture, never the text.
    button->GetVisualParam().m_Scale = GxVector3(2.0f, 2.0f, 1.0f);
    button->GetVisualParam().m_Rot = GxVector3(0.0f, 0.0f, 90.0f);
    quads = Quads(h.Frame(16));
    const auto glyphs = WithColour(quads, 0xFF00FF00u);
    ASSERT_EQ(glyphs.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(glyphs[i].x, 100.0f + 2.0f * (52.0f + 24.0f * static_cast<float>(i)));
        EXPECT_FLOAT_EQ(glyphs[i].w, 48.0f);
        EXPECT_FLOAT_EQ(glyphs[i].h, 48.0f);
    }
    EXPECT_NEAR(quads[0].w, 80.0f, 0.01f);  // the 200 x 40 picture, doubled and turned upright
}

TEST_F(TextWidgetTest, PicturesUnderTheText)
{
    auto* button = Make<GxTaskUITextButtonIs>(21, u"txt", u"cap");
    auto* panelIs = Make<GxTaskUITextPanelIs>(17, u"txt", u"plate");
    auto* panelFx = Make<GxTaskUITextPanelFx>(11, u"cg/", u"plate");
    auto* bare = Make<GxTaskUITextPanelFx>(11, u"cg/", u"");
    h.EnterScreen();
    EXPECT_EQ(bare->GetClientWidth(), 200);
    for (GxTaskUIBase* w : {static_cast<GxTaskUIBase*>(button), static_cast<GxTaskUIBase*>(panelIs),
                            static_cast<GxTaskUIBase*>(panelFx), static_cast<GxTaskUIBase*>(bare)})
        w->SetText(u"a");
    button->SetTextColor(0xFF00FF00u);
    panelIs->SetTextColor(0xFF00FF01u);
    panelFx->SetTextColor(0xFF00FF02u);
    bare->SetTextColor(0xFF00FF03u);

    // Image alpha 0: the text button's picture ignores it, the picture panel's takes it.
    button->SetImageAlpha(0);
    panelIs->SetImageAlpha(0);
    panelFx->SetImageAlpha(0);
    auto quads = Quads(h.Frame(16));
    // button: picture + 5; image panel: pattern + 5; picture panel: two 128-pixel tiles + 5;
    // bare: 5.
    ASSERT_EQ(quads.size(), 6u + 6u + 7u + 5u);
    EXPECT_EQ(quads[0].diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(quads[5].diffuse, 0xFF00FF00u);
    EXPECT_EQ(quads[6].diffuse, 0xFFFFFFFFu);  // image panels never take m_ImageAlpha
    EXPECT_EQ(quads[11].diffuse, 0xFF00FF01u);
    EXPECT_EQ(quads[12].diffuse >> 24, 0u);    // the drawn panel does
    EXPECT_EQ(quads[13].diffuse >> 24, 0u);
    EXPECT_EQ(quads[18].diffuse, 0xFF00FF02u);
    EXPECT_EQ(quads[23].diffuse, 0xFF00FF03u);  // text alone
    // A one-letter caption is centred: (200 - 12) / 2.
    EXPECT_FLOAT_EQ(quads[23].x, 194.0f);

    // The text button draws its state picture: hovered, the over picture.
    h.Move(110, 110);
    h.Frame(16);
    EXPECT_EQ(button->GetImageIndex(), 2);

    // An empty text draws only the pictures.
    for (GxTaskUIBase* w : {static_cast<GxTaskUIBase*>(button), static_cast<GxTaskUIBase*>(panelIs),
                            static_cast<GxTaskUIBase*>(panelFx), static_cast<GxTaskUIBase*>(bare)})
        w->SetText(u"");
    EXPECT_EQ(Quads(h.Frame(16)).size(), 4u);

    // Not visible to the screen: nothing, text included.
    button->SetText(u"a");
    button->Hide();
    EXPECT_EQ(Quads(h.Frame(16)).size(), 3u);
}

// Replaces the value of a key in the text form.
std::string SetStored(std::string bytes, const std::string& key, const std::string& value)
{
    const size_t at = bytes.find("\t" + key + "\t");
    EXPECT_NE(at, std::string::npos) << key;
    if (at == std::string::npos) return bytes;
    const size_t from = at + key.size() + 2;
    return bytes.replace(from, bytes.find('\n', from) - from, value);
}

TEST_F(TextWidgetTest, StoredFormKeepsTheStoredSize)
{
    auto* a = Make<GxTaskUITextButtonIs>(21, u"txt", u"cap", 0);
    a->SetTextColor(0x11223344u);
    a->SetEdgeColor(0x55667788u);
    a->SetAutoAlign(0);
    a->SetText(u"ok");
    const std::string bytes =
        GxContentWriteToString(GxContentForm::Text, [&](GxContentWriterBase& w) { EXPECT_TRUE(a->WriteContent(w)); });
    const char* keys[] = {"m_PatternIndex", "m_TextFontIndex", "m_TextFontSize", "m_TextColor",
                          "m_EdgeColor",    "m_UseEdge",       "m_AutoAlign"};
    for (size_t i = 1; i < std::size(keys); ++i)
        EXPECT_LT(bytes.find(std::string("\t") + keys[i - 1] + "\t"), bytes.find(std::string("\t") + keys[i] + "\t"))
            << keys[i];

    struct Case
    {
        const char* index;
        int32_t expectIndex;
        bool logged;
    };
    const Case cases[] = {{"0", 0, false}, {"3", 3, false}, {"7", 2, true}, {"-2", 2, true}};
    for (const Case& c : cases) {
        auto* b = Make<GxTaskUITextButtonIs>(21, u"txt", u"cap", 5);
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, SetStored(SetStored(bytes, "m_TextFontIndex", c.index), "m_UseEdge", "0"));
        GxContentTextReader r(buffer);
        ASSERT_TRUE(b->ReadContent(r)) << h.Log().Joined();
        EXPECT_TRUE(r.IsEnd());
        EXPECT_EQ(b->GetTextFontIndex(), c.expectIndex) << c.index;
        EXPECT_EQ(b->GetTextFontSize(), 11) << c.index;  // the stored size, whatever the index
        EXPECT_EQ(b->GetTextColor(), 0x11223344u);
        EXPECT_EQ(b->GetEdgeColor(), 0x55667788u);
        EXPECT_FALSE(b->GetUseEdge());
        EXPECT_EQ(b->GetAutoAlign(), 0);
        EXPECT_EQ(b->GetText(), u"ok");
        EXPECT_EQ(h.Logged(std::string("GxTaskUITextButtonIs/ReadContent: no system font ") + c.index), c.logged);
        b->SetTextFontIndex(3);
        EXPECT_EQ(b->GetTextFontSize(), 24);
        b->Kill();
    }

    // Without the outline only the glyphs are drawn.
    auto* b = Make<GxTaskUITextButtonIs>(21, u"txt", u"cap", 5);
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, SetStored(bytes, "m_UseEdge", "0"));
    GxContentTextReader r(buffer);
    ASSERT_TRUE(b->ReadContent(r));
    a->Kill();
    h.EnterScreen();
    EXPECT_EQ(Quads(h.Frame(16)).size(), 1u + 2u);
}

}  // namespace

// The text button's draw key (what lets a still screen go undrawn): every input of its drawing
// changes it; the other text widgets, whose pictures do not answer, have none.
TEST_F(TextWidgetTest, TheTextButtonsDrawKeyChangesWithEverythingItDraws)
{
    struct Change
    {
        const char* name;
        std::function<void(GxTaskUITextButtonIs&)> change;
    };
    const Change changes[] = {
        {"text", [](GxTaskUITextButtonIs& b) { b.SetText(u"あいうお"); }},
        {"text colour", [](GxTaskUITextButtonIs& b) { b.SetTextColor(0xFF00FF01u); }},
        {"outline colour", [](GxTaskUITextButtonIs& b) { b.SetEdgeColor(0xFF800001u); }},
        {"font", [](GxTaskUITextButtonIs& b) { b.SetTextFontIndex(0); }},
        {"alignment", [](GxTaskUITextButtonIs& b) { b.SetAutoAlign(0); }},
        {"client rectangle", [](GxTaskUITextButtonIs& b) { b.SetClientRect(2, 2, 100, 20); }},
        {"position", [](GxTaskUITextButtonIs& b) { b.SetPos(GxVector3(101.0f, 100.0f, 0.0f)); }},
        {"alpha", [](GxTaskUITextButtonIs& b) { b.SetAlpha(200); }},
        {"scale", [](GxTaskUITextButtonIs& b) { b.GetVisualParam().m_Scale = GxVector3(2.0f, 2.0f, 1.0f); }},
    };
    // Made before the screen is entered, as its widgets are: it takes the pointer.
    auto* hovered = Make<GxTaskUITextButtonIs>(21, u"txt", u"cap");
    hovered->SetPos(GxVector3(100.0f, 300.0f, 0.0f));
    hovered->SetText(u"あいうえ");
    h.EnterScreen();
    for (const Change& c : changes) {
        auto* button = Make<GxTaskUITextButtonIs>(21, u"txt", u"cap");
        button->SetText(u"あいうえ");
        button->SetTextColor(0xFF00FF00u);
        button->SetEdgeColor(0xFF800000u);
        h.Frame(16);
        GxDrawKey before, again, after;
        ASSERT_TRUE(button->AppendDrawKey(before, 0, 5)) << c.name;
        ASSERT_TRUE(button->AppendDrawKey(again, 0, 5)) << c.name;
        EXPECT_TRUE(again == before) << c.name;
        c.change(*button);
        h.Frame(16);
        ASSERT_TRUE(button->AppendDrawKey(after, 0, 5)) << c.name;
        EXPECT_FALSE(after == before) << c.name;
        button->Kill();
    }
    // The pointer over the button: its over picture.
    h.Frame(16);
    GxDrawKey off, over;
    ASSERT_TRUE(hovered->AppendDrawKey(off, 0, 5));
    h.Move(150.0f, 310.0f);
    h.Frame(16);
    ASSERT_TRUE(hovered->AppendDrawKey(over, 0, 5));
    EXPECT_FALSE(over == off) << "the over picture";

}
