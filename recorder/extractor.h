// Taking the video back out of a self-playing executable into a ".zuv" file.
// The executable's resources are read from its bytes: it is never loaded,
// so nothing of it (nor of the libraries it names) runs.
#pragma once

#include <cstddef>

// The name proposed for the video of an executable: the path up to its last
// "." (of the whole path) followed by ".zuv", or the whole path followed by
// ".zuv" when it has no ".". Writes it into output (capacity bytes,
// terminator included) and returns 1; returns 0 and writes the empty text
// when it does not fit.
int propose_video_name(const char* exe_path, char* output, size_t capacity);

// The whole command: stops the engine, asks for the executable and for the
// output name, and writes the entry "ZEVEVIZ" / "VIDEO1" (language 0, else
// 1033, else any) byte for byte, telling the user the outcome. output_name
// (capacity CURRENT_FILE_CAPACITY, the recorder passes current_file) holds
// the proposed name once an executable is chosen, and the chosen name once
// the save dialog is confirmed. 1 when the file was written; 0 on failure or
// cancel.
int extract_video(char* output_name);

// The writing part of the command, from the progress window to the result
// box, for names already chosen. 1 when the video file was written; 0 after
// the failure box.
int write_extracted_video(const char* exe_path, const char* output_path);
