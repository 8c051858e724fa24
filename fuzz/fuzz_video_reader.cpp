// Arbitrary bytes played as a video: walk the records, unpack and decode each
// onto a surface sized from the file header, through a buffer sized from the
// surface, as playback does. Nothing may
// read beyond the bytes or write beyond the surface and the work buffer.
// Sides are capped at 256 pixels so that each input stays fast.
#include <vector>

#include "frame_surface.h"
#include "fuzz_check.h"
#include "video_reader.h"

static constexpr uint32_t SIDE_MAX = 256;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> video(data, data + size);
    VideoReader reader;
    if (!VideoReaderOpen(&reader, video.empty() ? nullptr : video.data(), video.size())) return 0;
    uint32_t width = reader.header.width < SIDE_MAX ? reader.header.width : SIDE_MAX;
    uint32_t height = reader.header.height < SIDE_MAX ? reader.header.height : SIDE_MAX;
    if (width == 0 || height == 0) return 0;

    FrameSurface surface;
    FUZZ_CHECK(FrameSurfaceCreate(width, height, &surface) != nullptr);
    std::vector<uint8_t> work(VideoUnpackCapacity(width, height));
    VideoRecord record;
    size_t records = 0;
    size_t lastPosition = reader.position;
    while (VideoReaderNext(&reader, &record)) {
        FUZZ_CHECK(reader.position > lastPosition && reader.position <= video.size());
        FUZZ_CHECK(record.data >= video.data() &&
                   record.header.dataSize <= static_cast<size_t>(video.data() + video.size() - record.data));
        lastPosition = reader.position;
        VideoRecordApply(&record, &surface, work.data(), work.size());
        records++;
    }
    FUZZ_CHECK(records <= video.size());
    FrameSurfaceDestroy(&surface);
    return 0;
}
