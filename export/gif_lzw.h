// The LZW coder of GIF image data: variable-width codes from min + 1 bits up
// to 12, a clear code first and whenever the code table is full, an end code
// last, packed least significant bit first into sub-blocks of at most 255
// bytes behind the minimum code size byte, and closed by an empty sub-block.
// The string table is a hash table: each step is one lookup, not a search.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t GIF_LZW_HASH_SIZE = 1u << 14;

struct GifLzwTable {
    uint32_t keys[GIF_LZW_HASH_SIZE];   // (prefix code << 8 | index) + 1; 0 = free
    uint16_t codes[GIF_LZW_HASH_SIZE];
};

// Bytes that GifLzwEncode may write for count indices, whatever they are.
size_t GifLzwBound(size_t count);

// Encodes count colour indices (each below 1 << minCodeSize; minCodeSize 2
// to 8) into out, which holds capacity bytes. Returns the bytes written, or
// 0 when they would not fit (nothing beyond capacity is written).
size_t GifLzwEncode(const uint8_t* indices, size_t count, uint32_t minCodeSize,
                    GifLzwTable* table, uint8_t* out, size_t capacity);
