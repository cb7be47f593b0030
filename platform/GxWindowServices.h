// The window services the engine is written against: a main window with its message loop, a
// hidden debug window, cursors, message boxes and the few folder functions of start-up.
//
// The engine speaks in window messages with the classic numeric codes (the message codes, key
// codes, key-state bits, styles and metric indices below keep those values, because the
// application core dispatches on them and the key map stores them). Whatever layer implements
// this interface must deliver the same events in the same order: activation, close requests,
// key and mouse events, and report the client size the window system really gave the window
// (the picture is fitted into it and the mouse mapped through the same rectangle, GxPresentRect.h).
#pragma once

#include <cstdint>
#include <string>

#include "platform/GxVirtualKeys.h"

using GxWParam = uintptr_t;
using GxLParam = intptr_t;
using GxLResult = intptr_t;

// An opaque window. 0 is "no window".
using GxWindowHandle = uintptr_t;

struct GxWindowPoint
{
    int32_t x = 0;
    int32_t y = 0;
};

struct GxWindowRect
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// Message codes.
namespace GxWindowMessage {
constexpr uint32_t Destroy = 0x0002;
constexpr uint32_t Activate = 0x0006;
constexpr uint32_t Paint = 0x000F;
constexpr uint32_t Close = 0x0010;
constexpr uint32_t Quit = 0x0012;
constexpr uint32_t SetCursor = 0x0020;
constexpr uint32_t WindowPosChanged = 0x0047;
constexpr uint32_t KeyDown = 0x0100;
constexpr uint32_t KeyUp = 0x0101;
constexpr uint32_t SysKeyDown = 0x0104;
constexpr uint32_t SysCommand = 0x0112;
constexpr uint32_t MouseMove = 0x0200;
constexpr uint32_t LButtonDown = 0x0201;
constexpr uint32_t LButtonUp = 0x0202;
constexpr uint32_t RButtonDown = 0x0204;
constexpr uint32_t RButtonUp = 0x0205;
constexpr uint32_t MButtonDown = 0x0207;
constexpr uint32_t MButtonUp = 0x0208;
constexpr uint32_t MouseWheel = 0x020A;
}  // namespace GxWindowMessage

// wParam of SysCommand (the low four bits are reserved and must be masked off).
namespace GxSysCommand {
constexpr uint32_t ScreenSave = 0xF140;
constexpr uint32_t MonitorPower = 0xF170;
}  // namespace GxSysCommand

// Key-state bits of the mouse messages' wParam.
namespace GxMouseKeyState {
constexpr uint32_t LButton = 0x0001;
constexpr uint32_t RButton = 0x0002;
constexpr uint32_t Shift = 0x0004;
constexpr uint32_t Control = 0x0008;
constexpr uint32_t MButton = 0x0010;
}  // namespace GxMouseKeyState

// Virtual-key codes that the application core handles itself (Control, F4 to F7, F11).
namespace GxVirtualKey = GxVK;

// Window style bits.
namespace GxWindowStyle {
constexpr uint32_t Popup = 0x80000000u;
constexpr uint32_t Caption = 0x00C00000u;
constexpr uint32_t VScroll = 0x00200000u;
constexpr uint32_t HScroll = 0x00100000u;
constexpr uint32_t SysMenu = 0x00080000u;
constexpr uint32_t ThickFrame = 0x00040000u;
constexpr uint32_t MinimizeBox = 0x00020000u;
}  // namespace GxWindowStyle

// Class style bits.
namespace GxWindowClassStyle {
constexpr uint32_t VRedraw = 0x0001;
constexpr uint32_t HRedraw = 0x0002;
constexpr uint32_t DblClks = 0x0008;
}  // namespace GxWindowClassStyle

// Indices of GetSystemMetrics.
namespace GxSystemMetric {
constexpr int32_t CxScreen = 0;
constexpr int32_t CyScreen = 1;
constexpr int32_t CyCaption = 4;
constexpr int32_t CxBorder = 5;
constexpr int32_t CyBorder = 6;
constexpr int32_t CxFixedFrame = 7;
constexpr int32_t CyFixedFrame = 8;
constexpr int32_t CyMenu = 15;
constexpr int32_t CxEdge = 45;
constexpr int32_t CyEdge = 46;
}  // namespace GxSystemMetric

namespace GxShowCommand {
constexpr int32_t Hide = 0;
constexpr int32_t ShowNoActivate = 4;
constexpr int32_t Show = 5;
}  // namespace GxShowCommand

// The system cursors the engine sets; None hides the cursor.
enum class GxSystemCursor : int32_t { None = 0, Arrow, Cross, SizeAll, SizeNS, SizeWE, No };

enum class GxWindowBrush : int32_t { Black = 0, White };

struct GxWindowMessageRecord
{
    GxWindowHandle window = 0;
    uint32_t message = 0;
    GxWParam wParam = 0;
    GxLParam lParam = 0;
};

// Receives the messages of the windows of one class.
class GxWindowProcedure
{
public:
    virtual ~GxWindowProcedure() = default;
    virtual GxLResult WindowProc(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam) = 0;
};

struct GxWindowClassDesc
{
    std::u16string className;
    uint32_t classStyle = 0;
    GxWindowProcedure* procedure = nullptr;
    int32_t iconResource = 0;  // 0: no icon
    GxSystemCursor cursor = GxSystemCursor::Arrow;
    GxWindowBrush background = GxWindowBrush::Black;
};

struct GxWindowCreateDesc
{
    std::u16string className;
    std::u16string caption;
    uint32_t style = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

class GxWindowServices
{
public:
    virtual ~GxWindowServices() = default;

    // Windows.
    virtual bool RegisterWindowClass(const GxWindowClassDesc& desc) = 0;
    virtual GxWindowHandle CreateWindow(const GxWindowCreateDesc& desc) = 0;
    // True when a top-level window of that class exists (the single-instance test).
    virtual bool FindWindowByClass(const std::u16string& className) = 0;
    virtual void ShowWindow(GxWindowHandle window, int32_t showCommand) = 0;
    virtual void UpdateWindow(GxWindowHandle window) = 0;
    virtual void SetWindowText(GxWindowHandle window, const std::u16string& text) = 0;
    // A style without a caption asks the window system for full screen: false when it did not
    // give the window that (the window is then left a window, as it was).
    virtual bool SetWindowStyle(GxWindowHandle window, uint32_t style) = 0;
    virtual void SetWindowPos(GxWindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    virtual GxWindowRect GetClientRect(GxWindowHandle window) = 0;
    virtual int32_t GetSystemMetrics(int32_t index) = 0;
    // Marks the whole window for repainting; ValidateRect clears that mark.
    virtual void InvalidateWindow(GxWindowHandle window) = 0;
    virtual void ValidateRect(GxWindowHandle window) = 0;
    // Draws word-wrapped text over the client area (the debug window's paint).
    virtual void PaintText(GxWindowHandle window, const std::u16string& text) = 0;

    // Cursor and mouse.
    virtual void SetCursor(GxSystemCursor cursor) = 0;
    virtual GxWindowPoint GetCursorPos() = 0;
    virtual GxWindowPoint ScreenToClient(GxWindowHandle window, GxWindowPoint screenPoint) = 0;
    virtual void SetCapture(GxWindowHandle window) = 0;
    virtual void ReleaseCapture() = 0;
    virtual GxWindowHandle GetCapture() = 0;

    // Messages.
    virtual bool PeekMessage() = 0;  // a message is waiting; nothing is removed
    // Takes the next message; false when it is the quit message.
    virtual bool GetMessage(GxWindowMessageRecord& out) = 0;
    virtual void TranslateMessage(const GxWindowMessageRecord& message) = 0;
    virtual GxLResult DispatchMessage(const GxWindowMessageRecord& message) = 0;
    virtual GxLResult DefWindowProc(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam) = 0;
    virtual void PostMessage(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam) = 0;
    virtual GxLResult SendMessage(GxWindowHandle window, uint32_t message, GxWParam wParam, GxLParam lParam) = 0;
    virtual void PostQuitMessage(int32_t exitCode) = 0;

    // Message box with no owner window and the information icon.
    virtual void ShowMessageBox(const std::u16string& caption, const std::u16string& text) = 0;

    // Folders ("/" separators).
    virtual std::u16string GetCurrentDirectory() = 0;
    virtual std::u16string GetDocumentsFolder() = 0;
    virtual bool CreateDirectory(const std::u16string& path) = 0;
};

// Parts of a mouse message's lParam and wParam.
inline int32_t GxGetXParam(GxLParam lParam) { return static_cast<int16_t>(static_cast<uint32_t>(lParam) & 0xFFFF); }
inline int32_t GxGetYParam(GxLParam lParam)
{
    return static_cast<int16_t>((static_cast<uint32_t>(lParam) >> 16) & 0xFFFF);
}
inline int32_t GxGetWheelDelta(GxWParam wParam)
{
    return static_cast<int16_t>((static_cast<uint32_t>(wParam) >> 16) & 0xFFFF);
}
inline uint32_t GxGetKeyStateParam(GxWParam wParam) { return static_cast<uint32_t>(wParam) & 0xFFFF; }
