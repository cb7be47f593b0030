// tools/check-layers.py, run on small trees of its own: an include that runs up the folder order
// fails the check and is named; includes that run down or stay level pass.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct CheckResult
{
    int status = -1;
    std::string output;
};

// Runs the check over a scratch tree holding the given files (path, content).
CheckResult RunCheck(const std::vector<std::pair<std::string, std::string>>& files)
{
    char tmpl[] = "/tmp/gxlayercheck_XXXXXX";
    if (!mkdtemp(tmpl)) return {};
    const fs::path root = tmpl;
    for (const auto& [path, content] : files) {
        fs::create_directories((root / path).parent_path());
        std::ofstream(root / path) << content;
    }
    const std::string command = "python3 '" + std::string(GX_SOURCE_DIR) + "/tools/check-layers.py' --root '" +
                                root.string() + "' 2>&1";
    CheckResult result;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
        const int status = pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    fs::remove_all(root);
    return result;
}

TEST(LayerCheck, AnUpwardIncludeFailsAndIsNamed)
{
    const CheckResult r = RunCheck({
        {"game/GxSettings.h", "#pragma once\n"},
        {"ui/GxWidget.cpp", "#include \"ui/GxWidget.h\"\n#include \"game/GxSettings.h\"\n"},
        {"ui/GxWidget.h", "#pragma once\n"},
        // The wiring's own files are at the top; the application object's header sits low.
        {"app/task/GxTask.cpp", "#include \"app/GxCore.h\"\n"},
        {"app/GxCore.h", "#pragma once\n"},
        {"app/GxCore.cpp", "#include \"app/GxCore.h\"\n"},
        {"graphics/GxDraw.cpp", "#include \"app/GxCore.cpp\"\n"},
    });
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("ui/GxWidget.cpp:2: includes game/GxSettings.h (ui -> game)"), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("graphics/GxDraw.cpp:1: includes app/GxCore.cpp (graphics -> wiring)"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(r.output.find("app/task/GxTask.cpp"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("2 upward includes"), std::string::npos) << r.output;
}

TEST(LayerCheck, IncludesDownOrLevelPass)
{
    const CheckResult r = RunCheck({
        {"platform/GxFile.h", "#pragma once\n"},
        {"core/GxLog.h", "#pragma once\n#include \"platform/GxFile.h\"\n"},
        // The foundation's two folders may include each other.
        {"platform/GxFile.cpp", "#include \"platform/GxFile.h\"\n#include \"core/GxLog.h\"\n"},
        {"ui/GxWidget.h", "#pragma once\n#include \"core/GxLog.h\"\n"},
        {"game/GxSettings.cpp", "#include \"ui/GxWidget.h\"\n#include <string>\n#include \"missing/Gone.h\"\n"},
        {"seq/SeqTitle.cpp", "#include \"game/GxSettings.h\"\n#include \"GxLocal.h\"\n"},
        {"game/GxSettings.h", "#pragma once\n"},
        {"seq/GxLocal.h", "#pragma once\n"},
    });
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "") << r.output;
}

}  // namespace
