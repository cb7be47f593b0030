// Pack registration from untrusted bytes: the fuzzer's input is written to a pack file, which is
// registered; members named "a" and "b.txt" (as in the seeds) are then loaded and read with
// seeks. Byte 0 of the input (not interpreted by the reader) chooses whether an unscramble
// routine is installed.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/GxBinBuffer.h"
#include "core/GxFile.h"
#include "core/GxPackFile.h"
#include "core/GxString.h"
#include "fuzz/input_file_fuzz.h"

namespace {

void XorUnscramble(uint8_t* bytes, uint32_t count, uint32_t position)
{
    for (uint32_t i = 0; i < count; ++i) bytes[i] ^= static_cast<uint8_t>((position + i) * 31u + 7u);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Member names are looked up as loose files first: the input folder holds the pack alone.
    if (!gxfuzz::WriteInputFile("fuzz.pak", data, size)) return 0;

    GxPackFileSetUnscrambleRoutine(size && (data[0] & 1) ? XorUnscramble : nullptr);
    const std::u16string widePath = GxUtf8ToWide(gxfuzz::InputFolder() + "/fuzz.pak");
    if (GxFileOpenPack(widePath)) {
        for (const char16_t* name : {u"a", u"B.TXT", u"missing"}) {
            GxBinBuffer buf;
            GxFileLoadToBinBuffer(buf, name, false, true);
            GxFileHandle h;
            if (GxFileOpen(h, name)) {
                uint8_t chunk[64];
                GxFileSeek(h, 3, 0);
                GxFileRead(chunk, sizeof chunk, h);
                GxFileSeek(h, -5, 2);
                GxFileRead(chunk, sizeof chunk, h);
                GxFileClose(h);
            }
        }
    }
    GxFileCloseAllPacks();

    // The pack object on its own, reopened over itself.
    GxPackFileHeaderCache pack;
    if (pack.Open(widePath)) {
        pack.Find(u"a");
        pack.Open(widePath);
    }
    return 0;
}
