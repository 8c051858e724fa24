// Packing then unpacking gives the input back, within RunLengthPackBound, and
// PackFrameData either leaves the record alone or packs it no longer than the
// data. Input: a mode byte, then either the data itself (even mode) or pairs
// of (length code, value) that spell runs, so that the 128/129 and 131072
// boundaries are reachable from small inputs.
#include <cstring>
#include <vector>

#include "codec/codec_kernels.h"
#include "fuzz_check.h"
#include "codec/run_length.h"

static constexpr size_t EXPANDED_MAX = 1 << 18;

static size_t RunLengthOf(uint8_t code) {
    if (code < 150) return code + 1u;               // 1 to 150
    if (code < 200) return 100u + (code - 150u);    // 100 to 149, around a short run's end
    return 131072u - 28u + (code - 200u);           // 131044 to 131099, around a long run's end
}

static std::vector<uint8_t> InputOf(const uint8_t* data, size_t size) {
    if (!(data[0] & 1)) return std::vector<uint8_t>(data + 1, data + size);
    std::vector<uint8_t> expanded;
    for (size_t i = 1; i + 1 < size; i += 2) {
        size_t length = RunLengthOf(data[i]);
        if (expanded.size() + length > EXPANDED_MAX) break;
        expanded.insert(expanded.end(), length, data[i + 1]);
    }
    return expanded;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    std::vector<uint8_t> input = InputOf(data, size);
    size_t n = input.size();

    size_t bound = RunLengthPackBound(n);
    uint8_t* packed = new uint8_t[bound];
    size_t length = RunLengthPack(packed, bound, input.data(), n);
    FUZZ_CHECK(length >= 1 && length <= bound);
    FUZZ_CHECK(packed[length - 1] == 0x00);

    // Every instruction set the processor runs packs to the reference's
    // stream and unpacks it back.
    uint8_t* other = new uint8_t[bound];
    FUZZ_CHECK(RunLengthPackScalar(other, bound, input.data(), n) == length);
    FUZZ_CHECK(std::memcmp(other, packed, length) == 0);
    for (int level = CPU_LEVEL_SCALAR; level <= CPU_LEVEL_AVX2; level++) {
        const EncodeKernels* encoder = EncodeKernelsFor(static_cast<CpuLevel>(level));
        const DecodeKernels* decoder = DecodeKernelsFor(static_cast<CpuLevel>(level));
        if (!encoder || !decoder) continue;
        FUZZ_CHECK(RunLengthPackWith(encoder, other, bound, input.data(), n) == length);
        FUZZ_CHECK(std::memcmp(other, packed, length) == 0);
        // Just enough room gives the same stream: a long input packed in two
        // halves may then have to be packed again as one.
        std::vector<uint8_t> exact(length);
        FUZZ_CHECK(RunLengthPackWith(encoder, exact.data(), length, input.data(), n) == length);
        FUZZ_CHECK(std::memcmp(exact.data(), packed, length) == 0);
        std::vector<uint8_t> back(n + 1);
        FUZZ_CHECK(RunLengthUnpackWith(decoder, back.data(), n, packed, length) == n);
        FUZZ_CHECK(n == 0 || std::memcmp(back.data(), input.data(), n) == 0);
    }
    delete[] other;

    uint8_t* unpacked = new uint8_t[n + 1];
    FUZZ_CHECK(RunLengthUnpack(unpacked, n, packed, length) == n);
    FUZZ_CHECK(n == 0 || std::memcmp(unpacked, input.data(), n) == 0);

    // One byte short of the stream's length: refused, nothing written beyond.
    uint8_t* cramped = new uint8_t[length - 1 + 1];
    FUZZ_CHECK(RunLengthPack(cramped, length - 1, input.data(), n) == 0);

    if (n <= 0xFFFFFFFFu) {
        FrameRecordHeader header = {24, static_cast<uint32_t>(n), 1, 0, 0, 0, 0, 0};
        uint32_t frameLength = PackFrameData(&header, input.data(), packed, bound);
        if (frameLength == 0) {
            FUZZ_CHECK(header.dataSize == n && header.packed == 0);
            FUZZ_CHECK(n < 256 || length > n);
        } else {
            FUZZ_CHECK(frameLength == length && length <= n);
            FUZZ_CHECK(header.dataSize == length && header.packed == 1);
            FUZZ_CHECK(UnpackFrameData(&header, packed, unpacked, n) == 1);
            FUZZ_CHECK(header.dataSize == n);
            FUZZ_CHECK(std::memcmp(unpacked, input.data(), n) == 0);
        }
    }

    delete[] cramped;
    delete[] unpacked;
    delete[] packed;
    return 0;
}
