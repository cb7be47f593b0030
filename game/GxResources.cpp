#include "game/GxResources.h"

#include <string>

#include "core/GxCrc32.h"
#include "core/GxFormat.h"

const GxResourceEntry* GxFindResource(std::u16string_view type, int32_t id)
{
    size_t count = 0;
    const GxResourceEntry* table = GxGetResourceTable(&count);
    for (size_t i = 0; i < count; ++i) {
        if (table[i].type && type == table[i].type && table[i].id == id) return &table[i];
    }
    return nullptr;
}

std::u16string GxFormatSystemSignature(const GxResourceEntry* resource)
{
    const uint32_t crc = resource ? GxCalcCRC32(resource->bytes, resource->size) : 0u;
    return GxFormatString(u"%08X", crc);
}
