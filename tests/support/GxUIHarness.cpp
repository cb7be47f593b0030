#include "tests/support/GxUIHarness.h"

#include <algorithm>

#include "app/GxCore.h"
#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "game/DBUILayout.h"
#include "game/DBUIModule.h"
#include "graphics/GxFontGlobals.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsSettings.h"
#include "graphics/GxResourceFactory.h"
#include "layer/GxNcFactory.h"
#include "platform/GxGlyphRasterizer.h"
#include "platform/GxDeviceRecording.h"
#include "platform/GxSdlWindow.h"
#include "seq/SeqSystem.h"
#include "tests/support/GxNcWriter.h"
#include "ui/GxTaskUIWidgets.h"

namespace gxtest {

namespace {

UIHarness* g_Harness = nullptr;

void ResetNc()
{
    GxNcEffectPool::ReleaseAll();
    GxNcImageSetPool::ReleaseAll();
    GxGetNcProjectFactory().ReleaseAll();
    GxGetNcCrammedImageSetFactory().ReleaseAll();
}

}  // namespace

// Headless window services whose cursor the test places. With no main window the application
// object reports the cursor as it is, on the logical screen.
class UIHarness::Cursor : public GxSdlWindowServices
{
public:
    Cursor() : GxSdlWindowServices(GxSdlWindowOptions{true, {}}) {}
    GxWindowPoint GetCursorPos() override { return point; }
    GxWindowPoint point;
};

UIHarness::UIHarness(UIDevice device)
{
    if (!m_Folder.IsValid()) return;
    GxTestResetFileLayer();
    ResetNc();
    GxGetDBUIModule().Clear();
    GxGetDBUILayout().Clear();
    g_SystemDialogCount = 0;

    m_DeviceLogPath = GxGetLogPath(GxLogFile::Device);
    GxSetDeviceLogPath(u"/dev/null");
    GxGetGraphicsSettings().SetStartupValues();
    if (device == UIDevice::Recording)
        GxGraphics::SetDirect3DFactory([](void*) { return GxCreateRecordingDirect3D(GxDefaultRecordingAdapter()); });
    else
        GxGraphics::SetDirect3DFactory(nullptr);
    m_Ready = GxGraphics::Create(nullptr, nullptr, nullptr, nullptr);

    m_Cursor = std::make_unique<Cursor>();
    m_Core = std::make_unique<GxCore>(m_Cursor.get());
    GxSetCore(m_Core.get());
    m_Banks = std::make_unique<GxRenderLayerBanks>();
    m_Manager = std::make_unique<GxTaskManage>(m_Core.get());
    m_Manager->SetRenderLayers(m_Banks.get());

    // The program's hook, with a recorder in front of it.
    SeqSystem::InstallWidgetHooks();
    m_ForwardTip = GxGetUITipHelpHandler();
    GxSetUITipHelpHandler(&UIHarness::RecordTipHelp);
    g_Harness = this;

    GxTaskBase* root = new GxTaskBase(m_Manager.get());
    m_System = new GxSeqBase(u"SeqSystem", root);
    m_TipHelp = new GxTaskUITipHelpIs(m_System, u"tip_help", nullptr, 0);
    m_TipHelp->Pause();
    m_Manager->SetPersistentRoot(m_System);
    m_Screen = new RecordingScreen(u"SeqTest", root);
    m_Screen->SetUIEventEnabled(true);
}

UIHarness::~UIHarness()
{
    // Widgets give their textures back while the device and the factories stand.
    m_Manager.reset();
    m_Banks.reset();
    if (m_FontsLoaded) {
        GxUnloadGlobalFonts();
        GxSetGlyphRasterizer(nullptr);
    }
    GxSetUITipHelpHandler(nullptr);
    g_Harness = nullptr;
    GxSetCore(nullptr);
    m_Core.reset();
    m_Cursor.reset();
    ResetNc();
    GxGetTextureFlexFactory().ReleaseAll();
    GxGraphics::Release();
    GxGraphics::SetDirect3DFactory(nullptr);
    GxGetGraphicsSettings().SetStartupValues();
    if (!m_DeviceLogPath.empty()) GxSetDeviceLogPath(m_DeviceLogPath);
    GxGetDBUIModule().Clear();
    GxGetDBUILayout().Clear();
    g_SystemDialogCount = 0;
}

void UIHarness::RecordTipHelp(GxTaskBase* anyTask, const std::u16string& text, const GxVector3& pos)
{
    if (!g_Harness) return;
    g_Harness->m_Tips.push_back({text, pos});
    if (g_Harness->m_ForwardTip) g_Harness->m_ForwardTip(anyTask, text, pos);
}

GxTaskUIBase* UIHarness::CreateFromModule(const DBUIModuleData& module, const char16_t* name, int32_t index,
                                          GxTaskBase* parent)
{
    return m_Screen->CreateUIFromModule(parent ? parent : m_Screen, module, name, index);
}

GxTaskUIBase* UIHarness::CreateFromLayout(const DBUIModuleData& module, const DBUILayoutData& layout,
                                          const char16_t* name, int32_t index, GxTaskBase* parent)
{
    DBUIModule& table = GxGetDBUIModule();
    const int32_t row = std::clamp(module.ID, 0, table.GetRowCapacity() - 1);
    *table.GetRow(row) = module;
    return m_Screen->CreateUIFromModuleName(parent ? parent : m_Screen, layout, name, index);
}

void UIHarness::EnterScreen()
{
    m_Manager->ChangeSequence(m_Screen, 0);
    m_Manager->ExecuteChangeSequence();
    m_Manager->UpdatePreMainTasks(m_Screen, 0, 0);
}

bool UIHarness::WritePicture(const std::string& path, const TestPicture& picture)
{
    return m_Folder.Write(path, WritePngRgba(picture));
}

bool UIHarness::WriteImageSet(const std::string& setPath, const std::vector<UIImageSpec>& images)
{
    return WriteSolidImageSet(m_Folder.Path(), setPath, images) && GxNcImageSetPool::Add(GxUtf8ToWide(setPath));
}

void UIHarness::LoadFonts(std::u16string_view builtinFontName)
{
    GxSetGlyphRasterizer(m_Glyphs.get());
    m_FontsLoaded = true;
    const int32_t sizes[GX_GDIFONTMAP_COUNT] = {11, 15, 23, 24, 22, 38};
    GxLoadGlobalFonts(u"fonts/", sizes, builtinFontName);
}

void UIHarness::SetPointer(float x, float y)
{
    m_Cursor->point.x = static_cast<int32_t>(x);
    m_Cursor->point.y = static_cast<int32_t>(y);
}

int UIHarness::Move(float x, float y)
{
    SetPointer(x, y);
    return m_Manager->OnMouseMove(GxMousePoint{x, y}, 0);
}

int UIHarness::Down(float x, float y)
{
    SetPointer(x, y);
    const GxMousePoint pt{x, y};
    int r = m_Manager->WalkMouseLeftDown(m_Manager->GetPersistentRoot(), pt, 0, false);
    if (r == 0 && m_Manager->IsSequenceEntered() && m_Manager->GetCurrentSequence())
        r = m_Manager->WalkMouseLeftDown(m_Manager->GetCurrentSequence(), pt, 0, false);
    return r;
}

int UIHarness::Up(float x, float y)
{
    SetPointer(x, y);
    return m_Manager->OnMouseLeftUp(GxMousePoint{x, y}, 0);
}

int UIHarness::Wheel(int32_t delta, float x, float y)
{
    SetPointer(x, y);
    return m_Manager->OnMouseWheel(GxMousePoint{x, y}, delta, 0);
}

std::vector<GxDeviceCall> UIHarness::Frame(int32_t ms, const std::function<void()>& beforeDraw)
{
    GxDevice* device = GxGraphics::GetDevice();
    if (device) device->Recorder().Clear();
    GxTaskManage& tm = *m_Manager;
    const int64_t elapsed = static_cast<int64_t>(ms) * 1000;
    m_Banks->ClearRenderLayers();
    if (tm.GetRootTask()) tm.DeleteDeadTasks(tm.GetRootTask());
    tm.ClearStepFlags();
    GxTaskBase* current = tm.GetCurrentSequence();
    GxTaskBase* persistent = tm.GetPersistentRoot();
    if (current) {
        if (!tm.IsMainStarted()) tm.UpdatePreMainTasks(current, 0, elapsed);
        tm.UpdateTasks(current, 0, elapsed);
    }
    if (persistent) tm.UpdateTasks(persistent, 0, elapsed);
    if (current) tm.RenderTasks(current, 0, elapsed);
    if (persistent) tm.RenderTasks(persistent, 0, elapsed);
    if (beforeDraw) beforeDraw();

    if (!device) return {};
    GxGraphics::BeginScene();
    GxGraphics::Clear(GXCLEAR_TARGET, 0xFF000000u, 1.0f, 0, nullptr);
    for (int32_t layer : {static_cast<int32_t>(GxRenderLayer::Main), static_cast<int32_t>(GxRenderLayer::TopMost)}) {
        if (GxTaskRenderManage* list = m_Banks->GetList(layer)) list->DrawTasks(layer, tm.IsMainStarted());
    }
    GxGraphics::EndScene();
    GxGraphics::Present(nullptr, nullptr, nullptr);
    return device->Recorder().calls;
}

GxPixelImage UIHarness::ReadBack()
{
    GxPixelImage image;
    if (GxDevice* device = GxGraphics::GetDevice()) device->ReadPresented(&image);
    return image;
}

}  // namespace gxtest
