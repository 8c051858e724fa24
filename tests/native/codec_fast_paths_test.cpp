// The vector kernels of the codec and the packer against the plain reference:
// every level this processor runs must give the same bytes, on random data of
// awkward lengths and on real screen content.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "codec/codec_kernels.h"
#include "codec/frame_codec.h"
#include "codec/run_length.h"
#include "test_pictures.h"

namespace {

class FastPaths : public ::testing::TestWithParam<CpuLevel> {
protected:
    void SetUp() override {
        encoder = EncodeKernelsFor(GetParam());
        decoder = DecodeKernelsFor(GetParam());
        if (!encoder || !decoder)
            GTEST_SKIP() << "this processor cannot run " << CpuLevelName(GetParam());
        unsigned seed = std::random_device{}();
        RecordProperty("seed", static_cast<int>(seed));
        printf("seed %u\n", seed);
        random.seed(seed);
    }
    uint8_t Byte() { return static_cast<uint8_t>(random()); }
    size_t Below(size_t n) { return static_cast<size_t>(random() % n); }
    // Bytes with runs of every length, repeats shorter than five, and noise.
    std::vector<uint8_t> RunnyBytes(size_t n) {
        std::vector<uint8_t> bytes;
        while (bytes.size() < n) {
            size_t kind = Below(4);
            size_t length = kind == 0 ? 1 + Below(300) : kind == 1 ? 1 + Below(5) : 1 + Below(40);
            uint8_t value = Byte() & (kind == 3 ? 0x03 : 0xFF);
            for (size_t i = 0; i < length && bytes.size() < n; i++)
                bytes.push_back(kind >= 2 ? (Byte() & (kind == 3 ? 0x03 : 0xFF)) : value);
        }
        return bytes;
    }
    const EncodeKernels* encoder = nullptr;
    const DecodeKernels* decoder = nullptr;
    const EncodeKernels& scalar = ENCODE_KERNELS_SCALAR;
    std::mt19937 random;
};

TEST(CpuDispatch, BestLevelIsTheDetectedOneAndLevelsAboveItAreRefused) {
    CpuLevel detected = CpuDetectLevel();
    ASSERT_NE(EncodeKernelsBest(), nullptr);
    ASSERT_NE(DecodeKernelsBest(), nullptr);
    EXPECT_EQ(EncodeKernelsBest()->level, detected);
    EXPECT_EQ(DecodeKernelsBest()->level, detected);
    for (int level = CPU_LEVEL_SCALAR; level <= CPU_LEVEL_AVX2; level++) {
        const EncodeKernels* encoder = EncodeKernelsFor(static_cast<CpuLevel>(level));
        const DecodeKernels* decoder = DecodeKernelsFor(static_cast<CpuLevel>(level));
        if (level <= detected) {
            ASSERT_NE(encoder, nullptr) << CpuLevelName(static_cast<CpuLevel>(level));
            ASSERT_NE(decoder, nullptr) << CpuLevelName(static_cast<CpuLevel>(level));
            EXPECT_EQ(encoder->level, level);
            EXPECT_EQ(decoder->level, level);
        } else {
            EXPECT_EQ(encoder, nullptr);
            EXPECT_EQ(decoder, nullptr);
        }
    }
#if defined(__x86_64__)
    EXPECT_GE(detected, CPU_LEVEL_SSE2);  // every x86-64 processor has SSE2
#endif
}

// The programs ask the processor themselves; the compiler's detector, which
// also asks the system whether it saves the wide registers, must agree.
TEST(CpuDispatch, DetectedLevelAgreesWithTheCompilersDetector) {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_cpu_init();
    CpuLevel expected = __builtin_cpu_supports("avx2")   ? CPU_LEVEL_AVX2
                        : __builtin_cpu_supports("sse2") ? CPU_LEVEL_SSE2
                                                         : CPU_LEVEL_SCALAR;
    EXPECT_EQ(CpuDetectLevel(), expected);
#else
    EXPECT_EQ(CpuDetectLevel(), CPU_LEVEL_SCALAR);
#endif
}

// Rows of `width` pixels `stride` apart, as in a surface with padding; the
// padding and the guard bytes after each plane row must stay untouched.
TEST_P(FastPaths, SplitAndMergeEqualTheReferenceOnPaddedRowsOfEveryLength) {
    for (size_t width = 0; width <= 200; width++) {
        size_t stride = width + Below(5);
        size_t rows = 3;
        std::vector<uint32_t> now(stride * rows), before(stride * rows);
        for (auto& p : now) p = static_cast<uint32_t>(random());
        for (auto& p : before)
            p = Below(3) ? now[&p - before.data()] : static_cast<uint32_t>(random());
        for (int delta = 0; delta < 2; delta++) {
            std::vector<uint8_t> expected(3 * (width + 7) * rows, 0xA5), actual = expected;
            for (size_t y = 0; y < rows; y++) {
                size_t at = 3 * (width + 7) * y;
                auto split = [&](const EncodeKernels& k, std::vector<uint8_t>& out) {
                    uint8_t* r = out.data() + at;
                    if (delta)
                        k.splitDelta(now.data() + y * stride, before.data() + y * stride, width, r,
                                     r + width + 7, r + 2 * (width + 7));
                    else
                        k.splitKey(now.data() + y * stride, width, r, r + width + 7,
                                   r + 2 * (width + 7));
                };
                split(scalar, expected);
                split(*encoder, actual);
            }
            ASSERT_EQ(actual, expected) << "width " << width << (delta ? " delta" : " key");

            std::vector<uint32_t> mergedExpected = before, mergedActual = before;
            for (size_t y = 0; y < rows; y++) {
                const uint8_t* r = expected.data() + 3 * (width + 7) * y;
                auto merge = [&](const DecodeKernels& k, std::vector<uint32_t>& pixels) {
                    (delta ? k.mergeDelta : k.mergeKey)(pixels.data() + y * stride, width, r,
                                                        r + width + 7, r + 2 * (width + 7));
                };
                merge(DECODE_KERNELS_SCALAR, mergedExpected);
                merge(*decoder, mergedActual);
            }
            ASSERT_EQ(mergedActual, mergedExpected) << "width " << width;
            if (delta) {
                for (size_t y = 0; y < rows; y++)
                    for (size_t x = 0; x < width; x++)
                        ASSERT_EQ(mergedActual[y * stride + x] & 0x00FFFFFF,
                                  now[y * stride + x] & 0x00FFFFFF);
            }
        }
    }
}

TEST_P(FastPaths, ByteScansEqualTheReferenceAtEveryLengthAndPosition) {
    for (size_t n = 0; n <= 200; n++) {
        std::vector<uint8_t> a(n + 1);
        for (auto& b : a) b = Byte();
        std::vector<uint8_t> b = a;
        EXPECT_EQ(encoder->bytesEqual(a.data(), b.data(), n), 1) << n;
        for (size_t at = 0; at < n; at++) {
            b[at] ^= 0x01;
            ASSERT_EQ(encoder->bytesEqual(a.data(), b.data(), n), 0) << n << " at " << at;
            b[at] ^= 0x01;
        }
        // A difference just past the end does not count.
        b[n] ^= 0xFF;
        EXPECT_EQ(encoder->bytesEqual(a.data(), b.data(), n), 1) << n;

        if (n == 0) continue;
        std::vector<uint8_t> run(n, 0x5C);
        for (size_t end = 1; end <= n; end++) {
            std::vector<uint8_t> s = run;
            if (end < n) s[end] = 0x5D;
            ASSERT_EQ(encoder->runLength(s.data(), n), scalar.runLength(s.data(), n)) << n;
            ASSERT_EQ(encoder->runLength(s.data(), n), end) << n;
        }
        std::vector<uint8_t> runny = RunnyBytes(n + 4);
        for (size_t limit = 0; limit <= n; limit++)
            ASSERT_EQ(encoder->fiveEqualSearch(runny.data(), limit),
                      scalar.fiveEqualSearch(runny.data(), limit))
                << "limit " << limit;
    }
}

TEST_P(FastPaths, PackedStreamsEqualTheReferenceAndUnpackBack) {
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 200; n++) lengths.push_back(n);
    for (size_t n : {255u, 256u, 4097u, 131072u + 2, 131072u * 2 + 300}) lengths.push_back(n);
    for (size_t n : lengths) {
        std::vector<uint8_t> input = RunnyBytes(n);
        if (n > 131072) std::fill(input.begin() + 10, input.begin() + 131072 + 12, 0);
        std::vector<uint8_t> expected(RunLengthPackBound(n)), actual(expected.size());
        size_t expectedLength =
            RunLengthPackScalar(expected.data(), expected.size(), input.data(), n);
        size_t actualLength =
            RunLengthPackWith(encoder, actual.data(), actual.size(), input.data(), n);
        ASSERT_EQ(actualLength, expectedLength) << n;
        ASSERT_TRUE(std::equal(actual.begin(), actual.begin() + actualLength, expected.begin()))
            << n;
        // Too little room fails as the reference does, writing nothing past it.
        if (expectedLength > 1) {
            size_t tight = Below(expectedLength);
            std::vector<uint8_t> small(tight + 16, 0xA5);
            EXPECT_EQ(RunLengthPackWith(encoder, small.data(), tight, input.data(), n),
                      RunLengthPackScalar(expected.data(), tight, input.data(), n));
            for (size_t i = tight; i < small.size(); i++) ASSERT_EQ(small[i], 0xA5) << n;
        }
        std::vector<uint8_t> back(n + 16, 0xA5);
        ASSERT_EQ(RunLengthUnpackWith(decoder, back.data(), n, actual.data(), actualLength), n);
        ASSERT_TRUE(std::equal(input.begin(), input.end(), back.begin())) << n;
        for (size_t i = n; i < back.size(); i++) ASSERT_EQ(back[i], 0xA5) << n;
    }
}

// Inputs long enough to be packed as two halves, cut after the first run of
// five or more equal bytes past the middle. Runs of the lengths where tokens
// change, reached by a literal that takes 0 to 2 of their bytes or by another
// run; halves of unequal sizes when packed, in outputs with just enough room
// or one byte too little.
TEST_P(FastPaths, LongInputsPackedInTwoHalvesEqualTheReference) {
    const size_t n = 400000, middle = n / 2;
    for (size_t runLength : {5u, 6u, 7u, 61u, 62u, 65u, 128u, 129u, 131069u, 131070u, 131071u,
                             131072u, 131073u, 150000u}) {
        for (size_t lead = 0; lead < 4; lead++) {
            for (int layout = 0; layout < 3; layout++) {
                // Neighbours always differ, so no run but the ones placed.
                std::vector<uint8_t> input(n);
                for (size_t i = 0; i < n; i++) {
                    uint8_t b = Byte() & 0x3F;
                    input[i] = i > 0 && b == input[i - 1] ? b ^ 0x01 : b;
                }
                if (layout == 1) std::fill(input.begin(), input.begin() + middle - 300, 0);
                // A run of another value across the middle, then lead bytes of
                // literal, then the first run after the middle.
                size_t start = middle + 2 + lead;
                std::fill(input.begin() + start - lead - 6, input.begin() + start - lead, 0x80);
                std::fill(input.begin() + start, input.begin() + start + runLength, 0x77);
                input[start + runLength] = 0x78;
                if (layout == 2) std::fill(input.begin() + start + runLength + 1, input.end(), 0);

                std::vector<uint8_t> expected(RunLengthPackBound(n));
                size_t expectedLength =
                    RunLengthPackScalar(expected.data(), expected.size(), input.data(), n);
                ASSERT_GT(expectedLength, 0u);
                for (size_t capacity : {expected.size(), expectedLength, expectedLength - 1}) {
                    std::vector<uint8_t> actual(capacity + 300, 0xA5);
                    size_t actualLength =
                        RunLengthPackWith(encoder, actual.data(), capacity, input.data(), n);
                    std::string where = "run " + std::to_string(runLength) + " lead " +
                                        std::to_string(lead) + " layout " +
                                        std::to_string(layout) + " capacity " +
                                        std::to_string(capacity);
                    ASSERT_EQ(actualLength, capacity < expectedLength ? 0 : expectedLength)
                        << where;
                    ASSERT_TRUE(
                        std::equal(actual.begin(), actual.begin() + actualLength, expected.begin()))
                        << where;
                    for (size_t i = capacity; i < actual.size(); i++)
                        ASSERT_EQ(actual[i], 0xA5) << where;
                }
            }
        }
    }
}

// Damaged streams: random tokens, cut anywhere, unpacked into any capacity.
TEST_P(FastPaths, UnpackEqualsTheReferenceOnDamagedStreamsAndNeverWritesPastCapacity) {
    for (int round = 0; round < 3000; round++) {
        std::vector<uint8_t> stream = RunnyBytes(Below(120));
        for (auto& b : stream)
            if (Below(6) == 0) b = static_cast<uint8_t>(0x80 | Byte());
        size_t capacity = Below(round % 2 ? 600 : 70000);
        std::vector<uint8_t> expected(capacity + 64, 0xA5), actual = expected;
        size_t expectedLength =
            RunLengthUnpackScalar(expected.data(), capacity, stream.data(), stream.size());
        size_t actualLength =
            RunLengthUnpackWith(decoder, actual.data(), capacity, stream.data(), stream.size());
        ASSERT_EQ(actualLength, expectedLength);
        // Between the produced bytes and the capacity the fast paths may
        // leave scratch; beyond the capacity nothing is written.
        ASSERT_TRUE(std::equal(actual.begin(), actual.begin() + actualLength, expected.begin()))
            << "round " << round;
        for (size_t i = capacity; i < actual.size(); i++) ASSERT_EQ(actual[i], 0xA5) << round;
    }
}

struct Surfaces {
    FrameSurface now = {}, before = {};
    Surfaces(uint32_t w, uint32_t h) {
        FrameSurfaceCreate(w, h, &now);
        FrameSurfaceCreate(w, h, &before);
    }
    ~Surfaces() {
        FrameSurfaceDestroy(&now);
        FrameSurfaceDestroy(&before);
    }
};

void Paint(FrameSurface* surface, const std::vector<uint32_t>& picture) {
    uint32_t* pixels = FrameSurfaceLock(surface);
    std::copy(picture.begin(), picture.end(), pixels);
    FrameSurfaceUnlock(surface);
}

std::vector<uint32_t> Picture(FrameSurface* surface) {
    FrameSurfaceLock(surface);
    std::vector<uint32_t> picture = PictureOf(surface);
    FrameSurfaceUnlock(surface);
    return picture;
}

TEST_P(FastPaths, EncodeEqualsTheReferenceOnOddSizesAndChangesInAnyByte) {
    for (int round = 0; round < 300; round++) {
        uint32_t w = 1 + static_cast<uint32_t>(Below(round < 100 ? 40 : 300));
        // Some pictures taller than the bands the change test compares at once.
        uint32_t h = 1 + static_cast<uint32_t>(Below(round % 3 ? 6 : 40));
        Surfaces s(w, h);
        std::vector<uint32_t> before(w * h);
        for (auto& p : before) p = static_cast<uint32_t>(random());
        std::vector<uint32_t> now = before;
        // A few changed pixels, sometimes only in the fourth byte.
        for (size_t k = Below(4); k > 0; k--) now[Below(now.size())] ^= 1u << Below(32);
        Paint(&s.now, now);
        Paint(&s.before, before);
        for (uint32_t type : {FRAME_KEY, FRAME_DELTA, 3u}) {
            std::vector<uint8_t> expected(3 * w * h + 8, 0xEE), actual = expected;
            FrameRecordHeader expectedHeader = {}, actualHeader = {};
            expectedHeader.frameType = actualHeader.frameType = type;
            size_t capacity = Below(4) ? 3 * w * h : Below(3 * w * h);
            int expectedResult = FrameDeltaEncodeScalar(&s.now, &s.before, &expectedHeader,
                                                        expected.data(), capacity);
            int actualResult = FrameDeltaEncodeWith(encoder, &s.now, &s.before, &actualHeader,
                                                    actual.data(), capacity);
            ASSERT_EQ(actualResult, expectedResult);
            ASSERT_EQ(0, std::memcmp(&actualHeader, &expectedHeader, sizeof actualHeader));
            ASSERT_EQ(actual, expected) << w << " x " << h << " type " << type;
        }
    }
}

// Stored rectangles beyond the surface, short data and any type: the fast
// decoder clips and stops exactly where the reference does.
TEST_P(FastPaths, DecodeEqualsTheReferenceOnClippedRectanglesAndShortData) {
    for (int round = 0; round < 1500; round++) {
        uint32_t w = 1 + static_cast<uint32_t>(Below(70));
        uint32_t h = 1 + static_cast<uint32_t>(Below(5));
        Surfaces s(w, h);
        std::vector<uint32_t> start(w * h);
        for (auto& p : start) p = static_cast<uint32_t>(random());
        FrameRecordHeader header = {};
        header.frameType = static_cast<uint32_t>(Below(4));
        header.left = static_cast<uint16_t>(Below(3));
        header.right = static_cast<uint16_t>(Below(4) ? w - 1 : Below(w + 40));
        header.top = static_cast<uint16_t>(Below(3) ? 0 : Below(h + 2));
        header.bottom = static_cast<uint16_t>(header.top + (Below(3) ? h - 1 : Below(h + 3)));
        if (Below(20) == 0) header.bottom = static_cast<uint16_t>(Below(h));  // maybe inverted
        size_t full = 3 * static_cast<size_t>(header.right + 1) * (h + 5);
        std::vector<uint8_t> data(full);
        for (auto& b : data) b = Byte();
        size_t length = Below(3) ? full : Below(full + 1);

        Paint(&s.now, start);
        Paint(&s.before, start);
        int expected = FrameDeltaDecodeScalar(&s.before, &header, data.data(), length);
        int actual = FrameDeltaDecodeWith(decoder, &s.now, &header, data.data(), length);
        ASSERT_EQ(actual, expected);
        ASSERT_EQ(Picture(&s.now), Picture(&s.before))
            << "round " << round << ": " << w << " x " << h << " type " << header.frameType
            << " right " << header.right << " rows " << header.top << "-" << header.bottom
            << " length " << length << " of " << full;
    }
}

// Real screen content: a few frames of one sequence of the corpus, when it is
// present next to the project.
TEST_P(FastPaths, CorpusFramesEncodePackAndDecodeAsTheReferenceDoes) {
    std::string path = std::string(MORVANE_CORPUS_DIR) + "/notepad_720.bgrx.zst";
    FILE* probe = std::fopen(path.c_str(), "rb");
    if (!probe) GTEST_SKIP() << "no corpus at " << path;
    std::fclose(probe);
    FILE* frames = popen(("zstd -dc '" + path + "' 2>/dev/null").c_str(), "r");
    ASSERT_NE(frames, nullptr);
    const uint32_t w = 1280, h = 720;
    Surfaces s(w, h);
    FrameSurface shown = {};
    FrameSurfaceCreate(w, h, &shown);
    FrameSurfaceLock(&s.before);
    FrameSurfaceFill(&s.before, 0, 0, w - 1, h - 1, 0);
    FrameSurfaceUnlock(&s.before);
    FrameSurfaceLock(&shown);
    FrameSurfaceFill(&shown, 0, 0, w - 1, h - 1, 0);
    FrameSurfaceUnlock(&shown);
    std::vector<uint32_t> picture(w * h);
    std::vector<uint8_t> expected(3 * w * h), actual(3 * w * h);
    std::vector<uint8_t> packedExpected(RunLengthPackBound(3 * w * h)),
        packed(packedExpected.size());
    int frameCount = 0;
    for (; frameCount < 6; frameCount++) {
        if (std::fread(picture.data(), 4, picture.size(), frames) != picture.size()) break;
        Paint(&s.now, picture);
        FrameRecordHeader e = {}, a = {};
        e.frameType = a.frameType = frameCount == 0 ? FRAME_KEY : FRAME_DELTA;
        ASSERT_EQ(FrameDeltaEncodeScalar(&s.now, &s.before, &e, expected.data(), expected.size()),
                  1);
        ASSERT_EQ(
            FrameDeltaEncodeWith(encoder, &s.now, &s.before, &a, actual.data(), actual.size()), 1);
        ASSERT_EQ(0, std::memcmp(&a, &e, sizeof a));
        ASSERT_TRUE(std::equal(actual.begin(), actual.begin() + a.dataSize, expected.begin()));
        size_t expectedLength = RunLengthPackScalar(packedExpected.data(), packedExpected.size(),
                                                    expected.data(), e.dataSize);
        size_t length =
            RunLengthPackWith(encoder, packed.data(), packed.size(), actual.data(), a.dataSize);
        ASSERT_EQ(length, expectedLength);
        ASSERT_TRUE(std::equal(packed.begin(), packed.begin() + length, packedExpected.begin()));
        ASSERT_EQ(RunLengthUnpackWith(decoder, actual.data(), actual.size(), packed.data(), length),
                  a.dataSize);
        ASSERT_EQ(FrameDeltaDecodeWith(decoder, &shown, &a, actual.data(), a.dataSize), 1);
        ASSERT_EQ(Picture(&shown), picture) << "frame " << frameCount;
        Paint(&s.before, picture);
    }
    pclose(frames);
    FrameSurfaceDestroy(&shown);
    EXPECT_EQ(frameCount, 6);
}

INSTANTIATE_TEST_SUITE_P(EveryLevel, FastPaths,
                         ::testing::Values(CPU_LEVEL_SCALAR, CPU_LEVEL_SSE2, CPU_LEVEL_AVX2),
                         [](const ::testing::TestParamInfo<CpuLevel>& info) {
                             return std::string(CpuLevelName(info.param));
                         });

}  // namespace
