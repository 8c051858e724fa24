#include "export/gif_writer.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "byte_order.h"
#include "video_format.h"

namespace {

constexpr uint64_t DELAY_MAX = 65535;
constexpr uint32_t SIDE_MAX = 65535;
constexpr uint8_t DISPOSE_NONE = 1 << 2;  // leave the frame in place
constexpr uint8_t HAS_TRANSPARENT = 1;
constexpr uint8_t LOCAL_TABLE = 0x80;

int Write(GifWriter* writer, const uint8_t* bytes, size_t length) {
    return writer->sink.write(writer->sink.context, bytes, length);
}

uint32_t TableBits(uint32_t entries) {
    uint32_t bits = 1;
    while ((1u << bits) < entries) bits++;
    return bits;
}

// The pixels of the rectangle to code: all of them, or with transparency
// only those that differ from the picture before.
template <typename Visit>
void ForEachCoded(const ExportFrame* frame, bool transparent, Visit visit) {
    const ExportRect& rect = frame->changed;
    size_t i = 0;
    for (uint32_t y = rect.top; y <= rect.bottom; y++) {
        const uint32_t* now = frame->picture.pixels + static_cast<size_t>(y) * frame->picture.stride;
        const uint32_t* before =
            frame->previous.pixels + static_cast<size_t>(y) * frame->previous.stride;
        for (uint32_t x = rect.left; x <= rect.right; x++, i++) {
            if (transparent && now[x] == before[x]) continue;
            visit(i, now[x]);
        }
    }
}

// Codes the frame's rectangle one way into the candidate: its table (exact
// when the colours fit), the indices, and the LZW bytes.
void Code(GifWriter* writer, const ExportFrame* frame, bool transparent, GifCandidate* c) {
    const ExportRect& rect = frame->changed;
    size_t count = static_cast<size_t>(rect.right - rect.left + 1) * (rect.bottom - rect.top + 1);
    ColourCounter* counter = writer->counter;
    ColourCounterReset(counter);
    ForEachCoded(frame, transparent, [counter](size_t, uint32_t p) { ColourCounterAdd(counter, p); });
    uint32_t limit = transparent ? 255 : 256;
    c->transparent = transparent;
    c->exact = ColourCounterFits(counter, limit);
    c->squaredError = 0;
    uint8_t* indices = c->indices;
    if (c->exact) {
        ColourCounterTable(counter, &c->table);
        ForEachCoded(frame, transparent, [counter, indices](size_t i, uint32_t p) {
            indices[i] = ColourCounterIndex(counter, p);
        });
    } else {
        ColourQuantizer* quantizer = writer->quantizer;
        if (!ColourCounterComplete(counter)) {
            ColourQuantizerReset(quantizer);
            ForEachCoded(frame, transparent,
                         [quantizer](size_t, uint32_t p) { ColourQuantizerAdd(quantizer, p); });
        }
        ColourQuantizerMake(quantizer, counter, limit, &c->table);
        const ColourTable* table = &c->table;
        double error = 0;
        ForEachCoded(frame, transparent, [&](size_t i, uint32_t p) {
            uint8_t index = ColourQuantizerNearest(quantizer, table, p);
            indices[i] = index;
            uint32_t q = table->colours[index];
            int dr = static_cast<int>((p >> 16) & 255) - static_cast<int>((q >> 16) & 255);
            int dg = static_cast<int>((p >> 8) & 255) - static_cast<int>((q >> 8) & 255);
            int db = static_cast<int>(p & 255) - static_cast<int>(q & 255);
            error += dr * dr + dg * dg + db * db;
        });
        c->squaredError = error;
    }
    if (transparent) {
        uint8_t clear = static_cast<uint8_t>(c->table.count);
        size_t i = 0;
        for (uint32_t y = rect.top; y <= rect.bottom; y++) {
            const uint32_t* now =
                frame->picture.pixels + static_cast<size_t>(y) * frame->picture.stride;
            const uint32_t* before =
                frame->previous.pixels + static_cast<size_t>(y) * frame->previous.stride;
            for (uint32_t x = rect.left; x <= rect.right; x++, i++)
                if (now[x] == before[x]) indices[i] = clear;
        }
    }
    c->codedPixels = counter->total;
    uint32_t entries = c->table.count + (transparent ? 1 : 0);
    uint32_t minCodeSize = TableBits(entries) < 2 ? 2 : TableBits(entries);
    c->codedSize = GifLzwEncode(c->indices, count, minCodeSize, writer->lzw, c->coded,
                                writer->codedCapacity);
}

size_t TotalSize(const GifCandidate& c) {
    return c.codedSize + 3 * (size_t{1} << TableBits(c.table.count + (c.transparent ? 1 : 0)));
}

int WriteControl(GifWriter* writer, uint64_t delay, bool transparent, uint32_t clearIndex) {
    uint8_t control[8] = {0x21, 0xF9, 4, 0, 0, 0, 0, 0};
    control[3] = DISPOSE_NONE | (transparent ? HAS_TRANSPARENT : 0);
    StoreLE16(control + 4, static_cast<uint16_t>(delay));
    control[6] = static_cast<uint8_t>(clearIndex);
    return Write(writer, control, sizeof control);
}

int WriteImage(GifWriter* writer, const ExportRect& rect, const GifCandidate& c) {
    uint32_t bits = TableBits(c.table.count + (c.transparent ? 1 : 0));
    uint8_t descriptor[10] = {0x2C};
    StoreLE16(descriptor + 1, static_cast<uint16_t>(rect.left));
    StoreLE16(descriptor + 3, static_cast<uint16_t>(rect.top));
    StoreLE16(descriptor + 5, static_cast<uint16_t>(rect.right - rect.left + 1));
    StoreLE16(descriptor + 7, static_cast<uint16_t>(rect.bottom - rect.top + 1));
    descriptor[9] = static_cast<uint8_t>(LOCAL_TABLE | (bits - 1));
    uint8_t table[3 * 256] = {};
    for (uint32_t i = 0; i < c.table.count; i++) {
        table[3 * i] = static_cast<uint8_t>(c.table.colours[i] >> 16);
        table[3 * i + 1] = static_cast<uint8_t>(c.table.colours[i] >> 8);
        table[3 * i + 2] = static_cast<uint8_t>(c.table.colours[i]);
    }
    return Write(writer, descriptor, sizeof descriptor) &&
           Write(writer, table, 3 * (size_t{1} << bits)) &&
           Write(writer, c.coded, c.codedSize);
}

// A frame that changes nothing, to hold the picture longer than one delay
// can: one transparent pixel in the corner.
int WriteHold(GifWriter* writer, uint64_t delay) {
    static const uint8_t image[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, LOCAL_TABLE,
                                    0, 0, 0, 0, 0, 0,          // two-colour table
                                    2, 2, 0x44, 0x01, 0};      // LZW: clear, 0, end
    return WriteControl(writer, delay, true, 0) && Write(writer, image, sizeof image);
}

}  // namespace

int GifWriterBegin(GifWriter* writer, const ExportSink* sink, uint32_t width, uint32_t height,
                   uint32_t intervalMs) {
    *writer = GifWriter{};
    writer->sink = *sink;
    writer->intervalMs = intervalMs;
    size_t pixels = FrameBufferSize(width, height, 1);
    if (intervalMs == 0 || width > SIDE_MAX || height > SIDE_MAX || pixels == 0) return 0;
    writer->codedCapacity = GifLzwBound(pixels);
    for (GifCandidate& c : writer->candidates) {
        c.indices = static_cast<uint8_t*>(std::malloc(pixels));
        c.coded = static_cast<uint8_t*>(std::malloc(writer->codedCapacity));
        if (!c.indices || !c.coded) return 0;
    }
    writer->lzw = static_cast<GifLzwTable*>(std::malloc(sizeof(GifLzwTable)));
    writer->counter = static_cast<ColourCounter*>(std::malloc(sizeof(ColourCounter)));
    writer->quantizer = static_cast<ColourQuantizer*>(std::malloc(sizeof(ColourQuantizer)));
    if (!writer->lzw || !writer->counter || !writer->quantizer) return 0;
    ColourCounterInit(writer->counter);

    uint8_t header[13] = {'G', 'I', 'F', '8', '9', 'a'};
    StoreLE16(header + 6, static_cast<uint16_t>(width));
    StoreLE16(header + 8, static_cast<uint16_t>(height));
    // No global colour table: every frame brings its own.
    static const uint8_t loop[19] = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P',
                                     'E', '2', '.', '0', 3, 1, 0, 0, 0};
    return Write(writer, header, sizeof header) && Write(writer, loop, sizeof loop);
}

int GifWriterFrame(GifWriter* writer, const ExportFrame* frame) {
    Code(writer, frame, false, &writer->candidates[0]);
    int best = 0;
    // Only a frame after the first has a picture below it to show through,
    // and only a rectangle with unchanged pixels gains from it.
    if (frame->index > 0 && writer->candidates[0].codedPixels > 0) {
        Code(writer, frame, true, &writer->candidates[1]);
        const GifCandidate& opaque = writer->candidates[0];
        const GifCandidate& clear = writer->candidates[1];
        bool tried = clear.codedPixels < opaque.codedPixels;
        if (tried && (clear.exact != opaque.exact ? clear.exact
                                                  : TotalSize(clear) < TotalSize(opaque)))
            best = 1;
    }
    const GifCandidate& chosen = writer->candidates[best];
    if (chosen.codedSize == 0) return 0;

    writer->records += frame->records;
    uint64_t end = (writer->records * writer->intervalMs + 5) / 10;
    uint64_t delay = end - writer->centiseconds;
    writer->centiseconds = end;
    uint64_t piece = delay < DELAY_MAX ? delay : DELAY_MAX;
    if (!WriteControl(writer, piece, chosen.transparent, chosen.table.count) ||
        !WriteImage(writer, frame->changed, chosen))
        return 0;
    for (delay -= piece; delay; delay -= piece) {
        piece = delay < DELAY_MAX ? delay : DELAY_MAX;
        if (!WriteHold(writer, piece)) return 0;
    }
    if (chosen.exact) {
        writer->stats.framesExact++;
    } else {
        writer->stats.framesQuantized++;
        writer->stats.pixelsQuantized += chosen.codedPixels;
        writer->stats.squaredError += chosen.squaredError;
    }
    return 1;
}

int GifWriterEnd(GifWriter* writer) {
    static const uint8_t trailer = 0x3B;
    return Write(writer, &trailer, 1);
}

void GifWriterRelease(GifWriter* writer) {
    for (GifCandidate& c : writer->candidates) {
        std::free(c.indices);
        std::free(c.coded);
        c.indices = nullptr;
        c.coded = nullptr;
    }
    std::free(writer->lzw);
    std::free(writer->counter);
    std::free(writer->quantizer);
    writer->lzw = nullptr;
    writer->counter = nullptr;
    writer->quantizer = nullptr;
}

int ExportGif(const uint8_t* data, size_t size, const ExportSink* sink, ExportProgress progress,
              void* context, ExportWalkStats* stats, GifExportStats* gifStats) {
    VideoMemorySource memory;
    VideoSource source;
    VideoSourceOfMemory(&memory, &source, data, size);
    return ExportGifSource(&source, sink, progress, context, stats, gifStats);
}

int ExportGifSource(const VideoSource* source, const ExportSink* sink, ExportProgress progress,
                    void* context, ExportWalkStats* stats, GifExportStats* gifStats) {
    GifWriter state = {};
    ExportWriter writer = ExportWriterOf<GifWriter, GifWriterBegin, GifWriterFrame, GifWriterEnd,
                                         GifWriterRelease>(&state);
    writer.needsPrevious = true;  // for the pixels that did not change
    int status = ExportVideoSource(source, &writer, sink, progress, context, stats);
    if (gifStats) *gifStats = state.stats;
    return status;
}

double GifPeakSignalToNoise(const GifExportStats* stats) {
    if (stats->pixelsQuantized == 0) return 0;
    double meanSquare = stats->squaredError / (3.0 * static_cast<double>(stats->pixelsQuantized));
    if (meanSquare <= 0) return INFINITY;
    return 10 * std::log10(255.0 * 255.0 / meanSquare);
}
