// The standard CRC-32 (reflected polynomial 0xEDB88320, initial value and final XOR 0xFFFFFFFF;
// the form zlib and PNG use).
#pragma once

#include <cstddef>
#include <cstdint>

// 0 for length 0.
uint32_t GxCalcCRC32(const void* bytes, size_t length);
