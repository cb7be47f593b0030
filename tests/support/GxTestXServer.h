// An X server of a test's own (Xvfb on a free display number, of a chosen screen size), with a
// window manager when the test wants one and one is installed, a grab of the whole screen as the
// person in front of it sees it, and real pointer clicks through the XTEST extension.
//
// Everything degrades to "not there" rather than failing: no Xvfb, no window manager installed,
// no X library or no XTEST, and the test skips that part.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace gxtest {

// The whole screen, 0xRRGGBB, top row first.
struct ScreenGrab
{
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

class TestXServer
{
public:
    TestXServer(int32_t width, int32_t height);
    ~TestXServer();
    TestXServer(const TestXServer&) = delete;
    TestXServer& operator=(const TestXServer&) = delete;

    // ":N", or empty when the server did not start.
    const std::string& Display() const { return m_Display; }
    // Starts the first installed of the small window managers that do full screen and waits
    // until it manages the screen: its name, or empty when none is installed or it did not start.
    std::string StartWindowManager();
    // The screen as shown; false without an X library or a server.
    bool Grab(ScreenGrab& out) const;
    // Moves the pointer there and clicks the left button; false without XTEST.
    bool Click(int32_t x, int32_t y) const;

private:
    pid_t m_Server = -1;
    pid_t m_Manager = -1;
    std::string m_Display;
};

}  // namespace gxtest
