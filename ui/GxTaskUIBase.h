// The base of every UI widget: an actor with a value range, a group, three texts, a size and
// client rectangle, modality and the pointer state, built by a screen's UI factory from a UI
// module row and (optionally) a UI layout row.
//
// This holds what the task tree, the screens' input gate and the factory use of a widget; the
// widgets' drawing, pointer handling and storage come with the widget classes.
#pragma once

#include <cstdint>
#include <string>

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

class GxTaskUIBase : public GxTaskActor
{
public:
    // Built as the last child of parent, named by a TaskName or by a local name and index
    // (either may be null).
    GxTaskUIBase(GxTaskBase* parent, const char16_t* taskName, const char16_t* localName, int32_t localIndex);
    ~GxTaskUIBase() override;

    // Advances the widget's actions by the step's whole milliseconds.
    int Update(int32_t step, int64_t elapsed) override;
    // A widget that appears or disappears forgets its pointer state.
    void Hide() override;
    void Show() override;
    int32_t GetWidth() const override { return m_Width; }
    int32_t GetHeight() const override { return m_Height; }

    // Clears the pressed and hover state.
    virtual void ResetEventState();
    // The module's ID, size, client rectangle, shape and animation speed.
    virtual void ApplyModule(const DBUIModuleData& module);
    // Visibility and enabled flags, value range and value, group, texts, tip-help delay,
    // position and order Z of the layout row.
    virtual void ApplyLayout(const DBUILayoutData& layout);
    virtual bool LoadImageSet(const std::u16string& imageSetName) = 0;
    virtual bool LoadImages() = 0;

    virtual void SetEnabled(bool enabled) { m_Enabled = enabled; }
    virtual bool IsEnabled() const { return m_Enabled; }
    virtual void SetValue(double value) { m_Value = value; }
    virtual double GetValue() const { return m_Value; }
    virtual void SetValueInt(int32_t value) { SetValue(static_cast<double>(value)); }
    virtual void SetMax(double value) { m_Max = value; }
    virtual double GetMax() const { return m_Max; }
    virtual void SetMin(double value) { m_Min = value; }
    virtual double GetMin() const { return m_Min; }
    virtual void SetGroupID(int32_t id) { m_GroupID = id; }
    virtual int32_t GetGroupID() const { return m_GroupID; }
    virtual void SetText(const char16_t* text) { m_Text = text ? text : u""; }
    virtual const std::u16string& GetText() const { return m_Text; }
    virtual void SetLabel(const char16_t* text) { m_Label = text ? text : u""; }
    virtual const std::u16string& GetLabel() const { return m_Label; }
    virtual void SetDescript(const char16_t* text) { m_Descript = text ? text : u""; }
    virtual const std::u16string& GetDescript() const { return m_Descript; }
    virtual void SetModalFlag(bool modal) { m_ModalFlag = modal; }
    virtual bool GetModalFlag() const { return m_ModalFlag; }
    virtual void SetModalPriority(int32_t priority) { m_ModalPriority = priority; }
    virtual int32_t GetModalPriority() const { return m_ModalPriority; }

    int32_t GetModuleID() const { return m_ModuleID; }
    int32_t GetAutoHelpTime() const { return m_AutoHelpTime; }
    int32_t GetClientLeft() const { return m_ClientLeft; }
    int32_t GetClientTop() const { return m_ClientTop; }
    int32_t GetClientWidth() const { return m_ClientWidth; }
    int32_t GetClientHeight() const { return m_ClientHeight; }
    int32_t GetShapeType() const { return m_ShapeType; }
    int32_t GetAnimeSpeed() const { return m_AnimeSpeed; }
    int32_t GetEventState() const { return m_EventState; }
    void SetEventState(int32_t state) { m_EventState = state; }
    int32_t GetHoverCount() const { return m_HoverCount; }
    void SetHoverCount(int32_t count) { m_HoverCount = count; }

    // The widget chain is the widget and its parents up to the first task that is no widget.
    // Visible itself and every widget ancestor.
    virtual bool IsVisibleAll() const;
    // Enabled itself and every widget ancestor.
    virtual bool IsEnabledAll() const;
    // The highest modal priority of the modal widgets of the chain; 0 when none is modal.
    virtual int32_t GetModalPriorityAll() const;

    // Posts the record to the current screen; false (the record is lost) without a current
    // screen, when it is dead or paused, or when it does not take UI events.
    virtual bool SendUIEvent(const GxUIEventParam& param);

protected:
    bool m_Enabled = true;
    double m_Value = 0.0;
    double m_Max = 0.0;
    double m_Min = 0.0;
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
    int32_t m_EventState = 0;
    int32_t m_HoverCount = 0;
    int32_t m_HoverTime = 0;
};
