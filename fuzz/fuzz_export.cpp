// Arbitrary bytes exported as a video: walked by the export pipeline into the
// animated PNG and GIF writers, as zuvtool and the recorder do. Nothing may
// read beyond the bytes or write beyond a buffer, and what the writers give
// must be a whole file. The picture sides in the header are capped at 64
// pixels (bytes 12 to 15) so that each input stays fast and small.
#include <cstring>
#include <vector>

#include "byte_order.h"
#include "export/apng_writer.h"
#include "export/gif_writer.h"
#include "fuzz_check.h"

static constexpr uint16_t SIDE_MAX = 64;

namespace {

struct Output {
    std::vector<uint8_t> bytes;
};

int Append(void* context, const uint8_t* bytes, size_t length) {
    Output* out = static_cast<Output*>(context);
    out->bytes.insert(out->bytes.end(), bytes, bytes + length);
    return 1;
}

int Rewrite(void* context, uint64_t offset, const uint8_t* bytes, size_t length) {
    Output* out = static_cast<Output*>(context);
    FUZZ_CHECK(offset + length <= out->bytes.size());
    std::memcpy(out->bytes.data() + offset, bytes, length);
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> video(data, data + size);
    for (size_t at = 12; at + 2 <= 16 && at + 2 <= video.size(); at += 2) {
        if (LoadLE16(&video[at]) > SIDE_MAX) StoreLE16(&video[at], SIDE_MAX);
    }
    const uint8_t* bytes = video.empty() ? nullptr : video.data();

    Output png;
    ExportSink pngSink = {Append, Rewrite, &png};
    ExportWalkStats stats;
    int status = ExportApng(bytes, video.size(), &pngSink, nullptr, nullptr, &stats);
    FUZZ_CHECK(stats.records <= video.size());
    FUZZ_CHECK(stats.width <= SIDE_MAX && stats.height <= SIDE_MAX);
    if (status == EXPORT_DONE) {
        FUZZ_CHECK(png.bytes.size() > 8 && std::memcmp(png.bytes.data(), PNG_SIGNATURE, 8) == 0);
        FUZZ_CHECK(std::memcmp(png.bytes.data() + png.bytes.size() - 8, "IEND", 4) == 0);
    }

    Output gif;
    ExportSink gifSink = {Append, nullptr, &gif};
    GifExportStats gifStats;
    int gifStatus = ExportGif(bytes, video.size(), &gifSink, nullptr, nullptr, &stats, &gifStats);
    FUZZ_CHECK(gifStatus == status);
    if (gifStatus == EXPORT_DONE) {
        FUZZ_CHECK(gif.bytes.size() > 13 && std::memcmp(gif.bytes.data(), "GIF89a", 6) == 0);
        FUZZ_CHECK(gif.bytes.back() == 0x3B);
        FUZZ_CHECK(gifStats.framesExact + gifStats.framesQuantized <= stats.records);
    }
    return 0;
}
