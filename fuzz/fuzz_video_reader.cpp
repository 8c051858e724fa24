// Arbitrary bytes played as a video: walk the records, unpack and decode each
// onto a surface sized from the file header, through a buffer sized from the
// surface, as playback does. Nothing may
// read beyond the bytes or write beyond the surface and the work buffer.
// The same bytes are read again through a source, one record at a time into
// a buffer of the largest record the surface allows, as a file is played:
// the records must be the same, up to one too large for the buffer, and a
// source whose reads fail part-way must stop there.
// Sides are capped at 256 pixels so that each input stays fast.
#include <cstring>
#include <vector>

#include "frame_surface.h"
#include "fuzz_check.h"
#include "video_reader.h"
#include "video_source.h"

static constexpr uint32_t SIDE_MAX = 256;

namespace {

struct FailingSource {
    VideoMemorySource memory;
    VideoSource inner;
    uint64_t failFrom;
};

size_t ReadUntilFailure(void* context, uint64_t offset, uint8_t* buffer, size_t size) {
    FailingSource* failing = static_cast<FailingSource*>(context);
    if (offset >= failing->failFrom) return 0;
    uint64_t left = failing->failFrom - offset;
    return failing->inner.read(failing->inner.context, offset, buffer,
                               size < left ? size : static_cast<size_t>(left));
}

// Reads the video through a source failing from failFrom on, beside the
// records read in place.
void ReadThroughSource(const std::vector<uint8_t>& video, const std::vector<VideoRecord>& records,
                       const std::vector<uint64_t>& ends, size_t capacity, uint64_t failFrom) {
    FailingSource failing;
    VideoSourceOfMemory(&failing.memory, &failing.inner, video.empty() ? nullptr : video.data(),
                        video.size());
    failing.failFrom = failFrom;
    VideoSource source = {ReadUntilFailure, &failing, video.size()};
    std::vector<uint8_t> buffer(capacity);
    VideoReader reader;
    FUZZ_CHECK(VideoReaderOpenSource(&reader, &source, buffer.data(), buffer.size()) ||
               failFrom < VIDEO_HEADER_SIZE);
    VideoRecord record;
    size_t count = 0;
    while (VideoReaderNext(&reader, &record)) {
        FUZZ_CHECK(count < records.size());
        FUZZ_CHECK(record.data == buffer.data() && record.header.dataSize <= capacity);
        FUZZ_CHECK(std::memcmp(&record.header, &records[count].header, sizeof record.header) == 0);
        FUZZ_CHECK(std::memcmp(record.data, records[count].data, record.header.dataSize) == 0);
        FUZZ_CHECK(reader.position == ends[count]);
        count++;
    }
    if (count < records.size()) {
        // A record header is read whole, also when its headerSize is shorter.
        uint64_t start = count ? ends[count - 1] : records[0].data - video.data() -
                                                       records[0].header.headerSize;
        uint64_t readTo = ends[count] > start + 24 ? ends[count] : start + 24;
        bool tooLarge = records[count].header.dataSize > capacity;
        FUZZ_CHECK((reader.failure == VIDEO_READ_TOO_LARGE && tooLarge) ||
                   (reader.failure == VIDEO_READ_FAILED && readTo > failFrom));
    } else {
        FUZZ_CHECK(reader.failure == VIDEO_READ_OK || reader.failure == VIDEO_READ_FAILED);
    }
}

}  // namespace

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
    std::vector<VideoRecord> records;
    std::vector<uint64_t> ends;
    uint64_t lastPosition = reader.position;
    while (VideoReaderNext(&reader, &record)) {
        FUZZ_CHECK(reader.position > lastPosition && reader.position <= video.size());
        FUZZ_CHECK(record.data >= video.data() &&
                   record.header.dataSize <= static_cast<size_t>(video.data() + video.size() - record.data));
        lastPosition = reader.position;
        VideoRecordApply(&record, &surface, work.data(), work.size());
        records.push_back(record);
        ends.push_back(reader.position);
    }
    FUZZ_CHECK(records.size() <= video.size());
    FrameSurfaceDestroy(&surface);

    size_t capacity = VideoRecordCapacity(width, height);
    ReadThroughSource(video, records, ends, capacity, UINT64_MAX);
    ReadThroughSource(video, records, ends, capacity, video.size() - video.size() / 4);
    return 0;
}
