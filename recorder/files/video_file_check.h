// The quick test that a file is a video, before it is loaded or packaged.
#pragma once

// 1 when the file at path is at least 1024 bytes long and its header is one
// that plays (VideoFileCheck: the magic, a width, a height and a frame rate);
// 0 otherwise, also when it cannot be opened. Reads at most the 24 bytes of the header; never leaves the file
// open.
int check_video_file(const char* path);
