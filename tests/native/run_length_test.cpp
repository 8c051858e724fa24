#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "byte_order.h"
#include "codec/run_length.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Repeat(size_t count, uint8_t value) { return Bytes(count, value); }

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes joined;
    for (const Bytes& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

Bytes Pack(const Bytes& input) {
    Bytes output(RunLengthPackBound(input.size()));
    size_t length = RunLengthPack(output.data(), output.size(), input.data(), input.size());
    output.resize(length);
    return output;
}

// Unpacks into exactly `capacity` bytes followed by guard bytes that must
// survive; the stream is held in a buffer of its exact length, so a read past
// it shows under AddressSanitizer.
Bytes Unpack(const Bytes& stream, size_t capacity) {
    const size_t guard = 64;
    Bytes output(capacity + guard, 0xEE);
    Bytes input(stream);
    size_t produced = RunLengthUnpack(output.data(), capacity, input.data(), input.size());
    EXPECT_LE(produced, capacity);
    for (size_t i = capacity; i < output.size(); i++) {
        EXPECT_EQ(output[i], 0xEE) << "written beyond the capacity at " << i;
        if (output[i] != 0xEE) break;
    }
    output.resize(produced);
    return output;
}

// Checks that a stream holds only the tokens the packer is meant to write:
// literals of 2 to 128, short runs of 3 to 128, long runs of 129 to 131072 (or
// a final lone byte as a long run of 1), and the end marker once, last.
void ExpectPackerTokens(const Bytes& stream) {
    size_t q = 0;
    while (q < stream.size()) {
        uint8_t c = stream[q++];
        if (c == 0x00) {
            EXPECT_EQ(q, stream.size()) << "end marker before the end";
            return;
        }
        if (c == 0x80) {
            ASSERT_LE(q + 5, stream.size());
            uint32_t count = LoadLE32(&stream[q]);
            bool loneLastByte = count == 1 && q + 6 == stream.size();
            EXPECT_TRUE(loneLastByte || (count >= 129 && count <= 131072)) << "long run " << count;
            q += 5;
        } else if (c & 0x80) {
            EXPECT_GE(c, 0x82) << "run of 2 written";
            q += 1;
        } else {
            EXPECT_GE(c, 0x01);
            q += c + 1u;
        }
    }
    ADD_FAILURE() << "no end marker";
}

struct Example {
    const char* name;
    Bytes input;
    Bytes packed;
};

std::vector<Example> WorkedExamples() {
    Bytes eightDifferent = {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48};
    return {
        {"empty", {}, {0x00}},
        {"two different", {0x41, 0x42}, {0x01, 0x41, 0x42, 0x00}},
        {"pair then one", {0x41, 0x41, 0x42}, {0x02, 0x41, 0x41, 0x42, 0x00}},
        {"three equal", {0x41, 0x41, 0x41}, {0x82, 0x41, 0x00}},
        {"128 equal", Repeat(128, 0x41), {0xFF, 0x41, 0x00}},
        {"129 equal", Repeat(129, 0x41), {0x80, 0x81, 0x00, 0x00, 0x00, 0x41, 0x00}},
        {"literal forced to three",
         Join({{0x41, 0x42}, Repeat(5, 0x43), {0x44, 0x45}}),
         {0x02, 0x41, 0x42, 0x43, 0x83, 0x43, 0x01, 0x44, 0x45, 0x00}},
        {"literal up to a run",
         Join({eightDifferent, Repeat(10, 0x00), {0x58, 0x59}}),
         {0x07, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x89, 0x00, 0x01, 0x58, 0x59,
          0x00}},
        {"long run then a short tail",
         Join({Repeat(300, 0x00), {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}}),
         {0x80, 0x2C, 0x01, 0x00, 0x00, 0x00, 0x02, 0x01, 0x02, 0x03, 0x03, 0x04, 0x05, 0x06,
          0x07, 0x00}},
        {"131072 + 2 equal", Repeat(131072 + 2, 0x5A),
         {0x80, 0x00, 0x00, 0x02, 0x00, 0x5A, 0x01, 0x5A, 0x5A, 0x00}},
        // A lone last byte: a one-byte literal would be the end marker.
        {"run then a lone byte", {0x41, 0x41, 0x41, 0x42},
         {0x82, 0x41, 0x80, 0x01, 0x00, 0x00, 0x00, 0x42, 0x00}},
        {"single byte", {0x41}, {0x80, 0x01, 0x00, 0x00, 0x00, 0x41, 0x00}},
    };
}

TEST(RunLength, WorkedExamplesPackExactlyAndUnpackBack) {
    for (const Example& example : WorkedExamples()) {
        SCOPED_TRACE(example.name);
        EXPECT_EQ(Pack(example.input), example.packed);
        EXPECT_EQ(Unpack(example.packed, example.input.size() + 16), example.input);
    }
}

TEST(RunLength, RunsLongerThanOneTokenAreSplitIntoFullLongRuns) {
    Bytes input = Join({Repeat(2 * 131072 + 200, 0x07), {0x01, 0x02}});
    Bytes expected = {0x80, 0x00, 0x00, 0x02, 0x00, 0x07, 0x80, 0x00, 0x00, 0x02, 0x00, 0x07,
                      0x80, 0xC8, 0x00, 0x00, 0x00, 0x07, 0x01, 0x01, 0x02, 0x00};
    EXPECT_EQ(Pack(input), expected);
    EXPECT_EQ(Unpack(expected, input.size()), input);
}

TEST(RunLength, UnpackerAcceptsTokensThePackerNeverWrites) {
    EXPECT_EQ(Unpack({0x81, 0x41, 0x00}, 16), (Bytes{0x41, 0x41}));
    EXPECT_EQ(Unpack({0x80, 0x01, 0x00, 0x00, 0x00, 0x41, 0x00}, 16), (Bytes{0x41}));
    EXPECT_EQ(Unpack({0x80, 0x00, 0x00, 0x00, 0x00, 0x41, 0x82, 0x42, 0x00}, 16),
              (Bytes{0x42, 0x42, 0x42}));
    // A one-byte "literal" is the end marker: the byte after it is not part
    // of the picture.
    EXPECT_EQ(Unpack({0x82, 0x41, 0x00, 0x42, 0x00}, 16), (Bytes{0x41, 0x41, 0x41}));
}

TEST(RunLength, UnpackerStopsOnceTheCapacityIsReached) {
    EXPECT_EQ(Unpack({0x82, 0x41, 0x82, 0x42, 0x00}, 3), (Bytes{0x41, 0x41, 0x41}));
    EXPECT_EQ(Unpack({0x82, 0x41, 0x00}, 0), Bytes{});
}

TEST(RunLength, DamagedStreamsAreClippedToCapacityAndInput) {
    // A long-run count far beyond the capacity fills the capacity and no more.
    EXPECT_EQ(Unpack({0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0x41, 0x00}, 10), Repeat(10, 0x41));
    // A short run or literal larger than the room left is clipped to it.
    EXPECT_EQ(Unpack({0x82, 0x41, 0xFF, 0x42, 0x00}, 5), (Bytes{0x41, 0x41, 0x41, 0x42, 0x42}));
    EXPECT_EQ(Unpack({0x04, 1, 2, 3, 4, 5, 0x00}, 3), (Bytes{1, 2, 3}));
    // A literal that runs past the input gives what the input holds.
    EXPECT_EQ(Unpack({0x82, 0x41, 0x7F, 0x42, 0x43}, 300), (Bytes{0x41, 0x41, 0x41, 0x42, 0x43}));
    // Tokens cut short inside their count or before their value byte.
    EXPECT_EQ(Unpack({0x82, 0x41, 0x80, 0x05, 0x00}, 300), (Bytes{0x41, 0x41, 0x41}));
    EXPECT_EQ(Unpack({0x82, 0x41, 0x80, 0x05, 0x00, 0x00, 0x00}, 300), (Bytes{0x41, 0x41, 0x41}));
    EXPECT_EQ(Unpack({0x82, 0x41, 0x85}, 300), (Bytes{0x41, 0x41, 0x41}));
    // A stream without an end marker ends with its input.
    EXPECT_EQ(Unpack({0x01, 0x41, 0x42, 0x83, 0x43}, 300), (Bytes{0x41, 0x42, 0x43, 0x43, 0x43, 0x43}));
    EXPECT_EQ(Unpack({}, 300), Bytes{});
}

// Random data made of runs of every length class and noise, so that every
// token kind and every boundary between them shows up.
Bytes RandomRunData(std::mt19937* random, size_t length) {
    Bytes data;
    std::uniform_int_distribution<int> kind(0, 9), byte(0, 255), small(1, 7), medium(3, 300);
    while (data.size() < length) {
        int k = kind(*random);
        uint8_t value = static_cast<uint8_t>(byte(*random));
        size_t count = k < 4 ? small(*random) : k < 8 ? medium(*random) : 131072 - 3 + small(*random);
        if (k < 2) {
            for (size_t i = 0; i < count; i++) data.push_back(static_cast<uint8_t>(byte(*random)));
        } else {
            data.insert(data.end(), count, value);
        }
    }
    data.resize(length);
    return data;
}

TEST(RunLength, RandomDataRoundTripsWithinTheBoundUsingOnlyPackerTokens) {
    uint32_t seed = std::random_device{}();
    std::printf("RunLength round trip seed %u\n", seed);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<size_t> shortLength(0, 700);
    for (int round = 0; round < 300; round++) {
        size_t length = round % 30 == 0 ? 300000 : shortLength(random);
        Bytes input = RandomRunData(&random, length);
        Bytes stream = Pack(input);
        ASSERT_FALSE(stream.empty());
        ASSERT_LE(stream.size(), RunLengthPackBound(input.size()));
        ExpectPackerTokens(stream);
        ASSERT_EQ(Unpack(stream, input.size()), input) << "round " << round;
    }
}

TEST(RunLength, PackerRefusesAnOutputTooSmallWithoutWritingBeyondIt) {
    std::mt19937 random(7);
    Bytes input = RandomRunData(&random, 2000);
    size_t needed = Pack(input).size();
    for (size_t capacity : {size_t(0), size_t(1), needed / 2, needed - 1, needed}) {
        Bytes output(capacity + 32, 0xEE);
        size_t length = RunLengthPack(output.data(), capacity, input.data(), input.size());
        EXPECT_EQ(length, capacity == needed ? needed : 0u) << "capacity " << capacity;
        for (size_t i = capacity; i < output.size(); i++) ASSERT_EQ(output[i], 0xEE);
    }
}

FrameRecordHeader RecordHeader(uint32_t dataSize, uint32_t packed) {
    return FrameRecordHeader{24, dataSize, 1, packed, 0, 9, 0, 9};
}

TEST(RunLength, FrameDataIsPackedFrom256BytesOn) {
    Bytes data = Repeat(256, 0x11);
    Bytes output(1024, 0xEE);
    FrameRecordHeader small = RecordHeader(255, 0);
    EXPECT_EQ(PackFrameData(&small, data.data(), output.data(), output.size()), 0u);
    EXPECT_EQ(small.dataSize, 255u);
    EXPECT_EQ(small.packed, 0u);

    FrameRecordHeader header = RecordHeader(256, 0);
    uint32_t length = PackFrameData(&header, data.data(), output.data(), output.size());
    Bytes expected = {0x80, 0x00, 0x01, 0x00, 0x00, 0x11, 0x00};
    EXPECT_EQ(length, expected.size());
    EXPECT_EQ(header.dataSize, expected.size());
    EXPECT_EQ(header.packed, 1u);
    EXPECT_EQ(Bytes(output.begin(), output.begin() + expected.size()), expected);

    Bytes unpacked(1024);
    EXPECT_EQ(UnpackFrameData(&header, output.data(), unpacked.data(), unpacked.size()), 1);
    EXPECT_EQ(header.dataSize, 256u);
    EXPECT_EQ(Bytes(unpacked.begin(), unpacked.begin() + 256), data);
}

TEST(RunLength, FrameDataThatPackingWouldEnlargeIsStoredAsItIs) {
    std::mt19937 random(11);
    Bytes noise(4096);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
    Bytes output(RunLengthPackBound(noise.size()), 0xEE);
    FrameRecordHeader header = RecordHeader(4096, 0);
    EXPECT_EQ(PackFrameData(&header, noise.data(), output.data(), output.size()), 0u);
    EXPECT_EQ(header.dataSize, 4096u);
    EXPECT_EQ(header.packed, 0u);

    // An output buffer too small for a stream that would pay off: stored as it
    // is, never marked packed with a stream cut short.
    Bytes runs = Join({Repeat(1000, 1), noise});
    FrameRecordHeader cramped = RecordHeader(static_cast<uint32_t>(runs.size()), 0);
    EXPECT_EQ(PackFrameData(&cramped, runs.data(), output.data(), 100), 0u);
    EXPECT_EQ(cramped.dataSize, runs.size());
    EXPECT_EQ(cramped.packed, 0u);
}

TEST(RunLength, OnlyPackedOneRecordsAreUnpacked) {
    Bytes stored = {0x82, 0x41, 0x00};
    Bytes output(16, 0xEE);
    for (uint32_t packed : {0u, 2u, 0xFFFFFFFFu}) {
        FrameRecordHeader header = RecordHeader(3, packed);
        EXPECT_EQ(UnpackFrameData(&header, stored.data(), output.data(), output.size()), 0);
        EXPECT_EQ(header.dataSize, 3u);
        EXPECT_EQ(header.packed, packed);
        EXPECT_EQ(output, Repeat(16, 0xEE));
    }
    // Damaged packed data: the record takes what the stream gave, no more
    // than the capacity.
    Bytes damaged = {0x80, 0xFF, 0xFF, 0xFF, 0x7F, 0x41, 0x00};
    FrameRecordHeader header = RecordHeader(static_cast<uint32_t>(damaged.size()), 1);
    EXPECT_EQ(UnpackFrameData(&header, damaged.data(), output.data(), 8), 1);
    EXPECT_EQ(header.dataSize, 8u);
    EXPECT_EQ(output, Join({Repeat(8, 0x41), Repeat(8, 0xEE)}));
}

}  // namespace
