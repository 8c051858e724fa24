// Which vector instruction sets the processor offers, so that the codec and
// the packer can pick their fastest implementation once at run time. The
// levels are ordered: a processor with AVX2 also has SSE2.
#pragma once

enum CpuLevel {
    CPU_LEVEL_SCALAR = 0,
    CPU_LEVEL_SSE2 = 1,
    CPU_LEVEL_AVX2 = 2,
};

// The best level this processor and its operating system support (AVX2 needs
// the system to save the wide registers). Always CPU_LEVEL_SCALAR on
// processors other than x86.
CpuLevel CpuDetectLevel();

// Name of a level for test and benchmark output: "scalar", "sse2", "avx2".
const char* CpuLevelName(CpuLevel level);

// Vector code keeps 16-byte values on the stack. The 32-bit Windows ABI
// promises only 4-byte stack alignment, so every entry into vector code that
// a thread entry or callback may reach realigns the stack itself.
#if defined(__i386__)
#define VECTOR_ENTRY __attribute__((force_align_arg_pointer))
#else
#define VECTOR_ENTRY
#endif
