// Running the external script compiler before the package is loaded.
//
// The compiler turns the game folder's "scripts" into "bincode/moacode.mwb". It is a program
// outside the engine: only its command line, the wait for it and its exit code (0 = success)
// matter here. It gets the scripts folder and the bincode folder of the current directory as
// absolute paths, then the switches "-a" and "-mc".
#pragma once

#include <cstdint>
#include <string>

// The program started as the compiler; "moacgui.exe" (searched in PATH) unless set. A
// developer's setup or a test names another program; an empty name restores the default.
void GxSetScriptCompilerCommand(const std::string& program);
const std::string& GxGetScriptCompilerCommand();

// Runs the compiler and waits for it. Returns its exit code, or 1 when it could not be started
// ("スクリプトコンパイラの起動に失敗しました"). A non-zero exit code is logged as the compiler's
// failure ("コンパイル時にエラーが発生したため古いスクリプトを実行しています"); the caller then
// loads the package that the bincode folder still holds.
uint32_t GxLaunchScriptCompiler();
