// The recording side of a video: one frame taken from a surface becomes one
// record (header and data), ready to be appended after the file header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame_surface.h"
#include "video_format.h"

// Bytes of the recording work buffer for width x height frames: the codec's
// planes (3 bytes a pixel) at its start, and from RecordPackOffset on as much
// again for the packed stream, which is kept only when it is no longer than
// the planes; 0 when that does not fit in memory.
size_t RecordWorkSize(uint32_t width, uint32_t height);
size_t RecordPackOffset(uint32_t width, uint32_t height);

// Encodes current against previous as record number frameIndex (a key frame
// is asked for every KEY_FRAME_PERIOD records) and packs the data. On success
// returns 1 with the complete record header and *data pointing at the
// header->dataSize bytes to store after it (none for FRAME_UNCHANGED). When
// the type is not FRAME_UNCHANGED the caller, after storing the record, copies
// current into previous. Returns 0 when the frame cannot be encoded.
int VideoRecordEncode(FrameSurface* current, FrameSurface* previous, uint32_t frameIndex,
                      uint8_t* work, size_t workSize, FrameRecordHeader* header,
                      const uint8_t** data);

// The header of an unchanged record of width x height frames, the same as
// the encoder makes for a picture that did not change: the recording thread
// writes it for frame intervals that passed without a capture.
FrameRecordHeader VideoUnchangedRecordHeader(uint32_t width, uint32_t height);

// VideoRecordEncode in its three steps, for a caller that times each one;
// together they give the same record. The change test starts the header of
// record number frameIndex and finds the first row that changed
// (FrameDeltaChangedRow); the encoding writes the planes at the start of
// work, or makes the record FRAME_UNCHANGED, and with keepInPrevious set
// also copies a changed picture into previous as it goes (the copy the
// caller would otherwise make after storing the record); the packing packs
// the planes into the pack output area when that makes them smaller, and
// points *data at the bytes to store. The first two return 0 when the frame
// cannot be encoded.
int VideoRecordTestChange(FrameSurface* current, FrameSurface* previous, uint32_t frameIndex,
                          FrameRecordHeader* header, int32_t* changedRow);
int VideoRecordEncodePlanes(FrameSurface* current, FrameSurface* previous, int32_t changedRow,
                            int keepInPrevious, uint8_t* work, size_t workSize,
                            FrameRecordHeader* header);
void VideoRecordPack(uint8_t* work, size_t workSize, FrameRecordHeader* header,
                     const uint8_t** data);
