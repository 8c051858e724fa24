// Writes the starting inputs of the fuzz targets (fuzz/corpus/TARGET/...):
// packed streams and videos made by the engine itself, so that the fuzzers
// start from well-formed data and mutate it. Run once; its output is kept.
//   fuzz_make_seeds fuzz/corpus
#include <cstdio>
#include <string>
#include <vector>

#include "byte_order.h"
#include "codec/run_length.h"
#include "test_pictures.h"

using Bytes = std::vector<uint8_t>;

static bool Write(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "make_seeds: cannot create %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

// A video of `frames` records of a letter F walking across a width x height
// picture, with one frame repeated so that an unchanged record appears too.
static Bytes WalkingLetter(uint16_t width, uint16_t height, int frames, int scale) {
    FrameSurface current, previous;
    FrameSurfaceCreate(width, height, &current);
    FrameSurfaceCreate(width, height, &previous);
    FrameSurfaceLock(&current);
    FrameSurfaceLock(&previous);
    FrameSurfaceFill(&previous, 0, 0, width - 1, height - 1, 0);
    std::vector<uint8_t> work(RecordWorkSize(width, height));
    Bytes video = VideoHeaderBytes(width, height, 10);
    for (int i = 0; i < frames; i++) {
        FrameSurfaceLock(&current);  // the previous record's copy unlocked it
        DrawLetterF(&current, (i == 2 ? 1 : i) % width, 1, scale);
        if (i == frames - 1) {
            // Noise: a frame the packer would enlarge is stored raw.
            std::mt19937 random(42);
            for (int y = 0; y < height; y++)
                for (int x = 0; x < width; x++)
                    current.pixels[y * current.stride + x] = static_cast<uint32_t>(random());
        }
        if (!AppendRecord(&video, &current, &previous, static_cast<uint32_t>(i), &work)) break;
    }
    FrameSurfaceDestroy(&current);
    FrameSurfaceDestroy(&previous);
    return video;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds CORPUS_FOLDER\n");
        return 2;
    }
    std::string root = argv[1];
    bool ok = true;

    Bytes letter = WalkingLetter(24, 16, 4, 2);
    ok &= Write(root + "/video_reader/letter_24x16", letter);
    ok &= Write(root + "/video_reader/letter_40x30_noise", WalkingLetter(40, 30, 5, 4));
    ok &= Write(root + "/video_reader/one_pixel", WalkingLetter(1, 1, 2, 1));
    Bytes shortHeader = letter;
    shortHeader[4] = 16;  // a 16-byte file header: the rest reads as zeros
    ok &= Write(root + "/video_reader/short_header", shortHeader);

    // The unpacker's inputs start with their capacity, little-endian.
    struct Stream {
        const char* name;
        Bytes stream;
    };
    const Stream streams[] = {
        {"worked_examples", {0x02, 0x41, 0x42, 0x43, 0x83, 0x43, 0x01, 0x44, 0x45, 0x80, 0x2C,
                             0x01, 0x00, 0x00, 0x00, 0x02, 0x81, 0x41, 0x00}},
        {"long_run", {0x80, 0x00, 0x00, 0x02, 0x00, 0x5A, 0x01, 0x5A, 0x5A, 0x00}},
        {"letter_frame", Bytes(letter.begin() + 48, letter.begin() + 48 + LoadLE32(&letter[28]))},
    };
    for (const Stream& s : streams) {
        Bytes input = {0x00, 0x04};
        input.insert(input.end(), s.stream.begin(), s.stream.end());
        ok &= Write(root + "/unpack/" + s.name, input);
    }

    // Round-trip inputs: a mode byte, then data (even) or run pairs (odd).
    Bytes mixed = {0x00, 0x41, 0x42, 0x43, 0x43, 0x43, 0x43, 0x43, 0x44, 0x45, 0x46};
    mixed.insert(mixed.end(), 300, 0x00);
    mixed.insert(mixed.end(), {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07});
    ok &= Write(root + "/round_trip/mixed", mixed);
    ok &= Write(root + "/round_trip/runs",
                {0x01, 0x00, 0x41, 0x02, 0x42, 177, 0x43, 178, 0x43, 227, 0x44, 0x01, 0x45});
    Bytes frame = {0x00};
    frame.insert(frame.end(), letter.begin() + 48, letter.end());
    ok &= Write(root + "/round_trip/letter_records", frame);
    return ok ? 0 : 1;
}
