#include "moa/GxMoaCompilerLaunch.h"

#include <vector>

#include "core/GxFile.h"
#include "core/GxLog.h"
#include "core/GxString.h"
#include "platform/GxProcess.h"

namespace {

const std::string kDefaultCompiler = "moacgui.exe";

std::string& CompilerCommand()
{
    static std::string command = kDefaultCompiler;
    return command;
}

}  // namespace

void GxSetScriptCompilerCommand(const std::string& program)
{
    CompilerCommand() = program.empty() ? kDefaultCompiler : program;
}

const std::string& GxGetScriptCompilerCommand() { return CompilerCommand(); }

uint32_t GxLaunchScriptCompiler()
{
    const std::u16string dir = GxGetCurrentDirectory();
    // Arguments travel one by one, so the folder paths need no quotes.
    const std::vector<std::string> args = {
        GxPathToNative(dir + u"scripts"),
        GxPathToNative(dir + u"bincode"),
        "-a",
        "-mc",
    };
    uint32_t exitCode = 1;
    if (!GxRunProcessAndWait(CompilerCommand(), args, exitCode)) {
        GxPrintErrorLog(u"スクリプトコンパイラの起動に失敗しました\n");
        return 1;
    }
    if (exitCode != 0) GxPrintErrorLog(u"コンパイル時にエラーが発生したため古いスクリプトを実行しています\n");
    return exitCode;
}
