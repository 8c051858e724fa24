#include "export/png_encoder.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int FILTER_COUNT = 5;  // none, sub, up, average, Paeth
constexpr size_t INPUT_BYTES = 65536;
// Length and type; fdAT chunks add a sequence number before their data.
constexpr size_t CHUNK_HEAD = 8;
constexpr size_t SEQUENCE_BYTES = 4;

z_stream* StreamOf(PngEncoder* encoder) {
    return static_cast<z_stream*>(encoder->stream);
}

size_t RowBytes(const PngEncoder* encoder) {
    return static_cast<size_t>(encoder->maxWidth) * 3;
}

int Fail(PngEncoder* encoder) {
    encoder->failed = 1;
    return 0;
}

uint8_t Paeth(int a, int b, int c) {
    int p = a + b - c;
    int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

uint32_t Magnitude(uint8_t v) {
    return v < 128 ? v : 256u - v;
}

// Filters one row of n bytes against the row above it (prior) with every
// filter, into candidates (each 1 + n bytes, led by its filter type), and
// returns the filter whose bytes have the smallest sum of magnitudes. A row
// equal to the one above is all zeros under "up", which no filter beats.
int FilterRow(const uint8_t* raw, const uint8_t* prior, size_t n, uint8_t* candidates,
              size_t candidateStride) {
    uint8_t* out[FILTER_COUNT];
    for (int f = 0; f < FILTER_COUNT; f++) {
        out[f] = candidates + f * candidateStride;
        out[f][0] = static_cast<uint8_t>(f);
        out[f]++;
    }
    if (std::memcmp(raw, prior, n) == 0) {
        std::memset(out[2], 0, n);
        return 2;
    }
    uint32_t sums[FILTER_COUNT] = {};
    for (size_t i = 0; i < n; i++) {
        int x = raw[i], b = prior[i];
        int a = i >= 3 ? raw[i - 3] : 0;
        int c = i >= 3 ? prior[i - 3] : 0;
        uint8_t v[FILTER_COUNT] = {
            static_cast<uint8_t>(x), static_cast<uint8_t>(x - a), static_cast<uint8_t>(x - b),
            static_cast<uint8_t>(x - ((a + b) >> 1)), static_cast<uint8_t>(x - Paeth(a, b, c))};
        for (int f = 0; f < FILTER_COUNT; f++) {
            out[f][i] = v[f];
            sums[f] += Magnitude(v[f]);
        }
    }
    int best = 0;
    for (int f = 1; f < FILTER_COUNT; f++)
        if (sums[f] < sums[best]) best = f;
    return best;
}

void RgbRow(const uint32_t* pixels, uint32_t count, uint8_t* out) {
    for (uint32_t x = 0; x < count; x++) {
        uint32_t p = pixels[x];
        out[3 * x] = static_cast<uint8_t>(p >> 16);
        out[3 * x + 1] = static_cast<uint8_t>(p >> 8);
        out[3 * x + 2] = static_cast<uint8_t>(p);
    }
}

// Sends the chunk filled so far, if it holds data, and starts the next one.
int FlushChunk(PngEncoder* encoder, uint32_t* sequence) {
    z_stream* stream = StreamOf(encoder);
    size_t head = CHUNK_HEAD + (sequence ? SEQUENCE_BYTES : 0);
    size_t data = PNG_CHUNK_DATA - stream->avail_out;
    if (data) {
        uint8_t* chunk = encoder->chunk;
        size_t body = head - CHUNK_HEAD + data;
        StoreBE32(chunk, static_cast<uint32_t>(body));
        std::memcpy(chunk + 4, sequence ? "fdAT" : "IDAT", 4);
        if (sequence) StoreBE32(chunk + CHUNK_HEAD, (*sequence)++);
        uLong crc = crc32(0, chunk + 4, static_cast<uInt>(4 + body));
        StoreBE32(chunk + CHUNK_HEAD + body, static_cast<uint32_t>(crc));
        if (!PngEncoderWrite(encoder, chunk, CHUNK_HEAD + body + 4)) return 0;
    }
    stream->next_out = encoder->chunk + head;
    stream->avail_out = static_cast<uInt>(PNG_CHUNK_DATA);
    return 1;
}

int Deflate(PngEncoder* encoder, const uint8_t* input, size_t length, int flush,
            uint32_t* sequence) {
    z_stream* stream = StreamOf(encoder);
    stream->next_in = const_cast<Bytef*>(input);
    stream->avail_in = static_cast<uInt>(length);
    for (;;) {
        if (stream->avail_out == 0 && !FlushChunk(encoder, sequence)) return 0;
        int result = deflate(stream, flush);
        if (result == Z_STREAM_ERROR) return Fail(encoder);
        if (flush == Z_FINISH ? result == Z_STREAM_END : stream->avail_in == 0) return 1;
    }
}

}  // namespace

int PngEncoderBegin(PngEncoder* encoder, const ExportSink* sink, uint32_t maxWidth, int level) {
    *encoder = PngEncoder{};
    encoder->sink = *sink;
    encoder->maxWidth = maxWidth;
    size_t rowBytes = static_cast<size_t>(maxWidth) * 3;
    encoder->inputCapacity = rowBytes + 1 > INPUT_BYTES ? rowBytes + 1 : INPUT_BYTES;
    size_t rowsSize = 2 * rowBytes + FILTER_COUNT * (rowBytes + 1) + encoder->inputCapacity;
    encoder->rows = static_cast<uint8_t*>(std::calloc(1, rowsSize));
    encoder->chunk =
        static_cast<uint8_t*>(std::malloc(CHUNK_HEAD + SEQUENCE_BYTES + PNG_CHUNK_DATA + 4));
    z_stream* stream = static_cast<z_stream*>(std::calloc(1, sizeof(z_stream)));
    encoder->stream = stream;
    if (!encoder->rows || !encoder->chunk || !stream) return Fail(encoder);
    if (deflateInit2(stream, level, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
        std::free(stream);
        encoder->stream = nullptr;
        return Fail(encoder);
    }
    return 1;
}

void PngEncoderEnd(PngEncoder* encoder) {
    if (encoder->stream) {
        deflateEnd(StreamOf(encoder));
        std::free(encoder->stream);
    }
    std::free(encoder->rows);
    std::free(encoder->chunk);
    encoder->stream = nullptr;
    encoder->rows = nullptr;
    encoder->chunk = nullptr;
}

int PngEncoderWrite(PngEncoder* encoder, const uint8_t* bytes, size_t length) {
    if (encoder->failed) return 0;
    if (!encoder->sink.write(encoder->sink.context, bytes, length)) return Fail(encoder);
    encoder->written += length;
    return 1;
}

int PngEncoderChunk(PngEncoder* encoder, const char* type, const uint8_t* data, size_t length) {
    uint8_t head[CHUNK_HEAD], tail[4];
    StoreBE32(head, static_cast<uint32_t>(length));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0, head + 4, 4);
    crc = crc32(crc, data, static_cast<uInt>(length));
    StoreBE32(tail, static_cast<uint32_t>(crc));
    return PngEncoderWrite(encoder, head, sizeof head) &&
           (length == 0 || PngEncoderWrite(encoder, data, length)) &&
           PngEncoderWrite(encoder, tail, sizeof tail);
}

uint32_t PngChunkCrc(const uint8_t* typeAndData, size_t length) {
    return static_cast<uint32_t>(crc32(0, typeAndData, static_cast<uInt>(length)));
}

int PngEncoderHeader(PngEncoder* encoder, uint32_t width, uint32_t height) {
    uint8_t header[13] = {};
    StoreBE32(header, width);
    StoreBE32(header + 4, height);
    header[8] = 8;   // bits per channel
    header[9] = 2;   // RGB
    return PngEncoderWrite(encoder, PNG_SIGNATURE, sizeof PNG_SIGNATURE) &&
           PngEncoderChunk(encoder, "IHDR", header, sizeof header);
}

int PngEncoderImage(PngEncoder* encoder, const ExportPicture* picture, const ExportRect* rect,
                    uint32_t* sequence) {
    if (encoder->failed) return 0;
    uint32_t width = rect->right - rect->left + 1;
    if (width > encoder->maxWidth) return Fail(encoder);
    z_stream* stream = StreamOf(encoder);
    if (deflateReset(stream) != Z_OK) return Fail(encoder);
    stream->next_out = encoder->chunk + CHUNK_HEAD + (sequence ? SEQUENCE_BYTES : 0);
    stream->avail_out = static_cast<uInt>(PNG_CHUNK_DATA);

    size_t rowBytes = RowBytes(encoder);
    size_t n = static_cast<size_t>(width) * 3;
    uint8_t* prior = encoder->rows;
    uint8_t* raw = prior + rowBytes;
    uint8_t* candidates = raw + rowBytes;
    uint8_t* input = candidates + FILTER_COUNT * (rowBytes + 1);
    size_t inputUsed = 0;
    std::memset(prior, 0, n);
    for (uint32_t y = rect->top; y <= rect->bottom; y++) {
        RgbRow(picture->pixels + static_cast<size_t>(y) * picture->stride + rect->left, width, raw);
        int filter = FilterRow(raw, prior, n, candidates, rowBytes + 1);
        if (inputUsed + n + 1 > encoder->inputCapacity) {
            if (!Deflate(encoder, input, inputUsed, Z_NO_FLUSH, sequence)) return 0;
            inputUsed = 0;
        }
        std::memcpy(input + inputUsed, candidates + filter * (rowBytes + 1), n + 1);
        inputUsed += n + 1;
        uint8_t* swap = prior;
        prior = raw;
        raw = swap;
    }
    return Deflate(encoder, input, inputUsed, Z_FINISH, sequence) &&
           FlushChunk(encoder, sequence);
}

int PngWritePicture(const ExportSink* sink, const ExportPicture* picture) {
    PngEncoder encoder;
    if (!PngEncoderBegin(&encoder, sink, picture->width, PNG_DEFLATE_LEVEL)) {
        PngEncoderEnd(&encoder);
        return EXPORT_NO_MEMORY;
    }
    ExportRect whole = {0, 0, picture->width - 1, picture->height - 1};
    bool written = PngEncoderHeader(&encoder, picture->width, picture->height) &&
                   PngEncoderImage(&encoder, picture, &whole, nullptr) &&
                   PngEncoderChunk(&encoder, "IEND", nullptr, 0);
    PngEncoderEnd(&encoder);
    return written ? EXPORT_DONE : EXPORT_WRITE_FAILED;
}

namespace {

struct WantedFrame {
    const ExportSink* sink;
    uint64_t record;
    int status;
    bool written;
};

int WriteWantedFrame(void* context, const ExportFrame* frame) {
    WantedFrame* wanted = static_cast<WantedFrame*>(context);
    if (wanted->record < frame->firstRecord || wanted->record - frame->firstRecord >= frame->records)
        return 1;
    wanted->status = PngWritePicture(wanted->sink, &frame->picture);
    wanted->written = true;
    return wanted->status == EXPORT_DONE;
}

}  // namespace

int ExportPngFrame(const uint8_t* data, size_t size, const ExportSink* sink, uint64_t record,
                   ExportProgress progress, void* context, ExportWalkStats* stats) {
    WantedFrame wanted = {sink, record, EXPORT_DONE, false};
    ExportWalkOptions options = {WriteWantedFrame, &wanted, progress, context, record + 1};
    int status = ExportWalkVideo(data, size, &options, stats);
    if (status == EXPORT_WRITE_FAILED) return wanted.status;
    if ((status == EXPORT_DONE || status == EXPORT_NO_FRAMES) && !wanted.written)
        return EXPORT_BAD_FRAME;
    return status;
}
