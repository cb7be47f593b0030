// Page pictures through the default hooks: real textures on the recording device, in the
// set's format, with texture coordinates from the texture's allocated size.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxImageLoader.h"
#include "graphics/GxResourceFactory.h"
#include "graphics/GxTexture.h"
#include "layer/GxNcFactory.h"
#include "layer/GxNcImageSet.h"
#include "platform/GxDeviceRecording.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxNcWriter.h"
#include "tests/support/GxPackWriter.h"

namespace {

std::vector<GxNcQuad> g_Quads;
void RecordQuad(const GxNcQuad& quad) { g_Quads.push_back(quad); }

class NcPageTextureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.IsValid());
        GxTestResetFileLayer();
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory([](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
        ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr));
        GxNcGraphicsHooks hooks = GxNcDefaultGraphicsHooks();
        hooks.m_DrawQuad = &RecordQuad;
        GxNcSetGraphicsHooks(hooks);
        g_Quads.clear();
    }
    void TearDown() override
    {
        GxGetNcCrammedImageSetFactory().ReleaseAll();
        GxNcSetGraphicsHooks(GxNcDefaultGraphicsHooks());
        GxGraphics::Release();
        GxGraphics::SetDirect3DFactory(nullptr);
        GxGetGraphicsSettings().SetStartupValues();
    }

    // A 40 x 20 page picture and a set naming it (and a missing second page) with one pattern
    // on each page.
    void WriteFiles(bool economy)
    {
        GxNcCrammedImageSet set;
        set.m_EconomyMode = economy;
        set.m_CrammedImageArray.resize(2);
        set.m_CrammedImageArray[0].m_FileName = u"pages_0.png";
        set.m_CrammedImageArray[1].m_FileName = u"pages_1.png";
        GxNcOriginImage& image = GxNcAddOriginImage(set, u"icon.png");
        GxNcAddPattern(image, 0, 0, 0, 16, 8, 8, 4);
        GxNcAddPattern(image, 1, 16, 0, 16, 8, 0, 0);
        ASSERT_TRUE(GxNcWriteFileBytes(m_Folder.Path() + "/ui/pages.gis", GxNcImageSetToBytes(set, GxContentForm::Binary)));
        std::vector<uint32_t> pixels(40 * 20, 0xFF336699u);
        ASSERT_TRUE(GxPngWriteFile(m_Folder.Path() + "/ui/pages_0.png", 40, 20, pixels.data()));
    }

    GxTestGameFolder m_Folder;
    GxContentLogCapture m_Log;
};

TEST_F(NcPageTextureTest, PagesLoadAsTexturesInTheSetsFormat)
{
    for (bool economy : {false, true}) {
        SCOPED_TRACE(economy);
        ASSERT_NO_FATAL_FAILURE(WriteFiles(economy));
        m_Log.Clear();
        GxNcCrammedImageSet* set = GxGetNcCrammedImageSetFactory().GetCrammedImageSet(u"ui/pages.gis", true);
        ASSERT_NE(set, nullptr) << m_Log.Joined();
        GxTexture* page = set->m_CrammedImageArray[0].m_pTexture;
        ASSERT_NE(page, nullptr) << m_Log.Joined();
        EXPECT_EQ(page->GetImageWidth(), 40u);
        EXPECT_EQ(page->GetWidth(), 64u);
        EXPECT_EQ(page->GetHeight(), 32u);
        EXPECT_EQ(page->GetFormat(), economy ? GXFMT_A4R4G4B4 : GXFMT_A8R8G8B8);
        EXPECT_EQ(set->m_CrammedImageArray[1].m_pTexture, nullptr);
        EXPECT_NE(m_Log.Joined().find("LoadAttachedTexture:Load Failed:ui/pages_1.png\n"), std::string::npos)
            << m_Log.Joined();

        g_Quads.clear();
        GxMatrix identity;
        GxDrawCrammedPattern(set->FindOriginImage(u"icon.png"), 0, identity, GxFColor(1, 1, 1, 1), GxFColor(), 2);
        ASSERT_EQ(g_Quads.size(), 1u);
        EXPECT_EQ(g_Quads[0].m_pTexture, page);
        // Coordinates over the allocated 64 x 32 texture, not the 40 x 20 picture.
        EXPECT_FLOAT_EQ(g_Quads[0].m_U0, 8.0f / 64.0f);
        EXPECT_FLOAT_EQ(g_Quads[0].m_V0, 4.0f / 32.0f);
        EXPECT_FLOAT_EQ(g_Quads[0].m_U1, 24.0f / 64.0f);
        EXPECT_FLOAT_EQ(g_Quads[0].m_V1, 12.0f / 32.0f);

        // The last release deletes the set and gives its page back to the texture factory.
        GxGetNcCrammedImageSetFactory().Release(set);
        EXPECT_EQ(GxGetNcCrammedImageSetFactory().GetCount(), 0u);
        EXPECT_EQ(GxGetTextureFactory().GetCount(), 0);
    }
}

TEST_F(NcPageTextureTest, SetsNamingOnePagePictureShareItsTextureThroughTheFactory)
{
    ASSERT_NO_FATAL_FAILURE(WriteFiles(false));
    GxNcCrammedImageSet other;
    other.m_CrammedImageArray.resize(1);
    other.m_CrammedImageArray[0].m_FileName = u"PAGES_0.PNG";  // the same file, named otherwise
    GxNcAddPattern(GxNcAddOriginImage(other, u"badge.png"), 0, 0, 0, 8, 8, 0, 0);
    ASSERT_TRUE(GxNcWriteFileBytes(m_Folder.Path() + "/ui/other.gis", GxNcImageSetToBytes(other, GxContentForm::Binary)));

    GxNcCrammedImageSetFactory& sets = GxGetNcCrammedImageSetFactory();
    GxNcCrammedImageSet* a = sets.GetCrammedImageSet(u"ui/pages.gis", true);
    GxNcCrammedImageSet* b = sets.GetCrammedImageSet(u"ui/other.gis", true);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    GxTexture* page = a->m_CrammedImageArray[0].m_pTexture;
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(b->m_CrammedImageArray[0].m_pTexture, page);
    EXPECT_EQ(GxGetTextureFactory().FindTexture(u"ui/pages_0.png"), page);
    EXPECT_EQ(GxGetTextureFactory().GetCount(), 1);

    // One set gone: the page stays for the other.
    sets.Release(a);
    EXPECT_EQ(GxGetTextureFactory().FindTexture(u"ui/pages_0.png"), page);
    EXPECT_EQ(b->m_CrammedImageArray[0].m_pTexture->GetImageWidth(), 40u);

    // A set still held at the graphics shutdown shows in the texture factory's report.
    m_Log.Clear();
    GxGraphics::Release();
    EXPECT_NE(m_Log.Joined().find("Warning/GxTextureFactory is not Released(count=1)\n"), std::string::npos)
        << m_Log.Joined();
    // The factory freed the texture: the set must not give it back again.
    b->m_CrammedImageArray[0].m_pTexture = nullptr;
    sets.Release(b);
    EXPECT_EQ(sets.GetCount(), 0u);
}

}  // namespace
