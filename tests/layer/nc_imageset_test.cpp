// Image sets: the .gis value order in both forms with and without raw UVs, page linking, page
// textures (economy mode, missing pictures, the pending list), the image-set factory, and
// pattern drawing plain and clipped.
#include <gtest/gtest.h>

#include <string>

#include "core/GxBinBuffer.h"
#include "layer/GxNcImageSet.h"
#include "tests/layer/nc_test_common.h"

namespace {

// Two pages; "a.png" with two patterns (the second with a trimmed offset and a pivot), "b.png"
// with one pattern whose page index is invalid.
void FillSample(GxNcCrammedImageSet& set)
{
    set.m_EconomyMode = false;
    set.m_CrammedImageArray.resize(2);
    set.m_CrammedImageArray[0] = {u"title_0.png", 256, 128, 2, 1, nullptr};
    set.m_CrammedImageArray[1] = {u"title_1.png", 64, 64, 1, 0, nullptr};
    GxNcOriginImage& a = GxNcAddOriginImage(set, u"a.png");
    a.m_ImageWidth = 100;
    a.m_ImageHeight = 50;
    a.m_PreserveFlag = 3;
    GxNcAddPattern(a, 0, 0, 0, 50, 50, 0, 0);
    GxNcCrammedPattern& p = GxNcAddPattern(a, 1, 50, 0, 50, 50, 4, 8);
    p.m_CrammedOffsetLeft = 60;
    p.m_CrammedOffsetTop = 5;
    p.m_CrammedWidth = 30;
    p.m_CrammedHeight = 40;
    p.m_CenterPosX = 75.5f;
    p.m_CenterPosY = -2.25f;
    p.m_CrammedRawUV = GxFRect(0.0625f, 0.125f, 0.53125f, 0.75f);
    p.m_NoCutoffFlag = 1;
    GxNcOriginImage& b = GxNcAddOriginImage(set, u"b.png");
    GxNcAddPattern(b, 2, 0, 0, 8, 8, 0, 0);
}

void ExpectSameSet(const GxNcCrammedImageSet& a, const GxNcCrammedImageSet& b, bool rawUV)
{
    EXPECT_EQ(a.m_EconomyMode, b.m_EconomyMode);
    ASSERT_EQ(a.m_CrammedImageArray.size(), b.m_CrammedImageArray.size());
    for (size_t i = 0; i < a.m_CrammedImageArray.size(); ++i) {
        const auto& x = a.m_CrammedImageArray[i];
        const auto& y = b.m_CrammedImageArray[i];
        EXPECT_EQ(x.m_FileName, y.m_FileName);
        EXPECT_EQ(x.m_ImageWidth, y.m_ImageWidth);
        EXPECT_EQ(x.m_ImageHeight, y.m_ImageHeight);
        EXPECT_EQ(x.m_Count, y.m_Count);
        EXPECT_EQ(x.m_PreserveFlag, y.m_PreserveFlag);
    }
    ASSERT_EQ(a.m_OriginImageArray.size(), b.m_OriginImageArray.size());
    for (size_t i = 0; i < a.m_OriginImageArray.size(); ++i) {
        const auto& x = a.m_OriginImageArray[i];
        const auto& y = b.m_OriginImageArray[i];
        EXPECT_EQ(x.m_FileName, y.m_FileName);
        EXPECT_EQ(x.m_ImageWidth, y.m_ImageWidth);
        EXPECT_EQ(x.m_ImageHeight, y.m_ImageHeight);
        EXPECT_EQ(x.m_PreserveFlag, y.m_PreserveFlag);
        ASSERT_EQ(x.m_PatternArray.size(), y.m_PatternArray.size());
        for (size_t k = 0; k < x.m_PatternArray.size(); ++k) {
            const auto& p = x.m_PatternArray[k];
            const auto& q = y.m_PatternArray[k];
            EXPECT_EQ(p.m_Left, q.m_Left);
            EXPECT_EQ(p.m_Top, q.m_Top);
            EXPECT_EQ(p.m_Width, q.m_Width);
            EXPECT_EQ(p.m_Height, q.m_Height);
            EXPECT_EQ(p.m_CrammedImageIndex, q.m_CrammedImageIndex);
            EXPECT_EQ(p.m_CrammedOffsetLeft, q.m_CrammedOffsetLeft);
            EXPECT_EQ(p.m_CrammedOffsetTop, q.m_CrammedOffsetTop);
            EXPECT_EQ(p.m_CrammedLeft, q.m_CrammedLeft);
            EXPECT_EQ(p.m_CrammedTop, q.m_CrammedTop);
            EXPECT_EQ(p.m_CrammedWidth, q.m_CrammedWidth);
            EXPECT_EQ(p.m_CrammedHeight, q.m_CrammedHeight);
            EXPECT_EQ(p.m_CenterPosX, q.m_CenterPosX);
            EXPECT_EQ(p.m_CenterPosY, q.m_CenterPosY);
            EXPECT_EQ(rawUV ? p.m_CrammedRawUV : GxFRect(), q.m_CrammedRawUV);
            EXPECT_EQ(p.m_NoCutoffFlag, q.m_NoCutoffFlag);
        }
    }
}

struct SetCase
{
    GxContentForm form;
    bool rawUV;
};

class NcImageSetFormTest : public NcTest, public ::testing::WithParamInterface<SetCase>
{
};

TEST_P(NcImageSetFormTest, ReadsBackWithAndWithoutRawUV)
{
    GxNcCrammedImageSet written;
    FillSample(written);
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, GxNcImageSetToBytes(written, GetParam().form, GetParam().rawUV));
    GxNcCrammedImageSet read;
    ASSERT_TRUE(read.ReadFromBuffer(buffer)) << m_Log.Joined();
    EXPECT_TRUE(m_Log.Lines().empty()) << m_Log.Joined();
    ExpectSameSet(written, read, GetParam().rawUV);
}

INSTANTIATE_TEST_SUITE_P(Forms, NcImageSetFormTest,
                         ::testing::Values(SetCase{GxContentForm::Binary, true}, SetCase{GxContentForm::Binary, false},
                                           SetCase{GxContentForm::Text, true}, SetCase{GxContentForm::Text, false}),
                         [](const auto& info) {
                             return std::string(FormName(info.param.form)) + (info.param.rawUV ? "_RawUV" : "_NoRawUV");
                         });

TEST_F(NcTest, HandWrittenTextImageSetReadsInTheFormatOrder)
{
    // One page, one source image with two patterns: the first with raw UVs, the second without.
    const char* lines[] = {
        "TGIMGSET|100",
        "0b|m_EconomyMode|1",
        "20|m_CrammedImageArray||1|{",
        "1a|m_FileName|5|\"p.png\"", "05|m_ImageWidth|512", "05|m_ImageHeight|256", "05|m_Count|2",
        "06|m_PreserveFlag|1",
        "21|}",
        "20|m_OriginImageArray||1|{",
        "1a|m_FileName|9|\"btn_o.png\"", "05|m_PatternCount|99", "05|m_ImageWidth|40", "05|m_ImageHeight|20",
        "06|m_PreserveFlag|0",
        "20|m_PatternArray||2|{",
        "05|m_Left|1", "05|m_Top|2", "05|m_Width|3", "05|m_Height|4", "05|m_CrammedImageIndex|0",
        "05|m_CrammedOffsetLeft|5", "05|m_CrammedOffsetTop|6", "05|m_CrammedLeft|7", "05|m_CrammedTop|8",
        "05|m_CrammedWidth|9", "05|m_CrammedHeight|10", "09|m_CenterPosX|11.500000", "09|m_CenterPosY|12.000000",
        "13|m_CrammedRawUV|0.250000|0.500000|0.750000|1.000000", "06|m_NoCutoffFlag|1", "06|m_Selected|1",
        "05|m_Left|21", "05|m_Top|22", "05|m_Width|23", "05|m_Height|24", "05|m_CrammedImageIndex|0",
        "05|m_CrammedOffsetLeft|25", "05|m_CrammedOffsetTop|26", "05|m_CrammedLeft|27", "05|m_CrammedTop|28",
        "05|m_CrammedWidth|29", "05|m_CrammedHeight|30", "09|m_CenterPosX|31.000000", "09|m_CenterPosY|32.000000",
        "06|m_NoCutoffFlag|0", "06|m_Selected|0",
        "21|}",
        "21|}",
    };
    std::string text;
    for (const char* line : lines) {
        for (const char* c = line; *c; ++c) text.push_back(*c == '|' ? '\t' : *c);
        text.push_back('\n');
    }
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, text);
    GxNcCrammedImageSet set;
    ASSERT_TRUE(set.ReadFromBuffer(buffer)) << m_Log.Joined();
    EXPECT_TRUE(set.m_EconomyMode);
    ASSERT_EQ(set.m_CrammedImageArray.size(), 1u);
    EXPECT_EQ(set.m_CrammedImageArray[0].m_FileName, u"p.png");
    EXPECT_EQ(set.m_CrammedImageArray[0].m_ImageWidth, 512);
    EXPECT_EQ(set.m_CrammedImageArray[0].m_Count, 2);
    const GxNcOriginImage* image = set.FindOriginImage(u"btn_o.png");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->m_ImageWidth, 40);
    ASSERT_EQ(image->GetPatternCount(), 2);  // the list's count, not m_PatternCount
    const GxNcCrammedPattern& p = image->m_PatternArray[0];
    EXPECT_EQ(p.m_Left, 1);
    EXPECT_EQ(p.m_Height, 4);
    EXPECT_EQ(p.m_CrammedOffsetLeft, 5);
    EXPECT_EQ(p.m_CrammedTop, 8);
    EXPECT_EQ(p.m_CrammedHeight, 10);
    EXPECT_EQ(p.m_CenterPosX, 11.5f);
    EXPECT_EQ(p.m_CrammedRawUV, GxFRect(0.25f, 0.5f, 0.75f, 1.0f));
    EXPECT_EQ(p.m_NoCutoffFlag, 1u);
    const GxNcCrammedPattern& q = image->m_PatternArray[1];
    EXPECT_EQ(q.m_Left, 21);
    EXPECT_EQ(q.m_CrammedHeight, 30);
    EXPECT_EQ(q.m_CenterPosY, 32.0f);
    EXPECT_EQ(q.m_CrammedRawUV, GxFRect());
    EXPECT_EQ(set.FindOriginImage(u"BTN_O.png"), nullptr);  // exact names only
}

TEST_F(NcTest, DamagedImageSetReadFails)
{
    GxNcCrammedImageSet sample;
    FillSample(sample);
    std::string good = GxNcImageSetToBytes(sample, GxContentForm::Binary);
    for (size_t cut : {size_t(0), size_t(19), good.size() / 2, good.size() - 1}) {
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, good.substr(0, cut));
        GxNcCrammedImageSet read;
        EXPECT_FALSE(read.ReadFromBuffer(buffer)) << cut;
    }
}

// ---- the factory ----

class NcImageSetFileTest : public NcTest
{
protected:
    void WriteSet(const std::string& path, bool economy = false, GxContentForm form = GxContentForm::Binary)
    {
        GxNcCrammedImageSet set;
        FillSample(set);
        set.m_EconomyMode = economy;
        ASSERT_TRUE(Write(path, GxNcImageSetToBytes(set, form)));
    }
};

TEST_F(NcImageSetFileTest, NamesInOtherLettersShareOneSetAndReleasesCount)
{
    WriteSet("UI/Title.gis");
    GxNcCrammedImageSetFactory& factory = GxGetNcCrammedImageSetFactory();
    GxNcCrammedImageSet* a = factory.GetCrammedImageSet(u"UI/Title.GIS", true);
    ASSERT_NE(a, nullptr) << m_Log.Joined();
    GxNcCrammedImageSet* b = factory.GetCrammedImageSet(u"ui/title.gis", true);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->GetRefCount(), 2u);
    EXPECT_EQ(factory.GetCount(), 1u);
    EXPECT_EQ(a->GetName(), u"ui/title.gis");
    EXPECT_EQ(a->GetFolder(), u"ui/");
    // Another extension is replaced by ".gis".
    EXPECT_EQ(factory.GetCrammedImageSet(u"ui/TITLE.png", true), a);
    EXPECT_EQ(a->GetRefCount(), 3u);
    // Pages were loaded once, from the set's folder, as 32-bit textures.
    EXPECT_EQ(m_Graphics.m_LoadedPaths, (std::vector<std::u16string>{u"ui/title_0.png", u"ui/title_1.png"}));
    EXPECT_EQ(m_Graphics.m_LoadedFormats, (std::vector<GxFormat>{GXFMT_A8R8G8B8, GXFMT_A8R8G8B8}));

    factory.Release(a);
    factory.ReleaseByName(u"UI/TITLE.GIS");
    EXPECT_EQ(factory.Find(u"ui/title.gis"), a);
    EXPECT_EQ(m_Graphics.LiveTextures(), 2);
    factory.Release(a);
    EXPECT_EQ(factory.Find(u"ui/title.gis"), nullptr);
    EXPECT_EQ(factory.GetCount(), 0u);
    // Emptying the set gave its page textures back.
    EXPECT_EQ(m_Graphics.LiveTextures(), 0);
    EXPECT_EQ(m_Graphics.m_ReleasedPaths, (std::vector<std::u16string>{u"ui/title_0.png", u"ui/title_1.png"}));
    EXPECT_FALSE(Logged("Warning/"));
}

TEST_F(NcImageSetFileTest, InvalidPageIndexIsReportedOnceAndLeftUnlinked)
{
    WriteSet("ui/title.gis", false, GxContentForm::Text);
    m_Log.Clear();
    GxNcCrammedImageSet* set = GxGetNcCrammedImageSetFactory().GetCrammedImageSet(u"ui/title.gis", true);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(m_Log.Lines(), std::vector<std::string>{"画像が存在しません Pattern:0 Image:b.png CrammedImageIndex:2\n"});
    const GxNcOriginImage* a = set->FindOriginImage(u"a.png");
    const GxNcOriginImage* b = set->FindOriginImage(u"b.png");
    EXPECT_EQ(a->m_PatternArray[0].m_pCrammedImage, &set->m_CrammedImageArray[0]);
    EXPECT_EQ(a->m_PatternArray[1].m_pCrammedImage, &set->m_CrammedImageArray[1]);
    EXPECT_EQ(b->m_PatternArray[0].m_pCrammedImage, nullptr);

    // Drawing it draws nothing, and says so once however often it is drawn.
    m_Log.Clear();
    GxMatrix identity;
    for (int i = 0; i < 3; ++i) GxDrawCrammedPattern(b, 0, identity, GxFColor(1, 1, 1, 1), GxFColor(), 2);
    EXPECT_TRUE(m_Graphics.m_Quads.empty());
    EXPECT_EQ(m_Log.Lines().size(), 1u) << m_Log.Joined();
    EXPECT_TRUE(Logged("GxDrawCrammedPattern/No Page Texture(Image:b.png Pattern:0 CrammedImageIndex:2)"));
}

TEST_F(NcImageSetFileTest, EconomyModeLoadsPagesAs16Bit)
{
    WriteSet("ui/eco.gis", true);
    ASSERT_NE(GxGetNcCrammedImageSetFactory().GetCrammedImageSet(u"ui/eco.gis", true), nullptr);
    EXPECT_EQ(m_Graphics.m_LoadedFormats, (std::vector<GxFormat>{GXFMT_A4R4G4B4, GXFMT_A4R4G4B4}));
}

TEST_F(NcImageSetFileTest, MissingPagePictureIsReportedAndItsPatternsDrawNothing)
{
    WriteSet("ui/title.gis");
    m_Graphics.m_Missing.insert(u"ui/title_1.png");
    m_Log.Clear();
    GxNcCrammedImageSet* set = GxGetNcCrammedImageSetFactory().GetCrammedImageSet(u"ui/title.gis", true);
    ASSERT_NE(set, nullptr);
    EXPECT_TRUE(Logged("LoadAttachedTexture:Load Failed:ui/title_1.png\n")) << m_Log.Joined();
    EXPECT_NE(set->m_CrammedImageArray[0].m_pTexture, nullptr);
    EXPECT_EQ(set->m_CrammedImageArray[1].m_pTexture, nullptr);

    const GxNcOriginImage* a = set->FindOriginImage(u"a.png");
    GxMatrix identity;
    GxDrawCrammedPattern(a, 1, identity, GxFColor(1, 1, 1, 1), GxFColor(), 2);  // page 1: no texture
    GxDrawCrammedPatternClipped(a, 1, identity, GxFColor(1, 1, 1, 1), GxFColor(), 2, GxRect(0, 0, 100, 100));
    EXPECT_TRUE(m_Graphics.m_Quads.empty());
    EXPECT_EQ(CountLogged("GxDrawCrammedPattern/No Page Texture"), 1u);
    GxDrawCrammedPattern(a, 0, identity, GxFColor(1, 1, 1, 1), GxFColor(), 2);  // page 0 draws
    EXPECT_EQ(m_Graphics.m_Quads.size(), 1u);
}

TEST_F(NcImageSetFileTest, SetsLoadedWithoutTexturesWaitOnThePendingList)
{
    WriteSet("ui/a.gis");
    WriteSet("ui/b.gis");
    GxNcCrammedImageSetFactory& factory = GxGetNcCrammedImageSetFactory();
    GxNcCrammedImageSet* a = factory.GetCrammedImageSet(u"ui/a.gis", false);
    GxNcCrammedImageSet* b = factory.GetCrammedImageSet(u"ui/b.gis", false);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(factory.GetPendingTextureList(), (std::vector<GxNcCrammedImageSet*>{a, b}));
    EXPECT_TRUE(m_Graphics.m_LoadedPaths.empty());

    // Asking again with textures loads them (once) and takes the set off the list.
    EXPECT_EQ(factory.GetCrammedImageSet(u"ui/a.gis", true), a);
    EXPECT_EQ(m_Graphics.m_LoadedPaths.size(), 2u);
    EXPECT_EQ(factory.GetPendingTextureList(), std::vector<GxNcCrammedImageSet*>{b});
    EXPECT_TRUE(factory.LoadAttachedTexture(a));
    EXPECT_EQ(m_Graphics.m_LoadedPaths.size(), 2u);

    // The last release of a pending set takes it off the list.
    factory.Release(b);
    EXPECT_TRUE(factory.GetPendingTextureList().empty());
    EXPECT_EQ(factory.Find(u"ui/b.gis"), nullptr);
}

TEST_F(NcImageSetFileTest, MissingOrDamagedFileGivesNullAndKeepsNothing)
{
    GxNcCrammedImageSetFactory& factory = GxGetNcCrammedImageSetFactory();
    EXPECT_EQ(factory.GetCrammedImageSet(u"ui/None.gis", true), nullptr);
    EXPECT_TRUE(Logged("GetCrammedImageSet:Load Failed:ui/none.gis\n")) << m_Log.Joined();
    ASSERT_TRUE(Write("ui/bad.gis", "TGIMGSET\t100\n0b\tm_EconomyMode\t0\n20\tm_CrammedImageArray\t\t1\t{\n"));
    m_Log.Clear();
    EXPECT_EQ(factory.GetCrammedImageSet(u"ui/bad.gis", true), nullptr);
    EXPECT_TRUE(Logged("GetCrammedImageSet:Load Failed:ui/bad.gis\n")) << m_Log.Joined();
    ASSERT_TRUE(Write("ui/tag.gis", "TNCPROJ\t100\n"));
    EXPECT_EQ(factory.GetCrammedImageSet(u"ui/tag.gis", true), nullptr);
    EXPECT_EQ(factory.GetCount(), 0u);
    EXPECT_TRUE(m_Graphics.m_LoadedPaths.empty());
}

TEST_F(NcImageSetFileTest, ReleasingWhatIsNotHeldWarnsWithItsName)
{
    WriteSet("ui/title.gis");
    GxNcCrammedImageSetFactory& factory = GxGetNcCrammedImageSetFactory();
    ASSERT_NE(factory.GetCrammedImageSet(u"ui/title.gis", true), nullptr);
    m_Log.Clear();
    GxNcCrammedImageSet stray;
    stray.SetName(u"ui/stray.gis");
    factory.Release(&stray);
    EXPECT_TRUE(Logged("Warning/GxNcCrammedImageSetFactory You tried to release the object does not exist(ui/stray.gis)\n"));
    factory.ReleaseByName(u"UI/Gone.gis");
    EXPECT_TRUE(Logged("Warning/GxNcCrammedImageSetFactory You tried to release the object does not exist(UI/Gone.gis)\n"));
    factory.ReportUnreleased();
    EXPECT_TRUE(Logged("Warning/GxNcCrammedImageSetFactory Object Not Released(ui/title.gis)\n"));
    EXPECT_EQ(factory.Find(u"ui/title.gis")->GetRefCount(), 1u);
}

// ---- drawing ----

class NcDrawTest : public NcTest
{
protected:
    void SetUp() override
    {
        NcTest::SetUp();
        FillSample(m_Set);
        m_Set.LinkPatterns();
        m_Graphics.m_TextureWidth = 256.0f;
        m_Graphics.m_TextureHeight = 128.0f;
        GxGetNcCrammedImageSetFactory().LoadAttachedTexture(&m_Set);
        m_Image = m_Set.FindOriginImage(u"a.png");
    }
    void TearDown() override
    {
        m_Set.ReleaseAll();  // gives the page textures back while the fake stands
        NcTest::TearDown();
    }

    GxNcCrammedImageSet m_Set;
    const GxNcOriginImage* m_Image = nullptr;
};

TEST_F(NcDrawTest, PatternIsOneQuadMappedByTheMatrix)
{
    // Pattern 1: packed 30 x 40 at (4, 8) of page 1, its pixels starting at (60, 5) in the source.
    GxMatrix m;
    m.m[0][0] = 2.0f;  // x scaled by 2
    m.m[1][0] = 0.5f;  // y shears into x
    m.m[3][0] = 100.0f;
    m.m[3][1] = 200.0f;
    GxDrawCrammedPattern(m_Image, 1, m, GxFColor(1.0f, 0.5f, 0.0f, 1.0f), GxFColor(0.0f, 0.0f, 1.0f, 0.0f), 4);
    ASSERT_EQ(m_Graphics.m_Quads.size(), 1u);
    const GxNcQuad& q = m_Graphics.m_Quads[0];
    const float corners[4][2] = {{60, 5}, {60, 45}, {90, 45}, {90, 5}};  // TL, BL, BR, TR
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(q.m_Corner[i].x, corners[i][0] * 2.0f + corners[i][1] * 0.5f + 100.0f) << i;
        EXPECT_FLOAT_EQ(q.m_Corner[i].y, corners[i][1] + 200.0f) << i;
    }
    EXPECT_FLOAT_EQ(q.m_U0, 4.0f / 256.0f);
    EXPECT_FLOAT_EQ(q.m_V0, 8.0f / 128.0f);
    EXPECT_FLOAT_EQ(q.m_U1, 34.0f / 256.0f);
    EXPECT_FLOAT_EQ(q.m_V1, 48.0f / 128.0f);
    EXPECT_EQ(GxNcFakeGraphics::Fake(q.m_pTexture)->m_Path, u"title_1.png");  // the set has no folder
    EXPECT_EQ(q.m_Diffuse, 0xFFFF7F00u);
    EXPECT_EQ(q.m_Specular, 0x000000FFu);
    EXPECT_EQ(q.m_BlendMode, 4);
}

TEST_F(NcDrawTest, OutOfRangeIndexOrNullImageDrawsNothingSilently)
{
    GxMatrix m;
    m_Log.Clear();
    GxDrawCrammedPattern(m_Image, m_Image->GetPatternCount(), m, GxFColor(), GxFColor(), 1);
    GxDrawCrammedPattern(m_Image, -1, m, GxFColor(), GxFColor(), 1);
    GxDrawCrammedPattern(nullptr, 0, m, GxFColor(), GxFColor(), 1);
    GxDrawCrammedPatternClipped(m_Image, 2, m, GxFColor(), GxFColor(), 1, GxRect(0, 0, 10, 10));
    EXPECT_TRUE(m_Graphics.m_Quads.empty());
    EXPECT_TRUE(m_Log.Lines().empty()) << m_Log.Joined();
}

struct ClipCase
{
    GxRect clip;
    float width, height;  // clipped size
    float pageLeft, pageTop;
};

TEST_F(NcDrawTest, ClippedPatternDrawsThePartInsideAtThePatternsOffset)
{
    // Pattern 1: offset (60, 5), packed 30 x 40 at (4, 8).
    const ClipCase cases[] = {
        {GxRect(0, 0, 1000, 1000), 30, 40, 4, 8},    // clip starts before the offset: nothing skipped
        {GxRect(70, 15, 1000, 1000), 20, 30, 14, 18},  // skip 10 and 10
        {GxRect(70, 15, 80, 20), 10, 5, 14, 18},     // limited to the clip's extent
        {GxRect(0, 0, 50, 1000), 30, 40, 4, 8},      // start before the offset: the limit is the clip's width
        {GxRect(60, 5, 75, 25), 15, 20, 4, 8},
    };
    GxMatrix m;
    m.m[3][0] = 1000.0f;
    for (const ClipCase& c : cases) {
        m_Graphics.m_Quads.clear();
        GxDrawCrammedPatternClipped(m_Image, 1, m, GxFColor(1, 1, 1, 1), GxFColor(), 2, c.clip);
        ASSERT_EQ(m_Graphics.m_Quads.size(), 1u) << c.clip.left;
        const GxNcQuad& q = m_Graphics.m_Quads[0];
        EXPECT_FLOAT_EQ(q.m_Corner[0].x, 1060.0f);
        EXPECT_FLOAT_EQ(q.m_Corner[0].y, 5.0f);
        EXPECT_FLOAT_EQ(q.m_Corner[2].x - q.m_Corner[0].x, c.width) << c.clip.left;
        EXPECT_FLOAT_EQ(q.m_Corner[2].y - q.m_Corner[0].y, c.height) << c.clip.left;
        EXPECT_FLOAT_EQ(q.m_U0, c.pageLeft / 256.0f);
        EXPECT_FLOAT_EQ(q.m_V0, c.pageTop / 128.0f);
        EXPECT_FLOAT_EQ(q.m_U1, (c.pageLeft + c.width) / 256.0f);
        EXPECT_FLOAT_EQ(q.m_V1, (c.pageTop + c.height) / 128.0f);
    }
    // Nothing left inside the clip: no quad (a zero or negative size would draw a sliver or a
    // mirrored picture).
    m_Graphics.m_Quads.clear();
    GxDrawCrammedPatternClipped(m_Image, 1, m, GxFColor(1, 1, 1, 1), GxFColor(), 2, GxRect(95, 0, 120, 100));
    GxDrawCrammedPatternClipped(m_Image, 1, m, GxFColor(1, 1, 1, 1), GxFColor(), 2, GxRect(70, 10, 70, 30));
    EXPECT_TRUE(m_Graphics.m_Quads.empty());
}

}  // namespace
