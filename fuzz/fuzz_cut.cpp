// Arbitrary bytes cut as a video, as zuvtool and the recorder's cut window
// do: a range chosen from the input's length, and the still ends found. A
// part that is written must be a sound video whose every picture is the
// original's at the same record, as the picture finder shows it. The picture
// sides in the header are capped at 64 pixels (bytes 12 to 15) so that each
// input stays fast and small.
#include <cstring>
#include <vector>

#include "byte_order.h"
#include "fuzz_check.h"
#include "video_cut.h"
#include "video_seek.h"

static constexpr uint16_t SIDE_MAX = 64;

namespace {

int Append(void* context, const uint8_t* bytes, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    out->insert(out->end(), bytes, bytes + length);
    return 1;
}

bool SamePictures(FrameSurface* a, FrameSurface* b) {
    if (a->width != b->width || a->height != b->height) return false;
    FrameSurfaceLock(a);
    FrameSurfaceLock(b);
    bool same = true;
    for (int32_t y = 0; y < a->height && same; y++)
        for (int32_t x = 0; x < a->width && same; x++)
            same = ((a->pixels[y * a->stride + x] ^ b->pixels[y * b->stride + x]) & 0xFFFFFF) == 0;
    FrameSurfaceUnlock(a);
    FrameSurfaceUnlock(b);
    return same;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> video(data, data + size);
    for (size_t at = 12; at + 2 <= 16 && at + 2 <= video.size(); at += 2) {
        if (LoadLE16(&video[at]) > SIDE_MAX) StoreLE16(&video[at], SIDE_MAX);
    }
    const uint8_t* bytes = video.empty() ? nullptr : video.data();

    std::vector<uint8_t> part;
    uint64_t first = size % 5;
    uint64_t last = size % 3 ? first + size % 11 : VIDEO_CUT_TO_END;
    VideoCutOptions options = {first, last, Append, &part, nullptr, nullptr};
    VideoWalkStats stats;
    int status = VideoCut(bytes, video.size(), &options, &stats);
    FUZZ_CHECK(stats.records <= video.size());

    uint64_t trimFirst = 0, trimLast = 0;
    VideoWalkStats trimStats;
    int trimStatus = VideoFindStillEnds(bytes, video.size(), nullptr, nullptr, &trimFirst,
                                        &trimLast, &trimStats);
    if (trimStatus == VIDEO_CUT_DONE)
        FUZZ_CHECK(trimFirst <= trimLast && trimLast < trimStats.records);
    if (status != VIDEO_CUT_DONE) return 0;

    uint64_t records = stats.records - first;
    FUZZ_CHECK(last == VIDEO_CUT_TO_END || stats.records - 1 <= last);
    VideoSeek original, cut;
    FUZZ_CHECK(VideoSeekBegin(&original, bytes, video.size(), nullptr, nullptr) == VIDEO_CUT_DONE);
    FUZZ_CHECK(VideoSeekBegin(&cut, part.data(), part.size(), nullptr, nullptr) ==
               VIDEO_CUT_DONE);
    FUZZ_CHECK(cut.stats.damage == VIDEO_SOUND && cut.records == records);
    for (uint64_t i = records; i-- > 0;) {
        FUZZ_CHECK(VideoSeekShow(&original, first + i) && VideoSeekShow(&cut, i));
        FUZZ_CHECK(SamePictures(&original.walk.surface, &cut.walk.surface));
    }
    VideoSeekEnd(&original);
    VideoSeekEnd(&cut);
    return 0;
}
