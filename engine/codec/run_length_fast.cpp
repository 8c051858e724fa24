// The run-length packer as the programs run it: the token loops of
// run_length_loops.inc, built for the processor's instruction set, which
// write and read exactly the streams of the reference in run_length.cpp.
#include "codec/codec_kernels.h"
#include "codec/run_length.h"

size_t RunLengthPackWith(const EncodeKernels* kernels, uint8_t* output, size_t outputCapacity,
                         const uint8_t* input, size_t inputLength) {
    return kernels->pack(output, outputCapacity, input, inputLength);
}

size_t RunLengthUnpackWith(const DecodeKernels* kernels, uint8_t* output, size_t outputCapacity,
                           const uint8_t* input, size_t inputLength) {
    return kernels->unpack(output, outputCapacity, input, inputLength);
}

size_t RunLengthPack(uint8_t* output, size_t outputCapacity, const uint8_t* input,
                     size_t inputLength) {
    return EncodeKernelsBest()->pack(output, outputCapacity, input, inputLength);
}

size_t RunLengthUnpack(uint8_t* output, size_t outputCapacity, const uint8_t* input,
                       size_t inputLength) {
    return DecodeKernelsBest()->unpack(output, outputCapacity, input, inputLength);
}
