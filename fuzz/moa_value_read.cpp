// Fuzz target: a script value read from a content stream (saved games and the compiled package
// hold them), then converted, compared, combined and written back.
// Input: one byte choosing the form (even: binary, odd: text), then the stream.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "core/GxContentReader.h"
#include "core/GxContentWriter.h"
#include "core/GxLog.h"
#include "moa/GxMoaVariable.h"
#include "tests/support/GxContentFuzzDriver.h"

namespace {

// The totals only keep the calls from being optimised away: unsigned, so they wrap and never
// overflow whatever the values read.
uint64_t Exercise(const GxMoaVariable& v)
{
    auto u = [](int64_t x) { return static_cast<uint64_t>(x); };
    uint64_t sink = u(v.GetInt64()) + u(v.GetInt()) + (v.GetFloat() != 0);
    sink += u(v.GetStringLength()) + u(v.GetArraySize());
    GxMoaVariable copy(v);
    sink += (copy == v) + (copy < v) + (v >= copy);
    GxMoaVariable sum = v + copy;
    GxMoaVariable quotient = v / copy;
    GxMoaVariable shifted = v << copy;
    GxMoaVariable text = GxMoaConcat(v, copy);
    copy.ConcatAssign(v);
    copy %= v;
    sink += u(sum.GetInt64()) + u(quotient.GetInt64()) + u(shifted.GetInt64()) + u(text.GetStringLength());
    GxMoaVariable unary(v);
    unary.Negate();
    unary.BitNot();
    unary.LogicalNot();
    return sink + u(unary.GetInt64());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = (GxSetErrorLogPath(u"/dev/null"), true);
    (void)once;
    if (size == 0) return 0;
    GxMoaVariable v;
    GxContentFuzzRead(data, size, [&](GxContentReaderBase& reader) { v.Read(reader); });
    volatile uint64_t sink = Exercise(v);
    for (int i = 0; i < v.GetArraySize() && i < 64; ++i) sink = sink + Exercise(*v.GetElement(i));
    (void)sink;

    // What was read writes back.
    if (FILE* f = fopen("/dev/null", "wb")) {
        {
            GxContentBinaryWriter w(f);
            v.Write(w);
        }
        fclose(f);
    }
    return 0;
}
