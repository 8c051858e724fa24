#include "codec/codec_kernels.h"

#include <atomic>

const EncodeKernels* EncodeKernelsFor(CpuLevel level) {
    if (level > CpuDetectLevel()) return nullptr;
    switch (level) {
        case CPU_LEVEL_SCALAR: return &ENCODE_KERNELS_SCALAR;
        case CPU_LEVEL_SSE2: return EncodeKernelsSse2();
        case CPU_LEVEL_AVX2: return EncodeKernelsAvx2();
    }
    return nullptr;
}

const DecodeKernels* DecodeKernelsFor(CpuLevel level) {
    if (level > CpuDetectLevel()) return nullptr;
    switch (level) {
        case CPU_LEVEL_SCALAR: return &DECODE_KERNELS_SCALAR;
        case CPU_LEVEL_SSE2: return DecodeKernelsSse2();
        case CPU_LEVEL_AVX2: return DecodeKernelsAvx2();
    }
    return nullptr;
}

// Any thread may get here first; each computes the same table, so a race
// only repeats the detection.
const EncodeKernels* EncodeKernelsBest() {
    static std::atomic<const EncodeKernels*> chosen{nullptr};
    const EncodeKernels* kernels = chosen.load(std::memory_order_acquire);
    if (!kernels) {
        int level = CpuDetectLevel();
        while (!(kernels = EncodeKernelsFor(static_cast<CpuLevel>(level)))) level--;
        chosen.store(kernels, std::memory_order_release);
    }
    return kernels;
}

const DecodeKernels* DecodeKernelsBest() {
    static std::atomic<const DecodeKernels*> chosen{nullptr};
    const DecodeKernels* kernels = chosen.load(std::memory_order_acquire);
    if (!kernels) {
        int level = CpuDetectLevel();
        while (!(kernels = DecodeKernelsFor(static_cast<CpuLevel>(level)))) level--;
        chosen.store(kernels, std::memory_order_release);
    }
    return kernels;
}
