// The unpacker on arbitrary streams: never a write beyond the capacity or a
// read beyond the input (AddressSanitizer watches both buffers, each allocated
// at its exact size), and a smaller capacity gives a prefix of what a larger
// one gives. Input: capacity (2 bytes, little-endian), then the stream.
#include <cstring>
#include <vector>

#include "codec/codec_kernels.h"
#include "fuzz_check.h"
#include "codec/run_length.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t capacity = data[0] | (data[1] << 8);
    std::vector<uint8_t> stream(data + 2, data + size);
    const uint8_t* input = stream.empty() ? nullptr : stream.data();

    uint8_t* small = new uint8_t[capacity + 1];
    size_t smallProduced = RunLengthUnpack(small, capacity, input, stream.size());
    FUZZ_CHECK(smallProduced <= capacity);

    size_t largeCapacity = capacity * 3 + 1000;
    uint8_t* large = new uint8_t[largeCapacity];
    size_t largeProduced = RunLengthUnpack(large, largeCapacity, input, stream.size());
    FUZZ_CHECK(largeProduced <= largeCapacity);
    FUZZ_CHECK(smallProduced == (largeProduced < capacity ? largeProduced : capacity));
    FUZZ_CHECK(std::memcmp(small, large, smallProduced) == 0);

    // Every instruction set the processor runs produces the reference's bytes.
    size_t referenceProduced = RunLengthUnpackScalar(large, largeCapacity, input, stream.size());
    FUZZ_CHECK(referenceProduced == largeProduced);
    for (int level = CPU_LEVEL_SCALAR; level <= CPU_LEVEL_AVX2; level++) {
        const DecodeKernels* decoder = DecodeKernelsFor(static_cast<CpuLevel>(level));
        if (!decoder) continue;
        uint8_t* other = new uint8_t[capacity + 1];
        FUZZ_CHECK(RunLengthUnpackWith(decoder, other, capacity, input, stream.size()) ==
                   smallProduced);
        FUZZ_CHECK(std::memcmp(other, small, smallProduced) == 0);
        delete[] other;
    }

    delete[] large;
    delete[] small;
    return 0;
}
