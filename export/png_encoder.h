// PNG pictures, and the pieces of an animated PNG: chunks with their CRC,
// the 8-bit RGB header, and image data made of a picture's rectangle,
// deflated with zlib into chunks of at most PNG_CHUNK_DATA bytes, so memory
// stays at a few rows and one chunk whatever the picture's size.
//
// Rows of screen content (text, windows, flat areas) deflate best as they
// are, without a PNG filter; photographs and gradients deflate far better
// when each row gets the filter that leaves the smallest sum of differences
// (the rule the PNG authors recommend for true-colour pictures). Which of the
// two an image gets is found by deflating a sample of its rows both ways.
#pragma once

#include <cstddef>
#include <cstdint>

#include "export/export_pipeline.h"
#include "export/export_sink.h"

constexpr size_t PNG_CHUNK_DATA = 65536;
// zlib's level for every picture and frame.
constexpr int PNG_DEFLATE_LEVEL = 6;
constexpr uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct PngEncoder {
    ExportSink sink;
    uint64_t written;   // bytes handed to the sink so far
    int failed;         // a write or the compressor failed; nothing more is written
    void* stream;       // the zlib stream, reset for every image
    uint32_t maxWidth;
    uint8_t* rows;      // two raw rows, five filtered candidates, the deflate input
    size_t inputCapacity;
    uint8_t* chunk;     // the chunk being filled: length, type, sequence, data, CRC
    void* probe;        // a fast zlib stream for the sample
    uint8_t* probeInput;
    uint8_t* probeOutput;
    size_t probeCapacity, probeOutputCapacity;
};

// Prepares an encoder for images at most maxWidth pixels wide, deflated at
// zlib's level (1 fastest to 9 smallest). 1 on success, 0 when out of memory
// (nothing then to end, but PngEncoderEnd is harmless).
int PngEncoderBegin(PngEncoder* encoder, const ExportSink* sink, uint32_t maxWidth, int level);
void PngEncoderEnd(PngEncoder* encoder);

// Appends bytes as they are. 1 on success; after a failure every call fails.
int PngEncoderWrite(PngEncoder* encoder, const uint8_t* bytes, size_t length);

// Appends one chunk: length, the 4-letter type, data, CRC.
int PngEncoderChunk(PngEncoder* encoder, const char* type, const uint8_t* data, size_t length);

// The CRC of a chunk: over its type and data, given together.
uint32_t PngChunkCrc(const uint8_t* typeAndData, size_t length);

// The signature and the IHDR chunk of a width x height 8-bit RGB picture.
int PngEncoderHeader(PngEncoder* encoder, uint32_t width, uint32_t height);

// The rectangle of the picture as image data: IDAT chunks, or with sequence
// given, fdAT chunks numbered from *sequence on (advanced past them).
int PngEncoderImage(PngEncoder* encoder, const ExportPicture* picture, const ExportRect* rect,
                    uint32_t* sequence);

// A whole picture as a PNG file. Returns EXPORT_DONE, EXPORT_NO_MEMORY or
// EXPORT_WRITE_FAILED.
int PngWritePicture(const ExportSink* sink, const ExportPicture* picture);

// The picture shown at record number `record` (from 0) of the video in data,
// as a PNG file. Returns an ExportStatus: EXPORT_BAD_FRAME when the video, or
// its sound part, has no such record.
int ExportPngFrame(const uint8_t* data, size_t size, const ExportSink* sink, uint64_t record,
                   ExportProgress progress, void* context, ExportWalkStats* stats);

// Big-endian 32-bit store, the byte order of every PNG number.
inline void StoreBE32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}
