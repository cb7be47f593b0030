// The screens' default services on a recording graphics device: the background clear, the
// capture into the global render texture and the overlay drawn from it reach the device.
#include <gtest/gtest.h>

#include <string>

#include "app/GxSeqTransitBase.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "platform/GxDeviceRecording.h"

namespace {

class SeqOnDevice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (GxLogFile f : {GxLogFile::Error, GxLogFile::Debug, GxLogFile::Device}) m_Paths.push_back(GxGetLogPath(f));
        GxSetErrorLogPath(u"/dev/null");
        GxSetDebugLogPath(u"/dev/null");
        GxSetDeviceLogPath(u"/dev/null");
        GxSetSeqServices(nullptr);
        GxGetGraphicsSettings().SetStartupValues();
        GxGraphics::SetDirect3DFactory([](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
        ASSERT_TRUE(GxGraphics::Create(nullptr, nullptr, nullptr, nullptr));
        GxCreateGlobalRenderTargets();
        GxGraphics::GetDevice()->Recorder().Clear();
    }
    void TearDown() override
    {
        ReleaseGlobalRenderTargets();
        GxGraphics::Release();
        GxGraphics::SetDirect3DFactory(nullptr);
        GxGetGraphicsSettings().SetStartupValues();
        GxSetErrorLogPath(m_Paths[0]);
        GxSetDebugLogPath(m_Paths[1]);
        GxSetDeviceLogPath(m_Paths[2]);
    }

    GxDeviceRecorder& Recorder() { return GxGraphics::GetDevice()->Recorder(); }

    std::vector<std::u16string> m_Paths;
};

TEST_F(SeqOnDevice, DrawClearsTargetDepthAndStencilToTheBackgroundColour)
{
    GxSeqBase screen(u"SeqA", nullptr);
    screen.Draw(0, 0);
    ASSERT_EQ(Recorder().Count(GxDeviceOp::Clear), 1u);
    const GxDeviceCall& c = Recorder().calls.back();
    EXPECT_EQ(c.op, GxDeviceOp::Clear);
    EXPECT_EQ(c.args[1], GXCLEAR_TARGET | GXCLEAR_ZBUFFER | GXCLEAR_STENCIL);
    EXPECT_EQ(c.args[2], 0xFF000000u);
    EXPECT_EQ(c.args[3], 0u);
    EXPECT_EQ(c.f[0], 1.0f);
}

TEST_F(SeqOnDevice, LeavingCapturesAndTheOverlayDrawsTheCaptureFadingOut)
{
    GxTaskManage manager;
    GxTaskBase* root = new GxTaskBase(&manager);
    GxSeqTransitBase* a = new GxSeqTransitBase(u"SeqA", root);
    GxSeqTransitBase* b = new GxSeqTransitBase(u"SeqB", root);
    ASSERT_TRUE(manager.ChangeSequence(a, 0));
    manager.ExecuteChangeSequence();
    Recorder().Clear();

    // The capture pushes the global render texture as the target and pops it again.
    ASSERT_TRUE(manager.ChangeSequence(b, 0));
    manager.ExecuteChangeSequence();
    EXPECT_EQ(Recorder().Count(GxDeviceOp::SetRenderTarget), 2u);
    ASSERT_TRUE(b->IsInTransit());
    EXPECT_EQ(b->GetTransitParam().m_TransitTimeTotal, 400);

    Recorder().Clear();
    b->Draw(1, 9);
    EXPECT_EQ(Recorder().Count(GxDeviceOp::BeginScene), 1u);
    EXPECT_EQ(Recorder().Count(GxDeviceOp::EndScene), 1u);
    EXPECT_EQ(GxGraphics::GetSceneCount(), 0);
    ASSERT_EQ(Recorder().Count(GxDeviceOp::DrawPrimitiveUP), 1u);
    for (const GxDeviceCall& c : Recorder().calls) {
        if (c.op != GxDeviceOp::DrawPrimitiveUP) continue;
        ASSERT_FALSE(c.vertices.empty());
        for (const GxScreenVertex& v : c.vertices) EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
    }

    // Half way, half transparent; once over, nothing.
    manager.UpdatePreMainTasks(b, 0, 200000);
    Recorder().Clear();
    b->Draw(1, 9);
    EXPECT_EQ(Recorder().Count(GxDeviceOp::DrawPrimitiveUP), 1u);
    for (const GxDeviceCall& c : Recorder().calls) {
        if (c.op == GxDeviceOp::DrawPrimitiveUP) {
            for (const GxScreenVertex& v : c.vertices) EXPECT_EQ(v.diffuse, 0x7FFFFFFFu);
        }
    }
    b->EndTransit();
    Recorder().Clear();
    b->Draw(1, 9);
    EXPECT_EQ(Recorder().Count(GxDeviceOp::BeginScene), 0u);
    EXPECT_EQ(Recorder().Count(GxDeviceOp::DrawPrimitiveUP), 0u);
}

}  // namespace
