// The listener interfaces through which the task manager offers window, mouse and key events to
// tasks (thread messages use GxThreadListenerBase of the thread manager). Every default answers
// 0: the event was not consumed.
#pragma once

#include <cstdint>

#include "core/GxThreadManage.h"
#include "platform/GxWindowServices.h"

// A point on the 1024 x 768 logical screen.
struct GxMousePoint
{
    float x = 0.0f;
    float y = 0.0f;
};

class GxTaskListenerBase
{
public:
    virtual ~GxTaskListenerBase() = default;
};

class GxTaskWindowListenerBase
{
public:
    virtual ~GxTaskWindowListenerBase() = default;
    virtual int OnActivate() { return 0; }
    virtual int OnDeactivate() { return 0; }
    // Non-zero keeps the window open.
    virtual int OnClose() { return 0; }
    virtual int OnChangeScreenMode(int32_t fromMode, int32_t toMode)
    {
        (void)fromMode; (void)toMode;
        return 0;
    }
};

// keyState is the key-state word of the mouse message; doubleClick is always false in this
// engine (the window class asks for no double clicks).
class GxTaskMouseListenerBase
{
public:
    virtual ~GxTaskMouseListenerBase() = default;
    virtual int OnMouseMove(const GxMousePoint& pt, uint32_t keyState)
    {
        (void)pt; (void)keyState;
        return 0;
    }
    virtual int OnMouseWheel(const GxMousePoint& pt, int32_t wheelDelta, uint32_t keyState)
    {
        (void)pt; (void)wheelDelta; (void)keyState;
        return 0;
    }
    virtual int OnMouseLeftDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
    {
        (void)pt; (void)keyState; (void)doubleClick;
        return 0;
    }
    virtual int OnMouseLeftUp(const GxMousePoint& pt, uint32_t keyState)
    {
        (void)pt; (void)keyState;
        return 0;
    }
    virtual int OnMouseRightDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
    {
        (void)pt; (void)keyState; (void)doubleClick;
        return 0;
    }
    virtual int OnMouseRightUp(const GxMousePoint& pt, uint32_t keyState)
    {
        (void)pt; (void)keyState;
        return 0;
    }
    virtual int OnMouseMiddleDown(const GxMousePoint& pt, uint32_t keyState, bool doubleClick)
    {
        (void)pt; (void)keyState; (void)doubleClick;
        return 0;
    }
    virtual int OnMouseMiddleUp(const GxMousePoint& pt, uint32_t keyState)
    {
        (void)pt; (void)keyState;
        return 0;
    }
};

class GxTaskKeyInputListenerBase
{
public:
    virtual ~GxTaskKeyInputListenerBase() = default;
    virtual int OnKeyDown(GxWParam virtualKey, GxLParam lParam)
    {
        (void)virtualKey; (void)lParam;
        return 0;
    }
    virtual int OnKeyUp(GxWParam virtualKey, GxLParam lParam)
    {
        (void)virtualKey; (void)lParam;
        return 0;
    }
};
