// The UI event record that a widget posts to a folder, and the listener that a folder hands
// each record to, one operation per routed event code.
#pragma once

#include <cstdint>

class GxTaskUIBase;

struct GxUIEventParam
{
    GxTaskUIBase* m_Sender = nullptr;
    int32_t m_EventType = 0;  // 1..24
    int32_t m_Param = 0;
    uint32_t m_Reserved = 0;
    float m_Values[12] = {};  // three four-float vectors

    GxUIEventParam() = default;
    GxUIEventParam(GxTaskUIBase* sender, int32_t eventType, int32_t param)
        : m_Sender(sender), m_EventType(eventType), m_Param(param)
    {
    }
};

// Each operation gets (sender widget, record) and answers 1 when it handled the event.
class GxUIListenerBase
{
public:
    virtual ~GxUIListenerBase() = default;
    virtual int OnUIEventLeftDown(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventRightDown(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventCode3(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventLeftUp(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventCode5(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventCode6(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventMouseOver(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventMouseOut(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventCode9(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventCode10(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventCode12(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventCode13(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventKeyDown(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventCode16(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventSelectChange(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventValueChange(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventCode20(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventCode22(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventCode23(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }
    virtual int OnUIEventCode24(GxTaskUIBase* sender, GxUIEventParam* param) { return Unhandled(sender, param); }

private:
    static int Unhandled(GxTaskUIBase*, GxUIEventParam*) { return 0; }
};
