// The main loop: each pass turns to a newly asked screen, pumps the window messages, updates
// sound (every fourth pass) and movies, runs one frame and asks the test harness what to do.
#include <cstdio>
#include <string>
#include <vector>

#include "app/GxCore.h"
#include "app/GxCoreDevice.h"
#include "app/GxCoreTrace.h"
#include "app/task/GxTaskManage.h"
#include "core/GxString.h"
#include "game/GxGameFrame.h"
#include "media/GxMovie.h"
#include "media/GxSound.h"
#include "media/GxSoundHarness.h"
#include "platform/GxHeadless.h"
#include "platform/GxTermination.h"

namespace {

void WriteScreenshot(const std::string& path)
{
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
    if (!GxCoreDeviceReadPresented(width, height, pixels) || !GxWritePngRgb(path, width, height, pixels))
        GxPrintErrorLog(u"Error/GxCore Screenshot Failed(%S)\n", path.c_str());
}

}  // namespace

bool GxCore::Run()
{
    GxWindowServices* ws = m_WindowServices;
    if (m_Harness && m_Harness->ShouldRequestQuit(0)) RequestQuit();
    while (!m_Quit) {
        // SIGTERM or SIGINT: the program's own quit, asked once, so the frame ends as any other.
        if (!m_TerminationSeen && GxIsTerminationRequested()) {
            m_TerminationSeen = true;
            RequestQuit();
        }
        if (m_Harness) m_Harness->BeginFrame(m_FramesRun + 1, m_MainWindow);

        GxCoreTrace("ExecuteChangeSequence");
        m_TaskManage->ExecuteChangeSequence();

        GxCoreTrace("PumpMessages");
        while (ws->PeekMessage()) {
            GxWindowMessageRecord msg;
            if (!ws->GetMessage(msg)) m_Quit = true;
            ws->TranslateMessage(msg);
            ws->DispatchMessage(msg);
            if (m_Quit) break;
        }

        if (m_LoopCount % 4 == 0) {
            GxCoreTrace("GxSound::Update");
            GxSound::Update();
        }
        ++m_LoopCount;
        GxCoreTrace("GxMovie::Update");
        GxMovie::Update();

        // A frame whose picture is written is drawn, even when it shows nothing new.
        if (m_Harness && m_Harness->CapturesFrame(m_FramesRun + 1)) GxCoreDeviceForceFrame();
        GxRunGameFrame(this);
        GxSoundHarness::Frame();
        ++m_FramesRun;
        if (m_Harness) {
            for (const std::string& path : m_Harness->ScreenshotsAfter(m_FramesRun)) WriteScreenshot(path);
            if (m_Harness->ShouldRequestQuit(m_FramesRun)) RequestQuit();
            if (m_Harness->AwaitsFirstFrame() &&
                m_Harness->OnFramePresented(GxWideToUtf8(m_TaskManage->GetCurrentSequenceName())))
                RequestQuit();
        }
    }

    if (m_Harness && m_Harness->WantsScreenshot()) WriteScreenshot(m_Harness->GetOptions().screenshotPath);
    if (m_Harness && m_Harness->GetOptions().reportFrames)
        std::fprintf(stderr, "frames: %u run, %u repeated\n", m_FramesRun, m_FramesRepeated);
    return false;
}
