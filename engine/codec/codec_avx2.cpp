// AVX2 kernels, chosen at run time on processors (and systems) that have
// AVX2. The instruction set is enabled per function, so that nothing else in
// the program is compiled for it and older processors never meet it.
#include "codec/codec_kernels.h"

#if defined(__i386__) || defined(__x86_64__)

#include <immintrin.h>

#include <cstring>

#include "byte_order.h"
#include "codec/short_moves.h"

#define AVX2 __attribute__((target("avx2")))

static inline AVX2 __m256i Load(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

static inline AVX2 void Store(void* p, __m256i v) {
    _mm256_storeu_si256(static_cast<__m256i*>(p), v);
}

static AVX2 VECTOR_ENTRY int BytesEqualAvx2(const uint8_t* a, const uint8_t* b, size_t n) {
    if (n < 32) return EncodeKernelsSse2()->bytesEqual(a, b, n);
    size_t i = 0;
    for (; i + 128 <= n; i += 128) {
        __m256i d =
            _mm256_or_si256(_mm256_or_si256(_mm256_xor_si256(Load(a + i), Load(b + i)),
                                            _mm256_xor_si256(Load(a + i + 32), Load(b + i + 32))),
                            _mm256_or_si256(_mm256_xor_si256(Load(a + i + 64), Load(b + i + 64)),
                                            _mm256_xor_si256(Load(a + i + 96), Load(b + i + 96))));
        if (!_mm256_testz_si256(d, d)) return 0;
    }
    for (; i + 32 <= n; i += 32) {
        __m256i d = _mm256_xor_si256(Load(a + i), Load(b + i));
        if (!_mm256_testz_si256(d, d)) return 0;
    }
    if (i < n) {
        __m256i d = _mm256_xor_si256(Load(a + n - 32), Load(b + n - 32));
        if (!_mm256_testz_si256(d, d)) return 0;
    }
    return 1;
}

// Splits 32 pixels (four vectors of eight) into 32 bytes of each channel. The
// packs work within 128-bit halves, which leaves groups of four pixels in the
// order 0, 2, 4, 6, 1, 3, 5, 7; one permutation puts them back.
static inline AVX2 void Split32(__m256i a0, __m256i a1, __m256i a2, __m256i a3, uint8_t* red,
                                uint8_t* green, uint8_t* blue) {
    const __m256i low = _mm256_set1_epi16(0x00FF);
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    __m256i br01 = _mm256_packus_epi16(_mm256_and_si256(a0, low), _mm256_and_si256(a1, low));
    __m256i br23 = _mm256_packus_epi16(_mm256_and_si256(a2, low), _mm256_and_si256(a3, low));
    __m256i gx01 = _mm256_packus_epi16(_mm256_srli_epi16(a0, 8), _mm256_srli_epi16(a1, 8));
    __m256i gx23 = _mm256_packus_epi16(_mm256_srli_epi16(a2, 8), _mm256_srli_epi16(a3, 8));
    __m256i b = _mm256_packus_epi16(_mm256_and_si256(br01, low), _mm256_and_si256(br23, low));
    __m256i r = _mm256_packus_epi16(_mm256_srli_epi16(br01, 8), _mm256_srli_epi16(br23, 8));
    __m256i g = _mm256_packus_epi16(_mm256_and_si256(gx01, low), _mm256_and_si256(gx23, low));
    Store(blue, _mm256_permutevar8x32_epi32(b, order));
    Store(red, _mm256_permutevar8x32_epi32(r, order));
    Store(green, _mm256_permutevar8x32_epi32(g, order));
}

static AVX2 VECTOR_ENTRY void SplitKeyAvx2(const uint32_t* pixels, size_t count, uint8_t* red,
                                           uint8_t* green, uint8_t* blue) {
    size_t x = 0;
    for (; x + 32 <= count; x += 32)
        Split32(Load(pixels + x), Load(pixels + x + 8), Load(pixels + x + 16),
                Load(pixels + x + 24), red + x, green + x, blue + x);
    EncodeKernelsSse2()->splitKey(pixels + x, count - x, red + x, green + x, blue + x);
}

static AVX2 VECTOR_ENTRY void SplitDeltaAvx2(const uint32_t* now, const uint32_t* before,
                                             size_t count, uint8_t* red, uint8_t* green,
                                             uint8_t* blue) {
    size_t x = 0;
    for (; x + 32 <= count; x += 32) {
        __m256i d0 = _mm256_sub_epi8(Load(now + x), Load(before + x));
        __m256i d1 = _mm256_sub_epi8(Load(now + x + 8), Load(before + x + 8));
        __m256i d2 = _mm256_sub_epi8(Load(now + x + 16), Load(before + x + 16));
        __m256i d3 = _mm256_sub_epi8(Load(now + x + 24), Load(before + x + 24));
        // Unchanged stretches, most of a delta frame, give zeros at once.
        __m256i any = _mm256_or_si256(_mm256_or_si256(d0, d1), _mm256_or_si256(d2, d3));
        if (_mm256_testz_si256(any, any)) {
            Store(red + x, any);
            Store(green + x, any);
            Store(blue + x, any);
        } else {
            Split32(d0, d1, d2, d3, red + x, green + x, blue + x);
        }
    }
    EncodeKernelsSse2()->splitDelta(now + x, before + x, count - x, red + x, green + x, blue + x);
}

// Interleaves 32 bytes of each channel into 32 pixels with a zero fourth
// byte. The unpacks work within 128-bit halves; the lane swaps at the end put
// the groups of four pixels back in order.
static inline AVX2 void Merge32(const uint8_t* red, const uint8_t* green, const uint8_t* blue,
                                __m256i* p) {
    __m256i r = Load(red), g = Load(green), b = Load(blue), zero = _mm256_setzero_si256();
    __m256i bgLow = _mm256_unpacklo_epi8(b, g), bgHigh = _mm256_unpackhi_epi8(b, g);
    __m256i rzLow = _mm256_unpacklo_epi8(r, zero), rzHigh = _mm256_unpackhi_epi8(r, zero);
    __m256i q0 = _mm256_unpacklo_epi16(bgLow, rzLow);    // pixels 0-3 and 16-19
    __m256i q1 = _mm256_unpackhi_epi16(bgLow, rzLow);    // 4-7 and 20-23
    __m256i q2 = _mm256_unpacklo_epi16(bgHigh, rzHigh);  // 8-11 and 24-27
    __m256i q3 = _mm256_unpackhi_epi16(bgHigh, rzHigh);  // 12-15 and 28-31
    p[0] = _mm256_permute2x128_si256(q0, q1, 0x20);
    p[1] = _mm256_permute2x128_si256(q2, q3, 0x20);
    p[2] = _mm256_permute2x128_si256(q0, q1, 0x31);
    p[3] = _mm256_permute2x128_si256(q2, q3, 0x31);
}

static AVX2 VECTOR_ENTRY void MergeKeyAvx2(uint32_t* pixels, size_t count, const uint8_t* red,
                                           const uint8_t* green, const uint8_t* blue) {
    const __m256i fourth = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    size_t x = 0;
    for (; x + 32 <= count; x += 32) {
        __m256i p[4];
        Merge32(red + x, green + x, blue + x, p);
        for (int k = 0; k < 4; k++)
            Store(pixels + x + 8 * k,
                  _mm256_or_si256(_mm256_and_si256(Load(pixels + x + 8 * k), fourth), p[k]));
    }
    DecodeKernelsSse2()->mergeKey(pixels + x, count - x, red + x, green + x, blue + x);
}

static AVX2 VECTOR_ENTRY void MergeDeltaAvx2(uint32_t* pixels, size_t count, const uint8_t* red,
                                             const uint8_t* green, const uint8_t* blue) {
    size_t x = 0;
    for (; x + 32 <= count; x += 32) {
        // Zero differences, most of a delta frame, leave the pixels alone.
        __m256i any =
            _mm256_or_si256(_mm256_or_si256(Load(red + x), Load(green + x)), Load(blue + x));
        if (_mm256_testz_si256(any, any)) continue;
        __m256i p[4];
        Merge32(red + x, green + x, blue + x, p);
        for (int k = 0; k < 4; k++)
            Store(pixels + x + 8 * k, _mm256_add_epi8(Load(pixels + x + 8 * k), p[k]));
    }
    DecodeKernelsSse2()->mergeDelta(pixels + x, count - x, red + x, green + x, blue + x);
}

static inline __attribute__((always_inline)) AVX2 VECTOR_ENTRY size_t
RunLengthAvx2(const uint8_t* s, size_t n) {
    __m256i value = _mm256_set1_epi8(static_cast<char>(s[0]));
    size_t i = 0;
    // Most runs are short and end within the first 32 bytes. Long runs
    // (unchanged areas of a delta frame) are checked 128 bytes at a time; the
    // 32-byte steps then find where the run ends.
    if (n >= 32) {
        unsigned differ =
            ~static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(Load(s), value)));
        if (differ) return static_cast<size_t>(__builtin_ctz(differ));
        i = 32;
    }
    for (; i + 128 <= n; i += 128) {
        __m256i same =
            _mm256_and_si256(_mm256_and_si256(_mm256_cmpeq_epi8(Load(s + i), value),
                                              _mm256_cmpeq_epi8(Load(s + i + 32), value)),
                             _mm256_and_si256(_mm256_cmpeq_epi8(Load(s + i + 64), value),
                                              _mm256_cmpeq_epi8(Load(s + i + 96), value)));
        if (_mm256_movemask_epi8(same) != -1) break;
    }
    for (; i + 32 <= n; i += 32) {
        unsigned differ =
            ~static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(Load(s + i), value)));
        if (differ) return i + static_cast<size_t>(__builtin_ctz(differ));
    }
    while (i < n && s[i] == s[0]) i++;
    return i;
}

static inline __attribute__((always_inline)) AVX2 VECTOR_ENTRY size_t
FiveEqualSearchAvx2(const uint8_t* s, size_t limit) {
    size_t j = 0;
    for (; j + 32 <= limit; j += 32) {
        __m256i a = Load(s + j);
        __m256i equal = _mm256_and_si256(_mm256_and_si256(_mm256_cmpeq_epi8(a, Load(s + j + 1)),
                                                          _mm256_cmpeq_epi8(a, Load(s + j + 2))),
                                         _mm256_and_si256(_mm256_cmpeq_epi8(a, Load(s + j + 3)),
                                                          _mm256_cmpeq_epi8(a, Load(s + j + 4))));
        unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(equal));
        if (mask) return j + static_cast<size_t>(__builtin_ctz(mask));
    }
    if (j + 16 <= limit) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j));
        __m128i equal = _mm_and_si128(
            _mm_and_si128(
                _mm_cmpeq_epi8(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j + 1))),
                _mm_cmpeq_epi8(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j + 2)))),
            _mm_and_si128(
                _mm_cmpeq_epi8(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j + 3))),
                _mm_cmpeq_epi8(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j + 4)))));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(equal));
        if (mask) return j + static_cast<size_t>(__builtin_ctz(mask));
        j += 16;
    }
    for (; j < limit; j++)
        if (s[j] == s[j + 1] && s[j] == s[j + 2] && s[j] == s[j + 3] && s[j] == s[j + 4]) break;
    return j;
}

// Copies count bytes, writing exactly those: 32-byte moves with the last one
// overlapping the one before, shorter copies by the SSE2 path's rules.
static inline AVX2 void CopyBytes(uint8_t* out, const uint8_t* in, size_t count) {
    if (count >= 32) {
        size_t i = 0;
        for (; i + 32 < count; i += 32) Store(out + i, Load(in + i));
        Store(out + count - 32, Load(in + count - 32));
    } else if (count >= 16) {
        __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + count - 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), head);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + count - 16), tail);
    } else {
        CopyShort(out, in, count);
    }
}

static inline AVX2 void FillBytes(uint8_t* out, uint8_t value, size_t count) {
    if (count >= 32) {
        __m256i v = _mm256_set1_epi8(static_cast<char>(value));
        size_t i = 0;
        for (; i + 128 <= count; i += 128) {
            Store(out + i, v);
            Store(out + i + 32, v);
            Store(out + i + 64, v);
            Store(out + i + 96, v);
        }
        for (; i + 32 < count; i += 32) Store(out + i, v);
        Store(out + count - 32, v);
    } else if (count >= 16) {
        __m128i v = _mm_set1_epi8(static_cast<char>(value));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + count - 16), v);
    } else {
        FillShort(out, value, count);
    }
}

static inline AVX2 void CopyWide(uint8_t* out, const uint8_t* in, size_t count) {
    Store(out, Load(in));
    for (size_t i = 32; i < count; i += 32) Store(out + i, Load(in + i));
}

static inline AVX2 void FillWide(uint8_t* out, uint8_t value, size_t count) {
    __m256i v = _mm256_set1_epi8(static_cast<char>(value));
    Store(out, v);
    for (size_t i = 32; i < count; i += 32) Store(out + i, v);
}

static inline AVX2 uint64_t EqualMask(const uint8_t* s) {
    uint32_t low =
        static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(Load(s), Load(s + 1))));
    uint32_t high =
        static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(Load(s + 32), Load(s + 33))));
    return low | (static_cast<uint64_t>(high) << 32);
}

#define KERNEL_TARGET AVX2
#define PACK_FUNCTION PackAvx2
#define UNPACK_FUNCTION UnpackAvx2
#define RunAt RunLengthAvx2
#define FiveEqualAt FiveEqualSearchAvx2
#include "codec/run_length_loops.inc"

static const EncodeKernels ENCODE_KERNELS_AVX2 = {
    CPU_LEVEL_AVX2, BytesEqualAvx2,      SplitKeyAvx2, SplitDeltaAvx2,
    RunLengthAvx2,  FiveEqualSearchAvx2, PackAvx2,
};

static const DecodeKernels DECODE_KERNELS_AVX2 = {
    CPU_LEVEL_AVX2,
    MergeKeyAvx2,
    MergeDeltaAvx2,
    UnpackAvx2,
};

const EncodeKernels* EncodeKernelsAvx2() { return &ENCODE_KERNELS_AVX2; }
const DecodeKernels* DecodeKernelsAvx2() { return &DECODE_KERNELS_AVX2; }

#else

const EncodeKernels* EncodeKernelsAvx2() { return nullptr; }
const DecodeKernels* DecodeKernelsAvx2() { return nullptr; }

#endif
