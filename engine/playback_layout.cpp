#include "playback_layout.h"

// Division rounding toward minus infinity, for negative numerators too.
static int64_t FloorHalf(int64_t value) {
    return value >= 0 ? value / 2 : -((-value + 1) / 2);
}

FramePlacement PlaybackPlaceFrame(int32_t clientWidth, int32_t clientHeight, uint32_t bottomBand,
                                  int32_t frameWidth, int32_t frameHeight) {
    FramePlacement placement = {};
    int64_t areaWidth = clientWidth;
    int64_t areaHeight = static_cast<int64_t>(clientHeight) - bottomBand;
    if (frameWidth <= 0 || frameHeight <= 0) return placement;

    if (frameWidth > areaWidth + 1 || frameHeight > areaHeight + 1) {
        if (areaWidth - 1 < 1 || areaHeight - 1 < 1) return placement;
        placement.visible = 1;
        placement.stretched = 1;
        placement.x = 1;
        placement.y = 1;
        placement.width = static_cast<int32_t>(areaWidth - 1);
        placement.height = static_cast<int32_t>(areaHeight - 1);
        placement.sourceWidth = frameWidth;
        placement.sourceHeight = frameHeight;
        return placement;
    }

    // Here frameWidth <= areaWidth + 1, so x and y are never negative.
    int64_t x = FloorHalf(areaWidth - frameWidth + 1);
    int64_t y = FloorHalf(areaHeight - frameHeight + 1);
    int64_t width = frameWidth < areaWidth ? frameWidth : areaWidth;
    int64_t height = frameHeight < areaHeight ? frameHeight : areaHeight;
    if (width < 1 || height < 1) return placement;
    placement.visible = 1;
    placement.x = static_cast<int32_t>(x);
    placement.y = static_cast<int32_t>(y);
    placement.width = static_cast<int32_t>(width);
    placement.height = static_cast<int32_t>(height);
    placement.sourceWidth = placement.width;
    placement.sourceHeight = placement.height;
    return placement;
}
