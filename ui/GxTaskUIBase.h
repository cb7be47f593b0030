// The base of every UI widget: an actor with a value range, a group, three texts, a size and
// client rectangle, modality and the pointer state, built by a screen's UI factory from a UI
// module row and (optionally) a UI layout row.
//
// The base draws nothing: it holds the shared fields, the hit tests, the queries along the chain
// of widget ancestors, event posting, render registration, storage, and the standard pointer
// protocol and update that the widget classes build on.
#pragma once

#include <cstdint>
#include <string>

#include "app/task/GxTaskListener.h"

#include "app/GxTaskActor.h"
#include "app/task/GxUIEventParam.h"

struct DBUILayoutData;
struct DBUIModuleData;

// The UIType column of a UI module row: the widget class the factory builds.
struct GxUIModuleType
{
    enum : int32_t {
        Null = 1,
        PanelFx = 8,
        MessageWindowFx = 9,
        TextWindowFx = 10,
        TextPanelFx = 11,
        PanelIs = 15,
        AnimePanelIs = 16,
        TextPanelIs = 17,
        ButtonIs = 18,
        ToggleButtonIs = 19,
        RadioButtonIs = 20,
        TextButtonIs = 21,
        HSliderIs = 30,
        VSliderIs = 31,
        MenuIs = 40,
        HBarIs = 41,
        TipHelpIs = 45,
        ListBoxFx = 50,
        TextLogFx = 51,
    };
};

// Codes of the UI event records widgets post.
struct GxUIEventType
{
    enum : int32_t {
        LeftDown = 1,
        RightDown = 2,
        LeftUp = 4,
        MouseOver = 7,
        MouseOut = 8,
        KeyDown = 15,
        SelectChange = 18,
        ValueChange = 19,
    };
};

// Asked when the pointer has rested on a widget for its tip-help time: show text at pos (x, y)
// of the logical screen. anyTask reaches the task manager. Start-up installs the system
// screen's handler; none means no tip help.
using GxUITipHelpHandler = void (*)(GxTaskBase* anyTask, const std::u16string& text, const GxVector3& pos);
void GxSetUITipHelpHandler(GxUITipHelpHandler handler);
GxUITipHelpHandler GxGetUITipHelpHandler();

// The pointer on the logical screen as whole pixels (the application object's cursor); (0, 0)
// without one.
GxVector3 GxUIGetPointerPos();

// The settings' folder of UI image sets ("uigis/" without settings).
std::u16string GxUIImageSetFolder();

// Splits an image path as the image widgets take it: the set is the folder part up to the last
// "/", "\\" or ":" (without it) + ".gis", the image the rest. "uigis/common/ok" names the image
// "ok" of "uigis/common.gis".
void GxUISplitImageSetPath(const std::u16string& path, std::u16string& imageSetName, std::u16string& imageName);

class GxTaskUIBase : public GxTaskActor
{
public:
    static constexpr int32_t kMaxHoverTime = 86400000;  // one day in milliseconds

    // Built as the last child of parent, named by a TaskName or by a local name and index
    // (either may be null).
    GxTaskUIBase(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUIBase() override;

    // Loads the pictures and forgets the pointer state.
    void OnSequenceEnter() override;
    // Advances the widget's actions by the step's whole milliseconds.
    int Update(int32_t step, int64_t elapsed) override;
    // Registers in render layer 7 when top-most through the chain, else 5, by order Z.
    int Render(int32_t step, int64_t elapsed) override;
    // A widget that appears or disappears forgets its pointer state.
    void Hide() override;
    void Show() override;
    int32_t GetWidth() const override { return m_Width; }
    int32_t GetHeight() const override { return m_Height; }

    // The actor part, then the fields in their fixed order.
    bool WriteContent(GxContentWriterBase& writer) override;
    bool ReadContent(GxContentReaderBase& reader) override;

    // Clears the pressed and hover state.
    virtual void ResetEventState();
    // The module's ID, size, client rectangle, shape and animation speed.
    virtual void ApplyModule(const DBUIModuleData& module);
    // Visibility and enabled flags, value range and value, group, texts, tip-help delay,
    // position and order Z of the layout row (the row has no modality columns: the system
    // screen sets a dialog's modality itself).
    virtual void ApplyLayout(const DBUILayoutData& layout);
    // Takes picture names only; loading is LoadImages' work.
    virtual bool LoadImageSet(const std::u16string& path) = 0;
    virtual bool LoadImages() = 0;
    virtual void ReleaseImages() = 0;

    virtual void SetEnabled(bool enabled) { m_Enabled = enabled; }
    virtual bool IsEnabled() const { return m_Enabled; }
    virtual void SetValueBool(bool value) { SetValue(value ? 1.0 : 0.0); }
    virtual void SetValueInt(int32_t value) { SetValue(static_cast<double>(value)); }
    virtual void SetValue(double value) { m_Value = value; }
    virtual double GetValue() const { return m_Value; }
    // Truncated toward zero; NaN gives 0 and values beyond the 32-bit range saturate.
    virtual int32_t GetValueInt() const;
    // GetValueInt compared with 0 (0.5 gives false).
    virtual bool GetValueBool() const { return GetValueInt() != 0; }
    virtual void SetMax(double value) { m_Max = value; }
    virtual double GetMax() const { return m_Max; }
    virtual void SetMin(double value) { m_Min = value; }
    virtual double GetMin() const { return m_Min; }
    virtual double GetChange() const { return m_Change; }
    virtual void SetGroupID(int32_t id) { m_GroupID = id; }
    virtual int32_t GetGroupID() const { return m_GroupID; }
    virtual void SetWidth(int32_t width) { m_Width = width; }
    virtual void SetHeight(int32_t height) { m_Height = height; }
    virtual int32_t GetClientLeft() const { return m_ClientLeft; }
    virtual int32_t GetClientTop() const { return m_ClientTop; }
    virtual int32_t GetClientWidth() const { return m_ClientWidth; }
    virtual int32_t GetClientHeight() const { return m_ClientHeight; }
    virtual void SetClientRect(int32_t left, int32_t top, int32_t width, int32_t height);
    virtual void SetText(const char16_t* text) { m_Text = text ? text : u""; }
    virtual const std::u16string& GetText() const { return m_Text; }
    virtual void SetLabel(const char16_t* text) { m_Label = text ? text : u""; }
    virtual const std::u16string& GetLabel() const { return m_Label; }
    virtual void SetDescript(const char16_t* text) { m_Descript = text ? text : u""; }
    virtual const std::u16string& GetDescript() const { return m_Descript; }
    // Bit n of the report flags; n outside 0..31 names no bit (set and clear do nothing, the
    // test is false).
    virtual void SetEventReportFlag(int32_t n);
    virtual void ClearEventReportFlag(int32_t n);
    virtual bool IsEventReportFlag(int32_t n) const;
    virtual void SetEventBlockFlag(bool block) { m_EventBlockFlag = block; }
    virtual bool GetEventBlockFlag() const { return m_EventBlockFlag; }
    virtual void SetModalFlag(bool modal) { m_ModalFlag = modal; }
    virtual bool GetModalFlag() const { return m_ModalFlag; }
    virtual void SetModalPriority(int32_t priority) { m_ModalPriority = priority; }
    virtual int32_t GetModalPriority() const { return m_ModalPriority; }
    virtual void SetTopMostFlag(bool topMost) { m_TopMostFlag = topMost; }
    virtual bool GetTopMostFlag() const { return m_TopMostFlag; }
    virtual void SetImageAlpha(int32_t alpha) { m_ImageAlpha = alpha; }
    virtual int32_t GetImageAlpha() const { return m_ImageAlpha; }
    virtual void SetAnimeSpeed(int32_t speed) { m_AnimeSpeed = speed; }
    virtual int32_t GetAnimeSpeed() const { return m_AnimeSpeed; }
    virtual int32_t GetHoverCount() const { return m_HoverCount; }
    // x (y) = (parent size - own size) / 2 + offset; a parent that is no actor counts as the
    // 1024 x 768 screen.
    virtual void CenterInParentX(int32_t offset);
    virtual void CenterInParentY(int32_t offset);

    // The widget chain is the widget and its parents up to the first task that is no widget.
    // Visible itself and every widget ancestor.
    virtual bool IsVisibleAll() const;
    // Enabled itself and every widget ancestor.
    virtual bool IsEnabledAll() const;
    // The highest modal priority of the modal widgets of the chain; 0 when none is modal.
    virtual int32_t GetModalPriorityAll() const;
    // Top-most itself or through a widget ancestor.
    virtual bool IsTopMostAll() const;
    // Own alpha scaled by each widget ancestor's alpha / 255, truncated at the end.
    virtual int32_t GetAlphaAll() const;

    // Half-open rectangles at origin, compared in floats; NaN never hits.
    // The client rectangle.
    virtual bool IsHit(const GxVector3& origin, float x, float y) const;
    // The whole width x height.
    virtual bool IsHitRect(const GxVector3& origin, float x, float y) const;

    // A record with only the sender and the code, sent as SendUIEvent does (the report bit is
    // not tested).
    virtual bool RaiseUIEvent(int32_t code);
    // Posts the record to the current screen; false (the record is lost) without a current
    // screen, when it is dead or paused, or when it does not take UI events.
    virtual bool SendUIEvent(const GxUIEventParam& param);

    int32_t GetModuleID() const { return m_ModuleID; }
    int32_t GetAutoHelpTime() const { return m_AutoHelpTime; }
    void SetAutoHelpTime(int32_t ms) { m_AutoHelpTime = ms; }
    int32_t GetShapeType() const { return m_ShapeType; }
    int32_t GetEventState() const { return m_EventState; }
    void SetEventState(int32_t state) { m_EventState = state; }
    void SetHoverCount(int32_t count) { m_HoverCount = count; }
    int32_t GetHoverTime() const { return m_HoverTime; }
    uint32_t GetEventReportFlags() const { return m_EventReportFlags; }
    bool IsDragging() const { return m_Dragging; }

    // The current screen's input gate and visibility test for this widget; false without a
    // current screen.
    bool IsUIInputEnabled();
    bool IsUIVisible();

protected:
    // The hit test of the standard pointer protocol (the whole rectangle unless a widget says
    // otherwise).
    virtual bool HitTest(const GxVector3& origin, float x, float y) const { return IsHitRect(origin, x, y); }
    // A widget's own press effect, after the state became 1 and before the event is posted.
    virtual void OnStandardPress(const GxMousePoint& pt) { (void)pt; }

    // The standard pointer protocol: hover on a move, press on the left button.
    int StandardMouseMove(const GxMousePoint& pt);
    int StandardLeftDown(const GxMousePoint& pt);
    // Part of the standard update: the hover ends when the pointer no longer hits (not while dragging when
    // keepWhileDragging), even when the gate refuses; the event only when it passes.
    void UpdateHoverEnd(bool keepWhileDragging);
    // Part of the standard update, last: the tip help once the hover time crosses m_AutoHelpTime.
    void UpdateTipHelp(int32_t ms);
    // The update of a widget with nothing of its own to update: the actions, the hover end (kept
    // while dragging) and the tip help.
    int StandardUpdate(int64_t elapsed);
    // A pointer record: the pointer and the widget's absolute position in the floats.
    void PostPointerEvent(int32_t code, float x, float y);

    bool m_Enabled = true;
    double m_Value = 0.0;
    double m_Max = 0.0;
    double m_Min = 0.0;
    double m_Change = 0.0;
    int32_t m_GroupID = 0;
    int32_t m_ModuleID = 0;
    std::u16string m_Text;
    std::u16string m_Label;
    int32_t m_AutoHelpTime = -1;
    std::u16string m_Descript;
    int32_t m_Width = 0;
    int32_t m_Height = 0;
    int32_t m_ClientLeft = 0;
    int32_t m_ClientTop = 0;
    int32_t m_ClientWidth = 0;
    int32_t m_ClientHeight = 0;
    int32_t m_ShapeType = 0;
    int32_t m_AnimeSpeed = 2;
    bool m_ModalFlag = false;
    int32_t m_ModalPriority = 1;
    bool m_TopMostFlag = false;
    int32_t m_ImageAlpha = 255;
    int32_t m_EventState = 0;
    int32_t m_HoverCount = 0;
    int32_t m_HoverTime = 0;
    uint32_t m_EventReportFlags = 0xFFFFFFFFu;
    bool m_EventBlockFlag = true;
    // Drag state of the dragging widgets; not stored.
    bool m_Dragging = false;
    float m_DragPos0[2] = {-1.0f, -1.0f};
    float m_DragPos1[2] = {-1.0f, -1.0f};
    int32_t m_DragWord0 = 0;
    int32_t m_DragWord1 = 0;

    void ResetDragState();
};
