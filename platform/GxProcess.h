// Starting a program outside the engine, without a shell: the program and each argument are
// passed as they are, so blanks and quotes in paths need no quoting. The child inherits no
// descriptor of the engine beyond standard input, output and error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Starts program (searched in PATH when it holds no "/") with arguments argv[1..] = args, the
// caller's environment and current directory, and waits without a time limit for it to end.
// False when it could not be started; exitCode then is untouched. A program ended by a signal
// reports 128 + the signal number.
bool GxRunProcessAndWait(const std::string& program, const std::vector<std::string>& args, uint32_t& exitCode);

// Starts program as GxRunProcessAndWait does but does not wait for it: a helper thread reaps it
// when it ends, so no finished child stays behind. False when it could not be started.
bool GxStartProcess(const std::string& program, const std::vector<std::string>& args);

// Waits until every process GxStartProcess started has ended and been reaped (tests and
// shutdown; an editor that is still open keeps this waiting).
void GxWaitStartedProcesses();

// The text editor the desktop offers, as a command (program, maybe followed by arguments):
// $VISUAL, else $EDITOR, else the Exec line of the XDG default application for text/plain
// (mimeapps.list in the XDG config and data folders, the .desktop file in the data folders'
// "applications"), else "xdg-open" when PATH holds it; empty when none is found.
std::string GxFindDefaultTextEditorCommand();

// References to environment variables, %NAME%, $NAME and ${NAME}, replaced by their values;
// an unknown name (and a lone "%" or "$") is kept as written.
std::string GxExpandEnvironmentStrings(const std::string& text);

// The value of key in [section] of a desktop-entry style text (mimeapps.list, .desktop files),
// trimmed; empty when absent. Comments ("#") and lines without "=" are skipped.
std::string GxDesktopEntryValue(const std::string& text, const std::string& section, const std::string& key);
