// The inner loops of the frame delta codec and the run-length packer, in one
// implementation per instruction set: plain C++, SSE2, and AVX2. Each table
// gives byte-identical results; the processor decides once which one runs.
// The plain implementations in frame_codec.cpp and run_length.cpp stay as the
// reference the others are tested against.
//
// The recording side and the playing side are separate tables, so that the
// player, which every self-playing executable carries, links only the
// decoder's and the unpacker's kernels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codec/cpu_features.h"

struct EncodeKernels {
    CpuLevel level;
    // 1 when the n bytes at a and at b are equal, else 0.
    int (*bytesEqual)(const uint8_t* a, const uint8_t* b, size_t n);
    // Writes the red, green and blue bytes of count pixels to three planes.
    void (*splitKey)(const uint32_t* pixels, size_t count, uint8_t* red, uint8_t* green,
                     uint8_t* blue);
    // Writes (now - before) mod 256 of each channel of count pixels.
    void (*splitDelta)(const uint32_t* now, const uint32_t* before, size_t count, uint8_t* red,
                       uint8_t* green, uint8_t* blue);
    // Number of bytes from s[0] on that equal s[0], at most n (n >= 1).
    size_t (*runLength)(const uint8_t* s, size_t n);
    // The first j below limit where s[j] to s[j + 4] are all equal, or limit
    // when there is none. Reads s[0] to s[limit + 3].
    size_t (*fiveEqualSearch)(const uint8_t* s, size_t limit);
    // RunLengthPack, same contract.
    size_t (*pack)(uint8_t* output, size_t outputCapacity, const uint8_t* input,
                   size_t inputLength);
};

struct DecodeKernels {
    CpuLevel level;
    // Sets the red, green and blue bytes of count pixels from three planes;
    // the fourth byte keeps its value.
    void (*mergeKey)(uint32_t* pixels, size_t count, const uint8_t* red, const uint8_t* green,
                     const uint8_t* blue);
    // Adds three planes to the red, green and blue bytes, modulo 256.
    void (*mergeDelta)(uint32_t* pixels, size_t count, const uint8_t* red, const uint8_t* green,
                       const uint8_t* blue);
    // RunLengthUnpack, same contract.
    size_t (*unpack)(uint8_t* output, size_t outputCapacity, const uint8_t* input,
                     size_t inputLength);
};

// The table for one level, or null when this build or this processor cannot
// run it.
const EncodeKernels* EncodeKernelsFor(CpuLevel level);
const DecodeKernels* DecodeKernelsFor(CpuLevel level);

// The table of the best level the processor runs, chosen on first use.
const EncodeKernels* EncodeKernelsBest();
const DecodeKernels* DecodeKernelsBest();

// The tables themselves; null where the build has no such code.
extern const EncodeKernels ENCODE_KERNELS_SCALAR;
extern const DecodeKernels DECODE_KERNELS_SCALAR;
const EncodeKernels* EncodeKernelsSse2();
const DecodeKernels* DecodeKernelsSse2();
const EncodeKernels* EncodeKernelsAvx2();
const DecodeKernels* DecodeKernelsAvx2();
