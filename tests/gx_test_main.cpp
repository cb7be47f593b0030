// Test entry: fixes the environment every suite relies on before any test runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    // Parallel test processes share 8 cores; Mesa's software rasteriser would take them all.
    setenv("LP_NUM_THREADS", "2", 0);
    // No suite may open a real window or block on a message box.
    setenv("GX_HEADLESS", "1", 0);
    // Each test process gets a scratch folder of its own, so that suites using fixed names
    // under ::testing::TempDir() never collide when CTest runs them side by side.
    char scratch[] = "/tmp/gxtest_XXXXXX";
    const bool haveScratch = mkdtemp(scratch) != nullptr;
    if (haveScratch) setenv("TEST_TMPDIR", scratch, 1);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    if (haveScratch) {
        std::error_code ec;
        std::filesystem::remove_all(scratch, ec);
    }
    return result;
}
