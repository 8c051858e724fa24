#include "export/gif_lzw.h"

#include <cstring>

namespace {

constexpr uint32_t CODE_LIMIT = 4096;  // 12-bit codes
constexpr uint32_t BLOCK_BYTES = 255;

// Codes packed least significant bit first into sub-blocks, each led by its
// length byte, all within capacity.
struct BitPacker {
    uint8_t* out;
    size_t capacity;
    size_t used;
    size_t blockStart;   // of the open sub-block's length byte
    uint32_t accumulator;
    uint32_t bits;
    bool overflow;
};

void PutByte(BitPacker* p, uint8_t byte) {
    if (p->used - p->blockStart - 1 == BLOCK_BYTES) {
        p->out[p->blockStart] = BLOCK_BYTES;
        p->blockStart = p->used;
        if (p->used == p->capacity) {
            p->overflow = true;
            return;
        }
        p->used++;
    }
    if (p->used == p->capacity) {
        p->overflow = true;
        return;
    }
    p->out[p->used++] = byte;
}

void PutCode(BitPacker* p, uint32_t code, uint32_t width) {
    p->accumulator |= code << p->bits;
    p->bits += width;
    while (p->bits >= 8 && !p->overflow) {
        PutByte(p, static_cast<uint8_t>(p->accumulator));
        p->accumulator >>= 8;
        p->bits -= 8;
    }
}

uint32_t Slot(uint32_t key) {
    return (key * 2654435761u) >> (32 - 14);
}

}  // namespace

size_t GifLzwBound(size_t count) {
    // Every index may cost a code of 12 bits, a clear code comes at least
    // every 3838 codes, and the clear and end codes frame the whole.
    size_t codes = count + count / 1024 + 4;
    size_t data = (codes * 12 + 7) / 8;
    return 1 + data + data / BLOCK_BYTES + 1 + 1;
}

size_t GifLzwEncode(const uint8_t* indices, size_t count, uint32_t minCodeSize,
                    GifLzwTable* table, uint8_t* out, size_t capacity) {
    if (capacity < 3 || count == 0 || minCodeSize < 2 || minCodeSize > 8) return 0;
    const uint32_t clear = 1u << minCodeSize, end = clear + 1;
    out[0] = static_cast<uint8_t>(minCodeSize);
    BitPacker p = {out, capacity, 2, 1, 0, 0, false};
    std::memset(table->keys, 0, sizeof table->keys);
    uint32_t next = clear + 2, width = minCodeSize + 1;
    PutCode(&p, clear, width);
    uint32_t prefix = indices[0];
    for (size_t i = 1; i < count && !p.overflow; i++) {
        uint32_t index = indices[i];
        uint32_t key = ((prefix << 8) | index) + 1;
        uint32_t slot = Slot(key);
        while (table->keys[slot] && table->keys[slot] != key)
            slot = (slot + 1) & (GIF_LZW_HASH_SIZE - 1);
        if (table->keys[slot]) {
            prefix = table->codes[slot];
            continue;
        }
        PutCode(&p, prefix, width);
        if (next < CODE_LIMIT) {
            table->keys[slot] = key;
            table->codes[slot] = static_cast<uint16_t>(next++);
            // The decoder adds each string one code later than the coder,
            // so the width grows one code after the code that needs it.
            if (next > (1u << width) && width < 12) width++;
        } else {
            PutCode(&p, clear, width);
            std::memset(table->keys, 0, sizeof table->keys);
            next = clear + 2;
            width = minCodeSize + 1;
        }
        prefix = index;
    }
    PutCode(&p, prefix, width);
    PutCode(&p, end, width);
    if (p.bits && !p.overflow) PutByte(&p, static_cast<uint8_t>(p.accumulator));
    if (p.overflow) return 0;
    size_t blockLength = p.used - p.blockStart - 1;
    if (blockLength) {
        p.out[p.blockStart] = static_cast<uint8_t>(blockLength);
    } else {
        p.used = p.blockStart;
    }
    if (p.used == capacity) return 0;
    out[p.used++] = 0;
    return p.used;
}
