// The frame delta codec: turns a captured picture into the data of one frame
// record (nothing, a key frame or a delta frame; layout in video_format.h) and
// applies such data back onto a surface. It does not compress; the planar
// layout leaves runs for the packer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame_surface.h"
#include "video_format.h"

struct EncodeKernels;
struct DecodeKernels;

// Encodes current against previous (two surfaces of the same size) into data,
// which holds dataCapacity bytes. The caller sets header->frameType to the
// type it asks for (FRAME_KEY or FRAME_DELTA); an unchanged picture becomes
// FRAME_UNCHANGED with dataSize 0. Fills the rectangle, frameType and dataSize.
// Returns 1, or 0 (dataSize 0) for another requested type, surfaces of
// different sizes or without pixels, or data too small for 3 x width x height.
int FrameDeltaEncode(FrameSurface* current, FrameSurface* previous, FrameRecordHeader* header,
                     uint8_t* data, size_t dataCapacity);

// FrameDeltaEncode in its two steps, for a caller that times them apart: the
// change test gives the first row where current differs from previous (their
// height when the pictures are equal), or -1 for surfaces of different sizes
// or without pixels; the encoding then takes that row, which must be the
// change test's answer for the same two pictures. Same results and bytes.
// With keep set, the encoding of a changed picture also copies it into
// previous row by row as it goes, all four bytes of each pixel, so that
// previous holds it afterwards without both pictures being read again.
int32_t FrameDeltaChangedRow(FrameSurface* current, FrameSurface* previous);
int FrameDeltaEncodeChanged(FrameSurface* current, FrameSurface* previous, int32_t changedRow,
                            int keep, FrameRecordHeader* header, uint8_t* data,
                            size_t dataCapacity);
int32_t FrameDeltaChangedRowWith(const EncodeKernels* kernels, FrameSurface* current,
                                 FrameSurface* previous);
int FrameDeltaEncodeChangedWith(const EncodeKernels* kernels, FrameSurface* current,
                                FrameSurface* previous, int32_t changedRow, int keep,
                                FrameRecordHeader* header, uint8_t* data, size_t dataCapacity);

// Applies a record's unpacked data (dataLength bytes) to the surface. The
// stored rectangle is clipped to the surface and short data is applied as far
// as it goes: nothing outside the surface or the data is touched. Returns 1,
// or 0 (surface unchanged) for an unknown type or a surface without pixels.
int FrameDeltaDecode(FrameSurface* surface, const FrameRecordHeader* header, const uint8_t* data,
                     size_t dataLength);

// The same operations with a chosen kernel table (codec_kernels.h); the two
// above use the best table of the processor. Same contracts and results.
int FrameDeltaEncodeWith(const EncodeKernels* kernels, FrameSurface* current,
                         FrameSurface* previous, FrameRecordHeader* header, uint8_t* data,
                         size_t dataCapacity);
int FrameDeltaDecodeWith(const DecodeKernels* kernels, FrameSurface* surface,
                         const FrameRecordHeader* header, const uint8_t* data,
                         size_t dataLength);

// The plain reference implementation, pixel by pixel and plane by plane,
// which every faster one must equal byte for byte. Same contracts.
int FrameDeltaEncodeScalar(FrameSurface* current, FrameSurface* previous,
                           FrameRecordHeader* header, uint8_t* data, size_t dataCapacity);
int FrameDeltaDecodeScalar(FrameSurface* surface, const FrameRecordHeader* header,
                           const uint8_t* data, size_t dataLength);
