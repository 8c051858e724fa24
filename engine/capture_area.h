// Where a recording reads the screen. Every frame is copied from the screen
// at a rectangle in virtual-screen coordinates (monitors left of or above the
// primary lie at negative ones): a window's visible frame, an area the user
// drew, one monitor or the whole virtual screen. These are the decisions
// about those rectangles that need no system call: what each monitor gives,
// which pixels stay black, where the cursor goes, and the area selector's
// geometry.
#pragma once

#include <cstddef>
#include <cstdint>

// A rectangle by its corner and size; empty when width or height is 0.
struct ScreenArea {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// Monitors a recording or the selector takes into account; more are ignored.
constexpr size_t CAPTURE_MAX_MONITORS = 16;

// The common part of a and b; width and height 0 when they do not meet.
ScreenArea ScreenAreaIntersect(ScreenArea a, ScreenArea b);
// 1 when (x, y) lies in area.
int ScreenAreaContains(ScreenArea area, int32_t x, int32_t y);

// One copy from the screen into the surface: width x height pixels from
// (sourceX, sourceY) of the screen to (x, y) of the surface.
struct CapturePiece {
    int32_t sourceX;
    int32_t sourceY;
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// The copies that fill a surfaceWidth x surfaceHeight surface from grab: one
// per monitor that grab meets, cut to the surface (a grab larger than the
// surface keeps its top left part). Writes at most capacity pieces and
// returns how many. *blackFirst is 1 when some pixels of the surface lie on
// no monitor, so that the surface is to be filled black before the copies;
// 0 when one monitor holds the whole grab.
size_t CapturePieces(ScreenArea grab, int32_t surfaceWidth, int32_t surfaceHeight,
                     const ScreenArea* monitors, size_t monitorCount, CapturePiece* pieces,
                     size_t capacity, int* blackFirst);

// The grab of a followed window: its visible frame's corner moved by the
// recording's offset in the window, at the size fixed when the recording
// started. A window grown since is cut; one shrunk shows the screen around it.
ScreenArea CaptureFollowWindow(ScreenArea frame, int32_t offsetX, int32_t offsetY,
                               int32_t width, int32_t height);

// Where the cursor image goes on the surface: the cursor's screen position
// less its hot spot, relative to the grab actually taken.
void CaptureCursorOrigin(ScreenArea grab, int32_t cursorX, int32_t cursorY, int32_t hotSpotX,
                         int32_t hotSpotY, int32_t* x, int32_t* y);

// The monitor under (x, y), or when none is (the gaps of the virtual screen)
// the nearest one; -1 when there are no monitors.
int CaptureMonitorAt(const ScreenArea* monitors, size_t count, int32_t x, int32_t y);

// The rectangle spanned by a drag from (x0, y0) to (x1, y1), both corners
// inside, cut to bounds.
ScreenArea CaptureAreaFromDrag(int32_t x0, int32_t y0, int32_t x1, int32_t y1, ScreenArea bounds);

// Moves area by (dx, dy), kept whole inside bounds; or with resize, moves its
// right and bottom edges by (dx, dy), keeping it at least 1 pixel and inside
// bounds.
ScreenArea CaptureAreaNudge(ScreenArea area, int32_t dx, int32_t dy, int resize, ScreenArea bounds);

// The four strips of a frame thickness pixels wide lying just outside area,
// never over it: top, bottom, left, right.
void CaptureAreaFrame(ScreenArea area, int32_t thickness, ScreenArea strips[4]);

// Where a label of labelWidth x labelHeight beside area goes: below its
// bottom right corner, or inside bounds where that would leave them.
void CaptureLabelOrigin(ScreenArea area, int32_t labelWidth, int32_t labelHeight,
                        ScreenArea bounds, int32_t* x, int32_t* y);

// "Area: W x H at (X, Y)" or, for monitorNumber 1 and above,
// "Monitor N: W x H at (X, Y)", cut to capacity (which counts the final
// zero). Returns the text's length.
size_t CaptureDescribe(char* text, size_t capacity, int monitorNumber, ScreenArea area);
