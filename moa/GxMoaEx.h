// The game's program instance: a GxMoa whose reports go to the logs.
//
// Errors go to "error.log" as err:[Script="name"/line=n] message, warnings to the lesser-error
// log (silenced by the SkipSlightError setting) as warn:[...], traces to "debug.log". Lines are
// printed 1-based; the runtime counts them from 0.
#pragma once

#include "moa/GxMoa.h"

class GxMoaEx : public GxMoa
{
public:
    // Longest message, in UTF-16 units, before the prefix is added.
    static constexpr size_t kMessageLimit = 1024;

    void OutputTraceArgs(std::u16string_view format, const GxFmtArg* args, size_t count) override;
    void OutputWarningArgs(std::u16string_view scriptName, int32_t line, std::u16string_view format,
                           const GxFmtArg* args, size_t count) override;
    void OutputErrorArgs(std::u16string_view scriptName, int32_t line, std::u16string_view format,
                         const GxFmtArg* args, size_t count) override;
};
