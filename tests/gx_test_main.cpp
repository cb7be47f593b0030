// Test entry: fixes the environment every suite relies on before any test runs.
#include <gtest/gtest.h>
#include <cstdlib>

int main(int argc, char** argv)
{
    // Parallel test processes share 8 cores; Mesa's software rasteriser would take them all.
    setenv("LP_NUM_THREADS", "2", 0);
    // No suite may open a real window or block on a message box.
    setenv("GX_HEADLESS", "1", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
