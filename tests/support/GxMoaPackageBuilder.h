// Builds compiled script packages ("bincode/moacode.mwb") for tests and tools.
//
// The engine never compiles scripts: an external compiler leaves the package of token lines
// that the runtime loads. Tests therefore write their scripts in a small TEST SYNTAX of our
// own, defined here. It is not the engine's script language and no game is written in it; it
// only produces the token lines the runtime expects, so that a test can say
//
//     GxMoaPackageBuilder b;
//     b.AddBuiltin(u"wa.click", 310);
//     ASSERT_TRUE(b.AddScript(u"MAIN", R"(
//     *MAIN
//     GLOBAL PERMAN cleared = 0
//     IF (cleared == 0) {
//         > Hello.
//         wa.click()
//     } ELSE IF (cleared == 1) {
//         jump("@again")
//     } ELSE {
//         x = ARRAY(1, 2.5, "three")
//     }
//     *@again
//     ルコ「こんにちは」
//     )")) << b.GetErrors();
//     GxMoa program;
//     ASSERT_TRUE(b.LoadInto(program));   // through WriteProgram and ReadProgram
//
// The test syntax
// ---------------
// Lines. Every source line becomes exactly one script line, so line n of the source (counting
// from 0, as the runtime does; a raw string that starts with a line break has an empty line 0)
// is line n of the script, and error messages name the same line. Leading blanks are ignored.
//   (empty) or // comment     an empty line (no tokens)
//   *NAME                     a label declaration (token 7, text NAME) with a global label at
//                             (line, 0); *@name declares a label local to the script
//   > text                    a text line (token 8); one blank after ">" is dropped
//   a line whose first character is not ASCII, such as ルコ「…」, is a text line as a whole
//   anything else             a statement: the tokens of the line, lexed as below
// Statements end with their line: do not end them with ";" (a ";" lexes to token 34, which the
// run loop refuses as a statement start; that is there for tests of exactly that).
//
// Tokens of a statement line.
//   123  0x1F                 integer (3); 1.5  2e3  1.5e-2 float (4)
//   "text"                    string (5); escapes \" \\ \n \t \r
//   NULL  ARRAY               6, 13
//   IF ELSE WHILE FOR DO CONTINUE BREAK DEFINE BUILTIN STATIC GLOBAL EXTERN NOSAVE INGAME
//   PERMAN                    the keyword tokens (upper case only)
//   BREAKPOINT                a breakpoint token (15)
//   name                      a builtin (1, value = its index) when the builder's table has the
//                             name; otherwise an array variable (10) when "[" follows, an
//                             unknown word (2) when "(" follows or the name contains a "." (the
//                             game's layer operations such as ruko.color(...)), else a variable
//                             (9). Names: letters, digits, "_", "." and non-ASCII characters,
//                             not starting with a digit or ".".
//   + -                       unary (54, 55) after an operator, "(", ",", "[" or at the start;
//                             binary (48, 50) after a term
//   ++ --                     postfix (67, 68) after a variable or "]", else prefix (65, 66)
//   the other operators       == != > >= < <= : * / % & | ^ ~ << >> ! && || = += := -= *= /=
//                             %= &= |= ^= ? ; , { } [ ] ( )
//   // comment                the rest of the line is ignored
//
// Blocks. IF must be followed by a bracketed condition and then "{" (on the same line or a
// later one); the matching ")" must be the last token before the "{". ELSE is followed by
// "{" (a plain ELSE) or by an optional IF and a bracketed condition (an ELSE with a condition:
// the IF is not emitted, the ELSE carries the condition). The builder stores the positions the
// runtime reads: IF / ELSE branch position 1 = the first token inside the condition's brackets
// (line -1 for a plain ELSE), "{" branch position 0 = its matching "}", and the value of "}" =
// the block type it closes (3 IF body, 4 ELSE body, 0 any other block). Unbalanced braces are
// refused.
//
// Declarations. A line that starts with STATIC, GLOBAL or EXTERN declares one variable:
//   (STATIC|GLOBAL|EXTERN) [PERMAN|INGAME|NOSAVE] name [ "[" size "]" ] [ "=" literal ]
// where literal is an integer, a float (both with an optional "-"), a string or NULL. The save
// class defaults to INGAME. STATIC definitions go to the script, GLOBAL and EXTERN ones to the
// program. The line keeps its tokens (the run loop passes over a declaration line).
//
// Builtins. The table starts with test names for the generic builtins (int 1, float 2, str 3,
// isarray 4, arraysize 5, trace 6, debuglog 7, errorlog 8, fileexists 9, filesize 10,
// strlen 11, substr 12, tolower 13, toupper 14, strfind 15, islabel 16, dump 17, locale 20,
// timezonename 21, timezonebias 22, time 23, year 24, month 25, day 26, hour 27, minute 28,
// second 29, weekday 30, yearday 31, currentdir 32, jump 64, jumpif 65, call 66, callif 67,
// return 68, returnif 69, exit 70, result 71, sign 100, abs 101, fsign 102, fabs 103, fmod 104,
// pow 105, sqrt 106, exp 107, log 108). AddBuiltin adds game commands or renames; every
// builtin of the table is written into the package. Add builtins before the scripts that use
// them.
//
// Anything the syntax cannot express (odd token shapes, scopes in the high bits, branch
// positions 2 and 3) can be set on the model afterwards: GetProgram() is an ordinary GxMoa
// whose scripts, lines and tokens may be changed before writing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "moa/GxMoa.h"

class GxMoaPackageBuilder
{
public:
    // The generic builtin names above are in the table.
    GxMoaPackageBuilder();
    // withGenericBuiltins false: an empty builtin table.
    explicit GxMoaPackageBuilder(bool withGenericBuiltins);

    // Adds a builtin, or gives an existing name the new numbers.
    void AddBuiltin(std::u16string_view name, int32_t index, int32_t relatedIndex = -1, int32_t builtinType = 1);

    // Lexes and adds one script. False when the source has errors (GetErrors tells which) or
    // the name is taken; nothing of a refused script enters the program.
    bool AddScript(std::u16string_view name, std::string_view utf8Source);
    bool AddScript(std::u16string_view name, std::u16string_view source);

    // The token line of one statement, as AddScript lexes it (no labels, text lines or
    // blocks). False, with the reason in GetErrors, for a bad line.
    bool LexLine(std::u16string_view line, std::vector<GxMoaToken>& out);

    // Every error so far, one per line, as "SCRIPT:line: message" (UTF-8).
    const std::string& GetErrors() const { return m_Errors; }

    // The program as built so far; it may be changed directly.
    GxMoa& GetProgram() { return m_Program; }
    const GxMoa& GetProgram() const { return m_Program; }
    GxMoaScript* FindScript(std::u16string_view name) const { return m_Program.FindScript(name); }

    // The package bytes written by GxMoa::WriteProgram in the binary content form.
    std::string WritePackage() const;
    // The package into a file; missing parent folders are created. For a game folder pass
    // folder + "/bincode/moacode.mwb".
    bool WriteFile(const std::string& path) const;
    // WritePackage, then ReadProgram of target from those bytes.
    bool LoadInto(GxMoa& target) const;

private:
    bool BuildScript(std::u16string_view name, std::u16string_view source);
    bool LexStatement(std::u16string_view text, std::vector<GxMoaToken>& out, std::string& error) const;
    bool ParseDeclaration(const std::vector<GxMoaToken>& tokens, int32_t line, std::u16string_view scriptName,
                          GxMoaVariableDefinition& out, std::string& error) const;
    bool LinkBlocks(GxMoaScript& script);
    void Error(std::u16string_view script, int32_t line, std::string_view message);

    GxMoa m_Program;
    std::string m_Errors;
};
