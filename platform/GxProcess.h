// Starting a program outside the engine and waiting for it, without a shell: the program and
// each argument are passed as they are, so blanks and quotes in paths need no quoting.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Starts program (searched in PATH when it holds no "/") with arguments argv[1..] = args, the
// caller's environment and current directory, and waits without a time limit for it to end.
// False when it could not be started; exitCode then is untouched. A program ended by a signal
// reports 128 + the signal number.
bool GxRunProcessAndWait(const std::string& program, const std::vector<std::string>& args, uint32_t& exitCode);
