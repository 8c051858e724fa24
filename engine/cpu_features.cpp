#include "cpu_features.h"

CpuLevel CpuDetectLevel() {
#if (defined(__i386__) || defined(__x86_64__)) && (defined(__GNUC__) || defined(__clang__))
    // The compiler's run-time check also asks the system (XGETBV) whether it
    // saves the AVX registers before it reports AVX2.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return CPU_LEVEL_AVX2;
    if (__builtin_cpu_supports("sse2")) return CPU_LEVEL_SSE2;
#endif
    return CPU_LEVEL_SCALAR;
}

const char* CpuLevelName(CpuLevel level) {
    switch (level) {
        case CPU_LEVEL_SCALAR: return "scalar";
        case CPU_LEVEL_SSE2: return "sse2";
        case CPU_LEVEL_AVX2: return "avx2";
    }
    return "unknown";
}
