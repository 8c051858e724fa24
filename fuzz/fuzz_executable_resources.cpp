// Arbitrary bytes read as an executable file for its video entry, as the
// extractor does: nothing may be read outside the bytes, and an entry found
// must lie wholly inside them.
#include "resources/executable_resources.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ExecutableEntry found;
    int result = ExecutableFindResource(size ? data : nullptr, size, "ZEVEVIZ", "VIDEO1", &found);
    FUZZ_CHECK(result == EXECUTABLE_NOT_PE || result == EXECUTABLE_FOUND ||
               result == EXECUTABLE_NO_ENTRY);
    if (result != EXECUTABLE_FOUND) return 0;
    FUZZ_CHECK(found.size > 0 && found.offset < size && size - found.offset >= found.size);
    // Touch the first and last byte, as writing the entry out would.
    volatile uint8_t first = data[found.offset];
    volatile uint8_t last = data[found.offset + found.size - 1];
    (void)first;
    (void)last;
    return 0;
}
