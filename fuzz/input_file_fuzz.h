// Shared set-up of the fuzz targets that load their input from a file: the logs go nowhere, the
// working folder becomes a private one (so that loose files never shadow the input), and each
// input is written to one file there. The file and the folder are removed at exit.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/GxLog.h"

namespace gxfuzz {

// The private folder, made on first use ("/tmp" when it cannot be made).
inline const std::string& InputFolder()
{
    static const std::string folder = [] {
        char templ[] = "/tmp/gxfuzz_input_XXXXXX";
        const char* made = mkdtemp(templ);
        return std::string(made ? made : "/tmp");
    }();
    return folder;
}

// Once per run (the first call's file name counts): false when the folder cannot be entered.
inline bool EnterInputFolder(const char* fileName)
{
    static const bool ready = [fileName] {
        GxSetErrorLogPath(u"/dev/null");
        GxSetDebugLogPath(u"/dev/null");
        if (chdir(InputFolder().c_str()) != 0) return false;
        static const std::string removeAtExit = InputFolder() + "/" + fileName;
        std::atexit([] {
            std::remove(removeAtExit.c_str());
            rmdir(InputFolder().c_str());
        });
        return true;
    }();
    return ready;
}

// Enters the folder and writes the input to fileName there; false when either fails.
inline bool WriteInputFile(const char* fileName, const uint8_t* data, size_t size)
{
    if (!EnterInputFolder(fileName)) return false;
    FILE* f = std::fopen(fileName, "wb");
    if (!f) return false;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return true;
}

}  // namespace gxfuzz
