#include "app/GxEntry.h"

#include <cstdio>
#include <string>

#include "app/GxCore.h"
#include "graphics/GxGraphics.h"
#include "core/GxFile.h"
#include "core/GxFileCache.h"
#include "core/GxLog.h"
#include "core/GxPackFile.h"
#include "game/GxSystemConfig.h"
#include "media/GxSoundHarness.h"
#include "platform/GxHeadless.h"
#include "platform/GxHeap.h"
#include "platform/GxSdlWindow.h"
#include "platform/GxTermination.h"

int GxEntryMain()
{
    GxTuneHeap();
    // First: from here on SIGTERM and SIGINT end the program through its own quit.
    GxInstallTerminationHandlers();
    GxHarnessOptions options;
    std::string error;
    if (!GxReadHarnessOptions(options, error)) {
        fprintf(stderr, "gxplay: %s\n", error.c_str());
        return 2;
    }
    GxInstallSdlMessageBoxHandler(!options.headless, options.holdMessageBoxes);

    GxSdlWindowOptions windowOptions;
    windowOptions.headless = options.headless;
    GxSdlWindowServices windowServices(windowOptions);
    if (!windowServices.Initialize()) {
        GxShowMessageBox(GxSystemConfig().m_AppTitle, u"ウインドウシステムを初期化できません。");
        return 1;
    }
    GxSetWindowServices(&windowServices);

    GxHarness harness(options, &windowServices);
    if (!harness.Load(error)) {
        fprintf(stderr, "gxplay: %s\n", error.c_str());
        GxSetWindowServices(nullptr);
        return 2;
    }

    GxFileCacheSetMaxSize(0xB400000);
    GxFileCacheSetMaxFileSize(0x100000);
    if (GxFileExists(u"system.chs")) GxFileOpenPack(u"system.chs");

    GxSoundHarness::Begin(GxSoundHarness::FromEnvironment(options.headless, options.unpaced));
    int status = 1;
    GxCore* core = new GxCore(&windowServices);
    GxSetCore(core);
    core->GetFrameTimer().SetUnpaced(options.unpaced);
    core->SetHarness(&harness);
    if (core->Initialize(0)) {
        core->Run();
        core->Finalize();
        status = GxGraphics::IsDriverInternalError() ? 1 : 0;
    } else if (core->IsStartCancelled()) {
        status = 0;
    }
    delete core;
    GxSetCore(nullptr);
    // The logs are closed by now: a capture that cannot be written is told on stderr.
    if (!GxSoundHarness::End()) {
        fprintf(stderr, "gxplay: the sound capture could not be written\n");
        status = 1;
    }

    GxFileCacheClear();
    GxFileCloseAllPacks();
    GxSetWindowServices(nullptr);
    // Last: everything above may still log.
    GxCloseLogs();
    return status;
}
