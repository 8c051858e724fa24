#include "codec/run_length.h"

#include <cstring>

#include "byte_order.h"

static constexpr size_t LONG_RUN_MAX = 131072;
static constexpr size_t SHORT_RUN_MAX = 128;
static constexpr size_t LITERAL_MAX = 128;

size_t RunLengthPackBound(size_t inputLength) {
    // A literal of 128 costs 129 bytes; a short literal of 3 is always followed
    // by a run token, so no stretch costs more than 129/128 of its input. The
    // end marker and a final one-byte long run add at most 7 bytes.
    return inputLength + inputLength / 64 + 16;
}

static size_t MeasureRun(const uint8_t* s, size_t p, size_t n) {
    size_t r = 1;
    while (p + r < n && s[p + r] == s[p] && r < LONG_RUN_MAX) r++;
    return r;
}

static bool FiveEqualAt(const uint8_t* s, size_t i) {
    return s[i] == s[i + 1] && s[i] == s[i + 2] && s[i] == s[i + 3] && s[i] == s[i + 4];
}

// Length of the literal that starts at p: up to the first place where five
// equal bytes begin (looking at most 128 bytes ahead), at least 3, and the
// whole rest when fewer than 6 bytes remain.
static size_t LiteralLength(const uint8_t* s, size_t p, size_t n) {
    if (n - p < 6) return n - p;
    size_t j = 0;
    while (p + j + 4 < n && j < LITERAL_MAX && !FiveEqualAt(s, p + j)) j++;
    return j < 3 ? 3 : j;
}

size_t RunLengthPackScalar(uint8_t* output, size_t outputCapacity, const uint8_t* input,
                           size_t inputLength) {
    size_t out = 0;
    size_t p = 0;
    while (p < inputLength) {
        size_t r = MeasureRun(input, p, inputLength);
        if (r >= SHORT_RUN_MAX + 1 || (r == 1 && inputLength - p == 1)) {
            // A lone last byte is a long run of 1: a one-byte literal would
            // need the control byte 00, the end marker.
            if (outputCapacity - out < 6) return 0;
            output[out] = 0x80;
            StoreLE32(output + out + 1, static_cast<uint32_t>(r));
            output[out + 5] = input[p];
            out += 6;
            p += r;
        } else if (r >= 3) {
            if (outputCapacity - out < 2) return 0;
            output[out] = static_cast<uint8_t>(0x80 + (r - 1));
            output[out + 1] = input[p];
            out += 2;
            p += r;
        } else {
            size_t length = LiteralLength(input, p, inputLength);
            if (outputCapacity - out < length + 1) return 0;
            output[out] = static_cast<uint8_t>(length - 1);
            std::memcpy(output + out + 1, input + p, length);
            out += length + 1;
            p += length;
        }
    }
    if (outputCapacity - out < 1) return 0;
    output[out++] = 0x00;
    return out;
}

size_t RunLengthUnpackScalar(uint8_t* output, size_t outputCapacity, const uint8_t* input,
                             size_t inputLength) {
    size_t q = 0;
    size_t produced = 0;
    while (q < inputLength && produced < outputCapacity) {
        uint8_t c = input[q++];
        if (c == 0x00) break;
        size_t room = outputCapacity - produced;
        if (c & 0x80) {
            size_t count = static_cast<size_t>(c & 0x7F) + 1;
            if (c == 0x80) {
                if (inputLength - q < 4) break;
                count = LoadLE32(input + q);
                q += 4;
            }
            if (q >= inputLength) break;
            if (count > room) count = room;
            std::memset(output + produced, input[q++], count);
            produced += count;
        } else {
            size_t count = static_cast<size_t>(c) + 1;
            if (count > inputLength - q) count = inputLength - q;
            if (count > room) count = room;
            std::memcpy(output + produced, input + q, count);
            q += count;
            produced += count;
        }
    }
    return produced;
}

uint32_t PackFrameData(FrameRecordHeader* header, const uint8_t* data, uint8_t* output,
                       size_t outputCapacity) {
    if (header->dataSize < 256) return 0;
    // A stream longer than the data would gain nothing; such frames (noise
    // with no runs) are stored as they are.
    size_t limit = outputCapacity < header->dataSize ? outputCapacity : header->dataSize;
    size_t packed = RunLengthPack(output, limit, data, header->dataSize);
    if (packed == 0) return 0;
    header->dataSize = static_cast<uint32_t>(packed);
    header->packed = 1;
    return static_cast<uint32_t>(packed);
}

int UnpackFrameData(FrameRecordHeader* header, const uint8_t* stored, uint8_t* output,
                    size_t outputCapacity) {
    if (header->packed != 1) return 0;
    header->dataSize =
        static_cast<uint32_t>(RunLengthUnpack(output, outputCapacity, stored, header->dataSize));
    return 1;
}
