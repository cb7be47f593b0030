// The layer task on a recording device: loading every content type into the other record, the
// cross-fade factors and timing, shakes, the movie that fades itself out, the file-name label,
// the draws per content type, and saving and restoring a layer half-way through a fade.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/GxTaskControl.h"
#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"
#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "core/GxDrawKey.h"
#include "core/GxRandom.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"
#include "layer/GxNcImageSet.h"
#include "layer/GxNcProject.h"
#include "layer/GxTaskLayer.h"
#include "media/GxMovie.h"
#include "nc_test_common.h"
#include "platform/GxDeviceRecording.h"
#include "tests/support/GxMovieWriter.h"
#include "tests/support/GxPictureWriter.h"

namespace {

constexpr float kPi = 3.14159265f;

TEST(LocalTransitFactors, TableOfModes)
{
    struct Case
    {
        int32_t mode;
        float p;
        float old;
        float current;
    };
    const float s = 1.0f / kPi;  // sin(pi / 2) / pi
    const Case cases[] = {
        {LOCALTRANSIT_SINE, 0.0f, 1.0f, 0.0f},
        {LOCALTRANSIT_SINE, 0.5f, 0.5f + s, 0.5f + s},
        {LOCALTRANSIT_SINE, 1.0f, 0.0f, 1.0f},
        {LOCALTRANSIT_SINE, 0.25f, 0.75f + std::sin(kPi * 0.25f) / kPi, 0.25f + std::sin(kPi * 0.25f) / kPi},
        {LOCALTRANSIT_MIXED, 0.5f, 0.75f * (0.5f + s) + 0.125f, 0.75f * (0.5f + s) + 0.125f},
        {LOCALTRANSIT_MIXED, 1.0f, 0.0f, 1.0f},
        {LOCALTRANSIT_SEQUENTIAL, 0.25f, 0.5f, 0.0f},
        {LOCALTRANSIT_SEQUENTIAL, 0.5f, 0.0f, 0.0f},
        {LOCALTRANSIT_SEQUENTIAL, 0.75f, 0.0f, 0.5f},
        {LOCALTRANSIT_SEQUENTIAL, 1.0f, 0.0f, 1.0f},
        {LOCALTRANSIT_LINEAR, 0.3f, 0.7f, 0.3f},
        {0, 0.3f, 0.7f, 0.3f},
        {-7, 0.5f, 0.5f, 0.5f},
        {99, 1.0f, 0.0f, 1.0f},
    };
    for (const Case& c : cases) {
        const GxLocalTransitFactors f = GxGetLocalTransitFactors(c.mode, c.p);
        EXPECT_NEAR(f.m_Old, c.old, 1e-5f) << "mode " << c.mode << " p " << c.p;
        EXPECT_NEAR(f.m_Current, c.current, 1e-5f) << "mode " << c.mode << " p " << c.p;
    }
    // The eased fade reaches its ends exactly.
    EXPECT_EQ(GxGetLocalTransitFactors(LOCALTRANSIT_SINE, 1.0f).m_Old, 0.0f);
    EXPECT_EQ(GxGetLocalTransitFactors(LOCALTRANSIT_SINE, 0.0f).m_Current, 0.0f);
}

// The alpha byte of every vertex of the recorded draws, in draw order.
std::vector<uint32_t> DrawnDiffuse(const GxDeviceRecorder& rec)
{
    std::vector<uint32_t> out;
    for (const GxDeviceCall& c : rec.calls)
        if (c.op == GxDeviceOp::DrawPrimitiveUP && !c.vertices.empty()) out.push_back(c.vertices[0].diffuse);
    return out;
}

class LayerTaskTest : public NcTest
{
protected:
    void SetUp() override
    {
        NcTest::SetUp();
        m_DeviceLogPath = GxGetLogPath(GxLogFile::Device);
        GxSetDeviceLogPath(u"/dev/null");
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory([](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
        ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr));
        GxCreateGlobalRenderTargets();
        GxMovie::Create();
        m_Manager = std::make_unique<GxTaskManage>();
        m_Manager->SetRenderLayers(&m_Banks);
        m_Root = new GxTaskBase(m_Manager.get());
        m_Layer = new GxTaskLayer(u"bg", nullptr, 0, m_Root);
    }
    void TearDown() override
    {
        // The layers give their projects and image sets back before the factories are emptied.
        m_Manager.reset();
        GxSetRandOverride(nullptr);
        GxMovie::Release();
        NcTest::TearDown();
        ReleaseGlobalRenderTargets();
        GxGraphics::Release();
        GxSetDeviceLogPath(m_DeviceLogPath);
        GxGraphics::SetDirect3DFactory(nullptr);
        GxGetGraphicsSettings().SetStartupValues();
    }

    GxDeviceRecorder& Recorder() { return GxGraphics::GetDevice()->Recorder(); }

    void WritePicture(const std::string& path, uint32_t w, uint32_t h, uint32_t fill = 0xFF336699u)
    {
        ASSERT_TRUE(m_Folder.Write(path, gxtest::WritePngRgba(gxtest::TestPicture(w, h, fill))));
    }
    void WriteMovie(const std::string& path)
    {
        ASSERT_FALSE(GxLongTestMovie().empty());
        ASSERT_TRUE(m_Folder.Write(path, GxLongTestMovie()));
    }
    void WriteProject()
    {
        GxNcProjectEx p;
        p.m_ProjectName = u"chara";
        GxNcAddLayer(GxNcAddMotion(GxNcAddMotionGroup(p, u"first"), u"idle", 30), u"l");
        GxNcAddLayer(GxNcAddMotion(GxNcAddMotionGroup(p, u"second"), u"walk", 0), u"l");
        ASSERT_TRUE(Write(m_Folder.Path() + "/gnc/chara.gnc", GxNcProjectToBytes(p, GxContentForm::Binary)));
    }
    void WriteImageSet()
    {
        GxNcCrammedImageSet set;
        set.m_CrammedImageArray.resize(1);
        set.m_CrammedImageArray[0].m_FileName = u"set_0.png";
        GxNcOriginImage& face = GxNcAddOriginImage(set, u"face.png");
        GxNcAddPattern(face, 0, 0, 0, 40, 30, 0, 0);
        GxNcAddPattern(face, 0, 40, 0, 20, 10, 40, 0);
        ASSERT_TRUE(Write(m_Folder.Path() + "/ui/set.gis", GxNcImageSetToBytes(set, GxContentForm::Binary)));
    }

    // One update step with the frame's time in milliseconds.
    void Step(int32_t ms) { m_Layer->Update(0, static_cast<int64_t>(ms) * 1000); }
    void DrawRecorded()
    {
        Recorder().Clear();
        m_Layer->Draw(0, 5);
    }

    std::string Save(GxTaskLayer& layer, GxContentForm form)
    {
        return GxContentWriteToString(form, [&](GxContentWriterBase& w) { EXPECT_TRUE(layer.WriteContent(w)); });
    }
    bool Restore(GxTaskLayer& layer, const std::string& bytes, GxContentForm form, int* errors = nullptr)
    {
        GxBinBuffer buffer;
        GxContentFillBuffer(buffer, bytes);
        std::unique_ptr<GxContentReaderBase> r;
        if (form == GxContentForm::Text) r = std::make_unique<GxContentTextReader>(buffer);
        else r = std::make_unique<GxContentBinaryReader>(buffer);
        const bool ok = layer.ReadContent(*r);
        if (errors) *errors = r->GetErrorCount();
        EXPECT_TRUE(r->IsEnd());
        return ok;
    }

    std::u16string m_DeviceLogPath;
    GxRenderLayerBanks m_Banks;
    std::unique_ptr<GxTaskManage> m_Manager;
    GxTaskBase* m_Root = nullptr;
    GxTaskLayer* m_Layer = nullptr;
};

TEST_F(LayerTaskTest, ANewLayerIsAnEmptyLayerTask)
{
    EXPECT_TRUE(m_Layer->IsKindOf(GxTaskKind::Layer));
    EXPECT_TRUE(m_Layer->IsKindOf(GxTaskKind::Actor));
    EXPECT_EQ(m_Layer->GetTaskType(), 1);
    EXPECT_EQ(m_Layer->GetLocalTransitMode(), LOCALTRANSIT_SINE);
    EXPECT_EQ(m_Layer->GetIndexPos(), 0);
    EXPECT_FALSE(m_Layer->IsLocalTransit());
    EXPECT_EQ(m_Layer->GetCurrentContent()->m_ContentType, CONTENTTYPE_NONE);
    EXPECT_EQ(m_Layer->GetWidth(), 0);
    DrawRecorded();
    EXPECT_TRUE(DrawnDiffuse(Recorder()).empty());
}

TEST_F(LayerTaskTest, LoadWithTimeCrossFadesAndWithoutDropsTheOldPicture)
{
    WritePicture("cg/a.png", 64, 32);
    WritePicture("cg/b.png", 16, 16);
    ASSERT_TRUE(m_Layer->LoadImage(u"cg/a.png", 0));
    EXPECT_EQ(m_Layer->GetIndexPos(), 1);
    EXPECT_FALSE(m_Layer->IsLocalTransit());
    EXPECT_EQ(m_Layer->GetCurrentContent()->m_Width, 64);

    m_Layer->SetLocalTransitMode(LOCALTRANSIT_LINEAR);
    ASSERT_TRUE(m_Layer->LoadImage(u"cg/b.png", 500));
    EXPECT_EQ(m_Layer->GetIndexPos(), 0);
    ASSERT_TRUE(m_Layer->IsLocalTransit());
    EXPECT_EQ(m_Layer->GetOldContent().m_ContentFileName, u"cg/a.png");
    EXPECT_NE(m_Layer->GetOldContent().m_pTextureFlex, nullptr);

    // Half way: A at 1 - p, B at p; A first so that B ends on top.
    Step(250);
    EXPECT_FLOAT_EQ(m_Layer->GetLocalTransit().GetProgress(), 0.5f);
    DrawRecorded();
    EXPECT_EQ(DrawnDiffuse(Recorder()), (std::vector<uint32_t>{0x7FFFFFFFu, 0x7FFFFFFFu}));
    EXPECT_EQ(Recorder().Count(GxDeviceOp::BeginScene), 1u);
    EXPECT_EQ(Recorder().Count(GxDeviceOp::EndScene), 1u);

    // The step that uses up the time ends the fade and empties A's record.
    Step(249);
    EXPECT_TRUE(m_Layer->IsLocalTransit());
    Step(1);
    EXPECT_FALSE(m_Layer->IsLocalTransit());
    EXPECT_EQ(m_Layer->GetLocalTransit().m_TransitTimeLeft, 0);
    EXPECT_EQ(m_Layer->GetOldContent().m_ContentType, CONTENTTYPE_NONE);
    EXPECT_EQ(m_Layer->GetOldContent().m_pTextureFlex, nullptr);
    DrawRecorded();
    EXPECT_EQ(DrawnDiffuse(Recorder()), (std::vector<uint32_t>{0xFFFFFFFFu}));

    // Time 0: the previous picture is dropped at once.
    ASSERT_TRUE(m_Layer->LoadImage(u"cg/a.png", 0));
    EXPECT_FALSE(m_Layer->IsLocalTransit());
    EXPECT_EQ(m_Layer->GetOldContent().m_ContentType, CONTENTTYPE_NONE);
    EXPECT_EQ(m_Layer->GetOldContent().m_pTextureFlex, nullptr);
}

TEST_F(LayerTaskTest, LoadingRunsPendingActionsToTheirEnd)
{
    m_Layer->AddActionMoveTo(GxVector3(100, 50, 0), 1000, 0);
    m_Layer->AddActionFadeOut(300);
    ASSERT_TRUE(m_Layer->LoadSolidColor(0xFF000000u, 0));
    EXPECT_TRUE(m_Layer->IsActionFinished());
    EXPECT_EQ(m_Layer->GetPos().x, 100.0f);
    EXPECT_EQ(m_Layer->GetAlpha(), 0);
}

TEST_F(LayerTaskTest, FailedLoadsLeaveTheNewRecordEmpty)
{
    WriteProject();
    WriteImageSet();
    ASSERT_TRUE(m_Layer->LoadSolidColor(0xFFFF0000u, 0));

    struct Case
    {
        const char* what;
        std::function<bool(GxTaskLayer&)> load;
    };
    const Case cases[] = {
        {"missing project", [](GxTaskLayer& l) { return l.LoadMotion(u"gnc/none", u"", u"", u"idle", 0, 0); }},
        {"missing group", [](GxTaskLayer& l) { return l.LoadMotion(u"gnc/chara.gnc", u"", u"third", u"idle", 0, 0); }},
        {"missing motion", [](GxTaskLayer& l) { return l.LoadMotion(u"gnc/chara.gnc", u"", u"second", u"run", 0, 0); }},
        {"missing motion in the first group",
         [](GxTaskLayer& l) { return l.LoadMotion(u"gnc/chara.gnc", u"", u"", u"walk", 0, 0); }},
        {"missing image set", [](GxTaskLayer& l) { return l.LoadImageSetImage(u"ui/none.gis", u"face.png", 0, 0); }},
        {"missing image", [](GxTaskLayer& l) { return l.LoadImageSetImage(u"ui/set.gis", u"hand.png", 0, 0); }},
        {"bad texture size", [](GxTaskLayer& l) { return l.LoadTexture(0, 16, 0); }},
        {"huge texture", [](GxTaskLayer& l) { return l.LoadTexture(16, 100000, 0); }},
        {"missing texture file", [](GxTaskLayer& l) { return l.LoadTextureFile(u"cg/none.png", 0); }},
        {"bad movie size", [](GxTaskLayer& l) { return l.LoadMovie(u"mov/op.mpg", -4, 10, 1, 0.0, 0, true, 0); }},
        {"movie without name", [](GxTaskLayer& l) { return l.LoadMovie(u"", 64, 64, 1, 0.0, 0, true, 0); }},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(m_Layer->LoadSolidColor(0xFFFF0000u, 0));
        EXPECT_FALSE(c.load(*m_Layer)) << c.what;
        EXPECT_EQ(m_Layer->GetCurrentContent()->m_ContentType, CONTENTTYPE_NONE) << c.what;
        EXPECT_EQ(m_Layer->GetOldContent().m_ContentType, CONTENTTYPE_NONE) << c.what;
    }
    // Nothing stays referenced by a failed load.
    EXPECT_EQ(GxGetNcProjectFactory().Find(u"gnc/chara.gnc"), nullptr);
    EXPECT_EQ(GxGetNcCrammedImageSetFactory().Find(u"ui/set.gis"), nullptr);
    for (uint32_t s = 0; s < GxMovie::kSlotCount; ++s) EXPECT_FALSE(GxMovie::GetSlotInfo(s).m_Open);

    // A failed load with a time still fades the previous content out.
    ASSERT_TRUE(m_Layer->LoadSolidColor(0xFFFF0000u, 0));
    EXPECT_FALSE(m_Layer->LoadTextureFile(u"cg/none.png", 400));
    EXPECT_TRUE(m_Layer->IsLocalTransit());
    EXPECT_EQ(m_Layer->GetOldContent().m_ContentType, CONTENTTYPE_SOLIDCOLOR);
}

TEST_F(LayerTaskTest, AnEmptyListOfFilesIsLoggedAndChangesNothing)
{
    ASSERT_TRUE(m_Layer->LoadSolidColor(0xFF00FF00u, 300));
    const int32_t index = m_Layer->GetIndexPos();
    EXPECT_FALSE(m_Layer->LoadMultiTextureFile({}, 500));
    EXPECT_TRUE(Logged("GxTaskLayer:読み込むファイルが指定されていません"));
    EXPECT_EQ(m_Layer->GetIndexPos(), index);
    EXPECT_EQ(m_Layer->GetLocalTransit().m_TransitTimeTotal, 300);
    EXPECT_EQ(m_Layer->GetCurrentContent()->m_ContentType, CONTENTTYPE_SOLIDCOLOR);
}

TEST_F(LayerTaskTest, TextureFilesFromOneFileOrAList)
{
    WritePicture("cg/base.png", 40, 20, 0xFF0000FFu);
    WritePicture("cg/over.png", 40, 20, 0x80FF0000u);
    ASSERT_TRUE(m_Layer->LoadTextureFile(u"cg/base.png", 0));
    GxLayerContent* c = m_Layer->GetCurrentContent();
    EXPECT_EQ(c->m_ContentType, CONTENTTYPE_TEXTUREFILE);
    EXPECT_EQ(c->m_ContentFileName, u"cg/base.png");
    EXPECT_EQ(c->m_Width, 40);

    ASSERT_TRUE(m_Layer->LoadMultiTextureFile({u"cg/base.png", u"cg/over.png"}, 0));
    c = m_Layer->GetCurrentContent();
    EXPECT_EQ(c->m_ContentType, CONTENTTYPE_TEXTUREFILE);
    EXPECT_TRUE(c->m_ContentFileName.empty());
    EXPECT_EQ(c->m_MultiContentFileName, (std::vector<std::u16string>{u"cg/base.png", u"cg/over.png"}));
    EXPECT_EQ(c->m_Height, 20);
    ASSERT_NE(c->m_pTexture, nullptr);
}

TEST_F(LayerTaskTest, MissingPictureShowsTheErrorPictureWithItsName)
{
    WritePicture("cg/error.png", 30, 20);
    WritePicture("cg/a.png", 8, 8);
    ASSERT_TRUE(m_Layer->LoadImage(u"cg/gone.png", 0));
    EXPECT_TRUE(m_Layer->IsFileNameLabelShown());
    EXPECT_EQ(m_Layer->GetCurrentContent()->m_ContentFileName, u"cg/gone.png");
    EXPECT_EQ(m_Layer->GetWidth(), 30);

    // The label is written at the layer's position + (32, 64) in white, glyph by glyph.
    GxGetGDIFontMap(1)->SetFont(16, nullptr);
    m_Layer->SetPos(GxVector3(100, 10, 0));
    DrawRecorded();
    const std::vector<uint32_t> diffuse = DrawnDiffuse(Recorder());
    ASSERT_GT(diffuse.size(), 1u);  // the picture, then the glyphs
    for (uint32_t d : diffuse) EXPECT_EQ(d, 0xFFFFFFFFu);
    float leftmostGlyph = 1e9f, topmostGlyph = 1e9f;
    bool first = true;
    for (const GxDeviceCall& c : Recorder().calls) {
        if (c.op != GxDeviceOp::DrawPrimitiveUP) continue;
        if (first) {  // the picture
            first = false;
            continue;
        }
        for (const GxScreenVertex& v : c.vertices) {
            leftmostGlyph = std::min(leftmostGlyph, v.x);
            topmostGlyph = std::min(topmostGlyph, v.y);
        }
    }
    EXPECT_GE(leftmostGlyph, 131.0f);
    EXPECT_LT(leftmostGlyph, 140.0f);
    EXPECT_GE(topmostGlyph, 73.0f);
    EXPECT_LT(topmostGlyph, 90.0f);
    GxGetGDIFontMap(1)->Clear();

    // A picture that is found clears the label.
    ASSERT_TRUE(m_Layer->LoadImage(u"cg/a.png", 0));
    EXPECT_FALSE(m_Layer->IsFileNameLabelShown());
}

TEST_F(LayerTaskTest, SubLayersLoadOnlyAtAnIndexTheRecordHas)
{
    WritePicture("cg/body.png", 64, 64);
    WritePicture("cg/face.png", 16, 8);
    ASSERT_TRUE(m_Layer->LoadImage(u"cg/body.png", 0));
    m_Layer->GetCurrentContent()->CreateSubLayerList(2);
    ASSERT_TRUE(m_Layer->LoadSubLayer(u"cg/face.png", 1));
    EXPECT_EQ(m_Layer->GetCurrentContent()->GetSubLayer(1)->m_Width, 16);
    m_Layer->GetCurrentContent()->GetSubLayer(1)->m_OffsetPos = GxVector2(5, 7);

    for (int32_t bad : {2, -1}) {
        m_Log.Clear();
        EXPECT_FALSE(m_Layer->LoadSubLayer(u"cg/face.png", bad));
        EXPECT_TRUE(Logged("GxTaskLayer:サブレイヤーに読み込めません。インデックスを超えている可能性があります:cg/face.png index:" +
                           std::to_string(bad)))
            << m_Log.Joined();
    }

    // The sub-layer is drawn over the picture at the truncated position plus its offset.
    m_Layer->SetPos(GxVector3(10.75f, 20.5f, 0));
    DrawRecorded();
    std::vector<const GxDeviceCall*> draws;
    for (const GxDeviceCall& c : Recorder().calls)
        if (c.op == GxDeviceOp::DrawPrimitiveUP) draws.push_back(&c);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_FLOAT_EQ(draws[0]->vertices[0].x, 10.0f - 0.5f);
    EXPECT_FLOAT_EQ(draws[0]->vertices[0].y, 20.0f - 0.5f);
    EXPECT_FLOAT_EQ(draws[1]->vertices[0].x, 15.0f - 0.5f);
    EXPECT_FLOAT_EQ(draws[1]->vertices[0].y, 27.0f - 0.5f);
}

TEST_F(LayerTaskTest, ShakeStaysWithinItsAmplitudeInWholePixels)
{
    // The extremes of rand() give the full amplitude; its middle gives none.
    std::vector<int32_t> values = {0, 32767, 16383, 0, 32767, 32767};
    size_t next = 0;
    GxSetRandOverride([&] { return values[next++ % values.size()]; });
    m_Layer->StartShake(GxVector3(10, 6, 0, 0), -1);
    Step(16);
    EXPECT_EQ(m_Layer->GetVisualParam().m_ShakeOffsetPos.x, -10.0f);
    EXPECT_EQ(m_Layer->GetVisualParam().m_ShakeOffsetPos.y, 6.0f);
    Step(16);
    EXPECT_EQ(m_Layer->GetVisualParam().m_ShakeOffsetPos.x, 0.0f);
    EXPECT_EQ(m_Layer->GetVisualParam().m_ShakeOffsetPos.y, -6.0f);
    // The offset moves the layer.
    m_Layer->SetPos(GxVector3(100, 100, 0));
    Step(16);
    EXPECT_EQ(m_Layer->GetAbsolutePos().x, 110.0f);
    EXPECT_EQ(m_Layer->GetAbsolutePos().y, 106.0f);

    // Random draws: whole pixels within -10..10 by -6..6, for as long as it is not stopped.
    GxSetRandOverride(nullptr);
    for (int i = 0; i < 2000; ++i) {
        Step(16);
        const GxVector3 o = m_Layer->GetVisualParam().m_ShakeOffsetPos;
        ASSERT_TRUE(o.x >= -10.0f && o.x <= 10.0f && o.x == std::trunc(o.x)) << o.x;
        ASSERT_TRUE(o.y >= -6.0f && o.y <= 6.0f && o.y == std::trunc(o.y)) << o.y;
    }
    EXPECT_TRUE(m_Layer->IsShaking());
    m_Layer->StopShake();
    EXPECT_FALSE(m_Layer->IsShaking());
    EXPECT_EQ(m_Layer->GetVisualParam().m_ShakeOffsetPos.x, 0.0f);
    EXPECT_EQ(m_Layer->GetVisualParam().m_ShakeOffsetPos.y, 0.0f);
}

TEST_F(LayerTaskTest, TimedShakesStopWhenTheirTimeRunsOut)
{
    m_Layer->StartShake(GxVector3(4, 4, 0, 0), 0);
    Step(0);
    EXPECT_FALSE(m_Layer->IsShaking());
    EXPECT_EQ(m_Layer->GetVisualParam().m_ShakeOffsetPos.x, 0.0f);

    m_Layer->StartShake(GxVector3(4, 4, 0, 0), 100);
    Step(60);
    EXPECT_TRUE(m_Layer->IsShaking());
    EXPECT_EQ(m_Layer->GetShakeTimeLeft(), 40);
    Step(40);
    EXPECT_FALSE(m_Layer->IsShaking());
    EXPECT_EQ(m_Layer->GetShakeTimeLeft(), 0);
}

TEST_F(LayerTaskTest, MoviesPlayInTheRecordsSlotAndFadeThemselvesOut)
{
    WriteMovie("mov/op.mpg");
    const GxFrozenSoundClock clock;  // the position read back is the one set
    ASSERT_TRUE(m_Layer->LoadMovie(u"mov/op.mpg", 320, 240, 3, 1.5, -300, true, 0));
    GxLayerContent* c = m_Layer->GetCurrentContent();
    EXPECT_EQ(c->m_ContentType, CONTENTTYPE_MOVIE);
    EXPECT_EQ(c->m_MyChannel, 2u);  // index 1 plays in slot 2
    EXPECT_EQ(c->m_LoopCount, 2);
    EXPECT_EQ(m_Layer->GetMoviePlayer(), 2u);
    GxMovieSlotInfo slot = GxMovie::GetSlotInfo(2);
    EXPECT_TRUE(slot.m_Open);
    EXPECT_TRUE(slot.m_Playing);
    EXPECT_EQ(slot.m_FileName, u"mov/op.mpg");
    EXPECT_EQ(slot.m_LoopCount, 2);
    EXPECT_EQ(slot.m_LoopStart, 1.5);
    EXPECT_EQ(slot.m_Volume, -300);
    EXPECT_EQ(m_Layer->GetWidth(), 320);
    EXPECT_EQ(m_Layer->GetHeight(), 240);

    m_Layer->SetMovieAutoDisappearTime(300);
    Step(16);
    EXPECT_FALSE(m_Layer->IsLocalTransit());
    GxMovie::SetPosition(2, 4.25);
    EXPECT_EQ(m_Layer->GetMovieCurrentTime(), 4.25);

    // Once it stops, the movie fades out over the set time and its slot is closed at the end.
    m_Layer->StopMovie();
    EXPECT_FALSE(m_Layer->IsMoviePlaying());
    Step(0);
    ASSERT_TRUE(m_Layer->IsLocalTransit());
    EXPECT_EQ(m_Layer->GetLocalTransit().m_TransitTimeTotal, 300);
    EXPECT_EQ(m_Layer->GetCurrentContent()->m_ContentType, CONTENTTYPE_NONE);
    EXPECT_EQ(m_Layer->GetOldContent().m_ContentType, CONTENTTYPE_MOVIE);
    Step(299);
    EXPECT_TRUE(GxMovie::GetSlotInfo(2).m_Open);
    Step(1);
    EXPECT_FALSE(m_Layer->IsLocalTransit());
    EXPECT_FALSE(GxMovie::GetSlotInfo(2).m_Open);
}

TEST_F(LayerTaskTest, AMovieWithoutAutoFlagWaitsForPlayMovie)
{
    WriteMovie("mov/op.mpg");
    ASSERT_TRUE(m_Layer->LoadMovie(u"mov/op.mpg", 1024, 768, 1, 0.0, 0, false, 0));
    EXPECT_FALSE(GxMovie::GetSlotInfo(2).m_Open);
    EXPECT_FALSE(m_Layer->IsMoviePlaying());
    Step(16);  // not playing, but it does not fade itself out either
    EXPECT_FALSE(m_Layer->IsLocalTransit());
    EXPECT_EQ(m_Layer->GetCurrentContent()->m_ContentType, CONTENTTYPE_MOVIE);

    ASSERT_TRUE(m_Layer->PlayMovie(-500));
    EXPECT_TRUE(m_Layer->IsMoviePlaying());
    EXPECT_EQ(GxMovie::GetSlotInfo(2).m_LoopCount, 0);
    EXPECT_EQ(GxMovie::GetSlotInfo(2).m_Volume, -500);

    // Not a movie: nothing to play.
    ASSERT_TRUE(m_Layer->LoadSolidColor(0xFF000000u, 0));
    EXPECT_FALSE(m_Layer->PlayMovie(0));
    EXPECT_FALSE(m_Layer->IsMoviePlaying());
    EXPECT_EQ(m_Layer->GetMovieCurrentTime(), 0.0);
    EXPECT_EQ(m_Layer->GetMoviePlayer(), 0u);
    EXPECT_FALSE(GxMovie::GetSlotInfo(2).m_Open);
}

TEST_F(LayerTaskTest, CenterOnScreenUsesThePictureSize)
{
    WritePicture("cg/640.png", 640, 480);
    ASSERT_TRUE(m_Layer->LoadImage(u"cg/640.png", 0));
    m_Layer->CenterOnScreen();
    EXPECT_EQ(m_Layer->GetPos().x, 192.0f);
    EXPECT_EQ(m_Layer->GetPos().y, 144.0f);

    // A texture file is rounded up to 1024 x 512 inside, but centres by its picture.
    ASSERT_TRUE(m_Layer->LoadTextureFile(u"cg/640.png", 0));
    m_Layer->SetPos(GxVector3());
    m_Layer->CenterOnScreen();
    EXPECT_EQ(m_Layer->GetPos().x, 192.0f);
    EXPECT_EQ(m_Layer->GetPos().y, 144.0f);

    // Odd leftovers are truncated; contents without a picture centre a zero size.
    WritePicture("cg/odd.png", 101, 67);
    ASSERT_TRUE(m_Layer->LoadImage(u"cg/odd.png", 0));
    m_Layer->CenterOnScreen();
    EXPECT_EQ(m_Layer->GetPos().x, 461.0f);
    EXPECT_EQ(m_Layer->GetPos().y, 350.0f);
    ASSERT_TRUE(m_Layer->LoadSolidColor(0xFFFFFFFFu, 0));
    m_Layer->CenterOnScreen();
    EXPECT_EQ(m_Layer->GetPos().x, 512.0f);
}

TEST_F(LayerTaskTest, ClearEmptiesBothRecordsAndEndsTheFade)
{
    ASSERT_TRUE(m_Layer->LoadSolidColor(0xFF0000FFu, 0));
    ASSERT_TRUE(m_Layer->LoadSolidColor(0xFF00FF00u, 800));
    m_Layer->StartShake(GxVector3(3, 3, 0, 0), -1);
    m_Layer->SetLocalTransitMode(LOCALTRANSIT_SEQUENTIAL);
    m_Layer->SetMovieAutoDisappearTime(200);
    m_Layer->m_ActionPause = true;
    Step(16);
    m_Layer->Clear();
    EXPECT_FALSE(m_Layer->IsLocalTransit());
    EXPECT_EQ(m_Layer->GetLocalTransit().m_TransitTimeLeft, 0);
    EXPECT_FALSE(m_Layer->IsShaking());
    EXPECT_EQ(m_Layer->GetVisualParam().m_ShakeOffsetPos.x, 0.0f);
    EXPECT_EQ(m_Layer->GetLocalTransitMode(), LOCALTRANSIT_SINE);
    EXPECT_EQ(m_Layer->GetMovieAutoDisappearTime(), 0);
    EXPECT_FALSE(m_Layer->m_ActionPause);
    EXPECT_EQ(m_Layer->GetCurrentContent()->m_ContentType, CONTENTTYPE_NONE);
    EXPECT_EQ(m_Layer->GetOldContent().m_ContentType, CONTENTTYPE_NONE);
    DrawRecorded();
    EXPECT_TRUE(DrawnDiffuse(Recorder()).empty());
}

TEST_F(LayerTaskTest, TransitsStartEndAndAreReachedByTheWalks)
{
    ASSERT_TRUE(m_Layer->LoadSolidColor(0xFF0000FFu, 0));
    EXPECT_FALSE(m_Layer->EndLocalTransit());
    EXPECT_TRUE(m_Layer->StartLocalTransit(500));
    EXPECT_TRUE(m_Layer->IsLocalTransit());
    EXPECT_EQ(m_Layer->GetCurrentContent()->m_ContentType, CONTENTTYPE_NONE);
    EXPECT_EQ(m_Layer->GetOldContent().m_ContentType, CONTENTTYPE_SOLIDCOLOR);
    EXPECT_TRUE(GxTaskControl::IsAnyLocalTransit(m_Root));
    EXPECT_TRUE(m_Layer->EndLocalTransit());
    EXPECT_FALSE(m_Layer->IsLocalTransit());
    EXPECT_EQ(m_Layer->GetOldContent().m_ContentType, CONTENTTYPE_NONE);

    // Clearing with a transit through the walk, selected by layer type.
    m_Layer->SetLayerType(3);
    ASSERT_TRUE(m_Layer->LoadSolidColor(0xFF0000FFu, 0));
    GxTaskControl::ClearLayersWithTransit(m_Root, 200, 4);
    EXPECT_FALSE(m_Layer->IsLocalTransit());
    GxTaskControl::ClearLayersWithTransit(m_Root, 200, 3);
    EXPECT_TRUE(m_Layer->IsLocalTransit());
    GxTaskControl::EndLocalTransits(m_Root);
    EXPECT_FALSE(m_Layer->IsLocalTransit());
    ASSERT_TRUE(m_Layer->LoadSolidColor(0xFF0000FFu, 0));
    GxTaskControl::ClearLayers(m_Root, 0);
    EXPECT_EQ(m_Layer->GetCurrentContent()->m_ContentType, CONTENTTYPE_NONE);
}

TEST_F(LayerTaskTest, RenderRegistersInLayerFiveWhetherVisibleOrNot)
{
    m_Layer->SetOrderZ(-10.0f);
    m_Layer->Hide();
    EXPECT_EQ(m_Layer->Render(0, 0), 0);
    const auto& list = m_Banks.GetList(5)->GetEntries();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.front().task, m_Layer);
    EXPECT_EQ(list.front().orderKey, -10.0f);

    ASSERT_TRUE(m_Layer->LoadSolidColor(0xFF0000FFu, 0));
    DrawRecorded();
    EXPECT_EQ(Recorder().Count(GxDeviceOp::BeginScene), 0u);
    EXPECT_TRUE(DrawnDiffuse(Recorder()).empty());
}

TEST_F(LayerTaskTest, SolidColoursAndTexturesDrawWithTheActorsState)
{
    // A solid colour fills the screen: the actor's colour times the layer's, the actor's alpha.
    ASSERT_TRUE(m_Layer->LoadSolidColor(0x40FF8000u, 0));
    EXPECT_EQ(m_Layer->GetCurrentContent()->m_Width, 1024);
    m_Layer->SetColor0(GxFColor(1.0f, 0.5f, 1.0f, 1.0f));
    m_Layer->SetAlpha(128);
    m_Layer->GetVisualParam().m_Color1 = GxFColor(0.0f, 0.0f, 1.0f, 0.0f);
    m_Layer->SetBlendMode(3);
    DrawRecorded();
    std::vector<const GxDeviceCall*> draws;
    for (const GxDeviceCall& c : Recorder().calls)
        if (c.op == GxDeviceOp::DrawPrimitiveUP) draws.push_back(&c);
    ASSERT_EQ(draws.size(), 2u);  // two fans around the centre
    float right = 0.0f, bottom = 0.0f;
    for (const GxDeviceCall* d : draws) {
        for (const GxScreenVertex& v : d->vertices) {
            EXPECT_EQ(v.diffuse, 0x80FF4000u);
            EXPECT_EQ(v.specular, 0x000000FFu);
            right = std::max(right, v.x);
            bottom = std::max(bottom, v.y);
        }
    }
    EXPECT_EQ(right, 1024.0f);
    EXPECT_EQ(bottom, 768.0f);

    // Alpha 0 draws nothing at all.
    m_Layer->SetAlpha(0);
    DrawRecorded();
    EXPECT_TRUE(DrawnDiffuse(Recorder()).empty());

    // A texture takes the UV offset, a movie does not.
    m_Layer->SetAlpha(255);
    m_Layer->SetColor0(GxFColor(1, 1, 1, 1));
    m_Layer->SetUVOffset(GxVector2(0.25f, 0.0f));
    m_Layer->SetPos(GxVector3(30, 40, 0));
    ASSERT_TRUE(m_Layer->LoadTexture(64, 32, 0));
    DrawRecorded();
    ASSERT_EQ(DrawnDiffuse(Recorder()).size(), 1u);
    const GxDeviceCall* tex = nullptr;
    for (const GxDeviceCall& c : Recorder().calls)
        if (c.op == GxDeviceOp::DrawPrimitiveUP) tex = &c;
    EXPECT_FLOAT_EQ(tex->vertices[0].x, 29.5f);
    EXPECT_FLOAT_EQ(tex->vertices[0].y, 39.5f);
    EXPECT_FLOAT_EQ(tex->vertices[0].u, 0.25f);
    EXPECT_FLOAT_EQ(tex->vertices[2].u, 1.25f);
    WriteMovie("mov/a.mpg");
    // A held clock: the slots' update waits for the first frame, which the layer draws from.
    GxFrozenSoundClock frozen;
    ASSERT_TRUE(m_Layer->LoadMovie(u"mov/a.mpg", 64, 32, 1, 0.0, 0, true, 0));
    GxMovie::Update();
    DrawRecorded();
    tex = nullptr;
    for (const GxDeviceCall& c : Recorder().calls)
        if (c.op == GxDeviceOp::DrawPrimitiveUP) tex = &c;
    ASSERT_NE(tex, nullptr);
    EXPECT_FLOAT_EQ(tex->vertices[0].u, 0.0f);
    EXPECT_FLOAT_EQ(tex->vertices[2].u, 1.0f);
}

TEST_F(LayerTaskTest, ImageSetPatternsDrawWithTheLayersWorldMatrix)
{
    WriteImageSet();
    ASSERT_TRUE(m_Layer->LoadImageSetImage(u"ui/set.gis", u"FACE.PNG", 1, 0));
    GxLayerContent* c = m_Layer->GetCurrentContent();
    EXPECT_EQ(c->m_ImageName, u"face.png");
    EXPECT_EQ(c->m_Width, 20);
    EXPECT_EQ(c->m_Height, 10);
    ASSERT_NE(c->m_pImage, nullptr);

    m_Layer->SetPos(GxVector3(100, 200, 0));
    m_Layer->SetAlpha(51);
    Step(16);
    m_Graphics.m_Quads.clear();
    DrawRecorded();
    ASSERT_EQ(m_Graphics.m_Quads.size(), 1u);
    const GxNcQuad& q = m_Graphics.m_Quads[0];
    // The pattern's content sits at its offset (40, 0) in the image, moved by the layer.
    EXPECT_FLOAT_EQ(q.m_Corner[0].x, 140.0f);
    EXPECT_FLOAT_EQ(q.m_Corner[0].y, 200.0f);
    EXPECT_EQ(q.m_Diffuse >> 24, 51u);

    // A pattern index beyond the image: the record loads with size 0 and draws nothing.
    ASSERT_TRUE(m_Layer->LoadImageSetImage(u"ui/set.gis", u"face.png", 5, 0));
    EXPECT_EQ(m_Layer->GetCurrentContent()->m_Width, 0);
    m_Graphics.m_Quads.clear();
    DrawRecorded();
    EXPECT_TRUE(m_Graphics.m_Quads.empty());
}

TEST_F(LayerTaskTest, MotionsPlayAtTheScreenCentreThroughTheScratchTarget)
{
    WriteProject();
    // An empty group name takes the project's first group.
    ASSERT_TRUE(m_Layer->LoadMotion(u"gnc/chara.gnc", u"", u"", u"idle", 28, 0)) << m_Log.Joined();
    GxLayerContent* c = m_Layer->GetCurrentContent();
    EXPECT_EQ(c->m_ContentType, CONTENTTYPE_NCMOTION);
    EXPECT_EQ(c->m_MotionGroupName, u"first");
    EXPECT_EQ(c->m_FrameCount, 28);
    m_Layer->SetPos(GxVector3(10, -20, 0));
    Step(16);
    EXPECT_EQ(c->m_SnapShot.GetTime(), 28);
    EXPECT_FLOAT_EQ(c->m_MatWorld.m[3][0], 522.0f);
    EXPECT_FLOAT_EQ(c->m_MatWorld.m[3][1], 364.0f);
    Step(16);
    Step(16);  // frame 30 wraps to 0 in a motion of length 30
    EXPECT_EQ(c->m_SnapShot.GetTime(), 0);

    DrawRecorded();
    // Into the scratch target and back, cleared to transparent black, then one screen quad.
    EXPECT_EQ(Recorder().Count(GxDeviceOp::SetRenderTarget), 2u);
    bool cleared = false;
    for (const GxDeviceCall& call : Recorder().calls)
        if (call.op == GxDeviceOp::Clear && call.args[1] == GXCLEAR_TARGET && call.args[2] == 0u) cleared = true;
    EXPECT_TRUE(cleared);
    const GxDeviceCall* quad = nullptr;
    for (const GxDeviceCall& call : Recorder().calls)
        if (call.op == GxDeviceOp::DrawPrimitiveUP) quad = &call;
    ASSERT_NE(quad, nullptr);
    EXPECT_FLOAT_EQ(quad->vertices[2].x, 1024.0f - 0.5f);
    EXPECT_FLOAT_EQ(quad->vertices[2].y, 768.0f - 0.5f);
    EXPECT_FLOAT_EQ(quad->vertices[2].u, 1.0f);
    EXPECT_FLOAT_EQ(quad->vertices[2].v, 0.75f);  // 768 of a 1024-row texture

    // A motion of length 0 always shows frame 0.
    ASSERT_TRUE(m_Layer->LoadMotion(u"gnc/chara.gnc", u"", u"second", u"walk", 7, 0));
    Step(16);
    EXPECT_EQ(m_Layer->GetCurrentContent()->m_SnapShot.GetTime(), 0);
    // Both records held the same project: one load, released with the records.
    GxNcProjectEx* p = GxGetNcProjectFactory().Find(u"gnc/chara.gnc");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetRefCount(), 1u);
    m_Layer->Clear();
    EXPECT_EQ(GxGetNcProjectFactory().Find(u"gnc/chara.gnc"), nullptr);
}

class LayerTaskStorage : public LayerTaskTest, public ::testing::WithParamInterface<GxContentForm>
{
};

TEST_P(LayerTaskStorage, ARestoredLayerResumesItsFadeAtTheSameProgress)
{
    WritePicture("cg/a.png", 48, 24);
    ASSERT_TRUE(m_Layer->LoadImage(u"cg/a.png", 0));
    ASSERT_TRUE(m_Layer->LoadSolidColor(0xFF102030u, 1000));
    m_Layer->SetLayerType(7);
    m_Layer->SetLocalTransitMode(LOCALTRANSIT_MIXED);
    m_Layer->SetMovieAutoDisappearTime(250);
    m_Layer->StartShake(GxVector3(5, 2, 0, 0), 900);
    m_Layer->SetPos(GxVector3(12, 34, 0));
    Step(400);
    const float progress = m_Layer->GetLocalTransit().GetProgress();
    EXPECT_FLOAT_EQ(progress, 0.4f);

    const std::string bytes = Save(*m_Layer, GetParam());
    auto* restored = new GxTaskLayer(u"restored", nullptr, 0, m_Root);
    int errors = -1;
    EXPECT_TRUE(Restore(*restored, bytes, GetParam(), &errors));
    EXPECT_EQ(errors, 0) << m_Log.Joined();
    EXPECT_EQ(restored->GetLayerType(), 7);
    EXPECT_EQ(restored->GetIndexPos(), m_Layer->GetIndexPos());
    EXPECT_TRUE(restored->IsLocalTransit());
    EXPECT_FLOAT_EQ(restored->GetLocalTransit().GetProgress(), progress);
    EXPECT_EQ(restored->GetLocalTransitMode(), LOCALTRANSIT_MIXED);
    EXPECT_EQ(restored->GetMovieAutoDisappearTime(), 250);
    EXPECT_TRUE(restored->IsShaking());
    EXPECT_EQ(restored->GetShakeTimeLeft(), 500);
    EXPECT_EQ(restored->GetPos().x, 12.0f);
    // Both records come back with their resources.
    EXPECT_EQ(restored->GetCurrentContent()->m_ContentType, CONTENTTYPE_SOLIDCOLOR);
    EXPECT_NEAR(restored->GetCurrentContent()->m_SolidColor.r, 16.0f / 255.0f, 1e-6f);
    EXPECT_EQ(restored->GetOldContent().m_ContentType, CONTENTTYPE_FLEXTEXTURE);
    ASSERT_NE(restored->GetOldContent().m_pTextureFlex, nullptr);
    EXPECT_EQ(restored->GetOldContent().m_pTextureFlex->GetImageWidth(), 48u);

    // Both draw the same fade from here on.
    m_Layer->StopShake();
    restored->StopShake();
    Step(100);
    restored->Update(0, 100000);
    DrawRecorded();
    const std::vector<uint32_t> original = DrawnDiffuse(Recorder());
    Recorder().Clear();
    restored->Draw(0, 5);
    const std::vector<uint32_t> again = DrawnDiffuse(Recorder());
    ASSERT_EQ(original.size(), 3u);  // the picture, then the colour's two fans
    ASSERT_EQ(again.size(), original.size());
    for (size_t i = 0; i < again.size(); ++i) {
        // Same factors; the text form keeps a colour to six decimals, which may move a channel
        // by one level.
        EXPECT_EQ(again[i] >> 24, original[i] >> 24);
        for (int shift = 0; shift < 24; shift += 8)
            EXPECT_NEAR(static_cast<int>((again[i] >> shift) & 0xFF), static_cast<int>((original[i] >> shift) & 0xFF),
                        GetParam() == GxContentForm::Text ? 1 : 0);
    }
}

TEST_P(LayerTaskStorage, AMovieLayerIsSavedAtItsPositionAndPlaysOnInItsSlot)
{
    WriteMovie("mov/ed.mpg");
    const GxFrozenSoundClock clock;  // the saved and restored positions are the ones set
    ASSERT_TRUE(m_Layer->LoadMovie(u"mov/ed.mpg", 256, 128, 0, 2.0, 0, true, 0));
    GxMovie::SetPosition(2, 12.5);
    const std::string bytes = Save(*m_Layer, GetParam());
    m_Layer->Clear();
    EXPECT_FALSE(GxMovie::GetSlotInfo(2).m_Open);

    auto* restored = new GxTaskLayer(u"restored", nullptr, 0, m_Root);
    EXPECT_TRUE(Restore(*restored, bytes, GetParam()));
    const GxMovieSlotInfo slot = GxMovie::GetSlotInfo(2);
    EXPECT_TRUE(slot.m_Open);
    EXPECT_TRUE(slot.m_Playing);
    EXPECT_EQ(slot.m_Position, 12.5);
    EXPECT_EQ(slot.m_LoopStart, 2.0);
    EXPECT_EQ(slot.m_LoopCount, -1);
    EXPECT_TRUE(restored->IsMoviePlaying());
}

TEST_P(LayerTaskStorage, DamagedStreamsAreRefusedWithoutHarm)
{
    ASSERT_TRUE(m_Layer->LoadSolidColor(0xFF102030u, 500));
    const std::string bytes = Save(*m_Layer, GetParam());

    // An index other than 0 or 1 is logged and taken as 0.
    std::string damaged = bytes;
    if (GetParam() == GxContentForm::Text) {
        const size_t at = damaged.find("m_IndexPos");
        ASSERT_NE(at, std::string::npos);
        const size_t value = damaged.find_first_of("01", at + 10);
        damaged.replace(value, 1, "9");
        auto* restored = new GxTaskLayer(u"restored", nullptr, 0, m_Root);
        Restore(*restored, damaged, GetParam());
        EXPECT_EQ(restored->GetIndexPos(), 0);
        EXPECT_TRUE(Logged("Error/GxTaskLayer ReadContent m_IndexPos(9)"));
    }

    // A stream cut short reports failure and leaves a layer that updates and draws.
    auto* cut = new GxTaskLayer(u"cut", nullptr, 0, m_Root);
    GxBinBuffer buffer;
    GxContentFillBuffer(buffer, bytes.substr(0, bytes.size() * 2 / 3));
    std::unique_ptr<GxContentReaderBase> r;
    if (GetParam() == GxContentForm::Text) r = std::make_unique<GxContentTextReader>(buffer);
    else r = std::make_unique<GxContentBinaryReader>(buffer);
    EXPECT_FALSE(cut->ReadContent(*r));
    cut->Update(0, 16000);
    Recorder().Clear();
    cut->Draw(0, 5);
    EXPECT_EQ(GxGraphics::GetSceneCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(BothForms, LayerTaskStorage, ::testing::Values(GxContentForm::Binary, GxContentForm::Text),
                         [](const auto& info) { return std::string(FormName(info.param)); });

}  // namespace

// The draw key (what lets a still screen go undrawn) holds every input of the layer's drawing:
// each change below must change it, and a layer whose drawing moves on by itself has none.
TEST_F(LayerTaskTest, TheDrawKeyChangesWithEverythingTheLayerDrawsAndMotionHasNone)
{
    WritePicture("cg/a.png", 64, 32);
    WritePicture("cg/b.png", 64, 32);
    ASSERT_TRUE(m_Layer->LoadImage(u"cg/a.png", 0));
    auto key = [&](GxTaskLayer& layer) {
        GxDrawKey k;
        EXPECT_TRUE(layer.AppendDrawKey(k, 0, 5));
        return k;
    };
    const GxDrawKey still = key(*m_Layer);
    EXPECT_TRUE(key(*m_Layer) == still) << "the same layer, the same key";
    struct Change
    {
        const char* name;
        std::function<void(GxTaskLayer&)> change;
    };
    const Change changes[] = {
        {"position", [](GxTaskLayer& l) { l.SetPos(GxVector3(1.0f, 0.0f, 0.0f)); }},
        {"scale", [](GxTaskLayer& l) { l.SetScale(GxVector3(1.0f, 1.5f, 1.0f)); }},
        {"rotation", [](GxTaskLayer& l) { l.SetRot(GxVector3(0.0f, 0.0f, 1.0f)); }},
        {"centre", [](GxTaskLayer& l) { l.SetCenterPos(GxVector3(2.0f, 0.0f, 0.0f)); }},
        {"alpha", [](GxTaskLayer& l) { l.SetAlpha(254); }},
        {"colour", [](GxTaskLayer& l) { l.SetColor0ARGB(0xFFFF0000u); }},
        {"blend", [](GxTaskLayer& l) { l.SetBlendMode(BLENDMODE_ADD); }},
        {"hidden", [](GxTaskLayer& l) { l.Hide(); }},
        {"another picture", [](GxTaskLayer& l) { ASSERT_TRUE(l.LoadImage(u"cg/b.png", 0)); }},
        {"a solid colour", [](GxTaskLayer& l) { ASSERT_TRUE(l.LoadSolidColor(0xFF000000u, 0)); }},
    };
    for (const Change& c : changes) {
        auto* layer = new GxTaskLayer(u"keyed", nullptr, 0, m_Root);
        ASSERT_TRUE(layer->LoadImage(u"cg/a.png", 0));
        const GxDrawKey before = key(*layer);
        c.change(*layer);
        GxDrawKey after;
        EXPECT_TRUE(layer->AppendDrawKey(after, 0, 5)) << c.name;
        EXPECT_FALSE(after == before) << c.name;
        layer->Kill();
    }
    // A parent's move moves the layer.
    auto* parent = new GxTaskLayer(u"parent", nullptr, 0, m_Root);
    auto* child = new GxTaskLayer(u"child", nullptr, 0, parent);
    ASSERT_TRUE(child->LoadImage(u"cg/a.png", 0));
    const GxDrawKey before = key(*child);
    parent->SetPos(GxVector3(0.0f, 3.0f, 0.0f));
    EXPECT_FALSE(key(*child) == before) << "the parent's position";

    // A cross-fade and a motion move on by themselves.
    GxDrawKey none;
    ASSERT_TRUE(m_Layer->LoadImage(u"cg/b.png", 500));
    EXPECT_FALSE(m_Layer->AppendDrawKey(none, 0, 5)) << "cross-fading";
    WriteProject();
    auto* motion = new GxTaskLayer(u"motion", nullptr, 0, m_Root);
    ASSERT_TRUE(motion->LoadMotion(u"gnc/chara.gnc", u"", u"first", u"idle", 0, 0));
    EXPECT_FALSE(motion->AppendDrawKey(none, 0, 5)) << "a motion";

    // A class derived from the layer may draw otherwise: it answers for itself or not at all.
    struct OwnLayer : GxTaskLayer
    {
        using GxTaskLayer::GxTaskLayer;
    };
    auto* own = new OwnLayer(u"own", nullptr, 0, m_Root);
    ASSERT_TRUE(own->LoadImage(u"cg/a.png", 0));
    EXPECT_FALSE(own->AppendDrawKey(none, 0, 5)) << "a derived class";
}
