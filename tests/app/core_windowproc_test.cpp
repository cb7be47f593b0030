// SDL events through the SDL window services and the window procedure into task calls: mouse
// scaling, capture, the global keys, activation and close requests. The program runs headless
// on a temporary game folder; the events go through SDL's own queue as real input does.
#include <SDL2/SDL.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/GxCore.h"
#include "app/GxCoreDevice.h"
#include "app/task/GxTaskManage.h"
#include "core/GxFile.h"
#include "core/GxPackFile.h"
#include "core/GxThreadManage.h"
#include "game/GxUserConfig.h"
#include "media/GxInput.h"
#include "platform/GxHeadless.h"
#include "platform/GxSdlWindow.h"
#include "tests/app/core_test_util.h"

using namespace coretest;

namespace {

GxSdlWindowOptions HeadlessOptions(const TempGame& g)
{
    GxSdlWindowOptions o;
    o.headless = true;
    o.lockFolder = g.locks.string();
    return o;
}

// The headless window services; a test can have them refuse full screen, as an X server
// without a window manager does.
class TestWindow : public GxSdlWindowServices
{
public:
    using GxSdlWindowServices::GxSdlWindowServices;
    bool SetWindowStyle(GxWindowHandle window, uint32_t style) override
    {
        if (refuseFullScreen && !(style & GxWindowStyle::Caption)) {
            ++refused;
            return false;
        }
        return GxSdlWindowServices::SetWindowStyle(window, style);
    }
    bool refuseFullScreen = false;
    int refused = 0;
};

// The text of a log file, UTF-16LE.
std::string LogText(GxLogFile which)
{
    std::string bytes;
    if (!ReadFile(GxWideToUtf8(GxGetLogPath(which)), bytes)) return {};
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) text.push_back(char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
    return GxWideToUtf8(text);
}

// A started program with a persistent root "sys" and a screen "seq", both recording their input.
// The screen is requested but not entered until Enter() runs the pending change.
struct Program
{
    TempGame game;
    ScopedCwd cwd{game.game};
    ScopedEnv docs{"XDG_DOCUMENTS_DIR", game.docs.string()};
    MessageBoxes boxes;
    RecordingDevice device;
    TestWindow ws{HeadlessOptions(game)};
    GxCore core{&ws};
    std::vector<std::string> log;
    InputTask* sys = nullptr;
    InputTask* seq = nullptr;
    bool quit = false;

    explicit Program(const std::string& setting = "")
    {
        if (!setting.empty()) WriteFile(game.game / "setting.ini", setting);
        EXPECT_TRUE(ws.Initialize());
        GxSetCore(&core);
        core.GetFrameTimer().SetUnpaced(true);
        EXPECT_TRUE(core.Initialize());
        GxTaskManage* tm = core.GetTaskManage();
        // Screens hang under a folder of their own so that the walk over the persistent root
        // (a task and its later siblings) does not reach them.
        auto* screens = new InputTask(&log, "screens", tm->GetRootTask());
        seq = new InputTask(&log, "seq", screens);
        seq->MakeSequence();
        sys = new InputTask(&log, "sys", tm->GetRootTask());
        tm->SetPersistentRoot(sys);
        tm->ChangeSequence(seq, 0);
        Pump();  // the window's own start-up messages
        log.clear();
    }
    ~Program()
    {
        if (core.IsInitialized()) core.Finalize();
        GxSetCore(nullptr);
        GxFileCloseAllPacks();
    }

    void Enter() { core.GetTaskManage()->ExecuteChangeSequence(); }

    // The message pump of the main loop.
    void Pump()
    {
        while (ws.PeekMessage()) {
            GxWindowMessageRecord m;
            const bool more = ws.GetMessage(m);
            ws.TranslateMessage(m);
            ws.DispatchMessage(m);
            if (!more) {
                quit = true;
                break;
            }
        }
    }

    uint32_t Id() const { return static_cast<uint32_t>(core.GetMainWindow()); }

    void Motion(int x, int y)
    {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = Id();
        e.motion.x = x;
        e.motion.y = y;
        SDL_PushEvent(&e);
    }
    void Button(bool down, uint8_t button, int x, int y)
    {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = Id();
        e.button.button = button;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x;
        e.button.y = y;
        SDL_PushEvent(&e);
    }
    void Key(bool down, SDL_Scancode sc, SDL_Keycode sym)
    {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = Id();
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.scancode = sc;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = KMOD_NUM;
        SDL_PushEvent(&e);
    }
    void Press(SDL_Scancode sc, SDL_Keycode sym)
    {
        Key(true, sc, sym);
        Key(false, sc, sym);
    }
    void Window(SDL_WindowEventID what)
    {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = Id();
        e.window.event = what;
        SDL_PushEvent(&e);
    }
    void Wheel(int notches)
    {
        SDL_Event e{};
        e.type = SDL_MOUSEWHEEL;
        e.wheel.windowID = Id();
        e.wheel.y = notches;
        e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
        SDL_PushEvent(&e);
    }
};

TEST(CoreWindowProc, MousePositionsMapThroughThePicturesRectangleAndButtonsCaptureTheMouse)
{
    Program p;
    p.Enter();
    ASSERT_TRUE(p.core.GetMainWindow() != 0);

    struct Case
    {
        int clientW, clientH;
        int x, y;
        const char* expected;  // the logical point as the tasks see it
        bool inBar;            // beside the picture: a press there is no click
    };
    const Case cases[] = {
        {1024, 768, 512, 384, "512.00,384.00", false},
        {2048, 1536, 512, 384, "256.00,192.00", false},  // a full-screen client twice the logical size
        {800, 600, 400, 300, "512.00,384.00", false},
        // 16:9: the picture is 1440 x 1080 from x = 240.
        {1920, 1080, 960, 540, "512.00,384.00", false},
        {1920, 1080, 240, 0, "0.00,0.00", false},
        {1920, 1080, 1679, 1079, "1023.29,767.29", false},
        {1280, 720, 1119, 719, "1022.93,766.93", false},
        // 5:4: the picture is 1280 x 960 from y = 32.
        {1280, 1024, 640, 32, "512.00,0.00", false},
        {1280, 1024, 0, 991, "0.00,767.20", false},
        // In a bar: moves go on outside the logical screen, presses are not clicks.
        {1920, 1080, 100, 540, "-99.56,384.00", true},
        {1920, 1080, 1680, 0, "1024.00,0.00", true},
        {1280, 1024, 640, 10, "512.00,-17.60", true},
        {1280, 720, 1279, 719, "1193.60,766.93", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.clientW) + "x" + std::to_string(c.clientH) + " at " + std::to_string(c.x) + "," +
                     std::to_string(c.y));
        p.ws.SetWindowPos(p.core.GetMainWindow(), 0, 0, c.clientW, c.clientH);
        GxWindowRect rc = p.ws.GetClientRect(p.core.GetMainWindow());
        ASSERT_EQ(rc.right, c.clientW);
        ASSERT_EQ(rc.bottom, c.clientH);
        p.Pump();
        p.log.clear();

        p.Motion(c.x, c.y);
        p.Button(true, SDL_BUTTON_LEFT, c.x, c.y);
        p.Button(false, SDL_BUTTON_LEFT, c.x, c.y);
        p.Pump();
        const std::string pt = c.expected;
        std::vector<std::string> want = {"sys:Move " + pt + " ks0", "seq:Move " + pt + " ks0"};
        if (!c.inBar) {
            want.insert(want.end(), {"sys:LDown " + pt + " ks1", "seq:LDown " + pt + " ks1", "sys:LUp " + pt + " ks0",
                                     "seq:LUp " + pt + " ks0"});
        }
        EXPECT_EQ(p.log, want);
        EXPECT_EQ(p.ws.GetCapture(), 0u) << "the button up releases the capture";
    }

    // The wheel takes the cursor's position, mapped the same way.
    p.ws.SetWindowPos(p.core.GetMainWindow(), 0, 0, 1920, 1080);
    p.Pump();
    p.log.clear();
    p.Motion(960, 540);
    p.Wheel(1);
    p.Pump();
    EXPECT_EQ(p.log.back(), "seq:Wheel 120 512.00,384.00 ks0");

    // Right and middle buttons, and the cursor position the wheel uses.
    p.ws.SetWindowPos(p.core.GetMainWindow(), 0, 0, 1024, 768);
    p.Pump();
    p.log.clear();
    p.Button(true, SDL_BUTTON_RIGHT, 10, 20);
    p.Button(false, SDL_BUTTON_RIGHT, 10, 20);
    p.Button(true, SDL_BUTTON_MIDDLE, 30, 40);
    p.Button(false, SDL_BUTTON_MIDDLE, 30, 40);
    p.Motion(100, 50);
    p.Wheel(-2);
    p.Pump();
    const std::vector<std::string> want = {
        "sys:RDown 10.00,20.00 ks2",   "seq:RDown 10.00,20.00 ks2",   "sys:RUp 10.00,20.00 ks0",
        "seq:RUp 10.00,20.00 ks0",     "sys:MDown 30.00,40.00 ks16",  "seq:MDown 30.00,40.00 ks16",
        "sys:MUp 30.00,40.00 ks0",     "seq:MUp 30.00,40.00 ks0",     "sys:Move 100.00,50.00 ks0",
        "seq:Move 100.00,50.00 ks0",   "sys:Wheel -240 100.00,50.00 ks0", "seq:Wheel -240 100.00,50.00 ks0",
    };
    EXPECT_EQ(p.log, want);
}

TEST(CoreWindowProc, ButtonUpWithoutCaptureIsIgnoredAndDownReachesTheScreenOnlyOnceEntered)
{
    Program p;
    // Released inside after a press outside: no capture, nothing happens.
    p.Button(false, SDL_BUTTON_LEFT, 5, 5);
    p.Button(false, SDL_BUTTON_RIGHT, 5, 5);
    p.Pump();
    EXPECT_TRUE(p.log.empty());

    // The screen is requested but not entered: only the persistent root sees the press.
    p.Button(true, SDL_BUTTON_LEFT, 5, 6);
    p.Pump();
    EXPECT_EQ(p.log, (std::vector<std::string>{"sys:LDown 5.00,6.00 ks1"}));
    p.Button(false, SDL_BUTTON_LEFT, 5, 6);
    p.Pump();
    p.Enter();
    p.log.clear();

    // A persistent root that takes the press keeps it from the screen; the release still goes
    // through the manager to both.
    p.sys->consumeMouseDown = 1;
    p.Button(true, SDL_BUTTON_LEFT, 7, 8);
    p.Button(false, SDL_BUTTON_LEFT, 7, 8);
    p.Pump();
    EXPECT_EQ(p.log, (std::vector<std::string>{"sys:LDown 7.00,8.00 ks1", "sys:LUp 7.00,8.00 ks0",
                                                "seq:LUp 7.00,8.00 ks0"}));
}

TEST(CoreWindowProc, F4TogglesFullScreenUnlessATaskTakesTheKey)
{
    Program p;
    p.Enter();
    GxUserConfig* options = p.core.GetUserConfig();

    p.sys->consumeKey = GxVirtualKey::F4;
    p.Press(SDL_SCANCODE_F4, SDLK_F4);
    p.Pump();
    EXPECT_EQ(p.log, (std::vector<std::string>{"sys:KeyDown 115", "sys:KeyUp 115", "seq:KeyUp 115"}));
    EXPECT_EQ(GxCoreDeviceGetScreenMode(), 0);
    EXPECT_EQ(options->m_ScreenMode, 0);

    p.sys->consumeKey = 0;
    p.log.clear();
    p.Key(true, SDL_SCANCODE_F4, SDLK_F4);
    p.Pump();
    EXPECT_EQ(p.log, (std::vector<std::string>{"sys:KeyDown 115", "seq:KeyDown 115", "sys:ScreenMode 0>2",
                                                "seq:ScreenMode 0>2"}));
    EXPECT_EQ(GxCoreDeviceGetScreenMode(), 2);
    EXPECT_EQ(options->m_ScreenMode, 1);
    p.Key(false, SDL_SCANCODE_F4, SDLK_F4);
    p.Press(SDL_SCANCODE_F4, SDLK_F4);
    p.Pump();
    EXPECT_EQ(GxCoreDeviceGetScreenMode(), 0);
    EXPECT_EQ(options->m_ScreenMode, 0);
    EXPECT_EQ(p.log.back(), "seq:KeyUp 115");
    EXPECT_NE(std::find(p.log.begin(), p.log.end(), "sys:ScreenMode 2>0"), p.log.end());

    // With Alt held F4 is a system key: neither the tasks nor the toggle see it.
    p.log.clear();
    p.Key(true, SDL_SCANCODE_LALT, SDLK_LALT);
    p.Press(SDL_SCANCODE_F4, SDLK_F4);
    p.Key(false, SDL_SCANCODE_LALT, SDLK_LALT);
    p.Pump();
    EXPECT_TRUE(p.log.empty());
    EXPECT_EQ(GxCoreDeviceGetScreenMode(), 0);
}

// Where the window system does not make the window full screen, F4 leaves the window mode, the
// option and the tasks as they were, and says so in the device log.
// The input script's logical points go to where the picture shows them, so that the tasks get
// the very points of the script in a client of any shape.
TEST(CoreWindowProc, ScriptedPointsReachTheTasksAsWrittenInAnyClientShape)
{
    Program p;
    p.Enter();
    const std::filesystem::path script = p.game.root / "input.txt";
    WriteFile(script, "1 move 512 384\n1 click left 0 0\n1 click left 1023 767\n1 move 100.5 700.25\n");
    for (const auto& [w, h] : {std::pair{1024, 768}, {1920, 1080}, {1280, 1024}, {800, 600}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        p.ws.SetWindowPos(p.core.GetMainWindow(), 0, 0, w, h);
        p.Pump();
        GxHarnessOptions options;
        options.headless = true;
        options.inputScriptPath = script.string();
        GxHarness harness(options, &p.ws);
        std::string error;
        ASSERT_TRUE(harness.Load(error)) << error;
        p.log.clear();
        harness.BeginFrame(1, p.core.GetMainWindow());
        p.Pump();
        std::vector<std::string> seq;
        for (const std::string& line : p.log)
            if (line.rfind("seq:", 0) == 0 && line.find("Key") == std::string::npos) seq.push_back(line);
        ASSERT_EQ(seq.size(), 6u);
        EXPECT_EQ(seq[0], "seq:Move 512.00,384.00 ks0");
        EXPECT_EQ(seq[1], "seq:LDown 0.00,0.00 ks1");
        // A client pixel is less than a logical one here: the point comes back to within it.
        const auto near = [](const std::string& line, const char* prefix, float x, float y, float within) {
            float gx = 0, gy = 0;
            if (line.rfind(prefix, 0) != 0 || sscanf(line.c_str() + strlen(prefix), "%f,%f", &gx, &gy) != 2) return false;
            return std::abs(gx - x) <= within && std::abs(gy - y) <= within;
        };
        const float pixel = 1024.0f / static_cast<float>(GxFitPresentRect(1024, 768, w, h).width);
        EXPECT_TRUE(near(seq[3], "seq:LDown ", 1023.0f, 767.0f, pixel / 2 + 0.01f)) << seq[3];
        EXPECT_TRUE(near(seq[5], "seq:Move ", 100.5f, 700.25f, pixel / 2 + 0.01f)) << seq[5];
    }
}

TEST(CoreWindowProc, F4ThatTheWindowSystemRefusesLeavesTheWindowMode)
{
    Program p;
    p.Enter();
    GxUserConfig* options = p.core.GetUserConfig();
    p.ws.refuseFullScreen = true;
    p.Press(SDL_SCANCODE_F4, SDLK_F4);
    p.Pump();
    EXPECT_EQ(p.ws.refused, 1);
    EXPECT_EQ(p.log, (std::vector<std::string>{"sys:KeyDown 115", "seq:KeyDown 115", "sys:KeyUp 115", "seq:KeyUp 115"}));
    EXPECT_EQ(GxCoreDeviceGetScreenMode(), 0);
    EXPECT_TRUE(GxCoreDeviceIsWindowed());
    EXPECT_EQ(options->m_ScreenMode, 0);
    EXPECT_NE(LogText(GxLogFile::Device).find("did not make the window full screen(SCRMODE_FULLSCREEN)"),
              std::string::npos);

    // Where it does, the same key works.
    p.ws.refuseFullScreen = false;
    p.log.clear();
    p.Press(SDL_SCANCODE_F4, SDLK_F4);
    p.Pump();
    EXPECT_EQ(GxCoreDeviceGetScreenMode(), 2);
    EXPECT_EQ(options->m_ScreenMode, 1);
    EXPECT_NE(std::find(p.log.begin(), p.log.end(), "seq:ScreenMode 0>2"), p.log.end());
}

TEST(CoreWindowProc, FrameRateKeysNeedTheDebugMode)
{
    {
        Program p;
        p.Press(SDL_SCANCODE_F6, SDLK_F6);
        p.Pump();
        EXPECT_EQ(p.core.GetFrameTimer().GetWaitRate(), 60);
    }
    Program p("DebugModeFlag=1\n");
    const struct
    {
        SDL_Scancode sc;
        SDL_Keycode sym;
        int rate;
    } keys[] = {{SDL_SCANCODE_F6, SDLK_F6, 30}, {SDL_SCANCODE_F7, SDLK_F7, 10}, {SDL_SCANCODE_F5, SDLK_F5, 60}};
    for (const auto& k : keys) {
        p.Press(k.sc, k.sym);
        p.Pump();
        EXPECT_EQ(p.core.GetFrameTimer().GetWaitRate(), k.rate);
        EXPECT_EQ(p.core.GetFrameTimer().GetStepRate(), 60);
    }
}

TEST(CoreWindowProc, CloseRequestGoesThroughTheCloseHandler)
{
    Program p;
    p.Enter();
    p.sys->keepOpen = 1;  // a confirmation dialog is showing
    p.Window(SDL_WINDOWEVENT_CLOSE);
    p.Pump();
    EXPECT_EQ(p.log, (std::vector<std::string>{"sys:Close"}));
    EXPECT_FALSE(p.quit);

    p.sys->keepOpen = 0;
    p.log.clear();
    p.Window(SDL_WINDOWEVENT_CLOSE);
    p.Pump();
    EXPECT_EQ(p.log, (std::vector<std::string>{"sys:Close", "seq:Close"}));
    EXPECT_TRUE(p.quit) << "no task kept the window: destroy, then the quit message";
}

TEST(CoreWindowProc, ActivationFollowsOnlyTheActiveState)
{
    Program p;
    p.Enter();
    p.Window(SDL_WINDOWEVENT_FOCUS_GAINED);
    p.Pump();
    EXPECT_TRUE(p.core.IsActive());
    EXPECT_TRUE(GxInput::IsActive());

    // Minimised, then the focus goes: a deactivation that carries the minimised flag.
    p.Window(SDL_WINDOWEVENT_MINIMIZED);
    p.Window(SDL_WINDOWEVENT_FOCUS_LOST);
    p.Pump();
    EXPECT_FALSE(p.core.IsActive());
    EXPECT_FALSE(GxInput::IsActive()) << "a deactivation while minimised must not acquire input";
    EXPECT_EQ(p.log, (std::vector<std::string>{"sys:Activate", "seq:Activate", "sys:Deactivate", "seq:Deactivate"}));

    // The same as a raw message: low word 0 (inactive), high word 1 (minimised).
    p.ws.SendMessage(p.core.GetMainWindow(), GxWindowMessage::Activate, 0x10000, 0);
    EXPECT_FALSE(GxInput::IsActive());
    p.ws.SendMessage(p.core.GetMainWindow(), GxWindowMessage::Activate, 0x10001, 0);
    EXPECT_TRUE(GxInput::IsActive());
}

// A game shown headless is the foreground window from the start; in a window whose focus no
// event reports (an X server without a window manager) its first key or press makes it active,
// ahead of that input, so the Ctrl-held skip and the input devices work there too.
TEST(CoreWindowProc, TheShownWindowAndTheFirstInputActivate)
{
    Program p;
    EXPECT_TRUE(p.core.IsActive()) << "the shown window was not reported active";
    EXPECT_TRUE(GxInput::IsActive());

    p.Window(SDL_WINDOWEVENT_FOCUS_LOST);
    p.Enter();
    p.Pump();
    ASSERT_FALSE(p.core.IsActive());
    p.log.clear();
    p.Key(true, SDL_SCANCODE_LCTRL, SDLK_LCTRL);
    p.Key(true, SDL_SCANCODE_A, SDLK_a);
    p.Pump();
    EXPECT_TRUE(p.core.IsActive());
    EXPECT_EQ(p.log, (std::vector<std::string>{"sys:Activate", "seq:Activate", "sys:KeyDown 17", "seq:KeyDown 17",
                                               "sys:KeyDown 65", "seq:KeyDown 65"}))
        << "one activation, ahead of the first key";

    p.Window(SDL_WINDOWEVENT_FOCUS_LOST);
    p.Pump();
    p.log.clear();
    p.Button(true, SDL_BUTTON_LEFT, 10, 10);
    p.Button(false, SDL_BUTTON_LEFT, 10, 10);
    p.Pump();
    EXPECT_TRUE(p.core.IsActive());
    ASSERT_GE(p.log.size(), 2u);
    EXPECT_EQ(p.log[0], "sys:Activate");
    EXPECT_EQ(p.log[1], "seq:Activate");
    EXPECT_EQ(std::count(p.log.begin(), p.log.end(), "sys:Activate"), 1);
}

TEST(CoreWindowProc, SystemCommandsAndCursorRequests)
{
    Program p;
    // Screen saver and monitor power-off are refused; the answer is 0 either way.
    EXPECT_EQ(p.ws.SendMessage(p.core.GetMainWindow(), GxWindowMessage::SysCommand, GxSysCommand::ScreenSave | 2, 0), 0);
    // The cursor message answers with the cursor mode's result.
    EXPECT_EQ(p.ws.SendMessage(p.core.GetMainWindow(), GxWindowMessage::SetCursor, 0, 0), 1);
    g_GxCursorMode = 7;
    EXPECT_EQ(p.ws.SendMessage(p.core.GetMainWindow(), GxWindowMessage::SetCursor, 0, 0), 0);
    g_GxCursorMode = 1;
}

}  // namespace
