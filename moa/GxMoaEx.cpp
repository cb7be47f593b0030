#include "moa/GxMoaEx.h"

#include "core/GxLog.h"

namespace {

std::u16string FormatMessage(std::u16string_view format, const GxFmtArg* args, size_t count)
{
    std::u16string text;
    GxFormatArgs(text, format, args, count);
    return std::u16string(GxCutText(text, GxMoaEx::kMessageLimit));
}

// Lines are printed from 1; the sum wraps instead of overflowing for a damaged line number.
int32_t PrintedLine(int32_t line) { return static_cast<int32_t>(static_cast<uint32_t>(line) + 1u); }

}  // namespace

void GxMoaEx::OutputTraceArgs(std::u16string_view format, const GxFmtArg* args, size_t count)
{
    // A text line of the script arrives as the format without arguments: it is printed as it
    // stands, so a "%" in it converts nothing.
    std::u16string text = count == 0 ? std::u16string(GxCutText(format, kMessageLimit)) : FormatMessage(format, args, count);
    GxPrintDebugLog(u"%s\n", text);
}

void GxMoaEx::OutputWarningArgs(std::u16string_view scriptName, int32_t line, std::u16string_view format,
                                const GxFmtArg* args, size_t count)
{
    // The game counts its warnings with the errors; the instance's warning count stays as it is.
    GxMoa::OutputErrorArgs(scriptName, line, format, args, count);
    GxPrintSlightErrorLog(u"warn:[Script=\"%s\"/line=%d] %s\n", scriptName, PrintedLine(line), FormatMessage(format, args, count));
}

void GxMoaEx::OutputErrorArgs(std::u16string_view scriptName, int32_t line, std::u16string_view format,
                              const GxFmtArg* args, size_t count)
{
    GxMoa::OutputErrorArgs(scriptName, line, format, args, count);
    GxPrintErrorLog(u"err:[Script=\"%s\"/line=%d] %s\n", scriptName, PrintedLine(line), FormatMessage(format, args, count));
}
