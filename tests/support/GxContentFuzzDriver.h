// Drives a content reader through every read operation in an order taken from the input, for
// the fuzz targets of both forms. Header-only: the fuzz programs link the engine alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/GxContentReader.h"
#include "core/GxContentTextReader.h"
#include "core/GxContentWriter.h"

// ops: the operation choices (cycled); the reader is already set up over the data.
// Stops at the end of the data, after many errors, or after a bounded number of operations, so
// that one input never runs long.
inline int64_t GxContentFuzzDrive(GxContentReaderBase& r, const uint8_t* ops, size_t opCount)
{
    if (opCount == 0) return 0;
    // Unsigned: the total of values read wraps and never overflows.
    uint64_t sink = 0;
    std::u16string w;
    std::string a;
    GxBinBuffer bin;
    for (size_t i = 0; i < 4096 && !r.IsEnd() && r.GetErrorCount() < 16; ++i) {
        const char* name = (ops[i % opCount] & 0x80) ? "m_Name" : "";
        switch (ops[i % opCount] % 64) {
        case 0: { uint32_t v; r.ReadHeader((ops[i % opCount] & 0x40) ? "TGD" : "BGD", v); break; }
        case 1: sink += r.GetNextValueType(); break;
        case 2: r.SkipValue(); break;
        case 3: r.SetCheckValueName(ops[i % opCount] >> 7); break;
        case 4: sink += r.ReadGxS8Value(name); break;
        case 5: sink += r.ReadGxU8Value(name); break;
        case 6: sink += r.ReadGxS16Value(name); break;
        case 7: sink += r.ReadGxU16Value(name); break;
        case 8: sink += r.ReadGxS32Value(name); break;
        case 9: sink += r.ReadGxU32Value(name); break;
        case 10: sink += r.ReadGxS32AltValue(name); break;
        case 11: sink += r.ReadGxU32AltValue(name); break;
        case 12: sink += r.ReadGxS64Value(name); break;
        case 13: sink += static_cast<int64_t>(r.ReadGxU64Value(name)); break;
        case 14: sink += static_cast<int64_t>(r.ReadGxF32Value(name) != 0); break;
        case 15: sink += static_cast<int64_t>(r.ReadGxF64Value(name) != 0); break;
        case 16: sink += r.ReadGxBoolValue(name); break;
        case 17: sink += r.ReadGxBit32Value(name); break;
        case 18: sink += static_cast<int64_t>(r.ReadGxVector2Value(name).x != 0); break;
        case 19: sink += static_cast<int64_t>(r.ReadGxVector3Value(name).z != 0); break;
        case 20: sink += static_cast<int64_t>(r.ReadGxVector4Value(name).w != 0); break;
        case 21: sink += static_cast<int64_t>(r.ReadGxQuatValue(name).w != 0); break;
        case 22: sink += static_cast<int64_t>(r.ReadGxFColorValue(name).a != 0); break;
        case 23: sink += static_cast<int64_t>(r.ReadGxMatrixValue(name).m[3][3] != 0); break;
        case 24: sink += r.ReadGxRectValue(name).bottom; break;
        case 25: sink += static_cast<int64_t>(r.ReadGxFRectValue(name).right != 0); break;
        case 26: sink += r.ReadGxPoint2Value(name).y; break;
        case 27: sink += r.ReadGxPoint3Value(name).z; break;
        case 28: sink += r.ReadGxPoint4Value(name).w; break;
        case 29: sink += static_cast<int64_t>(r.ReadGxStringWValue(name).size()); break;
        case 30: sink += static_cast<int64_t>(r.ReadGxStringAValue(name).size()); break;
        case 31: r.ReadGxStringStdW(name, w); sink += static_cast<int64_t>(w.size()); break;
        case 32: r.ReadGxStringStdA(name, a); sink += static_cast<int64_t>(a.size()); break;
        case 33: if (r.ReadGxBinary(name, bin)) sink += bin.GetSize(); break;
        case 34: {
            uint32_t count = 0;
            // The count is as stored: loaders never size anything by it.
            if (r.ReadListBegin(name, count)) sink += count;
            break;
        }
        case 35: sink += r.ReadListEnd(); break;
        case 36: sink += r.ReadListItemBegin() + r.ReadListItemEnd(); break;
        case 37: sink += r.ReadTreeBegin(name); break;
        case 38: sink += r.ReadTreeEnd(); break;
        case 39: sink += r.ReadTreeStratumBegin(); break;
        case 40: sink += r.ReadTreeStratumEnd(); break;
        case 41: { GxVector3 v; sink += r.ReadGxVector3(name, v); break; }
        case 42: { GxVector4 v; sink += r.ReadGxVector4(name, v); break; }
        case 43: { int8_t v; sink += r.ReadGxS8(name, v); break; }
        default: r.SkipValue(); break;
        }
    }
    return static_cast<int64_t>(sink);
}

// The input of the fuzz targets over one stored stream: one byte (bit 0 picks the text form),
// then the stream. run gets a reader of that form over a block of its own, so that reading a
// byte past the stream is caught.
template <typename Run>
void GxContentFuzzRead(const uint8_t* data, size_t size, const Run& run)
{
    if (size == 0) return;
    GxBinBuffer buffer(static_cast<uint32_t>(size - 1));
    for (size_t i = 1; i < size; ++i) buffer.GetBuffer()[i - 1] = data[i];
    if (data[0] & 1) {
        GxContentTextReader reader(buffer);
        run(static_cast<GxContentReaderBase&>(reader));
    } else {
        GxContentBinaryReader reader(buffer);
        run(static_cast<GxContentReaderBase&>(reader));
    }
}

// Writes the object's content again, to memory that is then dropped: whatever a read let through
// must write back.
template <typename Object>
void GxContentFuzzWriteBack(Object& object)
{
    char* data = nullptr;
    size_t size = 0;
    if (FILE* f = open_memstream(&data, &size)) {
        GxContentBinaryWriter writer(f);
        object.WriteContent(writer);
        fclose(f);
        free(data);
    }
}
