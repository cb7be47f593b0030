// Data the program carries inside itself, looked up by type and number: the files of
// game/resources/ that the build compiles in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct GxResourceEntry
{
    const char16_t* type;  // such as u"PNG"
    int32_t id;
    const unsigned char* bytes;
    size_t size;
};

// The program's resource table (made by the build).
const GxResourceEntry* GxGetResourceTable(size_t* count);
// The entry of that type (exact) and number; null when the program has none.
const GxResourceEntry* GxFindResource(std::u16string_view type, int32_t id);

// The number of the picture whose checksum is the system signature.
inline constexpr int32_t kGxSignatureResourceID = 102;
// "%08X" of the CRC-32 of the resource's bytes; "00000000" without a resource.
std::u16string GxFormatSystemSignature(const GxResourceEntry* resource);
