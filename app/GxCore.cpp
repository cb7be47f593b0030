#include "app/GxCore.h"

#include "graphics/GxGlobalRenderTarget.h"
#include "layer/GxNcFactory.h"

#include "app/GxCoreDevice.h"
#include "app/GxCoreTrace.h"
#include "app/GxGameScreens.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFile.h"
#include "core/GxString.h"
#include "core/GxThreadManage.h"
#include "game/GxGameStartup.h"
#include "game/GxKeptData.h"
#include "game/GxSystemConfig.h"
#include "game/GxUserConfig.h"
#include "game/GxUserData.h"
#include "game/GxUserDataPerman.h"
#include "media/GxInput.h"
#include "media/GxMovie.h"
#include "media/GxSound.h"
#include "moa/GxMoaScriptHost.h"
#include "platform/GxSdlWindow.h"
#include "platform/GxTermination.h"
#include "seq/SeqSystem.h"
#include "ui/GxUIWidgetTable.h"

namespace {
std::u16string DefaultTitle() { return GxSystemConfig().m_AppTitle; }
}  // namespace

GxCore::GxCore(GxWindowServices* windowServices)
    : m_WindowServices(windowServices ? windowServices : GxGetWindowServices()), m_Procedure(this)
{
}

GxCore::~GxCore()
{
    // After a failed Initialize, Finalize does not run: whatever start-up made goes here.
    delete m_ThreadManage;
    m_ThreadManage = nullptr;
    delete m_TaskManage;
    m_TaskManage = nullptr;
    if (m_DeviceCreated) {
        GxCoreDeviceRelease();
        m_DeviceCreated = false;
    }
    DeleteOwnedObjects();
    delete m_Profile;
    m_Profile = nullptr;
    if (GxGetCore() == this) GxSetCore(nullptr);
}

void GxCore::DeleteOwnedObjects()
{
    delete m_SystemConfig;
    m_SystemConfig = nullptr;
    m_LayerSettings = nullptr;
    m_UISettings = nullptr;
    delete m_UserConfig;
    m_UserConfig = nullptr;
    m_LayerOptions = nullptr;
    m_UIOptions = nullptr;
    delete m_UserData;
    m_UserData = nullptr;
    delete m_UserDataPerman;
    m_UserDataPerman = nullptr;
}

bool GxCore::Initialize(uintptr_t instance)
{
    if (!m_WindowServices) {
        GxPrintErrorLog(u"Error/GxCore Initialize Failed(no window services)\n");
        GxShowMessageBox(DefaultTitle(), u"ウインドウシステムを利用できません。");
        return false;
    }

    // The game folder's path must leave room for the engine's own names.
    GxCoreTrace("CheckInstallPath");
    std::u16string currentDirectory = GxReplaceChar(m_WindowServices->GetCurrentDirectory(), u'\\', u'/');
    if (currentDirectory.empty() || currentDirectory.back() != u'/') currentDirectory += u'/';
    if (static_cast<int32_t>(currentDirectory.size()) > kGxMaxInstallPathLength) {
        GxShowMessageBox(DefaultTitle(),
                         u"インストール先のパスが長すぎます。\nお手数ですがもっと階層の浅いフォルダにインストールしてみて"
                         u"ください。\n(インストール可能なパス最大長は%d文字です)",
                         kGxMaxInstallPathLength);
        return false;
    }

    // The system settings ("system/sysconf.ini"), then the developer's switches ("setting.ini",
    // when there is one).
    GxCoreTrace("GxSystemConfig::LoadSysConf");
    m_SystemConfig = new GxSystemConfig();
    m_LayerSettings = m_SystemConfig;
    m_UISettings = m_SystemConfig;
    if (!m_SystemConfig->LoadSysConf()) {
        GxShowMessageBox(m_SystemConfig->m_AppTitle,
                         u"システム設定ファイルの読み込みに失敗しました。考えられる原因は以下の通りです。\n・ウイルス対策"
                         u"ソフトによって動作がブロックされている。\n・インストールが正しく行われていない。\n・実行ファイル"
                         u"の作業ディレクトリが正しく無い。");
        return false;
    }
    GxCoreTrace("GxSystemConfig::LoadSetting");
    m_SystemConfig->LoadSetting();

    // One instance per title.
    GxCoreTrace("FindWindowByClass");
    if (m_WindowServices->FindWindowByClass(m_SystemConfig->m_AppTitle)) {
        GxShowMessageBox(m_SystemConfig->m_AppTitle, u"既に起動中です");
        return false;
    }

    // The player's options at their defaults until the game's data reads them, the window's
    // state, the title and the profiler.
    GxCoreTrace("GxUserConfig::SetDefault");
    m_UserConfig = new GxUserConfig();
    m_LayerOptions = m_UserConfig;
    m_UIOptions = m_UserConfig;
    m_UserConfig->SetDefault();
    m_UserConfig->m_GameDataPage = 0;
    m_UserConfig->m_LastGameDataFileNum = -1;
    m_Instance = instance;
    m_MainWindow = 0;
    m_WindowCreated = m_Active = m_Initialized = m_Quit = false;
    m_HasMenu = 0;
    m_Title = m_SystemConfig->m_AppTitle;
    m_Profile = new GxProfileEx();

    // The save folder, and the logs written into it from here on.
    GxCoreTrace("ChooseSaveFolder");
    ChooseSaveFolder(currentDirectory);
    // Asked to end while the folder's notice waited: nothing has started, so nothing is written.
    if (GxIsTerminationRequested()) {
        m_StartCancelled = true;
        return false;
    }
    GxResetErrorCount();
    GxSetDebugLogPath(m_SaveFolder + u"debug.log");
    GxSetErrorLogPath(m_SaveFolder + u"error.log");
    GxSetDeviceLogPath(m_SaveFolder + u"device.log");

    // Start-up settings (screen size, cursor mode, frame rates).
    GxCoreTrace("GxInitGameSettings");
    GxInitGameSettings(this);

    // The task manager with its render layers, the system screen's widget and dialog hooks and the
    // widget factory table, the thread manager and the game state objects.
    GxCoreTrace("CreateManagers");
    m_TaskManage = new GxTaskManage(this);
    m_TaskManage->SetRenderLayers(&m_RenderLayers);
    SeqSystem::InstallWidgetHooks();
    SeqSystem::InstallDialogHooks();
    GxRegisterUIWidgets();
    m_ThreadManage = new GxThreadManage(nullptr);
    m_RenderLayers.SetBankIndex(0);
    m_UserData = new GxUserData(this);
    m_UserDataPerman = new GxUserDataPerman(this);

    // Window and device: without them there is nothing to run.
    GxCoreTrace("CreateMainWindow");
    if (!CreateMainWindow()) {
        GxPrintErrorLog(u"Error/GxCore CreateMainWindow Failed\n");
        GxShowMessageBox(m_Title, u"メインウインドウの作成に失敗しました。");
        return false;
    }
    GxCoreTrace("GxGraphics::Create");
    if (!GxCoreDeviceCreate(GxGetNativeWindow(m_WindowServices, m_MainWindow))) {
        GxPrintErrorLog(u"Error/GxCore CreateDevice Failed\n");
        return false;
    }
    m_DeviceCreated = true;
    GxCoreTrace("Clear");
    GxCoreDeviceClear(0xFFFF0000u);

    // Input, sound, movie; their failures are reported by themselves.
    GxCoreTrace("GxInput::LoadKeyConfig");
    GxInput::LoadKeyConfig(m_MainWindow);
    GxCoreTrace("GxSound::Create");
    GxSound::Create(m_MainWindow, 0);
    GxCoreTrace("GxMovie::Create");
    GxMovie::Create();

    // The screen list, then the game's data (tables, fonts, script, what the player kept, the
    // options) and its first screen.
    GxInstallGameScreens();
    GxCoreTrace("GxLoadGlobalGameData");
    if (!GxLoadGlobalGameData(this)) {
        // The game cannot run (the reason has been shown): undo what start-up made, save nothing.
        StopThreads();
        ReleaseAll();
        return false;
    }

    m_Initialized = true;
    return true;
}

void GxCore::ChooseSaveFolder(const std::u16string& currentDirectory)
{
    std::u16string folder;
    const char16_t* notice;
    if (m_SystemConfig->m_SaveToMyDocuments) {
        folder = GxCombinePath(m_WindowServices->GetDocumentsFolder(), m_SystemConfig->m_AppSaveDir);
        notice = u"マイドキュメントにセーブフォルダ[%s]を作成しました。";
    } else {
        folder = GxCombinePath(GxRemovePathSeparator(currentDirectory), m_SystemConfig->m_AppSaveDir);
        notice = u"インストールフォルダにセーブフォルダ[%s]を作成しました。";
    }
    folder = GxRemovePathSeparator(GxReplaceChar(folder, u'\\', u'/'));
    if (!GxIsDirectory(folder)) {
        // The documents folder itself may be missing on a fresh system: make the parents too.
        bool made = false;
        for (size_t at = 1; at <= folder.size(); ++at) {
            if (at != folder.size() && folder[at] != u'/') continue;
            std::u16string part = folder.substr(0, at);
            if (GxIsDirectory(part)) continue;
            made = m_WindowServices->CreateDirectory(part);
            if (!made) break;
        }
        if (made) {
            GxShowMessageBox(m_Title, notice, folder);
        } else {
            GxShowMessageBox(m_Title, u"セーブフォルダの作成に失敗しました。");
            folder.clear();
        }
    }
    m_SaveFolder = folder.empty() ? folder : folder + u"/";
}

bool GxCore::CreateMainWindow()
{
    GxWindowClassDesc cls;
    cls.className = m_Title;
    cls.classStyle = GxWindowClassStyle::HRedraw | GxWindowClassStyle::VRedraw;
    cls.procedure = &m_Procedure;
    cls.iconResource = 101;
    cls.cursor = GxSystemCursor::Arrow;
    cls.background = GxWindowBrush::Black;
    if (!m_WindowServices->RegisterWindowClass(cls)) return false;

    int32_t width = g_GxRequestScreenWidth;
    int32_t height = g_GxRequestScreenHeight;
    uint32_t style = GxWindowStyle::Popup;
    const int32_t screenWidth = m_WindowServices->GetSystemMetrics(GxSystemMetric::CxScreen);
    const int32_t screenHeight = m_WindowServices->GetSystemMetrics(GxSystemMetric::CyScreen);
    if (GxCoreDeviceGetScreenMode() == 0) {
        style |= GxWindowStyle::Caption | GxWindowStyle::SysMenu | GxWindowStyle::MinimizeBox;
        width += m_WindowServices->GetSystemMetrics(GxSystemMetric::CxEdge) +
                 m_WindowServices->GetSystemMetrics(GxSystemMetric::CxFixedFrame) +
                 m_WindowServices->GetSystemMetrics(GxSystemMetric::CxBorder);
        height += m_WindowServices->GetSystemMetrics(GxSystemMetric::CyEdge) +
                  m_WindowServices->GetSystemMetrics(GxSystemMetric::CyFixedFrame) +
                  m_WindowServices->GetSystemMetrics(GxSystemMetric::CyBorder) +
                  m_WindowServices->GetSystemMetrics(GxSystemMetric::CyCaption);
        if (m_HasMenu) height += m_WindowServices->GetSystemMetrics(GxSystemMetric::CyMenu);
        if (width > screenWidth) width = screenWidth;
        if (height > screenHeight) height = screenHeight;
    }
    int32_t x = screenWidth / 2 - width / 2;
    int32_t y = screenHeight / 2 - height / 2;
    if (x < 0) x = 0;
    if (y < 0) y = 0;

    GxWindowCreateDesc desc;
    desc.className = m_Title;
    desc.caption = m_Title;
    desc.style = style;
    desc.x = x;
    desc.y = y;
    desc.width = width;
    desc.height = height;
    m_MainWindow = m_WindowServices->CreateWindow(desc);
    if (!m_MainWindow) return false;

    m_WindowServices->SetCursor(GxSystemCursor::Arrow);
    m_WindowServices->UpdateWindow(m_MainWindow);
    m_WindowServices->ShowWindow(m_MainWindow, GxShowCommand::Show);
    m_WindowCreated = true;
    return true;
}

void GxCore::Finalize()
{
    m_Initialized = false;

    StopThreads();
    GxCoreTrace("GxTaskManage::EndSequence");
    if (m_TaskManage) m_TaskManage->EndSequence();

    // "userconf.dat", then "permanent.dat"; a failure is shown in a message box while the
    // window still holds the game's last picture.
    GxGetKeptDataWriter().WriteAtQuit(this);

    ReleaseAll();
}

void GxCore::StopThreads()
{
    GxCoreTrace("GxThreadManage::Stop");
    if (m_ThreadManage) {
        m_ThreadManage->RequestStop();
        m_ThreadManage->WaitForThreads();
        m_ThreadManage->DispatchMessages();
    }
}

void GxCore::ReleaseAll()
{
    GxCoreTrace("DeleteThreadManage");
    delete m_ThreadManage;
    m_ThreadManage = nullptr;
    GxCoreTrace("Clear");
    if (m_DeviceCreated) GxCoreDeviceClear(0x00000000u);
    GxCoreTrace("DeleteTaskManage");
    delete m_TaskManage;
    m_TaskManage = nullptr;

    GxCoreTrace("GxReleaseGlobalFonts");
    GxReleaseGlobalFonts();
    GxCoreTrace("GxDestroyScriptHost");
    GxDestroyScriptHost();
    GxNcImageSetPool::ReleaseAll();
    GxNcEffectPool::ReleaseAll();
    ReleaseGlobalRenderTargets();
    g_GxBgmRestrainPercent = 100;

    GxCoreTrace("DeleteGameObjects");
    DeleteOwnedObjects();
    delete m_Profile;
    m_Profile = nullptr;
    // What the motion factories still hold was never released by its owner: report all of it
    // before anything is freed, since freeing a leaked project gives back the image sets that
    // only it held, and those are leaks too.
    GxGetNcProjectFactory().ReportUnreleased();
    GxGetNcCrammedImageSetFactory().ReportUnreleased();
    GxGetNcProjectFactory().ReleaseAll();
    GxGetNcCrammedImageSetFactory().ReleaseAll();

    GxCoreTrace("GxSound::Release");
    GxSound::Release();
    GxCoreTrace("GxMovie::Release");
    GxMovie::Release();
    GxCoreTrace("GxInput::Release");
    GxInput::Release();
    GxCoreTrace("GxGraphics::Release");
    if (m_DeviceCreated) {
        GxCoreDeviceRelease();
        m_DeviceCreated = false;
    }
}
