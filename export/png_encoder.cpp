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
// The sample that picks the rows' filtering: two bands of about this many
// bytes, a quarter and three quarters down the image (the whole image when
// it is not much larger), deflated both ways. Filtering is chosen only when
// it makes the sample at least a quarter smaller: on screen content a small
// sample flatters the filters, on photographs they win by far more.
constexpr size_t PROBE_BAND_BYTES = 16384;
constexpr int PROBE_LEVEL = 6;

z_stream* StreamOf(void* stream) {
    return static_cast<z_stream*>(stream);
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

// The rows of an image's rectangle as PNG image data, one by one: each led
// by its filter type, unfiltered or with the filter of the smallest sum.
struct RowSource {
    const ExportPicture* picture;
    const ExportRect* rect;
    bool filtered;
    size_t n;            // bytes of a row
    uint8_t* prior;      // the row above, unfiltered (filtered rows only)
    uint8_t* raw;
    uint8_t* candidates;
    size_t candidateStride;
};

RowSource RowsOf(PngEncoder* encoder, const ExportPicture* picture, const ExportRect* rect,
                 bool filtered) {
    size_t rowBytes = RowBytes(encoder);
    RowSource rows;
    rows.picture = picture;
    rows.rect = rect;
    rows.filtered = filtered;
    rows.n = static_cast<size_t>(rect->right - rect->left + 1) * 3;
    rows.prior = encoder->rows;
    rows.raw = rows.prior + rowBytes;
    rows.candidates = rows.raw + rowBytes;
    rows.candidateStride = rowBytes + 1;
    return rows;
}

const uint32_t* PixelsOf(const RowSource& rows, uint32_t y) {
    return rows.picture->pixels + static_cast<size_t>(y) * rows.picture->stride + rows.rect->left;
}

// Starts at row y: the row above it is the prior, or zeros at the top.
void RowsFrom(RowSource* rows, uint32_t y) {
    if (!rows->filtered) return;
    uint32_t width = rows->rect->right - rows->rect->left + 1;
    if (y == rows->rect->top)
        std::memset(rows->prior, 0, rows->n);
    else
        RgbRow(PixelsOf(*rows, y - 1), width, rows->prior);
}

// Writes row y (1 + n bytes) at out; rows follow one another from RowsFrom.
void NextRow(RowSource* rows, uint32_t y, uint8_t* out) {
    uint32_t width = rows->rect->right - rows->rect->left + 1;
    if (!rows->filtered) {
        out[0] = 0;
        RgbRow(PixelsOf(*rows, y), width, out + 1);
        return;
    }
    RgbRow(PixelsOf(*rows, y), width, rows->raw);
    int filter = FilterRow(rows->raw, rows->prior, rows->n, rows->candidates,
                           rows->candidateStride);
    std::memcpy(out, rows->candidates + filter * rows->candidateStride, rows->n + 1);
    uint8_t* swap = rows->prior;
    rows->prior = rows->raw;
    rows->raw = swap;
}

// The size of the sample's rows deflated fast, unfiltered or filtered.
size_t ProbeSize(PngEncoder* encoder, const ExportPicture* picture, const ExportRect* rect,
                 bool filtered) {
    RowSource rows = RowsOf(encoder, picture, rect, filtered);
    uint32_t height = rect->bottom - rect->top + 1;
    size_t bandRows = PROBE_BAND_BYTES / (rows.n + 1);
    if (bandRows == 0) bandRows = 1;
    uint32_t starts[2] = {rect->top, rect->top};
    uint32_t bands = 1;
    if (height > 4 * bandRows) {
        starts[0] = rect->top + height / 4;
        starts[1] = rect->top + 3 * (height / 4) - static_cast<uint32_t>(bandRows);
        bands = 2;
    } else {
        bandRows = height;
    }
    size_t used = 0;
    for (uint32_t band = 0; band < bands; band++) {
        RowsFrom(&rows, starts[band]);
        for (uint32_t y = starts[band]; y < starts[band] + bandRows; y++) {
            if (used + rows.n + 1 > encoder->probeCapacity) break;
            NextRow(&rows, y, encoder->probeInput + used);
            used += rows.n + 1;
        }
    }
    z_stream* probe = StreamOf(encoder->probe);
    if (deflateReset(probe) != Z_OK) return SIZE_MAX;
    probe->next_in = encoder->probeInput;
    probe->avail_in = static_cast<uInt>(used);
    probe->next_out = encoder->probeOutput;
    probe->avail_out = static_cast<uInt>(encoder->probeOutputCapacity);
    if (deflate(probe, Z_FINISH) != Z_STREAM_END) return SIZE_MAX;
    return probe->total_out;
}

// Sends the chunk filled so far, if it holds data, and starts the next one.
int FlushChunk(PngEncoder* encoder, uint32_t* sequence) {
    z_stream* stream = StreamOf(encoder->stream);
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
    z_stream* stream = StreamOf(encoder->stream);
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
    encoder->probeCapacity = 2 * (PROBE_BAND_BYTES + rowBytes + 1);
    encoder->probeInput = static_cast<uint8_t*>(std::malloc(encoder->probeCapacity));
    z_stream* stream = static_cast<z_stream*>(std::calloc(1, sizeof(z_stream)));
    z_stream* probe = static_cast<z_stream*>(std::calloc(1, sizeof(z_stream)));
    if (!encoder->rows || !encoder->chunk || !encoder->probeInput || !stream || !probe ||
        deflateInit2(stream, level, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
        std::free(stream);
        std::free(probe);
        return Fail(encoder);
    }
    encoder->stream = stream;
    if (deflateInit2(probe, PROBE_LEVEL, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        std::free(probe);
        return Fail(encoder);
    }
    encoder->probe = probe;
    encoder->probeOutputCapacity = deflateBound(probe, static_cast<uLong>(encoder->probeCapacity));
    encoder->probeOutput = static_cast<uint8_t*>(std::malloc(encoder->probeOutputCapacity));
    if (!encoder->probeOutput) return Fail(encoder);
    return 1;
}

void PngEncoderEnd(PngEncoder* encoder) {
    void* streams[2] = {encoder->stream, encoder->probe};
    for (void* stream : streams) {
        if (!stream) continue;
        deflateEnd(StreamOf(stream));
        std::free(stream);
    }
    std::free(encoder->rows);
    std::free(encoder->chunk);
    std::free(encoder->probeInput);
    std::free(encoder->probeOutput);
    encoder->stream = nullptr;
    encoder->probe = nullptr;
    encoder->rows = nullptr;
    encoder->chunk = nullptr;
    encoder->probeInput = nullptr;
    encoder->probeOutput = nullptr;
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
    if (rect->right - rect->left + 1 > encoder->maxWidth) return Fail(encoder);
    size_t asFiltered = ProbeSize(encoder, picture, rect, true);
    size_t asTheyAre = ProbeSize(encoder, picture, rect, false);
    bool filtered = asFiltered != SIZE_MAX && asTheyAre != SIZE_MAX && asFiltered * 4 < asTheyAre * 3;
    z_stream* stream = StreamOf(encoder->stream);
    if (deflateReset(stream) != Z_OK) return Fail(encoder);
    stream->next_out = encoder->chunk + CHUNK_HEAD + (sequence ? SEQUENCE_BYTES : 0);
    stream->avail_out = static_cast<uInt>(PNG_CHUNK_DATA);

    RowSource rows = RowsOf(encoder, picture, rect, filtered);
    uint8_t* input = rows.candidates + FILTER_COUNT * rows.candidateStride;
    size_t used = 0;
    RowsFrom(&rows, rect->top);
    for (uint32_t y = rect->top; y <= rect->bottom; y++) {
        if (used + rows.n + 1 > encoder->inputCapacity) {
            if (!Deflate(encoder, input, used, Z_NO_FLUSH, sequence)) return 0;
            used = 0;
        }
        NextRow(&rows, y, input + used);
        used += rows.n + 1;
    }
    return Deflate(encoder, input, used, Z_FINISH, sequence) && FlushChunk(encoder, sequence);
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
    ExportWalkOptions options = {WriteWantedFrame, &wanted, progress, context, record + 1, false};
    int status = ExportWalkVideo(data, size, &options, stats);
    if (status == EXPORT_WRITE_FAILED) return wanted.status;
    if ((status == EXPORT_DONE || status == EXPORT_NO_FRAMES) && !wanted.written)
        return EXPORT_BAD_FRAME;
    return status;
}
