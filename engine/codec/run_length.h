// The run-length packer of frame data: the only compression of the format.
// Stream layout in video_format.h. The packer allocates nothing; every
// function reads and writes only within the buffers and lengths it is given.
#pragma once

#include <cstddef>
#include <cstdint>

#include "video_format.h"

struct EncodeKernels;
struct DecodeKernels;

// Largest packed stream for inputLength bytes, end marker included: callers
// that size their output with it never see RunLengthPack fail.
size_t RunLengthPackBound(size_t inputLength);

// Packs input into output. Returns the stream's length (at least 1, the end
// marker), or 0 when it would not fit in outputCapacity; output beyond the
// capacity is never written, output past the stream's end may hold scratch.
size_t RunLengthPack(uint8_t* output, size_t outputCapacity, const uint8_t* input,
                     size_t inputLength);

// Unpacks a stream of inputLength bytes. Stops at the end marker, at the end
// of the input, or once outputCapacity bytes were produced; a token that runs
// past the input or the capacity is clipped to them. Returns the bytes produced;
// output between them and the capacity may hold scratch, none beyond it.
size_t RunLengthUnpack(uint8_t* output, size_t outputCapacity, const uint8_t* input,
                       size_t inputLength);

// Packs header->dataSize bytes of frame data into output when there are at
// least 256 and the packed stream is no longer than the data itself: then sets
// dataSize to the packed length and packed to 1 and returns that length.
// Otherwise returns 0 and leaves the header alone (the data is stored as it is).
uint32_t PackFrameData(FrameRecordHeader* header, const uint8_t* data, uint8_t* output,
                       size_t outputCapacity);

// When header->packed is 1, unpacks the header->dataSize stored bytes into
// output, sets dataSize to the bytes produced and returns 1; the stored data
// must hold dataSize bytes. Any other packed value: returns 0, nothing changed.
int UnpackFrameData(FrameRecordHeader* header, const uint8_t* stored, uint8_t* output,
                    size_t outputCapacity);

// RunLengthPack and RunLengthUnpack with a chosen kernel table
// (codec_kernels.h); the two above use the best table of the processor.
// Same contracts, same bytes.
size_t RunLengthPackWith(const EncodeKernels* kernels, uint8_t* output, size_t outputCapacity,
                         const uint8_t* input, size_t inputLength);
size_t RunLengthUnpackWith(const DecodeKernels* kernels, uint8_t* output, size_t outputCapacity,
                           const uint8_t* input, size_t inputLength);

// The plain reference implementation, byte by byte, which every faster one
// must equal. Same contracts.
size_t RunLengthPackScalar(uint8_t* output, size_t outputCapacity, const uint8_t* input,
                           size_t inputLength);
size_t RunLengthUnpackScalar(uint8_t* output, size_t outputCapacity, const uint8_t* input,
                             size_t inputLength);
