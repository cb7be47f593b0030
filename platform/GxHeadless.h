// The harness for tests and CI: running without a display, ending after a number of frames,
// writing the last presented frame as a PNG, and feeding timed synthetic input.
//
// Environment:
//   GX_HEADLESS=1            run without a window (SDL's offscreen video, dummy audio); also the
//                            default when neither DISPLAY nor WAYLAND_DISPLAY is set
//   GX_UNPACED=1             headless only: frames do not wait for the clock (the sound side
//                            follows the frames too: its clock and the mix)
//   GX_EXIT_AFTER_FRAMES=N   quit through the normal quit request so that exactly N frames run
//   GX_SCREENSHOT=file.png   after the last frame, write the last presented picture
//   GX_INPUT_SCRIPT=file     synthetic input events, by frame (format below)
//   GX_FIRST_FRAME_OF=name   after the first frame presented while the named screen is current,
//                            report its time, the CPU time and peak RSS so far on stderr and
//                            quit (the start-up benchmark)
//   GX_START_STAMP=ns        the CLOCK_MONOTONIC nanoseconds that report is measured from
//   GX_HOLD_MESSAGE_BOXES=1  headless only: a message box, after its text went to stderr, waits
//                            as a real one does for a click that never comes, until the program
//                            is asked to end (SIGTERM, SIGINT)
//
// Input script: one event per line, "#" starts a comment, blank lines are ignored.
//   <frame> move <x> <y>
//   <frame> down <button> <x> <y>       button: left, right or middle
//   <frame> up <button> <x> <y>
//   <frame> click <button> <x> <y>      down and up in the same frame
//   <frame> wheel <notches> [<x> <y>]   positive turns away from the user
//   <frame> keydown <key>
//   <frame> keyup <key>
//   <frame> key <key>                   down and up in the same frame
//   <frame> close                       the window's close request
//   <frame> screenshot <file>           after frame N, its presented picture as an RGB PNG (the
//                                       rest of the line is the file, relative to the game folder);
//                                       frame N is drawn even when it shows nothing new
//   <frame> look <file>                 the same, with frame N left as the program leaves it: the
//                                       picture on the screen after it, drawn or not
// Frames count from 1: the events of frame N reach the window procedure in the message pump of
// the main-loop pass that runs frame N, in the order of the file. Coordinates are on the logical
// 1024 x 768 screen and are converted to the place of the picture in the window's client area
// (all of it when the client is 4:3; see GxPresentRect.h). Keys are SDL key names
// ("Return", "Escape", "Space", "F4", "A", "Left", "Left Ctrl", ...; any case); the rest of the line
// is the name. The events go into SDL's event queue and so take the very path of real input.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/GxWindowServices.h"

class GxSdlWindowServices;

// True when GX_HEADLESS asks for it (any value but "" and "0"), or when no display is named.
bool GxIsHeadless();

struct GxHarnessOptions
{
    bool headless = false;
    bool unpaced = false;
    bool holdMessageBoxes = false;
    bool reportFrames = false;  // GX_FRAME_REPORT: the frames run and repeated, at the end
    uint32_t exitAfterFrames = 0;  // 0: run until the program quits by itself
    std::string screenshotPath;
    std::string inputScriptPath;
    std::string firstFrameOf;   // the screen's task name; empty: no report
    int64_t startStampNs = -1;  // CLOCK_MONOTONIC nanoseconds; -1: none given
};

// Reads the options from the environment. A malformed GX_EXIT_AFTER_FRAMES or GX_START_STAMP is
// reported in error and false is returned.
bool GxReadHarnessOptions(GxHarnessOptions& options, std::string& error);

struct GxInputScriptEvent
{
    enum class Kind { Move, Down, Up, Wheel, KeyDown, KeyUp, Close, Screenshot };
    uint32_t frame = 0;
    Kind kind = Kind::Move;
    uint8_t button = 0;  // SDL button number
    bool hasPosition = false;
    float x = 0.0f;
    float y = 0.0f;
    int32_t notches = 0;
    int32_t keycode = 0;  // SDL key code
    int32_t scancode = 0;
    std::string path;  // Screenshot: the file
    bool drawn = true;  // Screenshot: its frame is drawn (screenshot) or left alone (look)
    int32_t line = 0;
};

// Parses a whole script. On a bad line returns false with "line N: ..." in error.
bool GxParseInputScript(std::string_view text, std::vector<GxInputScriptEvent>& out, std::string& error);

class GxHarness
{
public:
    GxHarness(const GxHarnessOptions& options, GxSdlWindowServices* services);

    const GxHarnessOptions& GetOptions() const { return m_Options; }
    // Reads the input script, when one is named. False with a message in error.
    bool Load(std::string& error);

    // At the start of the main-loop pass that runs frame (1-based): pushes that frame's events.
    void BeginFrame(uint32_t frame, GxWindowHandle mainWindow);
    // After framesRun frames (0 before the first): true when the quit must be requested now so
    // that the pass that sees it runs the last frame.
    bool ShouldRequestQuit(uint32_t framesRun) const;

    bool WantsScreenshot() const { return !m_Options.screenshotPath.empty(); }
    // The files the script wants the picture of frame (1-based) written to, once it has run.
    std::vector<std::string> ScreenshotsAfter(uint32_t frame) const;
    // Whether frame (1-based) is drawn for a picture written after it: a screenshot (not a look)
    // of the script, or GX_SCREENSHOT and the frame is the last of GX_EXIT_AFTER_FRAMES. Such a
    // frame is drawn even when it shows nothing new.
    bool CapturesFrame(uint32_t frame) const;
    // Writes 0xAARRGGBB pixels, top row first, as an RGB PNG.
    bool WriteScreenshot(uint32_t width, uint32_t height, const std::vector<uint32_t>& pixels) const;

    size_t GetEventCount() const { return m_Events.size(); }

    // After a frame was presented with currentScreen current: the first time it is the screen of
    // GX_FIRST_FRAME_OF, writes "first frame of <name>: <ms> ms after the start stamp, cpu <ms>
    // ms, peak rss <KiB> KiB" (or "... after the harness started" without a stamp) to stderr and
    // returns true (the caller quits).
    bool OnFramePresented(const std::string& currentScreen);
    // Whether OnFramePresented can still report: the caller need not name the screen otherwise.
    bool AwaitsFirstFrame() const { return !m_FirstFrameReported && !m_Options.firstFrameOf.empty(); }

private:
    void Push(const GxInputScriptEvent& event, GxWindowHandle mainWindow);

    GxHarnessOptions m_Options;
    GxSdlWindowServices* m_Services;
    std::vector<GxInputScriptEvent> m_Events;
    std::vector<GxInputScriptEvent> m_Screenshots;
    size_t m_Next = 0;
    int64_t m_CreatedNs = 0;
    bool m_FirstFrameReported = false;
};

// Writes 0xAARRGGBB pixels, top row first, as an 8-bit RGB PNG. False with one error-log line.
bool GxWritePngRgb(const std::string& path, uint32_t width, uint32_t height, const std::vector<uint32_t>& pixels);
