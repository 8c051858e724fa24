#include "codec_kernels.h"

#include <atomic>

const CodecKernels* CodecKernelsFor(CpuLevel level) {
    if (level > CpuDetectLevel()) return nullptr;
    switch (level) {
        case CPU_LEVEL_SCALAR: return &CODEC_KERNELS_SCALAR;
        case CPU_LEVEL_SSE2: return CodecKernelsSse2();
        case CPU_LEVEL_AVX2: return CodecKernelsAvx2();
    }
    return nullptr;
}

const CodecKernels* CodecKernelsBest() {
    // Any thread may get here first; each computes the same table, so a race
    // only repeats the detection.
    static std::atomic<const CodecKernels*> chosen{nullptr};
    const CodecKernels* kernels = chosen.load(std::memory_order_acquire);
    if (!kernels) {
        int level = CpuDetectLevel();
        while (!(kernels = CodecKernelsFor(static_cast<CpuLevel>(level)))) level--;
        chosen.store(kernels, std::memory_order_release);
    }
    return kernels;
}
