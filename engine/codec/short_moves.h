// Copies and fills of fewer than 16 bytes with two overlapping word moves:
// what the vector kernels do below their vector width. Each writes exactly
// count bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

inline void CopyShort(uint8_t* out, const uint8_t* in, size_t count) {
    if (count >= 8) {
        uint64_t head, tail;
        std::memcpy(&head, in, 8);
        std::memcpy(&tail, in + count - 8, 8);
        std::memcpy(out, &head, 8);
        std::memcpy(out + count - 8, &tail, 8);
    } else if (count >= 4) {
        uint32_t head, tail;
        std::memcpy(&head, in, 4);
        std::memcpy(&tail, in + count - 4, 4);
        std::memcpy(out, &head, 4);
        std::memcpy(out + count - 4, &tail, 4);
    } else {
        for (size_t i = 0; i < count; i++) out[i] = in[i];
    }
}

inline void FillShort(uint8_t* out, uint8_t value, size_t count) {
    if (count >= 8) {
        uint64_t word = value * 0x0101010101010101ull;
        std::memcpy(out, &word, 8);
        std::memcpy(out + count - 8, &word, 8);
    } else if (count >= 4) {
        uint32_t word = value * 0x01010101u;
        std::memcpy(out, &word, 4);
        std::memcpy(out + count - 4, &word, 4);
    } else {
        for (size_t i = 0; i < count; i++) out[i] = value;
    }
}
