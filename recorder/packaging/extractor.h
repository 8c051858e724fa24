// Taking the video back out of a self-playing executable into a ".zuv" file.
// The executable's resources are read from its bytes: it is never loaded,
// so nothing of it (nor of the libraries it names) runs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The whole command: stops the engine, asks for the executable and for the
// output name, and writes the entry "ZEVEVIZ" / "VIDEO1" (language 0, else
// 1033, else any) byte for byte, telling the user the outcome. output_name
// (capacity CURRENT_FILE_CAPACITY, the recorder passes current_file) holds
// the proposed name (the executable's up to its last "." with ".zuv") once
// an executable is chosen, and the chosen name once the save dialog is
// confirmed. 1 when the file was written; 0 on failure or cancel.
int extract_video(char* output_name);

// The writing part of the command, from the progress window to the result
// box, for names already chosen. The video goes into a temporary file that
// replaces the output only once it is whole (safe_file_win.h). 1 when the
// video file was written; 0 after the failure box, with whatever was at
// output_path untouched.
int write_extracted_video(const char* exe_path, const char* output_path);

// What became of an extraction, for the one box shown at its end.
enum ExtractOutcome { EXTRACTED, NOT_LOADED, NOT_LOCATED, NOT_WRITTEN };

// Finds the video entry in the size bytes of an executable and writes it to
// output_path as write_extracted_video does, with every read of the bytes
// under the fault guard: bytes that become unreadable (a file on a share or
// a removable disk that goes away) give NOT_LOADED, not the end of the
// program. Sets the stage text of progress (may be null); shows no box.
ExtractOutcome extract_entry(const uint8_t* bytes, size_t size, const char* output_path,
                             HWND progress);
