#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "moa/GxMoaCompilerLaunch.h"
#include "moa/GxMoaScriptHost.h"
#include "tests/moa/moa_run_test_util.h"
#include "tests/support/GxMoaPackageBuilder.h"

namespace {

// A scratch game folder as the current directory, with the logs inside it and their lines kept.
class HostTest : public ::testing::Test, public GxDebugListenerBase
{
protected:
    void SetUp() override
    {
        // A blank in the path; the process id keeps parallel test processes apart.
        m_Folder = std::filesystem::path(::testing::TempDir()) / ("moa host test " + std::to_string(getpid()));
        std::filesystem::remove_all(m_Folder);
        std::filesystem::create_directories(m_Folder / "bincode");
        m_OldDir = std::filesystem::current_path();
        std::filesystem::current_path(m_Folder);
        m_ErrorPath = GxGetLogPath(GxLogFile::Error);
        m_DebugPath = GxGetLogPath(GxLogFile::Debug);
        GxSetErrorLogPath(GxUtf8ToWide((m_Folder / "error.log").string()));
        GxSetDebugLogPath(GxUtf8ToWide((m_Folder / "debug.log").string()));
        m_Previous = GxGetDebugListener();
        GxSetDebugListener(this);
    }
    void TearDown() override
    {
        GxDestroyScriptHost();
        GxSetScriptCompilerCommand("");
        GxSetDebugListener(m_Previous);
        GxSetErrorLogPath(m_ErrorPath);
        GxSetDebugLogPath(m_DebugPath);
        std::filesystem::current_path(m_OldDir);
        std::filesystem::remove_all(m_Folder);
    }
    void OnDebugOutput(const std::u16string& text, int level) override
    {
        if (level <= 1) errors.push_back(text);
        else debug.push_back(text);
    }
    void WritePackage(const std::string& bytes)
    {
        std::ofstream out(m_Folder / "bincode" / "moacode.mwb", std::ios::binary);
        out << bytes;
    }
    // An executable stub compiler that records its arguments and exits with code.
    std::string WriteStub(int code)
    {
        const std::filesystem::path stub = m_Folder / "stubcc";
        std::ofstream(stub) << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"" << (m_Folder / "args.txt").string()
                            << "\"\nexit " << code << "\n";
        chmod(stub.c_str(), 0755);
        return stub.string();
    }

    std::filesystem::path m_Folder;
    std::vector<std::u16string> errors;
    std::vector<std::u16string> debug;

private:
    std::filesystem::path m_OldDir;
    std::u16string m_ErrorPath, m_DebugPath;
    GxDebugListenerBase* m_Previous = nullptr;
};

}  // namespace

TEST_F(HostTest, CreateTwiceLeavesOneHostAndDestroyWithoutHostDoesNothing)
{
    GxDestroyScriptHost();
    EXPECT_EQ(g_MoaEx, nullptr);
    GxCreateScriptHost(nullptr);
    GxCreateScriptHost(nullptr);
    ASSERT_NE(g_MoaEx, nullptr);
    ASSERT_NE(g_MoaWorkerEx, nullptr);
    ASSERT_NE(g_MoaBuiltinEx, nullptr);
    EXPECT_EQ(g_MoaWorkerEx->GetOwner(), g_MoaEx);
    EXPECT_EQ(g_MoaWorkerEx->m_Name, u"MAIN_WORKER");
    EXPECT_FALSE(g_MoaWorkerEx->IsRunning());
    GxDestroyScriptHost();
    EXPECT_EQ(g_MoaEx, nullptr);
    EXPECT_EQ(g_MoaWorkerEx, nullptr);
    EXPECT_EQ(g_MoaBuiltinEx, nullptr);
    GxDestroyScriptHost();
    EXPECT_FALSE(GxLoadCompiledScript());   // no host
}

TEST_F(HostTest, PackageMissingEmptyOrDamaged)
{
    GxCreateScriptHost(nullptr);
    EXPECT_FALSE(GxLoadCompiledScript());
    ASSERT_FALSE(errors.empty());
    EXPECT_NE(errors.back().find(u"File open error or not exist:"), std::u16string::npos);

    WritePackage("");
    EXPECT_FALSE(GxLoadCompiledScript());

    GxMoaPackageBuilder b;
    ASSERT_TRUE(b.AddScript(u"MAIN", "EXTERN INGAME e = 3\n*MAIN\nint(1)\n"));
    const std::string whole = b.WritePackage();
    WritePackage(whole.substr(0, whole.size() - 7));
    EXPECT_FALSE(GxLoadCompiledScript());
    EXPECT_TRUE(g_MoaWorkerEx->GetScriptEntities().empty());
    EXPECT_EQ(g_MoaEx->GetVariableTable().GetCount(), 0);
    EXPECT_FALSE(g_MoaWorkerEx->StartAtLabel(u"NOWHERE", nullptr));
}

TEST_F(HostTest, LoadedPackageRunsHeadlessFromMainToItsEnd)
{
    GxMoaPackageBuilder b;
    ASSERT_TRUE(b.AddScript(u"MAIN", R"(
EXTERN INGAME total = 0
GLOBAL INGAME n = 3
*MAIN
> start
total = n * 2
IF (strlen("abc") == 3) {
    call("@add", 10)
} ELSE {
    total = -1
}
total += result()
errorlog("total=" : total)
*@end
exit(total)
*@add
return(_ + 1)
)")) << b.GetErrors();
    b.WriteFile((m_Folder / "bincode" / "moacode.mwb").string());
    GxCreateScriptHost(nullptr);
    ASSERT_TRUE(GxLoadCompiledScript());
    ASSERT_NE(g_MoaWorkerEx->FindScriptEntity(u"MAIN"), nullptr);
    ASSERT_TRUE(g_MoaWorkerEx->StartAtLabel(u"MAIN", nullptr));
    int steps = 0;
    while (steps < 1000 && g_MoaWorkerEx->Run(g_MoaBuiltinEx)) ++steps;
    EXPECT_LT(steps, 1000);
    EXPECT_FALSE(g_MoaWorkerEx->IsRunning());
    EXPECT_FALSE(g_MoaEx->IsErrorStop());
    EXPECT_EQ(g_MoaEx->GetErrorCount(), 0u);
    EXPECT_EQ(g_MoaWorkerEx->GetResult().GetInt64(), 17);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], u"total=17\n");
    // The text line is the main play screen's message now (there is none here), not a trace.
    for (const std::u16string& line : debug) EXPECT_EQ(line.find(u"start"), std::u16string::npos);
}

TEST_F(HostTest, CompilerExitCodesAndStartFailure)
{
    GxSetScriptCompilerCommand(WriteStub(0));
    EXPECT_EQ(GxLaunchScriptCompiler(), 0u);
    EXPECT_TRUE(errors.empty());
    std::ifstream in(m_Folder / "args.txt");
    std::vector<std::string> args;
    for (std::string line; std::getline(in, line);) args.push_back(line);
    const std::string dir = GxWideToUtf8(GxGetCurrentDirectory());
    EXPECT_EQ(args, (std::vector<std::string>{dir + "scripts", dir + "bincode", "-a", "-mc"}));

    GxSetScriptCompilerCommand(WriteStub(2));
    EXPECT_EQ(GxLaunchScriptCompiler(), 2u);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], u"コンパイル時にエラーが発生したため古いスクリプトを実行しています\n");

    errors.clear();
    GxSetScriptCompilerCommand((m_Folder / "no-such-compiler").string());
    EXPECT_EQ(GxLaunchScriptCompiler(), 1u);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], u"スクリプトコンパイラの起動に失敗しました\n");

    errors.clear();
    GxSetScriptCompilerCommand("gx-no-such-compiler-in-path");
    EXPECT_EQ(GxLaunchScriptCompiler(), 1u);
    EXPECT_EQ(errors.size(), 1u);
    GxSetScriptCompilerCommand("");
    EXPECT_EQ(GxGetScriptCompilerCommand(), "moacgui.exe");
}
