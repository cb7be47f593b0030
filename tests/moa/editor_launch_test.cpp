#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "core/GxFile.h"
#include "core/GxString.h"
#include "moa/GxMoaCompilerLaunch.h"
#include "moa/GxMoaEditorLaunch.h"
#include "platform/GxProcess.h"
#include "tests/support/GxPackWriter.h"
#include "tests/support/GxSpawnStub.h"

namespace {

using gxtest::EnvGuard;
using gxtest::StubFolder;
using gxtest::StubRun;

TEST(EditorLaunchTest, ExpandsPlaceholdersOnceEach)
{
    EXPECT_EQ(GxExpandTextEditorCommand(u"ed %file", u"a/b.txt", 5), u"ed a/b.txt");
    EXPECT_EQ(GxExpandTextEditorCommand(u"ed -l%line %file:%line:%pos", u"x", 12), u"ed -l12 x:12:0");
    // The path is inserted last and never expanded again.
    EXPECT_EQ(GxExpandTextEditorCommand(u"%file", u"%line%pos", 3), u"%line%pos");
}

TEST(EditorLaunchTest, ArgumentsByLowerCasedExactName)
{
    const struct
    {
        const char16_t* exe;
        const char16_t* text;
        std::vector<std::u16string> list;
    } cases[] = {
        {u"SAKURA.EXE", u"-Y=7 -X=0 -- \"s c.txt\"", {u"-Y=7", u"-X=0", u"--", u"s c.txt"}},
        {u"mysakura.exe", u"\"s c.txt\"", {u"s c.txt"}},
        {u"hidemaru.exe", u"\"s c.txt\" /jx7,0", {u"s c.txt", u"/jx7,0"}},
        {u"gvim.exe", u"--remote-tab-silent +7 \"s c.txt\"", {u"--remote-tab-silent", u"+7", u"s c.txt"}},
        {u"gvim", u"+7 \"s c.txt\"", {u"+7", u"s c.txt"}},
        {u"vim", u"+7 \"s c.txt\"", {u"+7", u"s c.txt"}},
        {u"kate", u"--line 7 \"s c.txt\"", {u"--line", u"7", u"s c.txt"}},
        {u"code", u"--goto \"s c.txt:7\"", {u"--goto", u"s c.txt:7"}},
        {u"vim.exe", u"\"s c.txt\"", {u"s c.txt"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GxBuildEditorArguments(u"s c.txt", c.exe, 7), c.text);
        EXPECT_EQ(GxBuildEditorArgumentList(u"s c.txt", c.exe, 7), c.list);
    }
}

TEST(EditorLaunchTest, SplitsByWindowsRules)
{
    const struct
    {
        const char16_t* in;
        std::vector<std::u16string> out;
    } cases[] = {
        {u"  a  b\tc ", {u"a", u"b", u"c"}},
        {u"\"a b\" c", {u"a b", u"c"}},
        {u"a\\\\b \\\"x \"\"", {u"a\\\\b", u"\"x", u""}},
        {u"\"a\"\"b\"", {u"a\"b"}},
        {u"x\\\\\"y z\"", {u"x\\y z"}},
        {u"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(GxSplitCommandLine(c.in), c.out);
}

// The environment the editor is looked up in: nothing set, a scratch XDG tree, no xdg-open.
class EditorDiscoveryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* v : {"VISUAL", "EDITOR"}) unsetenv(v);
        const std::string x = m_Stubs.Path();
        setenv("HOME", (x + "/home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (x + "/config").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (x + "/etc").c_str(), 1);
        setenv("XDG_DATA_HOME", (x + "/data").c_str(), 1);
        setenv("XDG_DATA_DIRS", (x + "/share").c_str(), 1);
        setenv("PATH", (x + "/bin").c_str(), 1);
    }
    void WriteText(const std::string& relative, const std::string& text)
    {
        const std::filesystem::path p = std::filesystem::path(m_Stubs.Path()) / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p) << text;
    }

    EnvGuard m_Env{{"VISUAL", "EDITOR", "HOME", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS",
                    "PATH", "GX_T_EDDIR"}};
    StubFolder m_Stubs;
};

TEST_F(EditorDiscoveryTest, OrderVisualEditorXdgThenXdgOpen)
{
    EXPECT_EQ(GxFindTextEditorPath(), u"");
    const std::string xdgOpen = m_Stubs.Install("xdg-open", "bin");
    EXPECT_EQ(GxFindTextEditorPath(), GxUtf8ToWide(xdgOpen));

    // The system list names a missing desktop file first, then one the data folder holds.
    WriteText("etc/mimeapps.list", "[Added Associations]\ntext/plain=wrong.desktop\n"
                                   "[Default Applications]\ntext/plain=gone.desktop;my ed.desktop;\n");
    WriteText("share/applications/my ed.desktop", "[Desktop Entry]\nName=Ed\nExec=\"/opt/my ed/ed\" %F\n");
    EXPECT_EQ(GxFindTextEditorPath(), u"/opt/my ed/ed");
    // The user's list comes first.
    WriteText("config/mimeapps.list", "[Default Applications]\ntext/plain=user.desktop\n");
    WriteText("data/applications/user.desktop", "[Desktop Entry]\nExec=gedit %U\n");
    EXPECT_EQ(GxFindTextEditorPath(), u"gedit");

    setenv("GX_T_EDDIR", "/usr/local", 1);
    setenv("EDITOR", "${GX_T_EDDIR}/bin/nano -w", 1);
    EXPECT_EQ(GxFindTextEditorPath(), u"/usr/local/bin/nano");
    setenv("VISUAL", "\"%GX_T_EDDIR%/my vim\" -f", 1);
    EXPECT_EQ(GxFindTextEditorPath(), u"/usr/local/my vim");
}

TEST_F(EditorDiscoveryTest, OpensTheRealPathAsOneArgumentAndLeavesNoChild)
{
    GxTestGameFolder game;
    ASSERT_TRUE(game.Write("Scripts/It's a \"test\".TXT", "x"));
    const std::string vim = m_Stubs.Install("vim", "bin");
    setenv("VISUAL", vim.c_str(), 1);
    // An engine descriptor left without close-on-exec must not reach the editor.
    const int leak = open("/dev/null", O_RDONLY);
    ASSERT_TRUE(GxOpenInTextEditor(u"scripts/it's a \"test\".txt", 41));
    GxWaitStartedProcesses();
    close(leak);
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    const std::vector<StubRun> runs = m_Stubs.TakeRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].program, vim);
    EXPECT_EQ(runs[0].args, (std::vector<std::string>{"+41", "Scripts/It's a \"test\".TXT"}));
    EXPECT_EQ(runs[0].fds, (std::vector<int>{0, 1, 2}));
}

TEST_F(EditorDiscoveryTest, RefusesPackedMissingFilesAndNoEditor)
{
    GxTestGameFolder game;
    GxTestResetFileLayer();
    GxPackWriter pack;
    pack.AddMember(u"scripts/packed.txt", std::string_view("x"));
    ASSERT_TRUE(pack.Write("game.pak"));
    ASSERT_TRUE(GxFileOpenPack(u"game.pak"));
    ASSERT_TRUE(game.Write("scripts/loose.txt", "x"));
    setenv("VISUAL", m_Stubs.Install("vim", "bin").c_str(), 1);
    EXPECT_EQ(GxFileExists(u"scripts/packed.txt"), 2);
    EXPECT_FALSE(GxOpenInTextEditor(u"scripts/packed.txt", 1));
    EXPECT_FALSE(GxOpenInTextEditor(u"scripts/none.txt", 1));
    unsetenv("VISUAL");
    // No editor anywhere: nothing is started.
    EXPECT_FALSE(GxOpenInTextEditor(u"scripts/loose.txt", 1));
    GxWaitStartedProcesses();
    EXPECT_TRUE(m_Stubs.TakeRuns().empty());
    GxTestResetFileLayer();
}

TEST_F(EditorDiscoveryTest, CommandTemplatesSplitBeforeTheyExpand)
{
    const std::string ed = m_Stubs.Install("my ed", "bin");
    const std::u16string tmpl = u"\"" + GxUtf8ToWide(ed) + u"\" -n%line \"%file\" %file:%pos";
    ASSERT_TRUE(GxExecuteTextEditorCommand(tmpl, u"a \"b\" c.txt", 9));
    // One at a time, so the report keeps their order.
    GxWaitStartedProcesses();
    ASSERT_TRUE(GxExecuteCommandLine(u"\"" + GxUtf8ToWide(ed) + u"\" plain \"two words\""));
    EXPECT_FALSE(GxExecuteCommandLine(u""));
    EXPECT_FALSE(GxExecuteCommandLine(u"\"" + GxUtf8ToWide(m_Stubs.Path()) + u"/no such\""));
    GxWaitStartedProcesses();
    const std::vector<StubRun> runs = m_Stubs.TakeRuns();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].args, (std::vector<std::string>{"-n9", "a \"b\" c.txt", "a \"b\" c.txt:0"}));
    EXPECT_EQ(runs[1].args, (std::vector<std::string>{"plain", "two words"}));
}

TEST(CompilerLaunchTest, CompilerSeesOnlyStandardDescriptors)
{
    StubFolder stubs;
    GxSetScriptCompilerCommand(stubs.Install("moacgui.exe"));
    const int leak = open("/dev/null", O_RDONLY);
    EXPECT_EQ(GxLaunchScriptCompiler(), 0u);
    close(leak);
    GxSetScriptCompilerCommand("");
    const std::vector<StubRun> runs = stubs.TakeRuns();
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_EQ(runs[0].args.size(), 4u);
    EXPECT_EQ(runs[0].args[2], "-a");
    EXPECT_EQ(runs[0].fds, (std::vector<int>{0, 1, 2}));
}

}  // namespace
