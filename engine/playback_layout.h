// Where playback puts a frame in a window's client area. A band of
// bottomBand pixels at the bottom of the area is kept free (the recorder's
// status line); in the W x H pixels left, a frame that fits (one pixel over
// in either direction still counts) is copied unscaled and centred, and any
// other frame is stretched over (1, 1) to (W - 1, H - 1), its proportions
// changed.
#pragma once

#include <cstdint>

struct FramePlacement {
    uint8_t visible;        // 0: the area has no room; draw nothing
    uint8_t stretched;      // 1: scale the whole frame into the destination
    int32_t x, y;           // destination's top-left corner in the client area
    int32_t width, height;  // destination's size
    int32_t sourceWidth;    // part of the frame copied, from its top-left corner
    int32_t sourceHeight;
};

// Places a frameWidth x frameHeight frame in a client area of clientWidth x
// clientHeight pixels (right - left and bottom - top of the client rectangle).
// An unscaled copy is cut to the area, so that the band is never drawn.
FramePlacement PlaybackPlaceFrame(int32_t clientWidth, int32_t clientHeight, uint32_t bottomBand,
                                  int32_t frameWidth, int32_t frameHeight);
