#include "engine.h"

int CaptureRectRecordable(const CaptureRect* rect) {
    int64_t width = static_cast<int64_t>(rect->right) - rect->left + 1;
    int64_t height = static_cast<int64_t>(rect->bottom) - rect->top + 1;
    return width >= SMALLEST_RECORDED_SIDE && height >= SMALLEST_RECORDED_SIDE &&
           width <= LARGEST_RECORDED_SIDE && height <= LARGEST_RECORDED_SIDE;
}
