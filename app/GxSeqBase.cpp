#include "app/GxSeqBase.h"

#include "app/DBUILayout.h"
#include "app/DBUIModule.h"
#include "app/GxCore.h"
#include "app/GxMainScreenFlags.h"
#include "app/GxTaskActor.h"
#include "app/GxTaskControl.h"
#include "app/task/GxRenderLayer.h"
#include "app/task/GxTaskManage.h"
#include "core/GxLog.h"
#include "graphics/GxGlobalRenderTarget.h"
#include "graphics/GxGraphics.h"
#include "platform/GxDeviceTypes.h"

// ---------------------------------------------------------------------------------------------
// Services

// Neither value is read from a file: the settings keep them at these defaults.
uint32_t GxSeqServices::GetBackgroundColor() { return 0xFF000000u; }
int32_t GxSeqServices::GetTransitTime() { return 400; }

bool GxSeqServices::Clear(uint32_t flags, uint32_t color, float z, uint32_t stencil)
{
    return GxGraphics::Clear(flags, color, z, stencil, nullptr);
}

bool GxSeqServices::BeginScene() { return GxGraphics::BeginScene(); }
void GxSeqServices::SetDefaultRenderState() { GxGraphics::SetDefaultRenderState(); }
bool GxSeqServices::EndScene() { return GxGraphics::EndScene(); }

bool GxSeqServices::DrawGlobalRenderTexture(float x, float y, const GxFRect& source, uint32_t diffuse,
                                            uint32_t specular, int32_t blendMode)
{
    GxTexture* texture = &GxGetGlobalRenderTargets().renderTextures[0];
    if (!texture->GetD3DTexture()) return false;
    GxGraphics::DrawTexture(texture, x, y, source, GxVector2(1.0f, 1.0f), GxVector3(), GxVector2(), GxVector2(),
                            diffuse, specular, blendMode);
    return true;
}

bool GxSeqServices::RenderSceneToGlobalTexture() { return ::RenderSceneToGlobalTexture(); }

void GxSeqServices::PostMainWindowMessage(uint32_t message, GxWParam wParam, GxLParam lParam)
{
    GxCore* core = GxGetCore();
    if (!core || !core->IsWindowCreated() || !core->GetWindowServices()) return;
    core->GetWindowServices()->PostMessage(core->GetMainWindow(), message, wParam, lParam);
}

void GxSeqServices::SetLastDialogResult(int32_t result)
{
    if (auto set = GxGetSystemDialogHooks().setLastDialogResult) set(result);
}

int32_t g_SystemDialogCount = 0;

namespace {

constinit GxSystemDialogHooks g_DialogHooks{};

std::u16string& UserDialogKey()
{
    static std::u16string key;
    return key;
}

GxSeqServices& DefaultServices()
{
    static GxSeqServices services;
    return services;
}

GxSeqServices* g_SeqServices = nullptr;

}  // namespace

void GxSetSeqServices(GxSeqServices* services) { g_SeqServices = services; }

GxSeqServices& GxGetSeqServices() { return g_SeqServices ? *g_SeqServices : DefaultServices(); }

void GxSetSystemDialogHooks(const GxSystemDialogHooks& hooks) { g_DialogHooks = hooks; }

const GxSystemDialogHooks& GxGetSystemDialogHooks() { return g_DialogHooks; }

// ---------------------------------------------------------------------------------------------
// Screen base

GxSeqBase::GxSeqBase(const char16_t* taskName, GxTaskBase* parent) : GxTaskFolder(taskName, nullptr, 0, parent)
{
    AddUpdateFlags(GxTaskUpdateFlag::LastSibling | GxTaskUpdateFlag::PreMain);
    AddKindFlags(GxTaskKind::Sequence);
}

GxSeqBase::~GxSeqBase() = default;

const std::u16string& GxSeqBase::GetUserDialogKey() { return UserDialogKey(); }

void GxSeqBase::SetUserDialogKey(const std::u16string& key) { UserDialogKey() = key; }

void GxSeqBase::StartMain()
{
    if (!m_Manager) return;
    if (m_Manager->IsSequenceEntered()) {
        m_Manager->SetMainStarted(true);
    } else {
        GxPrintErrorLog(u"GxTaskManage::StartMain/シーケンスの準備ができていません\n");
    }
}

int GxSeqBase::UpdatePreMain(int32_t step, int64_t elapsed)
{
    (void)step; (void)elapsed;
    StartMain();
    return 0;
}

int GxSeqBase::Render(int32_t step, int64_t elapsed)
{
    (void)step; (void)elapsed;
    RegisterRenderLayer(GxRenderLayer::Background, GxRenderOrder::Default, 0.0f, 0);
    return 0;
}

void GxSeqBase::ClearScreen()
{
    GxSeqServices& s = GxGetSeqServices();
    s.Clear(GXCLEAR_TARGET | GXCLEAR_ZBUFFER | GXCLEAR_STENCIL, s.GetBackgroundColor(), 1.0f, 0);
}

int GxSeqBase::Draw(int32_t param, int32_t layer)
{
    (void)param; (void)layer;
    ClearScreen();
    return 0;
}

void GxSeqBase::OnSequenceLeave()
{
    ClearUIEvents();
    if (!m_Manager) return;
    // The system screen's widgets: a tip or a dialog left open must not stay over the next screen.
    if (GxTaskBase* tip = m_Manager->FindTaskByName(u"tip_help")) tip->Pause();
    for (const char16_t* name : {u"dlg_shutdown", u"dlg_user"}) {
        GxTaskBase* dialog = m_Manager->FindTaskByName(name);
        if (dialog && dialog->IsActive()) {
            dialog->Pause();
            if (g_SystemDialogCount > 0) --g_SystemDialogCount;
        }
    }
}

void GxSeqBase::CloseSystemDialog(void (*close)(GxTaskBase* anyTask, bool playSound), const char16_t* name)
{
    if (close) {
        close(this, true);
        return;
    }
    if (GxTaskBase* dialog = m_Manager ? m_Manager->FindTaskByName(name) : nullptr) dialog->Pause();
    if (g_SystemDialogCount > 0) --g_SystemDialogCount;
}

int GxSeqBase::OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param)
{
    (void)param;
    const GxUIWidgetOps& ops = GxTaskControl::GetUIWidgetOps();
    GxTaskActor* task = sender && ops.asActor ? ops.asActor(sender) : nullptr;
    if (!task || !task->GetParent()) return 0;
    const std::u16string& parentName = task->GetParent()->GetTaskName();
    const std::u16string& name = task->GetTaskLocalName();
    const GxSystemDialogHooks& hooks = GxGetSystemDialogHooks();

    if (parentName == u"dlg_shutdown") {
        if (name == u"btn_dlgshutdown_yes") {
            GxGetSeqServices().PostMainWindowMessage(GxWindowMessage::Close, 0, 0);
            return 1;
        }
        if (name == u"btn_dlgshutdown_no") {
            CloseSystemDialog(hooks.closeShutdownDialog, u"dlg_shutdown");
            return 1;
        }
    }
    if (parentName == u"dlg_user" && GetUserDialogKey() == kNoticeKey) {
        if (name != u"btn_dlguser_ok") return 0;
        CloseSystemDialog(hooks.closeUserDialog, u"dlg_user");
        return 1;
    }
    if (parentName == u"dlg_user" && GetUserDialogKey() == u"USERDIALOG") {
        if (name == u"btn_dlguser_yes" || name == u"btn_dlguser_ok") {
            GxGetSeqServices().SetLastDialogResult(1);
        } else if (name == u"btn_dlguser_no" || name == u"btn_dlguser_cancel") {
            GxGetSeqServices().SetLastDialogResult(0);
        } else {
            return 0;
        }
        CloseSystemDialog(hooks.closeUserDialog, u"dlg_user");
        return 1;
    }
    return 0;
}

bool GxSeqBase::IsUIVisible(GxTaskUIBase* widget)
{
    const GxUIWidgetOps& ops = GxTaskControl::GetUIWidgetOps();
    return widget && ops.isVisibleAll && ops.isVisibleAll(widget);
}

bool GxSeqBase::IsUnlocked1() { return g_MainScreenFlags.lockCount[0] == 0; }
bool GxSeqBase::IsUnlocked2() { return g_MainScreenFlags.lockCount[1] == 0; }
bool GxSeqBase::IsUnlocked3() { return g_MainScreenFlags.lockCount[2] == 0; }

bool GxSeqBase::IsUIInputEnabled(GxTaskUIBase* widget)
{
    if (!widget) return false;
    if (!IsUIVisible(widget)) return false;
    // A widget exists, so the widget table is set (GxTaskUIBase.cpp sets it before the entry).
    const GxUIWidgetOps& ops = GxTaskControl::GetUIWidgetOps();
    if (!ops.isEnabledAll(widget)) return false;
    // A widget that is still moving or fading takes no input.
    if (!ops.asActor(widget)->IsActionFinished()) return false;
    if (g_SystemDialogCount > 0 && ops.getModalPriorityAll(widget) < g_SystemDialogCount) return false;
    if (!m_Manager) return false;
    return m_Manager->IsMainStarted() && !m_Manager->IsChangeSequencePending();
}

GxTaskUIBase* GxSeqBase::CreateUIFromModule(GxTaskBase* parent, const DBUIModuleData& module, const char16_t* name,
                                            int32_t index)
{
    if (!parent) {
        GxPrintErrorLog(u"GxSeqBase::CreateUIFromModule/親タスクがありません(%s)\n", name ? name : u"");
        return nullptr;
    }
    GxTaskUIBase* widget = index == -1 ? GxTaskControl::CreateUIWidget(module.UIType, parent, name, nullptr, 0)
                                       : GxTaskControl::CreateUIWidget(module.UIType, parent, nullptr, name, index);
    // Made through the table, so it is set.
    if (widget) GxTaskControl::GetUIWidgetOps().applyModule(widget, module);
    return widget;
}

GxTaskUIBase* GxSeqBase::CreateUIFromModuleName(GxTaskBase* parent, const DBUILayoutData& layout, const char16_t* name,
                                                int32_t index)
{
    const DBUIModuleData* module = GxFindUIModuleData(layout.ModuleName);
    if (!module) return nullptr;
    if (!parent) {
        GxPrintErrorLog(u"GxSeqBase::CreateUIFromModuleName/親タスクがありません(%s)\n", name ? name : u"");
        return nullptr;
    }
    GxTaskUIBase* widget = index == -1 ? GxTaskControl::CreateUIWidget(module->UIType, parent, name, nullptr, 0)
                                       : GxTaskControl::CreateUIWidget(module->UIType, parent, nullptr, name, index);
    if (!widget) return nullptr;
    const GxUIWidgetOps& ops = GxTaskControl::GetUIWidgetOps();
    ops.applyLayout(widget, layout);
    ops.applyModule(widget, *module);
    return widget;
}
