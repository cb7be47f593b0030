// The frames whose picture the harness writes are drawn even when they show nothing new: the
// main loop asks the device for a real frame before each of them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/GxHeadless.h"

TEST(HarnessCapture, FramesOfScreenshotsAndTheLastFrameOfTheRunAreCaptured)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "gx_harness_capture";
    std::filesystem::create_directories(dir);
    const std::filesystem::path script = dir / "input.txt";
    {
        FILE* f = fopen(script.c_str(), "w");
        ASSERT_NE(f, nullptr);
        fputs("2 screenshot a.png\n2 screenshot b.png\n5 screenshot c.png\n3 move 1 1\n", f);
        fclose(f);
    }
    GxHarnessOptions options;
    options.inputScriptPath = script.string();
    std::string error;
    {
        GxHarness harness(options, nullptr);
        ASSERT_TRUE(harness.Load(error)) << error;
        for (uint32_t frame = 1; frame <= 6; ++frame)
            EXPECT_EQ(harness.CapturesFrame(frame), frame == 2 || frame == 5) << "frame " << frame;
    }
    // GX_SCREENSHOT writes the picture of the last of GX_EXIT_AFTER_FRAMES frames.
    options.screenshotPath = (dir / "last.png").string();
    options.exitAfterFrames = 7;
    {
        GxHarness harness(options, nullptr);
        ASSERT_TRUE(harness.Load(error)) << error;
        EXPECT_TRUE(harness.CapturesFrame(7));
        EXPECT_FALSE(harness.CapturesFrame(6));
        EXPECT_TRUE(harness.CapturesFrame(5));
    }
    // Without a frame count the last frame is not known ahead: the presented picture is written
    // all the same, as the screen holds it.
    options.exitAfterFrames = 0;
    options.inputScriptPath.clear();
    GxHarness harness(options, nullptr);
    ASSERT_TRUE(harness.Load(error)) << error;
    for (uint32_t frame = 1; frame <= 3; ++frame) EXPECT_FALSE(harness.CapturesFrame(frame));
    std::filesystem::remove_all(dir);
}
