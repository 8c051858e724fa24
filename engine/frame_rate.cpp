#include "frame_rate.h"

uint32_t FrameRateParse(const char* text) {
    if (!text) return 0;
    while (*text == ' ' || *text == '\t') text++;
    if (*text < '0' || *text > '9') return 0;
    uint32_t rate = 0;
    for (; *text >= '0' && *text <= '9'; text++) {
        // Once past the highest rate the number is refused, however long it is.
        if (rate <= FRAME_RATE_HIGHEST) rate = rate * 10 + static_cast<uint32_t>(*text - '0');
    }
    return rate >= FRAME_RATE_LOWEST && rate <= FRAME_RATE_HIGHEST ? rate : 0;
}
