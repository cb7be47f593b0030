// Opening a script file at a line in the developer's text editor.
//
// Either the developer setting "TextEditorCommand" gives a command template with "%file",
// "%line" and "%pos", or the launcher takes the desktop's text editor and, by the editor's
// executable name, the command-line form that opens a file at a line. Programs are started
// without a shell: templates are split into arguments first, then the placeholders are
// replaced inside each argument, so a path with blanks or quotes stays one argument.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The template with every "%line" replaced by the line, "%pos" by "0", then "%file" by the path
// (as it is, no quotes added); an inserted text is not expanded again.
std::u16string GxExpandTextEditorCommand(std::u16string_view commandTemplate, std::u16string_view filePath, int32_t line);

// The arguments for the editor whose executable file name (compared lower-cased, exactly) is
// exeName, as one command-line text with the path in double quotes; an unknown editor gets
// the quoted path alone.
std::u16string GxBuildEditorArguments(std::u16string_view filePath, std::u16string_view exeName, int32_t line);
// The same arguments as a list, one entry per argument, the path unquoted.
std::vector<std::u16string> GxBuildEditorArgumentList(std::u16string_view filePath, std::u16string_view exeName,
                                                      int32_t line);

// The desktop's text editor ($VISUAL, $EDITOR, the XDG default for text/plain, xdg-open):
// the program part of its command (the text inside leading quotes, else up to the first
// blank) with environment references expanded; empty when none is found.
std::u16string GxFindTextEditorPath();

// Splits a command line into arguments by the Windows rules: blanks separate, double quotes
// group, "" inside quotes is a quote, and backslashes are literal unless they precede a quote
// (2n backslashes and a quote: n backslashes and the quote groups; 2n+1: n and a literal quote).
std::vector<std::u16string> GxSplitCommandLine(std::u16string_view commandLine);

// Starts the command line (split as above; the first argument is the program) and does not
// wait for it. True when a process started.
bool GxExecuteCommandLine(std::u16string_view commandLine);

// Starts the "TextEditorCommand" template for the file at the line: split first, then each
// argument expanded as GxExpandTextEditorCommand does. True when a process started.
bool GxExecuteTextEditorCommand(std::u16string_view commandTemplate, std::u16string_view filePath, int32_t line);

// Opens a loose file (a file only inside a pack cannot be edited: false) at the line in the
// desktop's text editor, giving it the file's real spelling on disk. False when no editor is
// found or it does not start.
bool GxOpenInTextEditor(std::u16string_view filePath, int32_t line);
