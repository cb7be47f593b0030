// Layer content: the stored form in both forms for every content type, Reset, sub-layers and
// Reload per type (motion project, image set, picture with the error-picture fallback, movie
// through the movie slots, textures), with stored slot numbers and sizes checked.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"
#include "layer/GxLayerContent.h"
#include "layer/GxNcImageSet.h"
#include "layer/GxNcProject.h"
#include "media/GxMovie.h"
#include "media/GxTextureMovie.h"
#include "nc_test_common.h"
#include "platform/GxDeviceRecording.h"
#include "tests/support/GxMovieWriter.h"
#include "tests/support/GxPictureWriter.h"

namespace {

class LayerContentTest : public NcTest, public ::testing::WithParamInterface<GxContentForm>
{
protected:
    void SetUp() override
    {
        NcTest::SetUp();
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory([](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
        ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr));
        GxMovie::Create();
    }
    void TearDown() override
    {
        GxMovie::Release();
        NcTest::TearDown();
        GxGraphics::Release();
        GxGraphics::SetDirect3DFactory(nullptr);
        GxGetGraphicsSettings().SetStartupValues();
    }

    void WritePicture(const std::string& path, uint32_t w, uint32_t h)
    {
        ASSERT_TRUE(m_Folder.Write(path, gxtest::WritePngRgba(gxtest::TestPicture(w, h, 0xFF336699u))));
    }
    void WriteProject()
    {
        GxNcProjectEx p;
        p.m_ProjectName = u"chara";
        GxNcAddLayer(GxNcAddMotion(GxNcAddMotionGroup(p, u"g"), u"m", 100), u"l");
        ASSERT_TRUE(Write(m_Folder.Path() + "/gnc/chara.gnc", GxNcProjectToBytes(p, GxContentForm::Binary)));
    }
    void WriteImageSet()
    {
        GxNcCrammedImageSet set;
        set.m_CrammedImageArray.resize(1);
        set.m_CrammedImageArray[0].m_FileName = u"set_0.png";
        GxNcAddPattern(GxNcAddOriginImage(set, u"face.png"), 0, 0, 0, 8, 8, 0, 0);
        ASSERT_TRUE(Write(m_Folder.Path() + "/ui/set.gis", GxNcImageSetToBytes(set, GxContentForm::Binary)));
    }

    static std::string Save(GxLayerContent& c, GxContentForm form)
    {
        return GxContentWriteToString(form, [&](GxContentWriterBase& w) { EXPECT_TRUE(c.WriteContent(w)); });
    }
    static bool Load(GxLayerContent& c, const std::string& bytes, GxContentForm form, int* errors = nullptr)
    {
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, bytes);
        std::unique_ptr<GxContentReaderBase> r;
        if (form == GxContentForm::Text) r = std::make_unique<GxContentTextReader>(buffer);
        else r = std::make_unique<GxContentBinaryReader>(buffer);
        const bool ok = c.ReadContent(*r);
        if (errors) *errors = r->GetErrorCount();
        return ok;
    }
};

// Every stored field set to something other than its default.
void Fill(GxLayerContent& c, int32_t type)
{
    c.m_ContentType = type;
    c.m_Alpha = 128;
    c.m_ContentFileName = u"movies/op.mpg";
    c.m_MultiContentFileName = {u"cg/a.png", u"cg/b.png"};
    c.m_Width = 640;
    c.m_Height = 480;
    c.m_ImageName = u"face.png";
    c.m_PatternIndex = 3;
    c.m_FrameCount = 77;
    c.m_MotionGroupName = u"グループ";
    c.m_MotionName = u"walk";
    c.m_MatWorld.SetTranslation(10.5f, -3.0f, 0.25f);
    c.m_SolidColor = GxFColor(0.25f, 0.5f, 0.75f, 0.125f);
    c.m_MyChannel = 2;
    c.m_LoopCount = -1;
    c.m_LoopStartPos = 1.25;
    c.m_MovieCurrentTime = 12.5;
    c.m_MovieAutoDisappear = false;
    c.CreateSubLayerList(3);
    c.GetSubLayer(1)->m_ContentFileName = u"cg/sub.png";
    c.GetSubLayer(1)->m_Alpha = 64;
    c.GetSubLayer(1)->m_Width = 12;
    c.GetSubLayer(1)->m_Height = 34;
    c.GetSubLayer(1)->m_OffsetPos = GxVector2(5.5f, -6.0f);
}

void ExpectSameStored(const GxLayerContent& a, const GxLayerContent& b)
{
    EXPECT_EQ(a.m_ContentType, b.m_ContentType);
    EXPECT_EQ(a.m_Alpha, b.m_Alpha);
    EXPECT_EQ(a.m_ContentFileName, b.m_ContentFileName);
    EXPECT_EQ(a.m_MultiContentFileName, b.m_MultiContentFileName);
    EXPECT_EQ(a.m_Width, b.m_Width);
    EXPECT_EQ(a.m_Height, b.m_Height);
    EXPECT_EQ(a.m_ImageName, b.m_ImageName);
    EXPECT_EQ(a.m_PatternIndex, b.m_PatternIndex);
    EXPECT_EQ(a.m_FrameCount, b.m_FrameCount);
    EXPECT_EQ(a.m_MotionGroupName, b.m_MotionGroupName);
    EXPECT_EQ(a.m_MotionName, b.m_MotionName);
    EXPECT_EQ(a.m_MatWorld, b.m_MatWorld);
    EXPECT_EQ(a.m_SolidColor, b.m_SolidColor);
    EXPECT_EQ(a.m_MyChannel, b.m_MyChannel);
    EXPECT_EQ(a.m_LoopCount, b.m_LoopCount);
    EXPECT_EQ(a.m_LoopStartPos, b.m_LoopStartPos);
    EXPECT_EQ(a.m_MovieCurrentTime, b.m_MovieCurrentTime);
    EXPECT_EQ(a.m_MovieAutoDisappear, b.m_MovieAutoDisappear);
    ASSERT_EQ(a.m_pSubLayerList.size(), b.m_pSubLayerList.size());
    for (size_t i = 0; i < a.m_pSubLayerList.size(); ++i) {
        SCOPED_TRACE(i);
        const GxSubLayerContent& x = *a.m_pSubLayerList[i];
        const GxSubLayerContent& y = *b.m_pSubLayerList[i];
        EXPECT_EQ(x.m_Alpha, y.m_Alpha);
        EXPECT_EQ(x.m_ContentFileName, y.m_ContentFileName);
        EXPECT_EQ(x.m_Width, y.m_Width);
        EXPECT_EQ(x.m_Height, y.m_Height);
        EXPECT_EQ(x.m_OffsetPos, y.m_OffsetPos);
    }
}

TEST_P(LayerContentTest, EveryContentTypeRoundTripsWithoutCreatingResources)
{
    for (int32_t type : {0, 1, 2, 3, 5, 6, 7, 8}) {
        SCOPED_TRACE(type);
        GxLayerContent saved;
        Fill(saved, type);
        const std::string bytes = Save(saved, GetParam());
        GxLayerContent read;
        read.CreateSubLayerList(7);  // replaced by the stored list
        int errors = -1;
        ASSERT_TRUE(Load(read, bytes, GetParam(), &errors));
        EXPECT_EQ(errors, 0);
        ExpectSameStored(saved, read);
        EXPECT_EQ(read.m_pProject, nullptr);
        EXPECT_EQ(read.m_pTexture, nullptr);
        EXPECT_FALSE(read.HasSubLayerTexture());
        EXPECT_FALSE(GxMovie::GetSlotInfo(2).m_Open);
    }
    // Defaults round-trip as defaults.
    GxLayerContent empty, read;
    Fill(read, 6);
    ASSERT_TRUE(Load(read, Save(empty, GetParam()), GetParam()));
    ExpectSameStored(empty, read);
}

TEST_P(LayerContentTest, ReadingOverAMotionReleasesTheProject)
{
    WriteProject();
    GxLayerContent c;
    c.m_ContentType = CONTENTTYPE_NCMOTION;
    c.m_ContentFileName = u"gnc/chara.gnc";
    c.m_ImageName = u"gnc/gis/";
    ASSERT_TRUE(c.Reload(GxLayerContentEnv{}));
    GxNcProjectEx* project = c.m_pProject;
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(project->GetRefCount(), 1u);
    c.m_SnapShot.Create(nullptr, GxNcFindMotionByName(project, u"g", u"m"), 0, GxVector4(), nullptr, 1.0f,
                        GxFColor(1, 1, 1, 1), 4, nullptr);
    EXPECT_EQ(c.m_SnapShot.GetLayerSnapShotCount(), 1);

    GxLayerContent colour;
    colour.m_ContentType = CONTENTTYPE_SOLIDCOLOR;
    colour.m_SolidColor = GxFColor(1, 0, 0, 1);
    colour.m_Width = 1024;
    colour.m_Height = 768;
    ASSERT_EQ(GxGetNcProjectFactory().GetCount(), 1u);
    ASSERT_TRUE(Load(c, Save(colour, GetParam()), GetParam()));
    // The last reference went back: the factory holds the project no more.
    EXPECT_EQ(GxGetNcProjectFactory().GetCount(), 0u);
    EXPECT_EQ(c.m_pProject, nullptr);
    EXPECT_EQ(c.m_SnapShot.GetMotion(), nullptr);
    EXPECT_EQ(c.m_ContentType, CONTENTTYPE_SOLIDCOLOR);
    EXPECT_EQ(c.m_SolidColor, GxFColor(1, 0, 0, 1));
    EXPECT_EQ(c.m_Width, 1024);
    // A colour creates nothing.
    EXPECT_TRUE(c.Reload(GxLayerContentEnv{}));
    EXPECT_EQ(c.m_pProject, nullptr);
    EXPECT_EQ(c.m_pTexture, nullptr);
    EXPECT_EQ(c.m_pTextureFlex, nullptr);
}

TEST_P(LayerContentTest, SavedMovieReopensItsSlotAndPlaysOn)
{
    ASSERT_FALSE(GxLongTestMovie().empty());
    ASSERT_TRUE(m_Folder.Write("movies/op.mpg", GxLongTestMovie()));
    const GxFrozenSoundClock clock;  // the slot reports the saved position exactly
    GxLayerContent saved;
    saved.m_ContentType = CONTENTTYPE_MOVIE;
    saved.m_ContentFileName = u"movies/op.mpg";
    saved.m_Width = 640;
    saved.m_Height = 360;
    saved.m_MyChannel = 2;
    saved.m_LoopCount = 3;
    saved.m_LoopStartPos = 2.0;
    saved.m_MovieCurrentTime = 12.5;
    GxLayerContent c;
    ASSERT_TRUE(Load(c, Save(saved, GetParam()), GetParam()));
    GxLayerContentEnv env;
    env.m_MovieVolume = -1200;
    ASSERT_TRUE(c.Reload(env));
    auto* movie = dynamic_cast<GxTextureMovie*>(c.m_pTexture.get());
    ASSERT_NE(movie, nullptr);
    EXPECT_EQ(movie->GetImageWidth(), 640u);
    const GxMovieSlotInfo slot = GxMovie::GetSlotInfo(2);
    EXPECT_TRUE(slot.m_Open);
    EXPECT_TRUE(slot.m_Playing);
    EXPECT_EQ(slot.m_FileName, u"movies/op.mpg");
    EXPECT_EQ(slot.m_pTexture, movie);
    EXPECT_EQ(slot.m_Position, 12.5);
    EXPECT_EQ(slot.m_LoopStart, 2.0);
    EXPECT_EQ(slot.m_LoopCount, 3);
    EXPECT_EQ(slot.m_Volume, -1200);

    c.Reset();
    EXPECT_FALSE(GxMovie::GetSlotInfo(2).m_Open);
    EXPECT_EQ(c.m_pTexture, nullptr);
    EXPECT_EQ(c.m_ContentType, CONTENTTYPE_NONE);
    EXPECT_TRUE(c.m_MovieAutoDisappear);
}

TEST_P(LayerContentTest, StoredSlotsAndSizesOutOfRangeCreateNothing)
{
    struct Case
    {
        int32_t type;
        uint32_t slot;
        int32_t w, h;
    } cases[] = {
        {CONTENTTYPE_MOVIE, 0, 64, 64},      {CONTENTTYPE_MOVIE, 3, 64, 64},
        {CONTENTTYPE_MOVIE, 0xFFFFFFFFu, 64, 64}, {CONTENTTYPE_MOVIE, 1, 0, 64},
        {CONTENTTYPE_MOVIE, 1, 64, -5},      {CONTENTTYPE_MOVIE, 1, 100000, 64},
        {CONTENTTYPE_TEXTURE, 0, -1, 64},    {CONTENTTYPE_TEXTURE, 0, 64, 0x7FFFFFFF},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message() << k.type << " " << k.slot << " " << k.w << "x" << k.h);
        GxLayerContent saved;
        saved.m_ContentType = k.type;
        saved.m_ContentFileName = u"movies/op.mpg";
        saved.m_MyChannel = k.slot;
        saved.m_Width = k.w;
        saved.m_Height = k.h;
        GxLayerContent c;
        ASSERT_TRUE(Load(c, Save(saved, GetParam()), GetParam()));
        EXPECT_FALSE(c.Reload(GxLayerContentEnv{}));
        EXPECT_EQ(c.m_pTexture, nullptr);
        for (uint32_t s = 0; s < GxMovie::kSlotCount; ++s) EXPECT_FALSE(GxMovie::GetSlotInfo(s).m_Open);
        c.Reset();
    }
    EXPECT_TRUE(Logged("Error/GxLayerContent Reload Movie Slot"));
    EXPECT_TRUE(Logged("Error/GxLayerContent Reload Texture Size"));
}

TEST_P(LayerContentTest, PicturesTexturesImageSetsAndSubLayersReload)
{
    WritePicture("cg/bg01.png", 100, 60);
    WritePicture("cg/error.png", 30, 20);
    WritePicture("cg/sub.png", 12, 34);
    WriteImageSet();
    GxLayerContentEnv env;
    env.m_ErrorPicture = u"cg/error.png";

    // A picture found with an extension added; a missing one shows the error picture.
    GxLayerContent pic;
    pic.m_ContentType = CONTENTTYPE_FLEXTEXTURE;
    pic.m_ContentFileName = u"cg/bg01";
    pic.CreateSubLayerList(3);
    pic.GetSubLayer(2)->m_ContentFileName = u"cg/sub.png";
    pic.GetSubLayer(2)->m_OffsetPos = GxVector2(4, 5);
    GxLayerContent c;
    ASSERT_TRUE(Load(c, Save(pic, GetParam()), GetParam()));
    ASSERT_TRUE(c.Reload(env));
    ASSERT_NE(c.m_pTextureFlex, nullptr);
    EXPECT_EQ(c.m_pTextureFlex->GetImageWidth(), 100u);
    ASSERT_EQ(c.GetSubLayerCount(), 3u);
    EXPECT_EQ(c.GetSubLayer(5), nullptr);
    EXPECT_TRUE(c.HasSubLayerTexture());
    EXPECT_EQ(c.GetSubLayer(0)->m_pTexture, nullptr);
    EXPECT_EQ(c.GetSubLayer(2)->m_Width, 12);
    EXPECT_EQ(c.GetSubLayer(2)->m_Height, 34);
    EXPECT_EQ(c.GetSubLayer(2)->m_OffsetPos, GxVector2(4, 5));
    // Reset empties the sub-layers but keeps their number.
    c.Reset();
    EXPECT_EQ(c.GetSubLayerCount(), 3u);
    EXPECT_FALSE(c.HasSubLayerTexture());
    EXPECT_TRUE(c.GetSubLayer(2)->m_ContentFileName.empty());

    c.m_ContentType = CONTENTTYPE_FLEXTEXTURE;
    c.m_ContentFileName = u"cg/missing";
    ASSERT_TRUE(c.Reload(env));
    ASSERT_NE(c.m_pTextureFlex, nullptr);
    EXPECT_EQ(c.m_pTextureFlex->GetImageWidth(), 30u);
    c.Reset();
    c.m_ContentType = CONTENTTYPE_FLEXTEXTURE;
    c.m_ContentFileName = u"cg/missing";
    EXPECT_FALSE(c.Reload(GxLayerContentEnv{}));
    EXPECT_EQ(c.m_pTextureFlex, nullptr);

    // An empty texture of the stored size; a picture as a plain texture, from a name or a list.
    c.Reset();
    c.m_ContentType = CONTENTTYPE_TEXTURE;
    c.m_Width = 200;
    c.m_Height = 100;
    ASSERT_TRUE(c.Reload(env));
    ASSERT_NE(c.m_pTexture, nullptr);
    EXPECT_EQ(c.m_pTexture->GetImageWidth(), 200u);
    EXPECT_EQ(c.m_pTexture->GetFormat(), GXFMT_A8R8G8B8);
    c.Reset();
    c.m_ContentType = CONTENTTYPE_TEXTUREFILE;
    c.m_ContentFileName = u"cg/bg01.png";
    ASSERT_TRUE(c.Reload(env));
    EXPECT_EQ(c.m_pTexture->GetImageHeight(), 60u);
    c.Reset();
    c.m_ContentType = CONTENTTYPE_TEXTUREFILE;
    c.m_MultiContentFileName = {u"cg/error.png", u"cg/bg01.png"};
    ASSERT_TRUE(c.Reload(env));
    EXPECT_EQ(c.m_pTexture->GetImageWidth(), 30u);

    // One image of an image set, found by name.
    c.Reset();
    c.m_ContentType = CONTENTTYPE_IMAGESET;
    c.m_ContentFileName = u"ui/set.gis";
    c.m_ImageName = u"face.png";
    ASSERT_TRUE(c.Reload(env));
    ASSERT_NE(c.m_pImageSet, nullptr);
    ASSERT_NE(c.m_pImage, nullptr);
    EXPECT_EQ(c.m_pImage->m_FileName, u"face.png");
    EXPECT_EQ(c.m_pImageSet->GetRefCount(), 1u);
    c.Reset();
    // The last reference went back: the factory holds the set no more.
    EXPECT_EQ(GxGetNcCrammedImageSetFactory().GetCount(), 0u);
    EXPECT_EQ(c.m_pImageSet, nullptr);
    EXPECT_EQ(c.m_pImage, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Forms, LayerContentTest, ::testing::Values(GxContentForm::Binary, GxContentForm::Text),
                         [](const auto& info) { return std::string(FormName(info.param)); });

}  // namespace
