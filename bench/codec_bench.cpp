// Times the codec and the packer on real screen content: each frame of a
// corpus sequence against the one before, as a recording takes them. Checks
// every frame's round trip, and that the fast paths give the reference's
// bytes, before it times anything. Every figure is printed beside a memcpy of
// one frame (a memcmp of two for the change test) measured in the same run,
// and, where the libraries are built in, beside LZ4 and zlib compressing the
// same planes.
//
//   codec_bench [--level scalar|sse2|avx2] CORPUS_DIR NAME...
// (NAME.txt and the unpacked NAME.bgrx); the level defaults to the best the
// processor runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codec/codec_kernels.h"
#include "codec/frame_codec.h"
#include "codec/run_length.h"

#if defined(MORVANE_BENCH_PEERS)
#include <lz4.h>
#include <zlib.h>
#endif

namespace {

constexpr int REPEATS = 7;

const EncodeKernels* encoder = nullptr;
const DecodeKernels* decoder = nullptr;

struct Sequence {
    std::string name;
    uint32_t width = 0, height = 0, frames = 0;
    std::vector<uint32_t> pixels;
    const uint32_t* Frame(uint32_t i) const {
        return pixels.data() + static_cast<size_t>(i) * width * height;
    }
};

bool LoadSequence(const std::string& dir, const std::string& name, Sequence* sequence) {
    sequence->name = name;
    FILE* text = std::fopen((dir + "/" + name + ".txt").c_str(), "r");
    if (!text) return false;
    char line[256];
    while (std::fgets(line, sizeof line, text)) {
        unsigned value;
        if (std::sscanf(line, "width=%u", &value) == 1) sequence->width = value;
        if (std::sscanf(line, "height=%u", &value) == 1) sequence->height = value;
        if (std::sscanf(line, "frames=%u", &value) == 1) sequence->frames = value;
    }
    std::fclose(text);
    if (!sequence->width || !sequence->height || !sequence->frames ||
        sequence->width > FRAME_SURFACE_MAX_SIDE || sequence->height > FRAME_SURFACE_MAX_SIDE)
        return false;
    size_t count = static_cast<size_t>(sequence->width) * sequence->height * sequence->frames;
    sequence->pixels.resize(count);
    FILE* data = std::fopen((dir + "/" + name + ".bgrx").c_str(), "rb");
    if (!data) return false;
    size_t read = std::fread(sequence->pixels.data(), 4, count, data);
    std::fclose(data);
    return read == count;
}

double Seconds() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The fastest of REPEATS runs of step, each after prepare (not timed): on a
// shared machine the other programs only ever add time.
template <class Prepare, class Step>
double TimeStep(Prepare prepare, Step step) {
    double best = 1e30;
    for (int k = 0; k < REPEATS; k++) {
        prepare();
        double start = Seconds();
        step();
        best = std::min(best, Seconds() - start);
    }
    return best;
}

void Fill(FrameSurface* surface, const uint32_t* picture) {
    uint32_t* pixels = FrameSurfaceLock(surface);
    for (int32_t y = 0; y < surface->height; y++)
        std::memcpy(pixels + static_cast<size_t>(y) * surface->stride,
                    picture + static_cast<size_t>(y) * surface->width,
                    static_cast<size_t>(surface->width) * 4);
    FrameSurfaceUnlock(surface);
}

bool SameRgb(FrameSurface* surface, const uint32_t* picture) {
    uint32_t* pixels = FrameSurfaceLock(surface);
    bool same = true;
    for (int32_t y = 0; y < surface->height && same; y++)
        for (int32_t x = 0; x < surface->width; x++)
            if ((pixels[static_cast<size_t>(y) * surface->stride + x] ^
                 picture[static_cast<size_t>(y) * surface->width + x]) &
                0x00FFFFFF) {
                same = false;
                break;
            }
    FrameSurfaceUnlock(surface);
    return same;
}

enum Step {
    STEP_MEMCPY,
    STEP_MEMCMP,
    STEP_CHANGE_TEST,
    STEP_ENCODE,
    STEP_ENCODE_THEN_COPY,
    STEP_ENCODE_KEEPING,
    STEP_PACK,
    STEP_UNPACK,
    STEP_DECODE,
    STEP_RECORD,
    STEP_PLAY,
    STEP_ENCODE_SCALAR,
    STEP_PACK_SCALAR,
    STEP_UNPACK_SCALAR,
    STEP_DECODE_SCALAR,
    STEP_LZ4,
    STEP_ZLIB,
    STEP_COUNT
};

const char* const STEP_NAMES[STEP_COUNT] = {
    "memcpy (frame)",
    "memcmp (2 frames)",
    "change test",
    "encode",
    "encode, then copy",
    "encode, keeping",
    "pack",
    "unpack",
    "decode",
    "record = enc+pack",
    "play = unp+dec",
    "encode (scalar)",
    "pack (scalar)",
    "unpack (scalar)",
    "decode (scalar)",
    "lz4 default",
    "zlib level 1",
};

struct Work {
    FrameSurface current = {}, previous = {}, same = {}, shown = {};
    std::vector<uint8_t> planes, packed, unpacked, reference, peer;
    std::vector<uint32_t> copy;
};

// Checks frame i's round trip and the fast paths against the reference.
// Leaves the encoded planes, the packed stream and their headers in work.
bool Verify(const Sequence& s, uint32_t i, Work* w, FrameRecordHeader* encoded,
            FrameRecordHeader* packed) {
    *encoded = FrameRecordHeader{};
    encoded->headerSize = FRAME_RECORD_HEADER_SIZE;
    encoded->frameType = i == 0 ? FRAME_KEY : FRAME_DELTA;
    FrameRecordHeader reference = *encoded;
    if (!FrameDeltaEncodeWith(encoder, &w->current, &w->previous, encoded, w->planes.data(),
                              w->planes.size()) ||
        !FrameDeltaEncodeScalar(&w->current, &w->previous, &reference, w->reference.data(),
                                w->reference.size()) ||
        std::memcmp(encoded, &reference, sizeof reference) != 0 ||
        std::memcmp(w->planes.data(), w->reference.data(), encoded->dataSize) != 0) {
        std::printf("%s frame %u: the encoder differs from the reference\n", s.name.c_str(), i);
        return false;
    }
    *packed = *encoded;
    if (encoded->frameType == FRAME_UNCHANGED) return true;
    size_t length = RunLengthPackWith(encoder, w->packed.data(), w->packed.size(), w->planes.data(),
                                      encoded->dataSize);
    size_t referenceLength = RunLengthPackScalar(w->reference.data(), w->reference.size(),
                                                 w->planes.data(), encoded->dataSize);
    if (length == 0 || length != referenceLength ||
        std::memcmp(w->packed.data(), w->reference.data(), length) != 0) {
        std::printf("%s frame %u: the packer differs from the reference\n", s.name.c_str(), i);
        return false;
    }
    if (PackFrameData(packed, w->planes.data(), w->packed.data(), w->packed.size()) == 0)
        *packed = *encoded;
    // A frame that packing would not shrink is stored as its planes.
    FrameRecordHeader played = *packed;
    const uint8_t* data = w->planes.data();
    if (UnpackFrameData(&played, w->packed.data(), w->unpacked.data(), w->unpacked.size()))
        data = w->unpacked.data();
    if (played.dataSize != encoded->dataSize ||
        std::memcmp(data, w->planes.data(), encoded->dataSize) != 0) {
        std::printf("%s frame %u: unpacking does not give the planes back\n", s.name.c_str(), i);
        return false;
    }
    Fill(&w->shown, i == 0 ? w->copy.data() : s.Frame(i - 1));
    if (!FrameDeltaDecodeWith(decoder, &w->shown, &played, data, played.dataSize) ||
        !SameRgb(&w->shown, s.Frame(i))) {
        std::printf("%s frame %u: decoding does not give the picture back\n", s.name.c_str(), i);
        return false;
    }
    return true;
}

bool RunSequence(const Sequence& s) {
    Work w;
    uint32_t width = s.width, height = s.height;
    size_t frameBytes = static_cast<size_t>(width) * height * 4;
    size_t planeBytes = static_cast<size_t>(width) * height * 3;
    if (!FrameSurfaceCreate(width, height, &w.current) ||
        !FrameSurfaceCreate(width, height, &w.previous) ||
        !FrameSurfaceCreate(width, height, &w.same) ||
        !FrameSurfaceCreate(width, height, &w.shown)) {
        std::printf("%s: cannot make the surfaces\n", s.name.c_str());
        return false;
    }
    w.planes.resize(planeBytes);
    w.reference.resize(RunLengthPackBound(planeBytes));
    w.packed.resize(RunLengthPackBound(planeBytes));
    w.unpacked.resize(planeBytes * 5 / 3);
    w.copy.assign(static_cast<size_t>(width) * height, 0);
#if defined(MORVANE_BENCH_PEERS)
    size_t peerBound = std::max<size_t>(LZ4_compressBound(static_cast<int>(planeBytes)),
                                        compressBound(static_cast<uLong>(planeBytes)));
    w.peer.resize(peerBound);
#endif

    std::vector<double> samples[STEP_COUNT];
    double packedBytes = 0;
#if defined(MORVANE_BENCH_PEERS)
    double lz4Bytes = 0, zlibBytes = 0;
#endif
    uint32_t changed = 0;
    for (uint32_t i = 0; i < s.frames; i++) {
        Fill(&w.current, s.Frame(i));
        Fill(&w.previous, i == 0 ? w.copy.data() : s.Frame(i - 1));
        FrameRecordHeader encoded, packed;
        if (!Verify(s, i, &w, &encoded, &packed)) return false;
        // The recording starts with a key frame against black; the figures
        // are those of the changed frames that follow it.
        if (i == 0 || encoded.frameType == FRAME_UNCHANGED) continue;
        changed++;
        packedBytes += packed.dataSize;
        const uint8_t* playData = packed.packed == 1 ? w.unpacked.data() : w.planes.data();
        const uint32_t* picture = s.Frame(i);
        const uint32_t* before = s.Frame(i - 1);
        Fill(&w.same, picture);
        auto none = [] {};
        double t[STEP_COUNT] = {};
        t[STEP_MEMCPY] = TimeStep(none, [&] { std::memcpy(w.copy.data(), picture, frameBytes); });
        uint32_t* samePixels = FrameSurfaceLock(&w.same);
        volatile int sink = 0;
        t[STEP_MEMCMP] = TimeStep(
            none, [&] { sink = sink + std::memcmp(samePixels, w.copy.data(), frameBytes); });
        FrameSurfaceUnlock(&w.same);
        FrameRecordHeader h;
        auto header = [&](uint32_t type) {
            h = FrameRecordHeader{};
            h.frameType = type;
        };
        t[STEP_CHANGE_TEST] =
            TimeStep([&] { header(FRAME_DELTA); },
                     [&] {
                         FrameDeltaEncodeWith(encoder, &w.current, &w.same, &h, w.reference.data(),
                                              w.reference.size());
                     });
        t[STEP_ENCODE] = TimeStep([&] { header(FRAME_DELTA); },
                                  [&] {
                                      FrameDeltaEncodeWith(encoder, &w.current, &w.previous, &h,
                                                           w.planes.data(), w.planes.size());
                                  });
        // A recording keeps each changed picture as the one the next is
        // encoded against: once by a copy after the encoding, now as the
        // encoding goes.
        t[STEP_ENCODE_THEN_COPY] = TimeStep(
            [&] {
                header(FRAME_DELTA);
                Fill(&w.previous, before);
            },
            [&] {
                FrameDeltaEncodeWith(encoder, &w.current, &w.previous, &h, w.planes.data(),
                                     w.planes.size());
                FrameSurfaceCopyRect(&w.previous, 0, 0, width - 1, height - 1, &w.current, 0, 0,
                                     width - 1, height - 1);
            });
        t[STEP_ENCODE_KEEPING] = TimeStep(
            [&] {
                header(FRAME_DELTA);
                Fill(&w.previous, before);
            },
            [&] {
                int32_t row = FrameDeltaChangedRowWith(encoder, &w.current, &w.previous);
                FrameDeltaEncodeChangedWith(encoder, &w.current, &w.previous, row, 1, &h,
                                            w.planes.data(), w.planes.size());
            });
        Fill(&w.previous, before);
        t[STEP_ENCODE_SCALAR] =
            TimeStep([&] { header(FRAME_DELTA); },
                     [&] {
                         FrameDeltaEncodeScalar(&w.current, &w.previous, &h, w.reference.data(),
                                                w.reference.size());
                     });
        // What PackFrameData and UnpackFrameData do, with the chosen kernels.
        size_t packLimit = std::min<size_t>(w.packed.size(), encoded.dataSize);
        t[STEP_PACK] = TimeStep(none, [&] {
            RunLengthPackWith(encoder, w.packed.data(), packLimit, w.planes.data(),
                              encoded.dataSize);
        });
        t[STEP_PACK_SCALAR] = TimeStep(none, [&] {
            RunLengthPackScalar(w.reference.data(), w.reference.size(), w.planes.data(),
                                encoded.dataSize);
        });
        t[STEP_UNPACK] = TimeStep(none, [&] {
            if (packed.packed == 1)
                RunLengthUnpackWith(decoder, w.unpacked.data(), w.unpacked.size(), w.packed.data(),
                                    packed.dataSize);
        });
        t[STEP_UNPACK_SCALAR] = TimeStep(none, [&] {
            RunLengthUnpackScalar(w.reference.data(), w.reference.size(), w.packed.data(),
                                  packed.dataSize);
        });
        t[STEP_DECODE] = TimeStep(
            [&] { Fill(&w.shown, before); },
            [&] { FrameDeltaDecodeWith(decoder, &w.shown, &encoded, playData, encoded.dataSize); });
        t[STEP_DECODE_SCALAR] = TimeStep(
            [&] { Fill(&w.shown, before); },
            [&] { FrameDeltaDecodeScalar(&w.shown, &encoded, playData, encoded.dataSize); });
        t[STEP_RECORD] = t[STEP_ENCODE] + t[STEP_PACK];
        t[STEP_PLAY] = t[STEP_UNPACK] + t[STEP_DECODE];
#if defined(MORVANE_BENCH_PEERS)
        int lz4Length = 0;
        t[STEP_LZ4] = TimeStep(none, [&] {
            lz4Length = LZ4_compress_default(reinterpret_cast<const char*>(w.planes.data()),
                                             reinterpret_cast<char*>(w.peer.data()),
                                             static_cast<int>(encoded.dataSize),
                                             static_cast<int>(w.peer.size()));
        });
        uLongf zlibLength = 0;
        t[STEP_ZLIB] = TimeStep(none, [&] {
            zlibLength = static_cast<uLongf>(w.peer.size());
            compress2(w.peer.data(), &zlibLength, w.planes.data(), encoded.dataSize, 1);
        });
        lz4Bytes += lz4Length;
        zlibBytes += static_cast<double>(zlibLength);
#endif
        for (int k = 0; k < STEP_COUNT; k++) samples[k].push_back(t[k]);
    }

    std::printf(
        "\n%s: %u x %u, %u frames, %u changed frames timed: median over them of the best of %d "
        "runs\n",
        s.name.c_str(), width, height, s.frames, changed, REPEATS);
    if (changed == 0) return true;
    std::printf("  level %s; planes %.2f MB, packed %.3f MB on average",
                CpuLevelName(encoder->level), planeBytes / 1e6, packedBytes / changed / 1e6);
#if defined(MORVANE_BENCH_PEERS)
    std::printf(", lz4 %.3f MB, zlib %.3f MB", lz4Bytes / changed / 1e6, zlibBytes / changed / 1e6);
#endif
    std::printf("\n  %-20s %10s %10s %10s\n", "step", "ms/frame", "MB/s", "x ref");
    double memcpyTime = Median(samples[STEP_MEMCPY]);
    double memcmpTime = Median(samples[STEP_MEMCMP]);
    for (int k = 0; k < STEP_COUNT; k++) {
#if !defined(MORVANE_BENCH_PEERS)
        if (k == STEP_LZ4 || k == STEP_ZLIB) continue;
#endif
        // A sum of two steps takes the median of the sums, frame by frame.
        double time = Median(samples[k]);
        double reference = k == STEP_MEMCMP || k == STEP_CHANGE_TEST ? memcmpTime : memcpyTime;
        std::printf("  %-20s %10.3f %10.0f %10.2f%s\n", STEP_NAMES[k], time * 1e3,
                    frameBytes / time / 1e6, time / reference,
                    k == STEP_CHANGE_TEST ? "  (x memcmp)" : "");
    }
#if defined(MORVANE_BENCH_PEERS)
    std::printf("  pack / lz4 time: %.2f\n",
                Median(samples[STEP_PACK]) / Median(samples[STEP_LZ4]));
#endif
    FrameSurfaceDestroy(&w.current);
    FrameSurfaceDestroy(&w.previous);
    FrameSurfaceDestroy(&w.same);
    FrameSurfaceDestroy(&w.shown);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    encoder = EncodeKernelsBest();
    decoder = DecodeKernelsBest();
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--level") == 0) {
        encoder = nullptr;
        for (int level = CPU_LEVEL_SCALAR; level <= CPU_LEVEL_AVX2; level++)
            if (std::strcmp(argv[2], CpuLevelName(static_cast<CpuLevel>(level))) == 0) {
                encoder = EncodeKernelsFor(static_cast<CpuLevel>(level));
                decoder = DecodeKernelsFor(static_cast<CpuLevel>(level));
            }
        if (!encoder || !decoder) {
            std::printf("codec_bench: this processor cannot run level %s\n", argv[2]);
            return 2;
        }
        first = 3;
    }
    if (argc < first + 2) {
        std::printf("usage: codec_bench [--level scalar|sse2|avx2] CORPUS_DIR NAME...\n");
        return 2;
    }
    std::printf("codec_bench: processor level %s, %d-bit build\n", CpuLevelName(CpuDetectLevel()),
                static_cast<int>(sizeof(void*) * 8));
    int failed = 0;
    for (int a = first + 1; a < argc; a++) {
        Sequence s;
        if (!LoadSequence(argv[first], argv[a], &s)) {
            std::printf("%s: cannot read %s/%s.txt and .bgrx\n", argv[a], argv[first], argv[a]);
            failed = 1;
            continue;
        }
        if (!RunSequence(s)) failed = 1;
    }
    return failed;
}
