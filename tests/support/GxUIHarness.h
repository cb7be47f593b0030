// A headless stage for widget tests: a task manager with a persistent system screen (holding a
// "tip_help" widget) and a current screen past its main start whose listener records every UI
// event it is handed; the program's tip-help hook, recorded on its way; an injected pointer that
// GxCore::GetMousePos returns, with moves, presses, releases and wheel turns through the task
// manager's walks as the window procedure makes them; one-step frames that run the update and
// render walks and draw render layers 5 and 7; and image sets and pictures written into a
// temporary game folder. The device is the recording backend or, for pixel tests, GL (EGL
// headless) with a read-back of the drawn picture.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/GxSeqBase.h"
#include "app/task/GxUIEventParam.h"
#include "core/GxMath.h"
#include "platform/GxDevice.h"
#include "tests/support/GxContentFixture.h"
#include "tests/support/GxFakeGlyphRasterizer.h"
#include "tests/support/GxPackWriter.h"
#include "tests/support/GxImageSetFile.h"
#include "tests/support/GxPictureWriter.h"

class GxCore;
class GxRenderLayerBanks;
class GxTaskManage;
class GxTaskUIBase;
struct DBUILayoutData;
struct DBUIModuleData;

namespace gxtest {

enum class UIDevice { Recording, GL };

// One UI event as the screen's listener received it.
struct UIEventRecord
{
    GxTaskUIBase* sender = nullptr;
    int32_t type = 0;
    GxUIEventParam param;
};

// One request to show the tip help.
struct TipHelpRecord
{
    std::u16string text;
    GxVector3 pos;
};

// A screen whose listener records each delivered event before the screen base handles it.
class RecordingScreen : public GxSeqBase
{
public:
    RecordingScreen(const char16_t* name, GxTaskBase* parent) : GxSeqBase(name, parent) {}

    std::vector<UIEventRecord> events;

#define GX_RECORD_UI_EVENT(Op, Code)                                                \
    int Op(GxTaskUIBase* sender, GxUIEventParam* param) override                    \
    {                                                                               \
        events.push_back({sender, Code, param ? *param : GxUIEventParam()});        \
        return GxSeqBase::Op(sender, param);                                        \
    }
    GX_RECORD_UI_EVENT(OnUIEventLeftDown, 1)
    GX_RECORD_UI_EVENT(OnUIEventRightDown, 2)
    GX_RECORD_UI_EVENT(OnUIEventCode3, 3)
    GX_RECORD_UI_EVENT(OnUIEventLeftUp, 4)
    GX_RECORD_UI_EVENT(OnUIEventCode5, 5)
    GX_RECORD_UI_EVENT(OnUIEventCode6, 6)
    GX_RECORD_UI_EVENT(OnUIEventMouseOver, 7)
    GX_RECORD_UI_EVENT(OnUIEventMouseOut, 8)
    GX_RECORD_UI_EVENT(OnUIEventCode9, 9)
    GX_RECORD_UI_EVENT(OnUIEventCode10, 10)
    GX_RECORD_UI_EVENT(OnUIEventCode12, 12)
    GX_RECORD_UI_EVENT(OnUIEventCode13, 13)
    GX_RECORD_UI_EVENT(OnUIEventKeyDown, 15)
    GX_RECORD_UI_EVENT(OnUIEventCode16, 16)
    GX_RECORD_UI_EVENT(OnUIEventSelectChange, 18)
    GX_RECORD_UI_EVENT(OnUIEventValueChange, 19)
    GX_RECORD_UI_EVENT(OnUIEventCode20, 20)
    GX_RECORD_UI_EVENT(OnUIEventCode22, 22)
    GX_RECORD_UI_EVENT(OnUIEventCode23, 23)
    GX_RECORD_UI_EVENT(OnUIEventCode24, 24)
#undef GX_RECORD_UI_EVENT
};

class UIHarness
{
public:
    explicit UIHarness(UIDevice device = UIDevice::Recording);
    ~UIHarness();
    UIHarness(const UIHarness&) = delete;
    UIHarness& operator=(const UIHarness&) = delete;

    // False when the device could not be made (the reason is in Log()).
    bool IsReady() const { return m_Ready; }

    GxTaskManage& Manager() { return *m_Manager; }
    GxSeqBase* System() const { return m_System; }
    RecordingScreen* Screen() const { return m_Screen; }
    GxTaskUIBase* TipHelp() const { return m_TipHelp; }
    const GxTestGameFolder& Folder() const { return m_Folder; }

    // Widgets through the program's factory under parent (null: the screen): from a module row
    // alone, or from a layout row and the module row it names (registered in the module table
    // first). index -1 makes name the TaskName, else the local name.
    GxTaskUIBase* CreateFromModule(const DBUIModuleData& module, const char16_t* name, int32_t index = 0,
                                   GxTaskBase* parent = nullptr);
    GxTaskUIBase* CreateFromLayout(const DBUIModuleData& module, const DBUILayoutData& layout, const char16_t* name,
                                   int32_t index = 0, GxTaskBase* parent = nullptr);

    // Makes the screen current (its enter walk loads every widget's pictures) and starts its
    // main phase.
    void EnterScreen();

    // A picture file in the game folder (relative path).
    bool WritePicture(const std::string& path, const TestPicture& picture);
    // An image set whose patterns are packed side by side on one page picture, written as
    // "<setPath>" and "<setPath without .gis>_0.png", then added to the image-set pool under
    // the wide form of setPath.
    bool WriteImageSet(const std::string& setPath, const std::vector<UIImageSpec>& images);

    // The global fonts as the game's start-up loads them (the settings' default sizes 11, 15, 23,
    // 24, 22, 38; the bitmap fonts from "fonts/" when written there), with glyphs from the fake
    // rasteriser so that text layouts are exact; undone by the destructor.
    void LoadFonts(std::u16string_view builtinFontName = u"");
    FakeRasterizer& Glyphs() { return *m_Glyphs; }

    // The pointer: moves the injected cursor and offers the event as the window procedure does.
    void SetPointer(float x, float y);
    int Move(float x, float y);
    // The button-down walk: persistent root first, then the current screen; its answer.
    int Down(float x, float y);
    int Up(float x, float y);
    int Wheel(int32_t delta, float x, float y);

    // One frame of one update step with ms milliseconds: the update walks of the screen and the
    // persistent root, their render walks, then a clear to black and the draws of render
    // layers 5 and 7 in one scene. The device calls the frame made (recording device only).
    // beforeDraw runs between the walks and the drawing, where the program takes its draw key.
    std::vector<GxDeviceCall> Frame(int32_t ms, const std::function<void()>& beforeDraw = nullptr);
    // The drawn picture (GL device).
    GxPixelImage ReadBack();

    // Events delivered to the screen's listener and tip-help requests, in order.
    std::vector<UIEventRecord>& Events() { return m_Screen->events; }
    std::vector<TipHelpRecord>& TipRequests() { return m_Tips; }
    void ClearRecords()
    {
        m_Screen->events.clear();
        m_Tips.clear();
    }

    const GxContentLogCapture& Log() const { return m_Log; }
    bool Logged(const std::string& text) const { return m_Log.Joined().find(text) != std::string::npos; }

private:
    static void RecordTipHelp(GxTaskBase* anyTask, const std::u16string& text, const GxVector3& pos);

    class Cursor;

    GxTestGameFolder m_Folder;
    GxContentLogCapture m_Log;
    std::u16string m_DeviceLogPath;
    bool m_Ready = false;
    std::unique_ptr<Cursor> m_Cursor;
    std::unique_ptr<GxCore> m_Core;
    std::unique_ptr<GxTaskManage> m_Manager;
    std::unique_ptr<GxRenderLayerBanks> m_Banks;
    GxSeqBase* m_System = nullptr;
    RecordingScreen* m_Screen = nullptr;
    GxTaskUIBase* m_TipHelp = nullptr;
    std::vector<TipHelpRecord> m_Tips;
    std::unique_ptr<FakeRasterizer> m_Glyphs = std::make_unique<FakeRasterizer>();
    bool m_FontsLoaded = false;
    void (*m_ForwardTip)(GxTaskBase*, const std::u16string&, const GxVector3&) = nullptr;
};

}  // namespace gxtest
