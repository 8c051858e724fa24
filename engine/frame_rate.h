// The frame rate a person types or picks for a recording ("24 fps (Movie)",
// "7", " 12"): read the same way wherever the text comes from, so that no
// system's reading of a number followed by other characters decides it.
#pragma once

#include <cstdint>

// The rates a recording can be made at: above 1000 the frame interval,
// 1000 / rate in whole milliseconds, would be 0.
constexpr uint32_t FRAME_RATE_LOWEST = 1;
constexpr uint32_t FRAME_RATE_HIGHEST = 1000;

// Skips leading blanks (spaces and tabs) and reads the decimal digits up to
// the first other character. Returns that number, or 0 when there is no
// digit there or the number lies outside FRAME_RATE_LOWEST to
// FRAME_RATE_HIGHEST. Reads text up to its terminator at most; null reads as
// the empty text.
uint32_t FrameRateParse(const char* text);
