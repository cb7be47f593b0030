// Wide-string helpers: paths, search and case, code-page conversions, trimming, splitting and
// local time. Every function is stateless and thread-safe and returns a new string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/GxFormat.h"

// Path parts. "/" and "\" are both separators; ":" ends a drive name.
std::u16string GxGetFileName(std::u16string_view path);
std::u16string GxGetDirectory(std::u16string_view path);
std::u16string GxGetExtension(std::u16string_view path);
std::u16string GxGetFileTitle(std::u16string_view path);
std::u16string GxChangeExtension(std::u16string_view path, std::u16string_view ext);
bool GxHasExtension(std::u16string_view path, std::u16string_view ext);
std::u16string GxAddPathSeparator(std::u16string_view path, char16_t sep = u'/');
std::u16string GxRemovePathSeparator(std::u16string_view path);
std::u16string GxCombinePath(std::u16string_view dir, std::u16string_view name, char16_t sep = u'/');
// Absolute form of a path, folded by text alone (the file need not exist); "/" separators;
// empty when the result would reach 520 characters.
std::u16string GxGetFullPath(std::u16string_view path);
std::u16string GxReplaceChar(std::u16string_view s, char16_t from, char16_t to);

// Search, case and pieces. Case folding is ASCII only.
int GxCompareNoCase(std::u16string_view a, std::u16string_view b);
int GxFind(std::u16string_view s, std::u16string_view text, int start = 0);
int GxFindFirstOf(std::u16string_view s, std::u16string_view set, int start = 0);
int GxFindLastOf(std::u16string_view s, std::u16string_view set, int start = -1);
std::u16string GxMidString(std::u16string_view s, int start);
std::u16string GxToLower(std::u16string_view s);
std::u16string GxToUpper(std::u16string_view s);
std::string GxToLowerA(std::string_view s);
std::u16string GxReplaceAll(std::u16string_view s, std::u16string_view search, std::u16string_view repl);

// Conversions. The ANSI code page is CP932. Invalid input never fails a conversion: each byte
// that starts no valid sequence becomes U+FFFD, and a character the target cannot hold becomes
// '?' (CP932) or U+FFFD (UTF-8, for a lone surrogate).
std::u16string GxAnsiToWide(std::string_view text);
std::string GxWideToAnsi(std::u16string_view text);
std::u16string GxUtf8ToWide(std::string_view text);
std::string GxWideToUtf8(std::u16string_view text);
// The same conversions appending to a buffer, so that a loop over many texts keeps one allocation.
void GxAppendUtf8ToWide(std::u16string& out, std::string_view utf8);
void GxAppendWideToUtf8(std::string& out, std::u16string_view text);
inline std::u16string GxWideToWide(std::u16string_view text) { return std::u16string(text); }

std::u16string GxIntToString(int v);
std::u16string GxDoubleToString(double v);

// Trimming: mode 0 none, 1 leading, 2 trailing, 3 both (blanks are codes <= 32); any other
// mode removes only CR and LF from both ends.
std::u16string GxTrim(std::u16string_view s, int mode);
std::u16string GxUnquote(std::u16string_view s, int start = 0);

int GxSplitString(std::vector<std::u16string>& out, std::u16string_view text, std::u16string_view delim);
int GxSplitStringPadded(std::vector<std::u16string>& out, std::u16string_view text, std::u16string_view delim,
                        int fieldCount);
int GxSplitStringA(std::vector<std::string>& out, std::string_view text, std::string_view delim);
std::u16string GxJoinString(const std::vector<std::u16string>& v, std::u16string_view sep);
void GxTrimEach(std::vector<std::u16string>& v, int mode);

// Local time of a 64-bit time_t. A time the conversion rejects gives 0 for every part.
int GxGetTimeYear(int64_t t);
int GxGetTimeMonth(int64_t t);
int GxGetTimeDay(int64_t t);
int GxGetTimeHour(int64_t t);
int GxGetTimeMinute(int64_t t);
int GxGetTimeSecond(int64_t t);
int GxGetTimeWeekDay(int64_t t);
int GxGetTimeYearDay(int64_t t);
std::u16string GxTimeToString(int64_t t);
std::u16string GxGetNowString();
// The wall clock behind GxGetNowString; tests install a fixed one (null restores the real clock).
using GxTimeNowFunc = int64_t (*)();
void GxSetTimeNowFunc(GxTimeNowFunc func);
int64_t GxGetTimeNow();

// Narrow (UTF-8) form of a wide path for the C library.
inline std::string GxPathToNative(std::u16string_view path) { return GxWideToUtf8(path); }
