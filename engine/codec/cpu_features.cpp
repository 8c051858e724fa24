#include "codec/cpu_features.h"

#if (defined(__i386__) || defined(__x86_64__)) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>

// The compiler's own run-time check pulls a table-driven detector of every
// feature into each program (about 5 KB in the 32-bit player); the three
// bits the codec needs are asked for here directly.
static CpuLevel DetectX86() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    // On a 32-bit processor without CPUID this reports 0 and nothing is used.
    unsigned highest = __get_cpuid_max(0, nullptr);
    if (highest < 1) return CPU_LEVEL_SCALAR;
    __cpuid(1, eax, ebx, ecx, edx);
    bool sse2 = (edx & bit_SSE2) != 0;
    if (!sse2) return CPU_LEVEL_SCALAR;
    // AVX2 is usable only when the system saves the wide registers on a
    // thread switch: it says so through XGETBV, which OSXSAVE allows.
    bool avx = (ecx & bit_AVX) != 0 && (ecx & bit_OSXSAVE) != 0;
    if (!avx || highest < 7) return CPU_LEVEL_SSE2;
    unsigned low = 0, high = 0;
    __asm__ volatile(".byte 0x0f, 0x01, 0xd0" : "=a"(low), "=d"(high) : "c"(0));
    const unsigned savedSseAndYmm = 0x6;
    if ((low & savedSseAndYmm) != savedSseAndYmm) return CPU_LEVEL_SSE2;
    __cpuid_count(7, 0, eax, ebx, ecx, edx);
    return (ebx & bit_AVX2) != 0 ? CPU_LEVEL_AVX2 : CPU_LEVEL_SSE2;
}
#endif

CpuLevel CpuDetectLevel() {
#if (defined(__i386__) || defined(__x86_64__)) && (defined(__GNUC__) || defined(__clang__))
    return DetectX86();
#else
    return CPU_LEVEL_SCALAR;
#endif
}

const char* CpuLevelName(CpuLevel level) {
    switch (level) {
        case CPU_LEVEL_SCALAR: return "scalar";
        case CPU_LEVEL_SSE2: return "sse2";
        case CPU_LEVEL_AVX2: return "avx2";
    }
    return "unknown";
}
