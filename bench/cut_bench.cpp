// The cut's measurements on screen corpus content (scripts/measure/measure_cut.sh).
//
//   cut_bench make MINUTES FPS HOLD OUT.zuv FRAMES.bgrx...
// makes a recording of MINUTES at FPS the way the recorder stores it: the
// corpus frames (all of one size) shown in turn, each held for HOLD records,
// over and over.
//
//   cut_bench jump VIDEO.zuv
// times the cut window's jumps: the first walk through the video, then
// random jumps, a step of one record forward and back, and the worst jumps,
// to the record before each key frame. Before timing, every jump's picture
// is checked against a plain walk to the same record. Times are printed
// beside a memcpy of one picture, measured in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "video_seek.h"
#include "video_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool ReadFile(const char* path, std::vector<uint8_t>* bytes) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    std::fseek(file, 0, SEEK_END);
    long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    bytes->resize(size > 0 ? static_cast<size_t>(size) : 0);
    bool ok = std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
    std::fclose(file);
    return ok;
}

int Make(int argc, char** argv) {
    if (argc < 7) return 2;
    unsigned minutes = std::atoi(argv[2]), fps = std::atoi(argv[3]), hold = std::atoi(argv[4]);
    const char* out = argv[5];
    std::vector<std::vector<uint8_t>> sequences;
    for (int i = 6; i < argc; i++) {
        sequences.emplace_back();
        if (!ReadFile(argv[i], &sequences.back())) return 1;
    }
    // Each sequence's frames, WIDTH x HEIGHT from the environment's corpus
    // description, passed as the name: NAME.bgrx next to NAME.txt.
    std::string description = std::string(argv[6]);
    description.replace(description.size() - 4, 4, "txt");
    FILE* info = std::fopen(description.c_str(), "r");
    unsigned width = 0, height = 0;
    char line[128];
    while (info && std::fgets(line, sizeof line, info)) {
        std::sscanf(line, "width=%u", &width);
        std::sscanf(line, "height=%u", &height);
    }
    if (info) std::fclose(info);
    size_t frameBytes = static_cast<size_t>(width) * height * 4;
    std::vector<const uint8_t*> frames;
    for (const auto& s : sequences)
        for (size_t at = 0; frameBytes && at + frameBytes <= s.size(); at += frameBytes)
            frames.push_back(s.data() + at);
    FrameSurface current, previous;
    FILE* file = std::fopen(out, "wb");
    if (frames.empty() || !file || !FrameSurfaceCreate(width, height, &current) ||
        !FrameSurfaceCreate(width, height, &previous))
        return 1;
    FrameSurfaceLock(&previous);
    FrameSurfaceFill(&previous, 0, 0, width - 1, height - 1, 0);
    FrameSurfaceUnlock(&previous);
    uint8_t stored[VIDEO_HEADER_SIZE];
    VideoFileHeader header = VideoFileHeaderMake(width, height, fps);
    VideoFileHeaderStore(&header, stored);
    bool ok = std::fwrite(stored, 1, sizeof stored, file) == sizeof stored;
    std::vector<uint8_t> work(RecordWorkSize(width, height));
    uint32_t records = minutes * 60 * fps;
    for (uint32_t i = 0; ok && i < records; i++) {
        const uint8_t* frame = frames[(i / hold) % frames.size()];
        uint32_t* pixels = FrameSurfaceLock(&current);
        for (unsigned y = 0; y < height; y++)
            std::memcpy(pixels + y * current.stride, frame + y * width * 4, width * 4);
        FrameSurfaceUnlock(&current);
        FrameRecordHeader record;
        const uint8_t* data = nullptr;
        uint8_t recordBytes[FRAME_RECORD_HEADER_SIZE];
        ok = VideoRecordEncode(&current, &previous, i, work.data(), work.size(), &record, &data);
        FrameRecordHeaderStore(&record, recordBytes);
        ok = ok && std::fwrite(recordBytes, 1, sizeof recordBytes, file) == sizeof recordBytes &&
             std::fwrite(data, 1, record.dataSize, file) == record.dataSize;
        if (record.frameType != FRAME_UNCHANGED)
            FrameSurfaceCopyRect(&previous, 0, 0, width - 1, height - 1, &current, 0, 0,
                                 width - 1, height - 1);
    }
    ok = std::fclose(file) == 0 && ok;
    return ok ? 0 : 1;
}

std::vector<uint32_t> Picture(FrameSurface* surface) {
    std::vector<uint32_t> picture;
    FrameSurfaceLock(surface);
    for (int32_t y = 0; y < surface->height; y++)
        picture.insert(picture.end(), surface->pixels + y * surface->stride,
                       surface->pixels + y * surface->stride + surface->width);
    FrameSurfaceUnlock(surface);
    return picture;
}

struct Figures {
    std::vector<double> ms;
    void Print(const char* what, double memcpyMs) {
        std::sort(ms.begin(), ms.end());
        double median = ms[ms.size() / 2], p95 = ms[ms.size() * 95 / 100], top = ms.back();
        std::printf("%-36s %5zu  median %7.2f ms  95%% %7.2f ms  max %7.2f ms  (%.0f memcpy)\n",
                    what, ms.size(), median, p95, top, median / memcpyMs);
    }
};

// A video as the recorder reads one: mapped, not read into memory.
struct Mapped {
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    const uint8_t* data() const { return bytes; }
    size_t size() const { return length; }
};

int Jump(const char* path) {
    Mapped video;
    int fd = open(path, O_RDONLY);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0 || info.st_size <= 0) return 1;
    video.length = static_cast<size_t>(info.st_size);
    void* view = mmap(nullptr, video.length, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (view == MAP_FAILED) return 1;
    video.bytes = static_cast<const uint8_t*>(view);
    VideoSeek seek;
    auto start = Clock::now();
    if (VideoSeekBegin(&seek, video.data(), video.size(), nullptr, nullptr) != VIDEO_CUT_DONE)
        return 1;
    double survey = Ms(start);
    uint32_t width = seek.stats.width, height = seek.stats.height;
    std::printf("%s: %u x %u, %llu records, %zu key frames, %.1f MB\n", path, width, height,
                static_cast<unsigned long long>(seek.records), seek.pointCount,
                video.size() / 1e6);
    std::printf("%-36s %.0f ms\n", "first walk (opening the window)", survey);

    // Checked first: jumps in random order against a plain walk.
    std::mt19937 random(27);
    for (int i = 0; i < 12; i++) {
        uint64_t record = random() % seek.records;
        VideoSeekShow(&seek, record);
        VideoWalk plain;
        VideoWalkBegin(&plain, video.data(), video.size());
        while (plain.stats.records <= record) VideoWalkNext(&plain);
        bool same = Picture(&seek.walk.surface) == Picture(&plain.surface);
        VideoWalkEnd(&plain);
        if (!same) {
            std::fprintf(stderr, "cut_bench: the picture of record %llu differs\n",
                         static_cast<unsigned long long>(record));
            return 1;
        }
    }

    std::vector<uint8_t> from(static_cast<size_t>(width) * height * 4, 1), to(from.size());
    Figures copy;
    for (int i = 0; i < 50; i++) {
        auto t = Clock::now();
        std::memcpy(to.data(), from.data(), from.size());
        copy.ms.push_back(Ms(t));
        from[i] = to[from.size() - 1 - i];
    }
    std::sort(copy.ms.begin(), copy.ms.end());
    double memcpyMs = copy.ms[copy.ms.size() / 2];
    std::printf("%-36s %.3f ms\n", "memcpy of one picture", memcpyMs);

    Figures randomJumps, forward, back, worst;
    for (int i = 0; i < 200; i++) {
        uint64_t record = random() % seek.records;
        auto t = Clock::now();
        VideoSeekShow(&seek, record);
        randomJumps.ms.push_back(Ms(t));
    }
    for (int i = 0; i < 200; i++) {
        uint64_t record = random() % (seek.records - 1);
        VideoSeekShow(&seek, record);
        auto t = Clock::now();
        VideoSeekShow(&seek, record + 1);
        forward.ms.push_back(Ms(t));
        t = Clock::now();
        VideoSeekShow(&seek, record);
        back.ms.push_back(Ms(t));
    }
    for (size_t i = 1; i < seek.pointCount; i++) {
        VideoSeekShow(&seek, 0);
        auto t = Clock::now();
        VideoSeekShow(&seek, seek.points[i].record - 1);
        worst.ms.push_back(Ms(t));
    }
    randomJumps.Print("random jump", memcpyMs);
    forward.Print("one record forward (arrow key)", memcpyMs);
    back.Print("one record back (arrow key)", memcpyMs);
    if (!worst.ms.empty()) worst.Print("to the record before a key frame", memcpyMs);
    VideoSeekEnd(&seek);
    munmap(view, video.length);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && !std::strcmp(argv[1], "make")) return Make(argc, argv);
    if (argc == 3 && !std::strcmp(argv[1], "jump")) return Jump(argv[2]);
    std::fprintf(stderr,
                 "usage: cut_bench make MINUTES FPS HOLD OUT.zuv FRAMES.bgrx...\n"
                 "       cut_bench jump VIDEO.zuv\n");
    return 2;
}
