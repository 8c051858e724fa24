// The one test of whether a video's header can be played, used by everything
// that reads a video: playback, the exports, zuvtool and the Load dialog's
// quick check of a file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "video_format.h"

enum VideoHeaderVerdict {
    VIDEO_HEADER_PLAYABLE = 0,
    VIDEO_HEADER_NOT_VIDEO,       // no magic: some other kind of file
    VIDEO_HEADER_NO_SIZE,         // a width or height of 0
    VIDEO_HEADER_NO_FRAME_RATE,   // a frame rate of 0: its frames cannot be paced
};

// The verdict on a loaded header, its first problem in the order above.
VideoHeaderVerdict VideoHeaderCheck(const VideoFileHeader* header);

// Where the first record starts: firstRecordOffset, or headerSize when that
// is 0.
uint32_t VideoFirstRecordOffset(const VideoFileHeader* header);

// The quick test of a file before it is loaded or packaged: at least
// VIDEO_MIN_FILE_SIZE bytes long and a playable header in its first
// min(size, 24) bytes. 1 when it passes, else 0.
int VideoFileCheck(const uint8_t* headerBytes, size_t size, uint64_t fileSize);
