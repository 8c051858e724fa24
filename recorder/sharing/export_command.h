// The Tools menu's exports of the current video as an animated image that a
// browser plays: an animated PNG (every pixel exact) or a GIF.
#pragma once

enum export_format { EXPORT_AS_APNG = 0, EXPORT_AS_GIF = 1 };

// The whole command: stops the engine, opens the Load dialog first when
// there is no current file (as Play does), checks the video, proposes its
// name with the format's extension in the save dialog, and writes the
// export, telling the user the outcome. 1 when the file was written.
int export_video(export_format format);

// The writing part, for an output already chosen: refuses the video itself
// as output, shows the progress window with its percentage and Cancel while
// the export runs, and replaces the output only with a whole export (Cancel
// and failures leave whatever was there). 1 when the file was written, also
// from the sound part of a damaged video, which a box then tells of.
int write_export(const char* video_path, const char* output_path, export_format format);
