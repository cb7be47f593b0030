// The panels on the headless stage: picture names from the module and from an image path, the
// load table (sizes, client defaults, missing sets and images), texture references, the
// animation, presses that an animated panel lets through, the recorded colours of both kinds and
// the stored form of the image panel.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/task/GxTaskManage.h"
#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "game/DBUILayout.h"
#include "game/DBUIModule.h"
#include "graphics/GxResourceFactory.h"
#include "graphics/GxTextureFlex.h"
#include "layer/GxNcImageSet.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxUIHarness.h"
#include "ui/GxTaskUIWidgets.h"

namespace {

using gxtest::UIHarness;

DBUIModuleData Module(int32_t type, const char16_t* set, const char16_t* image)
{
    DBUIModuleData m;
    m.ID = 1;
    m.UIType = type;
    m.ModuleName = u"mod";
    m.ImageSetName = set;
    m.ImageName = image;
    m.AnimeSpeed = 2;
    return m;
}

// The drawn quads of a frame: the vertices of each textured draw.
std::vector<std::vector<GxScreenVertex>> Quads(const std::vector<GxDeviceCall>& calls)
{
    std::vector<std::vector<GxScreenVertex>> out;
    for (const auto& c : calls)
        if (c.op == GxDeviceOp::DrawPrimitiveUP && !c.vertices.empty()) out.push_back(c.vertices);
    return out;
}

class PanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.IsReady());
        ASSERT_TRUE(h.WriteImageSet("uigis/common.gis",
                                    {{u"ok.png", {{40, 30, 0xFF00FF00u}, {20, 10, 0xFF0000FFu}}},
                                     {u"four.png", {{8, 8, 0xFF101010u}, {8, 8, 0xFF202020u}, {8, 8, 0xFF303030u},
                                                    {8, 8, 0xFF404040u}}}}))
            << h.Log().Joined();
        ASSERT_TRUE(h.WritePicture("cg/box.png", gxtest::TestPicture(100, 50, 0xFFFF0000u)));
    }

    UIHarness h;
};

TEST(ImagePathSplit, FolderBecomesTheSetAndTheRestTheImage)
{
    struct Case
    {
        std::u16string path, set, image;
    };
    const Case cases[] = {
        {u"uigis/common/ok", u"uigis/common.gis", u"ok"},
        {u"uigis\\common\\ok", u"uigis\\common.gis", u"ok"},
        {u"drive:ok", u"drive.gis", u"ok"},
        {u"a/b\\c:d", u"a/b\\c.gis", u"d"},
        {u"uigis/common/", u"uigis/common.gis", u""},
        {u"ok", u".gis", u"ok"},
    };
    for (const Case& c : cases) {
        std::u16string set, image;
        GxUISplitImageSetPath(c.path, set, image);
        EXPECT_EQ(set, c.set);
        EXPECT_EQ(image, c.image);
    }
}

TEST_F(PanelTest, ImagePanelLoadTable)
{
    struct Case
    {
        const char* what;
        int32_t type;
        const char16_t* set;
        const char16_t* image;
        int32_t width, height, clientLeft, clientTop;
        bool loaded;
        int32_t expectWidth, expectHeight, expectClientWidth, expectClientHeight;
        const char* log;  // a logged line that must appear, or null
    };
    const Case cases[] = {
        {"size from the first pattern", 15, u"common", u"ok", 0, 0, 0, 0, true, 40, 30, 40, 30, nullptr},
        {"module width wins", 15, u"common", u"ok", 200, 0, 0, 0, true, 200, 30, 200, 30, nullptr},
        {"client offset on each side", 15, u"common", u"ok", 100, 0, 8, 2, true, 100, 30, 84, 26, nullptr},
        {"empty image name", 15, u"common", u"", 50, 60, 0, 0, true, 0, 0, 0, 0, nullptr},
        {"missing set", 15, u"none", u"ok", 0, 0, 0, 0, false, 0, 0, 0, 0,
         "GxTaskUIPanelIs/ImageSet wasn't Loaded:uigis/none.gis [/p[0]:15]"},
        {"missing image", 15, u"common", u"nope", 7, 0, 0, 0, false, 7, 0, 0, 0,
         "GxTaskUIPanelIs/Image not found:nope [/p[0]:15]"},
        {"animated: size from the pattern", 16, u"common", u"four", 0, 0, 0, 0, true, 8, 8, 8, 8, nullptr},
        {"animated: empty name is looked up", 16, u"common", u"", 0, 0, 0, 0, false, 0, 0, 0, 0,
         "GxTaskUIAnimePanelIs/Image not found:.png[/p[0]:16]"},
        {"animated: missing set", 16, u"none", u"four", 0, 0, 0, 0, false, 0, 0, 0, 0,
         "GxTaskUIAnimePanelIs/ImageSet wasn't Loaded:uigis/none.gis[/p[0]:16]"},
    };
    for (const Case& c : cases) {
        h.Log();
        DBUIModuleData m = Module(c.type, c.set, c.image);
        m.Width = c.width;
        m.Height = c.height;
        m.ClientLeft = c.clientLeft;
        m.ClientTop = c.clientTop;
        auto* w = static_cast<GxTaskUIPanelIs*>(h.CreateFromModule(m, u"p", 0));
        ASSERT_NE(w, nullptr) << c.what;
        EXPECT_EQ(w->GetImageSetName(), std::u16string(u"uigis/") + c.set + u".gis") << c.what;
        EXPECT_EQ(w->LoadImages(), c.loaded) << c.what;
        EXPECT_EQ(w->GetOriginImage() != nullptr, c.loaded && c.image[0] != 0) << c.what;
        EXPECT_EQ(w->GetWidth(), c.expectWidth) << c.what;
        EXPECT_EQ(w->GetHeight(), c.expectHeight) << c.what;
        EXPECT_EQ(w->GetClientWidth(), c.expectClientWidth) << c.what;
        EXPECT_EQ(w->GetClientHeight(), c.expectClientHeight) << c.what;
        if (c.log) EXPECT_TRUE(h.Logged(c.log)) << c.what << "\n" << h.Log().Joined();
        w->Kill();
        h.Frame(16);
    }
}

TEST_F(PanelTest, PathOfTheImagePanelAndPatternCount)
{
    auto* w = static_cast<GxTaskUIPanelIs*>(h.CreateFromModule(Module(15, u"x", u"y"), u"p", 0));
    ASSERT_TRUE(w->LoadImageSet(u"uigis/common/four"));
    EXPECT_EQ(w->GetImageSetName(), u"uigis/common.gis");
    EXPECT_EQ(w->GetImageName(), u"four");
    EXPECT_EQ(w->GetPatternCount(), 0);
    ASSERT_TRUE(w->LoadImages());
    EXPECT_EQ(w->GetPatternCount(), 4);
    w->SetPatternIndex(9);  // kept as given
    EXPECT_EQ(w->GetPatternIndex(), 9);
    w->ReleaseImages();
    EXPECT_EQ(w->GetPatternCount(), 0);
}

TEST_F(PanelTest, DrawnPanelTakesItsPictureAndHoldsOneReference)
{
    GxTextureFlexFactory& factory = GxGetTextureFlexFactory();
    DBUIModuleData m = Module(8, u"cg/", u"box");
    m.ClientLeft = 8;
    auto* w = static_cast<GxTaskUIPanelFx*>(h.CreateFromModule(m, u"p", 0));
    EXPECT_EQ(w->GetImageFile(), u"cg/box.png");
    ASSERT_TRUE(w->LoadImages());
    EXPECT_EQ(w->GetWidth(), 100);
    EXPECT_EQ(w->GetHeight(), 50);
    EXPECT_EQ(w->GetClientWidth(), 84);
    EXPECT_EQ(w->GetClientHeight(), 50);
    GxTextureFlex* first = w->GetTexture();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(factory.GetCount(), 1);
    // Reloading the same file keeps the very texture alive.
    ASSERT_TRUE(w->LoadImages());
    EXPECT_EQ(w->GetTexture(), first);
    EXPECT_EQ(factory.GetCount(), 1);

    // A missing file: no texture, 0 x 0, the old reference given back.
    ASSERT_TRUE(w->LoadImageSet(u"cg/none.png"));
    EXPECT_FALSE(w->LoadImages());
    EXPECT_EQ(w->GetTexture(), nullptr);
    EXPECT_EQ(w->GetWidth(), 0);
    EXPECT_EQ(factory.GetCount(), 0);

    ASSERT_TRUE(w->LoadImageSet(u"cg/box.png"));
    ASSERT_TRUE(w->LoadImages());
    EXPECT_EQ(factory.GetCount(), 1);
    delete w;  // the destructor gives the reference back
    EXPECT_EQ(factory.GetCount(), 0);
}

TEST_F(PanelTest, DrawnPanelWithoutImageNameTakesNoPointerArea)
{
    DBUIModuleData m = Module(8, u"cg/", u"");
    m.Width = 300;
    m.Height = 300;
    auto* w = static_cast<GxTaskUIPanelFx*>(h.CreateFromModule(m, u"p", 0));
    EXPECT_EQ(w->GetImageFile(), u"");
    h.EnterScreen();  // the enter walk loads
    EXPECT_EQ(w->GetWidth(), 0);
    EXPECT_EQ(w->GetHeight(), 0);
    EXPECT_EQ(h.Move(0, 0), 0);
    EXPECT_EQ(h.Down(0, 0), 0);
    EXPECT_EQ(w->GetHoverCount(), 0);
    EXPECT_TRUE(Quads(h.Frame(16)).empty());
}

TEST_F(PanelTest, AnimationStepsEveryAnimeSpeedUpdates)
{
    struct Case
    {
        int32_t speed;
        std::vector<int32_t> indices;  // after each update
    };
    const Case cases[] = {
        {1, {1, 2, 3, 0, 1}},
        {2, {1, 1, 2, 2, 3}},
        {3, {1, 1, 1, 2, 2}},
        {0, {0, 0, 0, 0, 0}},
        {-1, {1, 2, 3, 0, 1}},
    };
    h.EnterScreen();
    for (const Case& c : cases) {
        DBUIModuleData m = Module(16, u"common", u"four");
        m.AnimeSpeed = c.speed;
        auto* w = static_cast<GxTaskUIPanelIs*>(h.CreateFromModule(m, u"a", 0));
        ASSERT_TRUE(w->LoadImages());
        std::vector<int32_t> got;
        for (size_t i = 0; i < c.indices.size(); ++i) {
            h.Frame(16);
            got.push_back(w->GetPatternIndex());
        }
        EXPECT_EQ(got, c.indices) << c.speed;
        w->Kill();
        h.Frame(16);
    }
    // Without an image the index stays.
    auto* w = static_cast<GxTaskUIPanelIs*>(h.CreateFromModule(Module(16, u"none", u"four"), u"a", 0));
    EXPECT_FALSE(w->LoadImages());
    h.Frame(16);
    h.Frame(16);
    EXPECT_EQ(w->GetPatternIndex(), 0);
}

TEST_F(PanelTest, AnAnimatedPanelPostsItsPressButLetsItThrough)
{
    DBUIModuleData front = Module(16, u"common", u"four");
    front.Width = 100;
    front.Height = 100;
    DBUIModuleData back = Module(15, u"common", u"ok");
    back.Width = 100;
    back.Height = 100;
    // The walk offers the earliest child first: the animated panel sees the press first.
    GxTaskUIBase* anime = h.CreateFromModule(front, u"anime", 0);
    GxTaskUIBase* panel = h.CreateFromModule(back, u"panel", 0);
    h.EnterScreen();
    EXPECT_FALSE(anime->GetEventBlockFlag());
    EXPECT_EQ(h.Move(50, 50), 1);  // the panel behind consumes the move
    EXPECT_EQ(anime->GetHoverCount(), 1);
    EXPECT_EQ(h.Down(50, 50), 1);
    EXPECT_EQ(anime->GetEventState(), 1);
    EXPECT_EQ(panel->GetEventState(), 1);
    h.Frame(16);
    std::vector<std::pair<GxTaskUIBase*, int32_t>> got;
    for (const auto& e : h.Events()) got.emplace_back(e.sender, e.type);
    EXPECT_EQ(got, (std::vector<std::pair<GxTaskUIBase*, int32_t>>{{anime, 7}, {panel, 7}, {anime, 1}, {panel, 1}}));
}

TEST_F(PanelTest, RecordedColoursOfBothPanels)
{
    auto* fx = static_cast<GxTaskUIPanelFx*>(h.CreateFromModule(Module(8, u"cg/", u"box"), u"fx", 0));
    auto* is = static_cast<GxTaskUIPanelIs*>(h.CreateFromModule(Module(15, u"common", u"ok"), u"is", 0));
    fx->SetPos(GxVector3(10.0f, 20.0f, 0.0f));
    fx->SetOrderZ(1.0f);
    is->SetPos(GxVector3(300.0f, 400.0f, 0.0f));
    is->SetOrderZ(2.0f);
    for (GxTaskUIBase* w : {static_cast<GxTaskUIBase*>(fx), static_cast<GxTaskUIBase*>(is)}) {
        w->SetColor0(GxFColor(1.0f, 0.5f, 0.0f, 1.0f));
        w->GetVisualParam().m_Color1 = GxFColor(0.2f, 0.4f, 0.6f, 1.0f);
    }
    h.EnterScreen();

    struct Case
    {
        int32_t alpha, imageAlpha;
        uint32_t fxDiffuse, isDiffuse, specular;
    };
    const Case cases[] = {
        {255, 255, 0xFFFF7F00u, 0xFFFF7F00u, 0xFF336699u},
        {255, 128, 0x80FF7F00u, 0xFFFF7F00u, 0xFF336699u},  // the image alpha reaches the drawn panel only
        {128, 128, 0x40FF7F00u, 0x80FF7F00u, 0x80336699u},
        {128, 255, 0x80FF7F00u, 0x80FF7F00u, 0x80336699u},
    };
    for (const Case& c : cases) {
        for (GxTaskUIBase* w : {static_cast<GxTaskUIBase*>(fx), static_cast<GxTaskUIBase*>(is)}) {
            w->SetAlpha(c.alpha);
            w->SetImageAlpha(c.imageAlpha);
        }
        const auto calls = h.Frame(16);
        const auto quads = Quads(calls);
        ASSERT_EQ(quads.size(), 2u) << c.alpha << "/" << c.imageAlpha;
        EXPECT_EQ(quads[0][0].diffuse, c.fxDiffuse) << std::hex << quads[0][0].diffuse;
        EXPECT_EQ(quads[1][0].diffuse, c.isDiffuse) << std::hex << quads[1][0].diffuse;
        EXPECT_EQ(quads[0][0].specular, c.specular) << std::hex << quads[0][0].specular;
        // The pattern takes colour 1 as it is.
        EXPECT_EQ(quads[1][0].specular, 0xFF336699u) << std::hex << quads[1][0].specular;
    }
    // Placement: the picture from its position (texel centres shifted by half a pixel), the
    // pattern from the panel's.
    const auto quads = Quads(h.Frame(16));
    auto minX = [](const std::vector<GxScreenVertex>& v) {
        float m = v[0].x;
        for (const auto& p : v) m = std::min(m, p.x);
        return m;
    };
    EXPECT_FLOAT_EQ(minX(quads[0]), 9.5f);
    EXPECT_NEAR(minX(quads[1]), 300.0f, 0.5f);
    // One scene at the device, point filtering.
    const auto calls = h.Frame(16);
    size_t scenes = 0;
    for (const auto& c : calls) scenes += c.op == GxDeviceOp::BeginScene ? 1 : 0;
    EXPECT_EQ(scenes, 1u);

    // Hidden, not visible to the screen, or a pattern outside the image: nothing drawn.
    fx->Hide();
    is->SetPatternIndex(2);
    EXPECT_TRUE(Quads(h.Frame(16)).empty());
    is->SetPatternIndex(1);
    ASSERT_EQ(Quads(h.Frame(16)).size(), 1u);
}

TEST_F(PanelTest, ImagePanelStorageRoundTripFindsThePictureAgain)
{
    for (GxContentForm form : {GxContentForm::Binary, GxContentForm::Text}) {
        auto* a = static_cast<GxTaskUIPanelIs*>(h.CreateFromModule(Module(15, u"common", u"four"), u"a", 0));
        ASSERT_TRUE(a->LoadImages());
        a->SetPatternIndex(3);
        a->SetEventState(7);
        a->SetHoverCount(1);
        const std::string bytes =
            GxContentWriteToString(form, [&](GxContentWriterBase& w) { EXPECT_TRUE(a->WriteContent(w)); });

        auto* b = static_cast<GxTaskUIPanelIs*>(h.CreateFromModule(Module(15, u"common", u"ok"), u"b", 0));
        ASSERT_TRUE(b->LoadImages());
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, bytes);
        std::unique_ptr<GxContentReaderBase> r;
        if (form == GxContentForm::Text) r = std::make_unique<GxContentTextReader>(buffer);
        else r = std::make_unique<GxContentBinaryReader>(buffer);
        ASSERT_TRUE(b->ReadContent(*r)) << h.Log().Joined();
        EXPECT_TRUE(r->IsEnd());
        EXPECT_EQ(b->GetImageName(), u"four");
        EXPECT_EQ(b->GetImageSetName(), u"uigis/common.gis");
        EXPECT_EQ(b->GetPatternIndex(), 3);
        EXPECT_EQ(b->GetOriginImage(), nullptr);  // dropped until the next load
        EXPECT_EQ(b->GetEventState(), 0);
        EXPECT_EQ(b->GetHoverCount(), 0);
        ASSERT_TRUE(b->LoadImages());
        EXPECT_EQ(b->GetOriginImage(), a->GetOriginImage());
        a->Kill();
        b->Kill();
        h.Frame(16);
    }
}

}  // namespace
