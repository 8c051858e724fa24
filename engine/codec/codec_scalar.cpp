// Plain C++ kernels: what processors without SSE2 run, and the per-element
// meaning of every kernel that the vector tables must match.
#include <cstring>

#include "codec/codec_kernels.h"
#include "codec/run_length.h"

static int BytesEqualScalar(const uint8_t* a, const uint8_t* b, size_t n) {
    return n == 0 || std::memcmp(a, b, n) == 0;
}

static void SplitKeyScalar(const uint32_t* pixels, size_t count, uint8_t* red, uint8_t* green,
                           uint8_t* blue) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(pixels);
    for (size_t x = 0; x < count; x++) {
        red[x] = bytes[x * 4 + 2];
        green[x] = bytes[x * 4 + 1];
        blue[x] = bytes[x * 4];
    }
}

static void SplitDeltaScalar(const uint32_t* now, const uint32_t* before, size_t count,
                             uint8_t* red, uint8_t* green, uint8_t* blue) {
    const uint8_t* a = reinterpret_cast<const uint8_t*>(now);
    const uint8_t* b = reinterpret_cast<const uint8_t*>(before);
    for (size_t x = 0; x < count; x++) {
        red[x] = static_cast<uint8_t>(a[x * 4 + 2] - b[x * 4 + 2]);
        green[x] = static_cast<uint8_t>(a[x * 4 + 1] - b[x * 4 + 1]);
        blue[x] = static_cast<uint8_t>(a[x * 4] - b[x * 4]);
    }
}

static void MergeKeyScalar(uint32_t* pixels, size_t count, const uint8_t* red, const uint8_t* green,
                           const uint8_t* blue) {
    uint8_t* bytes = reinterpret_cast<uint8_t*>(pixels);
    for (size_t x = 0; x < count; x++) {
        bytes[x * 4 + 2] = red[x];
        bytes[x * 4 + 1] = green[x];
        bytes[x * 4] = blue[x];
    }
}

static void MergeDeltaScalar(uint32_t* pixels, size_t count, const uint8_t* red,
                             const uint8_t* green, const uint8_t* blue) {
    uint8_t* bytes = reinterpret_cast<uint8_t*>(pixels);
    for (size_t x = 0; x < count; x++) {
        bytes[x * 4 + 2] = static_cast<uint8_t>(bytes[x * 4 + 2] + red[x]);
        bytes[x * 4 + 1] = static_cast<uint8_t>(bytes[x * 4 + 1] + green[x]);
        bytes[x * 4] = static_cast<uint8_t>(bytes[x * 4] + blue[x]);
    }
}

static size_t RunLengthScalar(const uint8_t* s, size_t n) {
    size_t r = 1;
    while (r < n && s[r] == s[0]) r++;
    return r;
}

static size_t FiveEqualSearchScalar(const uint8_t* s, size_t limit) {
    for (size_t j = 0; j < limit; j++)
        if (s[j] == s[j + 1] && s[j] == s[j + 2] && s[j] == s[j + 3] && s[j] == s[j + 4]) return j;
    return limit;
}

const EncodeKernels ENCODE_KERNELS_SCALAR = {
    CPU_LEVEL_SCALAR, BytesEqualScalar,      SplitKeyScalar,      SplitDeltaScalar,
    RunLengthScalar,  FiveEqualSearchScalar, RunLengthPackScalar,
};

const DecodeKernels DECODE_KERNELS_SCALAR = {
    CPU_LEVEL_SCALAR,
    MergeKeyScalar,
    MergeDeltaScalar,
    RunLengthUnpackScalar,
};
