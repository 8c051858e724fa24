// SSE2 kernels: the baseline of every x86 processor the programs run on. The
// instruction set is enabled per function, so that nothing else in the
// program (inline functions of shared headers included) is compiled for it.
#include "codec/codec_kernels.h"

#if defined(__i386__) || defined(__x86_64__)

#include <emmintrin.h>

#include <cstring>

#include "byte_order.h"
#include "codec/short_moves.h"

#define SSE2 __attribute__((target("sse2")))

static inline SSE2 __m128i Load(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

static inline SSE2 void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

static SSE2 VECTOR_ENTRY int BytesEqualSse2(const uint8_t* a, const uint8_t* b, size_t n) {
    if (n < 16) return n == 0 || std::memcmp(a, b, n) == 0;
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        __m128i d = _mm_or_si128(_mm_or_si128(_mm_xor_si128(Load(a + i), Load(b + i)),
                                              _mm_xor_si128(Load(a + i + 16), Load(b + i + 16))),
                                 _mm_or_si128(_mm_xor_si128(Load(a + i + 32), Load(b + i + 32)),
                                              _mm_xor_si128(Load(a + i + 48), Load(b + i + 48))));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(d, _mm_setzero_si128())) != 0xFFFF) return 0;
    }
    for (; i + 16 <= n; i += 16)
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(Load(a + i), Load(b + i))) != 0xFFFF) return 0;
    if (i < n && _mm_movemask_epi8(_mm_cmpeq_epi8(Load(a + n - 16), Load(b + n - 16))) != 0xFFFF)
        return 0;
    return 1;
}

// Splits 16 pixels (four vectors of four) into 16 bytes of each channel.
static inline SSE2 void Split16(__m128i a0, __m128i a1, __m128i a2, __m128i a3, uint8_t* red,
                                uint8_t* green, uint8_t* blue) {
    const __m128i low = _mm_set1_epi16(0x00FF);
    // 16-bit lanes of (blue, red) and of (green, fourth byte), four pixels each.
    __m128i br01 = _mm_packus_epi16(_mm_and_si128(a0, low), _mm_and_si128(a1, low));
    __m128i br23 = _mm_packus_epi16(_mm_and_si128(a2, low), _mm_and_si128(a3, low));
    __m128i gx01 = _mm_packus_epi16(_mm_srli_epi16(a0, 8), _mm_srli_epi16(a1, 8));
    __m128i gx23 = _mm_packus_epi16(_mm_srli_epi16(a2, 8), _mm_srli_epi16(a3, 8));
    Store(blue, _mm_packus_epi16(_mm_and_si128(br01, low), _mm_and_si128(br23, low)));
    Store(red, _mm_packus_epi16(_mm_srli_epi16(br01, 8), _mm_srli_epi16(br23, 8)));
    Store(green, _mm_packus_epi16(_mm_and_si128(gx01, low), _mm_and_si128(gx23, low)));
}

static SSE2 VECTOR_ENTRY void SplitKeySse2(const uint32_t* pixels, size_t count, uint8_t* red,
                                           uint8_t* green, uint8_t* blue) {
    size_t x = 0;
    for (; x + 16 <= count; x += 16)
        Split16(Load(pixels + x), Load(pixels + x + 4), Load(pixels + x + 8), Load(pixels + x + 12),
                red + x, green + x, blue + x);
    ENCODE_KERNELS_SCALAR.splitKey(pixels + x, count - x, red + x, green + x, blue + x);
}

static SSE2 VECTOR_ENTRY void SplitDeltaSse2(const uint32_t* now, const uint32_t* before,
                                             size_t count, uint8_t* red, uint8_t* green,
                                             uint8_t* blue) {
    size_t x = 0;
    for (; x + 16 <= count; x += 16) {
        __m128i d0 = _mm_sub_epi8(Load(now + x), Load(before + x));
        __m128i d1 = _mm_sub_epi8(Load(now + x + 4), Load(before + x + 4));
        __m128i d2 = _mm_sub_epi8(Load(now + x + 8), Load(before + x + 8));
        __m128i d3 = _mm_sub_epi8(Load(now + x + 12), Load(before + x + 12));
        // Unchanged stretches, most of a delta frame, give zeros at once.
        __m128i any = _mm_or_si128(_mm_or_si128(d0, d1), _mm_or_si128(d2, d3));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) == 0xFFFF) {
            Store(red + x, any);
            Store(green + x, any);
            Store(blue + x, any);
        } else {
            Split16(d0, d1, d2, d3, red + x, green + x, blue + x);
        }
    }
    ENCODE_KERNELS_SCALAR.splitDelta(now + x, before + x, count - x, red + x, green + x, blue + x);
}

// Interleaves 16 bytes of each channel into 16 pixels with a zero fourth byte.
static inline SSE2 void Merge16(const uint8_t* red, const uint8_t* green, const uint8_t* blue,
                                __m128i* p) {
    __m128i r = Load(red), g = Load(green), b = Load(blue), zero = _mm_setzero_si128();
    __m128i bgLow = _mm_unpacklo_epi8(b, g), bgHigh = _mm_unpackhi_epi8(b, g);
    __m128i rzLow = _mm_unpacklo_epi8(r, zero), rzHigh = _mm_unpackhi_epi8(r, zero);
    p[0] = _mm_unpacklo_epi16(bgLow, rzLow);
    p[1] = _mm_unpackhi_epi16(bgLow, rzLow);
    p[2] = _mm_unpacklo_epi16(bgHigh, rzHigh);
    p[3] = _mm_unpackhi_epi16(bgHigh, rzHigh);
}

static SSE2 VECTOR_ENTRY void MergeKeySse2(uint32_t* pixels, size_t count, const uint8_t* red,
                                           const uint8_t* green, const uint8_t* blue) {
    const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    size_t x = 0;
    for (; x + 16 <= count; x += 16) {
        __m128i p[4];
        Merge16(red + x, green + x, blue + x, p);
        for (int k = 0; k < 4; k++)
            Store(pixels + x + 4 * k,
                  _mm_or_si128(_mm_and_si128(Load(pixels + x + 4 * k), fourth), p[k]));
    }
    DECODE_KERNELS_SCALAR.mergeKey(pixels + x, count - x, red + x, green + x, blue + x);
}

static SSE2 VECTOR_ENTRY void MergeDeltaSse2(uint32_t* pixels, size_t count, const uint8_t* red,
                                             const uint8_t* green, const uint8_t* blue) {
    size_t x = 0;
    for (; x + 16 <= count; x += 16) {
        // Zero differences, most of a delta frame, leave the pixels alone.
        __m128i any = _mm_or_si128(_mm_or_si128(Load(red + x), Load(green + x)), Load(blue + x));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) == 0xFFFF) continue;
        __m128i p[4];
        Merge16(red + x, green + x, blue + x, p);
        for (int k = 0; k < 4; k++)
            Store(pixels + x + 4 * k, _mm_add_epi8(Load(pixels + x + 4 * k), p[k]));
    }
    DECODE_KERNELS_SCALAR.mergeDelta(pixels + x, count - x, red + x, green + x, blue + x);
}

static inline __attribute__((always_inline)) SSE2 VECTOR_ENTRY size_t
RunLengthSse2(const uint8_t* s, size_t n) {
    __m128i value = _mm_set1_epi8(static_cast<char>(s[0]));
    size_t i = 0;
    // Most runs are short and end within the first 16 bytes. Long runs
    // (unchanged areas of a delta frame) are checked 64 bytes at a time; the
    // 16-byte steps then find where the run ends.
    if (n >= 16) {
        unsigned differ =
            ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load(s), value))) & 0xFFFF;
        if (differ) return static_cast<size_t>(__builtin_ctz(differ));
        i = 16;
    }
    for (; i + 64 <= n; i += 64) {
        __m128i same = _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(Load(s + i), value),
                                                   _mm_cmpeq_epi8(Load(s + i + 16), value)),
                                     _mm_and_si128(_mm_cmpeq_epi8(Load(s + i + 32), value),
                                                   _mm_cmpeq_epi8(Load(s + i + 48), value)));
        if (_mm_movemask_epi8(same) != 0xFFFF) break;
    }
    for (; i + 16 <= n; i += 16) {
        unsigned differ =
            ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load(s + i), value))) & 0xFFFF;
        if (differ) return i + static_cast<size_t>(__builtin_ctz(differ));
    }
    while (i < n && s[i] == s[0]) i++;
    return i;
}

static inline __attribute__((always_inline)) SSE2 VECTOR_ENTRY size_t
FiveEqualSearchSse2(const uint8_t* s, size_t limit) {
    size_t j = 0;
    for (; j + 16 <= limit; j += 16) {
        __m128i a = Load(s + j);
        __m128i equal = _mm_and_si128(
            _mm_and_si128(_mm_cmpeq_epi8(a, Load(s + j + 1)), _mm_cmpeq_epi8(a, Load(s + j + 2))),
            _mm_and_si128(_mm_cmpeq_epi8(a, Load(s + j + 3)), _mm_cmpeq_epi8(a, Load(s + j + 4))));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(equal));
        if (mask) return j + static_cast<size_t>(__builtin_ctz(mask));
    }
    for (; j < limit; j++)
        if (s[j] == s[j + 1] && s[j] == s[j + 2] && s[j] == s[j + 3] && s[j] == s[j + 4]) break;
    return j;
}

// Copies count bytes with 16-byte moves, the last one overlapping the one
// before; writes exactly count bytes.
static inline SSE2 void CopyBytes(uint8_t* out, const uint8_t* in, size_t count) {
    if (count >= 16) {
        size_t i = 0;
        for (; i + 16 < count; i += 16) Store(out + i, Load(in + i));
        Store(out + count - 16, Load(in + count - 16));
    } else {
        CopyShort(out, in, count);
    }
}

static inline SSE2 void FillBytes(uint8_t* out, uint8_t value, size_t count) {
    if (count >= 16) {
        __m128i v = _mm_set1_epi8(static_cast<char>(value));
        size_t i = 0;
        for (; i + 64 <= count; i += 64) {
            Store(out + i, v);
            Store(out + i + 16, v);
            Store(out + i + 32, v);
            Store(out + i + 48, v);
        }
        for (; i + 16 < count; i += 16) Store(out + i, v);
        Store(out + count - 16, v);
    } else {
        FillShort(out, value, count);
    }
}

static inline SSE2 void CopyWide(uint8_t* out, const uint8_t* in, size_t count) {
    Store(out, Load(in));
    for (size_t i = 16; i < count; i += 16) Store(out + i, Load(in + i));
}

static inline SSE2 void FillWide(uint8_t* out, uint8_t value, size_t count) {
    __m128i v = _mm_set1_epi8(static_cast<char>(value));
    Store(out, v);
    for (size_t i = 16; i < count; i += 16) Store(out + i, v);
}

static inline SSE2 uint64_t EqualMask(const uint8_t* s) {
    uint64_t mask = 0;
    for (int k = 0; k < 4; k++) {
        unsigned bits = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(Load(s + 16 * k), Load(s + 16 * k + 1))));
        mask |= static_cast<uint64_t>(bits) << (16 * k);
    }
    return mask;
}

#define KERNEL_TARGET SSE2
#define PACK_FUNCTION PackSse2
#define UNPACK_FUNCTION UnpackSse2
#define RunAt RunLengthSse2
#define FiveEqualAt FiveEqualSearchSse2
#include "codec/run_length_loops.inc"

static const EncodeKernels ENCODE_KERNELS_SSE2 = {
    CPU_LEVEL_SSE2, BytesEqualSse2,      SplitKeySse2, SplitDeltaSse2,
    RunLengthSse2,  FiveEqualSearchSse2, PackSse2,
};

static const DecodeKernels DECODE_KERNELS_SSE2 = {
    CPU_LEVEL_SSE2,
    MergeKeySse2,
    MergeDeltaSse2,
    UnpackSse2,
};

const EncodeKernels* EncodeKernelsSse2() { return &ENCODE_KERNELS_SSE2; }
const DecodeKernels* DecodeKernelsSse2() { return &DECODE_KERNELS_SSE2; }

#else

const EncodeKernels* EncodeKernelsSse2() { return nullptr; }
const DecodeKernels* DecodeKernelsSse2() { return nullptr; }

#endif
