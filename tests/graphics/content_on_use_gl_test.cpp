// What start-up makes only when it is first used, on the GL device: pictures decoded at their
// first use (image-set pages through the program's own page loader, factory-made tiled
// pictures), and a render target cleared whole before it has storage, which holds that one
// colour without any.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/GxString.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxResourceFactory.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"
#include "graphics_test_support.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcImageSet.h"
#include "platform/GxDeviceCore.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxNcWriter.h"
#include "tests/support/GxPackWriter.h"
#include "tests/support/GxPictureWriter.h"

namespace {

class ContentOnUseGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        GxTestResetFileLayer();
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory(nullptr);
        ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr)) << GxWideToUtf8(logs.Error());
    }
    void TearDown() override
    {
        GxGetNcCrammedImageSetFactory().ReleaseAll();
        GxGetTextureFactory().ReleaseAll();
        GxGetTextureFlexFactory().ReleaseAll();
        GxGraphics::Release();
        GxTestResetFileLayer();
    }

    bool Write(const std::string& path, const std::vector<uint8_t>& bytes) { return m_Folder.Write(path, bytes); }

    // Whether the texture's pixels were made: a CPU copy or the GPU's storage.
    static bool Made(GxDeviceTexture* t)
    {
        auto* core = dynamic_cast<GxCoreTexture*>(t);
        return core && (core->LevelAt(0).bits != nullptr || core->nativeTexture != 0);
    }

    static GxPixelImage Read(GxDeviceTexture* t)
    {
        GxPixelImage image;
        EXPECT_EQ(GxGraphics::GetDevice()->ReadTexture(t, 0, &image), GX_OK);
        return image;
    }

    // A PNG whose header is sound and whose pixel data is not.
    static std::vector<uint8_t> Damaged(std::vector<uint8_t> png)
    {
        for (size_t i = 60; i + 16 < png.size(); i += 7) png[i] ^= 0x5A;
        return png;
    }

    GxTestGameFolder m_Folder;
    gxtest::LogFolder logs;
};

}  // namespace

// The same picture through the eager load and the one at first use: the same texture, and the
// same pixels once used; nothing made before.
TEST_F(ContentOnUseGL, APictureIsDecodedAtItsFirstUseIntoTheSamePixels)
{
    const gxtest::TestPicture picture = gxtest::MakeTestPicture(40, 20, true, 7);
    ASSERT_TRUE(Write("cg/pic.png", gxtest::WritePngRgba(picture)));
    for (GxFormat format : {GXFMT_A8R8G8B8, GXFMT_A4R4G4B4}) {
        SCOPED_TRACE(format);
        GxTexture eager, lazy;
        ASSERT_TRUE(eager.CreateFromFile(u"cg/pic.png", format, 1, picture.At(3, 4), false));
        ASSERT_TRUE(lazy.CreateFromFileOnUse(u"cg/pic.png", format, picture.At(3, 4)));
        EXPECT_EQ(lazy.GetWidth(), eager.GetWidth());
        EXPECT_EQ(lazy.GetHeight(), eager.GetHeight());
        EXPECT_EQ(lazy.GetImageWidth(), 40u);
        EXPECT_EQ(lazy.GetFormat(), eager.GetFormat());
        EXPECT_EQ(lazy.GetRefCount(), 1u);
        EXPECT_FALSE(Made(lazy.GetD3DTexture())) << "nothing decoded before the first use";
        EXPECT_EQ(Read(lazy.GetD3DTexture()).pixels, Read(eager.GetD3DTexture()).pixels);
        EXPECT_TRUE(Made(lazy.GetD3DTexture()));
        EXPECT_EQ(Read(lazy.GetD3DTexture()).At(3, 4), 0u) << "the colour key applies";
    }

    GxTextureFlex eagerFlex, lazyFlex;
    const gxtest::TestPicture wide = gxtest::MakeTestPicture(300, 130, false, 3);
    ASSERT_TRUE(Write("cg/wide.png", gxtest::WritePngRgba(wide)));
    ASSERT_TRUE(eagerFlex.CreateFromFile(u"cg/wide.png", GXFMT_UNKNOWN, wide.At(10, 10)));
    ASSERT_TRUE(lazyFlex.CreateFromFileOnUse(u"cg/wide.png", GXFMT_UNKNOWN, wide.At(10, 10)));
    ASSERT_EQ(lazyFlex.GetColumns(), 3u);
    ASSERT_EQ(lazyFlex.GetRows(), 2u);
    EXPECT_EQ(lazyFlex.GetImageWidth(), 300u);
    EXPECT_EQ(lazyFlex.GetColorKey(), wide.At(10, 10));
    for (uint32_t r = 0; r < 2; ++r)
        for (uint32_t c = 0; c < 3; ++c) EXPECT_FALSE(Made(lazyFlex.GetTile(c, r)));
    // Tiles used in any order take their own blocks.
    for (uint32_t r : {1u, 0u})
        for (uint32_t c : {2u, 0u, 1u})
            EXPECT_EQ(Read(lazyFlex.GetTile(c, r)).pixels, Read(eagerFlex.GetTile(c, r)).pixels) << c << "," << r;
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());
}

TEST_F(ContentOnUseGL, AMissingFileFailsAtOnceAndDamagedPixelsAreReportedAtTheFirstUse)
{
    GxTexture missing;
    EXPECT_FALSE(missing.CreateFromFileOnUse(u"cg/none.png", GXFMT_A8R8G8B8, 0));
    EXPECT_EQ(missing.GetRefCount(), 0u);
    GxTextureFlex missingFlex;
    EXPECT_FALSE(missingFlex.CreateFromFileOnUse(u"cg/none.png", GXFMT_UNKNOWN, 0));
    ASSERT_TRUE(m_Folder.Write("cg/nopicture.png", "not a picture at all"));
    EXPECT_FALSE(missing.CreateFromFileOnUse(u"cg/nopicture.png", GXFMT_A8R8G8B8, 0));
    EXPECT_FALSE(missingFlex.CreateFromFileOnUse(u"cg/nopicture.png", GXFMT_UNKNOWN, 0));

    ASSERT_TRUE(Write("cg/bad.png", Damaged(gxtest::WritePngRgba(gxtest::MakeTestPicture(200, 150, false, 5)))));
    const std::u16string before = logs.Error();
    GxTexture bad;
    GxTextureFlex badFlex;
    ASSERT_TRUE(bad.CreateFromFileOnUse(u"cg/bad.png", GXFMT_A8R8G8B8, 0));
    ASSERT_TRUE(badFlex.CreateFromFileOnUse(u"cg/bad.png", GXFMT_UNKNOWN, 0));
    EXPECT_EQ(logs.Error(), before) << "nothing is decoded yet";
    for (uint32_t px : Read(bad.GetD3DTexture()).pixels) ASSERT_EQ(px, 0u);
    for (uint32_t px : Read(badFlex.GetTile(1, 1)).pixels) ASSERT_EQ(px, 0u);
    for (uint32_t px : Read(badFlex.GetTile(0, 0)).pixels) ASSERT_EQ(px, 0u);
    const std::vector<std::u16string> lines = gxtest::Lines(logs.Error().substr(before.size()));
    ASSERT_EQ(lines.size(), 2u) << GxWideToUtf8(logs.Error());
    EXPECT_EQ(lines[0].rfind(u"Error/Texture CreateFromFile Failed(Name:\"cg/bad.png\"", 0), 0u);
    EXPECT_EQ(lines[1], u"Error/ImageLoadFromFile Failed(Name:\"cg/bad.png\")") << "once for all the tiles";
}

// A tiled picture loaded at once is decoded at once (a damaged one fails then), and its tiles
// go to the GPU at their first draw without a CPU copy; every band of the picture arrives,
// also those let go as soon as their row of tiles was made.
TEST_F(ContentOnUseGL, ALoadedTiledPictureIsCheckedAtLoadAndSentWithoutCopies)
{
    ASSERT_TRUE(Write("cg/bad.png", Damaged(gxtest::WritePngRgba(gxtest::MakeTestPicture(200, 150, false, 5)))));
    GxTextureFlex bad;
    EXPECT_FALSE(bad.CreateFromFile(u"cg/bad.png", GXFMT_UNKNOWN, 0));
    EXPECT_EQ(bad.GetColumns(), 0u);
    EXPECT_NE(logs.Error().find(u"Error/ImageLoadFromFile Failed(Name:\"cg/bad.png\")"), std::u16string::npos);
    const std::u16string before = logs.Error();

    const gxtest::TestPicture picture = gxtest::MakeTestPicture(300, 260, false, 9);
    ASSERT_TRUE(Write("cg/big.png", gxtest::WritePngRgba(picture)));
    GxTextureFlex flex;
    ASSERT_TRUE(flex.CreateFromFile(u"cg/big.png", GXFMT_A8R8G8B8, 0));
    ASSERT_EQ(flex.GetColumns(), 3u);
    ASSERT_EQ(flex.GetRows(), 3u);
    for (uint32_t r = 0; r < 3; ++r)
        for (uint32_t c = 0; c < 3; ++c) EXPECT_FALSE(Made(flex.GetTile(c, r))) << c << "," << r;

    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_TRUE(GxGraphics::BeginScene());
        GxGraphics::Clear(GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0, nullptr);
        GxGraphics::SetDefaultRenderState();
        GxGraphics::DrawTextureFlex(&flex, 0.0f, 0.0f, GxVector2(1, 1), GxVector3(), GxVector2(), 0xFFFFFFFFu, 0, 2);
        GxGraphics::EndScene();
        ASSERT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));
        GxPixelImage shown;
        ASSERT_EQ(GxGraphics::GetDevice()->ReadPresented(&shown), GX_OK);
        size_t wrong = 0;
        for (uint32_t y = 0; y < picture.height; ++y)
            for (uint32_t x = 0; x < picture.width; ++x) wrong += shown.At(x, y) != picture.At(x, y);
        EXPECT_EQ(wrong, 0u) << "frame " << frame;
    }
    for (uint32_t r = 0; r < 3; ++r) {
        for (uint32_t c = 0; c < 3; ++c) {
            auto* tile = dynamic_cast<GxCoreTexture*>(flex.GetTile(c, r));
            ASSERT_NE(tile, nullptr);
            EXPECT_NE(tile->nativeTexture, 0u);
            EXPECT_EQ(tile->LevelAt(0).bits, nullptr) << "no CPU copy of " << c << "," << r;
        }
    }
    // Read back from the GPU's copy.
    const GxPixelImage corner = Read(flex.GetTile(2, 2));
    EXPECT_EQ(corner.At(0, 0), picture.At(256, 256));
    EXPECT_EQ(corner.At(43, 3), picture.At(299, 259));
    EXPECT_EQ(corner.At(44, 0), 0u) << "outside the picture";
    EXPECT_EQ(logs.Error(), before);
}

// A texture made empty is drawn into by the CPU again and again: once drawn it keeps the copy
// that locks use; a loaded picture, written once, gives its copy up.
TEST_F(ContentOnUseGL, ATextureMadeEmptyKeepsItsCopyWhereAPictureGivesItUp)
{
    ASSERT_TRUE(Write("cg/pic.png", gxtest::WritePngRgba(gxtest::TestPicture(32, 32, 0xFF804020u))));
    GxTexture picture, page;
    ASSERT_TRUE(picture.CreateFromFile(u"cg/pic.png", GXFMT_A8R8G8B8, 1, 0, false));
    ASSERT_TRUE(page.CreateTexture(u"page", 64, 64, GXFMT_A4R4G4B4, 1));
    ASSERT_TRUE(page.FillRect(nullptr, 0xFFFFFFFFu));

    ASSERT_TRUE(GxGraphics::BeginScene());
    GxGraphics::Clear(GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0, nullptr);
    GxGraphics::SetDefaultRenderState();
    for (GxTexture* t : {&picture, &page})
        GxGraphics::DrawTexture(t, t == &page ? 100.0f : 0.0f, 0.0f, GxFRect(0, 0, 32, 32), GxVector2(1, 1),
                                GxVector3(), GxVector2(), GxVector2(), 0xFFFFFFFFu, 0, 1);
    GxGraphics::EndScene();
    ASSERT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));

    auto* pictureCore = dynamic_cast<GxCoreTexture*>(picture.GetD3DTexture());
    auto* pageCore = dynamic_cast<GxCoreTexture*>(page.GetD3DTexture());
    ASSERT_NE(pictureCore, nullptr);
    ASSERT_NE(pageCore, nullptr);
    EXPECT_NE(pictureCore->nativeTexture, 0u);
    EXPECT_NE(pageCore->nativeTexture, 0u);
    EXPECT_EQ(pictureCore->LevelAt(0).bits, nullptr) << "a picture's copy is let go";
    EXPECT_NE(pageCore->LevelAt(0).bits, nullptr) << "a drawing surface keeps its copy";
    EXPECT_FALSE(pageCore->gpuNewer);
    // The next write is the copy's, and reaches the GPU.
    const GxRectL corner{0, 0, 4, 4};
    ASSERT_TRUE(page.FillRect(&corner, 0xFF00FF00u));
    EXPECT_EQ(Read(page.GetD3DTexture()).At(1, 1), 0xFF00FF00u);
    EXPECT_EQ(Read(page.GetD3DTexture()).At(10, 10), 0xFFFFFFFFu);
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());
}

// Image-set pages through the program's own loader, and pictures of the tiled-texture factory:
// made when first drawn.
TEST_F(ContentOnUseGL, PagesAndFactoryPicturesAreDecodedWhenFirstDrawn)
{
    GxNcCrammedImageSet set;
    set.m_CrammedImageArray.resize(1);
    set.m_CrammedImageArray[0].m_FileName = u"pages_0.png";
    GxNcOriginImage& image = GxNcAddOriginImage(set, u"icon.png");
    GxNcAddPattern(image, 0, 0, 0, 16, 8, 0, 0);
    ASSERT_TRUE(GxNcWriteFileBytes(m_Folder.Path() + "/ui/pages.gis", GxNcImageSetToBytes(set, GxContentForm::Binary)));
    ASSERT_TRUE(Write("ui/pages_0.png", gxtest::WritePngRgba(gxtest::TestPicture(40, 20, 0xFF336699u))));
    ASSERT_TRUE(Write("cg/panel.png", gxtest::WritePngRgba(gxtest::TestPicture(150, 40, 0xFF996633u))));

    GxNcCrammedImageSet* loaded = GxGetNcCrammedImageSetFactory().GetCrammedImageSet(u"ui/pages.gis", true);
    ASSERT_NE(loaded, nullptr);
    GxTexture* page = loaded->m_CrammedImageArray[0].m_pTexture;
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->GetWidth(), 64u);
    GxTextureFlex* panel = GxGetTextureFlexFactory().GetTexture(u"cg/panel.png", GXFLEXKIND_FILE, 0, 0, GXFMT_UNKNOWN);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->GetImageWidth(), 150u);
    EXPECT_FALSE(Made(page->GetD3DTexture()));
    EXPECT_FALSE(Made(panel->GetTile(0, 0)));

    ASSERT_TRUE(GxGraphics::BeginScene());
    GxGraphics::Clear(GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0, nullptr);
    GxGraphics::SetDefaultRenderState();
    GxMatrix at;
    at.m[3][0] = 100.0f;
    at.m[3][1] = 100.0f;
    GxDrawCrammedPattern(loaded->FindOriginImage(u"icon.png"), 0, at, GxFColor(1, 1, 1, 1), GxFColor(), 2);
    GxGraphics::DrawTextureFlex(panel, 300.0f, 100.0f, GxVector2(1, 1), GxVector3(), GxVector2(), 0xFFFFFFFFu, 0, 2);
    GxGraphics::EndScene();
    ASSERT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));
    EXPECT_TRUE(Made(page->GetD3DTexture()));
    EXPECT_TRUE(Made(panel->GetTile(1, 0)));
    GxPixelImage shown;
    ASSERT_EQ(GxGraphics::GetDevice()->ReadPresented(&shown), GX_OK);
    EXPECT_EQ(shown.At(105, 103), 0xFF336699u);
    EXPECT_EQ(shown.At(440, 130), 0xFF996633u);
    GxGetTextureFlexFactory().ReleaseTexture(panel);
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());
}

// A render target cleared whole before it has storage holds that colour without any: drawn
// from, it shows the colour; drawn into, it gets storage of that colour under the drawing; read,
// it reads the colour.
TEST_F(ContentOnUseGL, ATargetClearedWholeHoldsItsColourWithoutStorage)
{
    GxTexture target;
    ASSERT_TRUE(target.CreateRenderTarget(u"rt", 64, 32, GXFMT_A8R8G8B8));
    auto* core = dynamic_cast<GxCoreTexture*>(target.GetD3DTexture());
    ASSERT_NE(core, nullptr);
    auto toTarget = [&](const std::function<void()>& draw) {
        ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &target, nullptr, nullptr));
        ASSERT_TRUE(GxGraphics::BeginScene());
        draw();
        GxGraphics::EndScene();
        ASSERT_TRUE(GxGraphics::PopRenderTarget(0));
    };
    toTarget([] { GxGraphics::Clear(GXCLEAR_TARGET, 0xFF2040C0u, 1.0f, 0, nullptr); });

    ASSERT_TRUE(GxGraphics::BeginScene());
    GxGraphics::Clear(GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0, nullptr);
    GxGraphics::SetDefaultRenderState();
    GxGraphics::DrawTexture(&target, 10.0f, 10.0f, GxFRect(0, 0, 64, 32), GxVector2(1, 1), GxVector3(), GxVector2(),
                            GxVector2(), 0xFFFFFFFFu, 0, 1);
    GxGraphics::EndScene();
    ASSERT_TRUE(GxGraphics::Present(nullptr, nullptr, nullptr));
    EXPECT_EQ(core->nativeTexture, 0u) << "no storage for one colour";
    GxPixelImage shown;
    ASSERT_EQ(GxGraphics::GetDevice()->ReadPresented(&shown), GX_OK);
    EXPECT_EQ(shown.At(10, 10), 0xFF2040C0u);
    EXPECT_EQ(shown.At(73, 41), 0xFF2040C0u);
    EXPECT_EQ(shown.At(74, 41), 0xFF000000u);

    // A part cleared over it: storage of the colour, the part over it.
    toTarget([] {
        const GxRectL corner{0, 0, 8, 8};
        GxGraphics::Clear(GXCLEAR_TARGET, 0xFFFFFFFFu, 1.0f, 0, &corner);
    });
    EXPECT_NE(core->nativeTexture, 0u);
    EXPECT_EQ(target.GetPixel(3, 3), 0xFFFFFFFFu);
    EXPECT_EQ(target.GetPixel(40, 20), 0xFF2040C0u);
    EXPECT_TRUE(logs.Error().empty()) << GxWideToUtf8(logs.Error());
}
